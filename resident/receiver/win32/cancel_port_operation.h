// Cancelling one overlapped operation on the port. CancelIoEx exists from
// Windows Vista on, and the program also starts on XP and Server 2003, so it is
// looked up when needed rather than imported. Where it is missing, CancelIo
// serves: it cancels the calling thread's operations on the handle, and every
// operation here is cancelled by the thread that issued it.
#pragma once

#include <windows.h>

namespace tellurin {

void CancelPortOperation(HANDLE port, OVERLAPPED* operation);

}  // namespace tellurin
