// The store's and the port opening's hand-written platform numbers and the
// mirrors of platform records, compared with the platform's headers when the
// Windows binaries are built: a wrong value breaks the build rather than
// passing tests that share it. The mirrors are compared by size and field
// offset, so a field that moves or changes width cannot be copied into the
// wrong place.
// Nothing here is called; the file only has to compile, in both word sizes.
#include <windows.h>

#include <cstddef>

#include "common/message_codes.h"
#include "settings/store/comm_records.h"
#include "settings/store/port_opening.h"
#include "settings/store/registry.h"

namespace tellurin {
namespace {

// Capabilities a port declares (COMMPROP).
static_assert(kSettableParity == SP_PARITY && kSettableBaud == SP_BAUD && kSettableDataBits == SP_DATABITS &&
              kSettableStopBits == SP_STOPBITS && kSettableHandshaking == SP_HANDSHAKING &&
              kSettableParityCheck == SP_PARITY_CHECK);
static_assert(kBaud75 == BAUD_075 && kBaud110 == BAUD_110 && kBaud134_5 == BAUD_134_5 && kBaud150 == BAUD_150 &&
              kBaud300 == BAUD_300 && kBaud600 == BAUD_600 && kBaud1200 == BAUD_1200 && kBaud1800 == BAUD_1800 &&
              kBaud2400 == BAUD_2400 && kBaud4800 == BAUD_4800 && kBaud7200 == BAUD_7200 &&
              kBaud9600 == BAUD_9600 && kBaud14400 == BAUD_14400 && kBaud19200 == BAUD_19200 &&
              kBaud38400 == BAUD_38400 && kBaud56K == BAUD_56K && kBaud128K == BAUD_128K &&
              kBaud115200 == BAUD_115200 && kBaud57600 == BAUD_57600 && kBaudUser == BAUD_USER);
static_assert(kDataBits5 == DATABITS_5 && kDataBits6 == DATABITS_6 && kDataBits7 == DATABITS_7 &&
              kDataBits8 == DATABITS_8);
static_assert(kStopBits10 == STOPBITS_10 && kStopBits15 == STOPBITS_15 && kStopBits20 == STOPBITS_20 &&
              kParityNone == PARITY_NONE && kParityOdd == PARITY_ODD && kParityEven == PARITY_EVEN &&
              kParityMark == PARITY_MARK && kParitySpace == PARITY_SPACE);
static_assert(kCapabilityDtrDsr == PCF_DTRDSR && kCapabilityRtsCts == PCF_RTSCTS &&
              kCapabilityCarrierDetect == PCF_RLSD && kCapabilityParityCheck == PCF_PARITY_CHECK &&
              kCapabilityXonXoff == PCF_XONXOFF && kCapabilitySetXChar == PCF_SETXCHAR &&
              kCapabilityTotalTimeouts == PCF_TOTALTIMEOUTS && kCapabilityIntervalTimeouts == PCF_INTTIMEOUTS &&
              kCapabilitySpecialChars == PCF_SPECIALCHARS && kCapability16BitMode == PCF_16BITMODE);

// Line state, line functions and time-outs (DCB, EscapeCommFunction, COMMTIMEOUTS).
static_assert(kOneStopBit == ONESTOPBIT && kTwoStopBits == TWOSTOPBITS && kNoParity == NOPARITY &&
              kOddParity == ODDPARITY && kEvenParity == EVENPARITY);
static_assert(kDtrControlEnable == DTR_CONTROL_ENABLE && kRtsControlEnable == RTS_CONTROL_ENABLE &&
              kRtsControlHandshake == RTS_CONTROL_HANDSHAKE);
static_assert(kSetRts == SETRTS && kClearRts == CLRRTS && kMaxDword == MAXDWORD);

// The port opening's answers are the resident window's messages.
static_assert(kAnswerOpenSettings == UM_OPEN_SETTINGS && kAnswerQuit == UM_QUIT);

// Registry access.
static_assert(kKeyQueryValue == KEY_QUERY_VALUE && kKeySetValue == KEY_SET_VALUE && kKeyWow64_64Key == KEY_WOW64_64KEY);

// Mirrors of platform records.
#define TELLUR_SAME_FIELD(Mirror, Native, field)                                                   \
    static_assert(offsetof(Mirror, field) == offsetof(Native, field) &&                            \
                      sizeof(Mirror::field) == sizeof(Native::field),                              \
                  #Mirror "::" #field " lies where " #Native "::" #field " does")

// COMMPROP without its provider-specific tail, which the mirror leaves out.
TELLUR_SAME_FIELD(CommProperties, COMMPROP, wPacketLength);
TELLUR_SAME_FIELD(CommProperties, COMMPROP, wPacketVersion);
TELLUR_SAME_FIELD(CommProperties, COMMPROP, dwServiceMask);
TELLUR_SAME_FIELD(CommProperties, COMMPROP, dwReserved1);
TELLUR_SAME_FIELD(CommProperties, COMMPROP, dwMaxTxQueue);
TELLUR_SAME_FIELD(CommProperties, COMMPROP, dwMaxRxQueue);
TELLUR_SAME_FIELD(CommProperties, COMMPROP, dwMaxBaud);
TELLUR_SAME_FIELD(CommProperties, COMMPROP, dwProvSubType);
TELLUR_SAME_FIELD(CommProperties, COMMPROP, dwProvCapabilities);
TELLUR_SAME_FIELD(CommProperties, COMMPROP, dwSettableParams);
TELLUR_SAME_FIELD(CommProperties, COMMPROP, dwSettableBaud);
TELLUR_SAME_FIELD(CommProperties, COMMPROP, wSettableData);
TELLUR_SAME_FIELD(CommProperties, COMMPROP, wSettableStopParity);
TELLUR_SAME_FIELD(CommProperties, COMMPROP, dwCurrentTxQueue);
TELLUR_SAME_FIELD(CommProperties, COMMPROP, dwCurrentRxQueue);
static_assert(sizeof(CommProperties) == offsetof(COMMPROP, dwProvSpec1));

TELLUR_SAME_FIELD(CommTimeoutSettings, COMMTIMEOUTS, ReadIntervalTimeout);
TELLUR_SAME_FIELD(CommTimeoutSettings, COMMTIMEOUTS, ReadTotalTimeoutMultiplier);
TELLUR_SAME_FIELD(CommTimeoutSettings, COMMTIMEOUTS, ReadTotalTimeoutConstant);
TELLUR_SAME_FIELD(CommTimeoutSettings, COMMTIMEOUTS, WriteTotalTimeoutMultiplier);
TELLUR_SAME_FIELD(CommTimeoutSettings, COMMTIMEOUTS, WriteTotalTimeoutConstant);
static_assert(sizeof(CommTimeoutSettings) == sizeof(COMMTIMEOUTS));

// DCB's flags are bit fields; its mirror holds each in a whole field and the
// two are copied field by field, so only the byte-wide tail can be compared.
static_assert(sizeof(DeviceControlBlock::ByteSize) == sizeof(DCB::ByteSize) &&
              sizeof(DeviceControlBlock::XonLim) == sizeof(DCB::XonLim) &&
              sizeof(DeviceControlBlock::BaudRate) == sizeof(DCB::BaudRate));

#undef TELLUR_SAME_FIELD

}  // namespace
}  // namespace tellurin
