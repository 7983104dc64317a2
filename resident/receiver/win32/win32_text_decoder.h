// The text decoder on Win32: MultiByteToWideChar.
#pragma once

#include "resident/receiver/text_decoder.h"

namespace tellurin {

class Win32TextDecoder final : public TextDecoder {
public:
    bool Decode(TextCode code, const std::uint8_t* bytes, std::uint32_t length, char16_t* units,
                std::uint32_t capacity, std::uint32_t& unitCount) override;
};

}  // namespace tellurin
