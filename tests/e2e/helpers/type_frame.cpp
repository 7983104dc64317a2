// Types one frame into the focused window through the real Win32 keyboard
// layer, with the keys and pace given on the command line.
//
//   type_frame.exe <HeadKey hex> <TermKey1 hex> <TermKey2 hex> <KeySpeed> <CapsLock Y|N> <text>
//
// The text is taken as Windows passes it, in UTF-16, so that it may hold any
// character (under Wine, the host's locale must decode what the shell gave).
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "resident/receiver/keystrokes.h"
#include "resident/receiver/win32/win32_keyboard.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: type_frame <head> <term1> <term2> <speed> <capslock> <text>\n");
        return 2;
    }
    tellurin::FunctionSettings settings = tellurin::kDefaultFunctionSettings;
    settings.HeadKey = static_cast<tellurin::KeyChord>(std::wcstoul(argv[1], nullptr, 16));
    settings.TermKey1 = static_cast<tellurin::KeyChord>(std::wcstoul(argv[2], nullptr, 16));
    settings.TermKey2 = static_cast<tellurin::KeyChord>(std::wcstoul(argv[3], nullptr, 16));
    settings.KeySpeed = static_cast<std::uint16_t>(std::wcstoul(argv[4], nullptr, 10));
    settings.CapsLock = static_cast<char16_t>(argv[5][0]);

    tellurin::Win32Keyboard keyboard;
    const tellurin::ModifierScanCodes scans = tellurin::LookUpModifierScanCodes(keyboard);
    std::u16string text;
    for (const wchar_t* cursor = argv[6]; *cursor != L'\0'; ++cursor) text += static_cast<char16_t>(*cursor);
    const std::atomic<bool> receiving{true};
    tellurin::TypeFrame(text, settings, scans, keyboard, receiving);
    return 0;
}
