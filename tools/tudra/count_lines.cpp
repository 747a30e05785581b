// count_lines: a line is one LF byte; CR, Ctrl-Z and NUL are ordinary bytes,
// since the file is read in binary mode. A file that does not open is passed
// over without a word.
#include "count_lines.h"

#include "console/stream.h"

#include <cinttypes>

namespace tudra {

std::int64_t count_lf(std::span<const unsigned char> block)
{
    // Counted in runs of at most 255 bytes into a byte-wide sum, which the
    // compiler turns into a compare and subtract over whole vector registers.
    std::int64_t total = 0;
    const unsigned char* p = block.data();
    std::size_t left = block.size();
    while (left > 0) {
        std::size_t run = left < 255 ? left : 255;
        unsigned char n = 0;
        for (std::size_t i = 0; i < run; i++)
            n = static_cast<unsigned char>(n + (p[i] == '\n'));
        total += n;
        p += run;
        left -= run;
    }
    return total;
}

std::int64_t count_lines(const char* path, const char* name, std::int64_t& file_count)
{
    con::Stream in;
    if (!con::open_stream(in, path, "rb"))
        return 0;
    std::int64_t lines = 0;
    for (;;) {
        std::span<const unsigned char> block = in.peek();
        if (block.empty())
            break;
        lines += count_lf(block);
        in.skip(block.size());
    }
    in.close();
    if (lines == 0)
        return 0;
    con::Stream& out = con::std_out();
    if (++file_count == 1)
        out.print("%14s%-8s%s\n", "", "Lines", "FileName");
    out.print("%14s%-8" PRId64 "%s\n", "", lines, name);
    return lines;
}

} // namespace tudra
