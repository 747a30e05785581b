// oskrat: reduces a file or standard input to plain seven-bit text: the high
// bit of every byte cleared, control characters but LF and tab dropped, runs
// of spaces squeezed to one, and the end at the first Ctrl-Z.
#include "filters/filter.h"

#include <array>

namespace {

// What the rule does with each byte as read. The high bit is cleared before
// anything else, so 160 is a space and 138 an LF, but only the byte 26 as
// read stops: 154 is merely a control character.
enum class Kind : unsigned char { drop, keep, space, stop };

constexpr std::array<Kind, 256> make_kinds()
{
    std::array<Kind, 256> kinds{};
    for (int c = 0; c < 256; c++) {
        int v = c & 127;
        if (c == 26)
            kinds[c] = Kind::stop;
        else if (v == ' ')
            kinds[c] = Kind::space;
        else if (v > ' ' || v == '\n' || v == '\t')
            kinds[c] = Kind::keep;
        else
            kinds[c] = Kind::drop;
    }
    return kinds;
}

constexpr std::array<Kind, 256> kinds = make_kinds();

// A block's worth of kept bytes, handed to the output in one write.
std::array<unsigned char, con::kStreamBuffer> kept;

// Only whether the byte before was a space matters; a dropped control
// character is no space, so it breaks a run of them.
struct Clean {
    bool after_space = false;

    bool take(std::span<const unsigned char> block, con::Stream& out)
    {
        unsigned char* o = kept.data();
        bool more = true;
        for (unsigned char c : block) {
            Kind k = kinds[c];
            if (k == Kind::keep) {
                *o++ = c & 127;
                after_space = false;
            } else if (k == Kind::space) {
                if (!after_space)
                    *o++ = ' ';
                after_space = true;
            } else if (k == Kind::drop) {
                after_space = false;
            } else {
                more = false;
                break;
            }
        }
        out.write(std::span(kept.data(), o));
        return more;
    }
    void finish(con::Stream&) {}
};

} // namespace

int main(int argc, char** argv)
{
    con::Stream file;
    con::Stream& in = filters::open_input(file, argc > 1 ? argv[1] : nullptr, "rb");
    Clean rule;
    filters::copy_stream(in, con::std_out(), rule);
    return filters::end_filter(file);
}
