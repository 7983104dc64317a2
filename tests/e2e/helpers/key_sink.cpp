// Key sink: a window that takes the foreground and logs every keyboard message
// it receives, one line each, so an end-to-end test can compare what a user's
// application would have seen with what it expects.
//
//   key_sink.exe <log file> [<ready file>] [<seconds to live, default 120>]
//
// Line format: "<message> vk=<hex> scan=<hex> ext=<0|1>" for key messages,
// "<message> <hex char>" for WM_CHAR/WM_SYSCHAR (the UTF-16 unit, at least
// two digits: "WM_CHAR 41", "WM_CHAR 6771"; a character beyond the BMP comes
// as two lines, its high and low surrogate). A Unicode event arrives as
// VK_PACKET, whose lParam carries the unit in its high word instead of a scan
// code: "<message> vk=E7 unit=<four hex digits>". The ready file is written
// once the window is in the foreground.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

FILE* logFile = nullptr;
UINT_PTR lifetimeTimer = 1;
std::wstring typedText;  // the tail is shown in the window, so a person can watch the typing
constexpr std::size_t kShownCharacters = 2000;  // a long run must not slow the painting down

void LogKey(const char* name, WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == VK_PACKET) {
        std::fprintf(logFile, "%s vk=E7 unit=%04X\n", name, static_cast<unsigned>(HIWORD(lParam)));
        std::fflush(logFile);
        return;
    }
    const unsigned scan = static_cast<unsigned>((lParam >> 16) & 0xFF);
    const unsigned extended = static_cast<unsigned>((lParam >> 24) & 1);
    std::fprintf(logFile, "%s vk=%02X scan=%02X ext=%u\n", name, static_cast<unsigned>(wParam), scan, extended);
    std::fflush(logFile);
}

void LogChar(HWND window, const char* name, WPARAM wParam) {
    std::fprintf(logFile, "%s %02X\n", name, static_cast<unsigned>(wParam));
    std::fflush(logFile);
    if (wParam == L'\r') typedText += L"\r\n";
    else if (wParam == L'\t') typedText += L"    ";
    else if (wParam >= 0x20) typedText += static_cast<wchar_t>(wParam);
    if (typedText.size() > kShownCharacters) typedText.erase(0, typedText.size() - kShownCharacters);
    InvalidateRect(window, nullptr, TRUE);
}

void Paint(HWND window) {
    PAINTSTRUCT paint;
    HDC context = BeginPaint(window, &paint);
    RECT area;
    GetClientRect(window, &area);
    InflateRect(&area, -8, -8);
    DrawTextW(context, typedText.c_str(), static_cast<int>(typedText.size()), &area, DT_LEFT | DT_WORDBREAK);
    EndPaint(window, &paint);
}

LRESULT CALLBACK SinkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_KEYDOWN: LogKey("WM_KEYDOWN", wParam, lParam); return 0;
        case WM_KEYUP: LogKey("WM_KEYUP", wParam, lParam); return 0;
        case WM_SYSKEYDOWN: LogKey("WM_SYSKEYDOWN", wParam, lParam); return 0;
        case WM_SYSKEYUP: LogKey("WM_SYSKEYUP", wParam, lParam); return 0;
        case WM_CHAR: LogChar(window, "WM_CHAR", wParam); return 0;
        case WM_SYSCHAR: LogChar(window, "WM_SYSCHAR", wParam); return 0;
        case WM_PAINT: Paint(window); return 0;
        case WM_TIMER:
            if (wParam == lifetimeTimer) DestroyWindow(window);
            return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: key_sink <log> [<ready file>] [<seconds>]\n");
        return 2;
    }
    logFile = _wfopen(argv[1], L"wb");  // LF line ends, like the expected logs
    if (logFile == nullptr) return 2;
    const UINT seconds = argc >= 4 ? static_cast<UINT>(std::wcstoul(argv[3], nullptr, 10)) : 120;

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = SinkProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TellurKeySink";
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    if (!RegisterClassW(&windowClass)) return 3;
    HWND window = CreateWindowExW(0, L"TellurKeySink", L"Key sink", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 560,
                                  320, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr) return 3;
    SetTimer(window, lifetimeTimer, seconds * 1000, nullptr);

    // Keep asking for the foreground until it is ours; only then announce readiness.
    for (int attempt = 0; attempt < 100 && GetForegroundWindow() != window; ++attempt) {
        SetForegroundWindow(window);
        SetFocus(window);
        MSG pending;
        while (PeekMessageW(&pending, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&pending);
        Sleep(50);
    }
    if (GetForegroundWindow() != window) return 4;
    if (argc >= 3) {
        FILE* ready = _wfopen(argv[2], L"w");
        if (ready != nullptr) std::fclose(ready);
    }

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    std::fclose(logFile);
    return 0;
}
