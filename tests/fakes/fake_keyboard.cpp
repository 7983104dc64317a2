// US-layout keyboard double; see fake_keyboard.h.
#include "tests/fakes/fake_keyboard.h"

#include <cstdio>
#include <cstring>

namespace tellurin::fakes {
namespace {

struct SymbolKey {
    char Plain;
    char Shifted;
    std::uint8_t VirtualKey;
    std::uint8_t ScanCode;
};

// Digits and punctuation of the US layout: unshifted and shifted character.
constexpr SymbolKey kSymbolKeys[] = {
    {'1', '!', 0x31, 0x02}, {'2', '@', 0x32, 0x03}, {'3', '#', 0x33, 0x04}, {'4', '$', 0x34, 0x05},
    {'5', '%', 0x35, 0x06}, {'6', '^', 0x36, 0x07}, {'7', '&', 0x37, 0x08}, {'8', '*', 0x38, 0x09},
    {'9', '(', 0x39, 0x0A}, {'0', ')', 0x30, 0x0B}, {'-', '_', 0xBD, 0x0C}, {'=', '+', 0xBB, 0x0D},
    {'[', '{', 0xDB, 0x1A}, {']', '}', 0xDD, 0x1B}, {';', ':', 0xBA, 0x27}, {'\'', '"', 0xDE, 0x28},
    {'`', '~', 0xC0, 0x29}, {'\\', '|', 0xDC, 0x2B}, {',', '<', 0xBC, 0x33}, {'.', '>', 0xBE, 0x34},
    {'/', '?', 0xBF, 0x35},
};

constexpr char kLetterScanCodes[] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                     0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                     0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};

// Enhanced: the key sits in the enhanced keyboard's extra clusters and its
// scan code carries the E0 prefix. Windows reads a scan-code event without
// the extended flag as the key of the original keyboard with that scan code:
// the numeric keypad's key for an arrow, left Ctrl for right Ctrl.
struct NamedKey {
    std::uint8_t VirtualKey;
    std::uint8_t ScanCode;
    const char* Name;
    bool Enhanced;
};

constexpr NamedKey kNamedKeys[] = {
    {0x08, 0x0E, "Backspace", false}, {0x09, 0x0F, "Tab", false},    {0x0D, 0x1C, "Enter", false},
    {0x10, 0x2A, "Shift", false},     {0x11, 0x1D, "Ctrl", false},   {0x12, 0x38, "Alt", false},
    {0x1B, 0x01, "Esc", false},       {0x20, 0x39, "Space", false},  {0x25, 0x4B, "Left", true},
    {0x26, 0x48, "Up", true},         {0x27, 0x4D, "Right", true},   {0x28, 0x50, "Down", true},
    {0x2E, 0x53, "Delete", true},     {0x70, 0x3B, "F1", false},
    {0x7B, 0x58, "F12", false},       {0xA3, 0x1D, "RCtrl", true},
};

bool IsEnhanced(std::uint8_t virtualKey) {
    for (const auto& key : kNamedKeys)
        if (key.VirtualKey == virtualKey) return key.Enhanced;
    return false;
}

bool IsModifier(std::uint8_t virtualKey) {
    return virtualKey == kVkShift || virtualKey == kVkControl || virtualKey == kVkMenu;
}

std::string KeyName(std::uint8_t virtualKey) {
    for (const auto& key : kNamedKeys)
        if (key.VirtualKey == virtualKey) return key.Name;
    if (virtualKey >= 'A' && virtualKey <= 'Z') return std::string(1, static_cast<char>(virtualKey));
    for (const auto& key : kSymbolKeys)
        if (key.VirtualKey == virtualKey) return std::string(1, key.Plain);
    char hex[8];
    std::snprintf(hex, sizeof hex, "VK%02X", virtualKey);
    return hex;
}

// The character a key types with Shift up or down, or 0 for a non-character key.
char CharacterOf(std::uint8_t virtualKey, bool shift) {
    if (virtualKey == 0x20) return ' ';
    if (virtualKey >= 'A' && virtualKey <= 'Z') return static_cast<char>(shift ? virtualKey : virtualKey + 0x20);
    for (const auto& key : kSymbolKeys)
        if (key.VirtualKey == virtualKey) return shift ? key.Shifted : key.Plain;
    return 0;
}

}  // namespace

std::int16_t UsLayoutKeyForCharacter(char character) {
    if (character == ' ') return 0x0020;
    if (character >= 'a' && character <= 'z') return static_cast<std::int16_t>(character - 0x20);
    if (character >= 'A' && character <= 'Z') return static_cast<std::int16_t>(0x0100 | character);
    for (const auto& key : kSymbolKeys) {
        if (key.Plain == character) return key.VirtualKey;
        if (key.Shifted == character) return static_cast<std::int16_t>(0x0100 | key.VirtualKey);
    }
    return -1;
}

std::uint32_t UsLayoutScanCode(std::uint8_t virtualKey) {
    if (virtualKey >= 'A' && virtualKey <= 'Z') return static_cast<std::uint8_t>(kLetterScanCodes[virtualKey - 'A']);
    for (const auto& key : kSymbolKeys)
        if (key.VirtualKey == virtualKey) return key.ScanCode;
    for (const auto& key : kNamedKeys)
        if (key.VirtualKey == virtualKey) return key.ScanCode;
    return 0;
}

std::int16_t FakeKeyboard::KeyForCharacter(char character) {
    if (missingCharacters_.count(character) != 0) return -1;
    return UsLayoutKeyForCharacter(character);
}

std::uint32_t FakeKeyboard::ScanCodeForKey(std::uint8_t virtualKey) {
    if (keysWithoutScanCode_.count(virtualKey) != 0) return 0;
    return UsLayoutScanCode(virtualKey);
}

void FakeKeyboard::SendKeyEvent(std::uint32_t flags, std::uint8_t virtualKey, std::uint8_t scanCode) {
    events_.push_back(KeyEvent{flags, virtualKey, scanCode});
    const bool up = (flags & kKeyEventKeyUp) != 0;
    char step[32];
    std::snprintf(step, sizeof step, "%s%s%02X ", (flags & kKeyEventExtended) ? "e" : "", up ? "^" : "v",
                  virtualKey);
    trace_ += step;

    if ((flags & kKeyEventScanCode) == 0) faults_.push_back("event without KEYEVENTF_SCANCODE");
    if (scanCode != (UsLayoutScanCode(virtualKey) & 0xFF)) faults_.push_back("scan code does not match " + KeyName(virtualKey));
    if (IsEnhanced(virtualKey) && (flags & kKeyEventExtended) == 0)
        faults_.push_back(KeyName(virtualKey) + " without the extended flag is another key on Windows");
    if (up) {
        if (!keyDown_[virtualKey]) faults_.push_back("released " + KeyName(virtualKey) + " while up");
        keyDown_[virtualKey] = false;
        return;
    }
    if (keyDown_[virtualKey]) faults_.push_back("pressed " + KeyName(virtualKey) + " while down");
    keyDown_[virtualKey] = true;
    if (IsModifier(virtualKey)) return;

    const bool shift = keyDown_[kVkShift], ctrl = keyDown_[kVkControl], alt = keyDown_[kVkMenu];
    const char character = CharacterOf(virtualKey, shift);
    if (character != 0 && !ctrl && !alt) {
        transcript_ += character;
        return;
    }
    std::string chord = "{";
    if (ctrl) chord += "Ctrl+";
    if (alt) chord += "Alt+";
    if (shift) chord += "Shift+";
    chord += KeyName(virtualKey);
    if (flags & kKeyEventExtended) chord += ",ext";
    transcript_ += chord + "}";
}

void FakeKeyboard::Pause(std::uint32_t milliseconds) {
    pauses_.push_back(milliseconds);
    trace_ += "[" + std::to_string(milliseconds) + "] ";
}

bool FakeKeyboard::AnyKeyDown() const {
    for (bool down : keyDown_)
        if (down) return true;
    return false;
}

}  // namespace tellurin::fakes
