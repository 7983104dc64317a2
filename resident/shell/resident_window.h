// The hidden resident window's decisions: which private message leads to
// which call, the marks that keep nested dispatch (while a message box or the
// tray menu is up) from starting a second dialog or port opening, the tray
// icon with what it tells about reception, its menu, and the foreground
// restore. The Win32 window procedure only translates into these.
#pragma once

#include <cstdint>
#include <string>

#include "common/device_settings.h"
#include "common/message_codes.h"
#include "common/settings_records.h"

namespace tellurin {

// Standard messages the window reacts to (numbers as the platform defines them).
constexpr std::uint32_t kWindowCreate = 0x0001;   // WM_CREATE
constexpr std::uint32_t kWindowDestroy = 0x0002;  // WM_DESTROY
constexpr std::uint32_t kLeftButtonDown = 0x0201;
constexpr std::uint32_t kRightButtonDown = 0x0204;
constexpr std::uint32_t kRightButtonUp = 0x0205;
constexpr std::uint32_t kTimer = 0x0113;   // WM_TIMER
constexpr std::uint32_t kHotKey = 0x0312;  // WM_HOTKEY; wParam the hot key's id
// The session ends (log-off, shut-down) when wParam is non-zero: the process
// may be ended as soon as the window has answered, without WM_DESTROY.
constexpr std::uint32_t kEndSession = 0x0016;  // WM_ENDSESSION
// The display's scaling changed: the tray icon is loaded again at the size the
// shell now uses.
constexpr std::uint32_t kDpiChanged = 0x02E0;      // WM_DPICHANGED
constexpr std::uint32_t kDisplayChanged = 0x007E;  // WM_DISPLAYCHANGE

// Quiet retries (reopening the port after its device has gone, adding the
// tray icon after the shell refused it): the first try after a second, then
// each wait twice the last, up to 16 s.
constexpr std::uint32_t kFirstRetryDelay = 1000;
constexpr std::uint32_t kLongestRetryDelay = 16000;
constexpr std::uint32_t NextRetryDelay(std::uint32_t delay) {
    return delay >= kLongestRetryDelay / 2 ? kLongestRetryDelay : delay * 2;
}
// A receiver whose port is lost again within this time of its start did not
// really work: the quiet reopening goes on with the next longer delay instead
// of starting over, so a driver that refuses every wait does not have its
// port (and its DTR and RTS lines) opened and closed every second.
constexpr std::uint32_t kShortReceiverLife = 2000;

// The window's timers, each a single shot but the request timer, which
// repeats while the port is open; the number is the timer's id.
enum ResidentTimer : std::uintptr_t { ReopenTimer = 1, TrayRetryTimer = 2, RequestTimer = 3, AnswerTimer = 4 };

// The tray menu's items; the number is the item's id, 0 when nothing was chosen.
enum TrayMenuCommand : std::uint32_t {
    TrayMenuNone = 0,
    TrayMenuOpenSettings = 1,
    TrayMenuRequestData = 2,
    TrayMenuQuit = 3,
};
struct TrayMenuItem {
    TrayMenuCommand Command;
    const char16_t* Text;
    bool Enabled;
    bool Default;  // shown bold; what a double click would choose
};

enum TrayMode : std::int32_t { TrayRemove = 0, TrayAdd = 1, TrayRefresh = 2 };
enum class ShellIconOperation { Add, Modify, Delete };

struct ResidentMarks {
    bool TrayIconShown;
    bool SettingsOpen;
    bool PortOpening;
    bool Quitting;
    void* LastForegroundWindow;
    void* RestoreWindow;
    bool Reopening;              // the port's device went; retrying quietly
    std::uint32_t ReopenDelay;   // milliseconds until the next try
    bool TrayRetrying;           // the shell refused the icon; retrying quietly
    std::uint32_t TrayRetryDelay;
    bool Receiving;              // the port is open and the receiver runs
    std::uint32_t ReceiverStartedAt;  // tick count of the last successful port opening
    std::uint32_t ShownCauses;   // the reception causes the tray tells of now
    bool TrayMenuOpen;           // the tray menu is up (its loop dispatches messages)
    // Requests for data (resident/shell/device_requests.h).
    bool RequestPending;         // asked of the receiver, not yet written
    std::uint32_t RequestAsked;  // the number of the last request asked for
    bool AwaitingAnswer;         // written; its time-out runs
    std::uint32_t AwaitedRequest;
    std::uint32_t RequestWrittenAt;  // tick count
    bool HotKeyRegistered;
    bool HotKeyRefused;          // registering the chord failed; the tip says so while the port is open
};

// What the tray tells at a glance: the icon (grey unless receiving) and a tip
// naming the port, the rate and the state.
enum class TrayState { Receiving, SettingsOpen, WaitingForDevice, Stopped };
// The size NOTIFYICONDATAW is sent at: the record as the shells of Windows XP
// and Server 2003 know it (NOTIFYICONDATAW_V3_SIZE, up to and including
// guidItem). They refuse the larger record of the platform headers (which adds
// hBalloonIcon), every later Windows takes this one, and no later field is
// used. The record holds a window and an icon handle, so the size follows the
// word size.
constexpr std::uint32_t kNotifyIconDataSize = sizeof(void*) == 8 ? 968 : 952;
// Balloon: a warning shown once, when a reason for scans not arriving appears
// (empty for none).
struct TrayAppearance {
    std::u16string Tip;
    bool Receiving;
    std::u16string Balloon;
    std::uint32_t RecordSize = kNotifyIconDataSize;  // cbSize
};
TrayState CurrentTrayState(const ResidentMarks& marks);
// "Tellurin  COM5 9600bps 受信中", and as a second line the most telling of the
// reception causes, or else that the hot key could not be registered; at most
// 127 units, as the tip field holds.
std::u16string TrayTip(TrayState state, const CommunicationSettings& communication, std::uint32_t causes = 0,
                       bool hotKeyRefused = false);
// What the user is told of one reception cause (ReceptionCause bits).
const char16_t* ReceptionCauseText(std::uint32_t cause);
// The most telling cause of a set, or 0.
std::uint32_t MostTellingCause(std::uint32_t causes);

// The window, the shell and the synchronisation objects.
struct ResidentWindowPlatform {
    virtual ~ResidentWindowPlatform() = default;
    // The two locks, then the three events; false when an event is missing.
    virtual bool CreateSyncObjects() = 0;
    virtual void DestroySyncObjects() = 0;  // closes only what exists
    virtual void LockBusy() = 0;
    virtual void UnlockBusy() = 0;
    virtual void LockQuit() = 0;
    virtual void UnlockQuit() = 0;
    // Both tray images (receiving and idle) at the size the shell uses now;
    // called again when the display's scaling changes.
    virtual void LoadTrayIconImage() = 0;
    // Shell_NotifyIconW for this window's icon 0, the record at the size the
    // appearance gives; an add or modify sets the image and the tip of the
    // appearance.
    virtual bool NotifyIcon(ShellIconOperation operation, const TrayAppearance& appearance) = 0;
    virtual void PostToSelf(std::uint32_t message) = 0;
    virtual void* ForegroundWindow() = 0;
    virtual bool IsLiveWindow(void* window) = 0;
    virtual void GiveForeground(void* window) = 0;
    virtual void DestroySelf() = 0;
    virtual void PostQuit() = 0;
    virtual void StartTimer(ResidentTimer timer, std::uint32_t milliseconds) = 0;
    virtual void StopTimer(ResidentTimer timer) = 0;
    // Milliseconds since start-up, wrapping (GetTickCount).
    virtual std::uint32_t TickCount() = 0;
    // RegisterHotKey on this window with the request hot key's id; on
    // failure error is GetLastError's. UnregisterHotKey of that id.
    virtual bool RegisterHotKey(std::uint32_t modifiers, std::uint32_t virtualKey, std::uint32_t& error) = 0;
    virtual void UnregisterHotKey() = 0;
    // The tray menu at the pointer, shown the way a notification icon's menu
    // must be (this window in the foreground first, a WM_NULL after); returns
    // once it closes, with the item chosen.
    virtual TrayMenuCommand ShowTrayMenu(const TrayMenuItem* items, std::size_t count) = 0;
    // The window is this hidden window.
    virtual bool IsSelf(void* window) = 0;
};

// What the handlers call out to: the message box and exit code, the library
// client, the receiver.
struct ResidentServices {
    virtual ~ResidentServices() = default;
    virtual void ShowMessage(std::int32_t code, std::int32_t detail) = 0;
    virtual bool StartSettingsDialog() = 0;
    virtual bool FinishSettingsDialog() = 0;
    virtual bool LoadSettings() = 0;
    virtual std::int32_t OpenPortAndReceive() = 0;
    virtual void StopReceiver() = 0;
    // The running receiver ended because its port's device went (a notice
    // about an earlier receiver is stale and answers false).
    virtual bool ReceiverLostDevice() = 0;
    // The configured port can be opened now; opened and closed at once, no message.
    virtual bool PortDeviceAvailable() = 0;
    // Why scans may not be arriving, as the receiver last recorded it.
    virtual std::uint32_t ActiveReceptionCauses() = 0;
    // Adds a cause the window found itself, without a notice.
    virtual void RaiseReceptionCause(std::uint32_t cause) = 0;
    // Asks the running receiver to write the request command: the request's
    // number (UM_REQUEST_WRITTEN brings it back once written), or 0 when no
    // receiver runs.
    virtual std::uint32_t AskForRequest() = 0;
    // A frame completed after this request was written.
    virtual bool RequestAnswered(std::uint32_t number) = 0;
};

struct ResidentWindow {
    ResidentMarks& Marks;
    ResidentWindowPlatform& Platform;
    ResidentServices& Services;
    const CommunicationSettings& Communication;  // the port and rate the tip names
    const FunctionSettings& Function;            // TrayIcon, read when needed
    const DeviceSettings& Device;                // requests: command, interval, hot key, time-out
    std::uint32_t TaskbarCreatedMessage;  // registered by the shell; 0 when unknown
    const void* Identity;                 // what UM_GET_IDENTITY answers
};

// Adds, refreshes or removes the tray icon as TrayIcon asks; 0 when the shell
// refused, non-zero otherwise. A refused add or refresh is retried quietly on
// a timer (the shell may not answer yet at logon), the back-off starting again
// at its first delay whenever a try outside the timer is refused; a refused
// removal is shown. Neither ends the program.
int UpdateTrayIcon(ResidentWindow& window, std::int32_t mode);

// Shows what changed in the reception causes: a balloon for a new one, the tip.
void ShowReceptionCauses(ResidentWindow& window);

// Handles the messages above, UM_RECEPTION_CAUSES and UM_REQUEST_WRITTEN;
// false for anything else (default handling).
// wParam and lParam are the message's; result is the window procedure's
// result for a handled message.
bool HandleResidentMessage(ResidentWindow& window, std::uint32_t message, std::uintptr_t wParam,
                           std::uintptr_t lParam, std::intptr_t& result);

}  // namespace tellurin
