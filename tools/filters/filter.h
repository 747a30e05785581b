// The frame of the stream filters: the choice of input, the copy loop over
// the input's buffered blocks, and the end of the run. A filter's own rule
// sees whole blocks; it never reads or writes a byte at a time.
#pragma once

#include "console/stream.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace filters {

// The status of a run that read its input to the end, from a named file or
// from standard input alike, and of one whose input or output failed.
inline constexpr int kDone = 0;
inline constexpr int kFailed = 1;

// The input of a run: the named file when it opens, else standard input.
struct Input {
    con::Stream file;
    con::Stream* stream = nullptr;
    const char* shown = nullptr; // the name that a read error is told under
};

// Opens the named file with mode, or takes standard input when name is null
// or the file cannot be opened for whatever reason (missing, a directory, a
// name past the path limit). No message is written either way.
con::Stream& open_input(Input& input, const char* name, const char* mode);

// For the filters that scan all their arguments: the first non-empty file
// argument names the input; an empty one names nothing, so a later one can.
void name_input(const char*& name, const char* arg);

// The value of an argument's leading decimal digits, kept within the 32-bit
// range: a count past it stands at the largest 32-bit value.
std::int32_t leading_number(const char* arg);

// Copies in to out through the rule. rule.take(block, out) is given each
// buffered block of input, at most con::kStreamBuffer bytes, and returns
// false when the rule met its stop byte: the rest is never looked at.
// rule.finish(out) follows the end of the input or the stop. A failed write
// ends the copy at once, since nothing written after it can arrive.
template <class Rule>
void copy_stream(con::Stream& in, con::Stream& out, Rule& rule)
{
    for (;;) {
        std::span<const unsigned char> block = in.peek();
        if (block.empty())
            break;
        bool more = rule.take(block, out);
        in.skip(block.size());
        if (out.failed())
            return;
        if (!more)
            break;
    }
    rule.finish(out);
}

// Ends the run. A failed read ended the input like its end, but the output
// is then short: it is reported under the file's name or "stdin" and gives
// kFailed. Standard output is flushed, and a failed write to it is reported
// and gives kFailed too.
int end_filter(Input& input);

// A whole run of a filter: the named file opened with mode (standard input
// when name is null or it cannot be opened), copied to standard output
// through the rule, and the run's status.
template <class Rule>
int run_filter(const char* name, const char* mode, Rule& rule)
{
    Input input;
    con::Stream& in = open_input(input, name, mode);
    copy_stream(in, con::std_out(), rule);
    return end_filter(input);
}

} // namespace filters
