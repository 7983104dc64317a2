// The IME guard: with a Japanese IME open in the target, typed keys become
// kana and conversions, and a scan arrives garbled. When the ImeOff setting is
// 'Y', the IME of the window with the keyboard focus is closed for the frame
// and opened again after it. It is touched only when it answered that it is
// open: a closed IME, a window without one and a target that does not answer
// in time are typed into as they are.
#pragma once

#include <cstdint>

#include "resident/receiver/keyboard.h"

namespace tellurin {

// The keys of a frame wait in the target's input queue, and the target takes
// a sent message before them: the reopening waits until the target has taken
// the keys while its IME is still closed. How long that is grows with what was
// sent: a plain edit window under Wine takes an event in about 0.2 ms (2,200
// to 2,500 keys a second at key speed 9); a spreadsheet or a browser that
// works on each key is given ten times that. The cap bounds how long the IME
// stays closed after a frame, and with it how long the next frame and a stop
// wait: a 1023-character frame would otherwise wait 4 s.
constexpr std::uint32_t kImeReopenDelay = 100;         // after any frame
constexpr std::uint32_t kImeReopenDelayPerEvent = 2;   // for each key event the frame sent
constexpr std::uint32_t kImeReopenDelayLongest = 1000;

constexpr std::uint32_t ImeReopenDelay(std::uint32_t keyEvents) {
    return keyEvents >= (kImeReopenDelayLongest - kImeReopenDelay) / kImeReopenDelayPerEvent
               ? kImeReopenDelayLongest
               : kImeReopenDelay + keyEvents * kImeReopenDelayPerEvent;
}

struct ImeGuard {
    bool Reopen;  // the IME was found open and a close was sent
};

// Before the head key of a frame.
ImeGuard CloseImeForFrame(char16_t imeOff, Keyboard& keyboard);

// After the last key of the frame (all modifiers released) and its pause;
// keyEvents is how many key and Unicode events the frame sent. The IME is
// reopened even if the close went unanswered in time: the target takes a late
// message in order, so the reopening still follows the close.
void ReopenImeAfterFrame(const ImeGuard& guard, std::uint32_t keyEvents, Keyboard& keyboard);

}  // namespace tellurin
