// Types one frame into the focused window through the real Win32 keyboard
// layer, with the keys and pace given on the command line.
//
//   type_frame.exe <HeadKey hex> <TermKey1 hex> <TermKey2 hex> <KeySpeed> <CapsLock Y|N> <text>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "resident/receiver/keystrokes.h"
#include "resident/receiver/win32/win32_keyboard.h"

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: type_frame <head> <term1> <term2> <speed> <capslock> <text>\n");
        return 2;
    }
    tellurin::FunctionSettings settings = tellurin::kDefaultFunctionSettings;
    settings.HeadKey = static_cast<tellurin::KeyChord>(std::strtoul(argv[1], nullptr, 16));
    settings.TermKey1 = static_cast<tellurin::KeyChord>(std::strtoul(argv[2], nullptr, 16));
    settings.TermKey2 = static_cast<tellurin::KeyChord>(std::strtoul(argv[3], nullptr, 16));
    settings.KeySpeed = static_cast<std::uint16_t>(std::strtoul(argv[4], nullptr, 10));
    settings.CapsLock = static_cast<char16_t>(argv[5][0]);

    tellurin::Win32Keyboard keyboard;
    const tellurin::ModifierScanCodes scans = tellurin::LookUpModifierScanCodes(keyboard);
    std::u16string text;
    for (const char* cursor = argv[6]; *cursor != '\0'; ++cursor) text += static_cast<unsigned char>(*cursor);
    tellurin::TypeFrame(text, settings, scans, keyboard);
    return 0;
}
