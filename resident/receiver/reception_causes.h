// Why scans may not be arriving, as the receiver sees it: a small set of
// causes that the receiver thread raises and clears as it goes, and that the
// resident window reads to tell the user (a balloon when a cause appears, a
// second line of the tray tip while it lasts). The set is one atomic word, so
// the receiver never waits for the window; each change is announced once.
#pragma once

#include <atomic>
#include <cstdint>

namespace tellurin {

enum ReceptionCause : std::uint32_t {
    CauseTargetElevated = 0x01,  // the focused window runs at a higher integrity level
    CauseDesktopLocked = 0x02,   // the input desktop is not the user's (lock screen, UAC prompt)
    CauseAnswerBlocked = 0x04,   // an answer byte did not leave within its wait (no CTS)
    CauseLineError = 0x08,       // framing, parity or break errors: speed or parity mismatch
    CauseOverrun = 0x10,         // received bytes were lost (driver or UART overrun)
    CauseNoFrames = 0x20,        // bytes arrive but never make frames: the protocol does not match
    CauseShiftJisMissing = 0x40,  // Windows has no code page 932 for a Shift-JIS frame
    CauseLengthMismatch = 0x80,   // a frame's length is outside LengthMin..LengthMax
    CauseNoAnswer = 0x100,        // no frame completed within RequestTimeout after a request
};
// Most telling first: the order the tip names an active cause in.
constexpr ReceptionCause kReceptionCausesByPriority[] = {
    CauseDesktopLocked, CauseTargetElevated, CauseShiftJisMissing, CauseLengthMismatch,
    CauseAnswerBlocked, CauseLineError,      CauseOverrun,         CauseNoFrames,
    CauseNoAnswer};
constexpr std::uint32_t kAllReceptionCauses = [] {
    std::uint32_t all = 0;
    for (const ReceptionCause cause : kReceptionCausesByPriority) all |= cause;
    return all;
}();
static_assert(kAllReceptionCauses == 0x1FF, "every cause has its place in the priority list");
// A typed frame shows that the line, the protocol and the target work (and
// that the device answers: any completed frame clears CauseNoAnswer). An
// answer's own trouble waits for an answer that gets out, and a missing code
// page stays missing while ASCII frames go on being typed.
constexpr std::uint32_t kCausesClearedByTypedFrame =
    kAllReceptionCauses & ~(CauseAnswerBlocked | CauseShiftJisMissing);

// Told (from the receiver thread) after the set has changed.
struct ReceptionCauseListener {
    virtual ~ReceptionCauseListener() = default;
    virtual void ReceptionCausesChanged() = 0;
};

// Lives as long as the program; written by the receiver thread, read by the
// window's thread.
class ReceptionCauses {
public:
    void Raise(std::uint32_t causes, ReceptionCauseListener& listener) {
        if ((active_.fetch_or(causes, std::memory_order_acq_rel) & causes) != causes) listener.ReceptionCausesChanged();
    }
    void Clear(std::uint32_t causes, ReceptionCauseListener& listener) {
        if ((active_.fetch_and(~causes, std::memory_order_acq_rel) & causes) != 0) listener.ReceptionCausesChanged();
    }
    std::uint32_t Active() const { return active_.load(std::memory_order_acquire); }
    // All causes gone, without a notice: for a reader that looks anyway.
    void Reset() { active_.store(0, std::memory_order_release); }

private:
    std::atomic<std::uint32_t> active_{0};
};

}  // namespace tellurin
