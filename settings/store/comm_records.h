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

// The platform's constants that port opening reasons about, under names of
// their own so that they never meet the platform's macros; each value is
// checked against the platform's headers when the Windows binaries are built.

// dwSettableParams
constexpr std::uint32_t kSettableParity = 0x0001;       // SP_PARITY
constexpr std::uint32_t kSettableBaud = 0x0002;         // SP_BAUD
constexpr std::uint32_t kSettableDataBits = 0x0004;     // SP_DATABITS
constexpr std::uint32_t kSettableStopBits = 0x0008;     // SP_STOPBITS
constexpr std::uint32_t kSettableHandshaking = 0x0010;  // SP_HANDSHAKING
constexpr std::uint32_t kSettableParityCheck = 0x0020;  // SP_PARITY_CHECK

// dwSettableBaud and dwMaxBaud (BAUD_*)
constexpr std::uint32_t kBaud75 = 0x00000001;
constexpr std::uint32_t kBaud110 = 0x00000002;
constexpr std::uint32_t kBaud134_5 = 0x00000004;
constexpr std::uint32_t kBaud150 = 0x00000008;
constexpr std::uint32_t kBaud300 = 0x00000010;
constexpr std::uint32_t kBaud600 = 0x00000020;
constexpr std::uint32_t kBaud1200 = 0x00000040;
constexpr std::uint32_t kBaud1800 = 0x00000080;
constexpr std::uint32_t kBaud2400 = 0x00000100;
constexpr std::uint32_t kBaud4800 = 0x00000200;
constexpr std::uint32_t kBaud7200 = 0x00000400;
constexpr std::uint32_t kBaud9600 = 0x00000800;
constexpr std::uint32_t kBaud14400 = 0x00001000;
constexpr std::uint32_t kBaud19200 = 0x00002000;
constexpr std::uint32_t kBaud38400 = 0x00004000;
constexpr std::uint32_t kBaud56K = 0x00008000;
constexpr std::uint32_t kBaud128K = 0x00010000;
constexpr std::uint32_t kBaud115200 = 0x00020000;
constexpr std::uint32_t kBaud57600 = 0x00040000;
constexpr std::uint32_t kBaudUser = 0x10000000;

// wSettableData (DATABITS_*)
constexpr std::uint16_t kDataBits5 = 0x0001;
constexpr std::uint16_t kDataBits6 = 0x0002;
constexpr std::uint16_t kDataBits7 = 0x0004;
constexpr std::uint16_t kDataBits8 = 0x0008;

// wSettableStopParity (STOPBITS_*, PARITY_*)
constexpr std::uint16_t kStopBits10 = 0x0001;
constexpr std::uint16_t kStopBits15 = 0x0002;
constexpr std::uint16_t kStopBits20 = 0x0004;
constexpr std::uint16_t kParityNone = 0x0100;
constexpr std::uint16_t kParityOdd = 0x0200;
constexpr std::uint16_t kParityEven = 0x0400;
constexpr std::uint16_t kParityMark = 0x0800;
constexpr std::uint16_t kParitySpace = 0x1000;

// dwProvCapabilities (PCF_*)
constexpr std::uint32_t kCapabilityDtrDsr = 0x0001;
constexpr std::uint32_t kCapabilityRtsCts = 0x0002;
constexpr std::uint32_t kCapabilityCarrierDetect = 0x0004;  // PCF_RLSD
constexpr std::uint32_t kCapabilityParityCheck = 0x0008;
constexpr std::uint32_t kCapabilityXonXoff = 0x0010;
constexpr std::uint32_t kCapabilitySetXChar = 0x0020;
constexpr std::uint32_t kCapabilityTotalTimeouts = 0x0040;
constexpr std::uint32_t kCapabilityIntervalTimeouts = 0x0080;
constexpr std::uint32_t kCapabilitySpecialChars = 0x0100;
constexpr std::uint32_t kCapability16BitMode = 0x0200;

// DCB values
constexpr std::uint8_t kOneStopBit = 0;           // ONESTOPBIT
constexpr std::uint8_t kTwoStopBits = 2;          // TWOSTOPBITS
constexpr std::uint8_t kNoParity = 0;             // NOPARITY
constexpr std::uint8_t kOddParity = 1;            // ODDPARITY
constexpr std::uint8_t kEvenParity = 2;           // EVENPARITY
constexpr std::uint32_t kDtrControlEnable = 1;    // DTR_CONTROL_ENABLE
constexpr std::uint32_t kRtsControlEnable = 1;    // RTS_CONTROL_ENABLE
constexpr std::uint32_t kRtsControlHandshake = 2; // RTS_CONTROL_HANDSHAKE

// EscapeCommFunction
constexpr std::uint32_t kSetRts = 3;    // SETRTS
constexpr std::uint32_t kClearRts = 4;  // CLRRTS

// COMMTIMEOUTS: reads return at once with what has arrived.
constexpr std::uint32_t kMaxDword = 0xFFFFFFFF;  // MAXDWORD

}  // namespace tellurin
