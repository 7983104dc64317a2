// The resident window's handlers; see resident_window.h. The locks cover only
// the test-and-set of the marks and are never held across a call out.
#include "resident/shell/resident_window.h"

#include <iterator>
#include <utility>

#include "common/settings_text.h"
#include "resident/receiver/reception_causes.h"
#include "resident/shell/device_requests.h"

namespace tellurin {
namespace {

constexpr std::size_t kTipUnits = 128;  // the tip field, terminator included

TrayAppearance CurrentAppearance(const ResidentWindow& window, std::u16string balloon) {
    const TrayState state = CurrentTrayState(window.Marks);
    return TrayAppearance{TrayTip(state, window.Communication, window.Marks.ShownCauses, window.Marks.HotKeyRefused),
                          state == TrayState::Receiving, std::move(balloon)};
}

// Puts the icon into the notification area. An add that timed out at logon
// may have been carried out after all, and a shell that restarted unseen has
// forgotten an icon still counted as shown, so each kind of call falls back
// on the other.
bool PlaceIcon(ResidentWindow& window, ShellIconOperation first, std::u16string balloon) {
    const TrayAppearance appearance = CurrentAppearance(window, std::move(balloon));
    if (window.Platform.NotifyIcon(first, appearance)) return true;
    return window.Platform.NotifyIcon(
        first == ShellIconOperation::Add ? ShellIconOperation::Modify : ShellIconOperation::Add, appearance);
}

// Each change of state shows in the tray, through the usual refresh.
void RefreshTrayStatus(ResidentWindow& window) {
    if (window.Marks.TrayIconShown) (void)UpdateTrayIcon(window, TrayRefresh);
}

void StopReceiving(ResidentWindow& window) {
    StopDeviceRequests(window);
    window.Services.StopReceiver();
    window.Marks.Receiving = false;
}

void EndTrayRetry(ResidentWindow& window) {
    if (!window.Marks.TrayRetrying) return;
    window.Marks.TrayRetrying = false;
    window.Platform.StopTimer(TrayRetryTimer);
}

// Shows the icon (with a balloon, if one is given); when the shell refuses,
// the program goes on without it and tries again quietly after retryDelay. A
// refusal outside the retries (the taskbar has just announced itself, or a
// state change) restarts a waiting back-off at its first delay: the shell is
// coming up now, and a retry left at 16 s would keep the icon away that long.
// False when refused.
bool ShowIcon(ResidentWindow& window, ShellIconOperation first, std::uint32_t retryDelay = kFirstRetryDelay,
              std::u16string balloon = {}) {
    ResidentMarks& marks = window.Marks;
    if (PlaceIcon(window, first, std::move(balloon))) {
        marks.TrayIconShown = true;
        EndTrayRetry(window);
        return true;
    }
    marks.TrayIconShown = false;
    EndTrayRetry(window);
    marks.TrayRetrying = true;
    marks.TrayRetryDelay = retryDelay;
    window.Platform.StartTimer(TrayRetryTimer, retryDelay);
    return false;
}

// Sets a mark when neither busy mark is set; false when busy.
bool ClaimBusy(ResidentWindow& window, bool ResidentMarks::*mark) {
    window.Platform.LockBusy();
    const bool free = !window.Marks.SettingsOpen && !window.Marks.PortOpening;
    if (free) window.Marks.*mark = true;
    window.Platform.UnlockBusy();
    return free;
}

void RestoreForeground(ResidentWindow& window) {
    void* restore = window.Marks.RestoreWindow;
    if (restore == nullptr || !window.Platform.IsLiveWindow(restore)) return;
    window.Platform.GiveForeground(restore);
    window.Marks.RestoreWindow = nullptr;
}

std::intptr_t OnCreate(ResidentWindow& window) {
    if (!window.Platform.CreateSyncObjects()) {
        window.Services.ShowMessage(MessageWindowNotInitialised, 0);
        return -1;
    }
    window.Platform.LoadTrayIconImage();
    // The program starts with Windows, possibly before the taskbar answers:
    // if the shell refuses the icon now, the program goes on without it and
    // adds it on a retry or when the taskbar announces itself.
    if (window.Function.TrayIcon != u'N') (void)ShowIcon(window, ShellIconOperation::Add);
    window.Platform.PostToSelf(UM_OPEN_PORT);
    return 0;
}

// Any normal opening of the port, or the settings dialog, ends quiet reopening.
void EndReopening(ResidentWindow& window) {
    if (!window.Marks.Reopening) return;
    window.Marks.Reopening = false;
    window.Platform.StopTimer(ReopenTimer);
}

void OnDestroy(ResidentWindow& window) {
    EndReopening(window);
    StopReceiving(window);
    (void)UpdateTrayIcon(window, TrayRemove);
    window.Platform.DestroySyncObjects();
    window.Platform.PostQuit();
}

void OpenSettingsFromTray(ResidentWindow& window, void* restoreWindow) {
    window.Marks.RestoreWindow = restoreWindow;
    if (!window.Marks.SettingsOpen && !window.Marks.PortOpening) window.Platform.PostToSelf(UM_OPEN_SETTINGS);
}

// The menu made this hidden window the foreground one: the window the user
// worked in gets it back (the weight asked for is typed there), unless the
// user has clicked elsewhere meanwhile.
void GiveBackForeground(ResidentWindow& window, void* previous) {
    if (previous == nullptr || !window.Platform.IsLiveWindow(previous)) return;
    if (window.Platform.IsSelf(window.Platform.ForegroundWindow())) window.Platform.GiveForeground(previous);
}

// The menu's loop dispatches messages while it is up: a second click on the
// icon then opens no second menu.
void ShowTrayMenu(ResidentWindow& window) {
    ResidentMarks& marks = window.Marks;
    if (marks.TrayMenuOpen || marks.Quitting) return;
    void* previous = marks.LastForegroundWindow;
    const TrayMenuItem items[] = {
        {TrayMenuOpenSettings, u"設定を開く (&S)", true, true},
        {TrayMenuRequestData, u"データ要求 (&R)", RequestAvailable(window), false},
        {TrayMenuQuit, u"Tellurinの終了 (&X)", true, false},
    };
    marks.TrayMenuOpen = true;
    const TrayMenuCommand chosen = window.Platform.ShowTrayMenu(items, std::size(items));
    marks.TrayMenuOpen = false;
    switch (chosen) {
        case TrayMenuOpenSettings:
            OpenSettingsFromTray(window, previous);
            break;
        case TrayMenuQuit:
            marks.RestoreWindow = previous;
            window.Platform.PostToSelf(UM_QUIT);
            break;
        case TrayMenuRequestData:
            GiveBackForeground(window, previous);
            RequestData(window, RequestSource::Menu);
            break;
        case TrayMenuNone:
            GiveBackForeground(window, previous);
            break;
    }
}

// The left button opens the settings; the right one's release opens the menu,
// as the shell's own icons do (without a callback version set, the shell sends
// the keyboard's menu key as the right button's down and up too). The window
// in the foreground before the press is the one to give the foreground back to.
void OnTrayNotify(ResidentWindow& window, std::uintptr_t mouseMessage) {
    switch (mouseMessage) {
        case kLeftButtonDown:
            OpenSettingsFromTray(window, window.Marks.LastForegroundWindow);
            return;
        case kRightButtonDown:
            return;
        case kRightButtonUp:
            ShowTrayMenu(window);
            return;
        default:
            window.Marks.LastForegroundWindow = window.Platform.ForegroundWindow();
    }
}

void OnOpenSettings(ResidentWindow& window) {
    if (!ClaimBusy(window, &ResidentMarks::SettingsOpen)) return;
    EndReopening(window);  // the port is opened again, with its questions, when the dialog closes
    StopReceiving(window);
    RefreshTrayStatus(window);
    if (!window.Services.StartSettingsDialog()) window.Platform.PostToSelf(UM_QUIT);
}

void OnSettingsClosed(ResidentWindow& window) {
    // On any failure SettingsOpen stays set, so nothing new starts before the end.
    if (!window.Marks.SettingsOpen || !window.Services.FinishSettingsDialog() || !window.Services.LoadSettings()) {
        window.Platform.PostToSelf(UM_QUIT);
        return;
    }
    window.Marks.SettingsOpen = false;
    // A refused icon is retried; it never costs the user the settings just saved.
    (void)UpdateTrayIcon(window, TrayRefresh);
    RestoreForeground(window);
    window.Platform.PostToSelf(UM_OPEN_PORT);
}

void OnOpenPort(ResidentWindow& window) {
    if (!ClaimBusy(window, &ResidentMarks::PortOpening)) return;
    EndReopening(window);
    window.Marks.Receiving = false;  // the library stops any receiver first
    StopDeviceRequests(window);
    const std::int32_t result = window.Services.OpenPortAndReceive();
    window.Marks.Receiving = result == 0;
    if (result == 0) {
        window.Marks.ReceiverStartedAt = window.Platform.TickCount();
        StartDeviceRequests(window);
    }
    // A new receiver starts with no causes; they show again if still true.
    window.Marks.ShownCauses = window.Services.ActiveReceptionCauses();
    RefreshTrayStatus(window);
    switch (result) {
        case 0:
            break;
        case UM_OPEN_SETTINGS:
            window.Marks.PortOpening = false;
            if (!window.Marks.SettingsOpen) window.Platform.PostToSelf(UM_OPEN_SETTINGS);
            return;
        case UM_QUIT:
            window.Marks.PortOpening = false;
            window.Platform.PostToSelf(UM_QUIT);
            return;
        case MessageThreadNotCreated:
            // The receiver could not start: say so and stay, so the user can
            // still reach the settings from the tray.
            window.Services.ShowMessage(MessageThreadNotCreated, 0);
            break;
        default:
            // The library could not open the port (entry missing, or the port
            // refused its time-outs): say so and stay.
            window.Services.ShowMessage(MessageFunctionFailure, FailurePortOpening);
            break;
    }
    window.Marks.PortOpening = false;
}

void OnQuit(ResidentWindow& window) {
    window.Platform.LockQuit();
    const bool first = !window.Marks.Quitting;
    window.Marks.Quitting = true;
    window.Platform.UnlockQuit();
    if (!first) return;
    RestoreForeground(window);
    window.Platform.DestroySelf();
}

// The port's device went (an adapter pulled out): the dead port is closed and
// reopened quietly with a back-off, so a counter's scanner that is plugged in
// again works without anyone at the screen. A box would only pile up unseen.
void OnPortLost(ResidentWindow& window) {
    ResidentMarks& marks = window.Marks;
    if (marks.Quitting || marks.SettingsOpen || marks.PortOpening || marks.Reopening) return;
    if (!window.Services.ReceiverLostDevice()) return;  // the port was reopened since
    StopReceiving(window);
    const bool shortLived = window.Platform.TickCount() - marks.ReceiverStartedAt < kShortReceiverLife;
    marks.ReopenDelay =
        shortLived && marks.ReopenDelay >= kFirstRetryDelay ? NextRetryDelay(marks.ReopenDelay) : kFirstRetryDelay;
    marks.Reopening = true;
    window.Platform.StartTimer(ReopenTimer, marks.ReopenDelay);
    RefreshTrayStatus(window);
}

}  // namespace

// The receiver's view of why scans may not be arriving changed: a cause that
// appears is shown once as a balloon, and each stays in the tip while it
// lasts. Nothing is modal: nobody may be at the screen.
void ShowReceptionCauses(ResidentWindow& window) {
    ResidentMarks& marks = window.Marks;
    const std::uint32_t active = window.Services.ActiveReceptionCauses();
    if (active == marks.ShownCauses) return;
    const std::uint32_t appeared = active & ~marks.ShownCauses;
    marks.ShownCauses = active;
    if (!marks.TrayIconShown || marks.Quitting || window.Function.TrayIcon == u'N') return;
    const std::uint32_t balloonCause = MostTellingCause(appeared);
    (void)ShowIcon(window, ShellIconOperation::Modify, kFirstRetryDelay,
                   balloonCause != 0 ? ReceptionCauseText(balloonCause) : u"");
}

namespace {

void OnReopenTimer(ResidentWindow& window) {
    window.Platform.StopTimer(ReopenTimer);  // a single shot
    ResidentMarks& marks = window.Marks;
    if (!marks.Reopening || marks.Quitting) return;
    if (marks.SettingsOpen) {
        marks.Reopening = false;
        return;
    }
    // Only a device that is there again gets the normal opening (which asks
    // the user on a failure); while it is missing nothing is shown.
    if (!marks.PortOpening && window.Services.PortDeviceAvailable()) {
        OnOpenPort(window);
        return;
    }
    marks.ReopenDelay = NextRetryDelay(marks.ReopenDelay);
    window.Platform.StartTimer(ReopenTimer, marks.ReopenDelay);
}

void OnTrayRetryTimer(ResidentWindow& window) {
    window.Platform.StopTimer(TrayRetryTimer);  // a single shot
    ResidentMarks& marks = window.Marks;
    if (!marks.TrayRetrying) return;
    marks.TrayRetrying = false;  // this retry is being made
    if (marks.Quitting || window.Function.TrayIcon == u'N') return;
    (void)ShowIcon(window, ShellIconOperation::Add, NextRetryDelay(marks.TrayRetryDelay));
}

// The display's scaling changed: the shell's icon size with it.
void OnScalingChanged(ResidentWindow& window) {
    window.Platform.LoadTrayIconImage();
    RefreshTrayStatus(window);
}

// The shell (re)started: its notification area is empty again.
void OnTaskbarCreated(ResidentWindow& window) {
    if (window.Function.TrayIcon == u'N' || window.Marks.Quitting) return;
    // The hidden window hears of scaling changes only on its own monitor:
    // the new taskbar's size is read again before the icon goes in.
    window.Platform.LoadTrayIconImage();
    (void)ShowIcon(window, ShellIconOperation::Add);
}

}  // namespace

TrayState CurrentTrayState(const ResidentMarks& marks) {
    if (marks.SettingsOpen) return TrayState::SettingsOpen;
    if (marks.Reopening) return TrayState::WaitingForDevice;
    return marks.Receiving ? TrayState::Receiving : TrayState::Stopped;
}

const char16_t* ReceptionCauseText(std::uint32_t cause) {
    switch (cause) {
        case CauseTargetElevated: return u"管理者として実行中のウィンドウには入力できません。";
        case CauseDesktopLocked: return u"画面がロックされているため入力できません。";
        case CauseAnswerBlocked: return u"応答 (ACK/NAK) を送信できません。ケーブルの CTS 配線を確認してください。";
        case CauseLineError:
            return u"通信エラーが発生しています。ボーレート・データビット・パリティの設定を確認してください。";
        case CauseOverrun: return u"受信データがあふれました。";
        case CauseNoFrames: return u"データの区切りが見つかりません。伝送手順の設定を確認してください。";
        case CauseShiftJisMissing: return u"このWindowsには日本語の文字コード (932) がありません。";
        case CauseLengthMismatch: return u"データの桁数が設定と違います。";
        case CauseNoAnswer: return u"機器から応答がありません。";
        default: return u"";
    }
}

std::uint32_t MostTellingCause(std::uint32_t causes) {
    for (const ReceptionCause cause : kReceptionCausesByPriority)
        if ((causes & cause) != 0) return cause;
    return 0;
}

std::u16string TrayTip(TrayState state, const CommunicationSettings& communication, std::uint32_t causes,
                       bool hotKeyRefused) {
    const char16_t* stateText = u"停止中";
    switch (state) {
        case TrayState::Receiving: stateText = u"受信中"; break;
        case TrayState::SettingsOpen: stateText = u"設定中（受信停止）"; break;
        case TrayState::WaitingForDevice: stateText = u"デバイス待ち"; break;
        case TrayState::Stopped: break;
    }
    std::u16string tip = u"Tellurin  " + SettingsText(communication.CommPort) + u" " +
                         SettingsText(communication.BaudRate) + u"bps " + stateText;
    if (const std::uint32_t cause = MostTellingCause(causes); cause != 0) {
        tip += u'\n';
        tip += ReceptionCauseText(cause);
    } else if (hotKeyRefused) {
        tip += u"\nデータ要求のホットキーを登録できません。";
    }
    if (tip.size() > kTipUnits - 1) tip.resize(kTipUnits - 1);
    return tip;
}

int UpdateTrayIcon(ResidentWindow& window, std::int32_t mode) {
    ResidentMarks& marks = window.Marks;
    const bool wanted = window.Function.TrayIcon != u'N';
    switch (mode) {
        case TrayRemove: {
            // While an add is being retried, an earlier one that timed out may
            // still have been carried out: that icon is removed too, quietly.
            const bool counted = marks.TrayIconShown;
            const bool mayExist = counted || marks.TrayRetrying;
            EndTrayRetry(window);
            marks.TrayIconShown = false;
            if (!mayExist || window.Platform.NotifyIcon(ShellIconOperation::Delete, TrayAppearance{})) return 1;
            if (!counted) return 1;  // an icon never confirmed: no message about it
            window.Services.ShowMessage(MessageFunctionFailure, FailureTrayIcon);
            return 0;
        }
        case TrayAdd:
            if (!wanted) return 1;
            return ShowIcon(window, ShellIconOperation::Add) ? 1 : 0;
        case TrayRefresh:
            if (!wanted) return UpdateTrayIcon(window, TrayRemove);
            return ShowIcon(window, marks.TrayIconShown ? ShellIconOperation::Modify : ShellIconOperation::Add) ? 1
                                                                                                                : 0;
        default:
            return 1;
    }
}

bool HandleResidentMessage(ResidentWindow& window, std::uint32_t message, std::uintptr_t wParam,
                           std::uintptr_t lParam, std::intptr_t& result) {
    result = 0;
    if (window.TaskbarCreatedMessage != 0 && message == window.TaskbarCreatedMessage) {
        OnTaskbarCreated(window);
        return false;  // other windows of the thread may want it too; default handling is harmless
    }
    switch (message) {
        case kWindowCreate: result = OnCreate(window); return true;
        case kWindowDestroy: OnDestroy(window); return true;
        case UM_GET_IDENTITY: result = reinterpret_cast<std::intptr_t>(window.Identity); return true;
        case UM_SETTINGS_CLOSED: OnSettingsClosed(window); return true;
        case UM_TRAY_NOTIFY: OnTrayNotify(window, lParam); return true;
        case UM_OPEN_SETTINGS: OnOpenSettings(window); return true;
        case UM_OPEN_PORT: OnOpenPort(window); return true;
        case UM_QUIT: OnQuit(window); return true;
        case kEndSession:
            // The quit runs before the answer, so the receiver has released
            // every key it held before the process can be ended.
            if (wParam != 0) OnQuit(window);
            return true;
        case UM_PORT_LOST: OnPortLost(window); return true;
        case UM_RECEPTION_CAUSES: ShowReceptionCauses(window); return true;
        case UM_REQUEST_WRITTEN: OnRequestWritten(window, static_cast<std::uint32_t>(wParam)); return true;
        case kHotKey:
            if (wParam != kRequestHotKeyId) return false;
            RequestData(window, RequestSource::HotKey);
            return true;
        case kDpiChanged: OnScalingChanged(window); return true;
        case kDisplayChanged: OnScalingChanged(window); return false;  // default handling too
        case kTimer:
            if (wParam == ReopenTimer) OnReopenTimer(window);
            else if (wParam == TrayRetryTimer) OnTrayRetryTimer(window);
            else if (wParam == RequestTimer) RequestData(window, RequestSource::Timer);
            else if (wParam == AnswerTimer) OnAnswerTimer(window);
            else return false;
            return true;
        default: return false;
    }
}

}  // namespace tellurin
