// The source text: a header, rows of eight elements "0xHH, " each behind a
// line end, and the last element closed by "};". Elements are made from a
// table and written a block at a time: a 64 MiB file is six times as much
// text, and a printf per byte would cost most of the run.
#include "array_source.h"

#include "console/ascii.h"

#include <array>
#include <cinttypes>
#include <cstring>

namespace pimbor {
namespace {

constexpr std::size_t kRow = 8;
constexpr std::size_t kElement = 6; // "0xHH, "
// Input bytes taken at once: a multiple of the row, so that every block but
// the last starts a row.
constexpr std::size_t kBlock = 1024 * kRow;
constexpr std::size_t kText = kBlock / kRow * (1 + kRow * kElement);

// "0xHH, " for every byte value.
constexpr std::array<std::array<char, kElement>, 256> make_elements()
{
    std::array<std::array<char, kElement>, 256> t{};
    const char* hex = "0123456789ABCDEF";
    for (int v = 0; v < 256; v++)
        t[v] = {'0', 'x', hex[v >> 4], hex[v & 15], ',', ' '};
    return t;
}
constexpr auto kElements = make_elements();

unsigned char bytes[kBlock];
char text[kText];

} // namespace

void make_array_name(const char* name, std::span<char> out)
{
    std::size_t n = 0;
    for (; name[n] != '\0' && name[n] != '.' && n + 1 < out.size(); n++) {
        unsigned char c = con::ascii_lower(static_cast<unsigned char>(name[n]));
        bool keep = con::is_ascii_digit(c) || (c >= 'a' && c <= 'z');
        out[n] = keep ? static_cast<char>(c) : '_';
    }
    if (!out.empty())
        out[n] = '\0';
}

Written write_array(con::Stream& in, std::int64_t length, const char* array_name, con::Stream& out)
{
    out.print("unsigned char %s[%" PRId64 "] ={", array_name, length);
    if (length <= 0) {
        // No element: the row break ends the header and the closing follows.
        out.write("\n};");
        return in.peek().empty() ? Written::whole : Written::longer;
    }
    std::int64_t left = length;
    while (left > 0) {
        std::size_t want =
            left < static_cast<std::int64_t>(kBlock) ? static_cast<std::size_t>(left) : kBlock;
        std::size_t got = in.read({bytes, want});
        char* t = text;
        for (std::size_t i = 0; i < got; i++) {
            if (i % kRow == 0)
                *t++ = '\n';
            std::memcpy(t, kElements[bytes[i]].data(), kElement);
            t += kElement;
        }
        left -= static_cast<std::int64_t>(got);
        if (left == 0) {
            // The last element is closed, not followed by a comma.
            t -= 2;
            *t++ = '}';
            *t++ = ';';
        }
        out.write(std::string_view(text, static_cast<std::size_t>(t - text)));
        if (got < want)
            return in.failed() ? Written::error : Written::early_end;
        // Nothing more can reach the output: no use reading on.
        if (out.failed())
            return Written::whole;
    }
    // A file that grew, or one whose length the system does not know (a
    // pipe, a file of /proc), holds bytes the declaration left out.
    return in.peek().empty() ? Written::whole : Written::longer;
}

} // namespace pimbor
