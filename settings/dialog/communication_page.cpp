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

std::u16string Decimal(std::uint32_t number) {
    const std::string digits = std::to_string(number);
    return std::u16string(digits.begin(), digits.end());
}

const MillisecondRange& RangeOf(DeviceBoxKind kind) {
    return kind == DeviceBoxKind::FrameGap          ? kFrameGapRange
           : kind == DeviceBoxKind::RequestInterval ? kRequestIntervalRange
                                                    : kRequestTimeoutRange;
}

// The device's number behind a box: FrameGap is 16 bits wide, the others 32.
std::uint32_t NumberOf(const DeviceSettings& device, DeviceBoxKind kind) {
    return kind == DeviceBoxKind::FrameGap          ? device.FrameGap
           : kind == DeviceBoxKind::RequestInterval ? device.RequestInterval
                                                    : device.RequestTimeout;
}
void SetNumber(DeviceSettings& device, DeviceBoxKind kind, std::uint32_t number) {
    if (kind == DeviceBoxKind::FrameGap) device.FrameGap = static_cast<std::uint16_t>(number);
    else if (kind == DeviceBoxKind::RequestInterval) device.RequestInterval = number;
    else device.RequestTimeout = number;
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

int DeviceBoxIndex(int id) {
    for (int index = 0; index < kDeviceBoxCount; ++index)
        if (kDeviceBoxes[index].Id == id) return index;
    return -1;
}

std::u16string DeviceBoxText(const DeviceSettings& device, int index) {
    const DeviceBoxKind kind = kDeviceBoxes[index].Kind;
    if (kind == DeviceBoxKind::RequestCommand) return std::u16string(RuleText(device.RequestCommand));
    return Decimal(NumberOf(device, kind));
}

void BeginCommunicationPage(CommunicationPageState& page, const DeviceSettings& device) {
    for (int index = 0; index < kDeviceBoxCount; ++index) page.Typed[index] = DeviceBoxText(device, index);
    page.Invalid = 0;
    page.AppliedHotKey = device.RequestHotKey;
    page.HotKeyHeld = false;
}

bool TypeDeviceValue(CommunicationPageState& page, WorkingSettings& working, int index, std::u16string_view text) {
    if (index < 0 || index >= kDeviceBoxCount || page.Typed[index] == text) return false;
    page.Typed[index] = std::u16string(text);
    const DeviceBoxKind kind = kDeviceBoxes[index].Kind;
    DeviceSettings& device = working.Device;
    bool valid;
    bool differs;
    if (kind == DeviceBoxKind::RequestCommand) {
        valid = ExpandRequestCommand(text, nullptr);
        differs = RuleText(device.RequestCommand) != text;
        if (valid) (void)SetRuleText(device.RequestCommand, text);  // a valid command always fits
    } else {
        std::uint32_t number = 0;
        valid = ParseMilliseconds(text, RangeOf(kind), &number);
        differs = !valid || number != NumberOf(device, kind);  // an invalid one is never stored
        if (valid) SetNumber(device, kind, number);
    }
    const std::uint32_t bit = 1u << index;
    page.Invalid = valid ? page.Invalid & ~bit : page.Invalid | bit;
    if (differs) working.DeviceChanged = true;
    return true;
}

bool DeviceValuesValid(const CommunicationPageState& page) { return page.Invalid == 0; }

bool HotKeyToCheck(CommunicationPageState& page, const DeviceSettings& device) {
    if (device.RequestHotKey == page.AppliedHotKey) return false;
    page.AppliedHotKey = device.RequestHotKey;
    page.HotKeyHeld = false;
    return (device.RequestHotKey & kChordKeyMask) != 0;
}

void HotKeyChecked(CommunicationPageState& page, bool heldElsewhere) { page.HotKeyHeld = heldElsewhere; }

std::u16string CommunicationNote(const CommunicationPageState& page) {
    for (int index = 0; index < kDeviceBoxCount; ++index) {
        if ((page.Invalid & (1u << index)) == 0) continue;
        const std::u16string name = std::u16string(u"「") + kDeviceBoxes[index].Name + u"」";
        const DeviceBoxKind kind = kDeviceBoxes[index].Kind;
        if (kind == DeviceBoxKind::RequestCommand) return name + u"の書き方が正しくありません（適用できません）";
        const MillisecondRange& range = RangeOf(kind);
        return name + u"は " + (range.ZeroAllowed ? u"0 か " : u"") + Decimal(range.Min) + u"～" +
               Decimal(range.Max) + u" の数にしてください（適用できません）";
    }
    if (page.HotKeyHeld) return u"「要求キー」は他のプログラムが使用中です（設定は保存されました）";
    return u"";
}

bool SelectRadio(WorkingSettings& working, const RadioGroup& group, int checkedIndex) {
    if (checkedIndex < 0) return false;
    char16_t& field = GroupField(working.Communication, group);
    if (field == group.Values[checkedIndex]) return false;
    field = group.Values[checkedIndex];
    return Change(working);
}

}  // namespace tellurin
