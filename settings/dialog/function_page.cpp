// The function page's decisions; see function_page.h.
#include "settings/dialog/function_page.h"

#include "settings/dialog/digit_choice.h"

namespace tellurin {

namespace {

std::uint8_t KeyByte(KeyChord chord) { return static_cast<std::uint8_t>(chord & kChordKeyMask); }

bool Change(WorkingSettings& working) {
    working.FunctionChanged = true;
    return true;
}

}  // namespace

KeyChordView ShowKeyChord(KeyChord chord) {
    KeyChordView view{};
    for (int index = 0; index < kKeyTableSize; ++index) {
        if (KeyTable[index].VirtualKey == KeyByte(chord)) {
            view.ListIndex = index;
            break;
        }
    }
    view.Shift = (chord & kChordShift) != 0;
    view.Ctrl = (chord & kChordCtrl) != 0;
    view.Alt = (chord & kChordAlt) != 0;
    view.BoxesEnabled = view.ListIndex != 0;
    return view;
}

TermKey2Availability TermKey2GroupState(const FunctionSettings& settings) {
    // The key bytes decide, not the lists: a key outside the table still counts.
    const bool term1 = KeyByte(settings.TermKey1) != 0;
    return TermKey2Availability{term1, term1 && KeyByte(settings.TermKey2) != 0};
}

bool SetKey(bool& changed, KeyChord& chord, int index) {
    if (index < 0 || index >= kKeyTableSize) return false;
    const std::uint8_t key = KeyTable[index].VirtualKey;
    if (KeyByte(chord) == key) return false;
    chord = static_cast<KeyChord>((chord & 0xFF00) | key);  // the modifier bits stay, also for no key
    return changed = true;
}

bool SetModifier(bool& changed, KeyChord& chord, KeyChord bit, bool ticked) {
    const bool set = (chord & bit) != 0;
    if (ticked == set) return false;
    chord = static_cast<KeyChord>(ticked ? chord | bit : chord & ~bit);
    return changed = true;
}

bool SetKeySpeed(WorkingSettings& working, int position) {
    if (position < 0 || position >= 10 || position == working.Function.KeySpeed) return false;
    working.Function.KeySpeed = static_cast<std::uint16_t>(position);
    return Change(working);
}

bool SetYesNo(WorkingSettings& working, char16_t& field, bool ticked) {
    const char16_t value = ticked ? u'Y' : u'N';
    if (field == value) return false;
    field = value;
    return Change(working);
}

int CharacterCodeIndex(char16_t code) { return DigitChoiceIndex(code, kCharacterCodeCount); }

bool SelectCharacterCode(WorkingSettings& working, int index) {
    return StoreDigitChoice(working.Function.CharacterCode, index, kCharacterCodeCount) && Change(working);
}

}  // namespace tellurin
