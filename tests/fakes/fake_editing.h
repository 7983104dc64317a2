// What the editing step and frame assembly take from the world: a clock that
// always says 2024-03-05 07:08:09 (GetLocalTime's fields) and counts its
// reads, and a keeper that holds the last frame received.
#pragma once

#include <string>
#include <string_view>

#include "common/data_editing.h"
#include "resident/receiver/frame_assembly.h"

namespace tellurin::fakes {

struct FixedClock final : Clock {
    LocalTime Now() override {
        ++reads;
        return time;
    }
    LocalTime time{2024, 3, 5, 7, 8, 9};
    int reads = 0;
};

struct KeptLastFrame final : LastFrameKeeper {
    void KeepLastFrame(std::u16string_view text) override { last.assign(text); }
    std::u16string last;
};

}  // namespace tellurin::fakes
