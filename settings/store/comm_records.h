// Plain mirrors of the two Win32 records that port opening reasons about,
// COMMPROP and DCB, with the same field names and the same constant values, so
// the logic reads like the platform's documentation. The Win32 room copies
// them field by field (DCB's bit fields become whole fields here).
#pragma once

#include <cstdint>

namespace tellurin {

struct CommProperties {
    std::uint16_t wPacketLength;
    std::uint16_t wPacketVersion;
    std::uint32_t dwServiceMask;
    std::uint32_t dwReserved1;
    std::uint32_t dwMaxTxQueue;
    std::uint32_t dwMaxRxQueue;
    std::uint32_t dwMaxBaud;
    std::uint32_t dwProvSubType;
    std::uint32_t dwProvCapabilities;
    std::uint32_t dwSettableParams;
    std::uint32_t dwSettableBaud;
    std::uint16_t wSettableData;
    std::uint16_t wSettableStopParity;
    std::uint32_t dwCurrentTxQueue;
    std::uint32_t dwCurrentRxQueue;
};

struct DeviceControlBlock {
    std::uint32_t BaudRate;
    std::uint32_t fBinary;
    std::uint32_t fParity;
    std::uint32_t fOutxCtsFlow;
    std::uint32_t fOutxDsrFlow;
    std::uint32_t fDtrControl;
    std::uint32_t fDsrSensitivity;
    std::uint32_t fTXContinueOnXoff;
    std::uint32_t fOutX;
    std::uint32_t fInX;
    std::uint32_t fErrorChar;
    std::uint32_t fNull;
    std::uint32_t fRtsControl;
    std::uint32_t fAbortOnError;
    std::uint16_t wReserved;
    std::uint16_t XonLim;
    std::uint16_t XoffLim;
    std::uint8_t ByteSize;
    std::uint8_t Parity;
    std::uint8_t StopBits;
    char XonChar;
    char XoffChar;
    char ErrorChar;
    char EofChar;
    char EvtChar;
};

struct CommTimeoutSettings {
    std::uint32_t ReadIntervalTimeout;
    std::uint32_t ReadTotalTimeoutMultiplier;
    std::uint32_t ReadTotalTimeoutConstant;
    std::uint32_t WriteTotalTimeoutMultiplier;
    std::uint32_t WriteTotalTimeoutConstant;
};

// The platform's own constant names and values. Where <windows.h> is already
// included they are its macros, with these same values, so both spellings agree.
#if !defined(SP_PARITY)

// dwSettableParams
constexpr std::uint32_t SP_PARITY = 0x0001;
constexpr std::uint32_t SP_BAUD = 0x0002;
constexpr std::uint32_t SP_DATABITS = 0x0004;
constexpr std::uint32_t SP_STOPBITS = 0x0008;
constexpr std::uint32_t SP_HANDSHAKING = 0x0010;
constexpr std::uint32_t SP_PARITY_CHECK = 0x0020;

// dwSettableBaud and dwMaxBaud
constexpr std::uint32_t BAUD_110 = 0x00000001;
constexpr std::uint32_t BAUD_300 = 0x00000002;
constexpr std::uint32_t BAUD_600 = 0x00000004;
constexpr std::uint32_t BAUD_1200 = 0x00000008;
constexpr std::uint32_t BAUD_2400 = 0x00000020;
constexpr std::uint32_t BAUD_4800 = 0x00000040;
constexpr std::uint32_t BAUD_9600 = 0x00000100;
constexpr std::uint32_t BAUD_19200 = 0x00000400;
constexpr std::uint32_t BAUD_38400 = 0x00000800;
constexpr std::uint32_t BAUD_115200 = 0x00020000;
constexpr std::uint32_t BAUD_57600 = 0x00040000;
constexpr std::uint32_t BAUD_USER = 0x10000000;

// wSettableData
constexpr std::uint16_t DATABITS_7 = 0x0004;
constexpr std::uint16_t DATABITS_8 = 0x0008;

// wSettableStopParity
constexpr std::uint16_t STOPBITS_10 = 0x0001;
constexpr std::uint16_t STOPBITS_20 = 0x0004;
constexpr std::uint16_t PARITY_NONE = 0x0100;
constexpr std::uint16_t PARITY_ODD = 0x0200;
constexpr std::uint16_t PARITY_EVEN = 0x0400;

// dwProvCapabilities
constexpr std::uint32_t PCF_RTSCTS = 0x0002;
constexpr std::uint32_t PCF_XONXOFF = 0x0010;

// DCB values
constexpr std::uint8_t ONESTOPBIT = 0;
constexpr std::uint8_t TWOSTOPBITS = 2;
constexpr std::uint8_t NOPARITY = 0;
constexpr std::uint8_t ODDPARITY = 1;
constexpr std::uint8_t EVENPARITY = 2;
constexpr std::uint32_t DTR_CONTROL_ENABLE = 1;
constexpr std::uint32_t RTS_CONTROL_ENABLE = 1;
constexpr std::uint32_t RTS_CONTROL_HANDSHAKE = 2;

// EscapeCommFunction
constexpr std::uint32_t SETRTS = 3;
constexpr std::uint32_t CLRRTS = 4;

#endif  // !defined(SP_PARITY)

#if !defined(MAXDWORD)
constexpr std::uint32_t MAXDWORD = 0xFFFFFFFF;
#endif

}  // namespace tellurin
