// Keystroke synthesis; see keystrokes.h. Keys go as scan-code events, so the
// receiving window sees the key the scan code names; only a head or terminator
// key the layout has no scan code for goes by its virtual key.
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

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
bool IsControl(char16_t unit) { return unit < 0x20 || (unit >= 0x7F && unit <= 0x9F); }

char InvertLetterCase(char character) {
    if (character >= 'A' && character <= 'Z') return static_cast<char>(character + 0x20);
    if (character >= 'a' && character <= 'z') return static_cast<char>(character - 0x20);
    return character;
}

// Passes everything on and counts the events sent: the IME's reopening waits
// for as many as the target has to take.
class EventCountingKeyboard final : public Keyboard {
public:
    explicit EventCountingKeyboard(Keyboard& keyboard) : keyboard_(keyboard) {}
    std::uint32_t Events() const { return events_; }

    void UseFocusedWindowLayout() override { keyboard_.UseFocusedWindowLayout(); }
    std::int16_t KeyForCharacter(char character) override { return keyboard_.KeyForCharacter(character); }
    std::uint32_t ScanCodeForKey(std::uint8_t virtualKey) override { return keyboard_.ScanCodeForKey(virtualKey); }
    std::uint32_t CharacterForKey(std::uint8_t virtualKey) override { return keyboard_.CharacterForKey(virtualKey); }
    void SendKeyEvent(std::uint32_t flags, std::uint8_t virtualKey, std::uint8_t scanCode) override {
        ++events_;
        keyboard_.SendKeyEvent(flags, virtualKey, scanCode);
    }
    void SendUnicodeEvent(std::uint32_t flags, char16_t unit) override {
        ++events_;
        keyboard_.SendUnicodeEvent(flags, unit);
    }
    void Pause(std::uint32_t milliseconds) override { keyboard_.Pause(milliseconds); }
    ImeOpenStatus QueryImeOpenStatus() override { return keyboard_.QueryImeOpenStatus(); }
    bool SetImeOpenStatus(bool open) override { return keyboard_.SetImeOpenStatus(open); }

private:
    Keyboard& keyboard_;
    std::uint32_t events_ = 0;
};

// A frame being typed: the keys so far and what stops it.
struct FrameTyping {
    const ModifierScanCodes& Scans;
    std::uint32_t Pause;
    const std::atomic<bool>& ReceivingEnabled;
    Keyboard& Keys;
    HeldModifiers Held;
};

bool Stopped(const FrameTyping& typing) { return !typing.ReceivingEnabled.load(std::memory_order_acquire); }

void PauseAfterKey(FrameTyping& typing) {
    if (typing.Pause != 0) typing.Keys.Pause(typing.Pause);
}

// Head and terminator keys: modifiers, the key itself, then the pause, which
// is taken even when the key produced no event.
void TypeChordKey(KeyChord chord, FrameTyping& typing) {
    SyncModifiers(chord, typing.Held, typing.Scans, typing.Keys);
    SendKeyChord(chord, typing.Keys);
    PauseAfterKey(typing);
}

// One character (one unit, or both of a surrogate pair) as Unicode events;
// a held modifier would turn it into a shortcut.
void TypeUnicodeCharacter(std::u16string_view units, FrameTyping& typing) {
    SyncModifiers(0, typing.Held, typing.Scans, typing.Keys);
    for (const char16_t unit : units) {
        typing.Keys.SendUnicodeEvent(kUnicodeDown, unit);
        typing.Keys.SendUnicodeEvent(kUnicodeUp, unit);
    }
    PauseAfterKey(typing);
}

// A printable ASCII character as a key of the layout, with the modifiers it
// needs. A character the layout has no key for, or only a dead key (which
// would wait and combine with the next character), or a key without a scan
// code, goes as a Unicode event instead, exactly as received: Caps Lock does
// not act on a Unicode event, so nothing is inverted for it.
void TypeAsciiCharacter(char ascii, bool invertCase, FrameTyping& typing) {
    Keyboard& keyboard = typing.Keys;
    // Bits above the shift state are never passed on to the events.
    const auto chord =
        static_cast<KeyChord>(keyboard.KeyForCharacter(invertCase ? InvertLetterCase(ascii) : ascii) & 0x07FF);
    const std::uint32_t scanCode = NamesKey(chord) && (keyboard.CharacterForKey(KeyByte(chord)) & kDeadKeyBit) == 0
                                       ? keyboard.ScanCodeForKey(KeyByte(chord))
                                       : 0;
    if (scanCode == 0) {
        const char16_t unit = static_cast<unsigned char>(ascii);
        TypeUnicodeCharacter(std::u16string_view(&unit, 1), typing);
        return;
    }
    SyncModifiers(chord, typing.Held, typing.Scans, keyboard);
    keyboard.SendKeyEvent(kKeyDown, KeyByte(chord), LowByte(scanCode));
    keyboard.SendKeyEvent(kKeyUp, KeyByte(chord), LowByte(scanCode));
    PauseAfterKey(typing);
}

// Everything between the IME's closing and its reopening; returns at the
// first key that a stop finds, with modifiers possibly held.
void TypeKeys(std::u16string_view frameText, std::span<const PlacedKey> placedKeys, const FunctionSettings& settings,
              FrameTyping& typing) {
    if (NamesKey(settings.HeadKey)) {
        if (Stopped(typing)) return;
        TypeChordKey(settings.HeadKey, typing);
    }

    const bool invertCase = settings.CapsLock == u'Y';
    std::size_t nextKey = 0;
    // The rule's keys placed before the character at index (or after the last).
    const auto typePlacedKeys = [&](std::size_t index) {
        for (; nextKey < placedKeys.size() && placedKeys[nextKey].Position <= index; ++nextKey) {
            if (Stopped(typing)) return false;
            TypeChordKey(placedKeys[nextKey].Chord, typing);
        }
        return true;
    };
    for (std::size_t index = 0; index < frameText.size(); ++index) {
        if (!typePlacedKeys(index)) return;
        const char16_t unit = frameText[index];
        if (IsControl(unit) || IsLowSurrogate(unit)) continue;
        const bool pair = IsHighSurrogate(unit);
        if (pair && (index + 1 == frameText.size() || !IsLowSurrogate(frameText[index + 1]))) continue;
        if (Stopped(typing)) return;
        if (unit <= 0x7E) {
            TypeAsciiCharacter(static_cast<char>(unit), invertCase, typing);
        } else {
            TypeUnicodeCharacter(frameText.substr(index, pair ? 2 : 1), typing);
            if (pair) ++index;
        }
    }

    if (!typePlacedKeys(frameText.size())) return;

    // A first terminator of key 0 means no terminators at all; 0xFF skips only
    // the first, with its modifiers.
    if (KeyByte(settings.TermKey1) == kNoKey) return;
    if (KeyByte(settings.TermKey1) != kNoKeyInLayout) {
        if (Stopped(typing)) return;
        TypeChordKey(settings.TermKey1, typing);
    }
    if (NamesKey(settings.TermKey2)) {
        if (Stopped(typing)) return;
        TypeChordKey(settings.TermKey2, typing);
    }
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
               const ModifierScanCodes& scans, Keyboard& keyboard, const std::atomic<bool>& receivingEnabled,
               std::span<const PlacedKey> placedKeys) {
    if (!receivingEnabled.load(std::memory_order_acquire)) return;
    keyboard.UseFocusedWindowLayout();
    const ImeGuard ime = CloseImeForFrame(settings.ImeOff, keyboard);
    EventCountingKeyboard counted(keyboard);
    FrameTyping typing{scans, KeyDelayFor(settings.KeySpeed), receivingEnabled, counted, HeldModifiers{}};
    TypeKeys(frameText, placedKeys, settings, typing);
    SyncModifiers(0, typing.Held, scans, counted);
    ReopenImeAfterFrame(ime, counted.Events(), keyboard);
}

}  // namespace tellurin
