// The count of one file's lines, and the row that lists it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tudra {

// The LF bytes in a block.
std::int64_t count_lf(std::span<const unsigned char> block);

// Counts the LF bytes of the file at path, read in binary mode. A file with
// at least one raises file_count and gets a row under name, the header going
// before the first row. Gives the count: 0 for a file that does not open.
std::int64_t count_lines(const char* path, const char* name, std::int64_t& file_count);

} // namespace tudra
