// See library_state.h. Static storage is zero-initialised at load.
#include "settings/store/win32/library_state.h"

#include <windows.h>

#include "common/tellurs_entries.h"

namespace tellurin {

WorkingSettings& LibraryWorkingSettings() {
    static WorkingSettings working{};
    return working;
}

bool LoadedByOwnProgram() {
    HMODULE program = GetModuleHandleW(nullptr);
    const FARPROC number = program != nullptr ? GetProcAddress(program, kProgramInterfaceName) : nullptr;
    return IsOwnInterface(reinterpret_cast<const void*>(number));
}

}  // namespace tellurin
