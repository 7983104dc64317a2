// The keyboard as keystroke synthesis needs it: the thread's layout (character
// to key and shift state, key to scan code), one injected event at a time, and
// the pause between keys. The Win32 room implements it with VkKeyScanA,
// MapVirtualKeyW, SendInput and Sleep; tests use a keyboard that keeps key state.
#pragma once

#include <cstdint>

namespace tellurin {

// dwFlags of the four scan-code events that are ever sent.
constexpr std::uint32_t kKeyEventScanCode = 0x0008;
constexpr std::uint32_t kKeyEventExtended = 0x0001;
constexpr std::uint32_t kKeyEventKeyUp = 0x0002;
constexpr std::uint32_t kKeyDown = kKeyEventScanCode;                                  // 0x0008
constexpr std::uint32_t kKeyUp = kKeyEventScanCode | kKeyEventKeyUp;                   // 0x000A
constexpr std::uint32_t kExtendedKeyDown = kKeyEventScanCode | kKeyEventExtended;      // 0x0009
constexpr std::uint32_t kExtendedKeyUp = kKeyDown | kKeyEventExtended | kKeyEventKeyUp;  // 0x000B

constexpr std::uint8_t kVkShift = 0x10;
constexpr std::uint8_t kVkControl = 0x11;
constexpr std::uint8_t kVkMenu = 0x12;

struct Keyboard {
    virtual ~Keyboard() = default;
    // VkKeyScanA: key in the low byte, shift state in the high byte; low byte
    // 0xFF when the layout has no key for the character.
    virtual std::int16_t KeyForCharacter(char character) = 0;
    // MapVirtualKeyW with MAPVK_VK_TO_VSC: 0 when the key has no scan code.
    virtual std::uint32_t ScanCodeForKey(std::uint8_t virtualKey) = 0;
    // One keyboard INPUT record, sent alone.
    virtual void SendKeyEvent(std::uint32_t flags, std::uint8_t virtualKey, std::uint8_t scanCode) = 0;
    virtual void Pause(std::uint32_t milliseconds) = 0;
};

}  // namespace tellurin
