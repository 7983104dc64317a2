// The function page's decisions; see function_page.h.
#include "settings/dialog/function_page.h"

namespace tellurin {

const KeyTableEntry KeyTable[kKeyTableSize] = {
    {u"付加しない", 0x00}, {u"Enter", 0x0D}, {u"Tab", 0x09},   {u"←", 0x25},  {u"↑", 0x26},
    {u"→", 0x27},         {u"↓", 0x28},    {u"スペース", 0x20}, {u"A", 0x41},   {u"B", 0x42},
    {u"C", 0x43},         {u"D", 0x44},    {u"E", 0x45},    {u"F", 0x46},   {u"G", 0x47},
    {u"H", 0x48},         {u"I", 0x49},    {u"J", 0x4A},    {u"K", 0x4B},   {u"L", 0x4C},
    {u"M", 0x4D},         {u"N", 0x4E},    {u"O", 0x4F},    {u"P", 0x50},   {u"Q", 0x51},
    {u"R", 0x52},         {u"S", 0x53},    {u"T", 0x54},    {u"U", 0x55},   {u"V", 0x56},
    {u"W", 0x57},         {u"X", 0x58},    {u"Y", 0x59},    {u"Z", 0x5A},   {u"F1", 0x70},
    {u"F2", 0x71},        {u"F3", 0x72},   {u"F4", 0x73},   {u"F5", 0x74},  {u"F6", 0x75},
    {u"F7", 0x76},        {u"F8", 0x77},   {u"F9", 0x78},   {u"F10", 0x79}, {u"F11", 0x7A},
    {u"F12", 0x7B},       {u", (コンマ)", 0xBC}, {u"実行", 0x2B}, {u"右Ctrl", 0xA3},
};

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

bool SetKey(WorkingSettings& working, KeyChord& chord, int index) {
    if (index < 0 || index >= kKeyTableSize) return false;
    const std::uint8_t key = KeyTable[index].VirtualKey;
    if (KeyByte(chord) == key) return false;
    chord = static_cast<KeyChord>((chord & 0xFF00) | key);  // the modifier bits stay, also for no key
    return Change(working);
}

bool SetModifier(WorkingSettings& working, KeyChord& chord, KeyChord bit, bool ticked) {
    const bool set = (chord & bit) != 0;
    if (ticked == set) return false;
    chord = static_cast<KeyChord>(ticked ? chord | bit : chord & ~bit);
    return Change(working);
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

}  // namespace tellurin
