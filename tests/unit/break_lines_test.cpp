// The wrap engine, fed bytes through real streams on temporary files: the
// output bytes, and the label and counts it shows on standard output.
#include "tools/daverlin/break_lines.h"

#include "runner.h"

#include <cstdio>
#include <fcntl.h>
#include <random>
#include <string>
#include <unistd.h>

namespace {

using e2e::TempDir;

const std::string kLabel = "        < Line";

struct Wrapped {
    std::string out;
    std::string console; // what standard output received
};

// Runs the engine on input with standard output sent to a file for the
// length of the call.
Wrapped wrap(std::string_view input, int limit)
{
    TempDir dir;
    dir.write("in", input);
    con::Stream in;
    con::Stream out;
    EXPECT_TRUE(con::open_stream(in, (dir / "in").c_str(), "rb"));
    EXPECT_TRUE(con::open_stream(out, (dir / "out").c_str(), "wb"));
    con::Stream& console = con::std_out();
    console.flush();
    std::fflush(stdout);
    int saved = dup(1);
    int fd = open((dir / "console").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(fd, 1);
    close(fd);
    daverlin::break_lines(in, out, limit);
    console.flush();
    dup2(saved, 1);
    close(saved);
    in.close();
    EXPECT_EQ(out.close(), 0);
    return {dir.read("out"), dir.read("console")};
}

// The label, then "\r1" up to "\r<lines>".
std::string shown(int lines)
{
    std::string s = kLabel;
    for (int i = 1; i <= lines; i++)
        s += "\r" + std::to_string(i);
    return s;
}

std::string x(std::size_t n) { return std::string(n, 'x'); }

struct Row {
    const char* name;
    int limit;
    std::string in;
    std::string out;
    int lines; // the last count shown
};

TEST(BreakLines, Rules)
{
    using namespace std::string_literals;
    const Row rows[] = {
        // The examples that the rules must reproduce.
        {"empty input", 72, "", "", 0},
        {"no line end at the end", 72, "abc", "abc\r\n", 1},
        {"LF, CR LF and a lone CR", 72, "x\ny\r\nz\rw\n", "x\r\ny\r\nzw\r\n", 3},
        {"carry breaks", 10, "one two three four five six seven\n",
         "one two\r\nthree four\r\nfive six\r\nseven\r\n", 4},
        {"a long word is forced", 5, "abcdefghij\n", "abcdef\r\nghij\r\n", 2},
        {"LF after a forced break", 5, "abcdef\n", "abcdef\r\n\r\n", 2},
        {"space and LF at a full line", 5, "abcde \n", "abcde\r\n\r\n", 2},
        {"space at a full line is dropped", 5, "abcd  efg\n", "abcd \r\nefg\r\n", 2},
        {"a space at index 0 is no break", 5, " abcdefg\n", " abcde\r\nfg\r\n", 2},
        {"# right after a close by a space", 5, "abcde #xyz qq\n", "abcde\r\nxyz qq\r\n", 2},
        {"# line keeps its spaces", 5, "#  keep   this  \r\nnext\n",
         "  keep   this  \r\nnext\r\n", 2},
        {"# after spaces is ordinary", 72, "  #x\n", "  #x\r\n", 1},
        {"# line at the end of the input", 72, "a\n#tail", "a\r\ntail", 1},
        {"# line alone", 72, "#tail", "tail", 0},
        {"a line of only #", 72, "#\n", "\r\n", 1},
        {"tabs are characters", 4, "\t\tab cd\n", "\t\tab\r\ncd\r\n", 2},
        {"2047 and three more", 2047, x(2050) + "\n", x(2048) + "\r\n" + "xx\r\n", 2},
        {"2047 and a space", 2047, x(2047) + " yyy\n", x(2047) + "\r\nyyy\r\n", 2},
        {"Ctrl-Z is a character", 72, "a\x1a" "b\n", "a\x1a" "b\r\n", 1},

        // The rules in their order.
        {"carry break keeps the tail", 5, "ab cdef\n", "ab\r\ncdef\r\n", 2},
        {"run of spaces before a carry break", 6, "ab   cdef\n", "ab  \r\ncdef\r\n", 2},
        {"spaces after a close start the next line", 3, "abc   d\n", "abc\r\n  d\r\n", 2},
        {"# after a carry break is ordinary", 5, "ab cd#ef\n", "ab\r\ncd#ef\r\n", 2},
        {"# after a forced break", 3, "abcd#e  f\n", "abcd\r\ne  f\r\n", 2},
        {"# after a close at the hard bound", 2047, x(2048) + "#z  z\n",
         x(2048) + "\r\nz  z\r\n", 2},
        {"the byte that forces a break may be #", 3, "abc#d\n", "abc#\r\nd\r\n", 2},
        {"no carry at the hard bound", 2047, "a " + x(2045) + "yz\n",
         "a " + x(2045) + "y\r\nz\r\n", 2},
        {"carry break one below the hard bound", 2046, "a " + x(2044) + "yz\n",
         "a\r\n" + x(2044) + "yz\r\n", 2},
        {"limit 1", 1, "a b\nab\n", "a\r\nb\r\nab\r\n\r\n", 4},
        {"a CR takes no position", 3, "abc\r\n", "abc\r\n", 1},
        {"a CR inside a # line", 72, "#a\rb\r\n", "ab\r\n", 1},
        {"a # line is never wrapped", 3, "#" + x(5000) + "\n", x(5000) + "\r\n", 1},
        {"empty lines", 72, "\n\r\n\n", "\r\n\r\n\r\n", 3},
        {"NUL kept at a close", 3, "a\0b c\n"s, "a\0b\r\nc\r\n"s, 2},
        {"NUL kept in a carried tail", 3, "a b\0c\n"s, "a\r\nb\0c\r\n"s, 2},
        {"NUL in a # line", 72, "#\0\0\n"s, "\0\0\r\n"s, 1},
        {"form feed and bytes 128 to 255 are characters", 4, "\f\xe9\xff\x80\n",
         "\f\xe9\xff\x80\r\n", 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Wrapped w = wrap(r.in, r.limit);
        EXPECT_BYTES(w.out, r.out);
        EXPECT_BYTES(w.console, shown(r.lines));
    }
}

// The rules one byte at a time, as plainly as they read; the engine must
// give the same bytes for any input, wherever the stream's blocks end.
std::string one_byte_at_a_time(std::string_view input, int limit, int& lines)
{
    std::string out;
    std::string line;
    int brk = -1;
    bool passing = false;
    lines = 0;
    auto close = [&](char c) {
        out += line;
        if (c != ' ' && c != '\n')
            out += c;
        out += "\r\n";
        lines++;
        line.clear();
        brk = -1;
    };
    for (char c : input) {
        int pos = static_cast<int>(line.size());
        if (c == '\r')
            continue;
        if (passing) {
            if (c == '\n') {
                out += "\r\n";
                lines++;
                passing = false;
            } else {
                out += c;
            }
        } else if (pos == 0 && c == '#') {
            passing = true;
        } else if (c == '\n' || (c == ' ' && pos >= limit) || pos >= 2047) {
            close(c);
        } else if (pos < limit || brk >= 1) {
            if (c == ' ')
                brk = pos;
            line += c;
            if (pos + 1 > limit && brk >= 1) {
                out += line.substr(0, brk) + "\r\n";
                lines++;
                line.erase(0, brk + 1);
                std::size_t space = line.rfind(' ');
                brk = space == std::string::npos ? -1 : static_cast<int>(space);
            }
        } else {
            close(c);
        }
    }
    if (!line.empty())
        close('\n');
    return out;
}

// Text of words, runs of spaces, long words, "#" lines, CR, NUL and tabs,
// in lines from empty to several limits long.
std::string random_text(std::mt19937& gen, std::size_t size, int limit)
{
    std::string s;
    auto pick = [&](int n) { return static_cast<int>(gen() % static_cast<unsigned>(n)); };
    while (s.size() < size) {
        int len = pick(3 * limit + 8);
        if (pick(4) == 0)
            s += '#';
        while (len > 0) {
            int word = pick(pick(10) == 0 ? 2 * limit + 2 : 9) + 1;
            for (int i = 0; i < word; i++) {
                int k = pick(100);
                s += static_cast<char>(k == 0   ? '\0'
                                       : k == 1 ? '\t'
                                       : k == 2 ? '\r'
                                       : k == 3 ? '#'
                                                : 'a' + k % 26);
            }
            s.append(pick(6) == 0 ? pick(4) + 1 : 1, ' ');
            len -= word + 1;
        }
        s += pick(3) == 0 ? "\n" : "\r\n";
    }
    return s;
}

TEST(BreakLines, SameAsOneByteAtATime)
{
    std::mt19937 gen(4);
    for (int limit : {1, 2, 3, 7, 10, 72, 300, 2046, 2047}) {
        // Long enough to cross the stream's buffer a few times, shifted so
        // that its blocks end at different places in the text.
        std::string text = random_text(gen, 3 * con::kStreamBuffer + 1000, limit);
        for (std::size_t shift : {0, 1, 2, 5}) {
            SCOPED_TRACE("limit " + std::to_string(limit) + ", shift " + std::to_string(shift));
            std::string input = text.substr(shift);
            int lines;
            std::string expected = one_byte_at_a_time(input, limit, lines);
            Wrapped w = wrap(input, limit);
            EXPECT_BYTES(w.out, expected);
            EXPECT_TRUE(w.console == shown(lines)) << "the counts shown differ";
        }
    }
}

// The stream hands the engine its bytes in blocks: a CR LF pair, a run of
// a line and a "#" line that the end of a block cuts are one each.
TEST(BreakLines, AcrossTheStreamBuffer)
{
    const std::size_t block = con::kStreamBuffer;
    std::string lines;
    for (std::size_t i = 0; i + 8 <= block - 8; i += 8)
        lines += "abcdefg\n";
    const std::size_t lead = lines.size(); // block - 8
    std::string pair = lines + "1234567\r\n" + "z\n";          // CR last in the block
    std::string run = lines + "abcd ef" + "ghijk lmno\n";       // the run cut at the end
    std::string pass = lines + "#1234 67" + "8 9\r\n" + "q\n";  // a # line across the end
    ASSERT_EQ(lead + 8, block);
    EXPECT_BYTES(wrap(pair, 72).out,
                 wrap(lines, 72).out + "1234567\r\nz\r\n");
    EXPECT_BYTES(wrap(run, 10).out, wrap(lines, 10).out + "abcd\r\nefghijk\r\nlmno\r\n");
    EXPECT_BYTES(wrap(pass, 3).out, wrap(lines, 3).out + "1234 678 9\r\nq\r\n");
}

} // namespace
