// The device's side of a virtual serial line, for benchmarks of the real
// program under Wine: frame -> ACK latency, and how fast a long frame is typed
// (read from the key sink's log). Prints figures; judges nothing.
//
//   line_bench latency <line> <frames> <baud>
//   line_bench typing <line> <sink log> <characters>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

int OpenLine(const char* path) {
    const int fd = open(path, O_RDWR | O_NOCTTY);
    if (fd < 0) {
        std::perror(path);
        std::exit(2);
    }
    termios settings{};
    tcgetattr(fd, &settings);
    cfmakeraw(&settings);
    tcsetattr(fd, TCSANOW, &settings);
    return fd;
}

bool ReadByte(int fd, unsigned char& byte, int timeoutMs) {
    pollfd wait{fd, POLLIN, 0};
    if (poll(&wait, 1, timeoutMs) <= 0) return false;
    return read(fd, &byte, 1) == 1;
}

void Drain(int fd) {
    unsigned char byte;
    while (ReadByte(fd, byte, 50)) {
    }
}

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
        if (write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) return 2;
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

int CountCharacters(const char* log) {
    std::ifstream in(log);
    std::string line;
    int count = 0;
    while (std::getline(in, line))
        if (line.rfind("WM_CHAR", 0) == 0) ++count;
    return count;
}

int Typing(const char* path, const char* log, int characters) {
    const int fd = OpenLine(path);
    Drain(fd);
    const int before = CountCharacters(log);
    std::string frame = "\x02";
    for (int index = 0; index < characters; ++index) frame += static_cast<char>('a' + index % 26);
    frame += "\x03";
    const int expected = before + characters + 1;  // the frame and its Enter
    if (write(fd, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size())) return 2;
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
