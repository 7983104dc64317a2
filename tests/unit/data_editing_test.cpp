// The editing step, one table row per behaviour: each rule alone, their
// order, escapes, time fields at a fixed instant, characters counted as the
// user sees them, and every value at its default giving the text typing
// gives today. Keys are shown as [Tab], [Enter] or [chord].
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/data_editing.h"
#include "settings/store/settings_store.h"
#include "tests/fakes/fake_editing.h"
#include "tests/fakes/fake_registry.h"

namespace tellurin {
namespace {

using fakes::FixedClock;

// "Name=stored text" as the store would hold it.
void SetRule(EditRules& rules, std::u16string_view setting) {
    const std::size_t equals = setting.find(u'=');
    const std::u16string_view name = setting.substr(0, equals);
    const std::u16string_view value = setting.substr(equals + 1);
    std::uint16_t* const numbers[] = {&rules.LengthMin, &rules.LengthMax,    &rules.CutHead,
                                      &rules.CutTail,   &rules.ExtractStart, &rules.ExtractLength};
    const std::u16string_view numberNames[] = {u"LengthMin", u"LengthMax",    u"CutHead",
                                               u"CutTail",   u"ExtractStart", u"ExtractLength"};
    for (std::size_t index = 0; index < 6; ++index)
        if (name == numberNames[index]) *numbers[index] = ParseEditNumber(value);
    if (name == u"FieldKey") rules.FieldKey = ParseHexWord(std::u16string(value).c_str());
    if (name == u"FieldSeparator") ASSERT_TRUE(SetRuleText(rules.FieldSeparator, value));
    if (name == u"Prefix") ASSERT_TRUE(SetRuleText(rules.Prefix, value));
    if (name == u"Suffix") ASSERT_TRUE(SetRuleText(rules.Suffix, value));
    if (name.size() == 5 && name.starts_with(u"Find")) ASSERT_TRUE(SetRuleText(rules.Find[name[4] - u'1'], value));
    if (name.size() == 5 && name.starts_with(u"With")) ASSERT_TRUE(SetRuleText(rules.With[name[4] - u'1'], value));
}

std::string Shown(const EditedFrame& edited) {
    if (edited.BadLength) return "<bad length>";
    std::string shown;
    std::size_t key = 0;
    const auto showKeysAt = [&](std::size_t position) {
        for (; key < edited.Typed.Keys.size() && edited.Typed.Keys[key].Position == position; ++key) {
            const KeyChord chord = edited.Typed.Keys[key].Chord;
            char name[16];
            std::snprintf(name, sizeof name, "[%04X]", static_cast<unsigned>(chord));
            shown += chord == 0x0009 ? "[Tab]" : chord == 0x000D ? "[Enter]" : name;
        }
    };
    for (std::size_t index = 0; index < edited.Typed.Text.size(); ++index) {
        showKeysAt(index);
        const char16_t unit = edited.Typed.Text[index];
        char escaped[16];
        std::snprintf(escaped, sizeof escaped, "<%04X>", static_cast<unsigned>(unit));
        shown += unit >= 0x20 && unit < 0x7F ? std::string(1, static_cast<char>(unit)) : escaped;
    }
    showKeysAt(edited.Typed.Text.size());
    EXPECT_EQ(key, edited.Typed.Keys.size()) << "keys out of order or past the text";
    return shown;
}

struct EditCase {
    const char* behaviour;
    std::vector<std::u16string_view> rules;
    std::u16string_view frame;
    std::string typed;
};

void PrintTo(const EditCase& c, std::ostream* out) { *out << c.behaviour; }

class DataEditing : public ::testing::TestWithParam<EditCase> {};

TEST_P(DataEditing, TypesWhatTheRulesSay) {
    const EditCase& c = GetParam();
    EditRules rules = kDefaultEditRules;
    for (std::u16string_view setting : c.rules) SetRule(rules, setting);
    EditPlan plan;
    ASSERT_TRUE(PrepareEditing(rules, plan));
    FixedClock clock;
    EditedFrame edited{true, {u"left over", {{0, 0x0241}}}};
    EditFrame(c.frame, plan, clock, edited);
    EXPECT_EQ(Shown(edited), c.typed);
    EXPECT_LE(clock.reads, 1);
}

// U+1F600 and U+1F601: one character each, two units.
#define GRIN u"\U0001F600"
#define BEAM u"\U0001F601"

INSTANTIATE_TEST_SUITE_P(
    EveryRule, DataEditing,
    ::testing::Values(
        EditCase{"defaults type the text without its control characters",
                 {}, u"01\x1D" u"AB\tC\r\n\x7F\x85" GRIN u"\\t{HH}", "01ABC<D83D><DE00>\\t{HH}"},
        EditCase{"too few characters", {u"LengthMin=5"}, u"1234", "<bad length>"},
        EditCase{"enough characters, control characters counted as received",
                 {u"LengthMin=5"}, u"12\x1D" u"34", "1234"},
        EditCase{"too many characters", {u"LengthMax=3"}, u"1234", "<bad length>"},
        EditCase{"a surrogate pair is one character for the length",
                 {u"LengthMin=3", u"LengthMax=3"}, u"a" GRIN u"b", "a<D83D><DE00>b"},
        EditCase{"the length is checked before the cuts",
                 {u"LengthMin=4", u"CutHead=2"}, u"ABCD", "CD"},
        EditCase{"cuts at both ends", {u"CutHead=2", u"CutTail=1"}, u"ABCDEF", "CDE"},
        EditCase{"a cut takes a surrogate pair whole",
                 {u"CutHead=1", u"CutTail=1"}, GRIN u"AB" BEAM, "AB"},
        EditCase{"cuts past everything leave the prefix and suffix",
                 {u"CutHead=3", u"CutTail=3", u"Prefix=<", u"Suffix=>"}, u"ABCD", "<>"},
        EditCase{"extraction", {u"ExtractStart=3", u"ExtractLength=2"}, u"ABCDEF", "CD"},
        EditCase{"extraction to the end", {u"ExtractStart=5"}, u"ABCDEF", "EF"},
        EditCase{"extraction longer than what is left", {u"ExtractStart=2", u"ExtractLength=10"}, u"ABC", "BC"},
        EditCase{"extraction past the end", {u"ExtractStart=10", u"ExtractLength=2"}, u"ABC", ""},
        EditCase{"no extraction start keeps all", {u"ExtractLength=2"}, u"ABC", "ABC"},
        EditCase{"extraction counts surrogate pairs as one",
                 {u"ExtractStart=2", u"ExtractLength=1"}, GRIN BEAM GRIN, "<D83D><DE01>"},
        EditCase{"extraction after the cuts", {u"CutHead=1", u"ExtractStart=2", u"ExtractLength=2"}, u"ABCDEF",
                 "CD"},
        EditCase{"replacement by nothing", {u"Find1=  g", u"With1="}, u"ST,+00123.45  g", "ST,+00123.45"},
        EditCase{"replacements in order 1 to 8",
                 {u"Find8=B", u"With8=C", u"Find1=A", u"With1=B"}, u"AB", "CC"},
        EditCase{"replacements after the cuts", {u"CutHead=1", u"Find1=A", u"With1=XYZ"}, u"AB", "B"},
        EditCase{"an empty Find replaces nothing", {u"With1=X"}, u"AB", "AB"},
        EditCase{"replacement of a control character by the Tab key",
                 {u"Find1=\\x1D", u"With1=\\t"}, u"01\x1D" u"17", "01[Tab]17"},
        EditCase{"CR LF, CR and LF are one Enter each",
                 {u"Find1=-", u"With1=\\r\\n|\\r|\\n\\r"}, u"-", "[Enter]|[Enter]|[Enter][Enter]"},
        EditCase{"a raw tab in a rule text is the Tab key too", {u"Find1=-", u"With1=\t"}, u"a-b", "a[Tab]b"},
        EditCase{"escaped backslash and hex characters are text",
                 {u"Find1=\\\\", u"With1=\\x41\\\\"}, u"a\\b", "aA\\b"},
        EditCase{"other control characters a rule writes are dropped",
                 {u"Find1=A", u"With1=\\x07B\\x1f"}, u"AA", "BB"},
        EditCase{"a later Find sees an earlier With's text",
                 {u"Find1=,", u"With1=;", u"Find2=;", u"With2=\\t"}, u"a,b;c", "a[Tab]b[Tab]c"},
        EditCase{"no Find matches across a key",
                 {u"Find1=-", u"With1=\\t", u"Find2=ab", u"With2=X", u"FieldSeparator=ab"}, u"a-b ab", "a[Tab]b X"},
        EditCase{"fields with Tab between them",
                 {u"FieldSeparator=\\x1D"}, u"0104912345678904\x1D" u"17250101\x1D" u"10ABC",
                 "0104912345678904[Tab]17250101[Tab]10ABC"},
        EditCase{"a separator at the start and at the end", {u"FieldSeparator=|"}, u"|A||B|",
                 "[Tab]A[Tab][Tab]B[Tab]"},
        EditCase{"a separator of several characters and another key",
                 {u"FieldSeparator=<>", u"FieldKey=0241"}, u"A<>B<C>", "A[0241]B<C>"},
        EditCase{"field key 0 removes the separators", {u"FieldSeparator=,", u"FieldKey=0000"}, u"A,B", "AB"},
        EditCase{"the split comes after the replacements",
                 {u"Find1=,", u"With1=|", u"FieldSeparator=|"}, u"A,B", "A[Tab]B"},
        EditCase{"a tab in the data can be the separator", {u"FieldSeparator=\\t"}, u"A\tB", "A[Tab]B"},
        EditCase{"prefix and suffix around the fields",
                 {u"Prefix=[\\t", u"Suffix=\\r\\n]", u"FieldSeparator=,"}, u"A,B", "[[Tab]A[Tab]B[Enter]]"},
        EditCase{"time fields at the fixed instant",
                 {u"Prefix={yyyy}-{MM}-{dd} {HH}:{mm}:{ss}\\t", u"Suffix=/{yy}"}, u"7.5",
                 "2024-03-05 07:08:09[Tab]7.5/24"},
        EditCase{"braces in a prefix", {u"Prefix={{HH}}{{{HH}"}, u"x", "{HH}}{07x"},
        EditCase{"a time field between keys keeps its place", {u"Suffix=\\r{ss}\\n"}, u"x", "x[Enter]09[Enter]"},
        EditCase{"escapes and fields in the data are typed as text",
                 {u"Prefix=>", u"FieldSeparator=;"}, u"\\t\\r\\n{HH}{{\\x41", ">\\t\\r\\n{HH}{{\\x41"}));

TEST(DataEditing, TheClockIsReadOnlyForATimeFieldAndTheResultIsReplaced) {
    EditRules rules = kDefaultEditRules;
    SetRule(rules, u"Suffix={yyyy}{HH}");
    EditPlan plan;
    ASSERT_TRUE(PrepareEditing(rules, plan));
    FixedClock clock;
    clock.time = LocalTime{1999, 12, 31, 23, 59, 58};
    EditedFrame edited{};
    EditFrame(u"A", plan, clock, edited);
    EditFrame(u"B", plan, clock, edited);
    EXPECT_EQ(Shown(edited), "B199923");
    EXPECT_EQ(clock.reads, 2);

    ASSERT_TRUE(PrepareEditing(kDefaultEditRules, plan));
    EditFrame(u"C", plan, clock, edited);
    EXPECT_EQ(clock.reads, 2);
    EXPECT_EQ(Shown(edited), "C");
}

TEST(DataEditing, InvalidValuesAreReadAsTheirDefaults) {
    // Records the store never gives, as a caller of the library might pass them.
    EditRules rules = kDefaultEditRules;
    SetRule(rules, u"CutHead=1");
    rules.CutTail = 1024;
    SetRule(rules, u"Find1=\\q");
    SetRule(rules, u"With1=X");
    SetRule(rules, u"Prefix={hh}");
    rules.FieldKey = 0x8009;
    SetRule(rules, u"FieldSeparator=,");
    EditPlan plan;
    EXPECT_FALSE(PrepareEditing(rules, plan));
    FixedClock clock;
    EditedFrame edited{};
    EditFrame(u"\\qA,B", rules, clock, edited);
    EXPECT_EQ(Shown(edited), "qA[Tab]B");
}

// What the store's table cannot show: what a valid text expands to, and the
// invalid texts it has no row for.
TEST(RuleText, ExpansionAndBadEscapesFieldsAndSurrogates) {
    std::u16string escapes8;  // each escape counts as its four stored characters
    for (int index = 0; index < 8; ++index) escapes8 += u"\\x1D";
    const std::u16string escapes9 = escapes8 + u"\\x1D";
    const struct {
        RuleTextKind kind;
        std::u16string_view stored;
        bool valid;
        std::u16string_view expanded;  // time fields left out
    } cases[] = {
        {RuleTextKind::Find, u"\\t\\r\\n\\\\\\x1d\\xFF", true, u"\t\r\n\\\x1D\xFF"},
        {RuleTextKind::Find, u"{yy}{", true, u"{yy}{"},
        {RuleTextKind::Affix, u"{yyyy}{yy}{MM}{dd}{HH}{mm}{ss}}{{", true, u"}{"},
        {RuleTextKind::Find, escapes8, true, u"\x1D\x1D\x1D\x1D\x1D\x1D\x1D\x1D"},
        {RuleTextKind::Find, escapes9, false, u""},
        {RuleTextKind::Find, u"a\\", false, u""},
        {RuleTextKind::Find, u"\\xG1", false, u""},
        {RuleTextKind::Find, u"\\X1D", false, u""},
        {RuleTextKind::With, u"\xD83D", false, u""},
        {RuleTextKind::With, u"\xDE00x", false, u""},
        {RuleTextKind::Affix, u"{y}", false, u""},
        {RuleTextKind::Affix, u"{HH", false, u""},
        // The request command: the bytes for the port, braces as text, nothing above 0x7F.
        {RuleTextKind::RequestCommand, u"Q\\r\\n", true, u"Q\r\n"},
        {RuleTextKind::RequestCommand, u"\\x1bP", true, u"\x1BP"},
        {RuleTextKind::RequestCommand, u"S{HH}\\x7F", true, u"S{HH}\x7F"},
        {RuleTextKind::RequestCommand, u"\\x00SI", true, std::u16string_view(u"\0SI", 3)},
        {RuleTextKind::RequestCommand, u"\\x80", false, u""},
        {RuleTextKind::RequestCommand, u"\u00E9", false, u""},
        {RuleTextKind::RequestCommand, u"\\r\\", false, u""},
    };
    for (const auto& c : cases) {
        if (c.kind == RuleTextKind::RequestCommand) {
            std::string bytes = "left";
            EXPECT_EQ(ExpandRequestCommand(c.stored, nullptr), c.valid) << fakes::Narrow(std::u16string(c.stored));
            EXPECT_EQ(ExpandRequestCommand(c.stored, &bytes), c.valid);
            if (c.valid) EXPECT_EQ(std::u16string(bytes.begin(), bytes.end()), c.expanded);
            continue;
        }
        ExpandedRuleText expanded;
        EXPECT_EQ(ExpandRuleText(c.stored, c.kind, &expanded), c.valid) << fakes::Narrow(std::u16string(c.stored));
        if (c.valid) EXPECT_EQ(expanded.Text, c.expanded);
    }
}

}  // namespace
}  // namespace tellurin
