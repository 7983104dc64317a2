// Cancelling one port operation; see cancel_port_operation.h.
#include "resident/receiver/win32/cancel_port_operation.h"

namespace tellurin {

void CancelPortOperation(HANDLE port, OVERLAPPED* operation) {
    using CancelIoExFunction = BOOL(WINAPI*)(HANDLE, LPOVERLAPPED);
    // kernel32 is always loaded; a cancellation is rare enough to look up each time.
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto cancelOne = reinterpret_cast<CancelIoExFunction>(
        reinterpret_cast<void*>(kernel != nullptr ? GetProcAddress(kernel, "CancelIoEx") : nullptr));
    if (cancelOne != nullptr) (void)cancelOne(port, operation);
    else (void)CancelIo(port);
}

}  // namespace tellurin
