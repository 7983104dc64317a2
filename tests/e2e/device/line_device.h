// The device's side of a virtual serial line (the test's end of a pty pair),
// and the key sink's log as the device's programs read it back: shared by the
// line benchmark and the soak test.
#pragma once

#include <string>

namespace tellurin::line_device {

// Opens the line raw, or ends the program with exit code 2.
int OpenLine(const char* path);
// One byte within the time-out; false when none came.
bool ReadByte(int fd, unsigned char& byte, int timeoutMs);
// Reads and drops whatever arrives until the line is quiet for 50 ms.
void Drain(int fd);
bool WriteAll(int fd, const std::string& bytes);

// The characters of every WM_CHAR line of a key sink's log, in order.
std::string TypedCharacters(const char* log);

}  // namespace tellurin::line_device
