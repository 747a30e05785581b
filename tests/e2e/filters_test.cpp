// The seven stream filters end to end: each rule's cases as exact bytes from
// a named file and from standard input, the frame's choice of input and
// arguments, write failures, and a pipeline of three filters.
#include "runner.h"

#include <cstdio>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

using namespace std::string_literals;
using e2e::Case;
using e2e::Options;
using e2e::TempDir;

const char* const kFilters[] = {"glenta", "harvow", "jarnic", "kelbo", "luvask", "nembo", "oskrat"};
// The filters that take their first argument, unchanged, as the file.
const char* const kFirstArgument[] = {"harvow", "jarnic", "kelbo", "nembo", "oskrat"};

// One case of a rule. From a named file the input is the file "in", named
// after args, while standard input holds bytes that must not be read; from
// standard input there is no file. stdin_out is the output from standard
// input where it differs (text mode there, binary mode for the file).
struct Row {
    const char* name;
    std::vector<std::string> args;
    std::string input;
    std::string out;
    std::optional<std::string> stdin_out = std::nullopt;
};

void check_rows(const char* tool, const std::vector<Row>& rows)
{
    for (const Row& r : rows) {
        std::string file_name = std::string(r.name) + " (file)";
        std::vector<std::string> args = r.args;
        args.push_back("in");
        e2e::check(tool, {file_name.c_str(), args, {{"in", r.input}}, "NOT READ\n", r.out, "", 0});
        std::string stdin_name = std::string(r.name) + " (stdin)";
        e2e::check(tool, {stdin_name.c_str(), r.args, {}, r.input, r.stdin_out.value_or(r.out),
                          "", 0});
    }
}

// What each filter makes of the bytes "Ab\tc\n", the input of the frame's
// cases below.
std::string frame_out(const std::string& tool)
{
    if (tool == "glenta")
        return "1       Ab\tc\r\n";
    if (tool == "kelbo")
        return "AB\tC\r\n";
    if (tool == "nembo")
        return "ab\tc\r\n";
    if (tool == "luvask")
        return "Ab      c\r\n";
    return "Ab\tc\r\n";
}

const std::string kFrameIn = "Ab\tc\n";

TEST(Frame, ChoiceOfInput)
{
    const std::string too_long(5000, 'n');
    for (const char* tool : kFilters) {
        SCOPED_TRACE(tool);
        const std::string out = frame_out(tool);
        const Case cases[] = {
            {"no argument reads stdin", {}, {}, kFrameIn, out, "", 0},
            {"a named file", {"f"}, {{"f", kFrameIn}}, "x", out, "", 0},
            {"a missing file falls back to stdin", {"missing"}, {}, kFrameIn, out, "", 0},
            {"a directory falls back to stdin", {"d"}, {{"d/x", "x"}}, kFrameIn, out, "", 0},
            {"a name past the path limit falls back to stdin", {too_long}, {}, kFrameIn, out,
             "", 0},
            {"an empty stdin gives nothing", {"missing"}, {}, "", "", "", 0},
            {"CR LF of a file read as text", {"f"}, {{"f", "Ab\tc\r\n"}}, "", out, "", 0},
        };
        for (const Case& c : cases)
            e2e::check(tool, c);
    }
}

// A path longer than 259 characters is still within this platform's limit.
TEST(Frame, LongPathOpens)
{
    const std::string dir(200, 'd');
    const std::string name = dir + "/" + std::string(150, 'f');
    for (const char* tool : kFilters)
        e2e::check(tool, {tool, {name}, {{name, kFrameIn}}, "x", frame_out(tool), "", 0});
}

TEST(Frame, FirstArgumentIsTheFile)
{
    for (const char* tool : kFirstArgument) {
        SCOPED_TRACE(tool);
        const std::string out = frame_out(tool);
        const Case cases[] = {
            {"12 is a file name", {"12"}, {{"12", kFrameIn}}, "x", out, "", 0},
            {"-5 is a file name", {"-5"}, {{"-5", kFrameIn}}, "x", out, "", 0},
            {"% is a file name", {"%d"}, {{"%d", kFrameIn}}, "x", out, "", 0},
            {"further arguments are ignored", {"f", "g", "-x"}, {{"f", kFrameIn}, {"g", "g"}}, "x",
             out, "", 0},
            {"an empty first argument reads stdin", {"", "f"}, {{"f", "f"}}, kFrameIn, out, "",
             0},
            {"a missing first file reads stdin, not the second", {"missing", "f"}, {{"f", "f"}},
             kFrameIn, out, "", 0},
        };
        for (const Case& c : cases)
            e2e::check(tool, c);
    }
}

// glenta and luvask: the first non-empty file argument names the input,
// whatever comes before or after it.
TEST(Frame, FileArgumentsOfGlentaAndLuvask)
{
    for (const char* tool : {"glenta", "luvask"}) {
        SCOPED_TRACE(tool);
        const std::string out = frame_out(tool);
        const Case cases[] = {
            {"0 is a file name", {"0"}, {{"0", kFrameIn}}, "x", out, "", 0},
            {"-5 is a file name", {"-5"}, {{"-5", kFrameIn}}, "x", out, "", 0},
            {"an empty argument names nothing", {"", "f"}, {{"f", kFrameIn}}, "x", out, "", 0},
            {"the second file argument is ignored", {"f", "g"}, {{"f", kFrameIn}, {"g", "g"}},
             "x", out, "", 0},
            {"a missing first file reads stdin, not the second", {"missing", "f"}, {{"f", "f"}},
             kFrameIn, out, "", 0},
        };
        for (const Case& c : cases)
            e2e::check(tool, c);
    }
}

TEST(Frame, WriteFailureIsReported)
{
    for (const char* tool : kFilters) {
        SCOPED_TRACE(tool);
        Options o;
        o.input = kFrameIn;
        o.stdout_file = "/dev/full";
        e2e::Result r = e2e::run(tool, o);
        EXPECT_BYTES(r.out, "");
        EXPECT_BYTES(r.err, "stdout: No space left on device\r\n");
        EXPECT_EQ(r.status, 1);
    }
}

// Runs a shell command line; gives what it wrote to its standard output and
// its exit status.
std::pair<std::string, int> shell(const std::string& command);

// A failed read ends the input like its end, but it is told, under the
// file's name or "stdin", and the status is 1: the output is short.
TEST(Frame, ReadFailureIsReported)
{
    for (const char* tool : kFilters) {
        SCOPED_TRACE(tool);
        // Reading this file at its start fails with EIO.
        e2e::check(tool, {"a file that fails", {"/proc/self/mem"}, {}, "x", "",
                          "/proc/self/mem: Input/output error\r\n", 1});
        auto [err, status] = shell("'" + e2e::tool_path(tool) + "' 2>&1 </");
        EXPECT_BYTES(err, "stdin: Is a directory\r\n");
        EXPECT_EQ(status, 1);
    }
}

std::pair<std::string, int> shell(const std::string& command)
{
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (p == nullptr) {
        ADD_FAILURE() << "popen failed";
        return {out, -1};
    }
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
        out.append(buf, n);
    int status = pclose(p);
    return {out, WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)};
}

// A failed write ends the copy: with input that never ends, the run still
// does, reporting the failure once.
TEST(Frame, WriteFailureEndsEndlessInput)
{
    for (const char* tool : kFilters) {
        SCOPED_TRACE(tool);
        auto [err, status] = shell("yes 'Ab\tc' 2>/dev/null | timeout 10 '" +
                                   e2e::tool_path(tool) + "' 2>&1 >/dev/full");
        EXPECT_BYTES(err, "stdout: No space left on device\r\n");
        EXPECT_EQ(status, 1);
    }
}

TEST(Frame, BrokenPipeEndsQuietly)
{
    for (const char* tool : kFilters) {
        SCOPED_TRACE(tool);
        Options o;
        o.args = {"big"};
        o.stdout_broken = true;
        TempDir dir;
        dir.write("big", std::string(1 << 20, 'a') + "\n");
        o.cwd = dir.path();
        e2e::Result r = e2e::run(tool, o);
        EXPECT_EQ(r.status, 128 + SIGPIPE);
        EXPECT_BYTES(r.err, "");
    }
}

TEST(Glenta, Numbering)
{
    check_rows("glenta", {
        {"empty input", {}, "", ""},
        {"a last line without LF is numbered", {}, "a\nb", "1       a\r\n2       b"},
        {"empty lines are numbered", {}, "\n\n", "1       \r\n2       \r\n"},
        {"nothing after the last LF", {}, "a\n", "1       a\r\n"},
        {"a lone CR is an ordinary byte", {}, "a\rb\n\r", "1       a\rb\r\n2       \r"},
        {"CR LF is one line end", {}, "a\r\nb\r\n", "1       a\r\n2       b\r\n"},
        {"Ctrl-Z ends the input", {}, "a\nb\x1a" "c\nd\n", "1       a\r\n2       b"},
        {"an 8-digit number has no padding", {"9999999"}, "a\nb\n",
         "9999999 a\r\n19999998b\r\n"},
        {"step and format", {"%-4ld", "5"}, "a\nb\nc\n", "5   a\r\n10  b\r\n15  c\r\n"},
        {"the later format counts", {"%4ld", "%6ld"}, "a\n", "     1a\r\n"},
        {"the later step counts", {"3", "7"}, "a\nb\nc\n",
         "7       a\r\n14      b\r\n21      c\r\n"},
        {"step 12", {"12"}, "a\nb\n", "12      a\r\n24      b\r\n"},
        {"step 3x reads 3", {"3x"}, "a\nb\n", "3       a\r\n6       b\r\n"},
        {"step 12.5 reads 12", {"12.5"}, "a\n", "12      a\r\n"},
        {"a step past 32 bits stands at the top; the number wraps", {"99999999999"}, "a\nb\n",
         "2147483647a\r\n-2      b\r\n"},
        {"arguments in any order", {"2", "%03d:"}, "a\nb\n", "002:a\r\n004:b\r\n"},
        {"a format without a conversion", {"%%> "}, "a\nb", "%> a\r\n%> b"},
        {"an LF in the format starts no line", {"%d\n"}, "a\nb", "1\r\na\r\n2\r\nb"},
        {"hex with flags and precision", {"%#6.3lx|%%]"}, "a\n", " 0x001|%]a\r\n"},
        {"octal", {"%#o "}, "a\nb\n", "01 a\r\n02 b\r\n"},
    });
}

// Formats that are not of the allowed shape all fall back to "%-8ld".
TEST(Glenta, HostileFormatsFallBack)
{
    const char* formats[] = {
        "%s", "%n", "%c", "%p", "%f", "%e", "%g", "%a", "%ls", "%S",
        "%hd", "%hhd", "%lld", "%zd", "%jd", "%Ld", "%I64d",
        "%*d", "%.*d", "%1$d", "%2147483648d", "%.2147483648d", "%99999999999999999999999d",
        "%d%d", "%d %s", "%s%n%n%n", "%", "%-", "%5", "%5.", "%l", "%5%", "%'d",
    };
    for (const char* f : formats)
        e2e::check("glenta", {f, {f}, {}, "a\nb", "1       a\r\n2       b", "", 0});
    const Case cases[] = {
        {"a later bad format replaces a good one", {"%4d", "%s"}, {}, "a\n", "1       a\r\n", "",
         0},
        {"a later good format replaces a bad one", {"%s", "%4d"}, {}, "a\n", "   1a\r\n", "", 0},
        {"the widest field allowed", {"%2147483647d"}, {}, "", "", "", 0},
        {"an argument not starting with % names a file", {"[%d]"}, {{"[%d]", "f\n"}}, "a\n",
         "1       f\r\n", "", 0},
    };
    for (const Case& c : cases)
        e2e::check("glenta", c);
}

TEST(Glenta, LongFormatsAndFields)
{
    const std::string text(300, 't');
    e2e::check("glenta", {"a format of 300 characters is used whole", {"%d" + text}, {}, "a\n",
                          "1" + text + "a\r\n", "", 0});
    e2e::check("glenta", {"a field of 100000 columns", {"%-100000d|"}, {}, "a\nb",
                          "1" + std::string(99999, ' ') + "|a\r\n2" + std::string(99999, ' ') +
                              "|b",
                          "", 0});
    e2e::check("glenta", {"a precision of 100000 digits", {"%.100000d"}, {}, "a\n",
                          std::string(99999, '0') + "1a\r\n", "", 0});
}

// Lines that cross the end of the input's 64 KiB block.
TEST(Glenta, LinesAcrossBlocks)
{
    const std::string a(65535, 'a');
    e2e::check("glenta", {"LF as the block's last byte", {"in"}, {{"in", a + "\nb\n"}}, "",
                          "1       " + a + "\r\n2       b\r\n", "", 0});
    e2e::check("glenta", {"a line across the block", {"in"}, {{"in", a + "bc\nd"}}, "",
                          "1       " + a + "bc\r\n2       d", "", 0});
}

TEST(Harvow, Squeezing)
{
    check_rows("harvow", {
        {"empty input", {}, "", ""},
        {"four LFs leave as two", {}, "a\n\n\n\nb", "a\r\n\r\nb"},
        {"one empty line passes", {}, "a\n\nb", "a\r\n\r\nb"},
        {"two empty lines at the start", {}, "\n\n\na", "\r\n\r\na"},
        {"a lone CR goes", {}, "a\rb", "ab"},
        {"a line of a space breaks a run", {}, "a\n \n\n\nb", "a\r\n \r\n\r\nb"},
        {"a run at the end", {}, "a\n\n\n", "a\r\n\r\n"},
        {"CR LF pairs are line ends", {}, "a\r\n\r\n\r\n\r\nb\r\n", "a\r\n\r\nb\r\n"},
        {"lone CRs do not break a run", {}, "a\n\r\r\n\r\r\nb", "a\r\n\r\nb"},
        {"Ctrl-Z ends the input", {}, "a\n\x1a\n\nb", "a\r\n"},
    });
}

// A run of LFs at every place within a long text, which is scanned many
// bytes at a time.
TEST(Harvow, RunsAnywhere)
{
    const std::string tail(70, 'y');
    for (std::size_t at = 0; at < 70; at++) {
        SCOPED_TRACE(at);
        std::string head(at, 'x');
        e2e::check("harvow", {"run", {}, {}, head + "\n\n\n\n" + tail + "\n\n\n" + tail,
                              head + "\r\n\r\n" + tail + "\r\n\r\n" + tail, "", 0});
    }
}

// Runs of LFs across the end of the input's first block, with and without a
// CR in that block.
TEST(Harvow, RunsAcrossBlocks)
{
    for (std::size_t before : {65533u, 65534u, 65535u, 65536u}) {
        for (const char* start : {"x", "\r"}) {
            std::string head = start + std::string(before - 1, 'x');
            std::string kept = (start[0] == '\r' ? "" : "x") + std::string(before - 1, 'x');
            SCOPED_TRACE(std::to_string(before) + (start[0] == '\r' ? " with CR" : ""));
            e2e::check("harvow", {"block end", {"in"}, {{"in", head + "\n\n\n\n\ny\n\n\n"}}, "",
                                  kept + "\r\n\r\ny\r\n\r\n", "", 0});
        }
    }
}

TEST(Jarnic, LineEnds)
{
    check_rows("jarnic", {
        {"empty input", {}, "", ""},
        {"a lone CR", {}, "a\rb", "a\r\nb"},
        {"CR LF", {}, "a\r\nb", "a\r\nb"},
        {"a lone LF", {}, "a\nb", "a\r\nb"},
        {"a CR as the last byte", {}, "a\r", "a\r\n"},
        {"a CR alone", {}, "\r", "\r\n"},
        {"two CRs", {}, "\r\r", "\r\n\r\n"},
        {"CR CR LF", {}, "a\r\r\nb", "a\r\n\r\nb", "a\r\nb"},
        {"LF CR", {}, "a\n\r", "a\r\n\r\n"},
        {"Ctrl-Z is a byte of a file", {}, "a\x1a" "b\r", "a\x1a" "b\r\n", "a"},
        {"NUL and high bytes pass", {}, "\0\x80\xff\x8d"s, "\0\x80\xff\x8d"s},
    });
}

// A CR as the last byte of a block waits for the next block's first byte.
TEST(Jarnic, CrAtBlockEnd)
{
    const std::string a(65535, 'a');
    const Case cases[] = {
        {"CR LF across the block", {"in"}, {{"in", a + "\r\nb"}}, "", a + "\r\nb", "", 0},
        {"a lone CR ends the block", {"in"}, {{"in", a + "\rb"}}, "", a + "\r\nb", "", 0},
        {"CR CR across the block", {"in"}, {{"in", a + "\r\r\n"}}, "", a + "\r\n\r\n", "", 0},
    };
    for (const Case& c : cases)
        e2e::check("jarnic", c);
}

TEST(Kelbo, Upper)
{
    check_rows("kelbo", {
        {"empty input", {}, "", ""},
        {"letters", {}, "Hello, World 42", "HELLO, WORLD 42"},
        {"bytes beside the range", {}, "@[`{", "@[`{"},
        {"high bytes pass", {}, "\x80\xe9\xc9\xff", "\x80\xe9\xc9\xff"},
        {"line ends", {}, "a\r\nb\rc\n", "A\r\nB\rC\r\n"},
        {"Ctrl-Z ends the input", {}, "ab\x1a" "cd", "AB"},
    });
}

TEST(Nembo, Lower)
{
    check_rows("nembo", {
        {"empty input", {}, "", ""},
        {"letters", {}, "Hello, World 42", "hello, world 42"},
        {"bytes beside the range", {}, "@[`{", "@[`{"},
        {"high bytes pass", {}, "\x80\xe9\xc9\xff", "\x80\xe9\xc9\xff"},
        {"line ends", {}, "A\r\nB\rC\n", "a\r\nb\rc\r\n"},
        {"Ctrl-Z ends the input", {}, "AB\x1a" "CD", "ab"},
    });
}

TEST(Luvask, Tabs)
{
    const std::string s8(8, ' ');
    check_rows("luvask", {
        {"empty input", {}, "", ""},
        {"a tab at the start", {}, "\tx", s8 + "x"},
        {"width 4", {"4"}, "\tx", "    x"},
        {"a tab after two bytes", {}, "xy\tz", "xy      z"},
        {"seven letters", {}, "abcdefg\t|", "abcdefg |"},
        {"eight letters", {}, "abcdefgh\t|", "abcdefgh" + s8 + "|"},
        {"width 1", {"1"}, "a\tb\t\tc", "a b  c"},
        {"width 12", {"12"}, "\tx", std::string(12, ' ') + "x"},
        {"width 3x reads 3", {"3x"}, "a\tx", "a  x"},
        {"the later width counts", {"4", "6"}, "\tx", "      x"},
        {"two tabs", {}, "\t\tx", std::string(16, ' ') + "x"},
        {"a lone CR is a column", {}, "a\r\tb", "a\r      b"},
        {"an LF starts a line", {}, "abc\n\tx", "abc\r\n" + s8 + "x"},
        {"CR LF starts a line", {}, "abc\r\n\tx\n", "abc\r\n" + s8 + "x\r\n"},
        {"every other byte is a column", {}, "\b\f\x1b\xc3\xa9\tx", "\b\f\x1b\xc3\xa9   x"},
        {"Ctrl-Z ends the input", {}, "\ta\x1a\tb", s8 + "a"},
        {"a wide stop", {"100000"}, "a\tb", "a" + std::string(99999, ' ') + "b"},
    });
    const Case cases[] = {
        {"4, notes.txt and 6", {"4", "notes.txt", "6"}, {{"notes.txt", "\tx\nab\tc"}}, "",
         "      x\r\nab    c", "", 0},
        {"% is a file name", {"%"}, {{"%", "\tx"}}, "", s8 + "x", "", 0},
    };
    for (const Case& c : cases)
        e2e::check("luvask", c);
}

// The column carries across the end of the input's block: a tab in the next
// block, and an LF in one block with the tab in the next.
TEST(Luvask, ColumnsAcrossBlocks)
{
    for (std::size_t n : {65533u, 65535u, 65536u, 65537u}) {
        SCOPED_TRACE(n);
        std::string line(n, 'x');
        std::size_t gap = 8 - n % 8;
        e2e::check("luvask", {"tab after a long line", {"in"}, {{"in", line + "\ty"}}, "",
                              line + std::string(gap, ' ') + "y", "", 0});
        std::string two = std::string(n - 3, 'x') + "\nab\t";
        e2e::check("luvask", {"LF before the tab", {"in"}, {{"in", two}}, "",
                              std::string(n - 3, 'x') + "\r\nab      ", "", 0});
    }
}

TEST(Oskrat, Cleaning)
{
    check_rows("oskrat", {
        {"empty input", {}, "", ""},
        {"spaces squeezed", {}, "a   b", "a b"},
        {"a space at the start is written", {}, " a", " a"},
        {"CR LF and spaces", {}, "a \r\n  b", "a \r\n b"},
        {"a lone CR goes", {}, "a\rb", "ab"},
        {"Ctrl-Z stops", {}, "a\x1a" "b", "a"},
        {"154 is no stop", {}, "a\x9a" "b", "ab"},
        {"138 and 160", {}, "\x8a\xa0", "\r\n "},
        {"controls go, DEL stays", {}, "\f\x1b\0\b\x7f"s, "\x7f"},
        {"space and 160 are one space", {}, " \xa0", " "},
        {"high bytes lose their top bit", {}, "\xc1\xff\x89\x8dz", "A\x7f\tz"},
        {"a tab is no space", {}, " \t ", " \t "},
        {"a dropped control breaks a run", {}, " \x01 ", "  "},
        {"CR CR LF", {}, "a\r\r\nb", "a\r\nb"},
        {"a dropped high control breaks a run", {}, "a    \x9b   b", "a  b"},
    });
}

// Bytes that go or change at every place within a long text, which is
// copied many bytes at a time where nothing goes.
TEST(Oskrat, CleaningAnywhere)
{
    const std::string tail(40, 'y');
    for (std::size_t at = 0; at < 40; at++) {
        SCOPED_TRACE(at);
        std::string head(at, 'x');
        e2e::check("oskrat", {"clean", {"in"}, {{"in", head + "a\r\n  \x01\xe9 \xa0z" + tail}},
                              "", head + "a\r\n i z" + tail, "", 0});
    }
}

// The run of spaces, and the stop, across the end of the input's block.
TEST(Oskrat, AcrossBlocks)
{
    const std::string a(65535, 'a');
    const Case cases[] = {
        {"a run across the block", {"in"}, {{"in", a + "   b"}}, "", a + " b", "", 0},
        {"a run ending the block", {"in"}, {{"in", std::string(65534, 'a') + "  b"}}, "",
         std::string(65534, 'a') + " b", "", 0},
        {"a stop in the second block", {"in"}, {{"in", a + "bc\x1a" "d"}}, "", a + "bc", "", 0},
    };
    for (const Case& c : cases)
        e2e::check("oskrat", c);
}

// oskrat cleans, harvow squeezes, luvask expands: a mixed file through all
// three, each reading the one before it on standard input.
TEST(Pipeline, CleanSqueezeExpand)
{
    TempDir dir;
    dir.write("mixed", "Caf\xe9\tbar  baz\r\n"   // 233 is i; the spaces go to one
                       "\r\n\r\n\r\n"            // three empty lines go to one
                       "\x1b[1mbold\x1b[0m\tx\n" // escapes lose their ESC
                       "\x8a\xa0\xa0" "end\r"    // 138 is an LF, 160 a space
                       "\x1a"                    // the end
                       "never\n");
    const std::string command = "cd '" + dir.path() + "' && '" + e2e::tool_path("oskrat") +
                                "' mixed | '" + e2e::tool_path("harvow") + "' | '" +
                                e2e::tool_path("luvask") + "' 4";
    auto [out, status] = shell(command);
    EXPECT_BYTES(out, "Cafi    bar baz\r\n"
                      "\r\n"
                      "[1mbold[0m  x\r\n"
                      "\r\n"
                      " end");
    EXPECT_EQ(status, 0);
}

} // namespace
