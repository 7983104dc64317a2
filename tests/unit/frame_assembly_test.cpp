// Frame assembly under every protocol: framing, answers, the NAK run, blocks
// split anywhere and the stop flag; frames read by character in Shift-JIS and
// UTF-8. Frames are observed through the keyboard double, which reconstructs
// the typed text; decoding is checked on its own against the C library's
// converter.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resident/receiver/frame_assembly.h"
#include "tests/fakes/fake_answer_line.h"
#include "tests/fakes/fake_editing.h"
#include "tests/fakes/fake_input_target.h"
#include "tests/fakes/fake_keyboard.h"
#include "tests/fakes/iconv_text_decoder.h"

namespace tellurin {
namespace {

// Frames typed with no head or terminator key, so the transcript is the frames
// one after another; a terminator of Tab ("\t" in no text here) separates them.
struct Reception {
    explicit Reception(char16_t protocol, char16_t characterCode = u'0') {
        communication.Protocol = protocol;
        function.CharacterCode = characterCode;
        function.TermKey1 = 0x0009;  // Tab between frames
        function.KeySpeed = 9;
        ResetFrameAssembly(assembly, protocol);
    }
    void Feed(const std::string& bytes) {
        EditPlan plan;
        EXPECT_TRUE(PrepareEditing(editing, plan));
        ReceptionContext context{enabled, communication, function, scans, line,  keyboard, decoder,
                                 target,  causes,        listener, plan,  clock, lastFrame};
        ProcessReceivedBytes(assembly, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                             static_cast<std::uint32_t>(bytes.size()), context);
    }
    // Each typed frame followed by "|".
    std::string Frames() const {
        std::string frames = keyboard.Transcript();
        for (auto at = frames.find("{Tab}"); at != std::string::npos; at = frames.find("{Tab}"))
            frames.replace(at, 5, "|");
        return frames;
    }

    CommunicationSettings communication = kDefaultCommunicationSettings;
    FunctionSettings function = kDefaultFunctionSettings;
    ModifierScanCodes scans{0x2A, 0x1D, 0x38};
    std::atomic<bool> enabled{true};
    fakes::FakeKeyboard keyboard;
    fakes::FakeAnswerLine line{keyboard};
    fakes::IconvTextDecoder decoder;
    fakes::FakeInputTarget target;
    ReceptionCauses causes;
    fakes::CountingCauseListener listener;
    EditRules editing = kDefaultEditRules;
    fakes::FixedClock clock;
    fakes::KeptLastFrame lastFrame;
    FrameAssembly assembly{};
};

// What the keyboard double shows once a frame with this text is typed (with
// no keys around it): a frame read by character must type exactly its text.
std::string Shown(std::u16string_view text) {
    FunctionSettings function = kDefaultFunctionSettings;
    function.TermKey1 = 0;
    function.KeySpeed = 9;
    fakes::FakeKeyboard keyboard;
    const std::atomic<bool> receiving{true};
    TypeFrame(text, function, ModifierScanCodes{0x2A, 0x1D, 0x38}, keyboard, receiving);
    return keyboard.Transcript();
}

struct FramingCase {
    const char* name;
    char16_t protocol;
    std::string input;
    std::string frames;   // typed frames, each followed by "|"
    std::string answers;  // "A" ACK, "N" NAK
    char16_t characterCode = u'0';
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const FramingCase& c, std::ostream* out) { *out << c.name; }

class Framing : public ::testing::TestWithParam<FramingCase> {};

TEST_P(Framing, TypesGoodFramesAndAnswersEveryFrame) {
    const FramingCase& c = GetParam();
    Reception reception(c.protocol, c.characterCode);
    reception.Feed(c.input);
    EXPECT_EQ(reception.Frames(), c.frames);
    EXPECT_EQ(reception.line.AnswerLetters(), c.answers);
    EXPECT_FALSE(reception.keyboard.AnyKeyDown());
    EXPECT_TRUE(reception.keyboard.Faults().empty());
}

const std::string kLong1500(1500, 'x');

INSTANTIATE_TEST_SUITE_P(
    AllProtocols, Framing,
    ::testing::Values(
        // CR framing, with and without answers.
        FramingCase{"Cr_TwoFrames", u'0', "AB\rC\r", "AB|C|", ""},
        FramingCase{"Cr_SenderSendsCrLf", u'0', "AB\r\nC\r\n", "AB|C|", ""},
        FramingCase{"Cr_EmptyFrameIgnored", u'0', "\r", "", ""},
        FramingCase{"CrAck_TwoFrames", u'3', "AB\rC\r", "AB|C|", "AA"},
        FramingCase{"CrAck_EmptyFrameNak", u'3', "\r", "", "N"},
        FramingCase{"CrAck_ControlBytesOnlyNak", u'3', "\t\x01\r", "", "N"},
        FramingCase{"CrAck_ControlBytesOnlyAfterAGoodFrameNak", u'3', "A\r\t\x01\r", "A|", "AN"},
        // CR LF framing: the byte after CR is used up, good or not.
        FramingCase{"CrLf_OneFrame", u'1', "AB\r\n", "AB|", ""},
        FramingCase{"CrLf_WrongSecondEndDropsFrame", u'1', "AB\rXCD\r\n", "CD|", ""},
        FramingCase{"CrLfAck_OneFrame", u'4', "AB\r\n", "AB|", "A"},
        FramingCase{"CrLfAck_WrongSecondEndIsBad", u'4', "AB\rX", "", "N"},
        FramingCase{"CrLfAck_NextFrameAfterBadOne", u'4', "AB\rXCD\r\n", "CD|", "NA"},
        FramingCase{"CrLfAck_EndBytesOnlyNak", u'4', "\r\n", "", "N"},
        FramingCase{"CrLf_LoneLfInsideDropped", u'1', "A\nB\r\n", "AB|", ""},
        // STX/ETX framing: bytes outside frames are ignored.
        FramingCase{"StxEtx_NoiseAroundFrame", u'2', "xx\x02" "A\x02" "B\x03yy", "AB|", ""},
        FramingCase{"StxEtx_CrInsideDropped", u'2', "\x02" "A\rB\x03", "AB|", ""},
        FramingCase{"StxEtxAck_Frame", u'5', "\x02" "4901234567894\x03", "4901234567894|", "A"},
        FramingCase{"StxEtxAck_EmptyFrameNak", u'5', "\x02\x03", "", "N"},
        FramingCase{"StxEtxAck_NoiseNeverAnswered", u'5', "abc\x03\r\n", "", ""},
        FramingCase{"StxEtxAck_HighBytesDroppedFrameStaysGood", u'5', "\x02" "A\x7f\x80\xff" "B\x03", "AB|", "A"},
        FramingCase{"StxEtxAck_HighBytesOnlyNak", u'5', "\x02\x7f\x80\xfe\x03", "", "N"},
        // The edges of the printable range: space and tilde are kept, 0x1F and 0x7F are not.
        FramingCase{"StxEtxAck_PrintableEdgesKept", u'5', "\x02\x1f \x7e\x7f\x03", " ~|", "A"},
        // Codes outside "0".."5" frame as STX/ETX without answers.
        FramingCase{"OutOfRangeCode_StxEtxNoAnswer", u'9', "A\r\x02" "B\x03\x02\x03", "B|", ""},
        FramingCase{"NulCode_StxEtxNoAnswer", u'\0', "\x02" "C\x03", "C|", ""},
        // Overlong frame: the first 1023 characters, good and answered ACK.
        FramingCase{"CrAck_1500CharactersTruncated", u'3', kLong1500 + "\r", std::string(1023, 'x') + "|", "A"},
        // Frames read by character: high bytes kept, control bytes and DEL
        // still dropped, a frame not valid in its code answered NAK and not typed.
        FramingCase{"ShiftJisAck_AddressKeptWhole", u'5', "\x02\x93\x8c\x8b\x9e\x93\x73\x8d\x60\x8b\xe6" "1-2-3\x03",
                    Shown(u"東京都港区1-2-3") + "|", "A", u'1'},
        FramingCase{"ShiftJis_TrailByte5CIsNoBackslash", u'2', "\x02\x95\x5c" "A\x03", Shown(u"表A") + "|", "", u'1'},
        FramingCase{"Ascii_SameBytesTypeTheBackslash", u'2', "\x02\x95\x5c" "A\x03", "\\A|", "", u'0'},
        // Control bytes stay for the editing step, so one inside a character spoils it.
        FramingCase{"ShiftJisAck_ControlByteInsideCharacterNak", u'5', "\x02\x95\x01\x5c\x03\x02\x95\x7f\x5c\x03", Shown(u"表") + "|",
                    "NA", u'1'},
        FramingCase{"ShiftJisAck_HalfWidthKanaOnlyIsAFrame", u'5', "\x02\xb1\xb2\xb3\x03", Shown(u"ｱｲｳ") + "|", "A", u'1'},
        FramingCase{"ShiftJisAck_UnassignedPairNakNotTyped", u'5', "\x02" "AB\x85\x40\x03\x02" "C\x03", "C|", "NA", u'1'},
        FramingCase{"ShiftJisAck_LeadByteAtEndByteNak", u'3', "AB\x81\r", "", "N", u'1'},
        FramingCase{"Utf8_EmojiKept", u'0', "\xf0\x9f\x98\x80" "A\r", Shown(u"\U0001F600A") + "|", "", u'2'},
        FramingCase{"Utf8Ack_OverlongFormNak", u'3', "A\xc0\xaf\r", "", "N", u'2'},
        FramingCase{"AutomaticAck_EachFrameReadInItsOwnCode", u'3', "\xe6\x9d\xb1\r\x93\x8c\r",
                    Shown(u"東") + "|" + Shown(u"東") + "|", "AA", u'3'},
        FramingCase{"AutomaticAck_InvalidInBothNak", u'3', "\x85\x40\r", "", "N", u'3'},
        FramingCase{"Utf8Ack_ByteOrderMarkAloneIsEmptyNak", u'3', "\xef\xbb\xbf\r", "", "N", u'2'},
        // A code outside "0".."3" reads as ASCII.
        FramingCase{"UnknownCode_ReadAsAscii", u'2', "\x02\x95\x5c" "A\x03", "\\A|", "", u'7'}),
    [](const ::testing::TestParamInfo<FramingCase>& info) { return std::string(info.param.name); });

struct DecodingCase {
    const char* name;
    FrameCode code;
    std::string bytes;
    bool cut;             // bytes past the limit were dropped
    bool good;
    std::u16string text;  // when good
};

void PrintTo(const DecodingCase& c, std::ostream* out) { *out << c.name; }

class Decoding : public ::testing::TestWithParam<DecodingCase> {};

TEST_P(Decoding, GivesTheFramesTextOrReportsItBad) {
    const DecodingCase& c = GetParam();
    fakes::IconvTextDecoder decoder;
    std::vector<char16_t> text(c.bytes.size() + 1, u'\xFFFF');
    std::uint32_t units = 0xFFFF;
    const bool good = DecodeFrame(c.code, reinterpret_cast<const std::uint8_t*>(c.bytes.data()),
                                  static_cast<std::uint32_t>(c.bytes.size()), c.cut, decoder, text.data(),
                                  units) == FrameText::Decoded;
    ASSERT_EQ(good, c.good);
    if (good) EXPECT_EQ(std::u16string(text.data(), units), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    AllCodes, Decoding,
    ::testing::Values(
        DecodingCase{"ShiftJis_Address", FrameCode::ShiftJis, "\x93\x8c\x8b\x9e\x93\x73\x8d\x60\x8b\xe6" "1-2-3", false,
                     true, u"東京都港区1-2-3"},
        DecodingCase{"ShiftJis_5CAsTrailByte", FrameCode::ShiftJis, "\x95\x5c\\", false, true, u"表\\"},
        DecodingCase{"ShiftJis_HalfWidthKana", FrameCode::ShiftJis, "\xb1\xb2\xb3", false, true, u"ｱｲｳ"},
        DecodingCase{"ShiftJis_VendorRows", FrameCode::ShiftJis, "\x87\x40\xfa\x40", false, true, u"①ⅰ"},
        DecodingCase{"ShiftJis_LoneLeadByteAtTheEndIsBad", FrameCode::ShiftJis, "AB\x81", false, false, u""},
        DecodingCase{"ShiftJis_UnassignedPairIsBad", FrameCode::ShiftJis, "\x85\x40", false, false, u""},
        // Cut at the limit: a lead byte left alone is dropped, not a reason to
        // call the frame bad; a second byte in the lead range is not a lead byte.
        DecodingCase{"ShiftJis_CutLeadByteDropped", FrameCode::ShiftJis, "AB\x95\x5c\x81", true, true, u"AB表"},
        DecodingCase{"ShiftJis_CutAfterWholeCharacterKeepsIt", FrameCode::ShiftJis, "A\x81\x81", true, true, u"A＝"},
        DecodingCase{"ShiftJis_CutKeepsAnInvalidFrameBad", FrameCode::ShiftJis, "\x85\x40\x81", true, false, u""},
        // Single bytes that code page 932 maps to no character (the decoder
        // maps them as Windows does); as second bytes they are characters.
        DecodingCase{"ShiftJis_Single80IsBad", FrameCode::ShiftJis, "A\x80", false, false, u""},
        DecodingCase{"ShiftJis_SingleA0IsBad", FrameCode::ShiftJis, "\xa0", false, false, u""},
        DecodingCase{"ShiftJis_SingleFDIsBad", FrameCode::ShiftJis, "\xb1\xfd", false, false, u""},
        DecodingCase{"ShiftJis_SingleFEIsBad", FrameCode::ShiftJis, "\xfe" "A", false, false, u""},
        DecodingCase{"ShiftJis_SingleFFIsBad", FrameCode::ShiftJis, "\xff", false, false, u""},
        DecodingCase{"ShiftJis_80AsSecondByteIsACharacter", FrameCode::ShiftJis, "\x81\x80", false, true, u"÷"},
        DecodingCase{"Automatic_SingleFFIsBad", FrameCode::Automatic, "\x93\x8c\xff", false, false, u""},
        DecodingCase{"Utf8_EmojiIsASurrogatePair", FrameCode::Utf8, "\xf0\x9f\x98\x80", false, true, u"\xD83D\xDE00"},
        DecodingCase{"Utf8_IncompleteAtTheEndIsBad", FrameCode::Utf8, "A\xe6\x9d", false, false, u""},
        DecodingCase{"Utf8_OverlongFormIsBad", FrameCode::Utf8, "\xc0\xaf", false, false, u""},
        DecodingCase{"Utf8_CutAfterTwoOfThreeBytes", FrameCode::Utf8, "A\xe6\x9d", true, true, u"A"},
        DecodingCase{"Utf8_CutAfterOneOfFourBytes", FrameCode::Utf8, "A\xf0", true, true, u"A"},
        DecodingCase{"Utf8_CutAfterThreeOfFourBytes", FrameCode::Utf8, "A\xf0\x9f\x98", true, true, u"A"},
        DecodingCase{"Utf8_CutAfterWholeCharacterKeepsIt", FrameCode::Utf8, "A\xe6\x9d\xb1", true, true, u"A東"},
        // A leading byte-order mark is dropped; anywhere else it is text.
        DecodingCase{"Utf8_LeadingByteOrderMarkDropped", FrameCode::Utf8, "\xef\xbb\xbf" "AB", false, true, u"AB"},
        DecodingCase{"Utf8_LaterByteOrderMarkKept", FrameCode::Utf8, "A\xef\xbb\xbf", false, true, u"A\xFEFF"},
        DecodingCase{"Automatic_LeadingByteOrderMarkDropped", FrameCode::Automatic, "\xef\xbb\xbf\xe6\x9d\xb1", false,
                     true, u"東"},
        // Automatic: UTF-8 when valid there and holding a byte from 0x80 up.
        DecodingCase{"Automatic_Utf8", FrameCode::Automatic, "\xe6\x9d\xb1\xe4\xba\xac", false, true, u"東京"},
        DecodingCase{"Automatic_ShiftJis", FrameCode::Automatic, "\x93\x8c\x8b\x9e", false, true, u"東京"},
        DecodingCase{"Automatic_ValidInBothReadsUtf8", FrameCode::Automatic, "\xc3\xa9", false, true, u"é"},
        DecodingCase{"Automatic_PlainAsciiReadsShiftJis", FrameCode::Automatic, "A\\~", false, true, u"A\\~"},
        DecodingCase{"Automatic_Utf8CutToAsciiStaysUtf8", FrameCode::Automatic, "A\xe6\x9d", true, true, u"A"},
        DecodingCase{"Automatic_InvalidInBothIsBad", FrameCode::Automatic, "\x85\x40", false, false, u""}),
    [](const ::testing::TestParamInfo<DecodingCase>& info) { return std::string(info.param.name); });

// The limit counts bytes: a character the 1023rd byte cuts is dropped whole
// and the frame stays good; a character merely incomplete at the end byte,
// with nothing past the limit, makes the frame bad.
TEST(FrameAssembly, CharacterCutByTheLimitIsDroppedWhole) {
    struct LimitCase {
        char16_t code;
        std::string frame;
        std::string frames;
        std::string answers;
    } cases[] = {
        {u'1', std::string(1022, 'x') + "\x93\x8c" "yz\r", std::string(1022, 'x') + "|", "A"},
        {u'2', std::string(1021, 'x') + "\xf0\x9f\x98\x80\r", std::string(1021, 'x') + "|", "A"},
        {u'3', std::string(1022, 'x') + "\x81\x40\r", std::string(1022, 'x') + "|", "A"},
        {u'1', std::string(1022, 'x') + "\x81\r", "", "N"},
    };
    for (const LimitCase& c : cases) {
        Reception reception(u'3', c.code);
        reception.Feed(c.frame);
        EXPECT_EQ(reception.Frames(), c.frames) << static_cast<char>(c.code) << " " << c.frame.size();
        EXPECT_EQ(reception.line.AnswerLetters(), c.answers) << static_cast<char>(c.code) << " " << c.frame.size();
    }
}

TEST(FrameAssembly, FrameSplitAtEveryPositionGivesTheSameFrames) {
    const std::string stream = "\x02" "AB\x03noise\x02" "CD\x03";
    for (std::size_t split = 0; split <= stream.size(); ++split) {
        Reception reception(u'5');
        reception.Feed(stream.substr(0, split));
        reception.Feed(stream.substr(split));
        EXPECT_EQ(reception.Frames(), "AB|CD|") << "split at " << split;
        EXPECT_EQ(reception.line.AnswerLetters(), "AA") << "split at " << split;
    }
}

TEST(FrameAssembly, CrLfSplitBetweenCrAndLf) {
    Reception reception(u'4');
    reception.Feed("AB\r");
    EXPECT_EQ(reception.line.AnswerLetters(), "");  // not complete before the LF
    reception.Feed("\n");
    EXPECT_EQ(reception.Frames(), "AB|");
    EXPECT_EQ(reception.line.AnswerLetters(), "A");
}

TEST(FrameAssembly, TwentyFifthBadFrameRunAnswersNakNineteenTimesThenAck) {
    Reception reception(u'5');
    for (int frame = 0; frame < 25; ++frame) reception.Feed("\x02\x03");
    EXPECT_EQ(reception.line.AnswerLetters(), std::string(19, 'N') + "A" + std::string(5, 'N'));
    reception.Feed("\x02" "OK\x03");
    EXPECT_EQ(reception.line.AnswerLetters().back(), 'A');
    EXPECT_EQ(reception.assembly.NakCount, 0u);
    EXPECT_EQ(reception.Frames(), "OK|");
}

TEST(FrameAssembly, NakCountSurvivesReceiverRestartButFrameInProgressDoesNot) {
    Reception reception(u'5');
    for (int frame = 0; frame < 18; ++frame) reception.Feed("\x02\x03");
    reception.Feed("\x02" "HALF");
    ResetFrameAssembly(reception.assembly, u'5');
    reception.Feed("\x02\x03" "\x02\x03");  // the 19th and 20th bad frames
    EXPECT_EQ(reception.line.AnswerLetters(), std::string(19, 'N') + "A");
    EXPECT_EQ(reception.Frames(), "");
}

TEST(FrameAssembly, AnswerGoesOutBeforeTheFramesKeystrokes) {
    Reception reception(u'3');
    reception.Feed("A\rB\r");
    ASSERT_EQ(reception.line.KeyEventsBefore().size(), 2u);
    EXPECT_EQ(reception.line.KeyEventsBefore()[0], 0u);
    // "A" is Shift, A down/up, Shift up, Tab down/up: the second answer follows all six.
    EXPECT_EQ(reception.line.KeyEventsBefore()[1], 6u);
}

TEST(FrameAssembly, AnswerModeFollowsProtocolAtFrameEndFramingAtStart) {
    Reception reception(u'0');
    reception.Feed("A\r");
    reception.communication.Protocol = u'3';  // answers switch on; framing stays CR
    reception.Feed("B\r");
    EXPECT_EQ(reception.line.AnswerLetters(), "A");
    EXPECT_EQ(reception.Frames(), "A|B|");
}

TEST(FrameAssembly, ClearedReceivingFlagDropsTheRestOfTheBlockAndKeepsState) {
    Reception reception(u'5');
    reception.Feed("\x02" "AB");
    reception.enabled = false;
    reception.Feed("C\x03");
    EXPECT_EQ(reception.line.AnswerLetters(), "");
    EXPECT_EQ(reception.assembly.State, FrameState::Collecting);
    reception.enabled = true;
    reception.Feed("D\x03");
    EXPECT_EQ(reception.Frames(), "ABD|");
}

TEST(FrameAssembly, ProtocolsWithoutAnswerNeverWriteWhateverArrives) {
    for (char16_t protocol : {u'0', u'1', u'2', u'6', u'A'}) {
        Reception reception(protocol);
        std::string noise;
        for (int byte = 0; byte < 256; ++byte) noise += static_cast<char>(byte);
        reception.Feed(noise + noise + "\r\n\x02\x03\r\r");
        EXPECT_TRUE(reception.line.Answers().empty()) << "protocol " << static_cast<char>(protocol);
        EXPECT_FALSE(reception.keyboard.AnyKeyDown());
    }
}

// Whether a good frame can reach an application: where it cannot, it is
// kept back (NAK) and the cause is recorded; where the target cannot be
// judged, it is typed as before. A frame bad in itself is just bad.
TEST(FrameAssembly, FramesNoApplicationCanReceiveAreNotTypedNorAcknowledged) {
    enum Setup { UsersDesktop, LockedInputDesktop, SecureDesktopNamed, ElevatedTarget, ElevatedUnreadable, NoLevels,
                 TargetRefused, TargetRefusedNoLevels };
    const struct {
        const char* name;
        Setup setup;
        char16_t protocol;
        const char* frames;
        const char* answers;
        std::uint32_t cause;
        char16_t characterCode = u'0';
        const char* frame = "\x02" "AB\x03";
    } cases[] = {
        {"user's desktop, same level: typed", UsersDesktop, u'5', "AB|", "A", 0},
        {"input desktop cannot be opened (locked)", LockedInputDesktop, u'5', "", "N", CauseDesktopLocked},
        {"input desktop is Winlogon's", SecureDesktopNamed, u'5', "", "N", CauseDesktopLocked},
        {"elevated target", ElevatedTarget, u'5', "", "N", CauseTargetElevated},
        {"elevated target, no answer protocol: lost, told", ElevatedTarget, u'2', "", "", CauseTargetElevated},
        {"target's level unreadable: typed as before", ElevatedUnreadable, u'5', "AB|", "A", 0},
        {"no integrity levels (XP): typed as before", NoLevels, u'5', "AB|", "A", 0},
        {"another account's process refuses us: elevated", TargetRefused, u'5', "", "N", CauseTargetElevated},
        {"refused, but our own level unknown: typed as before", TargetRefusedNoLevels, u'5', "AB|", "A", 0},
        {"invalid in its code while locked: bad, not locked", LockedInputDesktop, u'5', "", "N", 0, u'1',
         "\x02\x85\x40\x03"},
    };
    for (const auto& c : cases) {
        Reception reception(c.protocol, c.characterCode);
        fakes::FakeInputTarget& target = reception.target;
        target.inputDesktopOpens = c.setup != LockedInputDesktop;
        if (c.setup == SecureDesktopNamed) target.desktop = u"Winlogon";
        if (c.setup == ElevatedTarget || c.setup == ElevatedUnreadable || c.setup == NoLevels)
            target.foregroundLevel = kIntegrityHigh;
        if (c.setup == ElevatedUnreadable) target.foreground = LevelRead::Unknown;
        if (c.setup == TargetRefused || c.setup == TargetRefusedNoLevels) target.foreground = LevelRead::Refused;
        target.ownKnown = c.setup != NoLevels && c.setup != TargetRefusedNoLevels;
        reception.Feed(c.frame);
        EXPECT_EQ(reception.Frames(), c.frames) << c.name;
        EXPECT_EQ(reception.line.AnswerLetters(), c.answers) << c.name;
        EXPECT_EQ(reception.causes.Active(), c.cause) << c.name;
    }
}

// Kept-back frames are always answered NAK, however many come: they neither
// count in the run of bad frames nor end it. The cause is announced once per
// occurrence, not once per frame, and goes when a frame is typed again.
TEST(FrameAssembly, KeptBackFramesAreAlwaysNakedAndAnnouncedOnce) {
    Reception reception(u'5');
    for (int frame = 0; frame < 10; ++frame) reception.Feed("\x02\x03");  // bad in themselves
    reception.target.desktop = u"Winlogon";
    for (int frame = 0; frame < 25; ++frame) reception.Feed("\x02" "AB\x03");
    reception.target.desktop = u"Default";
    for (int frame = 0; frame < 10; ++frame) reception.Feed("\x02\x03");  // the 20th bad one gets ACK
    EXPECT_EQ(reception.line.AnswerLetters(), std::string(44, 'N') + "A");
    EXPECT_EQ(reception.Frames(), "");
    EXPECT_EQ(reception.listener.notices, 1);

    reception.Feed("\x02" "OK\x03");
    EXPECT_EQ(reception.Frames(), "OK|");
    EXPECT_EQ(reception.causes.Active(), 0u);
    EXPECT_EQ(reception.listener.notices, 2);

    reception.target.foregroundLevel = kIntegrityHigh;  // a second occurrence, of another cause
    reception.Feed("\x02" "AB\x03" "\x02" "AB\x03");
    EXPECT_EQ(reception.causes.Active(), CauseTargetElevated);
    EXPECT_EQ(reception.listener.notices, 3);
}

// Without code page 932 (a Western Windows without the East Asian files), a
// frame that must be read as Shift-JIS is bad and says why, once; ASCII and
// UTF-8 frames are still typed, and typing them does not hide the cause.
TEST(FrameAssembly, FramesNeedingAMissingShiftJisAreBadAndTold) {
    Reception reception(u'3', u'3');
    reception.decoder.shiftJisInstalled = false;
    reception.Feed("\x93\x8c\rAB\r\x93\x8c\r\xe6\x9d\xb1\r");
    EXPECT_EQ(reception.Frames(), "AB|" + Shown(u"東") + "|");
    EXPECT_EQ(reception.line.AnswerLetters(), "NANA");
    EXPECT_EQ(reception.causes.Active(), CauseShiftJisMissing);
    EXPECT_EQ(reception.listener.notices, 1);
}

// An answer held back for its whole wait (no CTS) is recorded; the frame is
// still typed, and only an answer that gets out clears the cause.
TEST(FrameAssembly, AnswerHeldBackIsRecordedUntilAnAnswerGetsOut) {
    Reception reception(u'3');
    reception.line.outcome = AnswerOutcome::TimedOut;
    reception.Feed("A\rB\r");
    EXPECT_EQ(reception.Frames(), "A|B|");
    EXPECT_EQ(reception.causes.Active(), CauseAnswerBlocked);
    EXPECT_EQ(reception.listener.notices, 1);
    reception.line.outcome = AnswerOutcome::Failed;  // a failed write says nothing about CTS
    reception.Feed("C\r");
    EXPECT_EQ(reception.causes.Active(), CauseAnswerBlocked);
    reception.line.outcome = AnswerOutcome::Written;
    reception.Feed("D\r");
    EXPECT_EQ(reception.causes.Active(), 0u);

    // A second cause on top of an active one is announced too.
    reception.line.outcome = AnswerOutcome::TimedOut;
    reception.target.inputDesktopOpens = false;
    reception.Feed("E\r");
    EXPECT_EQ(reception.causes.Active(), CauseAnswerBlocked | CauseDesktopLocked);
    EXPECT_EQ(reception.listener.notices, 4);
}

// Bytes that never make frames under the chosen protocol. A stray byte or a
// single cut frame never trips it.
TEST(FrameAssembly, BytesThatNeverMakeFramesAreRecordedPastTheThresholds) {
    const std::string crFrame = "ABCDEFG\r";  // 8 bytes outside any STX/ETX frame
    const struct {
        const char* name;
        char16_t protocol;
        std::string input;
        bool noticed;
    } cases[] = {
        {"STX/ETX, CR-ended frames: 15 stray bytes", u'5', "ABCDEFG\rABCDEF\r", false},
        {"STX/ETX, CR-ended frames: 16 stray bytes", u'5', crFrame + crFrame, true},
        {"STX/ETX, a start byte restarts the count", u'5', "ABCDEFG\r\x02\x03" + crFrame, false},
        {"STX/ETX, CR LF after each frame", u'2', std::string("\x02" "A\x03\r\n") + "\x02" "B\x03\r\n" +
                                                  "\x02" "C\x03\r\n" + "\x02" "D\x03\r\n" +
                                                  "\x02" "E\x03\r\n" + "\x02" "F\x03\r\n" +
                                                  "\x02" "G\x03\r\n" + "\x02" "H\x03\r\n" + "\x02" "I\x03\r\n",
         false},
        {"CR LF, two frames without LF", u'4', "A\rB\rC", false},
        {"CR LF, three frames without LF", u'1', "A\rB\rC\rD", true},
        {"CR LF, an LF in between restarts the count", u'1', "A\rB\rC\r\nD\rE\rF", false},
        {"CR, 1023 bytes and CR", u'0', std::string(1023, 'x') + "\r", false},
        {"CR, 1024 bytes without CR", u'0', std::string(1024, 'x'), true},
        {"CR LF, 1024 bytes without CR", u'1', std::string(1024, 'x'), true},
    };
    for (const auto& c : cases) {
        Reception reception(c.protocol);
        reception.Feed(c.input);
        // A typed frame clears the cause again: the causes as they stand.
        const bool noticed = (reception.causes.Active() & CauseNoFrames) != 0 || reception.listener.notices > 0;
        EXPECT_EQ(noticed, c.noticed) << c.name;
        EXPECT_EQ(reception.causes.Active() & ~CauseNoFrames, 0u) << c.name;
    }
    Reception reception(u'2');
    reception.Feed(crFrame + crFrame + "\x02" "A\x03");  // told, then cleared by the typed frame
    EXPECT_EQ(reception.listener.notices, 2);
    EXPECT_EQ(reception.causes.Active(), 0u);
}

// The editing step between decoding and typing: control bytes stay until a
// rule has had them, a frame of the wrong length is bad and told, the keys a
// rule writes come between the characters, and the frame as received is kept.
TEST(FrameAssembly, EditingRulesActBetweenDecodingAndTyping) {
    const struct {
        const char* name;
        const char16_t* rule;  // Name=stored text
        std::string input;
        const char* frames;
        const char* answers;
        std::uint32_t cause;
    } cases[] = {
        {"GS1 fields, Enter between", u"FieldSeparator=\\x1D", "\x02" "01\x1d" "17\x1d" "10\x03",
         "01{Enter}17{Enter}10|", "A", 0},
        {"a separator at the end: its key after the last character", u"FieldSeparator=\\x1D", "\x02" "01\x1d\x03",
         "01{Enter}|", "A", 0},
        {"a rule names a control byte, the rest are dropped", u"Find1=\\x1D", "\x02" "A\x1d" "B\x01" "C\x03",
         "A-BC|", "A", 0},
        {"too short: bad and told", u"LengthMin=13", "\x02" "123456789012\x03", "", "N", CauseLengthMismatch},
        {"long enough after a bad one: typed, told no more", u"LengthMin=13",
         "\x02" "12\x03\x02" "1234567890123\x03", "1234567890123|", "NA", 0},
        {"too long", u"LengthMax=3", "\x02" "ABCD\x03", "", "N", CauseLengthMismatch},
        {"the length counts what came, before the cut", u"CutHead=2", "\x02" "ABCD\x03", "CD|", "A", 0},
        {"cut to nothing: only the terminator", u"CutHead=9", "\x02" "ABCD\x03", "|", "A", 0},
    };
    for (const auto& c : cases) {
        Reception reception(u'5');
        reception.function.TermKey1 = 0x0009;
        const std::u16string_view rule(c.rule);
        const std::u16string name(rule.substr(0, rule.find(u'=')));
        const std::u16string_view value = rule.substr(rule.find(u'=') + 1);
        if (name == u"FieldSeparator") {
            ASSERT_TRUE(SetRuleText(reception.editing.FieldSeparator, value));
            reception.editing.FieldKey = 0x000D;
        } else if (name == u"Find1") {
            ASSERT_TRUE(SetRuleText(reception.editing.Find[0], value));
            ASSERT_TRUE(SetRuleText(reception.editing.With[0], u"-"));
        } else {
            const std::uint16_t number = ParseEditNumber(value);
            if (name == u"LengthMin") reception.editing.LengthMin = number;
            if (name == u"LengthMax") reception.editing.LengthMax = number;
            if (name == u"CutHead") reception.editing.CutHead = number;
        }
        reception.Feed(c.input);
        EXPECT_EQ(reception.Frames(), c.frames) << c.name;
        EXPECT_EQ(reception.line.AnswerLetters(), c.answers) << c.name;
        EXPECT_EQ(reception.causes.Active(), c.cause) << c.name;
    }
    // The dialog's preview gets the last frame as it came, controls and all.
    Reception reception(u'5');
    reception.Feed("\x02" "A\x1d" "B\x03\x02\x03");
    EXPECT_EQ(reception.lastFrame.last, u"A\x1D" "B");
}

TEST(FrameAssembly, ZeroLengthBlockChangesNothing) {
    Reception reception(u'5');
    reception.Feed("\x02" "A");
    reception.Feed("");
    EXPECT_EQ(reception.assembly.State, FrameState::Collecting);
    EXPECT_EQ(reception.assembly.FrameLength, 1u);
}

}  // namespace
}  // namespace tellurin
