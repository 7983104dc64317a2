// Showing a message from the table, and the exit-code rule: the process ends
// with the code of the last message shown, 0 when none was.
#pragma once

#include <cstdint>
#include <string>

namespace tellurin {

// MessageBoxW with no owner, caption "Tellurin", MB_SETFOREGROUND | MB_ICONERROR.
struct MessageBoxSurface {
    virtual ~MessageBoxSurface() = default;
    virtual void ShowErrorBox(const std::u16string& text) = 0;
};

struct MessageReporter {
    std::int32_t LastMessageIndex = 0;  // the process exit code
    MessageBoxSurface* Surface = nullptr;
};

void ShowMessage(MessageReporter& reporter, std::int32_t code, std::int32_t detail);

}  // namespace tellurin
