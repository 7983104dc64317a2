// The communication page's decisions; see communication_page.h.
#include "settings/dialog/communication_page.h"

#include "common/ascii_case.h"
#include "common/settings_text.h"
#include "settings/dialog/digit_choice.h"

namespace tellurin {

const char16_t* const kProtocolTexts[kProtocolCount] = {
    u"無手順  CR", u"無手順  CR,LF", u"無手順  STX/ETX", u"ACK/NAK手順  CR", u"ACK/NAK手順  CR,LF", u"ACK/NAK手順  STX/ETX",
    u"無手順 (受信間隔で区切る)"};

namespace {

// CB_SELECTSTRING: the first entry that begins with the text, without regard to case.
int FirstEntryBeginningWith(const std::u16string& text) {
    for (std::size_t index = 0; index < kBaudRateCount; ++index) {
        const std::u16string_view entry = kBaudRateTexts[index];
        if (text.size() <= entry.size() && EqualIgnoringAsciiCase(entry.substr(0, text.size()), text))
            return static_cast<int>(index);
    }
    return -1;
}

char16_t& GroupField(CommunicationSettings& settings, const RadioGroup& group) {
    if (group.FirstId == kDataBitGroup.FirstId) return settings.DataBit;
    if (group.FirstId == kStopBitGroup.FirstId) return settings.StopBit;
    if (group.FirstId == kParityGroup.FirstId) return settings.Parity;
    return settings.FlowControl;
}

bool Change(WorkingSettings& working) {
    working.CommChanged = true;
    return true;
}

}  // namespace

std::u16string PortName(int number) {
    const std::string digits = std::to_string(number);
    return u"COM" + std::u16string(digits.begin(), digits.end());
}

int CheckedIndexFor(const RadioGroup& group, char16_t value) {
    for (int index = 0; group.Values[index] != u'\0'; ++index)
        if (group.Values[index] == value) return index;
    return -1;
}

CommunicationPageView ShowCommunicationPage(const CommunicationSettings& settings) {
    CommunicationPageView view{};
    const std::u16string port = SettingsText(settings.CommPort);
    view.PortIndex = 0;  // "COM1" when the stored name is none of the list
    for (int number = 1; number <= kPortCount; ++number)
        if (PortName(number) == port) view.PortIndex = number - 1;
    // An empty text "begins" every entry, as the list control would have it.
    view.BaudIndex = FirstEntryBeginningWith(SettingsText(settings.BaudRate));
    view.ProtocolIndex = DigitChoiceIndex(settings.Protocol, kProtocolCount);
    view.DataBitChecked = CheckedIndexFor(kDataBitGroup, settings.DataBit);
    view.StopBitChecked = CheckedIndexFor(kStopBitGroup, settings.StopBit);
    view.ParityChecked = CheckedIndexFor(kParityGroup, settings.Parity);
    view.FlowControlChecked = CheckedIndexFor(kFlowControlGroup, settings.FlowControl);
    return view;
}

bool SelectPort(WorkingSettings& working, int index, const std::u16string& text) {
    if (index < 0 || index >= kPortCount || text.empty() || text.size() >= kSettingsTextUnits) return false;
    if (text == SettingsText(working.Communication.CommPort)) return false;
    SetSettingsText(working.Communication.CommPort, text);
    return Change(working);
}

bool SelectBaudRate(WorkingSettings& working, int index) {
    if (index < 0 || index >= static_cast<int>(kBaudRateCount)) return false;
    if (SettingsText(working.Communication.BaudRate) == kBaudRateTexts[index]) return false;
    SetSettingsText(working.Communication.BaudRate, kBaudRateTexts[index]);
    return Change(working);
}

bool SelectProtocol(WorkingSettings& working, int index) {
    return StoreDigitChoice(working.Communication.Protocol, index, kProtocolCount) && Change(working);
}

bool SelectRadio(WorkingSettings& working, const RadioGroup& group, int checkedIndex) {
    if (checkedIndex < 0) return false;
    char16_t& field = GroupField(working.Communication, group);
    if (field == group.Values[checkedIndex]) return false;
    field = group.Values[checkedIndex];
    return Change(working);
}

}  // namespace tellurin
