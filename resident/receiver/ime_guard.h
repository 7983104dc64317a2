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
// a sent message before them: the reopening waits this long after the last
// key, so that the target has taken the keys while its IME is still closed.
constexpr std::uint32_t kImeReopenDelay = 100;

struct ImeGuard {
    bool Reopen;  // the IME was found open and a close was sent
};

// Before the head key of a frame.
ImeGuard CloseImeForFrame(char16_t imeOff, Keyboard& keyboard);

// After the last key of the frame and its pause. The IME is reopened even if
// the close went unanswered in time: the target takes a late message in
// order, so the reopening still follows the close.
void ReopenImeAfterFrame(const ImeGuard& guard, Keyboard& keyboard);

}  // namespace tellurin
