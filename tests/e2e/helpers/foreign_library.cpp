// A settings library of another interface, for the end-to-end tests: copied
// beside TELLUR.EXE as TELLURS.DLL, it stands for a newer release's library
// unpacked over an older program. It has every entry, and each ends the
// process with exit code 99: the program must refuse it before calling any.
#include <windows.h>

#include <cstdint>

#include "common/tellurs_entries.h"

extern "C" {

__declspec(dllexport) extern const std::uint32_t TELLURS_INTERFACE = tellurin::kLibraryInterface + 1;

__declspec(dllexport) std::int32_t TELLURS_CALL TELLURS_00(void*, const char16_t*, tellurin::CommunicationSettings*,
                                                            tellurin::FunctionSettings*) {
    ExitProcess(99);
}
__declspec(dllexport) std::int32_t TELLURS_CALL TELLURS_01(tellurin::CommunicationSettings*,
                                                            tellurin::FunctionSettings*) {
    ExitProcess(99);
}
__declspec(dllexport) std::int32_t TELLURS_CALL TELLURS_02(tellurin::CommunicationSettings, void**) {
    ExitProcess(99);
}

}  // extern "C"
