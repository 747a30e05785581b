// tudra end to end: the table to the space, the totals, the average and the
// exit status, for each way a run can go.
#include "runner.h"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using e2e::Case;
using e2e::Options;
using e2e::TempDir;

const std::string kTitle = "TUDRA 1.1 - Line Counter\r\n"
                           "Counts the LF bytes of every file that matches a wildcard.\r\n";
const std::string kHeader = "              Lines   FileName\r\n";

// 14 spaces, the count left-aligned in 8 characters, the name.
std::string row(long long count, const std::string& name)
{
    char field[32];
    std::snprintf(field, sizeof field, "%-8lld", count);
    return std::string(14, ' ') + field + name + "\r\n";
}

std::string totals(long long lines, long long files)
{
    std::string r = "Total Lines = " + std::to_string(lines) + "\r\nTotal Files = " +
                    std::to_string(files) + "\r\n";
    if (files > 0)
        r += "Average     = " + std::to_string(lines / files) + "\r\n";
    return r;
}

const std::string kNothing = kTitle + totals(0, 0);

TEST(Tudra, Table)
{
    const std::string nul("a\0\n\0", 4);
    const Case cases[] = {
        {"no argument", {}, {}, "",
         kTitle + "Usage is : \"TUDRA [FileName*.*]\"\r\n"
                  "Purpose  : Count Lines In Files. (especially source code files)\r\n\r\n",
         "", 1},
        {"nothing matches", {"*.none"}, {{"a.txt", "a\n"}}, "", kTitle, "", 1},
        {"a missing directory matches nothing", {"gone/*.*"}, {}, "", kTitle, "", 1},
        {"one LF is one line", {"*.*"}, {{"f", "a\nb"}}, "",
         kTitle + kHeader + row(1, "f") + totals(1, 1), "", 0},
        {"a last line without LF does not count", {"f"}, {{"f", "only"}}, "", kNothing, "", 1},
        {"CR LF counts once", {"f"}, {{"f", "a\r\nb\r\n"}}, "",
         kTitle + kHeader + row(2, "f") + totals(2, 1), "", 0},
        {"lone CR ends no line", {"f"}, {{"f", "a\rb\r"}}, "", kNothing, "", 1},
        {"LF bytes after Ctrl-Z count", {"f"}, {{"f", "a\n\x1a\nb\n"}}, "",
         kTitle + kHeader + row(3, "f") + totals(3, 1), "", 0},
        {"NUL is an ordinary byte", {"f"}, {{"f", nul}}, "",
         kTitle + kHeader + row(1, "f") + totals(1, 1), "", 0},
        {"empty, LF-less and directories only", {"*"},
         {{"e", ""}, {"n", "no line"}, {"sub/x", "a\n"}}, "", kNothing, "", 1},
        {"average drops the remainder", {"*.txt"}, {{"a.txt", "\n\n\n"}, {"b.txt", "\n\n\n\n"}},
         "", kTitle + kHeader + row(3, "a.txt") + row(4, "b.txt") + totals(7, 2), "", 0},
        {"rows in name order, uncounted files left out", {"*"},
         {{"c", "1\n2\n"}, {"a", "1\n"}, {"b", "none"}, {"d", ""}}, "",
         kTitle + kHeader + row(1, "a") + row(2, "c") + totals(3, 2), "", 0},
        {"bare name under a slash directory", {"sub/*.c"}, {{"sub/x.c", "\n"}, {"sub/y.h", "\n"}},
         "", kTitle + kHeader + row(1, "x.c") + totals(1, 1), "", 0},
        {"bare name under a backslash directory", {"sub\\deep\\*.c"},
         {{"sub/deep/x.c", "\n\n"}}, "", kTitle + kHeader + row(2, "x.c") + totals(2, 1), "", 0},
        {"dot entries and directories passed over", {"*.*"},
         {{"sub/x", "\n"}, {"z.txt", "\n"}}, "", kTitle + kHeader + row(1, "z.txt") + totals(1, 1),
         "", 0},
        {"a directory named alone", {"sub"}, {{"sub/x", "\n"}}, "", kNothing, "", 1},
        {"more LF bytes than a byte-wide sum holds", {"f"}, {{"f", std::string(100000, '\n')}},
         "", kTitle + kHeader + row(100000, "f") + totals(100000, 1), "", 0},
        {"too long a file pattern", {std::string(5000, 'a')}, {}, "",
         kTitle + "The file pattern is too long.\r\n", "", 1},
    };
    for (const Case& c : cases)
        e2e::check("tudra", c);
}

// Eight digits fill the field: the name follows the last digit directly.
TEST(Tudra, WideCountJoinsTheName)
{
    TempDir dir;
    dir.write("big", std::string(12345678, '\n'));
    dir.write("small", "\n");
    Options o;
    o.args = {"*"};
    o.cwd = dir.path();
    e2e::Result r = e2e::run("tudra", o);
    EXPECT_BYTES(r.out, kTitle + kHeader + "              12345678big\r\n" + row(1, "small") +
                            totals(12345679, 2));
    EXPECT_EQ(r.status, 0);
}

// Lines across the edges of the blocks the file is read in.
TEST(Tudra, CountsAcrossBlocks)
{
    TempDir dir;
    std::string text;
    for (int i = 0; text.size() < 300000; i++) {
        text.append(static_cast<std::size_t>(i % 97), 'x');
        text += (i % 5 == 0) ? "\r\n" : "\n";
    }
    text.replace(65535, 2, "\n\n");
    long long lines = 0;
    for (char c : text)
        lines += c == '\n';
    dir.write("f", text);
    Options o;
    o.args = {"f"};
    o.cwd = dir.path();
    e2e::Result r = e2e::run("tudra", o);
    EXPECT_BYTES(r.out, kTitle + kHeader + row(lines, "f") + totals(lines, 1));
}

// A file that does not open is passed over in silence; the run goes on.
TEST(Tudra, OpenFailureIsSilent)
{
    TempDir dir;
    ASSERT_EQ(symlink("gone", (dir / "a").c_str()), 0);
    dir.write("b", "\n\n");
    Options o;
    o.args = {"*"};
    o.cwd = dir.path();
    e2e::Result r = e2e::run("tudra", o);
    EXPECT_BYTES(r.out, kTitle + kHeader + row(2, "b") + totals(2, 1));
    EXPECT_BYTES(r.err, "");
    EXPECT_EQ(r.status, 0);
}

// A FIFO is passed over like a directory. Here it holds two lines and a
// writer that stays for a second: a run that read it would list it.
TEST(Tudra, FifoIsPassedOver)
{
    TempDir dir;
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0644), 0);
    int fd = open((dir / "fifo").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "a\nb\n", 4), 4);
    std::thread closer([fd] {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        close(fd);
    });
    dir.write("z", "\n");
    Options o;
    o.args = {"*"};
    o.cwd = dir.path();
    e2e::Result r = e2e::run("tudra", o);
    closer.join();
    EXPECT_BYTES(r.out, kTitle + kHeader + row(1, "z") + totals(1, 1));
    EXPECT_EQ(r.status, 0);
}

TEST(Tudra, WriteFailureIsReported)
{
    TempDir dir;
    dir.write("a", "\n");
    Options o;
    o.args = {"a"};
    o.cwd = dir.path();
    o.stdout_file = "/dev/full";
    e2e::Result r = e2e::run("tudra", o);
    EXPECT_BYTES(r.err, "stdout: No space left on device\r\n");
    EXPECT_EQ(r.status, 1);
}

} // namespace
