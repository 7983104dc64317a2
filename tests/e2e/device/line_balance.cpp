// A stand-in balance on the device's end of a virtual line, in the manner of
// a weighing indicator that sends nothing until asked (A&D's answer "Q" CR LF
// with a stable weight). Each weight is one more gram than the last, so the
// typed text shows whether any request got two weights or none.
//
//   line_balance <line> answer <seconds>    answers every "Q" CR LF with "ST,+0000N.00  g" CR LF
//   line_balance <line> silent <seconds>    hears requests, never answers
//   line_balance <line> records <count> <gap ms>
//                                           sends count records with no end byte, each written in
//                                           two halves 20 ms apart, gap ms between records
//
// The first two end after the seconds given or on SIGTERM and print
// "requests=N", the number of requests heard.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "tests/e2e/device/line_device.h"

namespace {

using namespace tellurin::line_device;

volatile sig_atomic_t stopping = 0;
void Stop(int) { stopping = 1; }

std::string Weight(int grams) {
    char text[32];
    std::snprintf(text, sizeof text, "ST,+%05d.00  g\r\n", grams);
    return text;
}

int Listen(int fd, bool answer, int seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    std::string heard;
    int requests = 0;
    while (stopping == 0 && std::chrono::steady_clock::now() < end) {
        unsigned char byte;
        if (!ReadByte(fd, byte, 100)) continue;
        heard += static_cast<char>(byte);
        if (heard.size() >= 3 && heard.compare(heard.size() - 3, 3, "Q\r\n") == 0) {
            ++requests;
            if (answer && !WriteAll(fd, Weight(requests))) return 2;
        }
        if (byte == '\n') heard.clear();
    }
    std::printf("requests=%d\n", requests);
    return 0;
}

int SendRecords(int fd, int count, int gapMs) {
    for (int record = 1; record <= count; ++record) {
        const std::string text = "N,+" + std::to_string(record) + ".50 kg";
        const std::size_t half = text.size() / 2;
        if (!WriteAll(fd, text.substr(0, half))) return 2;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (!WriteAll(fd, text.substr(half))) return 2;
        std::this_thread::sleep_for(std::chrono::milliseconds(gapMs));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: line_balance <line> answer|silent <seconds> | records <count> <gap ms>\n");
        return 2;
    }
    signal(SIGTERM, Stop);
    setvbuf(stdout, nullptr, _IOLBF, 0);
    const int fd = OpenLine(argv[1]);
    const std::string mode = argv[2];
    if (mode == "answer" || mode == "silent") return Listen(fd, mode == "answer", std::atoi(argv[3]));
    if (mode == "records" && argc >= 5) return SendRecords(fd, std::atoi(argv[3]), std::atoi(argv[4]));
    return 2;
}
