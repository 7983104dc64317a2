// The data-editing page's decisions; see edit_page.h.
#include "settings/dialog/edit_page.h"

namespace tellurin {

namespace {

constexpr int kNumberBoxCount = 6;
constexpr int kFindBoxFirst = 6;
constexpr int kWithBoxFirst = 14;
constexpr int kSeparatorBox = 22;
constexpr int kPrefixBox = 23;
constexpr int kSuffixBox = 24;

std::uint16_t* NumberField(EditRules& rules, int index) {
    std::uint16_t* const numbers[kNumberBoxCount] = {&rules.LengthMin, &rules.LengthMax,    &rules.CutHead,
                                                     &rules.CutTail,   &rules.ExtractStart, &rules.ExtractLength};
    return numbers[index];
}

// The text field of a box past the numbers, and its units.
struct TextField {
    char16_t* Units;
    std::size_t Size;
};
template <std::size_t Size>
TextField Field(char16_t (&units)[Size]) {
    return TextField{units, Size};
}
TextField TextFieldOf(EditRules& rules, int index) {
    if (index < kWithBoxFirst) return Field(rules.Find[index - kFindBoxFirst]);
    if (index < kSeparatorBox) return Field(rules.With[index - kWithBoxFirst]);
    if (index == kSeparatorBox) return Field(rules.FieldSeparator);
    return Field(index == kPrefixBox ? rules.Prefix : rules.Suffix);
}
std::u16string_view Stored(const TextField& field) {
    std::size_t length = 0;
    while (length < field.Size && field.Units[length] != u'\0') ++length;
    return std::u16string_view(field.Units, length);
}

RuleTextKind TextKind(RuleBoxKind kind) {
    switch (kind) {
        case RuleBoxKind::Find: return RuleTextKind::Find;
        case RuleBoxKind::With: return RuleTextKind::With;
        case RuleBoxKind::FieldSeparator: return RuleTextKind::FieldSeparator;
        default: return RuleTextKind::Affix;
    }
}

char16_t HexDigit(unsigned value) { return static_cast<char16_t>(value < 10 ? u'0' + value : u'A' + value - 10); }
int HexValue(char16_t unit) {
    if (unit >= u'0' && unit <= u'9') return unit - u'0';
    if (unit >= u'A' && unit <= u'F') return unit - u'A' + 10;
    if (unit >= u'a' && unit <= u'f') return unit - u'a' + 10;
    return -1;
}

void AppendKey(std::u16string& shown, KeyChord chord) {
    shown += u'[';
    shown += ChordName(chord);
    shown += u']';
}

// The key bytes the receiver skips: 0 (no key) and 0xFF (no key in the layout).
bool NamesKey(KeyChord chord) {
    const auto key = static_cast<std::uint8_t>(chord & kChordKeyMask);
    return key != 0x00 && key != 0xFF;
}

}  // namespace

const void* RuleBoxField(const EditRules& rules, int index) {
    EditRules& fields = const_cast<EditRules&>(rules);  // only the address is taken
    if (index < kNumberBoxCount) return NumberField(fields, index);
    return TextFieldOf(fields, index).Units;
}

int RuleBoxIndex(int id) {
    for (int index = 0; index < kRuleBoxCount; ++index)
        if (kRuleBoxes[index].Id == id) return index;
    return -1;
}

std::u16string RuleBoxText(const EditRules& rules, int index) {
    EditRules record = rules;
    if (index < kNumberBoxCount) {
        std::u16string digits;
        unsigned number = *NumberField(record, index);
        do digits.insert(digits.begin(), static_cast<char16_t>(u'0' + number % 10));
        while ((number /= 10) != 0);
        return digits;
    }
    return std::u16string(Stored(TextFieldOf(record, index)));
}

void BeginEditPage(EditPageState& page, const EditRules& rules) {
    for (int index = 0; index < kRuleBoxCount; ++index) page.Typed[index] = RuleBoxText(rules, index);
    page.Invalid = 0;
    page.Sample.clear();
    page.Opened = false;
}

void OpenEditPage(EditPageState& page, std::u16string_view lastFrame) {
    if (page.Opened) return;
    page.Sample = EscapeSample(lastFrame);
    page.Opened = true;
}

bool TypeRule(EditPageState& page, WorkingSettings& working, int index, std::u16string_view text) {
    if (index < 0 || index >= kRuleBoxCount || page.Typed[index] == text) return false;
    page.Typed[index] = std::u16string(text);
    const std::uint32_t bit = 1u << index;
    const RuleBoxKind kind = kRuleBoxes[index].Kind;
    bool valid;
    bool differs;
    if (kind == RuleBoxKind::Number) {
        const std::uint16_t number = ParseEditNumber(text);
        valid = number != kInvalidEditNumber;
        differs = number != *NumberField(working.Edit, index);  // an invalid one is never stored
        if (valid) *NumberField(working.Edit, index) = number;
    } else {
        const TextField field = TextFieldOf(working.Edit, index);
        // A valid text always fits its field; the size is checked all the same.
        valid = IsValidRuleText(text, TextKind(kind)) && text.size() < field.Size;
        differs = Stored(field) != text;
        if (valid) {
            std::size_t unit = 0;
            for (; unit < text.size(); ++unit) field.Units[unit] = text[unit];
            for (; unit < field.Size; ++unit) field.Units[unit] = u'\0';
        }
    }
    page.Invalid = valid ? page.Invalid & ~bit : page.Invalid | bit;
    if (differs) working.EditChanged = true;
    return true;
}

bool EditRulesValid(const EditPageState& page) { return page.Invalid == 0; }

std::u16string InvalidRuleNote(const EditPageState& page) {
    for (int index = 0; index < kRuleBoxCount; ++index) {
        if ((page.Invalid & (1u << index)) == 0) continue;
        const std::u16string name = std::u16string(u"「") + kRuleBoxes[index].Name + u"」";
        return kRuleBoxes[index].Kind == RuleBoxKind::Number ? name + u"は 0～1023 の数にしてください（適用できません）"
                                                             : name + u"の書き方が正しくありません（適用できません）";
    }
    return u"";
}

std::u16string EscapeSample(std::u16string_view frame) {
    std::u16string escaped;
    for (const char16_t unit : frame) {
        switch (unit) {
            case u'\\': escaped += u"\\\\"; break;
            case u'\t': escaped += u"\\t"; break;
            case u'\r': escaped += u"\\r"; break;
            case u'\n': escaped += u"\\n"; break;
            default:
                if (unit < 0x20 || (unit >= 0x7F && unit <= 0x9F)) {
                    escaped += u"\\x";
                    escaped += HexDigit(unit >> 4);
                    escaped += HexDigit(unit & 0xF);
                } else {
                    escaped += unit;
                }
        }
    }
    return escaped;
}

std::u16string ExpandSample(std::u16string_view sample) {
    std::u16string text;
    for (std::size_t index = 0; index < sample.size(); ++index) {
        const char16_t unit = sample[index];
        const char16_t next = index + 1 < sample.size() ? sample[index + 1] : u'\0';
        if (unit != u'\\') {
            text += unit;
        } else if (next == u'\\' || next == u't' || next == u'r' || next == u'n') {
            text += next == u't' ? u'\t' : next == u'r' ? u'\r' : next == u'n' ? u'\n' : u'\\';
            ++index;
        } else if (next == u'x' && index + 3 < sample.size() && HexValue(sample[index + 2]) >= 0 &&
                   HexValue(sample[index + 3]) >= 0) {
            text += static_cast<char16_t>(HexValue(sample[index + 2]) * 16 + HexValue(sample[index + 3]));
            index += 3;
        } else {
            text += unit;
        }
    }
    return text;
}

std::u16string ChordName(KeyChord chord) {
    std::u16string name;
    if (chord & kChordShift) name += u"Shift+";
    if (chord & kChordCtrl) name += u"Ctrl+";
    if (chord & kChordAlt) name += u"Alt+";
    const KeyChordView view = ShowKeyChord(chord);
    if (view.ListIndex != 0) return name + KeyTable[view.ListIndex].Text;
    // A key outside the list, as its code.
    const unsigned key = chord & kChordKeyMask;
    return name + u"キー" + HexDigit(key >> 4) + HexDigit(key & 0xF);
}

std::u16string PreviewText(const EditPageState& page, const WorkingSettings& working, Clock& clock) {
    if (!EditRulesValid(page)) return u"";
    EditedFrame edited;
    EditFrame(ExpandSample(page.Sample), working.Edit, clock, edited);
    if (edited.BadLength) return u"（桁数が設定と違うため、入力されません）";
    const FunctionSettings& function = working.Function;
    std::u16string shown;
    if (NamesKey(function.HeadKey)) AppendKey(shown, function.HeadKey);
    std::size_t copied = 0;
    for (const PlacedKey& key : edited.Typed.Keys) {
        shown.append(edited.Typed.Text, copied, key.Position - copied);
        copied = key.Position;
        AppendKey(shown, key.Chord);
    }
    shown.append(edited.Typed.Text, copied);
    // As the receiver types them: a first terminator of key 0 means none at
    // all; 0xFF skips only the first.
    if ((function.TermKey1 & kChordKeyMask) == 0) return shown;
    if (NamesKey(function.TermKey1)) AppendKey(shown, function.TermKey1);
    if (NamesKey(function.TermKey2)) AppendKey(shown, function.TermKey2);
    return shown;
}

}  // namespace tellurin
