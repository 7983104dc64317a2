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
// the numeric keypad's key for an arrow, left Ctrl for right Ctrl. Execute has
// no scan code on the standard layouts; NumLock's is a plain 45.
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
    {0x2B, 0x00, "Execute", false},   {0x2E, 0x53, "Delete", true},  {0x70, 0x3B, "F1", false},
    {0x7B, 0x58, "F12", false},       {0x90, 0x45, "NumLock", false}, {0xA3, 0x1D, "RCtrl", true},
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

// The character a key of the US layout types with Shift up or down, or 0 for
// a non-character key.
char CharacterOf(std::uint8_t virtualKey, bool shift) {
    if (virtualKey == 0x20) return ' ';
    if (virtualKey >= 'A' && virtualKey <= 'Z') return static_cast<char>(shift ? virtualKey : virtualKey + 0x20);
    for (const auto& key : kSymbolKeys)
        if (key.VirtualKey == virtualKey) return shift ? key.Shifted : key.Plain;
    return 0;
}

char LayoutCharacterOf(FakeLayout layout, std::uint8_t virtualKey, bool shift) {
    if (layout == FakeLayout::WithoutAtSign && virtualKey == '2' && shift) return '"';
    return CharacterOf(virtualKey, shift);
}

// US-International's dead keys: VK_OEM_7 (' "), VK_OEM_3 (` ~), Shift+6 (^).
bool IsDeadKey(FakeLayout layout, std::uint8_t virtualKey, bool shift) {
    return layout == FakeLayout::UsInternational &&
           (virtualKey == 0xDE || virtualKey == 0xC0 || (virtualKey == '6' && shift));
}

// What a dead key's accent and the next character make on US-International
// (a few of its pairs); 0 for a character the accent does not combine with.
char32_t Composed(char accent, char character) {
    struct Pair {
        char Accent;
        char Character;
        char32_t Result;
    };
    constexpr Pair kPairs[] = {{'\'', 'a', U'á'}, {'\'', 'e', U'é'}, {'"', 'a', U'ä'}, {'"', 'e', U'ë'},
                               {'`', 'a', U'à'},  {'~', 'n', U'ñ'},  {'^', 'e', U'ê'}};
    for (const Pair& pair : kPairs)
        if (pair.Accent == accent && pair.Character == character) return pair.Result;
    return 0;
}

std::uint32_t LayoutScanCode(FakeLayout layout, std::uint8_t virtualKey) {
    if (layout == FakeLayout::Qwertz && virtualKey == 'Y') return 0x2C;
    if (layout == FakeLayout::Qwertz && virtualKey == 'Z') return 0x15;
    return UsLayoutScanCode(virtualKey);
}

// The key that a layout gives an injected scan code (0 for none), as Windows
// reads a scan-code event. The E0 forms are the enhanced keys and the keypad's
// Enter, which is still VK_RETURN.
std::uint8_t LayoutKeyForScanCode(FakeLayout layout, std::uint8_t scanCode, bool extended) {
    if (extended) {
        for (const auto& key : kNamedKeys)
            if (key.Enhanced && key.ScanCode == scanCode) return key.VirtualKey;
        return scanCode == 0x1C ? 0x0D : 0;
    }
    if (scanCode == 0) return 0;
    for (std::uint8_t letter = 'A'; letter <= 'Z'; ++letter)
        if (LayoutScanCode(layout, letter) == scanCode) return letter;
    for (const auto& key : kSymbolKeys)
        if (key.ScanCode == scanCode) return key.VirtualKey;
    for (const auto& key : kNamedKeys)
        if (!key.Enhanced && key.ScanCode == scanCode) return key.VirtualKey;
    return 0;
}

void AppendUtf8(std::string& text, char32_t character) {
    if (character < 0x80) {
        text += static_cast<char>(character);
    } else if (character < 0x800) {
        text += static_cast<char>(0xC0 | (character >> 6));
        text += static_cast<char>(0x80 | (character & 0x3F));
    } else if (character < 0x10000) {
        text += static_cast<char>(0xE0 | (character >> 12));
        text += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (character & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (character >> 18));
        text += static_cast<char>(0x80 | ((character >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (character & 0x3F));
    }
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

// Every layout puts the letters on the same virtual keys; only the scan codes
// of Y and Z differ on QWERTZ, so the character answer is the US one but for
// the missing @. A dead key is answered like any other (VkKeyScanExA does).
std::int16_t FakeKeyboard::KeyForCharacter(char character) {
    if (missingCharacters_.count(character) != 0) return -1;
    if (lookupLayout_ == FakeLayout::WithoutAtSign && character == '@') return -1;
    return UsLayoutKeyForCharacter(character);
}

// Letters answer in upper case, as Windows does.
std::uint32_t FakeKeyboard::CharacterForKey(std::uint8_t virtualKey) {
    const char character = virtualKey >= 'A' && virtualKey <= 'Z' ? static_cast<char>(virtualKey)
                                                                  : LayoutCharacterOf(lookupLayout_, virtualKey, false);
    if (character == 0) return 0;
    return static_cast<std::uint8_t>(character) | (IsDeadKey(lookupLayout_, virtualKey, false) ? kDeadKeyBit : 0);
}

std::uint32_t FakeKeyboard::ScanCodeForKey(std::uint8_t virtualKey) {
    if (keysWithoutScanCode_.count(virtualKey) != 0) return 0;
    return LayoutScanCode(lookupLayout_, virtualKey);
}

void FakeKeyboard::SendKeyEvent(std::uint32_t flags, std::uint8_t virtualKey, std::uint8_t scanCode) {
    events_.push_back(KeyEvent{flags, virtualKey, scanCode});
    const bool up = (flags & kKeyEventKeyUp) != 0;
    const bool extended = (flags & kKeyEventExtended) != 0;
    const bool byScanCode = (flags & kKeyEventScanCode) != 0;
    char step[32];
    std::snprintf(step, sizeof step, "%s%s%s%02X ", extended ? "e" : "", byScanCode ? "" : "k", up ? "^" : "v",
                  virtualKey);
    trace_ += step;

    if ((flags & kKeyEventUnicode) != 0) faults_.push_back("Unicode flag on a key event");
    // Windows ignores wVk in a scan-code event and reads the scan code in the
    // focused window's layout; a virtual-key event is the key it names.
    std::uint8_t key = virtualKey;
    if (byScanCode) {
        if (IsEnhanced(virtualKey) && !extended)
            faults_.push_back(KeyName(virtualKey) + " without the extended flag is another key on Windows");
        const std::uint8_t read = LayoutKeyForScanCode(focusedLayout_, scanCode, extended);
        if (read != virtualKey && !(IsEnhanced(virtualKey) && !extended)) {
            char detail[64];
            std::snprintf(detail, sizeof detail, "scan code %s%02X is ", extended ? "E0 " : "", scanCode);
            faults_.push_back(detail + (read == 0 ? std::string("no key") : KeyName(read)) + " in the focused layout, not " +
                              KeyName(virtualKey));
        }
        if (read != 0) key = read;
    }
    if (!up && !IsModifier(key) && imeStatus_ == ImeOpenStatus::Open) ++keysWhileImeOpen_;
    if (up) {
        if (!keyDown_[key]) faults_.push_back("released " + KeyName(key) + " while up");
        keyDown_[key] = false;
        return;
    }
    if (keyDown_[key]) faults_.push_back("pressed " + KeyName(key) + " while down");
    keyDown_[key] = true;
    if (IsModifier(key)) return;
    Type(key, extended);
    CountDownForStop();
}

void FakeKeyboard::CountDownForStop() {
    if (stopFlag_ != nullptr && --downsBeforeStop_ == 0) stopFlag_->store(false);
}

void FakeKeyboard::Type(std::uint8_t key, bool extended) {
    const bool shift = keyDown_[kVkShift], ctrl = keyDown_[kVkControl], alt = keyDown_[kVkMenu];
    const char character = LayoutCharacterOf(focusedLayout_, key, shift);
    if (character != 0 && !ctrl && !alt) {
        const char accent = pendingAccent_;
        pendingAccent_ = 0;
        if (IsDeadKey(focusedLayout_, key, shift)) {
            if (accent != 0) transcript_ += accent;
            pendingAccent_ = character;
        } else if (accent == 0) {
            transcript_ += character;
        } else if (character == ' ') {
            transcript_ += accent;
        } else if (const char32_t composed = Composed(accent, character); composed != 0) {
            AppendUtf8(transcript_, composed);
        } else {
            transcript_ += accent;
            transcript_ += character;
        }
        return;
    }
    std::string chord = "{";
    if (ctrl) chord += "Ctrl+";
    if (alt) chord += "Alt+";
    if (shift) chord += "Shift+";
    chord += KeyName(key);
    if (extended) chord += ",ext";
    transcript_ += chord + "}";
}

// The target receives VK_PACKET down and up, which change no key state, and
// one WM_CHAR with the unit; a held Ctrl or Alt still reaches it with the
// character, as the state of those keys.
void FakeKeyboard::SendUnicodeEvent(std::uint32_t flags, char16_t unit) {
    events_.push_back(KeyEvent{flags, 0, unit});
    const bool up = (flags & kKeyEventKeyUp) != 0;
    char step[32];
    std::snprintf(step, sizeof step, "u%s%04X ", up ? "^" : "v", static_cast<unsigned>(unit));
    trace_ += step;
    if ((flags & ~(kKeyEventUnicode | kKeyEventKeyUp)) != 0 || (flags & kKeyEventUnicode) == 0)
        faults_.push_back("malformed Unicode event flags");
    if (up) {
        if (unicodeDown_.erase(unit) == 0) faults_.push_back("released a Unicode unit that was not down");
        return;
    }
    if (!unicodeDown_.insert(unit).second) faults_.push_back("pressed a Unicode unit twice");
    if (imeStatus_ == ImeOpenStatus::Open) ++keysWhileImeOpen_;
    TypeUnicode(unit);
    CountDownForStop();
}

void FakeKeyboard::TypeUnicode(char16_t unit) {
    const bool high = unit >= 0xD800 && unit <= 0xDBFF, low = unit >= 0xDC00 && unit <= 0xDFFF;
    if (pendingHighSurrogate_ != 0 && !low) faults_.push_back("half a surrogate pair");
    char32_t character = unit;
    if (high) {
        pendingHighSurrogate_ = unit;
        return;
    }
    if (low) {
        if (pendingHighSurrogate_ == 0) {
            faults_.push_back("half a surrogate pair");
            return;
        }
        character = 0x10000 + ((static_cast<char32_t>(pendingHighSurrogate_) - 0xD800) << 10) + (unit - 0xDC00);
    }
    pendingHighSurrogate_ = 0;
    // A waiting accent is taken as one that does not combine with the character.
    if (pendingAccent_ != 0) transcript_ += pendingAccent_;
    pendingAccent_ = 0;
    const bool ctrl = keyDown_[kVkControl], alt = keyDown_[kVkMenu];
    if (!ctrl && !alt) {
        AppendUtf8(transcript_, character);
        return;
    }
    transcript_ += std::string("{") + (ctrl ? "Ctrl+" : "") + (alt ? "Alt+" : "");
    AppendUtf8(transcript_, character);
    transcript_ += "}";
}

void FakeKeyboard::Pause(std::uint32_t milliseconds) {
    pauses_.push_back(milliseconds);
    trace_ += "[" + std::to_string(milliseconds) + "] ";
}

ImeOpenStatus FakeKeyboard::QueryImeOpenStatus() {
    ++imeQueries_;
    imeFoundOpen_ = imeStatus_ == ImeOpenStatus::Open;
    return imeStatus_;
}

bool FakeKeyboard::SetImeOpenStatus(bool open) {
    trace_ += open ? "ime:on " : "ime:off ";
    if (!imeFoundOpen_) faults_.push_back("IME set without a query that found it open");
    if (!imeTakesSets_) return false;
    imeStatus_ = open ? ImeOpenStatus::Open : ImeOpenStatus::Closed;
    return true;
}

bool FakeKeyboard::AnyKeyDown() const {
    for (bool down : keyDown_)
        if (down) return true;
    return !unicodeDown_.empty() || pendingHighSurrogate_ != 0 || pendingAccent_ != 0;
}

}  // namespace tellurin::fakes
