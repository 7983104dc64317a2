// The keyboard seam on Win32: the calling thread's layout and SendInput.
#pragma once

#include "resident/receiver/keyboard.h"

namespace tellurin {

class Win32Keyboard final : public Keyboard {
public:
    std::int16_t KeyForCharacter(char character) override;
    std::uint32_t ScanCodeForKey(std::uint8_t virtualKey) override;
    void SendKeyEvent(std::uint32_t flags, std::uint8_t virtualKey, std::uint8_t scanCode) override;
    void Pause(std::uint32_t milliseconds) override;
};

}  // namespace tellurin
