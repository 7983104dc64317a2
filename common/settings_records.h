// The two settings records and the key-with-modifiers value that the resident
// program and the settings library share. Their layout crosses the library
// boundary (by pointer, and CommunicationSettings by value), so it is fixed
// here once: UTF-16 code units as char16_t, 16-bit numbers as uint16_t, no
// padding, and the same bytes in 32- and 64-bit builds.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tellurin {

// Bits 0-7: virtual-key code (0 = no key); 8 Shift, 9 Ctrl, 10 Alt (the
// shift-state layout of a VkKeyScan result); 11 extended key; 12-14 carried
// unchanged; 15 always clear in a valid value.
using KeyChord = std::uint16_t;

constexpr KeyChord kChordKeyMask = 0x00FF;
constexpr KeyChord kChordShift = 0x0100;
constexpr KeyChord kChordCtrl = 0x0200;
constexpr KeyChord kChordAlt = 0x0400;
constexpr KeyChord kChordExtended = 0x0800;

constexpr std::size_t kSettingsTextUnits = 7;  // six characters and the terminator

struct CommunicationSettings {
    char16_t CommPort[kSettingsTextUnits];
    char16_t BaudRate[kSettingsTextUnits];
    char16_t Parity;
    char16_t DataBit;
    char16_t StopBit;
    char16_t FlowControl;
    char16_t Protocol;
};

struct FunctionSettings {
    KeyChord HeadKey;
    KeyChord TermKey1;
    KeyChord TermKey2;
    std::uint16_t KeySpeed;
    char16_t CapsLock;
    char16_t TrayIcon;
    // Beyond the six stored from the start; a store written by an older
    // version lacks them and they take their defaults.
    char16_t CharacterCode;  // '0' ASCII, '1' Shift-JIS, '2' UTF-8, '3' automatic
    char16_t ImeOff;         // 'Y': an open IME is closed while a frame is typed
};

static_assert(sizeof(char16_t) == 2, "settings text is UTF-16");
static_assert(sizeof(CommunicationSettings) == 38, "record crosses the library boundary");
static_assert(offsetof(CommunicationSettings, BaudRate) == 14, "record crosses the library boundary");
static_assert(offsetof(CommunicationSettings, Parity) == 28, "record crosses the library boundary");
static_assert(offsetof(CommunicationSettings, Protocol) == 36, "record crosses the library boundary");
static_assert(alignof(CommunicationSettings) == 2, "record crosses the library boundary");
static_assert(sizeof(FunctionSettings) == 16, "record crosses the library boundary");
static_assert(offsetof(FunctionSettings, KeySpeed) == 6, "record crosses the library boundary");
static_assert(offsetof(FunctionSettings, TrayIcon) == 10, "record crosses the library boundary");
static_assert(offsetof(FunctionSettings, ImeOff) == 14, "record crosses the library boundary");

// The resident program's initial values: COM1 at 4800 baud, 8N2, Xon/Xoff,
// protocol '1'; no head key, Enter after each frame, speed step 5, no case
// inversion, tray icon shown, frames read as ASCII, an open IME closed while
// typing.
constexpr CommunicationSettings kDefaultCommunicationSettings = {
    u"COM1", u"4800", u'N', u'8', u'2', u'X', u'1'};
constexpr FunctionSettings kDefaultFunctionSettings = {0x0000, 0x000D, 0x0000, 5, u'N', u'Y', u'0', u'Y'};

// The baud rates a port may be set to, in the order every list shows them.
constexpr const char16_t* kBaudRateTexts[] = {u"110",   u"300",   u"600",   u"1200",
                                               u"2400",  u"4800",  u"9600",  u"19200",
                                               u"38400", u"57600", u"115200"};
constexpr std::size_t kBaudRateCount = sizeof(kBaudRateTexts) / sizeof(kBaudRateTexts[0]);

}  // namespace tellurin
