// Start-up; see startup.h. The program's directory is taken from the running
// module, not from the command line, which the starting process may fill with
// anything: the library is only ever loaded from beside the program.
#include "resident/shell/startup.h"

#include "common/message_codes.h"

namespace tellurin {

const char16_t* const IdentityTable[3] = {u"TELLUR.EXE", u"3.0", u"4.3"};

bool IsWindowsVersionAccepted(std::uint32_t major, std::uint32_t minor) { return major > 5 || minor >= 1; }

std::u16string DirectoryOfPath(const std::u16string& path) {
    const std::size_t slash = path.rfind(u'\\');
    if (slash == std::u16string::npos) return {};
    // A drive root keeps its backslash.
    if (slash == 2 && path[1] == u':') return path.substr(0, 3);
    return path.substr(0, slash);
}

namespace {

// True when this process is the one instance and starts. Otherwise it has
// handed over to the first instance, or shown why it could not.
bool TakeSingleInstance(StartupPlatform& platform, MessageReporter& reporter) {
    for (std::uint32_t waited = 0;; waited += kLookAgainInterval) {
        switch (platform.ClaimSingleInstance()) {
            case InstanceClaim::Owned:
                return true;  // also when the first instance ended while this one waited
            case InstanceClaim::Failed:
                ShowMessage(reporter, MessageFunctionFailure, FailureSingleInstance);
                return false;
            case InstanceClaim::HeldByAnother:
            case InstanceClaim::AccessDenied:  // held by an instance this one may not open
                if (platform.HandOverToFirstInstance()) return false;
                break;
        }
        // Held, and no window yet: the first instance is still starting.
        if (waited >= kFirstInstanceWait) {
            ShowMessage(reporter, MessageFunctionFailure, FailureSingleInstance);
            return false;
        }
        platform.Pause(kLookAgainInterval);
    }
}

}  // namespace

std::int32_t RunResidentProgram(StartupPlatform& platform, SettingsLibraryClient& client) {
    MessageReporter& reporter = *client.Reporter;
    if (!TakeSingleInstance(platform, reporter)) return reporter.LastMessageIndex;

    std::uint32_t major = 0, minor = 0;
    platform.WindowsVersion(major, minor);
    if (!IsWindowsVersionAccepted(major, minor)) {
        ShowMessage(reporter, MessageWrongWindowsVersion, 0);
    } else {
        client.ProgramDirectory = DirectoryOfPath(platform.ModulePath());
        if (LoadSettings(client)) {
            if (platform.CreateResidentWindow()) {
                platform.RunMessageLoop();
            } else {
                ShowMessage(reporter, MessageFunctionFailure, FailureResidentWindow);
            }
        }
    }
    platform.CloseInstanceMutex();
    return reporter.LastMessageIndex;
}

}  // namespace tellurin
