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

}  // namespace tellurin
