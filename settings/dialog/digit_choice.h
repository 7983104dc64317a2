// Lists whose pick is stored as one digit: "0" for the first entry, "1" for
// the next, and so on (the protocol, the character code).
#pragma once

namespace tellurin {

// The entry a stored digit picks; anything else shows the first entry.
constexpr int DigitChoiceIndex(char16_t digit, int count) {
    return digit >= u'0' && digit < u'0' + count ? digit - u'0' : 0;
}

// Stores the digit of entry `index`; false when the index is outside the list
// or its digit is stored already.
inline bool StoreDigitChoice(char16_t& digit, int index, int count) {
    if (index < 0 || index >= count) return false;
    const auto picked = static_cast<char16_t>(u'0' + index);
    if (digit == picked) return false;
    digit = picked;
    return true;
}

}  // namespace tellurin
