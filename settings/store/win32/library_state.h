// The settings library's one copy of the working settings and the dialog's
// change flags: zero-filled when the library is loaded, lost when it is freed.
#pragma once

#include "settings/store/settings_store.h"

namespace tellurin {

WorkingSettings& LibraryWorkingSettings();

}  // namespace tellurin
