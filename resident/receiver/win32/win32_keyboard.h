// The keyboard seam on Win32: the focused window's layout, SendInput, and the
// focused window's IME through its default IME window.
#pragma once

#include <windows.h>

#include "resident/receiver/keyboard.h"

namespace tellurin {

class Win32Keyboard final : public Keyboard {
public:
    Win32Keyboard();
    ~Win32Keyboard() override;
    Win32Keyboard(const Win32Keyboard&) = delete;
    Win32Keyboard& operator=(const Win32Keyboard&) = delete;

    void UseFocusedWindowLayout() override;
    std::int16_t KeyForCharacter(char character) override;
    std::uint32_t ScanCodeForKey(std::uint8_t virtualKey) override;
    std::uint32_t CharacterForKey(std::uint8_t virtualKey) override;
    void SendKeyEvent(std::uint32_t flags, std::uint8_t virtualKey, std::uint8_t scanCode) override;
    void SendUnicodeEvent(std::uint32_t flags, char16_t unit) override;
    void Pause(std::uint32_t milliseconds) override;
    ImeOpenStatus QueryImeOpenStatus() override;
    bool SetImeOpenStatus(bool open) override;

private:
    using DefaultImeWindowFunction = HWND(WINAPI*)(HWND);

    HKL layout_;
    HMODULE imm32_ = nullptr;  // loaded at the first IME query; kept while the keyboard lives
    bool imm32Tried_ = false;
    DefaultImeWindowFunction defaultImeWindow_ = nullptr;
    HWND imeWindow_ = nullptr;  // the default IME window that the last query found open
};

}  // namespace tellurin
