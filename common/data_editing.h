// The editing step between decoding a frame and typing it: the length check
// on the frame as received, then the cuts, the extraction, the replacements
// Find1..Find8 in order, the split into fields and the prefix and suffix. It
// decides what to type and types nothing; the local time comes through a
// clock, so the same rules always give the same result for the same instant.
//
// Keys never come from the data. The result is text with keys placed between
// its characters, and the only keys are the ones a rule writes: FieldKey for
// each separator, and Tab or Enter where WithN, Prefix or Suffix has a tab, or
// a CR, LF or CR LF. A key is not text: no later Find or separator matches
// across it. Control characters that no rule turned into a key, from the
// data or from a rule, are dropped at the end (the ones typing leaves out:
// U+0000-001F and U+007F-009F). Characters are counted as the user sees them:
// a surrogate pair is one character and no cut splits one.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/edit_rules.h"
#include "common/settings_records.h"

namespace tellurin {

constexpr KeyChord kTabKeyChord = 0x0009;    // VK_TAB
constexpr KeyChord kEnterKeyChord = 0x000D;  // VK_RETURN

// GetLocalTime's fields that the time fields show.
struct LocalTime {
    std::uint16_t Year;
    std::uint16_t Month;
    std::uint16_t Day;
    std::uint16_t Hour;
    std::uint16_t Minute;
    std::uint16_t Second;
};

struct Clock {
    virtual ~Clock() = default;
    virtual LocalTime Now() = 0;
};

// A key typed before Text[Position]; at Text.size(), after the last character.
// Keys at one position are typed in their order.
struct PlacedKey {
    std::uint32_t Position;
    KeyChord Chord;
};

struct KeyedText {
    std::u16string Text;
    std::vector<PlacedKey> Keys;  // in the order typed, Position never decreasing
};

// What the step gives: nothing to type when the frame failed the length
// check; else Text (no control characters left in it) with Keys between its
// characters. Empty text and no keys when the cuts left nothing and no rule
// adds anything.
struct EditedFrame {
    bool BadLength;
    KeyedText Typed;
};

// A part of Prefix or Suffix as it is typed: text, a key, or a time field.
struct AffixPart {
    enum class Kind : std::uint8_t { Text, Key, Time };
    Kind PartKind;
    std::u16string Text;
    KeyChord Chord;
    TimeField Field;
};

// The rules read once, ready for every frame.
struct EditPlan {
    std::uint16_t LengthMin;
    std::uint16_t LengthMax;
    std::uint16_t CutHead;
    std::uint16_t CutTail;
    std::uint16_t ExtractStart;
    std::uint16_t ExtractLength;
    std::array<std::u16string, kReplacementCount> Find;
    std::array<KeyedText, kReplacementCount> With;
    std::u16string FieldSeparator;
    KeyedText FieldKeyText;  // what replaces a separator: FieldKey alone, or nothing for key 0
    std::vector<AffixPart> Prefix;
    std::vector<AffixPart> Suffix;
    bool UsesTime;
};

// Reads the rules into a plan. A value that is not valid (which the store
// never gives) is read as its default; false when any was.
bool PrepareEditing(const EditRules& rules, EditPlan& plan);

// The step for one frame: its decoded text, control characters still in it.
// The result replaces what edited held; the clock is read at most once.
void EditFrame(std::u16string_view frameText, const EditPlan& plan, Clock& clock, EditedFrame& edited);

// Both in one call, for a preview.
void EditFrame(std::u16string_view frameText, const EditRules& rules, Clock& clock, EditedFrame& edited);

}  // namespace tellurin
