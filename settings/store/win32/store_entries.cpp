// TELLURS_01 (load the settings) and TELLURS_02 (open the port). Until the
// store and the port opening are in place, each gives the answer its caller
// already handles: the store could not be rebuilt (0, records untouched), and
// the port's time-outs could not be set (4, no handle, nothing shown).
#include <windows.h>

#include <type_traits>

#include "common/tellurs_entries.h"

using tellurin::CommunicationSettings;
using tellurin::FunctionSettings;

extern "C" {

__declspec(dllexport) std::int32_t TELLURS_CALL TELLURS_01(CommunicationSettings*, FunctionSettings*) {
    return 0;
}

__declspec(dllexport) std::int32_t TELLURS_CALL TELLURS_02(CommunicationSettings, void**) { return 4; }

}  // extern "C"

static_assert(std::is_same_v<decltype(&TELLURS_01), tellurin::LoadSettingsEntry>);
static_assert(std::is_same_v<decltype(&TELLURS_02), tellurin::OpenPortEntry>);
