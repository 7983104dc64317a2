// The function page's decisions: the 49 keys each key list offers, how a
// chord is shown in its key group, what choosing a key or ticking a modifier
// changes (only bits 0-10 of a chord; the rest pass through), the rules that
// enable the second terminator's group, the slider, the character code list
// and the check boxes.
#pragma once

#include <cstdint>

#include "settings/store/settings_store.h"

namespace tellurin {

struct KeyTableEntry {
    const char16_t* Text;
    std::uint8_t VirtualKey;
};
constexpr int kKeyTableSize = 49;
// Virtual-key codes as the platform defines them (checked against its headers).
inline constexpr KeyTableEntry KeyTable[kKeyTableSize] = {
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
constexpr int kCharacterCodeListId = 1033;
constexpr int kImeOffBoxId = 1034;

// How frame bytes are read, listed in the order of the stored codes '0' to '3'.
constexpr int kCharacterCodeCount = 4;
inline constexpr const char16_t* kCharacterCodeTexts[kCharacterCodeCount] = {u"ASCII (英数字のみ)", u"シフトJIS",
                                                                             u"UTF-8", u"自動判別"};

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

// A key group's list and boxes, on whichever page holds the group: changed
// is the page's flag (FunctionChanged, EditChanged).
// Puts KeyTable[index] into the chord; true (and changed) when it changed.
bool SetKey(bool& changed, KeyChord& chord, int index);
// Makes one modifier bit follow its box; true (and changed) when it changed.
bool SetModifier(bool& changed, KeyChord& chord, KeyChord bit, bool ticked);
bool SetKeySpeed(WorkingSettings& working, int position);
bool SetYesNo(WorkingSettings& working, char16_t& field, bool ticked);

// The list entry of a stored code; a code outside the list shows the first
// entry, and stays stored until an entry is picked.
int CharacterCodeIndex(char16_t code);
// true (and FunctionChanged) when the pick changed the code.
bool SelectCharacterCode(WorkingSettings& working, int index);

}  // namespace tellurin
