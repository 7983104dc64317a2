// The data-editing page's decisions: its table of rule boxes, what a box's
// text does to the rules (a valid value is taken, an invalid one is kept as
// typed and stops saving until it is corrected), the note naming the first
// invalid box, the field key's group, and the preview: the sample frame,
// written with the rules' escapes, edited with the rules as they stand and
// shown with each key in brackets.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/data_editing.h"
#include "settings/dialog/function_page.h"
#include "settings/store/settings_store.h"

namespace tellurin {

// A box holds a number 0..1023 or a rule text of its kind.
enum class RuleBoxKind : std::uint8_t { Number, Find, With, FieldSeparator, Affix };

struct RuleBox {
    int Id;
    const char16_t* Name;  // as the note names it
    RuleBoxKind Kind;
};

constexpr int kRuleBoxCount = 25;
// LengthMin .. ExtractLength, Find1..8, With1..8, FieldSeparator, Prefix, Suffix.
inline constexpr RuleBox kRuleBoxes[kRuleBoxCount] = {
    {1035, u"最小桁数", RuleBoxKind::Number},      {1036, u"最大桁数", RuleBoxKind::Number},
    {1037, u"先頭削除", RuleBoxKind::Number},      {1038, u"末尾削除", RuleBoxKind::Number},
    {1039, u"抽出位置", RuleBoxKind::Number},      {1040, u"抽出桁数", RuleBoxKind::Number},
    {1041, u"検索1", RuleBoxKind::Find},           {1042, u"検索2", RuleBoxKind::Find},
    {1043, u"検索3", RuleBoxKind::Find},           {1044, u"検索4", RuleBoxKind::Find},
    {1045, u"検索5", RuleBoxKind::Find},           {1046, u"検索6", RuleBoxKind::Find},
    {1047, u"検索7", RuleBoxKind::Find},           {1048, u"検索8", RuleBoxKind::Find},
    {1049, u"置換後1", RuleBoxKind::With},         {1050, u"置換後2", RuleBoxKind::With},
    {1051, u"置換後3", RuleBoxKind::With},         {1052, u"置換後4", RuleBoxKind::With},
    {1053, u"置換後5", RuleBoxKind::With},         {1054, u"置換後6", RuleBoxKind::With},
    {1055, u"置換後7", RuleBoxKind::With},         {1056, u"置換後8", RuleBoxKind::With},
    {1057, u"区切り文字", RuleBoxKind::FieldSeparator},
    {1062, u"先頭に付加", RuleBoxKind::Affix},     {1063, u"末尾に付加", RuleBoxKind::Affix},
};
constexpr KeyGroup kFieldKeyGroup{1058, 1059, 1060, 1061};
constexpr int kSampleBoxId = 1064;
constexpr int kPreviewBoxId = 1065;
constexpr int kRuleNoteId = 1066;

// The box of an id, or -1.
int RuleBoxIndex(int id);
// The field of the rules that box `index` shows.
const void* RuleBoxField(const EditRules& rules, int index);

// The page's own state for one run of the dialog: each box as the user left
// it (kept across page switches, invalid or not), which are invalid, and the
// sample as typed.
struct EditPageState {
    std::array<std::u16string, kRuleBoxCount> Typed;
    std::uint32_t Invalid;  // bit n: kRuleBoxes[n] does not hold a valid value
    std::u16string Sample;
    bool Opened;  // the page has been shown in this run
};

// A new run: the boxes show the rules (numbers in decimal), all valid, and
// the sample is empty until the page is first shown.
void BeginEditPage(EditPageState& page, const EditRules& rules);
// The page is shown: the first time in a run, the sample becomes the last
// frame received (escaped; empty when none has come); later it stays as the
// user left it.
void OpenEditPage(EditPageState& page, std::u16string_view lastFrame);

// The text of box `index` for the rules.
std::u16string RuleBoxText(const EditRules& rules, int index);

// The user changed box `index` to text: a valid value is put into the rules
// (EditChanged when it differs), an invalid one leaves the rules as they are
// and marks the box (and EditChanged: the page no longer shows what is
// stored). True when the text differs from what the box held.
bool TypeRule(EditPageState& page, WorkingSettings& working, int index, std::u16string_view text);

bool EditRulesValid(const EditPageState& page);
// The first invalid box's note, empty when every box is valid.
std::u16string InvalidRuleNote(const EditPageState& page);

// The sample box's text: the rules' escapes (\t \r \n \\ \xHH) for its
// control characters and backslashes; and back. Reading back is lenient, as
// the sample is never stored: a backslash that starts no escape is itself.
std::u16string EscapeSample(std::u16string_view frame);
std::u16string ExpandSample(std::u16string_view sample);

// A chord as the key lists show it, with the boxes' modifiers: "Shift+Tab".
std::u16string ChordName(KeyChord chord);

// What typing the sample would give: the head key, the edited text with its
// keys, and the terminators, each key in brackets ("A[Tab]B[Enter]"); a note
// instead when the sample fails the length check; empty while a rule is
// invalid (the note says which).
std::u16string PreviewText(const EditPageState& page, const WorkingSettings& working, Clock& clock);

}  // namespace tellurin
