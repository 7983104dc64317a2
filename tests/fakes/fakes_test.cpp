// The doubles themselves must be right, or the tests above prove nothing.
#include <gtest/gtest.h>

#include "tests/fakes/fake_answer_line.h"
#include "tests/fakes/fake_keyboard.h"

namespace tellurin::fakes {
namespace {

TEST(FakeKeyboard, ReportsKeysLeftDownAndReleasesOfKeysThatWereUp) {
    FakeKeyboard keyboard;
    keyboard.SendKeyEvent(kKeyDown, kVkShift, 0x2A);
    EXPECT_TRUE(keyboard.AnyKeyDown());
    keyboard.SendKeyEvent(kKeyUp, kVkShift, 0x2A);
    EXPECT_FALSE(keyboard.AnyKeyDown());
    keyboard.SendKeyEvent(kKeyUp, kVkControl, 0x1D);
    keyboard.SendKeyEvent(kKeyDown, 0x41, 0x99);  // wrong scan code
    EXPECT_EQ(keyboard.Faults().size(), 2u);
}

TEST(FakeKeyboard, TranscriptFollowsModifierState) {
    FakeKeyboard keyboard;
    keyboard.SendKeyEvent(kKeyDown, kVkShift, 0x2A);
    keyboard.SendKeyEvent(kKeyDown, 0x31, 0x02);
    keyboard.SendKeyEvent(kKeyUp, 0x31, 0x02);
    keyboard.SendKeyEvent(kKeyDown, kVkControl, 0x1D);
    keyboard.SendKeyEvent(kKeyDown, 0x41, 0x1E);
    EXPECT_EQ(keyboard.Transcript(), "!{Ctrl+Shift+A}");
}

TEST(FakeKeyboard, UsLayoutRoundTripsEveryPrintableCharacter) {
    for (char character = 0x20; character <= 0x7E; ++character) {
        const std::int16_t key = UsLayoutKeyForCharacter(character);
        ASSERT_NE(key & 0xFF, 0xFF) << character;
        EXPECT_NE(UsLayoutScanCode(static_cast<std::uint8_t>(key & 0xFF)), 0u) << character;
    }
    EXPECT_EQ(UsLayoutKeyForCharacter('\t'), -1);
}

TEST(FakeAnswerLine, RecordsAnswersWithTheKeyEventCountAtTheTime) {
    FakeKeyboard keyboard;
    FakeAnswerLine line(keyboard);
    line.WriteAnswer(kNak);
    keyboard.SendKeyEvent(kKeyDown, 0x41, 0x1E);
    line.WriteAnswer(kAck);
    EXPECT_EQ(line.AnswerLetters(), "NA");
    EXPECT_EQ(line.KeyEventsBefore(), (std::vector<std::size_t>{0, 1}));
}

}  // namespace
}  // namespace tellurin::fakes
