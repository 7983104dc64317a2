// Opening the serial port: queue sizes, time-outs and the line settings of a
// CommunicationSettings applied as far as the port declares each settable, in
// a fixed order whose first failure is put to the user as a yes/no question.
// The decisions are here; the port and the question are seams.
#pragma once

#include <cstdint>
#include <string>

#include "common/settings_records.h"
#include "settings/store/comm_records.h"

namespace tellurin {

// Results of the port-opening entry besides the failure codes below.
constexpr std::int32_t kPortOpened = 0;
constexpr std::int32_t kPortTimeoutsRefused = 4;
constexpr std::int32_t kAnswerOpenSettings = 0x601;  // UM_OPEN_SETTINGS
constexpr std::int32_t kAnswerQuit = 0x604;          // UM_QUIT

enum PortErrorCode : std::int32_t {
    PortErrorOpen = 101,
    PortErrorBaudRate = 102,
    PortErrorDataBit = 103,
    PortErrorStopBit = 104,
    PortErrorParity = 105,
    PortErrorFlowControl = 106,
};

// The port being opened. Each operation acts on the handle that Open obtained.
struct SerialPortDevice {
    virtual ~SerialPortDevice() = default;
    virtual bool Open(const char16_t* devicePath) = 0;  // overlapped, exclusive
    virtual void EscapeFunction(std::uint32_t function) = 0;
    virtual bool GetProperties(CommProperties& properties) = 0;
    virtual void SetupQueues(std::uint32_t inputBytes, std::uint32_t outputBytes) = 0;
    virtual bool SetTimeouts(const CommTimeoutSettings& timeouts) = 0;
    virtual bool GetState(DeviceControlBlock& state) = 0;
    virtual bool SetState(const DeviceControlBlock& state) = 0;
    virtual void Close() = 0;
};

// The port-failure question; true when the user answers Yes.
struct PortErrorQuestion {
    virtual ~PortErrorQuestion() = default;
    virtual bool AskYesNo(const std::u16string& text) = 0;
};

struct QueueSizes {
    std::uint32_t Input;
    std::uint32_t Output;
};

QueueSizes PlanQueueSizes(const CommProperties& properties);
// XonLim and XoffLim from the input queue the driver actually set up.
std::uint16_t FlowLimitFor(const CommProperties& properties);

// Applies the record's settings to a line state read from the port; returns 0
// or the first failure code (102..106). The fixed settings are applied too.
std::int32_t ConfigureLineState(const CommunicationSettings& settings, const CommProperties& properties,
                                std::uint16_t flowLimit, DeviceControlBlock& state);

// The message for a failure code, question included, cut to 127 units.
std::u16string PortErrorText(const char16_t* portName, std::int32_t code);
std::int32_t ShowPortError(const char16_t* portName, std::int32_t code, PortErrorQuestion& question);

// The whole opening; on 0 the device holds the configured port.
std::int32_t OpenConfiguredPort(const CommunicationSettings& settings, SerialPortDevice& device,
                                PortErrorQuestion& question);

}  // namespace tellurin
