// Win32 keyboard: translates only. wVk is filled for scan-code events too:
// Windows ignores it there, and Wine needs it to deliver the right key.
// imm32 is loaded at run time: the program must start where no IME is
// installed, and most frames never need it.
#include "resident/receiver/win32/win32_keyboard.h"

#include "common/win32/system_function.h"

namespace tellurin {
namespace {

// The IME window's commands; the MinGW headers leave them out.
constexpr WPARAM kImeGetOpenStatus = 0x0005;  // IMC_GETOPENSTATUS
constexpr WPARAM kImeSetOpenStatus = 0x0006;  // IMC_SETOPENSTATUS
#ifdef IMC_GETOPENSTATUS
static_assert(kImeGetOpenStatus == IMC_GETOPENSTATUS && kImeSetOpenStatus == IMC_SETOPENSTATUS);
#endif

// A target that is busy typing a frame answers in well under this; a hung one
// is given up on (at once when Windows already knows it is hung).
constexpr UINT kImeAnswerTimeout = 500;

void SendOneInput(const KEYBDINPUT& keyboardInput) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki = keyboardInput;
    input.ki.time = 0;
    input.ki.dwExtraInfo = static_cast<ULONG_PTR>(GetMessageExtraInfo());
    (void)SendInput(1, &input, sizeof(INPUT));  // a refused event is lost; typing goes on
}

// The foreground thread's windows: the one with the keyboard focus and the
// active one (null where it has none); false when there is no foreground thread.
bool ForegroundThreadWindows(GUITHREADINFO& threadInfo) {
    threadInfo = GUITHREADINFO{};
    threadInfo.cbSize = sizeof threadInfo;
    return GetGUIThreadInfo(0, &threadInfo) != FALSE;
}

// The thread whose window has the keyboard focus. A window hosted in another
// process's frame (as store apps are) takes input on its own thread, which is
// not the foreground window's; 0 when nothing has the focus.
DWORD FocusThread() {
    GUITHREADINFO threadInfo;
    if (ForegroundThreadWindows(threadInfo)) {
        HWND focus = threadInfo.hwndFocus != nullptr ? threadInfo.hwndFocus : threadInfo.hwndActive;
        if (focus != nullptr) return GetWindowThreadProcessId(focus, nullptr);
    }
    HWND foreground = GetForegroundWindow();
    return foreground != nullptr ? GetWindowThreadProcessId(foreground, nullptr) : 0;
}

}  // namespace

Win32Keyboard::Win32Keyboard() : layout_(GetKeyboardLayout(0)) {}

Win32Keyboard::~Win32Keyboard() {
    if (imm32_ != nullptr) (void)FreeLibrary(imm32_);
}

void Win32Keyboard::UseFocusedWindowLayout() {
    // Thread 0 stands for the calling thread: its own layout. A thread with
    // no input state has no layout (0), and this thread's serves instead.
    const DWORD thread = FocusThread();
    HKL layout = thread != 0 ? GetKeyboardLayout(thread) : nullptr;
    layout_ = layout != nullptr ? layout : GetKeyboardLayout(0);
}

std::int16_t Win32Keyboard::KeyForCharacter(char character) { return VkKeyScanExA(character, layout_); }

std::uint32_t Win32Keyboard::ScanCodeForKey(std::uint8_t virtualKey) {
    return MapVirtualKeyExW(virtualKey, MAPVK_VK_TO_VSC, layout_);
}

std::uint32_t Win32Keyboard::CharacterForKey(std::uint8_t virtualKey) {
    return MapVirtualKeyExW(virtualKey, MAPVK_VK_TO_CHAR, layout_);
}

void Win32Keyboard::SendKeyEvent(std::uint32_t flags, std::uint8_t virtualKey, std::uint8_t scanCode) {
    KEYBDINPUT input{};
    input.wVk = virtualKey;
    input.wScan = scanCode;
    input.dwFlags = flags;
    SendOneInput(input);
}

void Win32Keyboard::SendUnicodeEvent(std::uint32_t flags, char16_t unit) {
    KEYBDINPUT input{};
    input.wVk = 0;
    input.wScan = static_cast<WORD>(unit);
    input.dwFlags = flags;
    SendOneInput(input);
}

void Win32Keyboard::Pause(std::uint32_t milliseconds) { Sleep(milliseconds); }

ImeOpenStatus Win32Keyboard::QueryImeOpenStatus() {
    imeWindow_ = nullptr;
    GUITHREADINFO threadInfo;
    if (!ForegroundThreadWindows(threadInfo) || threadInfo.hwndFocus == nullptr) return ImeOpenStatus::NoFocusWindow;

    if (!imm32Tried_) {
        imm32Tried_ = true;
        imm32_ = LoadSystemLibrary(L"imm32.dll");
        defaultImeWindow_ = FindSystemFunction<DefaultImeWindowFunction>(imm32_, "ImmGetDefaultIMEWnd");
    }
    if (defaultImeWindow_ == nullptr) return ImeOpenStatus::NoFocusWindow;
    HWND imeWindow = defaultImeWindow_(threadInfo.hwndFocus);
    if (imeWindow == nullptr) return ImeOpenStatus::NoFocusWindow;

    DWORD_PTR open = 0;
    if (SendMessageTimeoutW(imeWindow, WM_IME_CONTROL, kImeGetOpenStatus, 0, SMTO_ABORTIFHUNG, kImeAnswerTimeout,
                            &open) == 0)
        return ImeOpenStatus::NoAnswer;
    if (open == 0) return ImeOpenStatus::Closed;
    imeWindow_ = imeWindow;
    return ImeOpenStatus::Open;
}

bool Win32Keyboard::SetImeOpenStatus(bool open) {
    if (imeWindow_ == nullptr) return false;
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(imeWindow_, WM_IME_CONTROL, kImeSetOpenStatus, open ? TRUE : FALSE, SMTO_ABORTIFHUNG,
                               kImeAnswerTimeout, &result) != 0;
}

}  // namespace tellurin
