// Which controls of a page show a value an administrator's policy sets: they
// are disabled, with every control that changes the same value, and the page
// then says so once at its foot.
#pragma once

#include <vector>

#include "settings/store/settings_store.h"

namespace tellurin {

constexpr int kPolicyNoteId = 1090;  // "一部の設定は管理者によって固定されています。", hidden until needed

// The ids to disable on page `pageIndex` (0 communication, 1 function, 2 data
// editing), from working.Locks; empty when the page has none.
std::vector<int> LockedControlIds(const WorkingSettings& working, int pageIndex);

}  // namespace tellurin
