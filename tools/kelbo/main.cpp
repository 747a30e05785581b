// kelbo: copies a file or standard input to standard output with a to z
// turned into A to Z. No other byte changes, whatever the code page.
#include "filters/filter.h"

#include <array>

namespace {

// A block's worth of upper-cased bytes, handed to the output in one write.
std::array<unsigned char, con::kStreamBuffer> upper;

struct Upper {
    bool take(std::span<const unsigned char> block, con::Stream& out)
    {
        // Branch-free so that the compiler can do many bytes per step.
        for (std::size_t i = 0; i < block.size(); i++) {
            unsigned char c = block[i];
            upper[i] =
                static_cast<unsigned char>(c - ((static_cast<unsigned char>(c - 'a') < 26) << 5));
        }
        out.write(std::span(upper.data(), block.size()));
        return true;
    }
    void finish(con::Stream&) {}
};

} // namespace

int main(int argc, char** argv)
{
    Upper rule;
    return filters::run_filter(argc > 1 ? argv[1] : nullptr, "r", rule);
}
