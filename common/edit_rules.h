// The editing rules: what is done to a frame's text between decoding and
// typing. The record crosses the library boundary, so it says what it is (its
// first field is its own size) and its layout is fixed here as the settings
// records' is: UTF-16 units as char16_t, 16-bit numbers, no padding, the same
// bytes in 32- and 64-bit builds.
//
// The texts are kept as the user writes them, escapes and time fields
// unexpanded: the store holds them so and the dialog shows them so. Their
// limits count the characters of that stored text as the user sees them (a
// surrogate pair is one character), not of what it expands to; each field has
// room for its limit in surrogate pairs and a terminator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/device_settings.h"
#include "common/settings_records.h"

namespace tellurin {

constexpr std::size_t kReplacementCount = 8;  // Find1..Find8 with With1..With8
constexpr std::size_t kReplacementCharacters = 32;
constexpr std::size_t kFieldSeparatorCharacters = 8;
constexpr std::size_t kAffixCharacters = 64;  // Prefix, Suffix

constexpr std::size_t RuleTextUnits(std::size_t characters) { return characters * 2 + 1; }
constexpr std::size_t kReplacementUnits = RuleTextUnits(kReplacementCharacters);          // 65
constexpr std::size_t kFieldSeparatorUnits = RuleTextUnits(kFieldSeparatorCharacters);    // 17
constexpr std::size_t kAffixUnits = RuleTextUnits(kAffixCharacters);                      // 129

// LengthMin, LengthMax, CutHead, CutTail, ExtractStart, ExtractLength: a frame
// holds at most 1023 characters, so no larger number means anything.
constexpr std::uint16_t kEditNumberLimit = 1023;
constexpr std::uint16_t kInvalidEditNumber = 0xFFFF;

struct EditRules {
    std::uint32_t Size;  // sizeof(EditRules); both sides check it before reading
    std::uint16_t LengthMin;      // fewer characters: the frame is bad (0: no check)
    std::uint16_t LengthMax;      // more characters: the frame is bad (0: no check)
    std::uint16_t CutHead;        // characters removed from the start
    std::uint16_t CutTail;        // characters removed from the end
    std::uint16_t ExtractStart;   // 1-based first character kept (0: all)
    std::uint16_t ExtractLength;  // characters kept from there (0: to the end)
    KeyChord FieldKey;            // typed in place of each separator
    char16_t Find[kReplacementCount][kReplacementUnits];  // Find[0] is Find1
    char16_t With[kReplacementCount][kReplacementUnits];  // With[0] is With1
    char16_t FieldSeparator[kFieldSeparatorUnits];
    char16_t Prefix[kAffixUnits];
    char16_t Suffix[kAffixUnits];
};

static_assert(sizeof(EditRules) == 2648, "record crosses the library boundary");
static_assert(alignof(EditRules) == 4, "record crosses the library boundary");
static_assert(offsetof(EditRules, LengthMin) == 4, "record crosses the library boundary");
static_assert(offsetof(EditRules, FieldKey) == 16, "record crosses the library boundary");
static_assert(offsetof(EditRules, Find) == 18, "record crosses the library boundary");
static_assert(offsetof(EditRules, With) == 1058, "record crosses the library boundary");
static_assert(offsetof(EditRules, FieldSeparator) == 2098, "record crosses the library boundary");
static_assert(offsetof(EditRules, Prefix) == 2132, "record crosses the library boundary");
static_assert(offsetof(EditRules, Suffix) == 2390, "record crosses the library boundary");
static_assert(kCurrentRecordLayout.EditSize == sizeof(EditRules) &&
                  SameOffsets(kCurrentRecordLayout.EditOffsets,
                              {offsetof(EditRules, Size), offsetof(EditRules, LengthMin), offsetof(EditRules, LengthMax),
                               offsetof(EditRules, CutHead), offsetof(EditRules, CutTail),
                               offsetof(EditRules, ExtractStart), offsetof(EditRules, ExtractLength),
                               offsetof(EditRules, FieldKey), offsetof(EditRules, Find), offsetof(EditRules, With),
                               offsetof(EditRules, FieldSeparator), offsetof(EditRules, Prefix),
                               offsetof(EditRules, Suffix)}),
              "the editing rules changed: add a layout row with the next interface number");

// Every value at its default: no check, nothing cut or replaced, one field,
// Tab as the field key (typed only when a separator is set). A frame is then
// typed exactly as without the step.
constexpr EditRules kDefaultEditRules = {sizeof(EditRules), 0, 0, 0, 0, 0, 0, 0x0009, {}, {}, {}, {}, {}};

// How a rule text is read. Every text takes the escapes \t \r \n \\ and \xHH;
// Prefix and Suffix also take the time fields and "{{" for a brace, where any
// other brace is text. The device's request command is written the same way
// (common/device_settings.h), without time fields.
enum class RuleTextKind : std::uint8_t {
    Find,
    With,
    FieldSeparator,
    Affix,  // Prefix, Suffix
    RequestCommand,
};

constexpr std::size_t RuleTextCharacterLimit(RuleTextKind kind) {
    return kind == RuleTextKind::FieldSeparator   ? kFieldSeparatorCharacters
           : kind == RuleTextKind::Affix          ? kAffixCharacters
           : kind == RuleTextKind::RequestCommand ? kRequestCommandCharacters
                                                  : kReplacementCharacters;
}

enum class TimeField : std::uint8_t {
    Year,          // {yyyy}
    YearOfCentury, // {yy}
    Month,         // {MM}
    Day,           // {dd}
    Hour,          // {HH}, 00-23
    Minute,        // {mm}
    Second,        // {ss}
};

// A time field in an expanded text: its digits go before Text[Position].
struct TimeFieldAt {
    std::uint32_t Position;
    TimeField Field;
};

// A rule text with its escapes replaced by the characters they name; time
// fields stand apart, at their places in the text.
struct ExpandedRuleText {
    std::u16string Text;
    std::vector<TimeFieldAt> TimeFields;
};

// False for a bad escape (a backslash before anything but t r n \ or x and
// two hex digits, or at the end), an unknown field, half a surrogate pair,
// or more characters than the kind allows. expanded may be null to check only.
[[nodiscard]] bool ExpandRuleText(std::u16string_view stored, RuleTextKind kind, ExpandedRuleText* expanded);
inline bool IsValidRuleText(std::u16string_view stored, RuleTextKind kind) {
    return ExpandRuleText(stored, kind, nullptr);
}

// Decimal digits (leading zeros allowed) to 0..1023; kInvalidEditNumber for an
// empty text, any other character or a larger number.
std::uint16_t ParseEditNumber(std::u16string_view text);

// A text field read within its units, terminated or not.
template <std::size_t Units>
std::u16string_view RuleText(const char16_t (&field)[Units]) {
    std::size_t length = 0;
    while (length < Units && field[length] != u'\0') ++length;
    return std::u16string_view(field, length);
}

// Writes the text terminated and NUL-padded; false, with the field emptied,
// when it does not fit.
template <std::size_t Units>
bool SetRuleText(char16_t (&field)[Units], std::u16string_view text) {
    const bool fits = text.size() < Units;
    std::size_t index = 0;
    for (; fits && index < text.size(); ++index) field[index] = text[index];
    for (; index < Units; ++index) field[index] = u'\0';
    return fits;
}

}  // namespace tellurin
