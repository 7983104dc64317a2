// Reading the device's values; see device_settings.h. The command is read by
// the editing texts' own reader, so an escape means the same on the port as
// in a typed frame.
#include "common/device_settings.h"

#include "common/edit_rules.h"

namespace tellurin {

bool ParseMilliseconds(std::u16string_view text, const MillisecondRange& range, std::uint32_t* value) {
    if (text.empty()) return false;
    std::uint32_t number = 0;
    for (const char16_t unit : text) {
        if (unit < u'0' || unit > u'9') return false;
        number = number * 10 + static_cast<std::uint32_t>(unit - u'0');
        if (number > range.Max) return false;  // before it could overflow
    }
    if (number < range.Min && !(number == 0 && range.ZeroAllowed)) return false;
    if (value != nullptr) *value = number;
    return true;
}

bool ExpandRequestCommand(std::u16string_view stored, std::string* bytes) {
    ExpandedRuleText expanded;
    if (!ExpandRuleText(stored, RuleTextKind::RequestCommand, &expanded)) return false;
    if (expanded.Text.size() > kRequestCommandBytes) return false;
    for (const char16_t unit : expanded.Text)
        if (unit >= 0x80) return false;
    if (bytes != nullptr) bytes->assign(expanded.Text.begin(), expanded.Text.end());
    return true;
}

}  // namespace tellurin
