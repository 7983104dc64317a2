// Reading the editing rules' texts and numbers; see edit_rules.h. One reader
// serves the store (which only checks) and the editing step (which expands),
// so a text the store accepts always means the same thing when typed.
#include "common/edit_rules.h"

namespace tellurin {
namespace {

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

int HexDigit(char16_t unit) {
    if (unit >= u'0' && unit <= u'9') return unit - u'0';
    if (unit >= u'A' && unit <= u'F') return unit - u'A' + 10;
    if (unit >= u'a' && unit <= u'f') return unit - u'a' + 10;
    return -1;
}

struct TimeFieldName {
    std::u16string_view Name;
    TimeField Field;
};
constexpr TimeFieldName kTimeFieldNames[] = {
    {u"{yyyy}", TimeField::Year}, {u"{yy}", TimeField::YearOfCentury}, {u"{MM}", TimeField::Month},
    {u"{dd}", TimeField::Day},    {u"{HH}", TimeField::Hour},          {u"{mm}", TimeField::Minute},
    {u"{ss}", TimeField::Second}};

}  // namespace

bool ExpandRuleText(std::u16string_view stored, RuleTextKind kind, ExpandedRuleText* expanded) {
    if (expanded != nullptr) {
        expanded->Text.clear();
        expanded->TimeFields.clear();
    }
    const auto append = [expanded](char16_t unit) {
        if (expanded != nullptr) expanded->Text += unit;
    };
    std::size_t characters = 0;
    std::size_t index = 0;
    while (index < stored.size()) {
        const char16_t unit = stored[index];
        if (IsLowSurrogate(unit)) return false;
        if (IsHighSurrogate(unit)) {
            if (index + 1 == stored.size() || !IsLowSurrogate(stored[index + 1])) return false;
            append(unit);
            append(stored[index + 1]);
            index += 2;
            ++characters;
            continue;
        }
        if (unit == u'\\') {
            if (index + 1 == stored.size()) return false;
            const char16_t escape = stored[index + 1];
            std::size_t length = 2;
            if (escape == u't') append(u'\t');
            else if (escape == u'r') append(u'\r');
            else if (escape == u'n') append(u'\n');
            else if (escape == u'\\') append(u'\\');
            else if (escape == u'x' && index + 3 < stored.size() && HexDigit(stored[index + 2]) >= 0 &&
                     HexDigit(stored[index + 3]) >= 0) {
                append(static_cast<char16_t>(HexDigit(stored[index + 2]) * 16 + HexDigit(stored[index + 3])));
                length = 4;
            } else {
                return false;
            }
            index += length;
            characters += length;
            continue;
        }
        if (unit == u'{' && kind == RuleTextKind::Affix) {
            const std::u16string_view rest = stored.substr(index);
            std::size_t length = 0;
            if (rest.starts_with(u"{{")) {
                append(u'{');
                length = 2;
            }
            for (const TimeFieldName& name : kTimeFieldNames) {
                if (length != 0 || !rest.starts_with(name.Name)) continue;
                if (expanded != nullptr)
                    expanded->TimeFields.push_back(
                        TimeFieldAt{static_cast<std::uint32_t>(expanded->Text.size()), name.Field});
                length = name.Name.size();
            }
            if (length == 0) return false;
            index += length;
            characters += length;
            continue;
        }
        append(unit);
        ++index;
        ++characters;
    }
    return characters <= RuleTextCharacterLimit(kind);
}

std::uint16_t ParseEditNumber(std::u16string_view text) {
    if (text.empty()) return kInvalidEditNumber;
    std::uint32_t value = 0;
    for (const char16_t unit : text) {
        if (unit < u'0' || unit > u'9') return kInvalidEditNumber;
        value = value * 10 + static_cast<std::uint32_t>(unit - u'0');
        if (value > kEditNumberLimit) return kInvalidEditNumber;
    }
    return static_cast<std::uint16_t>(value);
}

}  // namespace tellurin
