// The IME guard; see ime_guard.h.
#include "resident/receiver/ime_guard.h"

namespace tellurin {

ImeGuard CloseImeForFrame(char16_t imeOff, Keyboard& keyboard) {
    if (imeOff != u'Y') return ImeGuard{false};
    if (keyboard.QueryImeOpenStatus() != ImeOpenStatus::Open) return ImeGuard{false};
    // The result is not looked at: a close that timed out is still reopened.
    (void)keyboard.SetImeOpenStatus(false);
    return ImeGuard{true};
}

void ReopenImeAfterFrame(const ImeGuard& guard, std::uint32_t keyEvents, Keyboard& keyboard) {
    if (!guard.Reopen) return;
    keyboard.Pause(ImeReopenDelay(keyEvents));
    (void)keyboard.SetImeOpenStatus(true);  // a target that no longer answers keeps what it has
}

}  // namespace tellurin
