// Start-up of the resident program in its fixed order: one instance only (a
// second start hands over to the first and ends quietly), the Windows version,
// the program's directory, the settings, the resident window, the message
// loop; the exit code is the code of the last message shown.
// The first instance holds the mutex for the whole of its own start-up (the
// library's load, which a virus scan can stretch, and the registry read)
// before its window can be found, so a second start that finds no window
// looks again for a while before it calls that a failure.
#pragma once

#include <cstdint>
#include <string>

#include "resident/shell/library_client.h"
#include "resident/shell/messages.h"

namespace tellurin {

// Mutex name, version and revision; the about box shows "Ver 3.0.4.3".
extern const char16_t* const IdentityTable[3];

// What CreateMutexW and a wait of 0 gave. AccessDenied: the mutex exists but
// this process may not open it (ERROR_ACCESS_DENIED), as when the running
// instance is elevated and this one is not.
enum class InstanceClaim { Owned, HeldByAnother, AccessDenied, Failed };

// How long a second start waits for the first instance's window: it looks
// again every kLookAgainInterval milliseconds, kFirstInstanceWait in all.
constexpr std::uint32_t kLookAgainInterval = 100;
constexpr std::uint32_t kFirstInstanceWait = 5000;

struct StartupPlatform {
    virtual ~StartupPlatform() = default;
    // CreateMutexW(owner, IdentityTable[0]) and a wait of 0; an abandoned mutex
    // counts as owned. When held by another, this process's handle is closed.
    virtual InstanceClaim ClaimSingleInstance() = 0;
    // Posts UM_OPEN_SETTINGS to the first instance's window; false if none.
    virtual bool HandOverToFirstInstance() = 0;
    virtual void Pause(std::uint32_t milliseconds) = 0;  // Sleep
    virtual void WindowsVersion(std::uint32_t& major, std::uint32_t& minor) = 0;
    // Full path of the running program file; empty when it does not fit.
    virtual std::u16string ModulePath() = 0;
    // Registers the class and creates the hidden window (its creation handler
    // may refuse); true when the window exists.
    virtual bool CreateResidentWindow() = 0;
    virtual void RunMessageLoop() = 0;
    virtual void CloseInstanceMutex() = 0;
};

// 5.0 and 4.0 are refused; 5.1, 5.2 and 6.0 on are accepted.
bool IsWindowsVersionAccepted(std::uint32_t major, std::uint32_t minor);

// The directory part of a program path ("D:\Tools\TELLUR.EXE" gives
// "D:\Tools", "C:\TELLUR.EXE" gives "C:\"); empty when there is none.
std::u16string DirectoryOfPath(const std::u16string& path);

std::int32_t RunResidentProgram(StartupPlatform& platform, SettingsLibraryClient& client);

}  // namespace tellurin
