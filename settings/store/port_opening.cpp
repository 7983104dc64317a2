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
    {110, BAUD_110},     {300, BAUD_300},     {600, BAUD_600},     {1200, BAUD_1200},
    {2400, BAUD_2400},   {4800, BAUD_4800},   {9600, BAUD_9600},   {19200, BAUD_19200},
    {38400, BAUD_38400}, {57600, BAUD_57600}, {115200, BAUD_115200}};

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
    if ((properties.dwMaxBaud & BAUD_USER) == 0) return false;
    // A port that takes any rate is run at the rate asked for; only a text
    // that names no rate falls back to the fastest listed one.
    state.BaudRate = entry != nullptr ? entry->Rate : 115200;
    return true;
}

bool ApplyDataBits(char16_t dataBit, const CommProperties& properties, DeviceControlBlock& state) {
    if (dataBit == u'7' && (properties.wSettableData & DATABITS_7) != 0) state.ByteSize = 7;
    else if (dataBit == u'8' && (properties.wSettableData & DATABITS_8) != 0) state.ByteSize = 8;
    else return false;
    return true;
}

bool ApplyStopBits(char16_t stopBit, const CommProperties& properties, DeviceControlBlock& state) {
    if (stopBit == u'1' && (properties.wSettableStopParity & STOPBITS_10) != 0) state.StopBits = ONESTOPBIT;
    else if (stopBit == u'2' && (properties.wSettableStopParity & STOPBITS_20) != 0) state.StopBits = TWOSTOPBITS;
    else return false;
    return true;
}

bool ApplyParity(char16_t parity, const CommProperties& properties, DeviceControlBlock& state) {
    if (parity == u'E' && (properties.wSettableStopParity & PARITY_EVEN) != 0) state.Parity = EVENPARITY;
    else if (parity == u'N' && (properties.wSettableStopParity & PARITY_NONE) != 0) state.Parity = NOPARITY;
    else if (parity == u'O' && (properties.wSettableStopParity & PARITY_ODD) != 0) state.Parity = ODDPARITY;
    else return false;
    return true;
}

bool ApplyFlowControl(char16_t flowControl, const CommProperties& properties, DeviceControlBlock& state) {
    if (flowControl == u'N') {
        state.fInX = 0;
        state.fRtsControl = RTS_CONTROL_ENABLE;
    } else if (flowControl == u'R' && (properties.dwProvCapabilities & PCF_RTSCTS) != 0) {
        state.fInX = 0;
        state.fRtsControl = RTS_CONTROL_HANDSHAKE;
    } else if (flowControl == u'X' && (properties.dwProvCapabilities & PCF_XONXOFF) != 0) {
        state.fInX = 1;
        state.fRtsControl = RTS_CONTROL_ENABLE;
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
    state.fDtrControl = DTR_CONTROL_ENABLE;
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
    if ((settable & SP_BAUD) != 0 && !ApplyBaudRate(settings.BaudRate, properties, state)) return PortErrorBaudRate;
    if ((settable & SP_DATABITS) != 0 && !ApplyDataBits(settings.DataBit, properties, state))
        return PortErrorDataBit;
    if ((settable & SP_STOPBITS) != 0 && !ApplyStopBits(settings.StopBit, properties, state))
        return PortErrorStopBit;
    if ((settable & SP_PARITY) != 0 && !ApplyParity(settings.Parity, properties, state)) return PortErrorParity;
    if ((settable & SP_PARITY_CHECK) != 0) state.fParity = 1;
    if ((settable & SP_HANDSHAKING) != 0 && !ApplyFlowControl(settings.FlowControl, properties, state))
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
    device.EscapeFunction(CLRRTS);  // RTS stays low while the port is set up

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
    if (!device.SetTimeouts(CommTimeoutSettings{MAXDWORD, 0, 0, 0, 0})) {
        device.Close();
        return kPortTimeoutsRefused;
    }

    DeviceControlBlock state{};
    if (!device.GetState(state)) return fail(PortErrorOpen);
    const std::int32_t failure = ConfigureLineState(settings, properties, flowLimit, state);
    if (failure != 0) return fail(failure);
    if (!device.SetState(state)) return fail(PortErrorOpen);

    device.EscapeFunction(SETRTS);
    return kPortOpened;
}

}  // namespace tellurin
