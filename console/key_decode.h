// Decoding of the bytes a terminal sends for a key into the key codes the
// programs expect: one code, or a lead code (0 or 224) and a second code.
#pragma once

#include <cstddef>
#include <span>

namespace con {

struct KeyCodes {
    int count; // 0 for a sequence that names no known key
    int code[2];
};

// Decodes the key at the front of bytes and gives the number of bytes it
// took. When the bytes end inside an escape sequence, it gives 0 unless
// complete says no more bytes will come: then an ESC alone is Escape (27)
// and an unfinished sequence is taken whole as no key. A sequence too long
// to be one of the known keys is taken as no key however long it is: inside
// says that the bytes taken so far end within it, and the bytes up to its
// final byte are taken, as no key, by the calls that follow.
std::size_t decode_key(std::span<const unsigned char> bytes, bool complete, KeyCodes& key,
                       bool& inside);

} // namespace con
