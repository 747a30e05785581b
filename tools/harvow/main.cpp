// harvow: copies a file or standard input to standard output without its
// carriage returns and with never three LFs in a row, so that at most one
// empty line stands between two lines of text (two at the very start).
#include "filters/filter.h"

#include <array>
#include <cstring>

namespace {

// A block's worth of kept bytes, for a block that holds a CR.
std::array<unsigned char, con::kStreamBuffer> kept;

// The rule needs only whether the last two bytes written were LF. Those are
// the last two bytes read that were not CR: an LF is dropped only after two
// LFs, so dropping it changes neither, and a dropped CR shifts nothing, so it
// does not break a run of LFs.
struct Squeeze {
    bool lf1 = false; // the last byte written was LF
    bool lf2 = false; // the one before it was

    // Text-mode input has lost its CR LF pairs, so most blocks hold no CR.
    // Then only an LF after two LFs goes, and the block is written in the
    // runs between such LFs, straight from the input.
    void take_plain(const unsigned char* start, const unsigned char* end, con::Stream& out)
    {
        const unsigned char* run = start;
        const unsigned char* p = start;
        while (p < end) {
            const unsigned char* lf =
                static_cast<const unsigned char*>(std::memchr(p, '\n', end - p));
            if (lf == nullptr)
                break;
            bool before1 = lf > start ? lf[-1] == '\n' : lf1;
            bool before2 = lf - 1 > start ? lf[-2] == '\n' : lf > start ? lf1 : lf2;
            if (before1 && before2) {
                out.write(std::span(run, lf));
                run = lf + 1;
            }
            p = lf + 1;
        }
        out.write(std::span(run, end));
        std::size_t n = end - start;
        lf2 = n >= 2 ? end[-2] == '\n' : lf1;
        lf1 = end[-1] == '\n';
    }

    // A block with a CR: each byte is stored and the output end moves on only
    // when it is kept, so the loop has no branch to mispredict.
    void take_mixed(const unsigned char* start, const unsigned char* end, con::Stream& out)
    {
        unsigned char* o = kept.data();
        unsigned a = lf1, b = lf2;
        for (const unsigned char* p = start; p < end; p++) {
            unsigned cr = *p == '\r';
            unsigned lf = *p == '\n';
            *o = *p;
            o += !(cr | (lf & a & b));
            b = cr ? b : a;
            a = cr ? a : lf;
        }
        lf1 = a != 0;
        lf2 = b != 0;
        out.write(std::span(kept.data(), o));
    }

    bool take(std::span<const unsigned char> block, con::Stream& out)
    {
        const unsigned char* start = block.data();
        const unsigned char* end = start + block.size();
        if (std::memchr(start, '\r', block.size()) == nullptr)
            take_plain(start, end, out);
        else
            take_mixed(start, end, out);
        return true;
    }
    void finish(con::Stream&) {}
};

} // namespace

int main(int argc, char** argv)
{
    con::Stream file;
    con::Stream& in = filters::open_input(file, argc > 1 ? argv[1] : nullptr, "r");
    Squeeze rule;
    filters::copy_stream(in, con::std_out(), rule);
    return filters::end_filter(file);
}
