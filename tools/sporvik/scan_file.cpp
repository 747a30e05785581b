// scan_file: every offset of the file is compared once, in increasing order,
// overlapping hits included. The bytes are folded a block at a time into a
// window that keeps the last pattern-length minus one bytes of the block
// before, so a hit across two blocks is found like any other.
#include "scan_file.h"

#include "console/keys.h"
#include "console/report.h"
#include "console/stream.h"

#include <cinttypes>
#include <cstring>

namespace sporvik {
namespace {

constexpr std::size_t kBlock = 64 * 1024;
// The keyboard is polled at offsets that are multiples of kPollStep, and
// only about once per kPollGap bytes: often enough to stop within
// milliseconds, rarely enough to cost nothing.
constexpr std::int64_t kPollStep = 100;
constexpr std::int64_t kPollGap = 64 * 1024;

unsigned char window[kBlock + kSearchMax];

// Writes "     %06X : %s\n" for the offset. Done by hand: a file can hold
// millions of hits, and a printf per hit would cost more than the search.
void write_hit(con::Stream& out, std::int64_t offset, const char* shown, std::size_t shown_len)
{
    char line[5 + 16 + 3 + kSearchMax + 1];
    char digits[16];
    int n = 0;
    std::uint64_t v = static_cast<std::uint64_t>(offset);
    do {
        digits[n++] = "0123456789ABCDEF"[v & 15];
        v >>= 4;
    } while (v != 0);
    while (n < 6)
        digits[n++] = '0';
    std::size_t len = 0;
    std::memcpy(line, "     ", 5);
    len = 5;
    while (n > 0)
        line[len++] = digits[--n];
    std::memcpy(line + len, " : ", 3);
    len += 3;
    std::memcpy(line + len, shown, shown_len);
    len += shown_len;
    line[len++] = '\n';
    out.write(std::string_view(line, len));
}

// True when the user pressed Escape. Other keys are read and dropped; a
// function key's second code goes with it.
bool escape_pressed()
{
    if (!con::key_waiting())
        return false;
    int code = con::key_read();
    if (code == 0)
        con::key_read();
    return code == 27;
}

} // namespace

void fold(unsigned char* out, const unsigned char* in, std::size_t n)
{
    for (std::size_t i = 0; i < n; i++) {
        unsigned char c = in[i];
        out[i] = static_cast<unsigned char>(c - ((static_cast<unsigned char>(c - 'a') < 26) << 5));
    }
}

std::int64_t scan_file(const char* path, const char* shown, const unsigned char* folded, int length,
                       std::int64_t size)
{
    con::Stream in;
    if (!con::open_stream(in, path, "rb")) {
        con::report_error(path);
        return 0;
    }
    con::Stream& out = con::std_out();
    con::Stream& err = con::std_err();
    err.print("Reading %s...\n", path);
    if (size < length) {
        err.print("Filelength %" PRId64 " is smaller than pattern length %d.\n", size, length);
        return 0;
    }

    const std::size_t m = static_cast<std::size_t>(length);
    std::int64_t hits = 0;
    std::int64_t base = 0; // file offset of window[0]
    std::size_t have = 0;  // bytes in the window
    std::int64_t from = 0; // first offset not yet compared
    std::int64_t next_poll = kPollStep;
    bool stopped = false;
    while (!stopped) {
        std::span<const unsigned char> chunk = in.peek();
        if (chunk.empty())
            break;
        std::size_t n = std::min(chunk.size(), sizeof window - have);
        fold(window + have, chunk.data(), n);
        in.skip(n);
        have += n;
        if (have < m)
            continue;
        const std::int64_t last = base + static_cast<std::int64_t>(have - m);
        while (from <= last) {
            // Compare up to the next poll point, then poll there: the
            // window at a poll point is compared only after the poll.
            const bool poll = next_poll <= last;
            const std::int64_t upto = poll ? next_poll - 1 : last;
            const unsigned char* p = window + (from - base);
            const unsigned char* end = window + (upto - base) + m;
            while (p + m <= end) {
                const void* hit = memmem(p, static_cast<std::size_t>(end - p), folded, m);
                if (hit == nullptr)
                    break;
                p = static_cast<const unsigned char*>(hit);
                if (hits++ == 0)
                    out.print("%s\n", path);
                write_hit(out, base + (p - window), shown, m);
                p++;
            }
            from = upto + 1;
            if (!poll)
                break;
            if (escape_pressed()) {
                err.write("Escape pressed... file search terminated.\n");
                stopped = true;
                break;
            }
            next_poll += kPollGap;
            next_poll += (kPollStep - next_poll % kPollStep) % kPollStep;
        }
        // Keep the last m - 1 bytes: the start of the next windows.
        std::size_t keep = m - 1;
        std::memmove(window, window + (have - keep), keep);
        base += static_cast<std::int64_t>(have - keep);
        have = keep;
    }
    in.close();
    return hits;
}

} // namespace sporvik
