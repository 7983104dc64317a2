// Keystroke synthesis; see keystrokes.h. Keys go as scan-code events, so the
// receiving window sees the key the scan code names; only a key the layout has
// no scan code for goes by its virtual key.
#include "resident/receiver/keystrokes.h"

#include "resident/receiver/ime_guard.h"

namespace tellurin {
namespace {

constexpr std::uint8_t kNoKey = 0x00;
constexpr std::uint8_t kNoKeyInLayout = 0xFF;

std::uint8_t KeyByte(KeyChord chord) { return static_cast<std::uint8_t>(chord & kChordKeyMask); }
std::uint8_t LowByte(std::uint32_t value) { return static_cast<std::uint8_t>(value & 0xFF); }

bool NamesKey(KeyChord chord) {
    const std::uint8_t key = KeyByte(chord);
    return key != kNoKey && key != kNoKeyInLayout;
}

void SyncOneModifier(bool wanted, bool& held, std::uint8_t virtualKey, std::uint8_t scanCode,
                     Keyboard& keyboard) {
    if (wanted && !held) {
        keyboard.SendKeyEvent(kKeyDown, virtualKey, scanCode);
        held = true;
    } else if (!wanted && held) {
        keyboard.SendKeyEvent(kKeyUp, virtualKey, scanCode);
        held = false;
    }
}

// Head and terminator keys: modifiers, the key itself, then the pause, which
// is taken even when the key produced no event.
void TypeChordKey(KeyChord chord, HeldModifiers& held, const ModifierScanCodes& scans,
                  std::uint32_t pause, Keyboard& keyboard) {
    SyncModifiers(chord, held, scans, keyboard);
    SendKeyChord(chord, keyboard);
    if (pause != 0) keyboard.Pause(pause);
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
bool IsControl(char16_t unit) { return unit < 0x20 || (unit >= 0x7F && unit <= 0x9F); }

void SendUnicodeUnit(char16_t unit, Keyboard& keyboard) {
    keyboard.SendUnicodeEvent(kUnicodeDown, unit);
    keyboard.SendUnicodeEvent(kUnicodeUp, unit);
}

char InvertLetterCase(char character) {
    if (character >= 'A' && character <= 'Z') return static_cast<char>(character + 0x20);
    if (character >= 'a' && character <= 'z') return static_cast<char>(character - 0x20);
    return character;
}

// A printable ASCII character, as a key of the layout with the modifiers it
// needs; left out silently when the layout has no key for it.
void TypeLayoutCharacter(char ascii, bool invertCase, HeldModifiers& held, const ModifierScanCodes& scans,
                         std::uint32_t pause, Keyboard& keyboard) {
    const char character = invertCase ? InvertLetterCase(ascii) : ascii;
    // Bits above the shift state are never passed on to the events.
    const auto chord = static_cast<KeyChord>(keyboard.KeyForCharacter(character) & 0x07FF);
    if (!NamesKey(chord)) return;
    SyncModifiers(chord, held, scans, keyboard);
    const std::uint32_t scanCode = keyboard.ScanCodeForKey(KeyByte(chord));
    if (scanCode != 0) {
        keyboard.SendKeyEvent(kKeyDown, KeyByte(chord), LowByte(scanCode));
        keyboard.SendKeyEvent(kKeyUp, KeyByte(chord), LowByte(scanCode));
    }
    if (pause != 0) keyboard.Pause(pause);
}

}  // namespace

ModifierScanCodes LookUpModifierScanCodes(Keyboard& keyboard) {
    return ModifierScanCodes{LowByte(keyboard.ScanCodeForKey(kVkShift)),
                             LowByte(keyboard.ScanCodeForKey(kVkControl)),
                             LowByte(keyboard.ScanCodeForKey(kVkMenu))};
}

void SyncModifiers(KeyChord chord, HeldModifiers& held, const ModifierScanCodes& scans,
                   Keyboard& keyboard) {
    SyncOneModifier((chord & kChordShift) != 0, held.Shift, kVkShift, scans.Shift, keyboard);
    SyncOneModifier((chord & kChordCtrl) != 0, held.Control, kVkControl, scans.Control, keyboard);
    SyncOneModifier((chord & kChordAlt) != 0, held.Menu, kVkMenu, scans.Menu, keyboard);
}

void SendKeyChord(KeyChord chord, Keyboard& keyboard) {
    const std::uint8_t key = KeyByte(chord);
    if (key == kNoKey) return;
    const std::uint32_t scanCode = keyboard.ScanCodeForKey(key);
    // Bit 11 keeps its meaning for any key; a key of the enhanced clusters
    // is extended whatever the stored value says.
    const bool extended = (chord & kChordExtended) != 0 || IsEnhancedKeyboardKey(key);
    if (scanCode == 0) {
        const std::uint32_t extendedFlag = extended ? kKeyEventExtended : 0;
        keyboard.SendKeyEvent(kVirtualKeyDown | extendedFlag, key, 0);
        keyboard.SendKeyEvent(kVirtualKeyUp | extendedFlag, key, 0);
        return;
    }
    keyboard.SendKeyEvent(extended ? kExtendedKeyDown : kKeyDown, key, LowByte(scanCode));
    keyboard.SendKeyEvent(extended ? kExtendedKeyUp : kKeyUp, key, LowByte(scanCode));
}

void TypeFrame(std::u16string_view frameText, const FunctionSettings& settings,
               const ModifierScanCodes& scans, Keyboard& keyboard) {
    keyboard.UseFocusedWindowLayout();
    const ImeGuard ime = CloseImeForFrame(settings.ImeOff, keyboard);
    const std::uint32_t pause = KeyDelayFor(settings.KeySpeed);
    HeldModifiers held{};

    if (NamesKey(settings.HeadKey)) TypeChordKey(settings.HeadKey, held, scans, pause, keyboard);

    const bool invertCase = settings.CapsLock == u'Y';
    for (std::size_t index = 0; index < frameText.size(); ++index) {
        const char16_t unit = frameText[index];
        if (unit >= 0x20 && unit <= 0x7E) {
            TypeLayoutCharacter(static_cast<char>(unit), invertCase, held, scans, pause, keyboard);
            continue;
        }
        if (IsControl(unit) || IsLowSurrogate(unit)) continue;
        const bool pair = IsHighSurrogate(unit);
        if (pair && (index + 1 == frameText.size() || !IsLowSurrogate(frameText[index + 1]))) continue;
        // A held modifier would turn the character into a shortcut.
        SyncModifiers(0, held, scans, keyboard);
        SendUnicodeUnit(unit, keyboard);
        if (pair) SendUnicodeUnit(frameText[++index], keyboard);
        if (pause != 0) keyboard.Pause(pause);
    }

    // A first terminator of key 0 means no terminators at all; 0xFF skips only
    // the first, with its modifiers.
    if (KeyByte(settings.TermKey1) != kNoKey) {
        if (KeyByte(settings.TermKey1) != kNoKeyInLayout)
            TypeChordKey(settings.TermKey1, held, scans, pause, keyboard);
        if (NamesKey(settings.TermKey2)) TypeChordKey(settings.TermKey2, held, scans, pause, keyboard);
    }

    SyncModifiers(0, held, scans, keyboard);
    ReopenImeAfterFrame(ime, keyboard);
}

}  // namespace tellurin
