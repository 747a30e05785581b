// The console layer's portable parts, fed bytes in memory or small files.
#include "console/decimal.h"
#include "console/key_decode.h"
#include "console/path.h"
#include "console/report.h"
#include "console/stream.h"
#include "console/wildcard.h"

#include "runner.h"

#include <cerrno>
#include <random>
#include <string>

namespace {

using e2e::TempDir;

std::string decode(const std::string& bytes, bool& held, bool& stop)
{
    std::string buf(con::kTextGap, '#');
    buf += bytes;
    auto* block = reinterpret_cast<unsigned char*>(buf.data()) + con::kTextGap;
    std::span<unsigned char> got = con::decode_text(block, bytes.size(), held, stop);
    return std::string(reinterpret_cast<const char*>(got.data()), got.size());
}

// The plain rule, a byte at a time, to hold the block decoder against.
std::string decode_plainly(const std::string& bytes, bool& held, bool& stop)
{
    std::string r;
    held = stop = false;
    for (std::size_t i = 0; i < bytes.size(); i++) {
        if (bytes[i] == 26) {
            stop = true;
            return r;
        }
        if (bytes[i] == '\r' && i + 1 == bytes.size()) {
            held = true;
            return r;
        }
        if (bytes[i] == '\r' && bytes[i + 1] == '\n')
            continue;
        r += bytes[i];
    }
    return r;
}

TEST(TextMode, DecodeBlock)
{
    struct Row {
        const char* in;
        const char* out;
        bool held;
        bool stop;
    } rows[] = {
        {"A\r\nB\rC", "A\nB\rC", false, false},
        {"A\x1a" "B", "A", false, true},
        {"\r\r\n\r", "\r\n", true, false},  // the last CR waits for its next byte
        {"a\r\x1a\r\n", "a\r", false, true}, // a CR before Ctrl-Z is lone
        {"\r\n\r\n", "\n\n", false, false},
        {"", "", false, false},
        {"no cr", "no cr", false, false},
    };
    for (const Row& r : rows) {
        bool held = true, stop = false;
        EXPECT_BYTES(decode(r.in, held, stop), r.out) << r.in;
        EXPECT_EQ(held, r.held) << r.in;
        EXPECT_EQ(stop, r.stop) << r.in;
    }
}

// Text made of the bytes that matter in every position of a 16-byte step:
// runs of CR and LF, CR at a step's end, Ctrl-Z now and then.
std::string random_text(std::mt19937& rng, std::size_t n, bool with_ctrl_z)
{
    static const char kBytes[] = "ab\r\n\r\n \r";
    std::string s;
    for (std::size_t i = 0; i < n; i++)
        s += kBytes[rng() % (sizeof kBytes - 1)];
    if (with_ctrl_z && n > 0 && rng() % 4 == 0)
        s[rng() % n] = 26;
    return s;
}

TEST(TextMode, DecodeMatchesThePlainRule)
{
    std::mt19937 rng(1);
    for (int round = 0; round < 3000; round++) {
        std::string in = random_text(rng, rng() % 200, true);
        bool held = false, stop = false, plain_held, plain_stop;
        std::string want = decode_plainly(in, plain_held, plain_stop);
        EXPECT_BYTES(decode(in, held, stop), want);
        EXPECT_EQ(held, plain_held);
        EXPECT_EQ(stop, plain_stop);
    }
}

TEST(TextMode, EncodeMatchesThePlainRule)
{
    TempDir dir;
    std::mt19937 rng(2);
    for (int round = 0; round < 20; round++) {
        std::string want;
        {
            con::Stream s;
            ASSERT_TRUE(con::open_stream(s, (dir / "t").c_str(), "w"));
            // Pieces of every size, so that steps meet the end of the input
            // and of the buffer at every offset.
            std::size_t total = 0;
            while (total < 3 * con::kStreamBuffer / 2) {
                std::string piece = random_text(rng, rng() % 100, false);
                s.write(piece);
                total += piece.size();
                for (char c : piece)
                    want += c == '\n' ? std::string("\r\n") : std::string(1, c);
            }
            ASSERT_EQ(s.close(), 0);
        }
        EXPECT_BYTES(dir.read("t"), want);
    }
}

std::string read_all(const std::string& path, const char* mode)
{
    con::Stream s;
    EXPECT_TRUE(con::open_stream(s, path.c_str(), mode));
    std::string r;
    for (int c; (c = s.get()) != con::kEof;)
        r += static_cast<char>(c);
    return r;
}

// A CR LF pair split by the end of the stream's buffer still reads as LF,
// and a lone CR there stays a CR.
TEST(TextMode, ReadAcrossBufferBoundary)
{
    TempDir dir;
    std::string fill(con::kStreamBuffer - 1, 'x');
    dir.write("pair", fill + "\r\nB");
    dir.write("lone", fill + "\rB");
    dir.write("last", fill + "\r");
    EXPECT_BYTES(read_all(dir / "pair", "r"), fill + "\nB");
    EXPECT_BYTES(read_all(dir / "lone", "r"), fill + "\rB");
    EXPECT_BYTES(read_all(dir / "last", "r"), fill + "\r");
    EXPECT_BYTES(read_all(dir / "pair", "rb"), fill + "\r\nB");
}

TEST(TextMode, ReadStopsAtCtrlZ)
{
    TempDir dir;
    dir.write("f", "A\r\nB\rC\x1a" "D\r\n");
    EXPECT_BYTES(read_all(dir / "f", "r"), "A\nB\rC");
    EXPECT_BYTES(read_all(dir / "f", "rb"), "A\r\nB\rC\x1a" "D\r\n");
}

TEST(TextMode, WriteAcrossBufferBoundary)
{
    TempDir dir;
    std::string fill(con::kStreamBuffer - 1, 'x');
    {
        con::Stream s;
        ASSERT_TRUE(con::open_stream(s, (dir / "t").c_str(), "w"));
        s.write(fill);
        s.put('\n'); // needs two bytes where one is left
        s.write("a\nb\r");
        s.print("%d\n", 42);
        EXPECT_EQ(s.close(), 0);
    }
    EXPECT_BYTES(dir.read("t"), fill + "\r\na\r\nb\r42\r\n");
    {
        con::Stream s;
        ASSERT_TRUE(con::open_stream(s, (dir / "b").c_str(), "wb"));
        s.write("a\nb\n");
    } // closed on the way out
    EXPECT_BYTES(dir.read("b"), "a\nb\n");
}

TEST(Stream, BlocksAndLines)
{
    TempDir dir;
    dir.write("f", "one\r\ntwo\r\nthree-long-line");
    con::Stream s;
    ASSERT_TRUE(con::open_stream(s, (dir / "f").c_str(), "r"));
    EXPECT_EQ(s.length(), 25);
    char line[8];
    EXPECT_EQ(s.read_line(line), 4u);
    EXPECT_STREQ(line, "one\n");
    unsigned char two[3];
    EXPECT_EQ(s.read(two), 3u);
    EXPECT_EQ(s.get(), '\n');
    EXPECT_EQ(s.read_line(line), 7u); // cut at the buffer's size
    EXPECT_STREQ(line, "three-l");
    EXPECT_EQ(s.read_line(line), 7u);
    EXPECT_EQ(s.read_line(line), 1u);
    EXPECT_EQ(s.read_line(line), 0u);
    EXPECT_EQ(s.get(), con::kEof);
}

TEST(Stream, OpenFailures)
{
    TempDir dir;
    dir.mkdir("d");
    dir.write("f", "x");
    con::Stream s;
    struct Row {
        std::string name;
        const char* mode;
        int error;
    } rows[] = {
        {dir / "missing", "r", ENOENT},
        {dir / "d", "r", EISDIR},
        {dir / "d", "rb", EISDIR},
        {dir / "d", "w", EISDIR},
        {dir / "no/such/dir", "w", ENOENT},
        {"", "r", ENOENT},
        {std::string(con::kPathMax + 1, 'a'), "r", ENAMETOOLONG},
    };
    for (const Row& r : rows) {
        errno = 0;
        EXPECT_FALSE(con::open_stream(s, r.name.c_str(), r.mode)) << r.name;
        EXPECT_EQ(errno, r.error) << r.name;
        EXPECT_FALSE(s.is_open());
    }
    // Both separators work in a name.
    dir.write("d/in", "y");
    EXPECT_BYTES(read_all(dir.path() + "\\d\\in", "rb"), "y");
}

TEST(Stream, FailedWriteIsKept)
{
    con::Stream s;
    ASSERT_TRUE(con::open_stream(s, "/dev/full", "wb"));
    s.write("some bytes");
    EXPECT_FALSE(s.flush());
    EXPECT_TRUE(s.failed());
    EXPECT_EQ(s.error(), ENOSPC);
    EXPECT_EQ(s.close(), -1);
    EXPECT_EQ(errno, ENOSPC);
}

TEST(Path, Split)
{
    struct Row {
        const char* path;
        const char* dir;
        const char* base;
        const char* ext;
    } rows[] = {
        {"a\\b\\*.txt", "a\\b\\", "*", ".txt"},
        {"a/b/c", "a/b/", "c", ""},
        {"*.*", "", "*", ".*"},
        {"dir.x/name", "dir.x/", "name", ""},
        {"archive.tar.gz", "", "archive.tar", ".gz"},
        {"/", "/", "", ""},
        {".hidden", "", "", ".hidden"},
        {"c:x.txt", "", "c:x", ".txt"}, // no drive letters on this platform
        {"", "", "", ""},
    };
    for (const Row& r : rows) {
        con::PathParts p;
        ASSERT_TRUE(con::split_path(r.path, p)) << r.path;
        EXPECT_STREQ(p.drive, "") << r.path;
        EXPECT_STREQ(p.dir, r.dir) << r.path;
        EXPECT_STREQ(p.base, r.base) << r.path;
        EXPECT_STREQ(p.ext, r.ext) << r.path;
    }
    con::PathParts p;
    EXPECT_FALSE(con::split_path(std::string(con::kPathMax + 1, 'a').c_str(), p));
    EXPECT_TRUE(con::split_path((std::string(con::kNameMax, 'a') + "/").c_str(), p));
    std::string longest;
    while (longest.size() < con::kPathMax)
        longest += longest.size() + 1 < con::kPathMax ? "a/" : "a";
    EXPECT_TRUE(con::split_path(longest.c_str(), p));
    EXPECT_FALSE(con::split_path((std::string(con::kNameMax + 1, 'a') + "/b").c_str(), p));
    EXPECT_FALSE(con::split_path(("d\\" + std::string(con::kNameMax + 1, 'a')).c_str(), p));
}

TEST(Path, Join)
{
    char out[16];
    EXPECT_TRUE(con::join_path(out, "", "a\\b\\", "x.txt"));
    EXPECT_STREQ(out, "a\\b\\x.txt");
    EXPECT_TRUE(con::join_path(out, "", "", "name"));
    EXPECT_STREQ(out, "name");
    EXPECT_TRUE(con::join_path(out, "", "12345678", "1234567")); // 15 fit
    EXPECT_FALSE(con::join_path(out, "", "12345678", "12345678"));
    EXPECT_STREQ(out, "");
}

TEST(Wildcard, Match)
{
    struct Row {
        const char* pattern;
        const char* name;
        bool match;
    } rows[] = {
        {"*.*", "a.txt", true},  {"*.*", "noext", true},   {"*.*", ".", true},
        {"*.*", "..", true},     {"*", "", true},          {"*.txt", "a.txt", true},
        {"*.txt", "a.TXT", false}, {"*.txt", "a.txt.bak", false}, {"a?c", "abc", true},
        {"a?c", "ac", false},    {"a*b*c", "aXbYc", true}, {"a*b*c", "aXbY", false},
        {"*aab", "aaaab", true}, {"x.*", "x", true},       {"x.*", "xy", false},
        {"name", "name", true},  {"name", "Name", false},  {"??", "ab", true},
        {"??", "abc", false},    {"*.", "a.", true},       {"*.", "a", false},
        {".*", ".profile", true}, {"[a]", "[a]", true},
    };
    for (const Row& r : rows)
        EXPECT_EQ(con::wildcard_match(r.pattern, r.name), r.match)
            << r.pattern << " ~ " << r.name;
}

TEST(Decimal, LeadingDigits)
{
    struct Row {
        const char* text;
        std::int64_t value;
    } rows[] = {
        {"72", 72},   {"  +12x", 12}, {"-5", -5},       {"04", 4},   {"4x", 4},
        {"x", 0},     {"", 0},        {"\t\n 7", 7},    {"+", 0},    {"- 3", 0},
        {"12.5", 12}, {"2048", 2048}, {"99999999999999999999", INT64_MAX},
        {"-99999999999999999999", INT64_MIN},
    };
    for (const Row& r : rows)
        EXPECT_EQ(con::read_decimal(r.text), r.value) << r.text;
}

std::string decode_keys(std::string bytes, bool complete)
{
    std::string r;
    std::span<const unsigned char> left{reinterpret_cast<const unsigned char*>(bytes.data()),
                                        bytes.size()};
    bool inside = false;
    while (!left.empty()) {
        con::KeyCodes key;
        std::size_t used = con::decode_key(left, complete, key, inside);
        if (used == 0)
            return r + "|more";
        for (int i = 0; i < key.count; i++)
            r += (r.empty() ? "" : ",") + std::to_string(key.code[i]);
        if (key.count == 0)
            r += r.empty() ? "-" : ",-";
        left = left.subspan(used);
    }
    return r;
}

TEST(Keys, Decode)
{
    struct Row {
        std::string bytes;
        bool complete;
        const char* codes;
    } rows[] = {
        {"y", false, "121"},
        {std::string("\0", 1), false, "0,3"}, // Ctrl-@: never a lone lead code
        {"\r", false, "13"},
        {"\x1b[A", false, "224,72"},     {"\x1b[B", false, "224,80"},
        {"\x1b[C", false, "224,77"},     {"\x1b[D", false, "224,75"},
        {"\x1b[H", false, "224,71"},     {"\x1b[1~", false, "224,71"},
        {"\x1b[F", false, "224,79"},     {"\x1b[4~", false, "224,79"},
        {"\x1b[2~", false, "224,82"},    {"\x1b[3~", false, "224,83"},
        {"\x1b[5~", false, "224,73"},    {"\x1b[6~", false, "224,81"},
        {"\x1bOP", false, "0,59"},       {"\x1bOS", false, "0,62"},
        {"\x1b[11~", false, "0,59"},     {"\x1b[14~", false, "0,62"},
        {"\x1b[15~", false, "0,63"},     {"\x1b[17~", false, "0,64"},
        {"\x1b[21~", false, "0,68"},     {"\x1b[23~", false, "224,133"},
        {"\x1b[24~", false, "224,134"},
        {"\x1b", false, "|more"},        {"\x1b", true, "27"},
        {"\x1b[", false, "|more"},       {"\x1b[1", true, "-"},
        {"\x1b[1;5A", false, "-"},       // a modified key: none of ours
        {"\x1b[99~x", false, "-,120"},   // unknown, taken whole
        {"\x1bx", false, "27,120"},      {"\x1b\x1b[A", false, "27,224,72"},
        {"\x1b[1\x01", false, "-,1"},    // broken off by a control byte
        {"\x1b[11111111111111111111~x", false, "-,-,120"}, // long: all of it taken
        {"\x1b[1111111111111111111111111111111111111\x01", false, "-,-,1"},
        {"a\x1bOPb", false, "97,0,59,98"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(decode_keys(r.bytes, r.complete), r.codes) << "row " << (&r - rows);
}

} // namespace
