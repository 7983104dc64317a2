// The device's side of a virtual serial line, for benchmarks of the real
// program under Wine: frame -> ACK latency, and how fast a long frame is typed
// (read from the key sink's log). Prints figures; judges nothing.
//
//   line_bench latency <line> <frames> <baud>
//   line_bench typing <line> <sink log> <characters>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/device/line_device.h"

namespace {

using namespace tellurin::line_device;

using Clock = std::chrono::steady_clock;

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

int Latency(const char* path, int frames, int baud) {
    const int fd = OpenLine(path);
    Drain(fd);
    std::vector<double> microseconds;
    int lost = 0;
    for (int frame = 0; frame < frames; ++frame) {
        const std::string bytes = "\x02" + std::to_string(4900000000000LL + frame) + "\x03";
        const auto start = Clock::now();
        if (!WriteAll(fd, bytes)) return 2;
        unsigned char answer = 0;
        if (!ReadByte(fd, answer, 5000) || answer != 0x06) {
            ++lost;
            continue;
        }
        microseconds.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    if (microseconds.empty()) return 1;
    const double byteTime = 10.0 * 1e6 / baud;  // start, 8 data and stop bit
    std::printf("frame->ACK latency over %zu frames: p50 %.2f ms, p99 %.2f ms (byte time at %d baud: %.3f ms); "
                "%d unanswered\n",
                microseconds.size(), Percentile(microseconds, 0.5) / 1000, Percentile(microseconds, 0.99) / 1000,
                baud, byteTime / 1000, lost);
    return lost == 0 ? 0 : 1;
}

int CountCharacters(const char* log) { return static_cast<int>(TypedCharacters(log).size()); }

int Typing(const char* path, const char* log, int characters) {
    const int fd = OpenLine(path);
    Drain(fd);
    const int before = CountCharacters(log);
    std::string frame = "\x02";
    for (int index = 0; index < characters; ++index) frame += static_cast<char>('a' + index % 26);
    frame += "\x03";
    const int expected = before + characters + 1;  // the frame and its Enter
    if (!WriteAll(fd, frame)) return 2;
    unsigned char answer = 0;
    if (!ReadByte(fd, answer, 5000)) return 1;
    const auto start = Clock::now();  // the ACK goes out just before the first key
    int seen = before;
    while (seen < expected && Clock::now() - start < std::chrono::seconds(120)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        seen = CountCharacters(log);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const int typed = seen - before;
    std::printf("typed %d keys in %.3f s: %.0f keys/s, %.2f ms per key\n", typed, seconds, typed / seconds,
                seconds * 1000 / typed);
    return typed == characters + 1 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "latency") == 0) return Latency(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    if (argc == 5 && std::strcmp(argv[1], "typing") == 0) return Typing(argv[2], argv[3], std::atoi(argv[4]));
    std::fprintf(stderr, "usage: line_bench latency <line> <frames> <baud> | typing <line> <log> <characters>\n");
    return 2;
}
