// Win32 serial port: copies the COMMPROP and DCB mirrors field by field and
// decides nothing.
#include "settings/store/win32/win32_serial_port.h"

namespace tellurin {
namespace {

// DCB and its mirror share their field names, so one copy serves both ways
// (the mirror's whole fields stand for DCB's bit fields).
template <typename From, typename To>
void CopyLineState(const From& from, To& to) {
    to.BaudRate = from.BaudRate;
    to.fBinary = from.fBinary;
    to.fParity = from.fParity;
    to.fOutxCtsFlow = from.fOutxCtsFlow;
    to.fOutxDsrFlow = from.fOutxDsrFlow;
    to.fDtrControl = from.fDtrControl;
    to.fDsrSensitivity = from.fDsrSensitivity;
    to.fTXContinueOnXoff = from.fTXContinueOnXoff;
    to.fOutX = from.fOutX;
    to.fInX = from.fInX;
    to.fErrorChar = from.fErrorChar;
    to.fNull = from.fNull;
    to.fRtsControl = from.fRtsControl;
    to.fAbortOnError = from.fAbortOnError;
    to.wReserved = from.wReserved;
    to.XonLim = from.XonLim;
    to.XoffLim = from.XoffLim;
    to.ByteSize = from.ByteSize;
    to.Parity = from.Parity;
    to.StopBits = from.StopBits;
    to.XonChar = from.XonChar;
    to.XoffChar = from.XoffChar;
    to.ErrorChar = from.ErrorChar;
    to.EofChar = from.EofChar;
    to.EvtChar = from.EvtChar;
}

}  // namespace

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
    CopyLineState(native, state);
    return true;
}

bool Win32SerialPort::SetState(const DeviceControlBlock& state) {
    DCB native{};
    native.DCBlength = sizeof(DCB);
    CopyLineState(state, native);
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
