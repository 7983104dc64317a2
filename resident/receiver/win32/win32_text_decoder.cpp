// Win32 text decoder: translates only. MB_ERR_INVALID_CHARS makes the
// conversion fail on an invalid sequence instead of putting a replacement
// character in its place, so a garbled frame is never typed. (Before Vista the
// UTF-8 conversion let encoded surrogate halves through; from Vista on it
// refuses them as the standard asks.)
#include "resident/receiver/win32/win32_text_decoder.h"

#include <windows.h>

namespace tellurin {
namespace {

constexpr UINT kShiftJisCodePage = 932;  // no header names it

}  // namespace

Win32TextDecoder::Win32TextDecoder() : shiftJisInstalled_(IsValidCodePage(kShiftJisCodePage) != FALSE) {}

bool Win32TextDecoder::Decode(TextCode code, const std::uint8_t* bytes, std::uint32_t length, char16_t* units,
                              std::uint32_t capacity, std::uint32_t& unitCount) {
    unitCount = 0;
    if (length == 0) return true;  // the conversion refuses an empty string
    const UINT codePage = code == TextCode::Utf8 ? CP_UTF8 : kShiftJisCodePage;
    const int converted =
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, reinterpret_cast<LPCSTR>(bytes), static_cast<int>(length),
                            reinterpret_cast<LPWSTR>(units), static_cast<int>(capacity));
    if (converted <= 0) return false;
    unitCount = static_cast<std::uint32_t>(converted);
    return true;
}

}  // namespace tellurin
