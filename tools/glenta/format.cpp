// Parsing and rendering of glenta's number format. Nothing here hands text
// to printf: the conversion is done by hand, for one 32-bit value.
#include "format.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace glenta {
namespace {

constexpr std::int64_t kCountMax = std::numeric_limits<std::int32_t>::max();

// Reads decimal digits at text[pos...] into value; false when the number
// passes 2147483647.
bool read_count(std::string_view text, std::size_t& pos, std::int32_t& value)
{
    std::int64_t v = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        v = v * 10 + (text[pos] - '0');
        if (v > kCountMax)
            return false;
        pos++;
    }
    value = static_cast<std::int32_t>(v);
    return true;
}

// Parses the conversion that starts at the "%" at text[pos]; pos ends past
// it. False when it is unfinished or not of the allowed kinds.
bool parse_conversion(std::string_view text, std::size_t& pos, Format& f)
{
    pos++;
    for (; pos < text.size(); pos++) {
        char c = text[pos];
        if (c == '-')
            f.left = true;
        else if (c == '+')
            f.plus = true;
        else if (c == ' ')
            f.space = true;
        else if (c == '#')
            f.alt = true;
        else if (c == '0')
            f.zero = true;
        else
            break;
    }
    if (!read_count(text, pos, f.width))
        return false;
    if (pos < text.size() && text[pos] == '.') {
        pos++;
        if (!read_count(text, pos, f.precision))
            return false;
    }
    if (pos < text.size() && text[pos] == 'l')
        pos++;
    if (pos == text.size())
        return false;
    char c = text[pos];
    if (c != 'd' && c != 'i' && c != 'o' && c != 'u' && c != 'x' && c != 'X')
        return false;
    f.conversion = c;
    pos++;
    return true;
}

// Blocks of padding, so that a width of any size is written in a few
// writes of these and never needs a buffer of its own size.
constexpr std::size_t kPadBlock = 4096;

constexpr std::array<unsigned char, kPadBlock> filled(unsigned char c)
{
    std::array<unsigned char, kPadBlock> a{};
    for (unsigned char& b : a)
        b = c;
    return a;
}

constexpr std::array<unsigned char, kPadBlock> kSpaces = filled(' ');
constexpr std::array<unsigned char, kPadBlock> kZeros = filled('0');

void pad(con::Stream& out, const std::array<unsigned char, kPadBlock>& block, std::int64_t n)
{
    while (n > 0 && !out.failed()) {
        std::size_t k = static_cast<std::size_t>(std::min<std::int64_t>(n, kPadBlock));
        out.write(std::span(block.data(), k));
        n -= static_cast<std::int64_t>(k);
    }
}

// Literal text: each "%%" stands for one "%".
void write_literal(con::Stream& out, std::string_view text)
{
    while (!text.empty()) {
        std::size_t at = text.find('%');
        if (at == std::string_view::npos) {
            out.write(text);
            return;
        }
        out.write(text.substr(0, at + 1));
        text.remove_prefix(std::min(at + 2, text.size()));
    }
}

} // namespace

bool parse_format(std::string_view text, Format& format)
{
    Format f;
    std::size_t after = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (text[pos] != '%') {
            pos++;
            continue;
        }
        if (pos + 1 < text.size() && text[pos + 1] == '%') {
            pos += 2;
            continue;
        }
        if (f.converts)
            return false;
        std::size_t start = pos;
        if (!parse_conversion(text, pos, f))
            return false;
        f.converts = true;
        f.before = text.substr(0, start);
        after = pos;
    }
    f.after = text.substr(after);
    format = f;
    return true;
}

Number lay_out(const Format& f, std::int32_t value)
{
    Number n;
    std::uint32_t magnitude = static_cast<std::uint32_t>(value);
    unsigned base = 10;
    if (f.conversion == 'd' || f.conversion == 'i') {
        if (value < 0) {
            magnitude = 0u - magnitude;
            n.prefix[n.prefix_len++] = '-';
        } else if (f.plus) {
            n.prefix[n.prefix_len++] = '+';
        } else if (f.space) {
            n.prefix[n.prefix_len++] = ' ';
        }
    } else if (f.conversion == 'o') {
        base = 8;
    } else if (f.conversion == 'x' || f.conversion == 'X') {
        base = 16;
        if (f.alt && magnitude != 0) {
            n.prefix[n.prefix_len++] = '0';
            n.prefix[n.prefix_len++] = f.conversion;
        }
    }
    // A precision of 0 writes no digit for the value 0.
    if (magnitude != 0 || f.precision != 0) {
        const char* digit = f.conversion == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
        char reversed[sizeof n.digits];
        int len = 0;
        do {
            reversed[len++] = digit[magnitude % base];
            magnitude /= base;
        } while (magnitude != 0);
        for (int i = 0; i < len; i++)
            n.digits[i] = reversed[len - 1 - i];
        n.digits_len = len;
    }
    if (f.precision > n.digits_len)
        n.zeros = f.precision - n.digits_len;
    // "#" with o makes the first digit a 0, adding one only when needed.
    if (f.conversion == 'o' && f.alt && n.zeros == 0 && (n.digits_len == 0 || n.digits[0] != '0'))
        n.zeros = 1;
    std::int64_t length = n.prefix_len + n.zeros + n.digits_len;
    if (f.width > length) {
        std::int64_t fill = f.width - length;
        if (f.left)
            n.trail_spaces = fill;
        else if (f.zero && f.precision < 0)
            n.zeros += fill;
        else
            n.lead_spaces = fill;
    }
    return n;
}

void write_number(con::Stream& out, const Format& f, std::int32_t value)
{
    write_literal(out, f.before);
    if (f.converts) {
        Number n = lay_out(f, value);
        // The usual case, a number in a short field, goes out in one write.
        char small[64];
        std::int64_t total = n.lead_spaces + n.prefix_len + n.zeros + n.digits_len + n.trail_spaces;
        if (total <= static_cast<std::int64_t>(sizeof small)) {
            char* p = small;
            p = std::fill_n(p, n.lead_spaces, ' ');
            p = std::copy_n(n.prefix, n.prefix_len, p);
            p = std::fill_n(p, n.zeros, '0');
            p = std::copy_n(n.digits, n.digits_len, p);
            p = std::fill_n(p, n.trail_spaces, ' ');
            out.write(std::string_view(small, static_cast<std::size_t>(p - small)));
        } else {
            pad(out, kSpaces, n.lead_spaces);
            out.write(std::string_view(n.prefix, static_cast<std::size_t>(n.prefix_len)));
            pad(out, kZeros, n.zeros);
            out.write(std::string_view(n.digits, static_cast<std::size_t>(n.digits_len)));
            pad(out, kSpaces, n.trail_spaces);
        }
    }
    write_literal(out, f.after);
}

} // namespace glenta
