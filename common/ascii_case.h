// Names compared without regard to the case of ASCII letters, as Windows
// compares desktop names and as a list control matches typed text. Letters
// beyond ASCII are compared as they are.
#pragma once

#include <string_view>

namespace tellurin {

constexpr char16_t AsciiLower(char16_t unit) {
    return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit + (u'a' - u'A')) : unit;
}

constexpr bool EqualIgnoringAsciiCase(std::u16string_view left, std::u16string_view right) {
    if (left.size() != right.size()) return false;
    for (std::size_t index = 0; index < left.size(); ++index)
        if (AsciiLower(left[index]) != AsciiLower(right[index])) return false;
    return true;
}

}  // namespace tellurin
