// Plain ASCII helpers: the same result for every byte whatever the locale.
#pragma once

#include <string_view>

namespace con {

constexpr unsigned char ascii_upper(unsigned char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c;
}

constexpr unsigned char ascii_lower(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

constexpr bool is_ascii_digit(unsigned char c) { return c >= '0' && c <= '9'; }

// True when a and b are equal once a to z and A to Z are taken as one.
constexpr bool ascii_equal_nocase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); i++)
        if (ascii_upper(static_cast<unsigned char>(a[i])) !=
            ascii_upper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace con
