// jarnic: copies a file or standard input to standard output with every
// line end, CR LF, a lone CR or a lone LF, turned into one LF (which leaves
// as CR LF). Every other byte passes, Ctrl-Z in a file included.
#include "filters/filter.h"

#include <cstring>

namespace {

// The input is written as it stands, in runs between CRs; only the CRs
// change. A CR before an LF goes, since the LF stands for both; any other CR
// becomes an LF. A CR that ends a block waits for the next block's first
// byte, or for the end of the input, to know which it is.
struct LineEnds {
    bool held_cr = false;

    bool take(std::span<const unsigned char> block, con::Stream& out)
    {
        const unsigned char* p = block.data();
        const unsigned char* end = p + block.size();
        if (held_cr) {
            held_cr = false;
            if (*p != '\n')
                out.put('\n');
        }
        while (p < end) {
            const unsigned char* cr =
                static_cast<const unsigned char*>(std::memchr(p, '\r', end - p));
            if (cr == nullptr) {
                out.write(std::span(p, end));
                break;
            }
            out.write(std::span(p, cr));
            p = cr + 1;
            if (p == end)
                held_cr = true;
            else if (*p != '\n')
                out.put('\n');
        }
        return true;
    }
    void finish(con::Stream& out)
    {
        if (held_cr)
            out.put('\n');
    }
};

} // namespace

int main(int argc, char** argv)
{
    LineEnds rule;
    return filters::run_filter(argc > 1 ? argv[1] : nullptr, "rb", rule);
}
