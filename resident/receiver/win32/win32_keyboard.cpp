// Win32 keyboard: translates only. wVk is filled for scan-code events too:
// Windows ignores it there, and Wine needs it to deliver the right key.
#include "resident/receiver/win32/win32_keyboard.h"

#include <windows.h>

namespace tellurin {

std::int16_t Win32Keyboard::KeyForCharacter(char character) { return VkKeyScanA(character); }

std::uint32_t Win32Keyboard::ScanCodeForKey(std::uint8_t virtualKey) {
    return MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
}

void Win32Keyboard::SendKeyEvent(std::uint32_t flags, std::uint8_t virtualKey, std::uint8_t scanCode) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = scanCode;
    input.ki.dwFlags = flags;
    input.ki.time = 0;
    input.ki.dwExtraInfo = static_cast<ULONG_PTR>(GetMessageExtraInfo());
    (void)SendInput(1, &input, sizeof(INPUT));  // a refused event is lost; typing goes on
}

void Win32Keyboard::Pause(std::uint32_t milliseconds) { Sleep(milliseconds); }

}  // namespace tellurin
