// The array-name maker and the writer of the array's source text.
#pragma once

#include "console/stream.h"

#include <cstdint>
#include <span>

namespace pimbor {

// Turns name into the array name in out: it ends at the first "."; a to z,
// A to Z (folded to lower case) and 0 to 9 stay, every other byte becomes
// "_". Stops early when out is full; out always ends with a NUL.
void make_array_name(const char* name, std::span<char> out);

// What write_array met.
enum class Written : unsigned char {
    whole,     // every byte of the declared length
    error,     // a read failed; in.error() tells why
    early_end, // the input ended before its declared length
    longer     // the input holds more than its declared length
};

// Writes the declaration of array_name[length] with the next length bytes
// of in, eight to a row, ending in "};" without a line end. When the input
// fails or ends first, the text stops after the last byte read: it is never
// filled up with made-up values.
Written write_array(con::Stream& in, std::int64_t length, const char* array_name, con::Stream& out);

} // namespace pimbor
