// Driver: finds windows and message boxes of other processes and acts on them,
// the way a user would, for the end-to-end tests.
//
//   driver.exe find <class|-> <title|-> [<wait ms>]      prints the handle; exit 1 if none
//   driver.exe post <class|-> <title|-> <message> [<wParam> [<lParam>]]
//   driver.exe box-text [<wait ms>]                       text of the "Tellurin" message box (UTF-8)
//   driver.exe box-answer yes|no|ok|cancel [<wait ms>]    clicks a button of that box
//   driver.exe close <class|-> <title|->                  posts WM_CLOSE
//
// Numbers may be decimal or 0x-hex. Titles are UTF-8 on the command line.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::wstring Widen(const char* text) {
    if (std::strcmp(text, "-") == 0) return L"";
    const int units = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(units > 0 ? units - 1 : 0), L'\0');
    if (units > 1) MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), units);
    return wide;
}

void PrintUtf8(const std::wstring& text) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(bytes > 0 ? bytes - 1 : 0), '\0');
    if (bytes > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, narrow.data(), bytes, nullptr, nullptr);
    std::printf("%s\n", narrow.c_str());
}

unsigned long long Number(const char* text) { return std::strtoull(text, nullptr, 0); }

// Polls for a window, so a test can wait for one that is about to appear.
HWND FindWithWait(const std::wstring& windowClass, const std::wstring& title, DWORD waitMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        HWND found = FindWindowW(windowClass.empty() ? nullptr : windowClass.c_str(),
                                 title.empty() ? nullptr : title.c_str());
        if (found != nullptr || GetTickCount() - start >= waitMs) return found;
        Sleep(50);
    }
}

HWND FindMessageBox(DWORD waitMs) { return FindWithWait(L"#32770", L"Tellurin", waitMs); }

int ButtonId(const char* answer) {
    if (std::strcmp(answer, "yes") == 0) return IDYES;
    if (std::strcmp(answer, "no") == 0) return IDNO;
    if (std::strcmp(answer, "ok") == 0) return IDOK;
    if (std::strcmp(answer, "cancel") == 0) return IDCANCEL;
    return 0;
}

int Usage() {
    std::fprintf(stderr, "usage: driver find|post|box-text|box-answer|close ...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string command = argv[1];

    if (command == "find" && argc >= 4) {
        HWND window = FindWithWait(Widen(argv[2]), Widen(argv[3]), argc >= 5 ? static_cast<DWORD>(Number(argv[4])) : 0);
        if (window == nullptr) return 1;
        std::printf("%p\n", static_cast<void*>(window));
        return 0;
    }
    if ((command == "post" && argc >= 5) || (command == "close" && argc >= 4)) {
        HWND window = FindWithWait(Widen(argv[2]), Widen(argv[3]), 2000);
        if (window == nullptr) return 1;
        const UINT message = command == "close" ? WM_CLOSE : static_cast<UINT>(Number(argv[4]));
        const WPARAM wParam = command == "post" && argc >= 6 ? static_cast<WPARAM>(Number(argv[5])) : 0;
        const LPARAM lParam = command == "post" && argc >= 7 ? static_cast<LPARAM>(Number(argv[6])) : 0;
        return PostMessageW(window, message, wParam, lParam) ? 0 : 1;
    }
    if (command == "box-text") {
        HWND box = FindMessageBox(argc >= 3 ? static_cast<DWORD>(Number(argv[2])) : 0);
        if (box == nullptr) return 1;
        wchar_t text[1024] = {};
        GetDlgItemTextW(box, 0xFFFF, text, 1024);
        PrintUtf8(text);
        return 0;
    }
    if (command == "box-answer" && argc >= 3) {
        const int button = ButtonId(argv[2]);
        if (button == 0) return Usage();
        HWND box = FindMessageBox(argc >= 4 ? static_cast<DWORD>(Number(argv[3])) : 0);
        if (box == nullptr) return 1;
        HWND buttonWindow = GetDlgItem(box, button);
        if (buttonWindow == nullptr) return 1;
        SendMessageW(buttonWindow, BM_CLICK, 0, 0);
        return 0;
    }
    return Usage();
}
