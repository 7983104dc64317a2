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
    if (!target.OwnIntegrityLevel(own)) return TargetReach::Reachable;
    std::uint32_t foreground = 0;
    switch (target.ForegroundIntegrityLevel(foreground)) {
        case LevelRead::Known: return foreground > own ? TargetReach::TargetElevated : TargetReach::Reachable;
        case LevelRead::Refused: return TargetReach::TargetElevated;  // fail closed: UIPI would drop the keys unseen
        case LevelRead::Unknown: break;
    }
    return TargetReach::Reachable;
}

}  // namespace tellurin
