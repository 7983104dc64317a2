// The input target as Windows reports it, and a listener that counts the
// notices of changed reception causes. By default the target is the user's
// desktop ("Default") with a foreground window at our own (medium) level.
#pragma once

#include <cstdint>
#include <string>

#include "resident/receiver/input_target.h"
#include "resident/receiver/reception_causes.h"

namespace tellurin::fakes {

class FakeInputTarget : public InputTarget {
public:
    bool InputDesktopName(char16_t (&name)[kDesktopNameUnits]) override {
        ++checks;
        // OpenInputDesktop fails while a secure desktop (Winlogon's lock
        // screen, the UAC prompt) is the input desktop.
        if (!inputDesktopOpens) return false;
        std::u16string::size_type index = 0;
        for (; index < desktop.size() && index + 1 < kDesktopNameUnits; ++index) name[index] = desktop[index];
        name[index] = u'\0';
        return true;
    }
    LevelRead ForegroundIntegrityLevel(std::uint32_t& level) override {
        // Unknown: no foreground window, or a token without a label. Refused:
        // OpenProcess or OpenProcessToken fail with ERROR_ACCESS_DENIED, as
        // for another account's process without SeDebugPrivilege.
        if (foreground != LevelRead::Known) return foreground;
        level = foregroundLevel;
        return LevelRead::Known;
    }
    bool OwnIntegrityLevel(std::uint32_t& level) override {
        // XP's tokens carry no integrity level.
        if (!ownKnown) return false;
        level = ownLevel;
        return true;
    }

    bool inputDesktopOpens = true;
    std::u16string desktop = u"Default";
    LevelRead foreground = LevelRead::Known;
    std::uint32_t foregroundLevel = kIntegrityMedium;
    bool ownKnown = true;
    std::uint32_t ownLevel = kIntegrityMedium;
    int checks = 0;
};

class CountingCauseListener : public ReceptionCauseListener {
public:
    void ReceptionCausesChanged() override { ++notices; }
    int notices = 0;
};

}  // namespace tellurin::fakes
