// The device's values beyond the port: how frames end when the device sends no
// end byte, and the command that asks a device for data. They are stored under
// the Communication key beside the port's values, since they belong to the
// device, but travel in a record of their own: CommunicationSettings crosses
// the library boundary by value and keeps its layout.
//
// Like the editing rules, the record says what it is (its first field is its
// own size) and its layout is fixed here: UTF-16 units as char16_t, fixed-size
// numbers, no padding, the same bytes in 32- and 64-bit builds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/settings_records.h"

namespace tellurin {

// Protocol '6': no start or end byte and no answer; a frame ends when no byte
// has come for FrameGap milliseconds.
constexpr char16_t kSilenceProtocol = u'6';

constexpr std::uint16_t kFrameGapMin = 10;
constexpr std::uint16_t kFrameGapMax = 5000;
constexpr std::uint32_t kRequestIntervalMin = 200;  // or 0: no timer
constexpr std::uint32_t kRequestIntervalMax = 3600000;
constexpr std::uint32_t kRequestTimeoutMin = 100;
constexpr std::uint32_t kRequestTimeoutMax = 60000;

// The command is kept as the user writes it, with the escapes of the editing
// texts unexpanded; expanded it is at most 32 bytes, each below 0x80. No byte
// takes more than four characters to write (\xHH), so 128 characters hold
// every valid command.
constexpr std::size_t kRequestCommandBytes = 32;
constexpr std::size_t kRequestCommandCharacters = 128;
constexpr std::size_t kRequestCommandUnits = kRequestCommandCharacters + 1;

struct DeviceSettings {
    std::uint32_t Size;             // sizeof(DeviceSettings); both sides check it before reading
    std::uint32_t RequestInterval;  // ms between timer requests; 0: no timer
    std::uint32_t RequestTimeout;   // ms after a request within which a frame must end
    std::uint16_t FrameGap;         // ms of silence that ends a frame under protocol '6'
    KeyChord RequestHotKey;         // the chord that sends the command; 0: none
    char16_t RequestCommand[kRequestCommandUnits];  // empty: no requests
    char16_t Reserved;              // 0; keeps the record free of padding
};

static_assert(sizeof(DeviceSettings) == 276, "record crosses the library boundary");
static_assert(alignof(DeviceSettings) == 4, "record crosses the library boundary");
static_assert(kCurrentRecordLayout.DeviceSize == sizeof(DeviceSettings) &&
                  SameOffsets(kCurrentRecordLayout.DeviceOffsets,
                              {offsetof(DeviceSettings, Size), offsetof(DeviceSettings, RequestInterval),
                               offsetof(DeviceSettings, RequestTimeout), offsetof(DeviceSettings, FrameGap),
                               offsetof(DeviceSettings, RequestHotKey), offsetof(DeviceSettings, RequestCommand),
                               offsetof(DeviceSettings, Reserved)}),
              "the device settings changed: add a layout row with the next interface number");

// Today's behaviour: no requests, and a 50 ms gap should protocol '6' be chosen.
constexpr DeviceSettings kDefaultDeviceSettings = {sizeof(DeviceSettings), 0, 2000, 50, 0x0000, {}, 0};

// The decimal values' ranges, read alike by the store and the page.
struct MillisecondRange {
    std::uint32_t Min;
    std::uint32_t Max;
    bool ZeroAllowed;  // 0 is valid too, and means "off"
};
constexpr MillisecondRange kFrameGapRange{kFrameGapMin, kFrameGapMax, false};
constexpr MillisecondRange kRequestIntervalRange{kRequestIntervalMin, kRequestIntervalMax, true};
constexpr MillisecondRange kRequestTimeoutRange{kRequestTimeoutMin, kRequestTimeoutMax, false};

// Decimal digits (leading zeros allowed) to a number of the range; false for
// an empty text, any other character or a number outside the range.
[[nodiscard]] bool ParseMilliseconds(std::u16string_view text, const MillisecondRange& range,
                                     std::uint32_t* value);

// The stored command to the bytes written to the port: the editing texts'
// escapes (\t \r \n \\ \xHH), no time fields, at most kRequestCommandBytes
// bytes, each below 0x80. False for any other text; bytes may be null to
// only check.
[[nodiscard]] bool ExpandRequestCommand(std::u16string_view stored, std::string* bytes);

}  // namespace tellurin
