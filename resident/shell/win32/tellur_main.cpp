// Entry of the resident program: the Win32 side of start-up. The order of the
// steps and every decision are in startup.cpp; this file only reaches the
// platform.
#include <windows.h>

#include <cstdint>
#include <type_traits>

#include "common/settings_records.h"
#include "common/tellurs_entries.h"
#include "common/win32/system_function.h"
#include "resident/shell/startup.h"
#include "resident/shell/win32/resident_program.h"

// The interface number, where the settings library reads it before it fills
// any record of this program's (through GetModuleHandleW(nullptr)).
extern "C" __declspec(dllexport) const std::uint32_t TELLUR_INTERFACE = tellurin::kLibraryInterface;

extern "C" __declspec(dllexport) std::size_t TELLURS_CALL TELLUR_LAST_FRAME(char16_t* buffer, std::size_t capacity) {
    return tellurin::TheResidentProgram().ReceiverThread.LastFrame().CopyLastFrame(buffer, capacity);
}
static_assert(std::is_same_v<decltype(&TELLUR_LAST_FRAME), tellurin::LastFrameEntry>);

namespace tellurin {

ResidentProgram& TheResidentProgram() {
    static ResidentProgram program;
    return program;
}

namespace {

constexpr wchar_t kWindowClass[] = L"NON_Tellurin";
constexpr wchar_t kWindowTitle[] = L"Tellurin";

// No library the program loads is ever looked for in the current directory.
// The system-folder-only search is asked for on each load of ours (where
// Windows has it), never made the process's default: that default would
// hold for every module others load into the process too (an IME's text
// service, a screen reader's helper), and one loaded by full path from its
// own folder under Program Files would then find its own libraries only in
// the system folder. True when the LOAD_LIBRARY_SEARCH_ flags are there.
bool MakeLibrarySearchSafe() {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    using SetDirectory = BOOL(WINAPI*)(LPCWSTR);
    const auto setDirectory = FindSystemFunction<SetDirectory>(kernel, "SetDllDirectoryW");  // XP SP1 on
    if (setDirectory != nullptr) (void)setDirectory(L"");
    return LibrarySearchFlagsAvailable();
}

// A process running as administrator receives no message from a process of a
// lower integrity level unless it lets that message through: the shell's
// "TaskbarCreated" and its tray callback UM_TRAY_NOTIFY (clicks on the icon),
// a second start's UM_OPEN_SETTINGS and the installer's UM_QUIT come from
// such processes. Exactly these are let through, for this window where
// Windows 7 on allows it, for the process on Vista; Windows XP filters
// nothing.
void AcceptMessagesFromLowerProcesses(HWND window, UINT taskbarCreated) {
    HMODULE user = GetModuleHandleW(L"user32.dll");
    using FilterForWindow = BOOL(WINAPI*)(HWND, UINT, DWORD, PCHANGEFILTERSTRUCT);
    using FilterForProcess = BOOL(WINAPI*)(UINT, DWORD);
    const auto forWindow = FindSystemFunction<FilterForWindow>(user, "ChangeWindowMessageFilterEx");
    const auto forProcess =
        forWindow == nullptr ? FindSystemFunction<FilterForProcess>(user, "ChangeWindowMessageFilter") : nullptr;
    for (const UINT message : {taskbarCreated, static_cast<UINT>(UM_TRAY_NOTIFY), static_cast<UINT>(UM_OPEN_SETTINGS),
                               static_cast<UINT>(UM_QUIT)}) {
        if (message == 0) continue;  // "TaskbarCreated" could not be registered
        if (forWindow != nullptr) (void)forWindow(window, message, MSGFLT_ALLOW, nullptr);
        else if (forProcess != nullptr) (void)forProcess(message, MSGFLT_ADD);
    }
}

class Win32StartupPlatform final : public StartupPlatform {
public:
    explicit Win32StartupPlatform(ResidentProgram& program) : program_(program) {}

    InstanceClaim ClaimSingleInstance() override {
        HANDLE mutex = CreateMutexW(nullptr, TRUE, reinterpret_cast<const wchar_t*>(IdentityTable[0]));
        if (mutex == nullptr)
            return GetLastError() == ERROR_ACCESS_DENIED ? InstanceClaim::AccessDenied : InstanceClaim::Failed;
        const DWORD wait = WaitForSingleObject(mutex, 0);
        if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) {
            program_.InstanceMutex = mutex;
            return InstanceClaim::Owned;
        }
        (void)ReleaseMutex(mutex);
        (void)CloseHandle(mutex);
        return InstanceClaim::HeldByAnother;
    }

    bool HandOverToFirstInstance() override {
        HWND first = FindWindowW(kWindowClass, kWindowTitle);
        if (first == nullptr) return false;
        // The user started this process, so it may hand the foreground on:
        // without this, Windows refuses the dialog's SetForegroundWindow and
        // the settings open behind the current application.
        DWORD firstProcess = 0;
        if (GetWindowThreadProcessId(first, &firstProcess) != 0 && firstProcess != 0)
            (void)AllowSetForegroundWindow(firstProcess);
        (void)PostMessageW(first, UM_OPEN_SETTINGS, 0, 0);
        return true;
    }

    void Pause(std::uint32_t milliseconds) override { Sleep(milliseconds); }

    void WindowsVersion(std::uint32_t& major, std::uint32_t& minor) override {
        OSVERSIONINFOW version{};
        version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        (void)GetVersionExW(&version);  // a failure leaves 0.0, which is refused
#pragma GCC diagnostic pop
        major = version.dwMajorVersion;
        minor = version.dwMinorVersion;
    }

    std::u16string ModulePath() override {
        wchar_t path[kPathUnits];
        const DWORD length = GetModuleFileNameW(nullptr, path, kPathUnits);
        if (length == 0 || length >= kPathUnits) return {};  // cut short: refuse rather than guess
        return std::u16string(reinterpret_cast<const char16_t*>(path), length);
    }

    bool CreateResidentWindow() override {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(WNDCLASSEXW);
        windowClass.lpfnWndProc = ResidentWindowProcedure;
        windowClass.hInstance = program_.Instance;
        windowClass.hIcon = static_cast<HICON>(
            LoadImageW(program_.Instance, MAKEINTRESOURCEW(101), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
        windowClass.hIconSm = static_cast<HICON>(
            LoadImageW(program_.Instance, MAKEINTRESOURCEW(101), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        windowClass.lpszClassName = kWindowClass;
        if (RegisterClassExW(&windowClass) == 0) return false;
        program_.TaskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");
        program_.Window = CreateWindowExW(0, kWindowClass, kWindowTitle, 0, 0, 0, 0, 0, nullptr, nullptr,
                                          program_.Instance, nullptr);
        if (program_.Window == nullptr) return false;
        AcceptMessagesFromLowerProcesses(program_.Window, program_.TaskbarCreatedMessage);
        (void)ShowWindow(program_.Window, SW_HIDE);
        return true;
    }

    void RunMessageLoop() override {
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            (void)TranslateMessage(&message);
            (void)DispatchMessageW(&message);
        }
    }

    void CloseInstanceMutex() override {
        if (program_.InstanceMutex != nullptr) (void)CloseHandle(program_.InstanceMutex);
        program_.InstanceMutex = nullptr;
    }

private:
    ResidentProgram& program_;
};

// The receiver as the library client needs it.
class ReceiverControlAdapter final : public ReceiverControl {
public:
    explicit ReceiverControlAdapter(Receiver& receiver) : receiver_(receiver) {}
    void** PortHandleSlot() override { return receiver_.PortHandleSlot(); }
    bool StartReceiver() override { return receiver_.StartReceiver(); }
    void StopReceiver() override { receiver_.StopReceiver(); }

private:
    Receiver& receiver_;
};

}  // namespace
}  // namespace tellurin

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    using namespace tellurin;
    const bool systemFolderSearch = MakeLibrarySearchSafe();
    ResidentProgram& program = TheResidentProgram();
    program.Instance = instance;

    ErrorMessageBox messageBox;
    Win32LibraryBinding binding(systemFolderSearch);
    ReceiverControlAdapter receiver(program.ReceiverThread);
    program.Reporter.Surface = &messageBox;
    program.Client.Communication = &program.Communication;
    program.Client.Function = &program.Function;
    program.Client.Edit = &program.Edit;
    program.Client.Device = &program.Device;
    program.Client.Binding = &binding;
    program.Client.Receiver = &receiver;
    program.Client.Reporter = &program.Reporter;

    Win32StartupPlatform platform(program);
    return RunResidentProgram(platform, program.Client);
}
