// sporvik end to end: exact bytes of stdout and stderr, and the status.
#include "runner.h"

#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using e2e::Case;
using e2e::Options;
using e2e::TempDir;

const std::string kTitle = "SPORVIK - Binary File String Search\r\n";

std::string head(const std::string& file_spec, const std::string& search)
{
    return kTitle + "File spec   = " + file_spec + "\r\nSearch spec = " + search + "\r\n";
}

const std::string kNone = "No files contain the searchspec...\r\n";
const std::string kShort = "The search string is too short.\r\n";

TEST(Sporvik, Table)
{
    const Case cases[] = {
        {"no argument", {}, {}, "",
         kTitle + "Usage is : \"SPORVIK [\"Search String\"] [FileName(s)]\"\r\n"
                  "Purpose  : Upper Case Binary File String Match Search\r\n\r\n",
         "", 1},
        {"empty search string", {""}, {{"a", "x"}}, "", head("*.*", "") + kShort, "", 1},
        {"a lone double quote is empty", {"\""}, {{"a", "\""}}, "", head("*.*", "") + kShort, "",
         1},
        {"empty after quote removal", {"\"\"", "a"}, {{"a", "x"}}, "", head("a", "") + kShort, "",
         1},
        {"one pair of quotes comes off", {"\"key\""}, {{"a", "\"key\""}}, "",
         head("*.*", "key") + "a\r\n     000001 : key\r\n", "Reading a...\r\n", 0},
        {"only the outer pair", {"\"\"k\"\""}, {{"a", "x\"k\"x"}}, "",
         head("*.*", "\"k\"") + "a\r\n     000001 : \"k\"\r\n", "Reading a...\r\n", 0},
        {"a leading quote alone stays", {"\"key"}, {{"a", "key \"key"}}, "",
         head("*.*", "\"key") + "a\r\n     000004 : \"key\r\n", "Reading a...\r\n", 0},
        {"nothing matches", {"x", "*.none"}, {{"a", "x"}}, "",
         head("*.none", "x") + "*.none : File not found... exiting.\r\n", "", 1},
        {"no hit", {"zz"}, {{"a", "abc"}}, "", head("*.*", "zz") + kNone, "Reading a...\r\n", 1},
        {"letters in either case", {"Key"}, {{"f", "KEY key kEy KEx"}}, "",
         head("*.*", "Key") +
             "f\r\n     000000 : Key\r\n     000004 : Key\r\n     000008 : Key\r\n",
         "Reading f...\r\n", 0},
        {"high bytes compared exactly", {"\xe9"}, {{"f", "\xc9\xe9"}}, "",
         head("*.*", "\xe9") + "f\r\n     000001 : \xe9\r\n", "Reading f...\r\n", 0},
        {"only a to z fold", {"[@"}, {{"f", "{`[@"}}, "",
         head("*.*", "[@") + "f\r\n     000002 : [@\r\n", "Reading f...\r\n", 0},
        {"overlapping hits", {"aa"}, {{"f", "aaaa"}}, "",
         head("*.*", "aa") +
             "f\r\n     000000 : aa\r\n     000001 : aa\r\n     000002 : aa\r\n",
         "Reading f...\r\n", 0},
        {"file as long as the string", {"abc"}, {{"f", "ABC"}}, "",
         head("*.*", "abc") + "f\r\n     000000 : abc\r\n", "Reading f...\r\n", 0},
        {"shorter and empty files", {"abc"}, {{"e", ""}, {"s", "ab"}}, "",
         head("*.*", "abc") + kNone,
         "Reading e...\r\nFilelength 0 is smaller than pattern length 3.\r\n"
         "Reading s...\r\nFilelength 2 is smaller than pattern length 3.\r\n",
         1},
        {"path line only before a file's first hit", {"ab"}, {{"1", "ab ab"}, {"2", "xx"}, {"3", "ab"}},
         "",
         head("*.*", "ab") + "1\r\n     000000 : ab\r\n     000003 : ab\r\n3\r\n     000000 : ab\r\n",
         "Reading 1...\r\nReading 2...\r\nReading 3...\r\n", 0},
        {"NUL bytes never part of a hit", {"a"}, {{"f", std::string("\0a\0", 3)}}, "",
         head("*.*", "a") + "f\r\n     000001 : a\r\n", "Reading f...\r\n", 0},
        {"backslash directory kept as typed", {"key", "data\\*.bin"},
         {{"data/a.bin", "key"}, {"data/b.txt", "key"}}, "",
         head("data\\*.bin", "key") + "data\\a.bin\r\n     000000 : key\r\n",
         "Reading data\\a.bin...\r\n", 0},
        {"slash directory kept as typed", {"key", "data/*.bin"}, {{"data/a.bin", "key"}}, "",
         head("data/*.bin", "key") + "data/a.bin\r\n     000000 : key\r\n",
         "Reading data/a.bin...\r\n", 0},
        {"directories passed over", {"key"}, {{"sub/a", "key"}}, "", head("*.*", "key") + kNone, "",
         1},
        {"a directory named alone", {"key", "sub"}, {{"sub/a", "key"}}, "",
         head("sub", "key") + kNone, "", 1},
        {"a trailing separator matches nothing", {"key", "sub/"}, {{"sub/a", "key"}}, "",
         head("sub/", "key") + "sub/ : File not found... exiting.\r\n", "", 1},
        {"too long a search string", {std::string(128, 'a')}, {}, "",
         kTitle + "The search string is too long.\r\n", "", 1},
        {"too long a file pattern", {"a", std::string(5000, 'a')}, {}, "",
         kTitle + "The file pattern is too long.\r\n", "", 1},
        {"too long a name in it", {"a", "d/" + std::string(256, 'a')}, {}, "",
         kTitle + "The file pattern is too long.\r\n", "", 1},
        {"the longest search string", {std::string(127, 'a')}, {{"f", std::string(128, 'A')}}, "",
         head("*.*", std::string(127, 'a')) + "f\r\n     000000 : " + std::string(127, 'a') +
             "\r\n     000001 : " + std::string(127, 'a') + "\r\n",
         "Reading f...\r\n", 0},
    };
    for (const Case& c : cases)
        e2e::check("sporvik", c);
}

TEST(Sporvik, OpenFailureGoesOn)
{
    TempDir dir;
    dir.write("b", "key");
    ASSERT_EQ(symlink("gone", (dir / "a").c_str()), 0);
    Options o;
    o.args = {"key"};
    o.cwd = dir.path();
    e2e::Result r = e2e::run("sporvik", o);
    EXPECT_BYTES(r.out, head("*.*", "key") + "b\r\n     000000 : key\r\n");
    EXPECT_BYTES(r.err, "a: No such file or directory\r\nReading b...\r\n");
    EXPECT_EQ(r.status, 0);
}

// A joined path over the path limit is refused like a file that cannot be
// opened, never cut short: "./" 2046 times is 4092 characters, and a name
// of four makes 4096.
TEST(Sporvik, JoinedPathTooLong)
{
    TempDir dir;
    dir.write("abcd", "key");
    dir.write("abc", "key");
    std::string prefix;
    for (int i = 0; i < 2046; i++)
        prefix += "./";
    Options o;
    o.args = {"key", prefix + "ab*"};
    o.cwd = dir.path();
    e2e::Result r = e2e::run("sporvik", o);
    EXPECT_BYTES(r.out, head(prefix + "ab*", "key") + prefix + "abc\r\n     000000 : key\r\n");
    EXPECT_BYTES(r.err, "Reading " + prefix + "abc...\r\n" + prefix +
                            "abcd: File name too long\r\n");
    EXPECT_EQ(r.status, 0);
}

TEST(Sporvik, EmptyDirectory)
{
    TempDir dir;
    Options o;
    o.args = {"key"};
    o.cwd = dir.path();
    e2e::Result r = e2e::run("sporvik", o);
    EXPECT_BYTES(r.out, head("*.*", "key") + kNone);
    EXPECT_BYTES(r.err, "");
    EXPECT_EQ(r.status, 1);
}

TEST(Sporvik, FifoIsPassedOver)
{
    TempDir dir;
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0644), 0);
    dir.write("z", "key");
    Options o;
    o.args = {"key"};
    o.cwd = dir.path();
    e2e::Result r = e2e::run("sporvik", o);
    EXPECT_BYTES(r.out, head("*.*", "key") + "z\r\n     000000 : key\r\n");
    EXPECT_BYTES(r.err, "Reading z...\r\n");
}

// Hits at block boundaries and past 16 MiB, where the offset needs seven
// digits, and past 2 GiB in a sparse file.
TEST(Sporvik, LargeOffsets)
{
    TempDir dir;
    {
        int fd = open((dir / "big").c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(pwrite(fd, "kEy", 3, 65535), 3);      // across the first block's end
        ASSERT_EQ(pwrite(fd, "key", 3, 0x1000000), 3);  // seven hex digits
        ASSERT_EQ(pwrite(fd, "KEY", 3, 0x80000010LL), 3); // past 2 GiB
        close(fd);
    }
    Options o;
    o.args = {"key", "big"};
    o.cwd = dir.path();
    e2e::Result r = e2e::run("sporvik", o);
    EXPECT_BYTES(r.out, head("big", "key") +
                            "big\r\n     00FFFF : key\r\n     1000000 : key\r\n"
                            "     80000010 : key\r\n");
    EXPECT_EQ(r.status, 0);
}

TEST(Sporvik, WriteFailureIsReported)
{
    TempDir dir;
    dir.write("a", "key");
    Options o;
    o.args = {"key"};
    o.cwd = dir.path();
    o.stdout_file = "/dev/full";
    e2e::Result r = e2e::run("sporvik", o);
    EXPECT_BYTES(r.err, "Reading a...\r\nstdout: No space left on device\r\n");
    EXPECT_EQ(r.status, 1);
}

TEST(Sporvik, BrokenPipeEndsQuietly)
{
    TempDir dir;
    dir.write("a", std::string(1 << 20, 'a'));
    Options o;
    o.args = {"a"};
    o.cwd = dir.path();
    o.stdout_broken = true;
    e2e::Result r = e2e::run("sporvik", o);
    // The default signal ends it; no report of a failed write follows.
    EXPECT_EQ(r.status, 128 + SIGPIPE);
    EXPECT_EQ(r.err.find("stdout"), std::string::npos);
}

// Keys typed on the terminal before the scan starts are there at the first
// poll, at offset 100, and at later polls about 64 KiB apart.
class Keys : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string big(1 << 20, '.');
        big.replace(10, 3, "key");
        big.replace(30000, 3, "key");
        big.replace(500000, 3, "key");
        dir.write("1big", big);
        dir.write("2big", big);
        dir.write("0small", std::string(99, '.') + "key"); // 102 bytes: never polled
    }
    e2e::Result scan(const std::string& keys)
    {
        Options o;
        o.args = {"key"};
        o.cwd = dir.path();
        o.terminal = true;
        o.keys = keys;
        e2e::Result r = e2e::run("sporvik", o);
        EXPECT_TRUE(r.terminal_restored);
        return r;
    }
    const std::string hits_all = "     00000A : key\r\n     007530 : key\r\n     07A120 : key\r\n";
    const std::string small = "0small\r\n     000063 : key\r\n";
    TempDir dir;
};

TEST_F(Keys, EscapeEndsOneFileOnly)
{
    e2e::Result r = scan("\x1b");
    EXPECT_BYTES(r.out, head("*.*", "key") + small + "1big\r\n     00000A : key\r\n2big\r\n" + hits_all);
    EXPECT_BYTES(r.err, "Reading 0small...\r\nReading 1big...\r\n"
                        "Escape pressed... file search terminated.\r\nReading 2big...\r\n");
    EXPECT_EQ(r.status, 0);
}

TEST_F(Keys, OtherKeysAreIgnored)
{
    // A letter, a function key (its second code goes with it) and an arrow.
    e2e::Result r = scan("x\x1bOP\x1b[A");
    EXPECT_BYTES(r.out, head("*.*", "key") + small + "1big\r\n" + hits_all + "2big\r\n" + hits_all);
    EXPECT_BYTES(r.err, "Reading 0small...\r\nReading 1big...\r\nReading 2big...\r\n");
}

// A scan run in the background has no keyboard: it must neither stop for
// the terminal nor take the keys typed for the job in front.
TEST_F(Keys, BackgroundRunIgnoresTheKeyboard)
{
    Options o;
    o.args = {"key"};
    o.cwd = dir.path();
    o.terminal = true;
    o.background = true;
    o.keys = "\x1b";
    o.timeout_ms = 20000;
    e2e::Result r = e2e::run("sporvik", o);
    EXPECT_BYTES(r.out, head("*.*", "key") + small + "1big\r\n" + hits_all + "2big\r\n" + hits_all);
    EXPECT_BYTES(r.err, "Reading 0small...\r\nReading 1big...\r\nReading 2big...\r\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.terminal_restored);
}

TEST_F(Keys, EscapeAfterAnotherKey)
{
    // x is taken at offset 100, Escape at the next poll, 64 KiB on.
    e2e::Result r = scan("x\x1b");
    EXPECT_BYTES(r.out, head("*.*", "key") + small +
                            "1big\r\n     00000A : key\r\n     007530 : key\r\n2big\r\n" + hits_all);
    EXPECT_BYTES(r.err, "Reading 0small...\r\nReading 1big...\r\n"
                        "Escape pressed... file search terminated.\r\nReading 2big...\r\n");
}

} // namespace
