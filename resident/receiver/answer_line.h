// What the receiver sends to the device: a single answer byte (ACK or NAK)
// after a frame, and a request command when one was asked for. The Win32 room
// writes overlapped and waits at most 5000 ms. Reception goes on whatever the
// outcome; a write held back for the whole wait (flow control with no CTS) is
// reported so the user can be told.
#pragma once

#include <cstdint>

namespace tellurin {

constexpr std::uint8_t kAck = 0x06;
constexpr std::uint8_t kNak = 0x15;
constexpr std::uint32_t kLongestWrite = 32;  // a request command, expanded

enum class AnswerOutcome { Written, TimedOut, Failed };

struct AnswerLine {
    virtual ~AnswerLine() = default;
    virtual AnswerOutcome WriteAnswer(std::uint8_t answer) = 0;
    // At most kLongestWrite bytes; the caller's buffer may go once this returns.
    virtual AnswerOutcome WriteRequest(const std::uint8_t* bytes, std::uint32_t count) = 0;
};

}  // namespace tellurin
