// The text decoder on Win32: MultiByteToWideChar. One lives for each receiver
// thread, and asks when it is made whether code page 932 is installed.
#pragma once

#include "resident/receiver/text_decoder.h"

namespace tellurin {

class Win32TextDecoder final : public TextDecoder {
public:
    Win32TextDecoder();
    bool Decode(TextCode code, const std::uint8_t* bytes, std::uint32_t length, char16_t* units,
                std::uint32_t capacity, std::uint32_t& unitCount) override;
    bool Installed(TextCode code) override { return code == TextCode::Utf8 || shiftJisInstalled_; }

private:
    bool shiftJisInstalled_;
};

}  // namespace tellurin
