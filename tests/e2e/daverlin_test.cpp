// daverlin end to end: the console text on stdout (progress line included),
// error reports, the status, and the files it leaves.
#include "runner.h"

#include <csignal>
#include <string>
#include <unistd.h>

namespace {

using e2e::Case;
using e2e::Options;
using e2e::TempDir;

const std::string kHead = "Daverlin 2.0 - Hard Return Line Wrapper\r\n"
                          "Breaks lines at spaces to fit a limit; lines that begin with # pass "
                          "whole\r\n" +
                          std::string(49, '=') + "\r\n";
const std::string kWide = std::string(64, '=') + "\r\n";
const std::string kUsage =
    "This Utility Reformats and Adds Hard Returns to text files.\r\n"
    "Commandline Usage is : \"Daverlin [infile.txt] [outfile.txt] {limit}\"\r\n"
    "                 But : You may manually enter filename(s) Now...\r\n"
    "                 Or  : Enter a \"BLANK\" filename to exit Now...\r\n" +
    kWide;
const std::string kAskIn = "Enter Input  Filename: ";
const std::string kAskOut = "Enter Output Filename: ";
const std::string kDone = "\r\nDone!\r\n";

std::string question(const std::string& name)
{
    return "\aOutput File " + name + " already exists! Overwrite? (Y/N) ";
}

// The two file lines, then the progress line as the engine writes it.
std::string run_lines(const std::string& in, const std::string& out, int lines)
{
    std::string s = "Infile  : " + in + "\r\nOutfile : " + out + "\r\n        < Line";
    for (int i = 1; i <= lines; i++)
        s += "\r" + std::to_string(i);
    return s;
}

std::string repeat(const std::string& s, int n)
{
    std::string r;
    for (int i = 0; i < n; i++)
        r += s;
    return r;
}

// n words "abcd", one space between.
std::string words(int n)
{
    std::string s;
    for (int i = 0; i < n; i++)
        s += i == 0 ? "abcd" : " abcd";
    return s;
}

// 30 words wrapped at 72, 100 and 2047 (all on one line).
const std::string kLong = words(30) + "\n";
const std::string k72 = words(14) + "\r\n" + words(14) + "\r\n" + words(2) + "\r\n";
const std::string k100 = words(20) + "\r\n" + words(10) + "\r\n";
const std::string kWhole = words(30) + "\r\n";

TEST(Daverlin, Table)
{
    using namespace std::string_literals;
    const std::string ran = kHead + run_lines("in", "out", 1) + kDone;
    const Case cases[] = {
        {"two arguments", {"in", "out"}, {{"in", "one two\n"}}, "", ran, "", 0,
         {{"out", "one two\r\n"}}},
        {"limit 10", {"in", "out", "10"}, {{"in", "one two three four five six seven"}}, "",
         kHead + run_lines("in", "out", 4) + kDone, "", 0,
         {{"out", "one two\r\nthree four\r\nfive six\r\nseven\r\n"}}},
        {"the default limit", {"in", "out"}, {{"in", kLong}}, "",
         kHead + run_lines("in", "out", 3) + kDone, "", 0, {{"out", k72}}},
        {"limit 0 gives 72", {"in", "out", "0"}, {{"in", kLong}}, "",
         kHead + run_lines("in", "out", 3) + kDone, "", 0, {{"out", k72}}},
        {"limit 2048 gives 72", {"in", "out", "2048"}, {{"in", kLong}}, "",
         kHead + run_lines("in", "out", 3) + kDone, "", 0, {{"out", k72}}},
        {"limit -5 gives 72", {"in", "out", "-5"}, {{"in", kLong}}, "",
         kHead + run_lines("in", "out", 3) + kDone, "", 0, {{"out", k72}}},
        {"a word gives 72", {"in", "out", "wide"}, {{"in", kLong}}, "",
         kHead + run_lines("in", "out", 3) + kDone, "", 0, {{"out", k72}}},
        {"past 32 bits gives 72", {"in", "out", "4294967396"}, {{"in", kLong}}, "",
         kHead + run_lines("in", "out", 3) + kDone, "", 0, {{"out", k72}}},
        {"limit 2047 is taken", {"in", "out", "2047"}, {{"in", kLong}}, "",
         kHead + run_lines("in", "out", 1) + kDone, "", 0, {{"out", kWhole}}},
        {"leading digits: 100x", {"in", "out", "100x"}, {{"in", kLong}}, "",
         kHead + run_lines("in", "out", 2) + kDone, "", 0, {{"out", k100}}},
        {"spaces and a plus sign", {"in", "out", " +100"}, {{"in", kLong}}, "",
         kHead + run_lines("in", "out", 2) + kDone, "", 0, {{"out", k100}}},
        {"further arguments are ignored", {"in", "out", "100", "5"}, {{"in", kLong}}, "",
         kHead + run_lines("in", "out", 2) + kDone, "", 0, {{"out", k100}}},
        {"57 lines", {"in", "out"}, {{"in", std::string(57, '\n')}}, "",
         kHead + run_lines("in", "out", 57) + kDone, "", 0, {{"out", repeat("\r\n", 57)}}},
        {"empty input", {"in", "out"}, {{"in", ""}}, "", kHead + run_lines("in", "out", 0) + kDone,
         "", 0, {{"out", ""}}},
        {"bytes kept: NUL, Ctrl-Z, 255", {"in", "out"}, {{"in", "a\0b\x1a\xff\r\n#\0\n"s}}, "",
         kHead + run_lines("in", "out", 2) + kDone, "", 0, {{"out", "a\0b\x1a\xff\r\n\0\r\n"s}}},

        // Prompts on standard input.
        {"both names asked", {}, {{"in", "x\n"}}, "in\nout\n",
         kHead + kUsage + kAskIn + kAskOut + kWide + run_lines("in", "out", 1) + kDone, "", 0,
         {{"out", "x\r\n"}}},
        {"names with CR LF and the last without a line end", {}, {{"in", "x\n"}}, "in\r\nout",
         kHead + kUsage + kAskIn + kAskOut + kWide + run_lines("in", "out", 1) + kDone, "", 0,
         {{"out", "x\r\n"}}},
        {"a name with spaces", {}, {{"my in", "x\n"}}, "my in\nmy out\n",
         kHead + kUsage + kAskIn + kAskOut + kWide + run_lines("my in", "my out", 1) + kDone, "",
         0, {{"my out", "x\r\n"}}},
        {"one argument asks the output name", {"in"}, {{"in", "x\n"}}, "out\n",
         kHead + kUsage + kAskOut + kWide + run_lines("in", "out", 1) + kDone, "", 0,
         {{"out", "x\r\n"}}},
        {"blank input name", {}, {{"in", "x\n"}}, "\nout\n", kHead + kUsage + kAskIn, "", 1},
        {"no input at all", {}, {{"in", "x\n"}}, "", kHead + kUsage + kAskIn, "", 1},
        {"blank output name", {"in"}, {{"in", "x\n"}}, "\n", kHead + kUsage + kAskOut, "", 1},
        {"end of input at the output prompt", {}, {{"in", "x\n"}}, "in\n",
         kHead + kUsage + kAskIn + kAskOut, "", 1},
        {"a name too long for the buffer", {}, {}, std::string(4096, 'a') + "\nout\n",
         kHead + kUsage + kAskIn + "The input file name is too long.\r\n", "", 1},
        {"the longest name is taken whole", {}, {}, std::string(4095, 'a') + "\nout\n",
         kHead + kUsage + kAskIn + kAskOut + kWide,
         std::string(4095, 'a') + ": File name too long\r\n", 1},
        {"a name with a NUL", {"in"}, {}, "o\0ut\n"s,
         kHead + kUsage + kAskOut + "The output file name holds a NUL byte.\r\n", "", 1},
        {"an argument too long", {"in", std::string(4096, 'o')}, {}, "",
         kHead + "The output file name is too long.\r\n", "", 1},

        // Failures to open.
        {"missing input", {"gone", "out"}, {}, "", kHead, "gone: No such file or directory\r\n",
         1},
        {"input is a directory", {"sub", "out"}, {{"sub/f", ""}}, "", kHead,
         "sub: Is a directory\r\n", 1},
        {"output is a directory", {"in", "sub"}, {{"in", "x"}, {"sub/f", ""}}, "", kHead,
         "sub: Is a directory\r\n", 1},
        {"output in a missing directory", {"in", "no/out"}, {{"in", "x"}}, "", kHead,
         "no/out: No such file or directory\r\n", 1},

        // The overwrite question without a console: nothing echoed, no.
        {"existing output, no console", {"in", "out"}, {{"in", "x"}, {"out", "old"}}, "",
         kHead + question("out") + "\r\n", "", 1, {{"out", "old"}}},
        {"existing output after the prompts", {}, {{"in", "x"}, {"out", "old"}}, "in\nout\n",
         kHead + kUsage + kAskIn + kAskOut + kWide + question("out") + "\r\n", "", 1,
         {{"out", "old"}}},

        // One file named twice is refused before the question.
        {"same name twice", {"in", "in"}, {{"in", "keep me\n"}}, "", kHead,
         "in: Input and output are the same file\r\n", 1, {{"in", "keep me\n"}}},
        {"same file, other names", {"in", "./sub/../in"}, {{"in", "keep me\n"}, {"sub/f", ""}},
         "", kHead, "./sub/../in: Input and output are the same file\r\n", 1,
         {{"in", "keep me\n"}}},
    };
    for (const Case& c : cases)
        e2e::check("daverlin", c);
}

// What was not there before must not be there after.
TEST(Daverlin, FailuresCreateNoOutput)
{
    TempDir dir;
    dir.write("in", "x");
    Options o;
    o.cwd = dir.path();
    o.args = {"gone", "out"};
    EXPECT_EQ(e2e::run("daverlin", o).status, 1);
    EXPECT_FALSE(dir.exists("out"));
    o.args = {"in"};
    o.input = "\n";
    EXPECT_EQ(e2e::run("daverlin", o).status, 1);
    EXPECT_FALSE(dir.exists("out"));
}

TEST(Daverlin, HardLinkIsTheSameFile)
{
    TempDir dir;
    dir.write("in", "keep me\n");
    ASSERT_EQ(link((dir / "in").c_str(), (dir / "link").c_str()), 0);
    Options o;
    o.cwd = dir.path();
    o.args = {"in", "link"};
    e2e::Result r = e2e::run("daverlin", o);
    EXPECT_BYTES(r.out, kHead);
    EXPECT_BYTES(r.err, "link: Input and output are the same file\r\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_BYTES(dir.read("in"), "keep me\n");
}

// A read that fails part way ends the input, and the run is a failure: the
// output is short. (/proc/self/mem opens, and fails at its first read.)
TEST(Daverlin, FailedReadIsReported)
{
    TempDir dir;
    Options o;
    o.cwd = dir.path();
    o.args = {"/proc/self/mem", "out"};
    e2e::Result r = e2e::run("daverlin", o);
    EXPECT_BYTES(r.out, kHead + run_lines("/proc/self/mem", "out", 0) + "\r\n");
    EXPECT_BYTES(r.err, "/proc/self/mem: Input/output error\r\n");
    EXPECT_EQ(r.status, 1);
}

TEST(Daverlin, FailedStdoutIsReported)
{
    TempDir dir;
    dir.write("in", "x\n");
    Options o;
    o.cwd = dir.path();
    o.args = {"in", "out"};
    o.stdout_file = "/dev/full";
    e2e::Result r = e2e::run("daverlin", o);
    EXPECT_BYTES(r.err, "stdout: No space left on device\r\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_BYTES(dir.read("out"), "x\r\n");
}

// The overwrite question answered on a pseudo-terminal.
class Question : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.write("in", "new text\n");
        dir.write("out", "old");
    }
    e2e::Result answer(const std::string& keys, std::vector<std::string> args = {"in", "out"},
                       int signal = 0)
    {
        Options o;
        o.args = std::move(args);
        o.cwd = dir.path();
        o.terminal = true;
        o.keys = keys;
        o.type_when = "(Y/N) ";
        o.signal = signal;
        e2e::Result r = e2e::run("daverlin", o);
        EXPECT_TRUE(r.terminal_restored);
        return r;
    }
    const std::string asked = kHead + question("out");
    TempDir dir;
};

TEST_F(Question, YesInEitherCase)
{
    for (const char* key : {"y", "Y"}) {
        SCOPED_TRACE(key);
        dir.write("out", "old");
        e2e::Result r = answer(key);
        EXPECT_BYTES(r.out, asked + "Y\r\n" + kWide + run_lines("in", "out", 1) + kDone);
        EXPECT_BYTES(r.err, "");
        EXPECT_EQ(r.status, 0);
        EXPECT_BYTES(dir.read("out"), "new text\r\n");
    }
}

TEST_F(Question, OtherKeysAreNo)
{
    struct Row {
        const char* name;
        std::string keys;
        std::string echo;
    } rows[] = {
        {"n", "n", "N"},
        {"Escape", "\x1b", "\x1b"},
        {"function key: nothing echoed", "\x1bOP", ""},
        {"arrow key: its lead code echoed", "\x1b[A", "\xe0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        e2e::Result r = answer(row.keys);
        EXPECT_BYTES(r.out, asked + row.echo + "\r\n");
        EXPECT_BYTES(r.err, "");
        EXPECT_EQ(r.status, 1);
        EXPECT_BYTES(dir.read("out"), "old");
    }
}

// The question comes before the input is tried; the output is emptied only
// once the input is open.
TEST_F(Question, MissingInputAfterYes)
{
    e2e::Result r = answer("y", {"gone", "out"});
    EXPECT_BYTES(r.out, asked + "Y\r\n" + kWide);
    EXPECT_BYTES(r.err, "gone: No such file or directory\r\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_BYTES(dir.read("out"), "old");
}

// A failed write of the output is reported once, by name, without Done!.
TEST_F(Question, FailedWriteIsReported)
{
    e2e::Result r = answer("y", {"in", "/dev/full"});
    EXPECT_BYTES(r.out, kHead + question("/dev/full") + "Y\r\n" + kWide +
                            run_lines("in", "/dev/full", 1) + "\r\n");
    EXPECT_BYTES(r.err, "/dev/full: No space left on device\r\n");
    EXPECT_EQ(r.status, 1);
}

TEST_F(Question, TerminalRestoredOnSignals)
{
    for (int sig : {SIGTERM, SIGINT}) {
        e2e::Result r = answer("", {"in", "out"}, sig);
        EXPECT_EQ(r.status, 128 + sig);
        EXPECT_BYTES(dir.read("out"), "old");
    }
}

} // namespace
