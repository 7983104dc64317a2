// The keyboard as keystroke synthesis needs it: a layout (character to key and
// shift state, key to scan code), one injected event at a time, the pause
// between keys, and the open status of the focused window's IME. Windows
// translates an injected scan code with the layout of the thread that has the
// focus, so each frame is looked up in that layout, not the receiver thread's
// own. The Win32 room implements it with VkKeyScanExA, MapVirtualKeyExW,
// SendInput, Sleep and WM_IME_CONTROL; tests use a keyboard that keeps key state.
#pragma once

#include <cstdint>

namespace tellurin {

// dwFlags of the four scan-code events: every key with a scan code goes so.
constexpr std::uint32_t kKeyEventScanCode = 0x0008;
constexpr std::uint32_t kKeyEventExtended = 0x0001;
constexpr std::uint32_t kKeyEventKeyUp = 0x0002;
constexpr std::uint32_t kKeyDown = kKeyEventScanCode;                                  // 0x0008
constexpr std::uint32_t kKeyUp = kKeyEventScanCode | kKeyEventKeyUp;                   // 0x000A
constexpr std::uint32_t kExtendedKeyDown = kKeyEventScanCode | kKeyEventExtended;      // 0x0009
constexpr std::uint32_t kExtendedKeyUp = kKeyDown | kKeyEventExtended | kKeyEventKeyUp;  // 0x000B

// A key that the layout has no scan code for is sent by its virtual key alone
// (wScan 0), with the extended flag when its chord asks for it.
constexpr std::uint32_t kVirtualKeyDown = 0x0000;
constexpr std::uint32_t kVirtualKeyUp = kKeyEventKeyUp;  // 0x0002

// A character that no key of the layout types as itself is sent as a Unicode
// event: wVk 0, wScan the UTF-16 unit. The target receives VK_PACKET and,
// translated, one WM_CHAR.
constexpr std::uint32_t kKeyEventUnicode = 0x0004;
constexpr std::uint32_t kUnicodeDown = kKeyEventUnicode;                 // 0x0004
constexpr std::uint32_t kUnicodeUp = kKeyEventUnicode | kKeyEventKeyUp;  // 0x0006

// MapVirtualKeyExW (MAPVK_VK_TO_CHAR) sets the top bit of its answer for a
// dead key: an accent that types nothing by itself and combines with the next
// character ("a after a dead " is a-umlaut).
constexpr std::uint32_t kDeadKeyBit = 0x80000000;

constexpr std::uint8_t kVkShift = 0x10;
constexpr std::uint8_t kVkControl = 0x11;
constexpr std::uint8_t kVkMenu = 0x12;

// The keys that only the enhanced keyboard's extra clusters have: their scan
// codes carry the E0 prefix, which a scan-code event conveys with the
// extended flag. Without it Windows takes an arrow for the numeric keypad's
// key (a digit with NumLock on) and right Ctrl for left Ctrl. (The keypad's
// Enter is extended too, but shares VK_RETURN with the main Enter key, so no
// virtual key can name it.) NumLock is not among them: the keyboard sends it
// as a plain 45; the layout marks it extended itself in what the target gets.
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
    0xA3,  // VK_RCONTROL
    0xA5,  // VK_RMENU
};

constexpr bool IsEnhancedKeyboardKey(std::uint8_t virtualKey) {
    for (const std::uint8_t key : kEnhancedKeyboardKeys)
        if (key == virtualKey) return true;
    return false;
}

// What the IME of the window with the keyboard focus answered when asked
// whether it is open.
enum class ImeOpenStatus : std::uint8_t {
    Closed,
    Open,
    NoFocusWindow,  // no foreground window, no focus in it, or no IME window for it
    NoAnswer,       // the target did not answer within the time-out
};

struct Keyboard {
    virtual ~Keyboard() = default;
    // The layout of the thread that owns the foreground window, for every
    // look-up until the next call; the receiver thread's own layout when
    // there is no foreground window. Until the first call, the receiver
    // thread's own.
    virtual void UseFocusedWindowLayout() = 0;
    // VkKeyScanExA: key in the low byte, shift state in the high byte; low
    // byte 0xFF when the layout has no key for the character.
    virtual std::int16_t KeyForCharacter(char character) = 0;
    // MapVirtualKeyExW with MAPVK_VK_TO_VSC: 0 when the key has no scan code.
    virtual std::uint32_t ScanCodeForKey(std::uint8_t virtualKey) = 0;
    // MapVirtualKeyExW with MAPVK_VK_TO_CHAR: the key's unshifted character in
    // the low word, kDeadKeyBit set for a dead key; 0 when it types none.
    virtual std::uint32_t CharacterForKey(std::uint8_t virtualKey) = 0;
    // One keyboard INPUT record, sent alone: a scan-code event, or a
    // virtual-key event (flags without KEYEVENTF_SCANCODE, scan code 0).
    virtual void SendKeyEvent(std::uint32_t flags, std::uint8_t virtualKey, std::uint8_t scanCode) = 0;
    // One Unicode INPUT record (kUnicodeDown or kUnicodeUp), sent alone.
    virtual void SendUnicodeEvent(std::uint32_t flags, char16_t unit) = 0;
    virtual void Pause(std::uint32_t milliseconds) = 0;
    // Asks the IME of the window that has the keyboard focus whether it is
    // open. Each message to the target is bounded by a time-out, so a hung
    // target costs a moment, never the receiver.
    virtual ImeOpenStatus QueryImeOpenStatus() = 0;
    // Opens or closes the IME that the last query found open; false when the
    // target did not answer in time.
    virtual bool SetImeOpenStatus(bool open) = 0;
};

}  // namespace tellurin
