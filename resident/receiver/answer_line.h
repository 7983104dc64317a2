// The one thing frame assembly sends to the device: a single answer byte (ACK
// or NAK). The Win32 room writes it overlapped and waits at most 5000 ms; the
// outcome is not reported back, because reception goes on in every case.
#pragma once

#include <cstdint>

namespace tellurin {

constexpr std::uint8_t kAck = 0x06;
constexpr std::uint8_t kNak = 0x15;

struct AnswerLine {
    virtual ~AnswerLine() = default;
    virtual void WriteAnswer(std::uint8_t answer) = 0;
};

}  // namespace tellurin
