// Cancelling one port operation; see cancel_port_operation.h.
#include "resident/receiver/win32/cancel_port_operation.h"

#include "common/win32/system_function.h"

namespace tellurin {

void CancelPortOperation(HANDLE port, OVERLAPPED* operation) {
    using CancelIoExFunction = BOOL(WINAPI*)(HANDLE, LPOVERLAPPED);
    // kernel32 is always loaded; a cancellation is rare enough to look up each time.
    const auto cancelOne =
        FindSystemFunction<CancelIoExFunction>(GetModuleHandleW(L"kernel32.dll"), "CancelIoEx");
    if (cancelOne != nullptr) (void)cancelOne(port, operation);
    else (void)CancelIo(port);
}

}  // namespace tellurin
