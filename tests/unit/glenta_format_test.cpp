// glenta's number format: which texts parse, and the rendering of every
// accepted shape against the C library's own, plus streamed padding.
#include "tools/glenta/format.h"

#include "runner.h"

#include <climits>
#include <cstdio>
#include <string>

namespace {

using e2e::TempDir;
using glenta::Format;

TEST(GlentaFormat, Accepted)
{
    struct Row {
        std::string text;
        bool converts;
        char conversion;
        int width;
        int precision;
        std::string before, after;
    } rows[] = {
        {"%-8ld", true, 'd', 8, -1, "", ""},
        {"%d", true, 'd', 0, -1, "", ""},
        {"%i", true, 'i', 0, -1, "", ""},
        {"%lo", true, 'o', 0, -1, "", ""},
        {"%u", true, 'u', 0, -1, "", ""},
        {"%lx", true, 'x', 0, -1, "", ""},
        {"%X", true, 'X', 0, -1, "", ""},
        {"%.d", true, 'd', 0, 0, "", ""},
        {"%.0007d", true, 'd', 0, 7, "", ""},
        {"%-+ #0012.3lX", true, 'X', 12, 3, "", ""},
        {"%--++5d", true, 'd', 5, -1, "", ""},
        {"%2147483647.2147483647d", true, 'd', INT_MAX, INT_MAX, "", ""},
        {"no: %5d: ", true, 'd', 5, -1, "no: ", ": "},
        {"%%%d%%", true, 'd', 0, -1, "%%", "%%"},
        {"%%d", false, 'd', 0, -1, "", "%%d"},
        {"%%", false, 'd', 0, -1, "", "%%"},
        {"%% %%%%", false, 'd', 0, -1, "", "%% %%%%"},
        {"line\n", false, 'd', 0, -1, "", "line\n"},
        {"", false, 'd', 0, -1, "", ""},
        {std::string(200, 'x') + "%d" + std::string(50, 'y'), true, 'd', 0, -1,
         std::string(200, 'x'), std::string(50, 'y')},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        Format f;
        ASSERT_TRUE(glenta::parse_format(r.text, f));
        EXPECT_EQ(f.converts, r.converts);
        EXPECT_EQ(f.conversion, r.conversion);
        EXPECT_EQ(f.width, r.width);
        EXPECT_EQ(f.precision, r.precision);
        EXPECT_EQ(f.before, r.before);
        EXPECT_EQ(f.after, r.after);
    }
}

TEST(GlentaFormat, Refused)
{
    const char* rows[] = {
        // Conversions that would read another argument or write memory.
        "%s", "%c", "%n", "%p", "%ls", "%lc", "%ln", "%m", "%S", "%C",
        "%f", "%e", "%E", "%g", "%G", "%a", "%A", "%lf",
        // Lengths other than l.
        "%hd", "%hhd", "%lld", "%zd", "%jd", "%td", "%Ld", "%qd", "%I64d", "%lhd",
        // Widths and precisions from the arguments, or too large.
        "%*d", "%-*d", "%.*d", "%5.*d", "%1$d", "%2147483648d", "%.2147483648d",
        "%99999999999999999999d", "%.99999999999999999999d",
        // Flags outside the five, and a second conversion.
        "%'d", "%Id", "%d%d", "%d %x", "%%%d%d", "%d%%%s",
        // Unfinished conversions.
        "%", "abc%", "%-", "%5", "%5.", "%5.3", "%l", "%-08.3l", "%%%", "%5%", "%-%",
    };
    for (const char* text : rows) {
        Format f;
        EXPECT_FALSE(glenta::parse_format(text, f)) << text;
    }
}

// Expands a layout into its bytes.
std::string shown(const glenta::Number& n)
{
    return std::string(static_cast<std::size_t>(n.lead_spaces), ' ') +
           std::string(n.prefix, static_cast<std::size_t>(n.prefix_len)) +
           std::string(static_cast<std::size_t>(n.zeros), '0') +
           std::string(n.digits, static_cast<std::size_t>(n.digits_len)) +
           std::string(static_cast<std::size_t>(n.trail_spaces), ' ');
}

// Every accepted shape with small fields, against snprintf given the same
// text. The texts are made here from the allowed pieces only, so none of
// them can make snprintf read past its one argument. "#" with d, i and u
// means nothing and is left out here (the C library need not ignore it).
TEST(GlentaFormat, MatchesTheCLibrary)
{
    const std::string flag_chars = "-+ #0";
    const char* widths[] = {"", "1", "5", "12"};
    const char* precisions[] = {"", ".", ".0", ".1", ".3", ".12"};
    const char conversions[] = {'d', 'i', 'o', 'u', 'x', 'X'};
    const std::int32_t values[] = {0,     1,     7,        8,       10,      255,     4096,
                                   65535, 70000, 12345678, INT_MAX, -1,      -8,      -4096,
                                   -123456789,   INT_MIN};
    int compared = 0;
    for (unsigned set = 0; set < 32; set++) {
        std::string flags;
        for (unsigned b = 0; b < 5; b++)
            if (set & (1u << b))
                flags += flag_chars[b];
        for (const char* w : widths)
            for (const char* p : precisions)
                for (char c : conversions) {
                    bool signed_conversion = c == 'd' || c == 'i';
                    if ((set & 8) && (signed_conversion || c == 'u'))
                        continue;
                    std::string text = "%" + flags + w + p + c;
                    std::string with_l = "%" + flags + w + p + "l" + c;
                    Format f, fl;
                    ASSERT_TRUE(glenta::parse_format(text, f)) << text;
                    ASSERT_TRUE(glenta::parse_format(with_l, fl)) << with_l;
                    for (std::int32_t v : values) {
                        char expected[64];
                        if (signed_conversion)
                            std::snprintf(expected, sizeof expected, text.c_str(), v);
                        else
                            std::snprintf(expected, sizeof expected, text.c_str(),
                                          static_cast<unsigned>(v));
                        ASSERT_EQ(shown(glenta::lay_out(f, v)), expected) << text << " " << v;
                        // The value is 32 bits with or without l.
                        ASSERT_EQ(shown(glenta::lay_out(fl, v)), expected) << with_l << " " << v;
                        compared++;
                    }
                }
    }
    EXPECT_GT(compared, 0);
}

TEST(GlentaFormat, HashIgnoredWhereItMeansNothing)
{
    struct Pair {
        const char* with;
        const char* without;
    } pairs[] = {{"%#5d", "%5d"}, {"%#i", "%i"}, {"%#-6.3u", "%-6.3u"}};
    for (const Pair& p : pairs) {
        Format with, without;
        ASSERT_TRUE(glenta::parse_format(p.with, with));
        ASSERT_TRUE(glenta::parse_format(p.without, without));
        for (std::int32_t v : {0, 42, -42})
            EXPECT_EQ(shown(glenta::lay_out(with, v)), shown(glenta::lay_out(without, v)))
                << p.with << " " << v;
    }
}

// Writes through the real stream to a binary file and reads it back.
std::string written(const std::string& text, std::int32_t value)
{
    TempDir dir;
    Format f;
    EXPECT_TRUE(glenta::parse_format(text, f)) << text;
    {
        con::Stream s;
        EXPECT_TRUE(con::open_stream(s, (dir / "out").c_str(), "wb"));
        glenta::write_number(s, f, value);
        EXPECT_EQ(s.close(), 0);
    }
    return dir.read("out");
}

TEST(GlentaFormat, WritesLiteralsAndNumber)
{
    EXPECT_BYTES(written("%-8ld", 1), "1       ");
    EXPECT_BYTES(written("%-8ld", 12345678), "12345678");
    EXPECT_BYTES(written("%-8ld", 123456789), "123456789");
    EXPECT_BYTES(written("[%%%5d%%] ", 42), "[%   42%] ");
    EXPECT_BYTES(written("%%d %% x", 42), "%d % x");
    EXPECT_BYTES(written("no number", 42), "no number");
    EXPECT_BYTES(written("%#x|", 255), "0xff|");
    EXPECT_BYTES(written("%#o|", 8), "010|");
    std::string long_text = std::string(150, 'a') + "%05d" + std::string(150, 'b');
    EXPECT_BYTES(written(long_text, 7), std::string(150, 'a') + "00007" + std::string(150, 'b'));
}

// Fields far larger than any buffer of the writer come out whole.
TEST(GlentaFormat, LargeFieldsAreStreamed)
{
    const int big = 3 * static_cast<int>(con::kStreamBuffer) + 17;
    const std::string n = std::to_string(big);
    EXPECT_BYTES(written("<%" + n + "d>", -5), "<" + std::string(big - 2, ' ') + "-5>");
    EXPECT_BYTES(written("<%-" + n + "x>", 255), "<ff" + std::string(big - 2, ' ') + ">");
    EXPECT_BYTES(written("<%0" + n + "d>", -5), "<-" + std::string(big - 2, '0') + "5>");
    EXPECT_BYTES(written("<%." + n + "u>", 5), "<" + std::string(big - 1, '0') + "5>");
    EXPECT_BYTES(written("<%+8." + n + "d>", 5), "<+" + std::string(big - 1, '0') + "5>");
}

} // namespace
