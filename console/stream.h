// Buffered streams in text or binary mode, opened by name or standard.
// Text mode is done here, the same on every platform: reading turns CR LF
// into LF, keeps a lone CR and ends at Ctrl-Z; writing turns LF into CR LF.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace con {

inline constexpr int kEof = -1;
inline constexpr std::size_t kStreamBuffer = 64 * 1024;

class Stream {
public:
    Stream() = default;
    ~Stream();
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    bool is_open() const { return handle_ != kNoHandle; }

    // Reading. get() gives a byte 0..255 or kEof. peek() gives the bytes
    // that are buffered (filling the buffer when it is empty), already
    // decoded for text mode; it is empty only at the end of the input.
    // skip(n) takes n of them.
    int get()
    {
        if (pos_ == end_ && !fill())
            return kEof;
        return buf_[pos_++];
    }
    std::span<const unsigned char> peek()
    {
        if (pos_ == end_)
            fill();
        return {buf_.data() + pos_, end_ - pos_};
    }
    void skip(std::size_t n) { pos_ += n; }
    // Up to out.size() bytes; fewer only at the end of the input.
    std::size_t read(std::span<unsigned char> out);
    // A line of at most out.size() - 1 bytes, its LF included when it fits,
    // with a NUL after it; gives its length, 0 at the end of the input.
    std::size_t read_line(std::span<char> out);

    // Writing. After a failed write the stream drops what follows; failed()
    // and error() tell it.
    void put(int c)
    {
        if (text_ && c == '\n')
            put_raw('\r');
        put_raw(static_cast<unsigned char>(c));
        if (unbuffered_)
            flush();
    }
    void write(std::span<const unsigned char> bytes);
    void write(std::string_view text)
    {
        write({reinterpret_cast<const unsigned char*>(text.data()), text.size()});
    }
    void print(const char* format, ...) __attribute__((format(printf, 2, 3)));
    bool flush();

    // 0, or -1 with errno set to the first failure of the stream.
    int close();
    bool failed() const { return error_ != 0; }
    int error() const { return error_; }
    // The length of the open file, -1 when it has none.
    std::int64_t length() const;

private:
    friend bool open_stream(Stream&, const char*, const char*);
    friend Stream& std_in();
    friend Stream& std_out();
    friend Stream& std_err();

    static constexpr std::intptr_t kNoHandle = -1;

    void attach(std::intptr_t handle, bool text, bool writing, bool owned);
    bool fill();
    void put_raw(unsigned char c)
    {
        if (end_ == buf_.size())
            flush();
        buf_[end_++] = c;
    }

    std::intptr_t handle_ = kNoHandle;
    bool text_ = false;
    bool writing_ = false;
    bool owned_ = false;      // closed by close(); the standard streams are not
    bool unbuffered_ = false; // a terminal: every write shows at once
    bool at_end_ = false;     // no more to read: end, error or Ctrl-Z
    bool held_cr_ = false;    // a CR at the end of a block waits for its next byte
    int error_ = 0;
    std::size_t pos_ = 0; // reading: next byte; writing: unused
    std::size_t end_ = 0; // reading: end of decoded bytes; writing: bytes held
    std::array<unsigned char, kStreamBuffer> buf_;
};

// Opens name with "r", "rb", "w" or "wb". "/" and "\" both separate the
// components of the name. A directory cannot be opened. On failure the
// stream stays closed, errno tells why, and the result is false.
bool open_stream(Stream& stream, const char* name, const char* mode);

// The three standard streams, all in text mode. Output and error are written
// at once on a terminal and through a 64 KiB buffer otherwise.
Stream& std_in();
Stream& std_out();
Stream& std_err();

// Decodes a block read in text mode: CR LF becomes LF, a lone CR stays,
// Ctrl-Z and all after it go (stop becomes true). A CR at the very end is
// held back (held_cr becomes true) unless stop, since its next byte decides
// it. The kTextGap bytes before block belong to the same buffer: the result
// starts at block, or, when bytes move, at block - kTextGap.
inline constexpr std::size_t kTextGap = 32;
std::span<unsigned char> decode_text(unsigned char* block, std::size_t len, bool& held_cr,
                                     bool& stop);

} // namespace con
