// The input target on Win32; see win32_input_target.h.
#include "resident/receiver/win32/win32_input_target.h"

#include <windows.h>

namespace tellurin {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

// The RID of the token's mandatory label; false where the token has none.
bool TokenIntegrityLevelOf(HANDLE token, std::uint32_t& level) {
    // TOKEN_MANDATORY_LABEL and its SID, with room to spare.
    alignas(TOKEN_MANDATORY_LABEL) BYTE buffer[sizeof(TOKEN_MANDATORY_LABEL) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    if (!GetTokenInformation(token, TokenIntegrityLevel, buffer, sizeof(buffer), &size)) return false;
    const auto* label = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(buffer);
    PSID sid = label->Label.Sid;
    if (sid == nullptr || !IsValidSid(sid)) return false;
    const UCHAR count = *GetSidSubAuthorityCount(sid);
    if (count == 0) return false;
    level = *GetSidSubAuthority(sid, count - 1U);
    return true;
}

// Refused where the system denied access, read right after the failed call.
LevelRead FailedOpening() {
    return GetLastError() == ERROR_ACCESS_DENIED ? LevelRead::Refused : LevelRead::Unknown;
}

LevelRead ProcessIntegrityLevel(HANDLE process, std::uint32_t& level) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token)) return FailedOpening();
    const bool known = TokenIntegrityLevelOf(token, level);
    (void)CloseHandle(token);
    return known ? LevelRead::Known : LevelRead::Unknown;
}

}  // namespace

bool Win32InputTarget::InputDesktopName(char16_t (&name)[kDesktopNameUnits]) {
    HDESK desktop = OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
    if (desktop == nullptr) return false;
    DWORD needed = 0;
    const bool named = GetUserObjectInformationW(desktop, UOI_NAME, name, sizeof(name), &needed) != FALSE;
    (void)CloseDesktop(desktop);
    // A name too long for the buffer is no "Default" either.
    if (!named) name[0] = u'\0';
    return true;
}

LevelRead Win32InputTarget::ForegroundIntegrityLevel(std::uint32_t& level) {
    HWND foreground = GetForegroundWindow();
    if (foreground == nullptr) return LevelRead::Unknown;
    DWORD processId = 0;
    (void)GetWindowThreadProcessId(foreground, &processId);
    if (processId == 0) return LevelRead::Unknown;
    // Limited information is granted on this account's processes of a higher
    // level too, where PROCESS_QUERY_INFORMATION is refused; another
    // account's processes refuse it without SeDebugPrivilege.
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == nullptr) return FailedOpening();
    const LevelRead read = ProcessIntegrityLevel(process, level);
    (void)CloseHandle(process);
    return read;
}

bool Win32InputTarget::OwnIntegrityLevel(std::uint32_t& level) {
    if (!ownRead_) {
        ownKnown_ = ProcessIntegrityLevel(GetCurrentProcess(), ownLevel_) == LevelRead::Known;
        ownRead_ = true;
    }
    level = ownLevel_;
    return ownKnown_;
}

}  // namespace tellurin
