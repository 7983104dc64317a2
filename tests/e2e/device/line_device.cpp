// The device's side of a virtual line; see line_device.h.
#include "tests/e2e/device/line_device.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace tellurin::line_device {

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

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = write(fd, bytes.data() + written, bytes.size() - written);
        if (count <= 0) return false;
        written += static_cast<std::size_t>(count);
    }
    return true;
}

std::string TypedCharacters(const char* log) {
    std::ifstream in(log);
    std::string line, typed;
    while (std::getline(in, line))
        if (line.rfind("WM_CHAR ", 0) == 0) typed += static_cast<char>(std::strtoul(line.c_str() + 8, nullptr, 16));
    return typed;
}

}  // namespace tellurin::line_device
