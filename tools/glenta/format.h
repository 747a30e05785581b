// The number format of glenta: literal text, "%%" for a percent sign, and at
// most one integer conversion, "%" [-+ #0]* [width] [.[precision]] [l]
// (d|i|o|u|x|X). The text is parsed here and the number rendered here; the
// user's text never reaches printf.
#pragma once

#include "console/stream.h"

#include <cstdint>
#include <string_view>

namespace glenta {

inline constexpr std::string_view kDefaultFormat = "%-8ld";

struct Format {
    std::string_view before; // literal text before the conversion, "%%" still doubled
    std::string_view after;  // literal text after it; all the text when it has none
    bool converts = false;
    bool left = false;  // "-"
    bool plus = false;  // "+"
    bool space = false; // " "
    bool alt = false;   // "#"
    bool zero = false;  // "0"
    std::int32_t width = 0;
    std::int32_t precision = -1; // -1 when none is given
    char conversion = 'd';
};

// Parses text into format; false when the text is not of the shape above.
// The views in format point into text, which must outlive it.
bool parse_format(std::string_view text, Format& format);

// One number as the conversion lays it out, left to right: spaces, a sign or
// "0x" prefix, zeros, digits, spaces. The counts can be up to 2147483647
// each; the writer streams them.
struct Number {
    std::int64_t lead_spaces = 0;
    char prefix[2] = {};
    int prefix_len = 0;
    std::int64_t zeros = 0;
    char digits[11] = {}; // 037777777777 without its leading 0 is 11 digits
    int digits_len = 0;
    std::int64_t trail_spaces = 0;
};

// The layout of value under the format's conversion. The value is a 32-bit
// number with or without "l": d and i show it signed, o, u, x and X show its
// 32 bits unsigned. Flags that mean nothing for a conversion ("+", " " for
// the unsigned ones, "#" for d, i and u) are ignored.
Number lay_out(const Format& format, std::int32_t value);

// Writes the literal text with "%%" as "%" and the number in its place.
// Long padding goes out in blocks; a failed stream stops it.
void write_number(con::Stream& out, const Format& format, std::int32_t value);

} // namespace glenta
