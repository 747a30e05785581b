// The scan of one file for the folded search string.
#pragma once

#include <cstdint>

namespace sporvik {

inline constexpr int kSearchMax = 127; // characters of the search string

// Folds a to z into A to Z; every other byte stays.
void fold(unsigned char* out, const unsigned char* in, std::size_t n);

// Scans path for the folded pattern, writing the path before the first hit
// and one line per hit with its offset, and polling the keyboard for Escape.
// size is the file's length as the search listed it. Gives the hits found.
std::int64_t scan_file(const char* path, const char* shown, const unsigned char* folded, int length,
                       std::int64_t size);

} // namespace sporvik
