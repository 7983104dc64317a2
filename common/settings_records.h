// The two settings records and the key-with-modifiers value that the resident
// program and the settings library share. Their layout crosses the library
// boundary (by pointer, and CommunicationSettings by value), so it is fixed
// here once: UTF-16 code units as char16_t, 16-bit numbers as uint16_t, no
// padding, and the same bytes in 32- and 64-bit builds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

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
static_assert(alignof(CommunicationSettings) == 2, "record crosses the library boundary");

// The interface number of the records above and of the library's entries
// (common/tellurs_entries.h). Both binaries carry it, and each refuses a
// partner with another number before any record crosses: a program and a
// library from different releases would otherwise write past each other's
// records. Each number is pinned to the layout it stands for, so a record
// changed without a new number fails to build here. To change a record (or an
// entry's parameters), add a row with the next number and the new layout;
// never edit a row. The last row is the interface this build speaks.
struct RecordLayout {
    std::uint32_t Interface;
    std::size_t CommunicationSize;
    std::size_t CommunicationOffsets[7];  // CommPort ... Protocol
    std::size_t FunctionSize;
    std::size_t FunctionOffsets[8];  // HeadKey ... ImeOff
    std::size_t EditSize;            // 0: the interface has no editing rules
    std::size_t EditOffsets[13];     // Size ... Suffix (common/edit_rules.h)
    std::size_t DeviceSize;          // 0: the interface has no device settings
    std::size_t DeviceOffsets[7];    // Size ... Reserved (common/device_settings.h)
};
constexpr RecordLayout kRecordLayouts[] = {
    {1, 38, {0, 14, 28, 30, 32, 34, 36}, 16, {0, 2, 4, 6, 8, 10, 12, 14}, 0, {}, 0, {}},
    {2, 38, {0, 14, 28, 30, 32, 34, 36}, 16, {0, 2, 4, 6, 8, 10, 12, 14},
     2648, {0, 4, 6, 8, 10, 12, 14, 16, 18, 1058, 2098, 2132, 2390}, 0, {}},
    {3, 38, {0, 14, 28, 30, 32, 34, 36}, 16, {0, 2, 4, 6, 8, 10, 12, 14},
     2648, {0, 4, 6, 8, 10, 12, 14, 16, 18, 1058, 2098, 2132, 2390}, 276, {0, 4, 8, 12, 14, 16, 274}},
};
inline constexpr const RecordLayout& kCurrentRecordLayout = kRecordLayouts[std::size(kRecordLayouts) - 1];
constexpr std::uint32_t kLibraryInterface = kCurrentRecordLayout.Interface;

template <std::size_t N>
constexpr bool SameOffsets(const std::size_t (&row)[N], const std::size_t (&measured)[N]) {
    for (std::size_t index = 0; index < N; ++index)
        if (row[index] != measured[index]) return false;
    return true;
}

static_assert(kCurrentRecordLayout.CommunicationSize == sizeof(CommunicationSettings) &&
                  SameOffsets(kCurrentRecordLayout.CommunicationOffsets,
                              {offsetof(CommunicationSettings, CommPort), offsetof(CommunicationSettings, BaudRate),
                               offsetof(CommunicationSettings, Parity), offsetof(CommunicationSettings, DataBit),
                               offsetof(CommunicationSettings, StopBit), offsetof(CommunicationSettings, FlowControl),
                               offsetof(CommunicationSettings, Protocol)}) &&
                  kCurrentRecordLayout.FunctionSize == sizeof(FunctionSettings) &&
                  SameOffsets(kCurrentRecordLayout.FunctionOffsets,
                              {offsetof(FunctionSettings, HeadKey), offsetof(FunctionSettings, TermKey1),
                               offsetof(FunctionSettings, TermKey2), offsetof(FunctionSettings, KeySpeed),
                               offsetof(FunctionSettings, CapsLock), offsetof(FunctionSettings, TrayIcon),
                               offsetof(FunctionSettings, CharacterCode), offsetof(FunctionSettings, ImeOff)}),
              "a record crossing the library boundary changed: add a layout row with the next interface number");

constexpr bool InterfaceNumbersRise() {
    for (std::size_t row = 1; row < std::size(kRecordLayouts); ++row)
        if (kRecordLayouts[row].Interface != kRecordLayouts[row - 1].Interface + 1) return false;
    return kRecordLayouts[0].Interface == 1;
}
static_assert(InterfaceNumbersRise(), "each layout row takes the next interface number");

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
