// split_bundle: the bundle is read in pieces of at most 2046 characters, a
// line or the next part of a longer one, and each piece is taken by its own
// first byte: a form feed makes it a name line, anything else content. Name
// lines are never written. A file that cannot be created, or that would be
// the bundle itself, is reported and its section dropped.
#include "split_bundle.h"

#include "console/report.h"
#include "console/same_file.h"

#include <array>
#include <cstring>
#include <string_view>

namespace prendle {
namespace {

constexpr char kFormFeed = 12;
constexpr std::size_t kPiece = 2046; // characters of one piece, LF included

std::array<char, kPiece + 2> piece;
con::Stream output;
// The name of the open output, for the report of a failed write.
std::array<char, kPiece + 1> output_name;

// Closes the current output, if there is one; false when a write to it or
// its close failed, which is then reported.
bool close_output()
{
    if (!output.is_open())
        return true;
    if (output.close() == 0)
        return true;
    con::report_error(output_name.data());
    return false;
}

} // namespace

void cut_line_end(char* text)
{
    for (; *text != '\0'; text++)
        if (*text == '\n' || *text == '\r' || *text == 26) {
            *text = '\0';
            return;
        }
}

bool split_bundle(con::Stream& bundle, const char* bundle_name)
{
    bool written = true;
    // The limit of the read is one byte short of the buffer: at most kPiece
    // characters and the NUL behind them.
    const std::span<char> room(piece.data(), kPiece + 1);
    for (;;) {
        std::size_t n = bundle.read_line(room);
        if (n == 0)
            break;
        if (piece[0] != kFormFeed) {
            // Written by its length, so a NUL in the line is copied too.
            if (output.is_open())
                output.write(std::string_view(piece.data(), n));
            continue;
        }
        if (!close_output())
            written = false;
        cut_line_end(piece.data());
        const char* name = piece.data() + 1;
        // Creating the bundle anew would empty it while it is being read.
        if (con::same_file(name, bundle_name)) {
            con::report_message(name, "Input and output are the same file");
            continue;
        }
        if (!con::open_stream(output, name, "w")) {
            con::report_error(name);
            continue;
        }
        std::memcpy(output_name.data(), name, std::strlen(name) + 1);
    }
    if (!close_output())
        written = false;
    return written;
}

} // namespace prendle
