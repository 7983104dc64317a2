// The settings library's one copy of the working settings and the dialog's
// change flags: zero-filled when the library is loaded, lost when it is freed;
// and the check every entry makes of the program it is loaded into.
#pragma once

#include "settings/store/settings_store.h"

namespace tellurin {

WorkingSettings& LibraryWorkingSettings();

// True when the process's program exports this library's interface number
// (TELLUR_INTERFACE). An older TELLUR.EXE still running after a newer
// release was unpacked over it has none: its records are of another layout,
// so every entry fails before it reads or fills one.
bool LoadedByOwnProgram();

}  // namespace tellurin
