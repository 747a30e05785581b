// The wrap engine: turns an open text stream into lines that end in CR LF,
// broken at their last space so that they fit the wrap limit.
#pragma once

#include "console/stream.h"

namespace daverlin {

inline constexpr int kDefaultLimit = 72;
inline constexpr int kHardBound = 2047; // the most characters a line buffer takes

// Reads in to its end and writes the wrapped lines to out; both streams are
// open in binary mode and stay open. Every line end of the input ends an
// output line, a CR is dropped wherever it stands, and a line that begins
// with "#" is written unwrapped without its "#". The label "        < Line"
// and then "\r<count>" after each line end written go to standard output.
// limit lies from 1 to kHardBound.
void break_lines(con::Stream& in, con::Stream& out, int limit);

} // namespace daverlin
