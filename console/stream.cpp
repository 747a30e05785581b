// Buffering and text mode, over the platform's read and write.
#include "console/stream.h"

#include "console/os.h"
#include "console/path_limits.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace con {

std::size_t decode_text(std::span<unsigned char> block, bool& held_cr, bool& stop)
{
    unsigned char* data = block.data();
    std::size_t len = block.size();
    if (void* z = std::memchr(data, 26, len)) {
        len = static_cast<unsigned char*>(z) - data;
        stop = true;
    }
    held_cr = false;
    if (len > 0 && data[len - 1] == '\r' && !stop) {
        held_cr = true;
        len--;
    }
    // Squeeze each CR that stands before an LF, moving the runs between.
    unsigned char* cr = static_cast<unsigned char*>(std::memchr(data, '\r', len));
    if (cr == nullptr)
        return len;
    unsigned char* out = cr;
    const unsigned char* in = cr;
    const unsigned char* end = data + len;
    while (in < end) {
        if (*in == '\r' && in + 1 < end && in[1] == '\n')
            in++;
        const unsigned char* next = static_cast<const unsigned char*>(
            std::memchr(in + 1, '\r', end - (in + 1)));
        if (next == nullptr)
            next = end;
        std::memmove(out, in, next - in);
        out += next - in;
        in = next;
    }
    return out - data;
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
    while (!at_end_ && !writing_ && handle_ != kNoHandle) {
        std::size_t start = 0;
        if (held_cr_) {
            buf_[0] = '\r';
            start = 1;
            held_cr_ = false;
        }
        long n = os::read_file(handle_, buf_.data() + start, buf_.size() - start);
        if (n <= 0) {
            // A failed read ends the input like its end.
            if (n < 0)
                error_ = errno;
            at_end_ = true;
            end_ = start;
            return end_ > 0;
        }
        std::size_t len = start + static_cast<std::size_t>(n);
        if (text_)
            len = decode_text({buf_.data(), len}, held_cr_, at_end_);
        if (len > 0) {
            end_ = len;
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
    while (p < end) {
        const unsigned char* stop = end;
        if (text_) {
            if (const void* lf = std::memchr(p, '\n', end - p))
                stop = static_cast<const unsigned char*>(lf);
        }
        while (p < stop) {
            if (end_ == buf_.size())
                flush();
            std::size_t n = std::min<std::size_t>(stop - p, buf_.size() - end_);
            std::memcpy(buf_.data() + end_, p, n);
            end_ += n;
            p += n;
        }
        if (stop < end) {
            put_raw('\r');
            put_raw('\n');
            p++;
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

std::int64_t Stream::length() const
{
    return handle_ == kNoHandle ? -1 : os::file_length(handle_);
}

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

