// Judging the input target; see input_target.h.
#include "resident/receiver/input_target.h"

#include "common/ascii_case.h"

namespace tellurin {

TargetReach JudgeTarget(InputTarget& target) {
    char16_t desktop[kDesktopNameUnits] = {};
    if (!target.InputDesktopName(desktop)) return TargetReach::DesktopLocked;
    desktop[kDesktopNameUnits - 1] = u'\0';
    if (!EqualIgnoringAsciiCase(desktop, u"Default")) return TargetReach::DesktopLocked;

    std::uint32_t own = 0;
    std::uint32_t foreground = 0;
    if (!target.OwnIntegrityLevel(own) || !target.ForegroundIntegrityLevel(foreground)) return TargetReach::Reachable;
    return foreground > own ? TargetReach::TargetElevated : TargetReach::Reachable;
}

}  // namespace tellurin
