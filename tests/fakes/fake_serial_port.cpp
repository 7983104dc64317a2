// Serial port double; see fake_serial_port.h.
#include "tests/fakes/fake_serial_port.h"

namespace tellurin::fakes {

namespace {

// The declarations every driver here shares: one RS-232 port of the serial
// service, packet version 2.
CommProperties SerialProviderBase() {
    CommProperties properties{};
    properties.wPacketVersion = 2;
    properties.dwServiceMask = 0x0001;  // SP_SERIALCOMM
    properties.dwProvSubType = 0x0001;  // PST_RS232
    return properties;
}

}  // namespace

CommProperties StandardSerialProperties() {
    CommProperties properties = SerialProviderBase();
    properties.dwMaxBaud = kBaudUser;
    // 75 to 56K, 115200, 57600 and BAUD_USER: what the driver reports for a
    // 1.8432 MHz UART.
    properties.dwSettableBaud = 0x1006FFFF;
    properties.dwProvCapabilities = 0x00FF;  // DTR/DSR to interval time-outs, Xon/Xoff included
    properties.dwSettableParams = 0x007F;    // parity to carrier detect
    properties.wSettableData = kDataBits5 | kDataBits6 | kDataBits7 | kDataBits8;
    properties.wSettableStopParity = kStopBits10 | kStopBits15 | kStopBits20 | kParityNone | kParityOdd |
                                     kParityEven | kParityMark | kParitySpace;
    properties.dwCurrentRxQueue = 4096;
    return properties;
}

CommProperties UsbUserRateProperties() {
    CommProperties properties = StandardSerialProperties();
    properties.dwMaxBaud = kBaudUser;
    properties.dwSettableBaud = kBaudUser;
    properties.dwProvCapabilities = kCapabilityDtrDsr | kCapabilityRtsCts | kCapabilityParityCheck |
                                    kCapabilityXonXoff | kCapabilityTotalTimeouts | kCapabilityIntervalTimeouts;
    properties.dwSettableParams = 0x003F;
    properties.dwMaxTxQueue = 4096;
    properties.dwMaxRxQueue = 4096;
    properties.dwCurrentTxQueue = 4096;
    properties.dwCurrentRxQueue = 4096;
    return properties;
}

CommProperties WineSerialProperties() {
    CommProperties properties = SerialProviderBase();
    properties.dwMaxTxQueue = 4096;
    properties.dwMaxRxQueue = 4096;
    properties.dwMaxBaud = kBaud115200;
    properties.dwProvCapabilities = 0xcb;
    properties.dwSettableParams = 0x3f;
    properties.dwSettableBaud = 0x66bff;
    properties.wSettableData = 0xf;
    properties.wSettableStopParity = 0x1f07;
    properties.dwCurrentTxQueue = 4096;
    properties.dwCurrentRxQueue = 4096;
    return properties;
}

const DriverTable kDriverTables[3] = {{"standard 16550 driver", StandardSerialProperties},
                                      {"USB adapter, rates by number", UsbUserRateProperties},
                                      {"Wine's driver", WineSerialProperties}};

bool FakeSerialPort::Open(const char16_t* devicePath) {
    path_ = devicePath;
    if (FailOpen) return false;
    open_ = true;
    rts_ = true;  // a freshly opened port may have RTS up
    return true;
}

void FakeSerialPort::EscapeFunction(std::uint32_t function) {
    if (!Use()) return;
    if (function == kSetRts) rts_ = true;
    if (function == kClearRts) rts_ = false;
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
