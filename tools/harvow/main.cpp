// harvow: copies a file or standard input to standard output without its
// carriage returns and with never three LFs in a row, so that at most one
// empty line stands between two lines of text (two at the very start).
#include "filters/filter.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

namespace {

// A block's worth of kept bytes, for a block that holds a CR.
std::array<unsigned char, con::kStreamBuffer> kept;

// The first place from p where two LFs stand together, or end. Thirty-two
// places are tested at a time, without a branch, while none is found.
const unsigned char* find_pair(const unsigned char* p, const unsigned char* end)
{
    while (end - p > 32) {
        unsigned char any = 0;
        for (int i = 0; i < 32; i++)
            any |= (p[i] == '\n') & (p[i + 1] == '\n');
        if (any)
            break;
        p += 32;
    }
    for (; end - p >= 2; p++)
        if (p[0] == '\n' && p[1] == '\n')
            return p;
    return end;
}

// The rule needs only whether the last two bytes written were LF. Those are
// the last two bytes read that were not CR: an LF is dropped only after two
// LFs, so dropping it changes neither, and a dropped CR shifts nothing, so it
// does not break a run of LFs.
struct Squeeze {
    bool lf1 = false; // the last byte written was LF
    bool lf2 = false; // the one before it was

    // Text-mode input has lost its CR LF pairs, so most blocks hold no CR.
    // Then only the LFs after two LFs go, and the block is written in the
    // runs between them, straight from the input. The LFs that open the
    // block continue the run that ended the block before.
    void take_plain(const unsigned char* start, const unsigned char* end, con::Stream& out)
    {
        const unsigned char* p = start;
        while (p < end && *p == '\n')
            p++;
        std::ptrdiff_t allowed = lf1 ? (lf2 ? 0 : 1) : 2;
        std::ptrdiff_t leading = p - start;
        out.write(std::span(start, start + std::min(leading, allowed)));
        const unsigned char* run = p;
        for (;;) {
            p = find_pair(p, end);
            if (p == end)
                break;
            p += 2;
            out.write(std::span(run, p));
            while (p < end && *p == '\n')
                p++;
            run = p;
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
    Squeeze rule;
    return filters::run_filter(argc > 1 ? argv[1] : nullptr, "r", rule);
}
