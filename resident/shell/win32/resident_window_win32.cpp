// The resident window on Win32: the window procedure hands every message to
// the portable handlers, and the classes here carry their calls to the
// platform, translating only.
#include "resident/shell/win32/resident_program.h"

#include <commctrl.h>
#include <shellapi.h>

#include <initializer_list>
#include <utility>

#include "common/settings_text.h"
#include "common/win32/system_function.h"
#include "resident/shell/device_requests.h"
#include "resident/shell/startup.h"

namespace tellurin {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

using LoadIconMetricFunction = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, HICON*);
using LoadIconWithScaleDownFunction = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);

struct IconSize {
    int Width = 0;
    int Height = 0;  // both 0: not known
};

// The size of a tray icon at the scaling of the monitor the taskbar is on
// (Windows 10, 1607 on). The small-icon metrics and LIM_SMALL answer a
// per-monitor-aware thread with the system's scaling, whichever monitor
// changed, so only this finds a new size when the scaling changes. Not known
// where the functions are missing.
IconSize TrayIconSizeForTaskbar(HWND residentWindow) {
    HMODULE user = GetModuleHandleW(L"user32.dll");
    const auto dpiForWindow = FindSystemFunction<GetDpiForWindowFunction>(user, "GetDpiForWindow");
    const auto metricsForDpi = FindSystemFunction<GetSystemMetricsForDpiFunction>(user, "GetSystemMetricsForDpi");
    if (dpiForWindow == nullptr || metricsForDpi == nullptr) return {};
    HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    UINT dpi = taskbar != nullptr ? dpiForWindow(taskbar) : 0;
    if (dpi == 0) dpi = dpiForWindow(residentWindow);  // no taskbar (yet): the monitor of this window
    if (dpi == 0) return {};
    const IconSize size{metricsForDpi(SM_CXSMICON, dpi), metricsForDpi(SM_CYSMICON, dpi)};
    return size.Width > 0 && size.Height > 0 ? size : IconSize{};
}

// The tray image at the size the shell draws it. With a size known,
// LoadIconWithScaleDown picks or scales the best image down to it; otherwise
// LoadIconMetric (Windows Vista on) picks the small size; where that is
// missing too the small-icon metrics do.
HICON LoadTrayImage(HINSTANCE instance, int id, IconSize size, LoadIconWithScaleDownFunction loadScaledDown,
                    LoadIconMetricFunction loadIconMetric) {
    HICON icon = nullptr;
    if (size.Width > 0) {
        if (loadScaledDown != nullptr &&
            SUCCEEDED(loadScaledDown(instance, MAKEINTRESOURCEW(id), size.Width, size.Height, &icon)))
            return icon;
    } else {
        if (loadIconMetric != nullptr && SUCCEEDED(loadIconMetric(instance, MAKEINTRESOURCEW(id), LIM_SMALL, &icon)))
            return icon;
        size = IconSize{GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)};
    }
    return static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, size.Width, size.Height, LR_DEFAULTCOLOR));
}

class Win32ResidentPlatform final : public ResidentWindowPlatform {
public:
    Win32ResidentPlatform(ResidentProgram& program, HWND window) : program_(program), window_(window) {}

    bool CreateSyncObjects() override {
        if (!program_.LocksInitialised) {
            InitializeCriticalSection(&program_.QuitLock);
            InitializeCriticalSection(&program_.BusyLock);
            program_.LocksInitialised = true;
        }
        ReceiverEvents& events = program_.Events;
        events.StopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        events.ReadEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        events.WriteEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        events.RequestEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        program_.ReceiverThread.UseEvents(events);
        program_.ReceiverThread.ReportLossTo(window_);
        return events.StopEvent != nullptr && events.ReadEvent != nullptr && events.WriteEvent != nullptr &&
               events.RequestEvent != nullptr;
    }

    void DestroySyncObjects() override {
        // A receiver thread that outlived its stop still waits on these; the
        // process is ending, so they are left to it.
        if (!program_.ReceiverThread.HasLingeringThread()) {
            for (HANDLE* event : {&program_.Events.StopEvent, &program_.Events.ReadEvent, &program_.Events.WriteEvent,
                                  &program_.Events.RequestEvent}) {
                if (*event != nullptr) (void)CloseHandle(*event);
                *event = nullptr;
            }
        }
        if (program_.LocksInitialised) {
            DeleteCriticalSection(&program_.QuitLock);
            DeleteCriticalSection(&program_.BusyLock);
            program_.LocksInitialised = false;
        }
    }

    void LockBusy() override { EnterCriticalSection(&program_.BusyLock); }
    void UnlockBusy() override { LeaveCriticalSection(&program_.BusyLock); }
    void LockQuit() override { EnterCriticalSection(&program_.QuitLock); }
    void UnlockQuit() override { LeaveCriticalSection(&program_.QuitLock); }

    void LoadTrayIconImage() override {
        const IconSize size = TrayIconSizeForTaskbar(window_);
        // By name, so that the manifest's common controls 6 (which alone have
        // these functions) are taken; searched for in the system folder only
        // where Windows can.
        HMODULE controls =
            LoadLibraryExW(L"comctl32.dll", nullptr, LibrarySearchFlagsAvailable() ? LOAD_LIBRARY_SEARCH_SYSTEM32 : 0);
        const auto loadIconMetric = FindSystemFunction<LoadIconMetricFunction>(controls, "LoadIconMetric");
        const auto loadScaledDown =
            FindSystemFunction<LoadIconWithScaleDownFunction>(controls, "LoadIconWithScaleDown");
        for (auto [slot, id] : {std::pair{&program_.TrayIconImage, 102}, std::pair{&program_.TrayIconIdleImage, 103}}) {
            HICON image = LoadTrayImage(program_.Instance, id, size, loadScaledDown, loadIconMetric);
            if (image == nullptr) continue;  // the earlier image serves
            if (*slot != nullptr) (void)DestroyIcon(*slot);
            *slot = image;
        }
        // The icons it made belong to the system, not to the library.
        if (controls != nullptr) (void)FreeLibrary(controls);
    }

    bool NotifyIcon(ShellIconOperation operation, const TrayAppearance& appearance) override {
        NOTIFYICONDATAW data{};
        data.cbSize = appearance.RecordSize;
        data.hWnd = window_;
        data.uID = 0;
        DWORD command = NIM_DELETE;
        if (operation != ShellIconOperation::Delete) {
            command = operation == ShellIconOperation::Add ? NIM_ADD : NIM_MODIFY;
            data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
            data.uCallbackMessage = UM_TRAY_NOTIFY;
            data.hIcon = appearance.Receiving ? program_.TrayIconImage : program_.TrayIconIdleImage;
            lstrcpynW(data.szTip, reinterpret_cast<const wchar_t*>(appearance.Tip.c_str()), ARRAYSIZE(data.szTip));
            if (!appearance.Balloon.empty()) {
                // A warning balloon, shown by the shell; nothing waits for it.
                data.uFlags |= NIF_INFO;
                data.dwInfoFlags = NIIF_WARNING;
                lstrcpynW(data.szInfoTitle, L"Tellurin", ARRAYSIZE(data.szInfoTitle));
                lstrcpynW(data.szInfo, reinterpret_cast<const wchar_t*>(appearance.Balloon.c_str()),
                          ARRAYSIZE(data.szInfo));
            }
        }
        return Shell_NotifyIconW(command, &data) != FALSE;
    }

    void PostToSelf(std::uint32_t message) override { (void)PostMessageW(window_, message, 0, 0); }
    void* ForegroundWindow() override { return GetForegroundWindow(); }
    bool IsLiveWindow(void* window) override { return IsWindow(static_cast<HWND>(window)) != FALSE; }
    void GiveForeground(void* window) override { (void)SetForegroundWindow(static_cast<HWND>(window)); }
    void DestroySelf() override { (void)DestroyWindow(window_); }
    void PostQuit() override { PostQuitMessage(0); }
    void StartTimer(ResidentTimer timer, std::uint32_t milliseconds) override {
        (void)SetTimer(window_, timer, milliseconds, nullptr);
    }
    void StopTimer(ResidentTimer timer) override { (void)KillTimer(window_, timer); }
    std::uint32_t TickCount() override { return GetTickCount(); }

    bool RegisterHotKey(std::uint32_t modifiers, std::uint32_t virtualKey, std::uint32_t& error) override {
        if (::RegisterHotKey(window_, kRequestHotKeyId, modifiers, virtualKey)) return true;
        error = GetLastError();
        return false;
    }
    void UnregisterHotKey() override { (void)::UnregisterHotKey(window_, kRequestHotKeyId); }

    // A notification icon's menu: its owner must be the foreground window
    // before TrackPopupMenu, or the menu stays up when the user clicks
    // elsewhere, and a message posted after it ends the menu mode. The
    // callback carries no position here (no callback version is set), so the
    // menu opens at the pointer. TPM_RETURNCMD brings the choice back as the
    // result (TPM_NONOTIFY: no WM_COMMAND besides); only flags Windows XP
    // knows are used.
    TrayMenuCommand ShowTrayMenu(const TrayMenuItem* items, std::size_t count) override {
        HMENU menu = CreatePopupMenu();
        if (menu == nullptr) return TrayMenuNone;
        for (std::size_t index = 0; index < count; ++index) {
            const UINT flags = MF_STRING | (items[index].Enabled ? MF_ENABLED : MF_GRAYED);
            (void)AppendMenuW(menu, flags, items[index].Command, reinterpret_cast<const wchar_t*>(items[index].Text));
            if (items[index].Default) (void)SetMenuDefaultItem(menu, items[index].Command, FALSE);
        }
        POINT pointer{};
        (void)GetCursorPos(&pointer);
        const UINT horizontal = GetSystemMetrics(SM_MENUDROPALIGNMENT) != 0 ? TPM_RIGHTALIGN : TPM_LEFTALIGN;
        (void)SetForegroundWindow(window_);
        const BOOL chosen = TrackPopupMenu(menu, horizontal | TPM_BOTTOMALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD |
                                                     TPM_NONOTIFY,
                                           pointer.x, pointer.y, 0, window_, nullptr);
        (void)PostMessageW(window_, WM_NULL, 0, 0);
        (void)DestroyMenu(menu);
        return static_cast<TrayMenuCommand>(chosen);
    }
    bool IsSelf(void* window) override { return static_cast<HWND>(window) == window_; }

private:
    ResidentProgram& program_;
    HWND window_;
};

class Win32ResidentServices final : public ResidentServices {
public:
    Win32ResidentServices(ResidentProgram& program, HWND window) : program_(program), window_(window) {}
    void ShowMessage(std::int32_t code, std::int32_t detail) override {
        tellurin::ShowMessage(program_.Reporter, code, detail);
    }
    bool StartSettingsDialog() override { return tellurin::StartSettingsDialog(program_.Client, window_); }
    bool FinishSettingsDialog() override { return tellurin::FinishSettingsDialog(program_.Client); }
    bool LoadSettings() override { return tellurin::LoadSettings(program_.Client); }
    std::int32_t OpenPortAndReceive() override { return tellurin::OpenPortAndReceive(program_.Client); }
    void StopReceiver() override { program_.ReceiverThread.StopReceiver(); }
    bool ReceiverLostDevice() override { return program_.ReceiverThread.DeviceGone(); }
    std::uint32_t ActiveReceptionCauses() override { return program_.ReceiverThread.ActiveReceptionCauses(); }
    void RaiseReceptionCause(std::uint32_t cause) override { program_.ReceiverThread.RaiseReceptionCause(cause); }
    std::uint32_t AskForRequest() override { return program_.ReceiverThread.AskForRequest(); }
    bool RequestAnswered(std::uint32_t number) override { return program_.ReceiverThread.RequestAnswered(number); }

    bool PortDeviceAvailable() override {
        const std::u16string path = PortDevicePath(program_.Communication);
        HANDLE port = CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_READ | GENERIC_WRITE, 0,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        if (port == INVALID_HANDLE_VALUE) return false;
        (void)CloseHandle(port);
        return true;
    }

private:
    ResidentProgram& program_;
    HWND window_;
};

}  // namespace

LRESULT CALLBACK ResidentWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ResidentProgram& program = TheResidentProgram();
    Win32ResidentPlatform platform(program, window);
    Win32ResidentServices services(program, window);
    ResidentWindow resident{program.Marks,          platform,        services,
                            program.Communication,  program.Function, program.Device,
                            program.TaskbarCreatedMessage, static_cast<const void*>(IdentityTable)};
    std::intptr_t result = 0;
    if (HandleResidentMessage(resident, message, static_cast<std::uintptr_t>(wParam),
                              static_cast<std::uintptr_t>(lParam), result))
        return result;
    return DefWindowProcW(window, message, wParam, lParam);
}

void ErrorMessageBox::ShowErrorBox(const std::u16string& text) {
    (void)MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(text.c_str()), L"Tellurin",
                      MB_SETFOREGROUND | MB_ICONERROR);
}

void* Win32LibraryBinding::Load(const char16_t* fullPath) {
    // The library is taken from its full path. Its own imports are looked for
    // only in the system folder where Windows can: never beside it, where a
    // download folder may hold planted libraries of the same names (the
    // LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR flag would put that folder first).
    // Where those flags are missing (Windows 7 without its loader update, and
    // earlier), the altered order: the library's folder, then the system's.
    const DWORD flags = systemFolderSearch_ ? LOAD_LIBRARY_SEARCH_SYSTEM32 : LOAD_WITH_ALTERED_SEARCH_PATH;
    return LoadLibraryExW(reinterpret_cast<const wchar_t*>(fullPath), nullptr, flags);
}

void* Win32LibraryBinding::Find(void* module, const char* entryName) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), entryName));
}

void Win32LibraryBinding::Free(void* module) { (void)FreeLibrary(static_cast<HMODULE>(module)); }

}  // namespace tellurin
