// Entry of the resident program. For now it only proves the build: a GUI
// program with a Unicode entry that links the receiver and returns 0. Start-up,
// the resident window and the library client take their place here.
#include <windows.h>

#include "resident/receiver/keystrokes.h"
#include "resident/receiver/win32/win32_keyboard.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    tellurin::Win32Keyboard keyboard;
    (void)tellurin::LookUpModifierScanCodes(keyboard);
    return 0;
}
