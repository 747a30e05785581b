// The leading-digits reading of a number on the command line.
#pragma once

#include <cstdint>

namespace con {

// Skips leading white space, takes one optional sign, then decimal digits up
// to the first other character; text without digits reads as 0. A value past
// the 64-bit range stops at its bound, so callers that check a range see it
// as out of range rather than wrapped into it.
std::int64_t read_decimal(const char* text);

} // namespace con
