// TELLURS_00, the start and finish of the settings dialog. Until the dialog is
// in place the start form answers 10 (the dialog could not be set up), which
// the resident program reports; the finish form is never reached after that.
#include <windows.h>

#include <type_traits>

#include "common/tellurs_entries.h"

extern "C" __declspec(dllexport) std::int32_t TELLURS_CALL TELLURS_00(void*, const char16_t*,
                                                                       tellurin::CommunicationSettings*,
                                                                       tellurin::FunctionSettings*) {
    return 10;
}

static_assert(std::is_same_v<decltype(&TELLURS_00), tellurin::SettingsDialogEntry>);
