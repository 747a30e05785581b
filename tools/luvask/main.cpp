// luvask: copies a file or standard input to standard output with each tab
// replaced by the spaces up to the next tab stop, every width columns (8
// unless an argument says otherwise). Every byte but LF and tab is a column.
#include "filters/filter.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr std::int32_t kWidth = 8;

constexpr std::size_t kPadBlock = 4096;

constexpr std::array<unsigned char, kPadBlock> make_spaces()
{
    std::array<unsigned char, kPadBlock> a{};
    for (unsigned char& b : a)
        b = ' ';
    return a;
}

constexpr std::array<unsigned char, kPadBlock> kSpaces = make_spaces();

// A tab stop can be up to 2147483647 columns away: its spaces go out a block
// at a time, and no longer once the output has failed.
void write_spaces(con::Stream& out, std::int64_t n)
{
    while (n > 0 && !out.failed()) {
        std::size_t k = static_cast<std::size_t>(std::min<std::int64_t>(n, kPadBlock));
        out.write(std::span(kSpaces.data(), k));
        n -= static_cast<std::int64_t>(k);
    }
}

// The bytes between two tabs are written as they stand; only the column
// count needs them, and it needs only their number and the last LF among
// them.
struct Expand {
    std::int64_t width;
    std::int64_t left; // columns to the next tab stop, 1 to width

    // Moves the column over the bytes from p to end, none of them a tab.
    // The scan back stops at the last LF, so it covers one line at most.
    void advance(const unsigned char* p, const unsigned char* end)
    {
        const unsigned char* line = end;
        while (line > p && line[-1] != '\n')
            line--;
        if (line > p)
            left = width;
        left = width - (width - left + (end - line)) % width;
    }

    bool take(std::span<const unsigned char> block, con::Stream& out)
    {
        const unsigned char* p = block.data();
        const unsigned char* end = p + block.size();
        while (p < end && !out.failed()) {
            const unsigned char* tab =
                static_cast<const unsigned char*>(std::memchr(p, '\t', end - p));
            const unsigned char* stop = tab != nullptr ? tab : end;
            out.write(std::span(p, stop));
            advance(p, stop);
            if (tab == nullptr)
                break;
            write_spaces(out, left);
            left = width;
            p = tab + 1;
        }
        return true;
    }
    void finish(con::Stream&) {}
};

} // namespace

int main(int argc, char** argv)
{
    // Told by the first character: 1 to 9 a width (the last one counts),
    // anything else a file.
    std::int32_t width = kWidth;
    const char* name = nullptr;
    for (int i = 1; i < argc; i++) {
        const char* arg = argv[i];
        if (arg[0] >= '1' && arg[0] <= '9')
            width = filters::leading_number(arg);
        else
            filters::name_input(name, arg);
    }
    Expand rule{width, width};
    return filters::run_filter(name, "r", rule);
}
