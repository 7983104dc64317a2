// Soak run of the real program over a virtual line: random frames of printable
// text (1 to 200 characters) under ACK/NAK STX/ETX framing, random noise
// between frames and, if asked, bad frames mixed in. Each frame's answer is
// read before the next frame goes out, as a device that waits for its ACK
// does. At the end the key sink's log must hold every good frame followed by
// Enter, each exactly once and in order; every answer must be the one the
// answer rule gives (ACK for a good frame, NAK for a bad one, except that the
// 20th bad frame in a row is acknowledged). With bad frames asked for, a run
// of 25 bad frames is put in the middle, so that rule is met too.
//
//   line_soak <line> <sink log> <frames> <seed> <bad frames per 100>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>

#include "tests/e2e/device/line_device.h"

namespace {

using namespace tellurin::line_device;
using Clock = std::chrono::steady_clock;

constexpr unsigned char kStx = 0x02, kEtx = 0x03, kAck = 0x06, kNak = 0x15;
constexpr int kNakRunLength = 20;

class FrameMaker {
public:
    explicit FrameMaker(unsigned seed) : random_(seed) {}

    std::string GoodText() {
        std::string text(Between(1, 200), ' ');
        for (char& character : text) character = static_cast<char>(Between(0x20, 0x7E));
        return text;
    }
    // Empty, or only bytes the framing drops (controls and bytes from 0x7F up).
    std::string BadContent() {
        return Bytes(Between(0, 6), [](int value) { return (value < 0x20 || value > 0x7E) && value != kEtx; });
    }
    // Up to 8 bytes of anything but STX: ignored between frames.
    std::string Noise() {
        return Bytes(Between(0, 8), [](int value) { return value != kStx; });
    }
    bool Chance(int percent) { return Between(1, 100) <= percent; }

private:
    template <typename Allowed>
    std::string Bytes(int count, Allowed allowed) {
        std::string bytes(count, '\0');
        for (char& byte : bytes) {
            int value;
            do value = Between(0, 0xFF);
            while (!allowed(value));
            byte = static_cast<char>(value);
        }
        return bytes;
    }
    int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    std::mt19937 random_;
};

// The typed text once it has stopped growing (no new character for 15 s) or
// reached the expected length and stayed there a moment.
std::string SettledTypedText(const char* log, std::size_t expected) {
    std::string typed = TypedCharacters(log);
    auto lastGrowth = Clock::now();
    while (Clock::now() - lastGrowth < std::chrono::seconds(15)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(typed.size() >= expected ? 1000 : 300));
        std::string now = TypedCharacters(log);
        if (now.size() == typed.size() && typed.size() >= expected) break;
        if (now.size() != typed.size()) lastGrowth = Clock::now();
        typed = std::move(now);
    }
    return typed;
}

std::string Shown(const std::string& text, std::size_t from) {
    std::string shown;
    for (std::size_t index = from; index < text.size() && index < from + 40; ++index)
        shown += text[index] == '\r' ? std::string("\\r") : std::string(1, text[index]);
    return shown;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: line_soak <line> <sink log> <frames> <seed> <bad frames per 100>\n");
        return 2;
    }
    const char* log = argv[2];
    const int frames = std::atoi(argv[3]);
    const unsigned seed = static_cast<unsigned>(std::strtoul(argv[4], nullptr, 10));
    const int badPercent = std::atoi(argv[5]);
    const int fd = OpenLine(argv[1]);
    Drain(fd);
    FrameMaker maker(seed);

    std::string expectedTyped;
    int good = 0, bad = 0, wrongAnswers = 0, nakRun = 0;
    std::size_t bytesSent = 0;
    const auto start = Clock::now();
    for (int frame = 0; frame < frames; ++frame) {
        const bool inBadRun = badPercent > 0 && frame >= frames / 2 && frame < frames / 2 + 25;
        const bool isBad = maker.Chance(badPercent) || inBadRun;
        std::string bytes = maker.Noise() + static_cast<char>(kStx);
        unsigned char expectedAnswer = kAck;
        if (isBad) {
            bytes += maker.BadContent();
            ++bad;
            if (++nakRun < kNakRunLength) {
                expectedAnswer = kNak;
            } else {
                nakRun = 0;
            }
        } else {
            const std::string text = maker.GoodText();
            bytes += text;
            expectedTyped += text + '\r';
            ++good;
            nakRun = 0;
        }
        bytes += static_cast<char>(kEtx);
        if (!WriteAll(fd, bytes)) {
            std::fprintf(stderr, "line_soak: the line refused frame %d\n", frame);
            return 2;
        }
        bytesSent += bytes.size();
        unsigned char answer = 0;
        if (!ReadByte(fd, answer, 10000) || answer != expectedAnswer) {
            if (wrongAnswers < 5)
                std::printf("frame %d: answer %02X, expected %02X\n", frame, answer, expectedAnswer);
            ++wrongAnswers;
        }
    }
    Drain(fd);  // anything more would be a doubled answer
    const std::string typed = SettledTypedText(log, expectedTyped.size());
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();

    std::size_t same = 0;
    while (same < typed.size() && same < expectedTyped.size() && typed[same] == expectedTyped[same]) ++same;
    const bool typedRight = same == typed.size() && same == expectedTyped.size();
    std::printf("soak (seed %u): %d frames (%d good, %d bad), %zu bytes sent, %d answers wrong or missing; "
                "%zu of %zu characters typed, %s; %.1f s, %.0f keys/s\n",
                seed, frames, good, bad, bytesSent, wrongAnswers, typed.size(), expectedTyped.size(),
                typedRight ? "all as sent" : "DIFFERENT", seconds, static_cast<double>(typed.size()) / seconds);
    if (!typedRight)
        std::printf("first difference at character %zu: typed \"%s\", sent \"%s\"\n", same, Shown(typed, same).c_str(),
                    Shown(expectedTyped, same).c_str());
    return wrongAnswers == 0 && typedRight ? 0 : 1;
}
