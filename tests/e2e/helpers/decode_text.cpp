// Decodes bytes through the real Win32 text decoder and prints the UTF-16
// units in hex ("6771 4EAC"), or "bad" when the decoder refuses them; so the
// end-to-end tests can hold the platform's converter to the same conversions
// as the unit tests' converter.
//
//   decode_text.exe <sjis|utf8> <bytes in hex, e.g. 938C8B9E>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "resident/receiver/win32/win32_text_decoder.h"

int main(int argc, char** argv) {
    if (argc != 3 || std::strlen(argv[2]) % 2 != 0) {
        std::fprintf(stderr, "usage: decode_text <sjis|utf8> <hex bytes>\n");
        return 2;
    }
    const tellurin::TextCode code =
        std::strcmp(argv[1], "utf8") == 0 ? tellurin::TextCode::Utf8 : tellurin::TextCode::ShiftJis;
    std::vector<std::uint8_t> bytes;
    for (const char* cursor = argv[2]; *cursor != '\0'; cursor += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::strtoul(std::string(cursor, 2).c_str(), nullptr, 16)));

    tellurin::Win32TextDecoder decoder;
    std::vector<char16_t> units(bytes.size() + 1);
    std::uint32_t count = 0;
    if (!decoder.Decode(code, bytes.data(), static_cast<std::uint32_t>(bytes.size()), units.data(),
                        static_cast<std::uint32_t>(units.size()), count)) {
        std::printf("bad\n");
        return 0;
    }
    for (std::uint32_t index = 0; index < count; ++index)
        std::printf(index == 0 ? "%04X" : " %04X", static_cast<unsigned>(units[index]));
    std::printf("\n");
    return 0;
}
