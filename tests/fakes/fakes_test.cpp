// The doubles themselves must be right, or the tests above prove nothing.
#include <gtest/gtest.h>

#include "tests/fakes/fake_answer_line.h"
#include "tests/fakes/fake_keyboard.h"
#include "tests/fakes/fake_registry.h"
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

TEST(FakeKeyboard, UnicodeEventsTypeCharactersAndChangeNoKeyState) {
    FakeKeyboard keyboard;
    keyboard.SendKeyEvent(kKeyDown, kVkShift, 0x2A);
    keyboard.SendUnicodeEvent(kUnicodeDown, 0x6771);
    keyboard.SendUnicodeEvent(kUnicodeUp, 0x6771);
    keyboard.SendKeyEvent(kKeyUp, kVkShift, 0x2A);  // still down: the Unicode event left it alone
    keyboard.SendUnicodeEvent(kUnicodeDown, 0xD83D);
    keyboard.SendUnicodeEvent(kUnicodeUp, 0xD83D);
    keyboard.SendUnicodeEvent(kUnicodeDown, 0xDE00);
    keyboard.SendUnicodeEvent(kUnicodeUp, 0xDE00);
    EXPECT_EQ(keyboard.Transcript(), "東😀");
    EXPECT_TRUE(keyboard.Faults().empty());
    keyboard.SendUnicodeEvent(kUnicodeDown, 0xD83D);  // half a pair, never released
    keyboard.SendUnicodeEvent(kUnicodeDown, 0x0041);
    EXPECT_TRUE(keyboard.AnyKeyDown());
    EXPECT_EQ(keyboard.Faults().size(), 1u);
}

TEST(FakeKeyboard, ReadsScanCodesInTheFocusedLayoutAndLooksUpInItOnlyWhenAsked) {
    FakeKeyboard keyboard;
    keyboard.SetFocusedLayout(FakeLayout::Qwertz);
    EXPECT_EQ(keyboard.ScanCodeForKey('Z'), 0x2Cu);  // the receiver thread's own layout
    keyboard.SendKeyEvent(kKeyDown, 'Z', 0x2C);       // Y in the focused layout
    keyboard.UseFocusedWindowLayout();
    EXPECT_EQ(keyboard.ScanCodeForKey('Z'), 0x15u);
    keyboard.SendKeyEvent(kKeyDown, 'Z', 0x15);
    EXPECT_EQ(keyboard.Transcript(), "yz");
    EXPECT_EQ(keyboard.Faults().size(), 1u);
}

TEST(FakeKeyboard, ImeTakesSetsOnlyAfterAQueryFoundItOpen) {
    FakeKeyboard keyboard;
    keyboard.SetIme(ImeOpenStatus::Open);
    EXPECT_TRUE(keyboard.SetImeOpenStatus(false));  // never asked: a fault
    EXPECT_EQ(keyboard.Faults().size(), 1u);
    keyboard.SetIme(ImeOpenStatus::Open, false);
    EXPECT_EQ(keyboard.QueryImeOpenStatus(), ImeOpenStatus::Open);
    EXPECT_FALSE(keyboard.SetImeOpenStatus(false));
    EXPECT_EQ(keyboard.ImeStatus(), ImeOpenStatus::Open);
    keyboard.SendKeyEvent(kKeyDown, 0x41, 0x1E);
    EXPECT_EQ(keyboard.KeysWhileImeOpen(), 1);
}

TEST(FakeKeyboard, UsLayoutRoundTripsEveryPrintableCharacter) {
    for (char character = 0x20; character <= 0x7E; ++character) {
        const std::int16_t key = UsLayoutKeyForCharacter(character);
        ASSERT_NE(key & 0xFF, 0xFF) << character;
        EXPECT_NE(UsLayoutScanCode(static_cast<std::uint8_t>(key & 0xFF)), 0u) << character;
    }
    EXPECT_EQ(UsLayoutKeyForCharacter('\t'), -1);
}

TEST(FakeKeyboard, DeadKeysWaitForTheNextCharacterAndTheStopCountsDowns) {
    FakeKeyboard keyboard;
    std::atomic<bool> receiving{true};
    keyboard.StopAfterDowns(receiving, 3);
    keyboard.SetFocusedLayout(FakeLayout::UsInternational);
    keyboard.UseFocusedWindowLayout();
    EXPECT_EQ(keyboard.CharacterForKey(0xDE), kDeadKeyBit | '\'');
    for (const std::uint8_t key : {0xDE, 0x41, 0xDE}) {  // ' a ', the accent of the last one waiting
        keyboard.SendKeyEvent(kKeyDown, key, static_cast<std::uint8_t>(UsLayoutScanCode(key)));
        keyboard.SendKeyEvent(kKeyUp, key, static_cast<std::uint8_t>(UsLayoutScanCode(key)));
    }
    EXPECT_EQ(keyboard.Transcript(), "á");
    EXPECT_TRUE(keyboard.AnyKeyDown());
    EXPECT_FALSE(receiving.load());
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

// Like MultiByteToWideChar, each conversion stands alone: one that failed on
// a character cut off at the end leaves nothing behind for the next. Too small
// an output buffer fails, as the Win32 call does.
// HKLM's views as the WOW64 documentation gives them: which physical key an
// open of SOFTWARE\\P reaches, for each kind of program and access.
TEST(FakeRegistry, MachineOpensReachTheViewWindowsDocuments) {
    struct Case {
        MachineView View;
        std::uint32_t Flags;
        const char* Reaches;  // "64", "32" or "" (the open fails)
    } const cases[] = {
        {MachineView::Windows64Program64, 0, "64"},
        {MachineView::Windows64Program64, kKeyWow64_64Key, "64"},
        {MachineView::Windows64Program64, kKeyWow64_32Key, "32"},
        {MachineView::Windows64Program32, 0, "32"},
        {MachineView::Windows64Program32, kKeyWow64_64Key, "64"},
        {MachineView::Windows64Program32, kKeyWow64_64Key | kKeyWow64_32Key, ""},
        {MachineView::Windows32, kKeyWow64_64Key, "64"},  // one view: SOFTWARE itself
        {MachineView::Windows32, kKeyWow64_32Key, "64"},
    };
    for (const Case& test : cases) {
        FakeRegistry registry;
        registry.PutMachineText(u"SOFTWARE\\P", u"V", u"64");
        registry.PutMachineText(u"SOFTWARE\\WOW6432Node\\P", u"V", u"32");
        registry.SetMachineView(test.View);
        Registry::Key key = 0;
        std::string reached;
        if (registry.OpenMachineKey(u"SOFTWARE\\P", kKeyQueryValue | test.Flags, key)) {
            std::uint8_t buffer[8] = {};
            std::uint32_t size = sizeof buffer;
            EXPECT_TRUE(registry.QueryValue(key, u"V", buffer, size));
            reached = std::string(1, static_cast<char>(buffer[0])) + static_cast<char>(buffer[2]);
            EXPECT_FALSE(registry.SetTextValue(key, u"V", u"x", 4));
            registry.CloseKey(key);
        }
        EXPECT_EQ(reached, test.Reaches) << static_cast<int>(test.View) << " " << test.Flags;
        EXPECT_EQ(registry.Text(u"SOFTWARE\\P", u"V"), "<missing>");  // the user's hive is another
        EXPECT_EQ(registry.Faults().size(), reached.empty() ? 0u : 2u);  // a write under HKLM, without access
        EXPECT_EQ(registry.OpenKeyCount(), 0);
    }
}

TEST(IconvTextDecoder, ConversionsStandAloneAndNeedRoomForTheirUnits) {
    IconvTextDecoder decoder;
    char16_t units[4];
    std::uint32_t count = 99;
    EXPECT_FALSE(decoder.Decode(TextCode::ShiftJis, reinterpret_cast<const std::uint8_t*>("AB\x95"), 3, units, 4, count));
    ASSERT_TRUE(decoder.Decode(TextCode::ShiftJis, reinterpret_cast<const std::uint8_t*>("\x5c"), 1, units, 4, count));
    EXPECT_EQ(std::u16string(units, count), u"\\");
    EXPECT_FALSE(decoder.Decode(TextCode::Utf8, reinterpret_cast<const std::uint8_t*>("ABC"), 3, units, 2, count));
}

}  // namespace
}  // namespace tellurin::fakes
