// Frame-assembly throughput: how many received bytes per second the framing,
// answer choice and keystroke synthesis (with a keyboard that discards events)
// handle, beside what a 115200-baud line can deliver (11,520 bytes/s at 10
// bits a byte); then the same for Japanese frames read by character, decoded
// by the C library's converter; then the editing step's cost per frame with
// every rule in use on a frame of the longest length. Prints figures; judges
// nothing.
#include <iconv.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "common/data_editing.h"
#include "tests/fakes/fake_editing.h"
#include "resident/receiver/frame_assembly.h"
#include "tests/fakes/iconv_text_decoder.h"

namespace {

using namespace tellurin;

struct DiscardingKeyboard final : Keyboard {
    void UseFocusedWindowLayout() override {}
    std::int16_t KeyForCharacter(char character) override { return static_cast<std::int16_t>(character & 0x7F); }
    std::uint32_t ScanCodeForKey(std::uint8_t virtualKey) override { return virtualKey; }
    std::uint32_t CharacterForKey(std::uint8_t virtualKey) override { return virtualKey; }
    void SendKeyEvent(std::uint32_t, std::uint8_t, std::uint8_t) override { ++events; }
    void SendUnicodeEvent(std::uint32_t, char16_t) override { ++events; }
    void Pause(std::uint32_t) override {}
    ImeOpenStatus QueryImeOpenStatus() override { return ImeOpenStatus::Closed; }
    bool SetImeOpenStatus(bool) override { return true; }
    unsigned long long events = 0;
};

struct DiscardingLine final : AnswerLine {
    AnswerOutcome WriteAnswer(std::uint8_t answer) override {
        ++answers;
        if (answer == kNak) ++naks;
        return AnswerOutcome::Written;
    }
    AnswerOutcome WriteRequest(const std::uint8_t*, std::uint32_t) override { return AnswerOutcome::Written; }
    unsigned long long answers = 0;
    unsigned long long naks = 0;
};

// The user's desktop with a target at our level: every good frame is typed.
struct ReachableTarget final : InputTarget {
    bool InputDesktopName(char16_t (&name)[kDesktopNameUnits]) override {
        const char16_t desktop[] = u"Default";
        for (std::size_t index = 0; index < sizeof(desktop) / sizeof(desktop[0]); ++index) name[index] = desktop[index];
        return true;
    }
    LevelRead ForegroundIntegrityLevel(std::uint32_t& level) override {
        level = kIntegrityMedium;
        return LevelRead::Known;
    }
    bool OwnIntegrityLevel(std::uint32_t& level) override {
        level = kIntegrityMedium;
        return true;
    }
};

struct NoListener final : ReceptionCauseListener {
    void ReceptionCausesChanged() override {}
};

// Barcode-like frames (EAN-13, Code 39 text, the odd long one) under STX/ETX,
// with noise bytes between some frames and an occasional empty frame.
std::string MakeStream(std::size_t bytes) {
    std::mt19937 random(12345);
    std::string stream;
    const std::string code39 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-. $/+%";
    while (stream.size() < bytes) {
        const unsigned kind = random() % 100;
        std::string text;
        if (kind < 60) {
            for (int digit = 0; digit < 13; ++digit) text += static_cast<char>('0' + random() % 10);
        } else if (kind < 90) {
            for (unsigned length = 4 + random() % 30; length > 0; --length) text += code39[random() % code39.size()];
        } else if (kind < 97) {
            for (unsigned length = 100 + random() % 300; length > 0; --length)
                text += static_cast<char>(0x20 + random() % 0x5F);
        }
        if (random() % 4 == 0)
            for (unsigned noise = random() % 8; noise > 0; --noise) stream += static_cast<char>(random() % 256);
        stream += '\x02' + text + '\x03';
    }
    return stream;
}

// Text as a 2D code carries it: addresses, names and half-width kana, with
// digits and a long frame now and then, in UTF-8 or converted to Shift-JIS.
std::string MakeJapaneseStream(std::size_t bytes, bool shiftJis) {
    const char* const pieces[] = {"東京都港区", "芝公園4-2-8", "株式会社", "ｱｲｳｴｵ", "表示", "①②", "品番",
                                  "ABC-123", "北海道札幌市中央区", " "};
    std::mt19937 random(12345);
    std::string stream;
    iconv_t toShiftJis = iconv_open("CP932", "UTF-8");
    while (stream.size() < bytes) {
        std::string text;
        for (unsigned count = random() % 100 < 95 ? 1 + random() % 8 : 60; count > 0; --count)
            text += pieces[random() % (sizeof pieces / sizeof pieces[0])];
        if (shiftJis) {
            std::string converted(text.size() * 2, '\0');
            char* in = text.data();
            std::size_t inLeft = text.size();
            char* out = converted.data();
            std::size_t outLeft = converted.size();
            (void)iconv(toShiftJis, &in, &inLeft, &out, &outLeft);
            converted.resize(converted.size() - outLeft);
            text = converted;
        }
        stream += '\x02' + text + '\x03';
    }
    iconv_close(toShiftJis);
    return stream;
}

// Bytes per second through frame assembly of a stream under a character code.
double Throughput(const std::string& stream, char16_t characterCode, const char* name) {
    CommunicationSettings communication = kDefaultCommunicationSettings;
    communication.Protocol = u'5';
    FunctionSettings function = kDefaultFunctionSettings;
    function.KeySpeed = 9;
    function.CharacterCode = characterCode;
    std::atomic<bool> enabled{true};
    DiscardingKeyboard keyboard;
    DiscardingLine line;
    fakes::IconvTextDecoder decoder;
    const ModifierScanCodes scans = LookUpModifierScanCodes(keyboard);
    ReachableTarget target;
    ReceptionCauses causes;
    NoListener listener;
    EditPlan editing;
    (void)PrepareEditing(kDefaultEditRules, editing);
    fakes::FixedClock clock;
    fakes::KeptLastFrame lastFrame;
    ReceptionContext context{enabled, communication, function, scans,   line,    keyboard,  decoder,
                             target,  causes,        listener, editing, clock, lastFrame};
    static FrameAssembly assembly{};
    assembly = FrameAssembly{};
    ResetFrameAssembly(assembly, communication.Protocol);

    const auto start = std::chrono::steady_clock::now();
    constexpr std::size_t kBlock = 1024;  // the receiver reads at most 1024 bytes at a time
    for (std::size_t offset = 0; offset < stream.size(); offset += kBlock) {
        const std::size_t length = std::min(kBlock, stream.size() - offset);
        ProcessReceivedBytes(assembly, reinterpret_cast<const std::uint8_t*>(stream.data() + offset),
                             static_cast<std::uint32_t>(length), context);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::printf("%s: %zu bytes, %llu frames answered (%llu NAK), %llu key events, %.3f s\n", name, stream.size(),
                line.answers, line.naks, keyboard.events, seconds);
    return static_cast<double>(stream.size()) / seconds;
}

void PrintThroughput(const char* name, double bytesPerSecond) {
    constexpr double kLineRate = 115200.0 / 10.0;
    std::printf("%s throughput: %.0f bytes/s; 115200-baud line: %.0f bytes/s; ratio %.0fx\n", name,
                bytesPerSecond, kLineRate, bytesPerSecond / kLineRate);
}

// Microseconds per frame through the editing step, with every rule in use, on
// a 1,023-character frame of GS-separated fields; with the rules read once
// (as the receiver does) and read afresh for each frame (as a preview does).
void PrintEditingCost() {
    EditRules rules = kDefaultEditRules;
    rules.LengthMin = 10;
    rules.LengthMax = 1023;
    rules.CutHead = 3;
    rules.CutTail = 1;
    rules.ExtractStart = 2;
    rules.ExtractLength = 1000;
    const char16_t* const replacements[][2] = {{u"0", u"zero"}, {u"ABC", u""},    {u"\\\\", u"/"}, {u"-", u"\\t"},
                                               {u"zz", u"Z"},   {u"\\x7F", u""}, {u"9", u"99"},  {u"Q", u"\\r\\n"}};
    for (std::size_t index = 0; index < kReplacementCount; ++index) {
        (void)SetRuleText(rules.Find[index], replacements[index][0]);
        (void)SetRuleText(rules.With[index], replacements[index][1]);
    }
    (void)SetRuleText(rules.FieldSeparator, u"\\x1D");
    rules.FieldKey = 0x0009;
    (void)SetRuleText(rules.Prefix, u"{yyyy}-{MM}-{dd} {HH}:{mm}:{ss}\\t");
    (void)SetRuleText(rules.Suffix, u"\\r\\n");

    std::mt19937 random(12345);
    const std::u16string alphabet = u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-\\\x1D\x7F";
    std::u16string frame;
    while (frame.size() < kMaxFrameLength) frame += alphabet[random() % alphabet.size()];

    EditPlan plan;
    if (!PrepareEditing(rules, plan)) std::printf("editing: rules not valid\n");
    fakes::FixedClock clock;
    EditedFrame edited{};
    constexpr int kFrames = 20000;
    std::size_t typed = 0;
    const auto timed = [&](bool prepared) {
        const auto start = std::chrono::steady_clock::now();
        for (int count = 0; count < kFrames; ++count) {
            if (prepared) EditFrame(frame, plan, clock, edited);
            else EditFrame(frame, rules, clock, edited);
            typed += edited.Typed.Text.size() + edited.Typed.Keys.size();
        }
        return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() / kFrames;
    };
    const double perFrame = timed(true);
    const double perFrameUnprepared = timed(false);
    std::printf("editing step: %.2f us a frame (%zu characters in, %zu out, %zu keys, every rule in use); "
                "%.2f us with the rules read for each frame\n",
                perFrame, frame.size(), edited.Typed.Text.size(), edited.Typed.Keys.size(), perFrameUnprepared);
    if (typed == 0) std::printf("editing: nothing typed\n");
}

}  // namespace

int main() {
    const double framing = Throughput(MakeStream(8 * 1024 * 1024), u'0', "framing");
    const double shiftJis = Throughput(MakeJapaneseStream(4 * 1024 * 1024, true), u'1', "Shift-JIS decoding");
    const double utf8 = Throughput(MakeJapaneseStream(4 * 1024 * 1024, false), u'2', "UTF-8 decoding");
    PrintThroughput("framing", framing);
    PrintThroughput("Shift-JIS decoding", shiftJis);
    PrintThroughput("UTF-8 decoding", utf8);
    PrintEditingCost();
    return 0;
}
