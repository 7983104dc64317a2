// The text decoder natively: the C library's iconv, whose CP932 tables carry
// the same vendor extensions as Windows's code page 932, so tests decode
// with a real converter rather than with a table of their own. Like
// MultiByteToWideChar with MB_ERR_INVALID_CHARS, it fails on any invalid or
// incomplete sequence and never substitutes a character.
//
// Where the two differ, it follows Windows: glibc refuses the single bytes
// 0x80, 0xA0 and 0xFD-0xFF of code page 932, whereas Windows's table gives
// them U+0080 and U+F8F0-U+F8F3, so this decoder does too. Windows before
// Vista let encoded surrogate halves through its UTF-8 conversion, which
// glibc refuses; tests stay away from those. A test can also take code page
// 932 away, as on a Western Windows without the East Asian files.
#pragma once

#include <iconv.h>

#include "resident/receiver/text_decoder.h"

namespace tellurin::fakes {

class IconvTextDecoder final : public TextDecoder {
public:
    IconvTextDecoder();
    ~IconvTextDecoder() override;
    IconvTextDecoder(const IconvTextDecoder&) = delete;
    IconvTextDecoder& operator=(const IconvTextDecoder&) = delete;

    bool Decode(TextCode code, const std::uint8_t* bytes, std::uint32_t length, char16_t* units,
                std::uint32_t capacity, std::uint32_t& unitCount) override;
    bool Installed(TextCode code) override { return code == TextCode::Utf8 || shiftJisInstalled; }

    bool shiftJisInstalled = true;

private:
    static bool Convert(iconv_t converter, const std::uint8_t* bytes, std::uint32_t length, char16_t* units,
                        std::uint32_t capacity, std::uint32_t& unitCount);

    iconv_t shiftJis_;
    iconv_t utf8_;
};

}  // namespace tellurin::fakes
