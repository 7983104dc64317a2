// Whether keystrokes can reach an application now. Injected keys go nowhere
// while the input desktop is not the user's (locked workstation, a UAC
// prompt, another secure desktop), and Windows drops them without an error
// when the focused window's process runs at a higher integrity level than
// ours. The Win32 room reports the facts; the judgement is here. Where a
// fact cannot be read the frame is typed as before, except that a foreground
// process we are refused access to, while our own level is known, counts as
// elevated: that is how a window elevated with another account's password,
// or a tool running as SYSTEM, looks from a standard user's process.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tellurin {

// Mandatory integrity levels (the label's RID).
constexpr std::uint32_t kIntegrityMedium = 0x2000;  // SECURITY_MANDATORY_MEDIUM_RID
constexpr std::uint32_t kIntegrityHigh = 0x3000;    // SECURITY_MANDATORY_HIGH_RID

constexpr std::size_t kDesktopNameUnits = 32;

enum class LevelRead { Known, Unknown, Refused };

struct InputTarget {
    virtual ~InputTarget() = default;
    // OpenInputDesktop and its name (NUL-terminated, cut to the buffer);
    // false when the input desktop cannot be opened, as while a secure
    // desktop is shown.
    virtual bool InputDesktopName(char16_t (&name)[kDesktopNameUnits]) = 0;
    // The integrity level of the foreground window's process: Known, Refused
    // when opening the process or its token was denied (ERROR_ACCESS_DENIED),
    // Unknown for every other failure (no foreground window, a token without
    // a label).
    virtual LevelRead ForegroundIntegrityLevel(std::uint32_t& level) = 0;
    // This process's level; false where the system has none (XP).
    virtual bool OwnIntegrityLevel(std::uint32_t& level) = 0;
};

enum class TargetReach { Reachable, DesktopLocked, TargetElevated };

TargetReach JudgeTarget(InputTarget& target);

}  // namespace tellurin
