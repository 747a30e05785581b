// Buffering and text mode, over the platform's read and write.
#include "console/stream.h"

#include "console/os.h"
#include "console/path_limits.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace con {
namespace {

// Text mode has a line end every few dozen bytes, so both directions take
// 16 bytes at a time where the machine has vector compares: a block without
// a CR (or LF) moves whole, and one with some is moved in pieces between
// them, still 16 bytes to a store. Elsewhere a plain byte loop does it.
#if defined(__SSE2__) || defined(_M_X64)
constexpr bool kVectors = true;
constexpr std::size_t kVector = 16;

unsigned mask_of(__m128i v, char c)
{
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(c))));
}

__m128i load(const unsigned char* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

void store(unsigned char* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// Moves the 16 bytes at in to out without those whose bit is set in drop;
// gives the new end of out. Up to 32 bytes from out on are written, and up
// to 34 from in on are read. Text has at most one line end in most steps,
// so that case, and none, go without a branch that depends on the bytes.
unsigned char* compact(unsigned char* out, const unsigned char* in, unsigned drop)
{
    if ((drop & (drop - 1)) == 0) {
        unsigned k = static_cast<unsigned>(__builtin_ctz(drop | 0x10000));
        store(out, load(in));
        store(out + k, load(in + k + 1));
        return out + kVector - (drop != 0);
    }
    unsigned from = 0;
    for (; drop != 0; drop &= drop - 1) {
        unsigned k = static_cast<unsigned>(__builtin_ctz(drop));
        store(out, load(in + from));
        out += k - from;
        from = k + 1;
    }
    store(out, load(in + from));
    return out + (kVector - from);
}

// Moves the 16 bytes at in to out with a CR before each LF (bits set in lf);
// gives the new end of out. Up to 48 bytes from out on are written, and up
// to 32 from in on are read.
unsigned char* expand(unsigned char* out, const unsigned char* in, unsigned lf)
{
    if ((lf & (lf - 1)) == 0) {
        unsigned k = static_cast<unsigned>(__builtin_ctz(lf | 0x10000));
        store(out, load(in));
        store(out + k + 1, load(in + k));
        out[k] = '\r';
        return out + kVector + (lf != 0);
    }
    unsigned from = 0;
    for (; lf != 0; lf &= lf - 1) {
        unsigned k = static_cast<unsigned>(__builtin_ctz(lf));
        store(out, load(in + from));
        out += k - from;
        *out++ = '\r';
        from = k; // the LF goes with the next piece
    }
    store(out, load(in + from));
    return out + (kVector - from);
}
#else
constexpr bool kVectors = false;
constexpr std::size_t kVector = 16;
#endif

} // namespace

std::span<unsigned char> decode_text(unsigned char* block, std::size_t len, bool& held_cr,
                                     bool& stop)
{
    if (void* z = std::memchr(block, 26, len)) {
        len = static_cast<unsigned char*>(z) - block;
        stop = true;
    }
    held_cr = false;
    if (len > 0 && block[len - 1] == '\r' && !stop) {
        held_cr = true;
        len--;
    }
    // Without a CR nothing moves. Else the bytes go to the front of the gap
    // and every CR that stands before an LF is left out on the way. The
    // output stays kTextGap bytes behind the input, so the 32 bytes that a
    // step may write never reach a byte not yet read.
    unsigned char* cr = static_cast<unsigned char*>(std::memchr(block, '\r', len));
    if (cr == nullptr)
        return {block, len};
    unsigned char* const start = block - kTextGap;
    std::memmove(start, block, cr - block);
    unsigned char* out = start + (cr - block);
    const unsigned char* in = cr;
    const unsigned char* end = block + len;
#if defined(__SSE2__) || defined(_M_X64)
    // in[16] tells a CR at the end of a step; a step reads 34 bytes.
    for (; end - in > static_cast<std::ptrdiff_t>(3 * kVector); in += kVector) {
        unsigned drop = mask_of(load(in), '\r') & mask_of(load(in + 1), '\n');
        out = compact(out, in, drop);
    }
#endif
    for (; in < end; in++) {
        *out = *in;
        out += *in != '\r' || in + 1 == end || in[1] != '\n';
    }
    return {start, static_cast<std::size_t>(out - start)};
}

Stream::~Stream()
{
    if (owned_)
        close();
}

void Stream::attach(std::intptr_t handle, bool text, bool writing, bool owned)
{
    handle_ = handle;
    text_ = text;
    writing_ = writing;
    owned_ = owned;
    unbuffered_ = writing && !owned && os::is_terminal(handle);
    at_end_ = held_cr_ = false;
    error_ = 0;
    pos_ = end_ = 0;
}

bool Stream::fill()
{
    pos_ = end_ = 0;
    // Bytes are read behind a gap, into which text mode decodes them.
    unsigned char* const raw = buf_.data() + kTextGap;
    while (!at_end_ && !writing_ && handle_ != kNoHandle) {
        std::size_t start = 0;
        if (held_cr_) {
            raw[0] = '\r';
            start = 1;
            held_cr_ = false;
        }
        long n = os::read_file(handle_, raw + start, buf_.size() - kTextGap - start);
        std::size_t len = start + static_cast<std::size_t>(n > 0 ? n : 0);
        if (n <= 0) {
            // A failed read ends the input like its end; a held CR is lone.
            if (n < 0)
                error_ = errno;
            at_end_ = true;
        }
        std::span<unsigned char> got{raw, len};
        if (text_ && n > 0)
            got = decode_text(raw, len, held_cr_, at_end_);
        if (!got.empty()) {
            pos_ = static_cast<std::size_t>(got.data() - buf_.data());
            end_ = pos_ + got.size();
            return true;
        }
    }
    return false;
}

std::size_t Stream::read(std::span<unsigned char> out)
{
    std::size_t done = 0;
    while (done < out.size()) {
        std::span<const unsigned char> have = peek();
        if (have.empty())
            break;
        std::size_t n = std::min(have.size(), out.size() - done);
        std::memcpy(out.data() + done, have.data(), n);
        skip(n);
        done += n;
    }
    return done;
}

std::size_t Stream::read_line(std::span<char> out)
{
    if (out.empty())
        return 0;
    std::size_t done = 0;
    std::size_t room = out.size() - 1;
    while (done < room) {
        std::span<const unsigned char> have = peek();
        if (have.empty())
            break;
        std::size_t n = std::min(have.size(), room - done);
        const void* lf = std::memchr(have.data(), '\n', n);
        if (lf != nullptr)
            n = static_cast<const unsigned char*>(lf) - have.data() + 1;
        std::memcpy(out.data() + done, have.data(), n);
        skip(n);
        done += n;
        if (lf != nullptr)
            break;
    }
    out[done] = '\0';
    return done;
}

void Stream::write(std::span<const unsigned char> bytes)
{
    const unsigned char* p = bytes.data();
    const unsigned char* end = p + bytes.size();
    if (!text_) {
        while (p < end) {
            if (end_ == buf_.size())
                flush();
            std::size_t n = std::min<std::size_t>(end - p, buf_.size() - end_);
            std::memcpy(buf_.data() + end_, p, n);
            end_ += n;
            p += n;
        }
    } else {
        // Each LF leaves as CR LF. The buffer keeps room for a block of
        // nothing but LFs.
        while (p < end) {
            if (buf_.size() - end_ < 3 * kVector)
                flush();
            unsigned char* out = buf_.data() + end_;
            unsigned char* limit = buf_.data() + buf_.size() - 3 * kVector;
            if constexpr (kVectors) {
#if defined(__SSE2__) || defined(_M_X64)
                // A step reads 32 bytes of the input and writes up to 48.
                for (; end - p >= static_cast<std::ptrdiff_t>(2 * kVector) && out <= limit;
                     p += kVector)
                    out = expand(out, p, mask_of(load(p), '\n'));
#endif
            }
            for (; p < end && out <= limit; p++) {
                *out = '\r';
                out += *p == '\n';
                *out++ = *p;
            }
            end_ = static_cast<std::size_t>(out - buf_.data());
        }
    }
    if (unbuffered_)
        flush();
}

void Stream::print(const char* format, ...)
{
    char small[1024];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (n < 0)
        return;
    if (static_cast<std::size_t>(n) < sizeof small) {
        write(std::string_view(small, n));
        return;
    }
    // Rare: a long path in the text. One buffer of the exact size.
    char* big = static_cast<char*>(std::malloc(static_cast<std::size_t>(n) + 1));
    if (big == nullptr)
        return;
    va_start(args, format);
    std::vsnprintf(big, static_cast<std::size_t>(n) + 1, format, args);
    va_end(args);
    write(std::string_view(big, n));
    std::free(big);
}

bool Stream::flush()
{
    if (!writing_)
        return true;
    const unsigned char* p = buf_.data();
    std::size_t left = end_;
    end_ = 0;
    while (left > 0 && error_ == 0 && handle_ != kNoHandle) {
        long n = os::write_file(handle_, p, left);
        if (n < 0) {
            error_ = errno;
            break;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return error_ == 0;
}

int Stream::close()
{
    if (handle_ == kNoHandle)
        return 0;
    flush();
    if (owned_ && os::close_file(handle_) != 0 && error_ == 0 && writing_)
        error_ = errno;
    handle_ = kNoHandle;
    owned_ = false;
    // A read failure ends the input; only a failed write or close makes
    // close() fail.
    int error = writing_ ? error_ : 0;
    if (error != 0) {
        errno = error;
        return -1;
    }
    return 0;
}

std::int64_t Stream::length() const { return handle_ == kNoHandle ? -1 : os::file_length(handle_); }

bool open_stream(Stream& stream, const char* name, const char* mode)
{
    bool writing;
    bool text;
    if (std::strcmp(mode, "r") == 0 || std::strcmp(mode, "rb") == 0)
        writing = false;
    else if (std::strcmp(mode, "w") == 0 || std::strcmp(mode, "wb") == 0)
        writing = true;
    else {
        errno = EINVAL;
        return false;
    }
    text = mode[1] != 'b';
    if (stream.is_open())
        stream.close();
    char system_name[kPathMax + 1];
    if (!os::to_system_path(name, system_name, sizeof system_name))
        return false;
    std::intptr_t handle =
        os::open_file(system_name, writing ? os::Access::write : os::Access::read);
    if (handle == Stream::kNoHandle)
        return false;
    stream.attach(handle, text, writing, true);
    return true;
}

Stream& std_in()
{
    static Stream stream;
    static bool ready = false;
    if (!ready) {
        stream.attach(os::standard_handle(0), true, false, false);
        ready = true;
    }
    return stream;
}

Stream& std_out()
{
    static Stream stream;
    static bool ready = false;
    if (!ready) {
        stream.attach(os::standard_handle(1), true, true, false);
        ready = true;
    }
    return stream;
}

Stream& std_err()
{
    static Stream stream;
    static bool ready = false;
    if (!ready) {
        stream.attach(os::standard_handle(2), true, true, false);
        ready = true;
    }
    return stream;
}

} // namespace con
