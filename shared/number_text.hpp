// Which words are numbers: exactly those the host reads as a float when they
// are typed into a box. An optional minus, digits with at most one point (at
// least one digit before or after it), then optionally "e" or "E", an
// optional sign and digits: "1", "-2.5", ".5", "1.", "3e-2". Everything else
// stays a word, "nan", "inf", "+1", "0x1A" and "1e" included, although the C
// library's strtod would read them.
//
// Host-independent: no host header, so the routine can be unit-tested.
#pragma once

#include <cstddef>
#include <cstdlib>

namespace vesh {

inline bool is_number_text(const char *text, std::size_t length) {
    std::size_t i = 0;
    auto digits = [&] {
        const std::size_t from = i;
        while (i < length && text[i] >= '0' && text[i] <= '9') i++;
        return i - from;
    };
    if (i < length && text[i] == '-') i++;
    std::size_t mantissa = digits();
    if (i < length && text[i] == '.') {
        i++;
        mantissa += digits();
    }
    if (mantissa == 0) return false;
    if (i < length && (text[i] == 'e' || text[i] == 'E')) {
        i++;
        if (i < length && (text[i] == '+' || text[i] == '-')) i++;
        if (digits() == 0) return false;
    }
    return i == length;
}

// The value of a word that is_number_text accepts, as the host reads it
// (too large a number reads as infinite). `text` ends at `length`.
inline double number_text_value(const char *text) {
    return std::strtod(text, nullptr);
}

}  // namespace vesh
