// See library_state.h. Static storage is zero-initialised at load.
#include "settings/store/win32/library_state.h"

namespace tellurin {

WorkingSettings& LibraryWorkingSettings() {
    static WorkingSettings working{};
    return working;
}

}  // namespace tellurin
