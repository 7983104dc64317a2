// Win32 serial port: copies the COMMPROP and DCB mirrors field by field and
// decides nothing.
#include "settings/store/win32/win32_serial_port.h"

namespace tellurin {

Win32SerialPort::~Win32SerialPort() { Close(); }

bool Win32SerialPort::Open(const char16_t* devicePath) {
    port_ = CreateFileW(reinterpret_cast<const wchar_t*>(devicePath), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                        OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    return port_ != INVALID_HANDLE_VALUE;
}

void Win32SerialPort::EscapeFunction(std::uint32_t function) { (void)EscapeCommFunction(port_, function); }

bool Win32SerialPort::GetProperties(CommProperties& properties) {
    COMMPROP native{};
    native.wPacketLength = sizeof(COMMPROP);
    if (!GetCommProperties(port_, &native)) return false;
    properties.wPacketLength = native.wPacketLength;
    properties.wPacketVersion = native.wPacketVersion;
    properties.dwServiceMask = native.dwServiceMask;
    properties.dwReserved1 = native.dwReserved1;
    properties.dwMaxTxQueue = native.dwMaxTxQueue;
    properties.dwMaxRxQueue = native.dwMaxRxQueue;
    properties.dwMaxBaud = native.dwMaxBaud;
    properties.dwProvSubType = native.dwProvSubType;
    properties.dwProvCapabilities = native.dwProvCapabilities;
    properties.dwSettableParams = native.dwSettableParams;
    properties.dwSettableBaud = native.dwSettableBaud;
    properties.wSettableData = native.wSettableData;
    properties.wSettableStopParity = native.wSettableStopParity;
    properties.dwCurrentTxQueue = native.dwCurrentTxQueue;
    properties.dwCurrentRxQueue = native.dwCurrentRxQueue;
    return true;
}

void Win32SerialPort::SetupQueues(std::uint32_t inputBytes, std::uint32_t outputBytes) {
    (void)SetupComm(port_, inputBytes, outputBytes);
}

bool Win32SerialPort::SetTimeouts(const CommTimeoutSettings& timeouts) {
    COMMTIMEOUTS native{};
    native.ReadIntervalTimeout = timeouts.ReadIntervalTimeout;
    native.ReadTotalTimeoutMultiplier = timeouts.ReadTotalTimeoutMultiplier;
    native.ReadTotalTimeoutConstant = timeouts.ReadTotalTimeoutConstant;
    native.WriteTotalTimeoutMultiplier = timeouts.WriteTotalTimeoutMultiplier;
    native.WriteTotalTimeoutConstant = timeouts.WriteTotalTimeoutConstant;
    return SetCommTimeouts(port_, &native) != FALSE;
}

bool Win32SerialPort::GetState(DeviceControlBlock& state) {
    DCB native{};
    native.DCBlength = sizeof(DCB);
    if (!GetCommState(port_, &native)) return false;
    state.BaudRate = native.BaudRate;
    state.fBinary = native.fBinary;
    state.fParity = native.fParity;
    state.fOutxCtsFlow = native.fOutxCtsFlow;
    state.fOutxDsrFlow = native.fOutxDsrFlow;
    state.fDtrControl = native.fDtrControl;
    state.fDsrSensitivity = native.fDsrSensitivity;
    state.fTXContinueOnXoff = native.fTXContinueOnXoff;
    state.fOutX = native.fOutX;
    state.fInX = native.fInX;
    state.fErrorChar = native.fErrorChar;
    state.fNull = native.fNull;
    state.fRtsControl = native.fRtsControl;
    state.fAbortOnError = native.fAbortOnError;
    state.wReserved = native.wReserved;
    state.XonLim = native.XonLim;
    state.XoffLim = native.XoffLim;
    state.ByteSize = native.ByteSize;
    state.Parity = native.Parity;
    state.StopBits = native.StopBits;
    state.XonChar = native.XonChar;
    state.XoffChar = native.XoffChar;
    state.ErrorChar = native.ErrorChar;
    state.EofChar = native.EofChar;
    state.EvtChar = native.EvtChar;
    return true;
}

bool Win32SerialPort::SetState(const DeviceControlBlock& state) {
    DCB native{};
    native.DCBlength = sizeof(DCB);
    native.BaudRate = state.BaudRate;
    native.fBinary = state.fBinary;
    native.fParity = state.fParity;
    native.fOutxCtsFlow = state.fOutxCtsFlow;
    native.fOutxDsrFlow = state.fOutxDsrFlow;
    native.fDtrControl = state.fDtrControl;
    native.fDsrSensitivity = state.fDsrSensitivity;
    native.fTXContinueOnXoff = state.fTXContinueOnXoff;
    native.fOutX = state.fOutX;
    native.fInX = state.fInX;
    native.fErrorChar = state.fErrorChar;
    native.fNull = state.fNull;
    native.fRtsControl = state.fRtsControl;
    native.fAbortOnError = state.fAbortOnError;
    native.wReserved = state.wReserved;
    native.XonLim = state.XonLim;
    native.XoffLim = state.XoffLim;
    native.ByteSize = state.ByteSize;
    native.Parity = state.Parity;
    native.StopBits = state.StopBits;
    native.XonChar = state.XonChar;
    native.XoffChar = state.XoffChar;
    native.ErrorChar = state.ErrorChar;
    native.EofChar = state.EofChar;
    native.EvtChar = state.EvtChar;
    return SetCommState(port_, &native) != FALSE;
}

void Win32SerialPort::Close() {
    if (port_ == INVALID_HANDLE_VALUE) return;
    (void)CloseHandle(port_);
    port_ = INVALID_HANDLE_VALUE;
}

HANDLE Win32SerialPort::Release() {
    HANDLE port = port_;
    port_ = INVALID_HANDLE_VALUE;
    return port;
}

bool MessageBoxQuestion::AskYesNo(const std::u16string& text) {
    return MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(text.c_str()), L"Tellurin",
                       MB_YESNO | MB_ICONERROR | MB_SETFOREGROUND) == IDYES;
}

}  // namespace tellurin
