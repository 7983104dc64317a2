// Judging the input target; see input_target.h.
#include "resident/receiver/input_target.h"

namespace tellurin {
namespace {

bool IsUsersDesktop(const char16_t* name) {
    const char16_t expected[] = u"Default";
    for (std::size_t index = 0; index < sizeof(expected) / sizeof(expected[0]); ++index) {
        // The comparison is case-insensitive, as desktop names are.
        char16_t unit = name[index];
        if (unit >= u'a' && unit <= u'z') unit = static_cast<char16_t>(unit - u'a' + u'A');
        char16_t wanted = expected[index];
        if (wanted >= u'a' && wanted <= u'z') wanted = static_cast<char16_t>(wanted - u'a' + u'A');
        if (unit != wanted) return false;
    }
    return true;
}

}  // namespace

TargetReach JudgeTarget(InputTarget& target) {
    char16_t desktop[kDesktopNameUnits] = {};
    if (!target.InputDesktopName(desktop)) return TargetReach::DesktopLocked;
    desktop[kDesktopNameUnits - 1] = u'\0';
    if (!IsUsersDesktop(desktop)) return TargetReach::DesktopLocked;

    std::uint32_t own = 0;
    std::uint32_t foreground = 0;
    if (!target.OwnIntegrityLevel(own) || !target.ForegroundIntegrityLevel(foreground)) return TargetReach::Reachable;
    return foreground > own ? TargetReach::TargetElevated : TargetReach::Reachable;
}

}  // namespace tellurin
