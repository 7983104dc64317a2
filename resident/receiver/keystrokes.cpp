// Keystroke synthesis; see keystrokes.h. Every event is a scan-code event, so
// the receiving window sees the key the scan code names.
#include "resident/receiver/keystrokes.h"

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

char InvertLetterCase(char character) {
    if (character >= 'A' && character <= 'Z') return static_cast<char>(character + 0x20);
    if (character >= 'a' && character <= 'z') return static_cast<char>(character - 0x20);
    return character;
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
    if (scanCode == 0) return;
    // Bit 11 keeps its meaning for any key; a key of the enhanced clusters
    // is extended whatever the stored value says.
    const bool extended = (chord & kChordExtended) != 0 || IsEnhancedKeyboardKey(key);
    keyboard.SendKeyEvent(extended ? kExtendedKeyDown : kKeyDown, key, LowByte(scanCode));
    keyboard.SendKeyEvent(extended ? kExtendedKeyUp : kKeyUp, key, LowByte(scanCode));
}

void TypeFrame(std::u16string_view frameText, const FunctionSettings& settings,
               const ModifierScanCodes& scans, Keyboard& keyboard) {
    const std::uint32_t pause = KeyDelayFor(settings.KeySpeed);
    HeldModifiers held{};

    if (NamesKey(settings.HeadKey)) TypeChordKey(settings.HeadKey, held, scans, pause, keyboard);

    const bool invertCase = settings.CapsLock == u'Y';
    for (const char16_t unit : frameText) {
        if (unit < 0x20 || unit > 0x7E) continue;
        const auto ascii = static_cast<char>(unit);
        const char character = invertCase ? InvertLetterCase(ascii) : ascii;
        // Bits above the shift state are never passed on to the events.
        const auto chord = static_cast<KeyChord>(keyboard.KeyForCharacter(character) & 0x07FF);
        if (!NamesKey(chord)) continue;  // no key in this layout: left out silently
        SyncModifiers(chord, held, scans, keyboard);
        const std::uint32_t scanCode = keyboard.ScanCodeForKey(KeyByte(chord));
        if (scanCode != 0) {
            keyboard.SendKeyEvent(kKeyDown, KeyByte(chord), LowByte(scanCode));
            keyboard.SendKeyEvent(kKeyUp, KeyByte(chord), LowByte(scanCode));
        }
        if (pause != 0) keyboard.Pause(pause);
    }

    // A first terminator of key 0 means no terminators at all; 0xFF skips only
    // the first.
    if (KeyByte(settings.TermKey1) != kNoKey) {
        if (KeyByte(settings.TermKey1) != kNoKeyInLayout)
            TypeChordKey(settings.TermKey1, held, scans, pause, keyboard);
        if (NamesKey(settings.TermKey2)) TypeChordKey(settings.TermKey2, held, scans, pause, keyboard);
    }

    SyncModifiers(0, held, scans, keyboard);
}

}  // namespace tellurin
