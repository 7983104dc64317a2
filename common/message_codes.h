// Numbers both binaries agree on: the message codes that double as results of
// the library's operations, and the private messages of the resident window.
#pragma once

#include <cstdint>

namespace tellurin {

// Message codes: indices into the resident program's message table.
enum MessageCode : std::int32_t {
    MessageNone = 0,             // success; never shown
    MessageEndProgram = 1,       // end without a message
    MessageNotAFailure = 2,
    MessageWrongWindowsVersion = 3,
    MessageFunctionFailure = 4,  // shown with a detail number
    MessageSettingsNotRead = 5,
    MessageSettingsNotSaved = 6,
    MessageWindowNotInitialised = 7,
    MessageThreadNotCreated = 8,
    MessageSetupNotStarted = 9,
    MessageSetupNotInitialised = 10,
    MessageSetupMainWindowFailed = 11,
    MessageSetupPageFailed = 12,
    MessageWrongLibraryVersion = 13,  // TELLURS.DLL of another interface: refused, and the program ends
};
constexpr std::int32_t kMessageCodeCount = 14;

// Detail numbers shown with MessageFunctionFailure: which step failed.
enum FunctionFailureDetail : std::int32_t {
    FailureTrayIcon = 1,
    FailureSingleInstance = 2,
    FailureResidentWindow = 3,
    FailureSettingsDialogStart = 4,
    FailureSettingsDialogEnd = 5,
    FailurePortOpening = 6,  // the library could not open the port (no entry, or time-outs refused)
};

// Private messages of the resident window.
constexpr std::uint32_t UM_GET_IDENTITY = 0x500;
constexpr std::uint32_t UM_SETTINGS_CLOSED = 0x501;
constexpr std::uint32_t UM_TRAY_NOTIFY = 0x600;
constexpr std::uint32_t UM_OPEN_SETTINGS = 0x601;
constexpr std::uint32_t UM_OPEN_PORT = 0x602;
constexpr std::uint32_t UM_QUIT = 0x604;
// Posted by a receiver thread whose port's device has gone; the window then
// reopens the port quietly, with a back-off, until the device is back.
constexpr std::uint32_t UM_PORT_LOST = 0x610;
// Posted by a receiver thread when the reasons it sees for scans not arriving
// change; the window reads them from the receiver and tells the user.
constexpr std::uint32_t UM_RECEPTION_CAUSES = 0x611;
// Posted by a receiver thread when it has written a request command to the
// port; wParam is the request's number. The device's answer is timed from here.
constexpr std::uint32_t UM_REQUEST_WRITTEN = 0x612;

// The finish form of the dialog entry answers this when the dialog's thread
// has not ended within its wait: the library must then stay loaded.
constexpr std::int32_t kSettingsDialogStillRunning = 259;  // STILL_ACTIVE, the exit code of a running thread

}  // namespace tellurin
