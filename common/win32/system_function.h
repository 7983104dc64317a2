// A function of a system library, looked up by name: for functions newer than
// the oldest Windows the program starts on, which must not be imported or the
// loader refuses the program there. Null where the library or the function is
// missing.
#pragma once

#include <windows.h>

namespace tellurin {

template <typename Function>
Function FindSystemFunction(HMODULE library, const char* name) {
    if (library == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// True where LoadLibraryExW takes the LOAD_LIBRARY_SEARCH_ flags: Windows 8
// on, and Vista and 7 with their loader update. Windows tells by exporting
// SetDefaultDllDirectories, which is looked up only, never called: a
// process-wide default would also hold for libraries others load into the
// process, and cut them off from their own folders.
inline bool LibrarySearchFlagsAvailable() {
    return FindSystemFunction<FARPROC>(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories") != nullptr;
}

// A library of the system folder, loaded by its full path there, so a file
// of the same name elsewhere (beside the program, in the current directory)
// is never taken; its own imports come from the system folder only where
// Windows can, otherwise by the altered order (the system folder first).
// Null where it is missing.
inline HMODULE LoadSystemLibrary(const wchar_t* fileName) {
    wchar_t path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length + 1 + lstrlenW(fileName) >= MAX_PATH) return nullptr;
    path[length] = L'\\';
    lstrcpyW(path + length + 1, fileName);
    return LoadLibraryExW(path, nullptr,
                          LibrarySearchFlagsAvailable() ? LOAD_LIBRARY_SEARCH_SYSTEM32 : LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace tellurin
