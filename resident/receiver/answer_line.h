// The one thing frame assembly sends to the device: a single answer byte (ACK
// or NAK). The Win32 room writes it overlapped and waits at most 5000 ms.
// Reception goes on whatever the outcome; a write held back for the whole
// wait (flow control with no CTS) is reported so the user can be told.
#pragma once

#include <cstdint>

namespace tellurin {

constexpr std::uint8_t kAck = 0x06;
constexpr std::uint8_t kNak = 0x15;

enum class AnswerOutcome { Written, TimedOut, Failed };

struct AnswerLine {
    virtual ~AnswerLine() = default;
    virtual AnswerOutcome WriteAnswer(std::uint8_t answer) = 0;
};

}  // namespace tellurin
