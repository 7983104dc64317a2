// Loads TELLURS.DLL the way the resident program does (by full path) and calls
// into it for the end-to-end tests.
//
//   library_probe.exe lookup <TELLURS.DLL path>   each entry found by its exact name
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <initializer_list>

#include "common/tellurs_entries.h"

namespace {

int LookUp(const wchar_t* libraryPath) {
    HMODULE library = LoadLibraryExW(libraryPath, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (library == nullptr) {
        std::printf("cannot load library (error %lu)\n", GetLastError());
        return 1;
    }
    int missing = 0;
    for (const char* name : {tellurin::kSettingsDialogEntryName, tellurin::kLoadSettingsEntryName,
                             tellurin::kOpenPortEntryName}) {
        const bool found = GetProcAddress(library, name) != nullptr;
        std::printf("%s %s\n", name, found ? "found" : "missing");
        if (!found) ++missing;
    }
    FreeLibrary(library);
    return missing;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && std::wcscmp(argv[1], L"lookup") == 0) return LookUp(argv[2]);
    std::fprintf(stderr, "usage: library_probe lookup <dll>\n");
    return 2;
}
