// iconv text decoder; see iconv_text_decoder.h.
#include "tests/fakes/iconv_text_decoder.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace tellurin::fakes {
namespace {

iconv_t OpenToUtf16(const char* code) {
    const iconv_t converter = iconv_open("UTF-16LE", code);
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        // Without the converter no decoding test means anything.
        std::fprintf(stderr, "iconv has no converter from %s\n", code);
        std::abort();
    }
    return converter;
}

}  // namespace

IconvTextDecoder::IconvTextDecoder() : shiftJis_(OpenToUtf16("CP932")), utf8_(OpenToUtf16("UTF-8")) {}

IconvTextDecoder::~IconvTextDecoder() {
    iconv_close(shiftJis_);
    iconv_close(utf8_);
}

bool IconvTextDecoder::Decode(TextCode code, const std::uint8_t* bytes, std::uint32_t length, char16_t* units,
                              std::uint32_t capacity, std::uint32_t& unitCount) {
    unitCount = 0;
    if (code == TextCode::Utf8) return Convert(utf8_, bytes, length, units, capacity, unitCount);
    // MultiByteToWideChar fails with ERROR_INVALID_PARAMETER for a code page
    // that is not installed.
    if (!shiftJisInstalled) return false;
    // The single bytes that Windows's code page 932 maps and glibc refuses
    // split the frame; each is given the code point Windows gives it.
    std::uint32_t segment = 0;
    std::uint32_t index = 0;
    while (index < length) {
        const std::uint8_t byte = bytes[index];
        if ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC)) {
            index += 2;  // a lead byte and whatever follows it
            continue;
        }
        const char16_t windows = byte == 0x80 ? u'\u0080' : byte == 0xA0 ? u'\uF8F0' : byte >= 0xFD ? 0xF8F1 + (byte - 0xFD) : 0;
        if (windows == 0) {
            ++index;
            continue;
        }
        if (!Convert(shiftJis_, bytes + segment, index - segment, units, capacity, unitCount) || unitCount == capacity)
            return false;
        units[unitCount++] = windows;
        segment = ++index;
    }
    return Convert(shiftJis_, bytes + segment, length - segment, units, capacity, unitCount);
}

// Appends the units of bytes after unitCount.
bool IconvTextDecoder::Convert(iconv_t converter, const std::uint8_t* bytes, std::uint32_t length, char16_t* units,
                               std::uint32_t capacity, std::uint32_t& unitCount) {
    (void)iconv(converter, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    std::vector<char> input(bytes, bytes + length);
    std::vector<unsigned char> output(static_cast<std::size_t>(capacity - unitCount) * 2);
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* out = reinterpret_cast<char*>(output.data());
    std::size_t outLeft = output.size();
    // Fails with EILSEQ on an invalid sequence, EINVAL on one cut off at the
    // end and E2BIG when the units do not fit: each a failed conversion.
    if (iconv(converter, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0) return false;

    const std::size_t produced = (output.size() - outLeft) / 2;
    for (std::size_t index = 0; index < produced; ++index)
        units[unitCount + index] = static_cast<char16_t>(output[2 * index] | (output[2 * index + 1] << 8));
    unitCount += static_cast<std::uint32_t>(produced);
    return true;
}

}  // namespace tellurin::fakes
