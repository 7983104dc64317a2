// Frame-assembly throughput: how many received bytes per second the framing,
// answer choice and keystroke synthesis (with a keyboard that discards events)
// handle, beside what a 115200-baud line can deliver (11,520 bytes/s at 10
// bits a byte). Prints figures; judges nothing.
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "resident/receiver/frame_assembly.h"

namespace {

using namespace tellurin;

struct DiscardingKeyboard final : Keyboard {
    void UseFocusedWindowLayout() override {}
    std::int16_t KeyForCharacter(char character) override { return static_cast<std::int16_t>(character & 0x7F); }
    std::uint32_t ScanCodeForKey(std::uint8_t virtualKey) override { return virtualKey; }
    void SendKeyEvent(std::uint32_t, std::uint8_t, std::uint8_t) override { ++events; }
    void SendUnicodeEvent(std::uint32_t, char16_t) override { ++events; }
    void Pause(std::uint32_t) override {}
    ImeOpenStatus QueryImeOpenStatus() override { return ImeOpenStatus::Closed; }
    bool SetImeOpenStatus(bool) override { return true; }
    unsigned long long events = 0;
};

struct DiscardingLine final : AnswerLine {
    AnswerOutcome WriteAnswer(std::uint8_t) override {
        ++answers;
        return AnswerOutcome::Written;
    }
    unsigned long long answers = 0;
};

// The user's desktop with a target at our level: every good frame is typed.
struct ReachableTarget final : InputTarget {
    bool InputDesktopName(char16_t (&name)[kDesktopNameUnits]) override {
        const char16_t desktop[] = u"Default";
        for (std::size_t index = 0; index < sizeof(desktop) / sizeof(desktop[0]); ++index) name[index] = desktop[index];
        return true;
    }
    bool ForegroundIntegrityLevel(std::uint32_t& level) override {
        level = kIntegrityMedium;
        return true;
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

}  // namespace

int main() {
    const std::string stream = MakeStream(8 * 1024 * 1024);
    CommunicationSettings communication = kDefaultCommunicationSettings;
    communication.Protocol = u'5';
    FunctionSettings function = kDefaultFunctionSettings;
    function.KeySpeed = 9;
    std::atomic<bool> enabled{true};
    DiscardingKeyboard keyboard;
    DiscardingLine line;
    const ModifierScanCodes scans = LookUpModifierScanCodes(keyboard);
    ReachableTarget target;
    ReceptionCauses causes;
    NoListener listener;
    ReceptionContext context{enabled, communication, function, scans, line, keyboard, target, causes, listener};
    static FrameAssembly assembly{};
    ResetFrameAssembly(assembly, communication.Protocol);

    const auto start = std::chrono::steady_clock::now();
    constexpr std::size_t kBlock = 1024;  // the receiver reads at most 1024 bytes at a time
    for (std::size_t offset = 0; offset < stream.size(); offset += kBlock) {
        const std::size_t length = std::min(kBlock, stream.size() - offset);
        ProcessReceivedBytes(assembly, reinterpret_cast<const std::uint8_t*>(stream.data() + offset),
                             static_cast<std::uint32_t>(length), context);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const double bytesPerSecond = static_cast<double>(stream.size()) / seconds;
    constexpr double kLineRate = 115200.0 / 10.0;
    std::printf("framing: %zu bytes, %llu frames answered, %llu key events, %.3f s\n", stream.size(),
                line.answers, keyboard.events, seconds);
    std::printf("framing throughput: %.0f bytes/s; 115200-baud line: %.0f bytes/s; ratio %.0fx\n",
                bytesPerSecond, kLineRate, bytesPerSecond / kLineRate);
    return 0;
}
