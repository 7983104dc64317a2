// The doubles themselves must be right, or the tests above prove nothing.
#include <gtest/gtest.h>

#include "tests/fakes/fake_answer_line.h"
#include "tests/fakes/fake_keyboard.h"
#include "tests/fakes/iconv_text_decoder.h"

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

// The conversions measured with MultiByteToWideChar and MB_ERR_INVALID_CHARS
// under Wine, which the C library's converter must give alike; and the small
// output buffer that the Win32 call refuses too.
TEST(IconvTextDecoder, DecodesAsMeasuredOnWindows) {
    struct Measured {
        TextCode code;
        std::string bytes;
        bool good;
        std::u16string units;
    } measured[] = {
        {TextCode::ShiftJis, "\x93\x8c\x8b\x9e", true, u"\x6771\x4EAC"},
        {TextCode::ShiftJis, "\x95\x5c", true, u"\x8868"},
        {TextCode::ShiftJis, "\xb1\xb2", true, u"\xFF71\xFF72"},
        {TextCode::ShiftJis, "\x81\x60", true, u"\xFF5E"},
        {TextCode::ShiftJis, "\x87\x40", true, u"\x2460"},
        {TextCode::ShiftJis, "\xfa\x40", true, u"\x2170"},
        {TextCode::ShiftJis, "AB\x81", false, u""},
        {TextCode::ShiftJis, "\x85\x40", false, u""},
        {TextCode::Utf8, "\xc0\xaf", false, u""},
        {TextCode::Utf8, "\xed\xa0\x80", false, u""},
        {TextCode::Utf8, "\xf0\x9f\x98\x80", true, u"\xD83D\xDE00"},
    };
    IconvTextDecoder decoder;
    for (const Measured& m : measured) {
        char16_t units[8];
        std::uint32_t count = 99;
        EXPECT_EQ(decoder.Decode(m.code, reinterpret_cast<const std::uint8_t*>(m.bytes.data()),
                                 static_cast<std::uint32_t>(m.bytes.size()), units, 8, count),
                  m.good)
            << m.bytes;
        if (m.good) EXPECT_EQ(std::u16string(units, count), m.units) << m.bytes;
    }
    char16_t one[1];
    std::uint32_t count = 0;
    EXPECT_FALSE(decoder.Decode(TextCode::ShiftJis, reinterpret_cast<const std::uint8_t*>("AB"), 2, one, 1, count));
}

}  // namespace
}  // namespace tellurin::fakes
