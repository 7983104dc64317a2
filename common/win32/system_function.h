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

// A library of the system folder, loaded by its full path there, so a file
// of the same name elsewhere (beside the program, in the current directory)
// is never taken; null where it is missing.
inline HMODULE LoadSystemLibrary(const wchar_t* fileName) {
    wchar_t path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length + 1 + lstrlenW(fileName) >= MAX_PATH) return nullptr;
    path[length] = L'\\';
    lstrcpyW(path + length + 1, fileName);
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace tellurin
