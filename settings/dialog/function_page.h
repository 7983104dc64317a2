// The function page's decisions: the 49 keys each key list offers, how a
// chord is shown in its key group, what choosing a key or ticking a modifier
// changes (only bits 0-10 of a chord; the rest pass through), the rules that
// enable the second terminator's group, and the slider and check boxes.
#pragma once

#include <cstdint>

#include "settings/store/settings_store.h"

namespace tellurin {

struct KeyTableEntry {
    const char16_t* Text;
    std::uint8_t VirtualKey;
};
constexpr int kKeyTableSize = 49;
extern const KeyTableEntry KeyTable[kKeyTableSize];

// One key group: its list and its Shift, Ctrl and Alt boxes.
struct KeyGroup {
    int ListId, ShiftId, CtrlId, AltId;
};
constexpr KeyGroup kHeadKeyGroup{1016, 1017, 1018, 1019};
constexpr KeyGroup kTermKey1Group{1020, 1021, 1022, 1023};
constexpr KeyGroup kTermKey2Group{1024, 1025, 1026, 1027};
constexpr int kKeySpeedSliderId = 1028;
constexpr int kCapsLockBoxId = 1029;
constexpr int kTrayIconBoxId = 1030;

struct KeyChordView {
    int ListIndex;  // 0 ("付加しない") when the key is not in the table
    bool Shift, Ctrl, Alt;
    bool BoxesEnabled;
};
KeyChordView ShowKeyChord(KeyChord chord);

// Which parts of the second terminator's group may be used.
struct TermKey2Availability {
    bool ListEnabled;
    bool BoxesEnabled;
};
TermKey2Availability TermKey2GroupState(const FunctionSettings& settings);

// Puts KeyTable[index] into the chord; true (and FunctionChanged) when it changed.
bool SetKey(WorkingSettings& working, KeyChord& chord, int index);
// Makes one modifier bit follow its box; true (and FunctionChanged) when it changed.
bool SetModifier(WorkingSettings& working, KeyChord& chord, KeyChord bit, bool ticked);
bool SetKeySpeed(WorkingSettings& working, int position);
bool SetYesNo(WorkingSettings& working, char16_t& field, bool ticked);

}  // namespace tellurin
