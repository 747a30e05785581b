// glenta: copies a file or standard input to standard output with a number
// before each line, written through a printf-style format of one integer
// conversion. Only LF ends a line; an empty input gives no output.
#include "format.h"

#include "filters/filter.h"

#include <cstring>

namespace {

// A number goes out just before the first byte of each line, so a last line
// without an LF is numbered too and nothing follows the last LF. The running
// number is 32 bits and wraps past its top like the counter it is.
struct Numberer {
    const glenta::Format& format;
    std::int32_t step;
    std::int32_t number = 0;
    bool line_start = true;

    bool take(std::span<const unsigned char> block, con::Stream& out)
    {
        const unsigned char* p = block.data();
        const unsigned char* end = p + block.size();
        while (p < end && !out.failed()) {
            if (line_start) {
                number = static_cast<std::int32_t>(static_cast<std::uint32_t>(number) +
                                                   static_cast<std::uint32_t>(step));
                glenta::write_number(out, format, number);
                line_start = false;
            }
            const unsigned char* lf =
                static_cast<const unsigned char*>(std::memchr(p, '\n', end - p));
            if (lf == nullptr) {
                out.write(std::span(p, end));
                break;
            }
            out.write(std::span(p, lf + 1));
            p = lf + 1;
            line_start = true;
        }
        return true;
    }
    void finish(con::Stream&) {}
};

} // namespace

int main(int argc, char** argv)
{
    // Each argument is told by its first character: "%" a format, 1 to 9 a
    // step, anything else a file. The last format and the last step count;
    // a format that is not of the allowed shape counts as the default.
    std::string_view format_text = glenta::kDefaultFormat;
    std::int32_t step = 1;
    const char* name = nullptr;
    for (int i = 1; i < argc; i++) {
        const char* arg = argv[i];
        if (arg[0] == '%')
            format_text = arg;
        else if (arg[0] >= '1' && arg[0] <= '9')
            step = filters::leading_number(arg);
        else
            filters::name_input(name, arg);
    }
    glenta::Format format;
    if (!glenta::parse_format(format_text, format))
        glenta::parse_format(glenta::kDefaultFormat, format);

    Numberer rule{format, step};
    return filters::run_filter(name, "r", rule);
}
