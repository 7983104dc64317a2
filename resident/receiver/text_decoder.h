// Text decoding: the bytes of a frame, read in a multibyte code, become
// UTF-16 units. The platform's converter does the conversion, with the
// vendor extensions its tables carry (the NEC and IBM rows of Shift-JIS that
// devices print), so no character table lives in this program; the logic
// only knows where characters begin and end. The Win32 room implements it
// with MultiByteToWideChar, tests with the C library's converter.
#pragma once

#include <cstdint>

namespace tellurin {

enum class TextCode : std::uint8_t {
    ShiftJis,  // code page 932 with its vendor extensions
    Utf8,
};

struct TextDecoder {
    virtual ~TextDecoder() = default;
    // All of bytes as UTF-16 units into units (room for capacity), their
    // number in unitCount. False when bytes hold a sequence that is not valid
    // in the code (MB_ERR_INVALID_CHARS), a character left incomplete at the
    // end among them, or when the units would not fit.
    virtual bool Decode(TextCode code, const std::uint8_t* bytes, std::uint32_t length, char16_t* units,
                        std::uint32_t capacity, std::uint32_t& unitCount) = 0;
    // Whether the system has the code's converter at all (IsValidCodePage):
    // a Western Windows installed without the East Asian files has no code
    // page 932. Asked once for each receiver start, so at start-up and after
    // every change of the settings.
    virtual bool Installed(TextCode code) = 0;
};

}  // namespace tellurin
