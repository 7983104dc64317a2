// Port opening; see port_opening.h. Every failure after the open closes the
// port before anything is shown or returned, so no half-configured handle
// reaches the caller.
#include "settings/store/port_opening.h"

#include "common/settings_text.h"

namespace tellurin {
namespace {

constexpr std::uint32_t kLargestInputQueue = 16384;
constexpr std::uint32_t kLargestOutputQueue = 256;
constexpr std::size_t kMessageUnits = 128;  // the message buffer, terminator included

constexpr const char16_t* kQuestion = u"\n\n\u3000設定を変更しますか？";
// Setting names of codes 102..106.
constexpr const char16_t* kSettingNames[] = {u"ボーレート", u"データビット", u"ストップビット", u"パリティ",
                                             u"フロー制御"};

struct BaudRateEntry {
    std::uint32_t Rate;
    std::uint32_t Capability;
};
// In the order of kBaudRateTexts.
constexpr BaudRateEntry kBaudRates[kBaudRateCount] = {
    {110, kBaud110},     {300, kBaud300},     {600, kBaud600},     {1200, kBaud1200},
    {2400, kBaud2400},   {4800, kBaud4800},   {9600, kBaud9600},   {19200, kBaud19200},
    {38400, kBaud38400}, {57600, kBaud57600}, {115200, kBaud115200}};

const BaudRateEntry* FindBaudRate(const char16_t (&field)[kSettingsTextUnits]) {
    const std::u16string text = SettingsText(field);
    for (std::size_t index = 0; index < kBaudRateCount; ++index)
        if (text == kBaudRateTexts[index]) return &kBaudRates[index];
    return nullptr;
}

bool ApplyBaudRate(const char16_t (&field)[kSettingsTextUnits], const CommProperties& properties,
                   DeviceControlBlock& state) {
    const BaudRateEntry* entry = FindBaudRate(field);
    if (entry != nullptr && (properties.dwSettableBaud & entry->Capability) != 0) {
        state.BaudRate = entry->Rate;
        return true;
    }
    if ((properties.dwMaxBaud & kBaudUser) == 0) return false;
    // A port that takes any rate is run at the rate asked for; only a text
    // that names no rate falls back to the fastest listed one.
    state.BaudRate = entry != nullptr ? entry->Rate : 115200;
    return true;
}

bool ApplyDataBits(char16_t dataBit, const CommProperties& properties, DeviceControlBlock& state) {
    if (dataBit == u'7' && (properties.wSettableData & kDataBits7) != 0) state.ByteSize = 7;
    else if (dataBit == u'8' && (properties.wSettableData & kDataBits8) != 0) state.ByteSize = 8;
    else return false;
    return true;
}

bool ApplyStopBits(char16_t stopBit, const CommProperties& properties, DeviceControlBlock& state) {
    if (stopBit == u'1' && (properties.wSettableStopParity & kStopBits10) != 0) state.StopBits = kOneStopBit;
    else if (stopBit == u'2' && (properties.wSettableStopParity & kStopBits20) != 0) state.StopBits = kTwoStopBits;
    else return false;
    return true;
}

bool ApplyParity(char16_t parity, const CommProperties& properties, DeviceControlBlock& state) {
    if (parity == u'E' && (properties.wSettableStopParity & kParityEven) != 0) state.Parity = kEvenParity;
    else if (parity == u'N' && (properties.wSettableStopParity & kParityNone) != 0) state.Parity = kNoParity;
    else if (parity == u'O' && (properties.wSettableStopParity & kParityOdd) != 0) state.Parity = kOddParity;
    else return false;
    return true;
}

bool ApplyFlowControl(char16_t flowControl, const CommProperties& properties, DeviceControlBlock& state) {
    if (flowControl == u'N') {
        state.fInX = 0;
        state.fRtsControl = kRtsControlEnable;
    } else if (flowControl == u'R' && (properties.dwProvCapabilities & kCapabilityRtsCts) != 0) {
        state.fInX = 0;
        state.fRtsControl = kRtsControlHandshake;
    } else if (flowControl == u'X' && (properties.dwProvCapabilities & kCapabilityXonXoff) != 0) {
        state.fInX = 1;
        state.fRtsControl = kRtsControlEnable;
    } else {
        return false;
    }
    return true;
}

// The same in every configuration; fOutxDsrFlow, EofChar and EvtChar keep the
// port's values.
void ApplyFixedSettings(std::uint16_t flowLimit, DeviceControlBlock& state) {
    state.fBinary = 1;
    state.fOutxCtsFlow = 1;
    state.fDtrControl = kDtrControlEnable;
    state.fDsrSensitivity = 0;
    state.fTXContinueOnXoff = 1;
    state.fOutX = 0;
    state.fErrorChar = 0;
    state.fNull = 1;  // received NUL bytes are discarded by the driver
    state.fAbortOnError = 0;
    state.wReserved = 0;
    state.XonLim = flowLimit;
    state.XoffLim = flowLimit;
    state.XonChar = 0x11;
    state.XoffChar = 0x13;
    state.ErrorChar = 0;
}

}  // namespace

QueueSizes PlanQueueSizes(const CommProperties& properties) {
    const std::uint32_t input = properties.dwMaxRxQueue > 0 && properties.dwMaxRxQueue < kLargestInputQueue
                                    ? properties.dwMaxRxQueue
                                    : kLargestInputQueue;
    const std::uint32_t output = properties.dwMaxTxQueue > 0 && properties.dwMaxTxQueue < kLargestOutputQueue
                                     ? properties.dwMaxTxQueue
                                     : kLargestOutputQueue;
    return QueueSizes{input, output};
}

std::uint16_t FlowLimitFor(const CommProperties& properties) {
    if (properties.dwCurrentRxQueue <= kLargestInputQueue)
        return static_cast<std::uint16_t>(properties.dwCurrentRxQueue / 8);
    return 2048;
}

std::int32_t ConfigureLineState(const CommunicationSettings& settings, const CommProperties& properties,
                                std::uint16_t flowLimit, DeviceControlBlock& state) {
    const std::uint32_t settable = properties.dwSettableParams;
    if ((settable & kSettableBaud) != 0 && !ApplyBaudRate(settings.BaudRate, properties, state)) return PortErrorBaudRate;
    if ((settable & kSettableDataBits) != 0 && !ApplyDataBits(settings.DataBit, properties, state))
        return PortErrorDataBit;
    if ((settable & kSettableStopBits) != 0 && !ApplyStopBits(settings.StopBit, properties, state))
        return PortErrorStopBit;
    if ((settable & kSettableParity) != 0 && !ApplyParity(settings.Parity, properties, state)) return PortErrorParity;
    if ((settable & kSettableParityCheck) != 0) state.fParity = 1;
    if ((settable & kSettableHandshaking) != 0 && !ApplyFlowControl(settings.FlowControl, properties, state))
        return PortErrorFlowControl;
    ApplyFixedSettings(flowLimit, state);
    return 0;
}

std::u16string PortErrorText(const char16_t* portName, std::int32_t code) {
    std::u16string text;
    if (code == PortErrorOpen) {
        text = u"シリアルポート " + std::u16string(portName) + u" が取得できません。" + kQuestion;
    } else {
        const std::int32_t index = code - PortErrorBaudRate;
        const char16_t* name = index >= 0 && index < 5 ? kSettingNames[index] : u"";
        text = u"［通信設定－" + std::u16string(name) + u"］の設定値が使用できません。" + kQuestion;
    }
    if (text.size() > kMessageUnits - 1) text.resize(kMessageUnits - 1);
    return text;
}

std::int32_t ShowPortError(const char16_t* portName, std::int32_t code, PortErrorQuestion& question) {
    return question.AskYesNo(PortErrorText(portName, code)) ? kAnswerOpenSettings : kAnswerQuit;
}

std::int32_t OpenConfiguredPort(const CommunicationSettings& settings, SerialPortDevice& device,
                                PortErrorQuestion& question) {
    const std::u16string portName = SettingsText(settings.CommPort);
    const std::u16string devicePath = PortDevicePath(settings);
    const auto fail = [&](std::int32_t code) {
        device.Close();
        return ShowPortError(portName.c_str(), code, question);
    };

    if (!device.Open(devicePath.c_str())) return ShowPortError(portName.c_str(), PortErrorOpen, question);
    device.EscapeFunction(kClearRts);  // RTS stays low while the port is set up

    // A port that cannot describe itself, or its line state, cannot be
    // configured safely: it is reported as a port that cannot be obtained.
    CommProperties properties{};
    if (!device.GetProperties(properties)) return fail(PortErrorOpen);
    const QueueSizes queues = PlanQueueSizes(properties);
    device.SetupQueues(queues.Input, queues.Output);
    properties = CommProperties{};
    if (!device.GetProperties(properties)) return fail(PortErrorOpen);
    const std::uint16_t flowLimit = FlowLimitFor(properties);

    // Reads return at once with what has arrived; writes have no total time-out.
    if (!device.SetTimeouts(CommTimeoutSettings{kMaxDword, 0, 0, 0, 0})) {
        device.Close();
        return kPortTimeoutsRefused;
    }

    DeviceControlBlock state{};
    if (!device.GetState(state)) return fail(PortErrorOpen);
    const std::int32_t failure = ConfigureLineState(settings, properties, flowLimit, state);
    if (failure != 0) return fail(failure);
    if (!device.SetState(state)) return fail(PortErrorOpen);

    device.EscapeFunction(kSetRts);
    return kPortOpened;
}

}  // namespace tellurin
