// nembo: copies a file or standard input to standard output with A to Z
// turned into a to z. No other byte changes, whatever the code page.
#include "filters/filter.h"

#include <array>

namespace {

// A block's worth of lower-cased bytes, handed to the output in one write.
std::array<unsigned char, con::kStreamBuffer> lower;

struct Lower {
    bool take(std::span<const unsigned char> block, con::Stream& out)
    {
        // Branch-free so that the compiler can do many bytes per step.
        for (std::size_t i = 0; i < block.size(); i++) {
            unsigned char c = block[i];
            lower[i] =
                static_cast<unsigned char>(c + ((static_cast<unsigned char>(c - 'A') < 26) << 5));
        }
        out.write(std::span(lower.data(), block.size()));
        return true;
    }
    void finish(con::Stream&) {}
};

} // namespace

int main(int argc, char** argv)
{
    Lower rule;
    return filters::run_filter(argc > 1 ? argv[1] : nullptr, "r", rule);
}
