// break_lines: the byte rules of the wrapper, applied to runs of bytes at a
// time. A run is what the stream has buffered up to the next CR or LF, cut
// where the line fills; only the byte that arrives at a full line is looked
// at alone, and a whole line that fits is written straight from the input.
// It never joins lines, and holds at most one line at a time.
#include "break_lines.h"

#include <array>
#include <cstring>
#include <string_view>

namespace daverlin {
namespace {

constexpr std::size_t kLineBuffer = 2048;
constexpr std::string_view kLabel = "        < Line";
constexpr std::string_view kLineEnd = "\r\n";

// The line counter kept as the text it shows: "\r" and the digits, counted
// up in place, so that showing it costs one write and no formatting (on a
// console every write goes out at once, so it must be one). Twenty
// digits hold any count a 64-bit counter reaches.
class Counter {
public:
    Counter() { text_.back() = '0'; }
    void step(con::Stream& console)
    {
        std::size_t i = text_.size() - 1;
        while (text_[i] == '9')
            text_[i--] = '0';
        if (i < start_) {
            text_[i] = '1';
            start_ = i;
        } else {
            text_[i]++;
        }
        text_[start_ - 1] = '\r';
        console.write(std::string_view(text_.data() + start_ - 1, text_.size() - start_ + 1));
    }

private:
    std::array<char, 21> text_{};
    std::size_t start_ = text_.size() - 1; // first digit
};

class Wrapper {
public:
    Wrapper(con::Stream& out, con::Stream& console, int limit)
        : out_(out), console_(console), limit_(limit)
    {}

    bool empty() const { return pos_ == 0; }
    bool full() const { return pos_ >= limit_; }
    std::size_t room() const { return static_cast<std::size_t>(limit_ - pos_); }

    // Stores a run of bytes that holds no CR or LF and fits the room left:
    // the last space in it becomes the break position.
    void store(const unsigned char* run, std::size_t n)
    {
        std::memcpy(line_.data() + pos_, run, n);
        if (const void* space = memrchr(run, ' ', n))
            brk_ = pos_ + static_cast<int>(static_cast<const unsigned char*>(space) - run);
        pos_ += static_cast<int>(n);
    }

    // A line of n characters that fits the limit, seen whole in the input
    // and followed there by CR LF (crlf) or LF; the line buffer is empty.
    void whole_line(const unsigned char* line, std::size_t n, bool crlf)
    {
        if (crlf) {
            out_.write({line, n + kLineEnd.size()});
            counter_.step(console_);
            return;
        }
        out_.write({line, n});
        end_line();
    }

    // A byte other than CR or LF that arrives when the line is full. A
    // space closes the line, and so does any byte at the hard bound or on a
    // line without a break point (a forced break, the byte written last);
    // otherwise the byte is stored and the word carried. The hard bound
    // comes first, so at limit 2047 nothing is ever carried.
    void overflow(unsigned char c)
    {
        if (c == ' ' || pos_ >= kHardBound || brk_ < 1) {
            close(c);
            return;
        }
        line_[pos_++] = c;
        carry_break();
    }

    // Writes the line buffer and, unless it is a space or LF, the byte
    // that closed it, then the line end.
    void close(unsigned char c)
    {
        out_.write({line_.data(), static_cast<std::size_t>(pos_)});
        if (c != ' ' && c != '\n')
            out_.put(c);
        end_line();
        pos_ = 0;
        brk_ = -1;
    }

    // The end of the input: a partial line is written with its line end.
    void finish()
    {
        if (pos_ > 0)
            close('\n');
    }

    // Bytes of a pass-through line, written as they come.
    void pass(const unsigned char* bytes, std::size_t n) { out_.write({bytes, n}); }

    void end_line()
    {
        counter_.step(console_);
        out_.write(kLineEnd);
    }

private:
    // Writes the line up to its last space and carries the rest, which
    // holds no space, to the front of the next line.
    void carry_break()
    {
        out_.write({line_.data(), static_cast<std::size_t>(brk_)});
        out_.write(kLineEnd);
        std::size_t tail = static_cast<std::size_t>(pos_ - brk_ - 1);
        std::memcpy(carry_.data(), line_.data() + brk_ + 1, tail);
        std::memcpy(line_.data(), carry_.data(), tail);
        counter_.step(console_);
        const void* space = memrchr(line_.data(), ' ', tail);
        brk_ = space == nullptr
                   ? -1
                   : static_cast<int>(static_cast<const unsigned char*>(space) - line_.data());
        pos_ = static_cast<int>(tail);
    }

    con::Stream& out_;
    con::Stream& console_;
    const int limit_;
    int pos_ = 0;  // characters in the line buffer
    int brk_ = -1; // index of the last space in it; below 1 is no break point
    Counter counter_;
    std::array<unsigned char, kLineBuffer> line_;
    std::array<unsigned char, kLineBuffer> carry_;
};

// The offset of the first c in block from at on, or the block's size.
std::size_t find(std::span<const unsigned char> block, std::size_t at, unsigned char c)
{
    const void* hit = std::memchr(block.data() + at, c, block.size() - at);
    return hit == nullptr
               ? block.size()
               : static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - block.data());
}

} // namespace

void break_lines(con::Stream& in, con::Stream& out, int limit)
{
    con::Stream& console = con::std_out();
    console.write(kLabel);
    Wrapper w(out, console, limit);
    bool passing = false; // inside a line that began with "#"
    for (;;) {
        std::span<const unsigned char> block = in.peek();
        const std::size_t n = block.size();
        if (n == 0)
            break;
        // The next LF and the next CR at or after i; found again only once
        // i has passed them.
        std::size_t lf = find(block, 0, '\n');
        std::size_t cr = find(block, 0, '\r');
        std::size_t i = 0;
        while (i < n) {
            if (lf < i)
                lf = find(block, i, '\n');
            if (cr < i)
                cr = find(block, i, '\r');
            if (passing) {
                std::size_t stop = std::min(lf, cr);
                w.pass(block.data() + i, stop - i);
                i = stop;
                if (i == n)
                    break;
                if (i == lf) {
                    w.end_line();
                    passing = false;
                }
                i++; // the CR or LF
                continue;
            }
            const unsigned char c = block[i];
            if (c == '\r') {
                i++;
            } else if (c == '\n') {
                w.close(c);
                i++;
            } else if (c == '#' && w.empty()) {
                passing = true;
                i++;
            } else if (!w.full()) {
                const std::size_t stop = std::min(lf, cr);
                const std::size_t run = std::min(stop - i, w.room());
                if (w.empty() && run == stop - i && lf < n && (stop == lf || stop + 1 == lf)) {
                    // A whole line that fits needs no holding: it goes out
                    // as it stands, with its own CR LF when it has one.
                    w.whole_line(block.data() + i, run, stop < lf);
                    i = lf + 1;
                } else {
                    w.store(block.data() + i, run);
                    i += run;
                }
            } else {
                w.overflow(c);
                i++;
            }
        }
        in.skip(n);
    }
    w.finish(); // a pass-through line has left the line buffer empty
}

} // namespace daverlin
