// Keystroke synthesis: one good frame becomes the head key, its characters and
// up to two terminator keys, each with the Shift/Ctrl/Alt presses it needs and
// the pause of the key-speed step. Modifiers are pressed and released in one
// fixed order (Shift, Ctrl, Alt) and none is left down when a frame ends,
// nor when a stop cuts it short. Printable ASCII is typed as keys of the
// focused window's layout, so the target sees what a keyboard would send;
// every other character (kana, kanji, emoji), and any the layout has no plain
// key for, is sent as Unicode events, which no layout can get wrong.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <string_view>

#include "common/data_editing.h"
#include "common/settings_records.h"
#include "resident/receiver/keyboard.h"

namespace tellurin {

// Pause after each typed key, by KeySpeed step: 0 is "Slow", 9 is "Fast".
constexpr std::uint32_t KeyDelayTable[10] = {150, 100, 70, 50, 30, 20, 15, 10, 5, 0};

// A step above 9 cannot come from the store, but a record from elsewhere might
// hold one: it is typed at the fastest step rather than read past the table.
constexpr std::uint32_t KeyDelayFor(std::uint16_t keySpeed) {
    return KeyDelayTable[keySpeed > 9 ? 9 : keySpeed];
}

// Scan codes of VK_SHIFT, VK_CONTROL and VK_MENU, looked up once per receiver
// start in the receiver thread's own layout. They need not follow the focused
// window's layout: a scan code names a physical key, and every layout keeps
// Shift, Ctrl and Alt where the PC keyboard has them (2A, 1D, 38); layouts
// differ in what the character keys type.
struct ModifierScanCodes {
    std::uint8_t Shift;
    std::uint8_t Control;
    std::uint8_t Menu;
};

// Which modifiers the current frame holds down; all clear when a frame begins.
struct HeldModifiers {
    bool Shift;
    bool Control;
    bool Menu;
};

ModifierScanCodes LookUpModifierScanCodes(Keyboard& keyboard);

// Press or release Shift, then Ctrl, then Alt so that exactly the modifiers of
// the chord's bits 8-10 are held.
void SyncModifiers(KeyChord chord, HeldModifiers& held, const ModifierScanCodes& scans,
                   Keyboard& keyboard);

// Down and up of the chord's key byte (extended when bit 11 is set or the key
// is one of the enhanced keyboard's); nothing for key byte 0. A key without a
// scan code in the layout (Execute, on every standard layout) goes as a
// virtual-key event, so that its modifiers never make a lone tap: a lone Alt
// tap would open the target's menu bar.
void SendKeyChord(KeyChord chord, Keyboard& keyboard);

// Types a frame's text (UTF-16 units) with the keys around it, in the layout
// of the focused window and, when settings.ImeOff is 'Y', with its IME closed
// for the frame. A character 0x20..0x7E is typed as a key of the layout when
// one types it that is not a dead key (Caps Lock mode inverting the letter's
// case first); any other character as Unicode events with no modifier held,
// exactly as received, a pair of surrogates as one character with one pause.
// Control characters and half a surrogate pair are left out.
// receivingEnabled is looked at before each key: once it is cleared, the rest
// of the frame is dropped, the held modifiers are released and the IME is
// reopened, so a stop waits for one key and its pause at most (plus the IME's
// reopening delay) and never types into whatever has the focus by then.
// placedKeys are the keys an editing rule put between the characters (a
// field's key, a rule's Tab or Enter), each typed with its modifiers and a
// pause like a terminator, before the character at its position.
void TypeFrame(std::u16string_view frameText, const FunctionSettings& settings,
               const ModifierScanCodes& scans, Keyboard& keyboard, const std::atomic<bool>& receivingEnabled,
               std::span<const PlacedKey> placedKeys = {});

}  // namespace tellurin
