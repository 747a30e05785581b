// The leading-digits reader.
#include "console/decimal.h"

#include "console/ascii.h"

#include <limits>

namespace con {

std::int64_t read_decimal(const char* text)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        p++;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    constexpr std::uint64_t limit = std::numeric_limits<std::int64_t>::max();
    std::uint64_t value = 0;
    for (; is_ascii_digit(*p); p++) {
        unsigned digit = *p - '0';
        if (value > (limit - digit) / 10) {
            value = limit + (negative ? 1 : 0);
            break;
        }
        value = value * 10 + digit;
    }
    if (negative)
        return value > limit ? std::numeric_limits<std::int64_t>::min()
                             : -static_cast<std::int64_t>(value);
    return static_cast<std::int64_t>(value);
}

} // namespace con
