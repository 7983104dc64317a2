// The input target's facts on Win32: the input desktop's name and the
// integrity levels of the foreground window's process and of this one.
// Translates only; every call is available on XP, where the token has no
// integrity level and the judgement then types as before.
#pragma once

#include "resident/receiver/input_target.h"

namespace tellurin {

class Win32InputTarget final : public InputTarget {
public:
    bool InputDesktopName(char16_t (&name)[kDesktopNameUnits]) override;
    LevelRead ForegroundIntegrityLevel(std::uint32_t& level) override;
    bool OwnIntegrityLevel(std::uint32_t& level) override;

private:
    // A process keeps its level: read once.
    bool ownRead_ = false;
    bool ownKnown_ = false;
    std::uint32_t ownLevel_ = 0;
};

}  // namespace tellurin
