// Every platform number that the portable code writes out by hand, compared
// with the platform's own headers when the Windows binaries are built: a wrong
// value breaks the build rather than passing tests that share it. The mirrors
// of platform records are compared by size and field offset, so a field that
// moves or changes width cannot be copied into the wrong place.
// Nothing here is called; the file only has to compile, in both word sizes.
#include <windows.h>

#include <htmlhelp.h>
#include <shellapi.h>

#include <cstddef>

#include "common/message_codes.h"
#include "resident/receiver/keyboard.h"
#include "resident/receiver/receiver_loop.h"
#include "resident/shell/library_client.h"
#include "resident/shell/resident_window.h"
#include "settings/dialog/function_page.h"
#include "settings/dialog/settings_window.h"
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

// The port-event mask of the receiver.
static_assert(kPortEventReceivedCharacter == EV_RXCHAR && kPortEventLineError == EV_ERR);

// Key events and the keys the receiver names. The enhanced keys are those
// whose scan code carries the E0 prefix; NumLock's is a plain 45.
static_assert(kKeyEventScanCode == KEYEVENTF_SCANCODE && kKeyEventExtended == KEYEVENTF_EXTENDEDKEY &&
              kKeyEventKeyUp == KEYEVENTF_KEYUP && kKeyEventUnicode == KEYEVENTF_UNICODE);
static_assert(kVirtualKeyDown == 0 && kVirtualKeyUp == KEYEVENTF_KEYUP &&
              kUnicodeDown == KEYEVENTF_UNICODE && kUnicodeUp == (KEYEVENTF_UNICODE | KEYEVENTF_KEYUP));
static_assert(kVkShift == VK_SHIFT && kVkControl == VK_CONTROL && kVkMenu == VK_MENU);
constexpr std::uint8_t kExpectedEnhancedKeys[] = {VK_PRIOR, VK_NEXT,   VK_END,    VK_HOME,   VK_LEFT,
                                                  VK_UP,    VK_RIGHT,  VK_DOWN,   VK_INSERT, VK_DELETE,
                                                  VK_DIVIDE, VK_RCONTROL, VK_RMENU};
static_assert(sizeof(kEnhancedKeyboardKeys) == sizeof(kExpectedEnhancedKeys));
constexpr bool EnhancedKeysMatch() {
    for (std::size_t index = 0; index < sizeof(kExpectedEnhancedKeys); ++index)
        if (kEnhancedKeyboardKeys[index] != kExpectedEnhancedKeys[index]) return false;
    return true;
}
static_assert(EnhancedKeysMatch());

// The function page's key list: "付加しない", Enter, Tab, the arrows, Space,
// A to Z, F1 to F12, comma, Execute and right Ctrl.
constexpr bool KeyListMatches() {
    constexpr std::uint8_t fixed[] = {0, VK_RETURN, VK_TAB, VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN, VK_SPACE};
    int index = 0;
    for (const std::uint8_t key : fixed)
        if (KeyTable[index++].VirtualKey != key) return false;
    for (int letter = 0; letter < 26; ++letter)
        if (KeyTable[index++].VirtualKey != 'A' + letter) return false;
    for (int function = 0; function < 12; ++function)
        if (KeyTable[index++].VirtualKey != VK_F1 + function) return false;
    return KeyTable[index++].VirtualKey == VK_OEM_COMMA && KeyTable[index++].VirtualKey == VK_EXECUTE &&
           KeyTable[index++].VirtualKey == VK_RCONTROL && index == kKeyTableSize;
}
static_assert(KeyListMatches());

// Window messages, commands and results.
static_assert(kWindowCreate == WM_CREATE && kWindowDestroy == WM_DESTROY && kLeftButtonDown == WM_LBUTTONDOWN &&
              kRightButtonDown == WM_RBUTTONDOWN && kTimer == WM_TIMER && kDpiChanged == WM_DPICHANGED &&
              kDisplayChanged == WM_DISPLAYCHANGE);
static_assert(kCommandOk == IDOK && kCommandCancel == IDCANCEL);
static_assert(UM_GET_IDENTITY >= WM_USER && UM_PORT_LOST < WM_APP && UM_UPDATE_APPLY >= WM_USER &&
              UM_CLOSE_SETTINGS < WM_APP, "private messages lie in the window class's own range");
static_assert(kAnswerOpenSettings == UM_OPEN_SETTINGS && kAnswerQuit == UM_QUIT);
static_assert(kSettingsDialogStillRunning == STILL_ACTIVE);

// The tray icon's record goes at the size Windows XP's shell takes; every field
// the program fills (the balloon's too) lies inside it.
static_assert(kNotifyIconDataSize == NOTIFYICONDATAW_V3_SIZE && kNotifyIconDataSize < sizeof(NOTIFYICONDATAW),
              "the tray record is sent at the size Windows XP's shell knows, not the headers' newer one");
static_assert(offsetof(NOTIFYICONDATAW, dwInfoFlags) + sizeof(NOTIFYICONDATAW::dwInfoFlags) <=
              NOTIFYICONDATAW_V3_SIZE);

// Registry access and path buffers.
static_assert(kKeyQueryValue == KEY_QUERY_VALUE && kKeySetValue == KEY_SET_VALUE);
static_assert(kPathUnits == MAX_PATH);

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
