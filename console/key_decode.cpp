// Terminal key sequences: ESC [ parameters final, ESC O final, or one byte.
#include "console/key_decode.h"

#include <cstring>

namespace con {
namespace {

struct Sequence {
    const char* text; // the bytes after ESC
    int lead;
    int code;
};

// The table is laid out by kind of key.
// clang-format off
constexpr Sequence kSequences[] = {
    {"[A", 224, 72},  {"[B", 224, 80},  {"[C", 224, 77},  {"[D", 224, 75},
    {"OA", 224, 72},  {"OB", 224, 80},  {"OC", 224, 77},  {"OD", 224, 75},
    {"[H", 224, 71},  {"[1~", 224, 71}, {"OH", 224, 71},  {"[F", 224, 79},
    {"[4~", 224, 79}, {"OF", 224, 79},  {"[2~", 224, 82}, {"[3~", 224, 83},
    {"[5~", 224, 73}, {"[6~", 224, 81}, {"OP", 0, 59},    {"OQ", 0, 60},
    {"OR", 0, 61},    {"OS", 0, 62},    {"[11~", 0, 59},  {"[12~", 0, 60},
    {"[13~", 0, 61},  {"[14~", 0, 62},  {"[15~", 0, 63},  {"[17~", 0, 64},
    {"[18~", 0, 65},  {"[19~", 0, 66},  {"[20~", 0, 67},  {"[21~", 0, 68},
    {"[23~", 224, 133}, {"[24~", 224, 134},
};
// clang-format on

constexpr unsigned char kEscape = 27;
constexpr std::size_t kLongest = 16; // longer sequences are no known key

constexpr bool is_parameter(unsigned char c) { return c >= 0x20 && c <= 0x3F; }
constexpr bool is_final(unsigned char c) { return c >= 0x40 && c <= 0x7E; }

} // namespace

std::size_t decode_key(std::span<const unsigned char> bytes, bool complete, KeyCodes& key,
                       bool& inside)
{
    key.count = 0;
    if (bytes.empty())
        return 0;
    if (inside) {
        // The rest of a long sequence: its parameter bytes and final byte.
        std::size_t i = 0;
        while (i < bytes.size() && is_parameter(bytes[i]))
            i++;
        if (i == bytes.size())
            return i;
        inside = false;
        if (is_final(bytes[i]))
            return i + 1;
        if (i > 0)
            return i;
    }
    // A NUL byte (Ctrl-@, or the mark a canonical end of file leaves in the
    // terminal's queue) is the extended key 0, 3, so a lead code 0 always
    // has its second code behind it and a reader never waits for one.
    if (bytes[0] == 0) {
        key.count = 2;
        key.code[0] = 0;
        key.code[1] = 3;
        return 1;
    }
    if (bytes[0] != kEscape || (bytes.size() == 1 && complete) ||
        (bytes.size() > 1 && bytes[1] != '[' && bytes[1] != 'O')) {
        key.count = 1;
        key.code[0] = bytes[0];
        return 1;
    }
    // Find where the sequence ends: ESC O and one byte, or ESC [, parameter
    // and intermediate bytes, and a final byte from 0x40 to 0x7E.
    std::size_t end = 0;
    if (bytes.size() >= 3 && bytes[1] == 'O') {
        end = 3;
    } else if (bytes.size() >= 3) {
        for (std::size_t i = 2; i < bytes.size() && i < kLongest; i++)
            if (is_final(bytes[i])) {
                end = i + 1;
                break;
            } else if (!is_parameter(bytes[i])) {
                end = i; // not a sequence byte: the sequence stops before it
                break;
            }
        if (end == 0 && bytes.size() >= kLongest) {
            inside = true;
            return kLongest;
        }
    }
    if (end == 0)
        return complete ? bytes.size() : 0;
    std::size_t len = end - 1;
    for (const Sequence& s : kSequences)
        if (std::strlen(s.text) == len && std::memcmp(s.text, bytes.data() + 1, len) == 0) {
            key.count = 2;
            key.code[0] = s.lead;
            key.code[1] = s.code;
            break;
        }
    return end;
}

} // namespace con
