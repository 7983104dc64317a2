// Serial port double; see fake_serial_port.h.
#include "tests/fakes/fake_serial_port.h"

namespace tellurin::fakes {

CommProperties WineLikeProperties() {
    CommProperties properties{};
    properties.dwMaxTxQueue = 4096;
    properties.dwMaxRxQueue = 4096;
    properties.dwMaxBaud = BAUD_USER;
    properties.dwProvCapabilities = 0xcb;
    properties.dwSettableParams = 0x3f;
    properties.dwSettableBaud = 0x66bff;
    properties.wSettableData = 0xf;
    properties.wSettableStopParity = 0x1f07;
    properties.dwCurrentTxQueue = 4096;
    properties.dwCurrentRxQueue = 4096;
    return properties;
}

bool FakeSerialPort::Open(const char16_t* devicePath) {
    path_ = devicePath;
    if (FailOpen) return false;
    open_ = true;
    rts_ = true;  // a freshly opened port may have RTS up
    return true;
}

void FakeSerialPort::EscapeFunction(std::uint32_t function) {
    if (!Use()) return;
    if (function == SETRTS) rts_ = true;
    if (function == CLRRTS) rts_ = false;
}

bool FakeSerialPort::GetProperties(CommProperties& properties) {
    if (!Use() || FailProperties) return false;
    properties = Properties;
    return true;
}

void FakeSerialPort::SetupQueues(std::uint32_t inputBytes, std::uint32_t outputBytes) {
    if (!Use()) return;
    input_ = inputBytes;
    output_ = outputBytes;
    Properties.dwCurrentRxQueue = inputBytes;
    Properties.dwCurrentTxQueue = outputBytes;
}

bool FakeSerialPort::SetTimeouts(const CommTimeoutSettings& timeouts) {
    if (!Use() || FailTimeouts) return false;
    timeouts_ = timeouts;
    return true;
}

bool FakeSerialPort::GetState(DeviceControlBlock& state) {
    if (!Use() || FailGetState) return false;
    state = state_;
    return true;
}

bool FakeSerialPort::SetState(const DeviceControlBlock& state) {
    if (!Use() || FailSetState) return false;
    stateSet_ = state;
    stateWasSet_ = true;
    return true;
}

void FakeSerialPort::Close() {
    if (!Use()) return;
    open_ = false;
}

}  // namespace tellurin::fakes
