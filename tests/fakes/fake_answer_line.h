// An answer line that keeps every answer byte and how many key events the
// keyboard had sent when it went out, so tests can check that a frame's
// answer precedes its keystrokes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "resident/receiver/answer_line.h"
#include "tests/fakes/fake_keyboard.h"

namespace tellurin::fakes {

class FakeAnswerLine : public AnswerLine {
public:
    explicit FakeAnswerLine(const FakeKeyboard& keyboard) : keyboard_(keyboard) {}
    AnswerOutcome WriteAnswer(std::uint8_t answer) override {
        answers_.push_back(answer);
        keyEventsBefore_.push_back(keyboard_.Events().size());
        return outcome;
    }
    // What each write reports: a line without CTS holds every answer back
    // for the whole wait (TimedOut).
    AnswerOutcome outcome = AnswerOutcome::Written;
    const std::vector<std::uint8_t>& Answers() const { return answers_; }
    const std::vector<std::size_t>& KeyEventsBefore() const { return keyEventsBefore_; }
    // "A" for ACK, "N" for NAK, "?" otherwise: compact for table tests.
    std::string AnswerLetters() const {
        std::string letters;
        for (auto answer : answers_) letters += answer == kAck ? 'A' : answer == kNak ? 'N' : '?';
        return letters;
    }

private:
    const FakeKeyboard& keyboard_;
    std::vector<std::uint8_t> answers_;
    std::vector<std::size_t> keyEventsBefore_;
};

}  // namespace tellurin::fakes
