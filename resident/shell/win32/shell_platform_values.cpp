// The resident window's hand-written platform numbers and the tray record's
// size, compared with the platform's headers when the Windows binaries are
// built: a wrong value breaks the build rather than passing tests that share it.
// Nothing here is called; the file only has to compile, in both word sizes.
#include <windows.h>

#include <shellapi.h>

#include <cstddef>

#include "resident/shell/device_requests.h"
#include "resident/shell/library_client.h"
#include "resident/shell/resident_window.h"

namespace tellurin {
namespace {

// Window messages the window reacts to.
static_assert(kWindowCreate == WM_CREATE && kWindowDestroy == WM_DESTROY && kLeftButtonDown == WM_LBUTTONDOWN &&
              kRightButtonDown == WM_RBUTTONDOWN && kRightButtonUp == WM_RBUTTONUP && kTimer == WM_TIMER &&
              kHotKey == WM_HOTKEY && kEndSession == WM_ENDSESSION && kDpiChanged == WM_DPICHANGED &&
              kDisplayChanged == WM_DISPLAYCHANGE);

// The request hot key.
static_assert(kHotKeyAlt == MOD_ALT && kHotKeyControl == MOD_CONTROL && kHotKeyShift == MOD_SHIFT &&
              kHotKeyNoRepeat == MOD_NOREPEAT && kErrorHotKeyAlreadyRegistered == ERROR_HOTKEY_ALREADY_REGISTERED);
// The tray menu's "nothing chosen" is TrackPopupMenu's 0 under TPM_RETURNCMD.
static_assert(TrayMenuNone == 0);

// The tray icon's record goes at the size Windows XP's shell takes; every field
// the program fills (the balloon's too) lies inside it.
static_assert(kNotifyIconDataSize == NOTIFYICONDATAW_V3_SIZE && kNotifyIconDataSize < sizeof(NOTIFYICONDATAW),
              "the tray record is sent at the size Windows XP's shell knows, not the headers' newer one");
static_assert(offsetof(NOTIFYICONDATAW, dwInfoFlags) + sizeof(NOTIFYICONDATAW::dwInfoFlags) <=
              NOTIFYICONDATAW_V3_SIZE);

// Path buffers.
static_assert(kPathUnits == MAX_PATH);

}  // namespace
}  // namespace tellurin
