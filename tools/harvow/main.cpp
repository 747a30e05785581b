// harvow: copies a file or standard input to standard output without its
// carriage returns and with never three LFs in a row, so that at most one
// empty line stands between two lines of text (two at the very start).
#include "filters/filter.h"

#include <array>

namespace {

// A block's worth of kept bytes, handed to the output in one write.
std::array<unsigned char, con::kStreamBuffer> kept;

// The last two bytes written are all the rule needs to know, and they count
// only as how many of them are LF: the LFs that end the output so far. A
// dropped CR leaves the count alone, so it does not break a run of LFs.
struct Squeeze {
    int lfs = 0;

    bool take(std::span<const unsigned char> block, con::Stream& out)
    {
        unsigned char* o = kept.data();
        for (unsigned char c : block) {
            if (c == '\r')
                continue;
            if (c == '\n') {
                if (lfs == 2)
                    continue;
                lfs++;
            } else {
                lfs = 0;
            }
            *o++ = c;
        }
        out.write(std::span(kept.data(), o));
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
