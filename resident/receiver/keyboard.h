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

// The keys that only the enhanced keyboard's extra clusters have: their scan
// codes carry the E0 prefix, which a scan-code event conveys with the
// extended flag. Without it Windows takes an arrow for the numeric keypad's
// key (a digit with NumLock on) and right Ctrl for left Ctrl. (The keypad's
// Enter is extended too, but shares VK_RETURN with the main Enter key, so no
// virtual key can name it.)
constexpr std::uint8_t kEnhancedKeyboardKeys[] = {
    0x21,  // VK_PRIOR (Page Up)
    0x22,  // VK_NEXT (Page Down)
    0x23,  // VK_END
    0x24,  // VK_HOME
    0x25,  // VK_LEFT
    0x26,  // VK_UP
    0x27,  // VK_RIGHT
    0x28,  // VK_DOWN
    0x2D,  // VK_INSERT
    0x2E,  // VK_DELETE
    0x6F,  // VK_DIVIDE (the keypad's)
    0x90,  // VK_NUMLOCK
    0xA3,  // VK_RCONTROL
    0xA5,  // VK_RMENU
};

constexpr bool IsEnhancedKeyboardKey(std::uint8_t virtualKey) {
    for (const std::uint8_t key : kEnhancedKeyboardKeys)
        if (key == virtualKey) return true;
    return false;
}

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
