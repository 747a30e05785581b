// oskrat: reduces a file or standard input to plain seven-bit text: the high
// bit of every byte cleared, control characters but LF and tab dropped, runs
// of spaces squeezed to one, and the end at the first Ctrl-Z.
#include "filters/filter.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace {

// A block's cleared values, each with bit 7 set when it goes, and then the
// values that stay, handed to the output in one write.
std::array<unsigned char, con::kStreamBuffer> marked;
std::array<unsigned char, con::kStreamBuffer> kept;

// Whether a value stays: 33 to 127, LF and tab, and a space unless the value
// before it was a space too. The value before is that of the byte read last,
// whatever became of it: a repeated space leaves it a space, and a dropped
// control character is no space, so it breaks a run.
constexpr unsigned char mark(unsigned char v, unsigned char before)
{
    unsigned char stays = (v > ' ') | (v == '\n') | (v == '\t') | ((v == ' ') & (before != ' '));
    return static_cast<unsigned char>(v | ((stays ^ 1) << 7));
}

// Two passes over a block: the marks, which depend on nothing but two bytes
// and so run many bytes per step, then the copy of the values that stay,
// eight at a time where none of the eight goes. Ctrl-Z is looked for as
// read, before the high bit goes: 154 is merely a control character.
struct Clean {
    unsigned char before = 0; // the cleared value of the byte read last

    bool take(std::span<const unsigned char> block, con::Stream& out)
    {
        const unsigned char* p = block.data();
        std::size_t n = block.size();
        bool more = true;
        if (const void* z = std::memchr(p, 26, n)) {
            n = static_cast<std::size_t>(static_cast<const unsigned char*>(z) - p);
            more = false;
        }
        if (n == 0)
            return more;
        marked[0] = mark(p[0] & 127, before);
        for (std::size_t i = 1; i < n; i++)
            marked[i] = mark(p[i] & 127, p[i - 1] & 127);
        before = p[n - 1] & 127;
        unsigned char* o = kept.data();
        std::size_t i = 0;
        for (; i + 8 <= n; i += 8) {
            std::uint64_t eight;
            std::memcpy(&eight, marked.data() + i, 8);
            if ((eight & 0x8080808080808080u) == 0) {
                std::memcpy(o, &eight, 8);
                o += 8;
                continue;
            }
            for (std::size_t j = i; j < i + 8; j++) {
                *o = marked[j];
                o += (marked[j] >> 7) ^ 1;
            }
        }
        for (; i < n; i++)
            if (marked[i] < 128)
                *o++ = marked[i];
        out.write(std::span(kept.data(), o));
        return more;
    }
    void finish(con::Stream&) {}
};

} // namespace

int main(int argc, char** argv)
{
    Clean rule;
    return filters::run_filter(argc > 1 ? argv[1] : nullptr, "rb", rule);
}
