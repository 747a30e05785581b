// pimbor end to end: the exact source text on standard output and in files,
// the array names, the messages and the status; and a C compiler's reading
// of the text, where one is installed.
#include "runner.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using e2e::Case;
using e2e::Options;
using e2e::TempDir;

const std::string kTitle = "Pimbor 2.0 - Byte Array Source Maker\r\n"
                           "Writes a file as an initialised C array of unsigned char.\r\n";
const std::string kUsage = "Usage is : \"pimbor [infile] [outfile (optional)]\"\r\n"
                           "Purpose  : Create Character Arrays from Binary Files.\r\n";
const std::string kDone = "Done!\r\n";
const std::string kSame = ": Input and output are the same file\r\n";

// The elements of bytes, each behind its row break every eight, as written
// before the closing: "0xHH, " each.
std::string elements(std::string_view bytes)
{
    std::string r;
    char e[8];
    for (std::size_t i = 0; i < bytes.size(); i++) {
        if (i % 8 == 0)
            r += "\r\n";
        std::snprintf(e, sizeof e, "0x%02X, ", static_cast<unsigned char>(bytes[i]));
        r += e;
    }
    return r;
}

// The whole text for bytes under name.
std::string source(const std::string& name, std::string_view bytes)
{
    std::string r = "unsigned char " + name + "[" + std::to_string(bytes.size()) + "] ={";
    if (bytes.empty())
        return r + "\r\n};";
    r += elements(bytes);
    r.replace(r.size() - 2, 2, "};");
    return r;
}

const std::string kTen("\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09", 10);

TEST(Pimbor, Table)
{
    const Case cases[] = {
        {"no argument", {}, {}, "", kTitle + kUsage, "", 1},
        {"ten bytes", {"logo.bin"}, {{"logo.bin", kTen}}, "",
         kTitle + "unsigned char logo[10] ={\r\n"
                  "0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, \r\n"
                  "0x08, 0x09};",
         "", 0},
        {"eight bytes make one row", {"e"}, {{"e", "ABCDEFGH"}}, "",
         kTitle + "unsigned char e[8] ={\r\n0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48};", "",
         0},
        {"a ninth byte alone on a third line", {"n"}, {{"n", "ABCDEFGHI"}}, "",
         kTitle + "unsigned char n[9] ={\r\n0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, "
                  "\r\n0x49};",
         "", 0},
        {"one byte", {"o"}, {{"o", "\xff"}}, "", kTitle + "unsigned char o[1] ={\r\n0xFF};", "", 0},
        {"values below and above 16", {"v"}, {{"v", "\x0f\x10\xff"}}, "",
         kTitle + "unsigned char v[3] ={\r\n0x0F, 0x10, 0xFF};", "", 0},
        {"Ctrl-Z, CR and LF are bytes like any other", {"t"}, {{"t", "\x1a\r\n"}}, "",
         kTitle + "unsigned char t[3] ={\r\n0x1A, 0x0D, 0x0A};", "", 0},
        {"an empty file", {"e.bin"}, {{"e.bin", ""}}, "", kTitle + "unsigned char e[0] ={\r\n};",
         "", 0},
        {"name without a dot", {"README"}, {{"README", "A"}}, "",
         kTitle + source("readme", "A"), "", 0},
        {"name ends at the first dot", {"archive.tar.gz"}, {{"archive.tar.gz", "A"}}, "",
         kTitle + source("archive", "A"), "", 0},
        {"a leading digit stays", {"1st.bin"}, {{"1st.bin", "A"}}, "",
         kTitle + source("1st", "A"), "", 0},
        {"blanks and signs become underscores", {"My File-2.dat"}, {{"My File-2.dat", "A"}}, "",
         kTitle + source("my_file_2", "A"), "", 0},
        {"the whole path is folded in", {"D:\\ART\\LOGO.BIN"}, {{"D:/ART/LOGO.BIN", "A"}}, "",
         kTitle + source("d__art_logo", "A"), "", 0},
        {"a leading dot leaves no name", {".\\logo.bin"}, {{"logo.bin", "A"}}, "",
         kTitle + "unsigned char [1] ={\r\n0x41};", "", 0},
        {"bytes 128 to 255 become underscores", {"\xe9t\xc9"}, {{"\xe9t\xc9", "A"}}, "",
         kTitle + source("_t_", "A"), "", 0},
        {"to a file", {"logo.bin", "logo.c"}, {{"logo.bin", kTen}}, "", kTitle + kDone, "", 0,
         {{"logo.c", "unsigned char logo[10] ={\r\n"
                     "0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, \r\n"
                     "0x08, 0x09};"}}},
        {"an existing output is replaced", {"a", "out.c"},
         {{"a", "\x01"}, {"out.c", std::string(100, 'x')}}, "", kTitle + kDone, "", 0,
         {{"out.c", "unsigned char a[1] ={\r\n0x01};"}}},
        {"further arguments are ignored", {"a", "out.c", "more"}, {{"a", "\x01"}}, "",
         kTitle + kDone, "", 0, {{"out.c", "unsigned char a[1] ={\r\n0x01};"}}},
        {"input missing", {"nope"}, {}, "", kTitle, "nope: No such file or directory\r\n", 1},
        {"input missing, output named", {"nope", "out.c"}, {}, "", kTitle + kDone,
         "nope: No such file or directory\r\n", 1},
        {"input is a directory", {"sub", "out.c"}, {{"sub/x", ""}}, "", kTitle + kDone,
         "sub: Is a directory\r\n", 1},
        {"output in a missing directory", {"a", "gone/out.c"}, {{"a", "x"}}, "", kTitle + kDone,
         "gone/out.c: No such file or directory\r\n", 1},
        {"output is a directory", {"a", "sub"}, {{"a", "x"}, {"sub/x", ""}}, "", kTitle + kDone,
         "sub: Is a directory\r\n", 1},
        {"output is the input", {"a.bin", "a.bin"}, {{"a.bin", "keep"}}, "", kTitle + kDone,
         "a.bin" + kSame, 1, {{"a.bin", "keep"}}},
        {"output is the input by another path", {"a.bin", "sub/../a.bin"},
         {{"a.bin", "keep"}, {"sub/x", ""}}, "", kTitle + kDone, "sub/../a.bin" + kSame, 1,
         {{"a.bin", "keep"}}},
        {"output is the input with a backslash", {"a.bin", ".\\a.bin"}, {{"a.bin", "keep"}}, "",
         kTitle + kDone, ".\\a.bin" + kSame, 1, {{"a.bin", "keep"}}},
        {"output that cannot be written", {"a", "/dev/full"}, {{"a", "x"}}, "", kTitle + kDone,
         "/dev/full: No space left on device\r\n", 1},
    };
    for (const Case& c : cases)
        e2e::check("pimbor", c);
}

TEST(Pimbor, InputFailureCreatesNoOutput)
{
    TempDir dir;
    Options o;
    o.args = {"nope", "out.c"};
    o.cwd = dir.path();
    e2e::Result r = e2e::run("pimbor", o);
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(dir.exists("out.c"));
}

// A leading ".." leaves the name empty too.
TEST(Pimbor, ParentDirectoryName)
{
    TempDir dir;
    dir.write("logo.bin", "A");
    dir.mkdir("sub");
    Options o;
    o.args = {"..\\logo.bin"};
    o.cwd = dir / "sub";
    e2e::Result r = e2e::run("pimbor", o);
    EXPECT_BYTES(r.out, kTitle + "unsigned char [1] ={\r\n0x41};");
    EXPECT_EQ(r.status, 0);
}

// Other names of the input, by a hard link and a symbolic link, are the same
// file and are refused before anything is opened for writing.
TEST(Pimbor, LinkToTheInputIsRefused)
{
    TempDir dir;
    dir.write("a.bin", "keep");
    ASSERT_EQ(link((dir / "a.bin").c_str(), (dir / "hard").c_str()), 0);
    ASSERT_EQ(symlink("a.bin", (dir / "soft").c_str()), 0);
    for (const char* out : {"hard", "soft"}) {
        Options o;
        o.args = {"a.bin", out};
        o.cwd = dir.path();
        e2e::Result r = e2e::run("pimbor", o);
        EXPECT_BYTES(r.out, kTitle + kDone);
        EXPECT_BYTES(r.err, out + kSame);
        EXPECT_EQ(r.status, 1);
        EXPECT_BYTES(dir.read("a.bin"), "keep");
    }
}

// Rows across the blocks the input is read and the text written in.
TEST(Pimbor, LargeInput)
{
    TempDir dir;
    std::string bytes;
    unsigned v = 1;
    for (int i = 0; i < 70001; i++) {
        v = v * 1103515245u + 12345u;
        bytes += static_cast<char>(v >> 24);
    }
    dir.write("big.dat", bytes);
    Options o;
    o.args = {"big.dat", "big.c"};
    o.cwd = dir.path();
    e2e::Result r = e2e::run("pimbor", o);
    EXPECT_BYTES(r.out, kTitle + kDone);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(dir.read("big.c") == source("big", bytes));
}

// A pipe has no length to take: its bytes would be lost without a word.
TEST(Pimbor, InputLongerThanItsLength)
{
    TempDir dir;
    Options o;
    o.args = {"/dev/stdin"};
    o.input = "abc";
    o.cwd = dir.path();
    e2e::Result r = e2e::run("pimbor", o);
    EXPECT_BYTES(r.out, kTitle + "unsigned char _dev_stdin[0] ={\r\n};");
    EXPECT_BYTES(r.err, "/dev/stdin: File is longer than its reported length\r\n");
    EXPECT_EQ(r.status, 1);
}

TEST(Pimbor, StandardOutputFailureIsReported)
{
    TempDir dir;
    dir.write("a", "x");
    Options o;
    o.args = {"a"};
    o.cwd = dir.path();
    o.stdout_file = "/dev/full";
    e2e::Result r = e2e::run("pimbor", o);
    EXPECT_BYTES(r.err, "stdout: No space left on device\r\n");
    EXPECT_EQ(r.status, 1);
}

// Files of the kernel's attribute tree report a length of a page whatever
// they hold: some hold less, some fail to read. Each is used only where it
// behaves so on this machine.
struct Probe {
    bool usable = false;
    long long length = 0;
    std::string bytes;
    int error = 0;
};

Probe probe(const char* path)
{
    Probe p;
    int fd = open(path, O_RDONLY);
    if (fd < 0)
        return p;
    struct stat st;
    if (fstat(fd, &st) == 0) {
        p.length = st.st_size;
        char buf[65536];
        ssize_t n;
        while ((n = read(fd, buf, sizeof buf)) > 0)
            p.bytes.append(buf, static_cast<std::size_t>(n));
        if (n < 0)
            p.error = errno;
        p.usable = true;
    }
    close(fd);
    return p;
}

TEST(Pimbor, ShorterThanItsLength)
{
    const char* path = "/sys/devices/system/cpu/online";
    Probe p = probe(path);
    if (!p.usable || p.error != 0 || p.bytes.empty() ||
        static_cast<long long>(p.bytes.size()) >= p.length)
        GTEST_SKIP() << path << " does not hold less than its length here";
    TempDir dir;
    Options o;
    o.args = {path, "out.c"};
    o.cwd = dir.path();
    e2e::Result r = e2e::run("pimbor", o);
    EXPECT_BYTES(r.out, kTitle + kDone);
    EXPECT_BYTES(r.err, std::string(path) + ": File ended before its reported length\r\n");
    EXPECT_EQ(r.status, 1);
    // What was read, and nothing made up after it.
    EXPECT_BYTES(dir.read("out.c"), "unsigned char _sys_devices_system_cpu_online[" +
                                        std::to_string(p.length) + "] ={" + elements(p.bytes));
}

TEST(Pimbor, ReadFailure)
{
    const char* path = "/sys/devices/system/cpu/power/autosuspend_delay_ms";
    Probe p = probe(path);
    if (!p.usable || p.error == 0 || !p.bytes.empty() || p.length <= 0)
        GTEST_SKIP() << path << " does not fail to read here";
    TempDir dir;
    Options o;
    o.args = {path};
    o.cwd = dir.path();
    e2e::Result r = e2e::run("pimbor", o);
    EXPECT_BYTES(r.out, kTitle + "unsigned char _sys_devices_system_cpu_power_autosuspend_delay_ms[" +
                            std::to_string(p.length) + "] ={");
    EXPECT_BYTES(r.err, std::string(path) + ": " + std::strerror(p.error) + "\r\n");
    EXPECT_EQ(r.status, 1);
}

// The C compiler on the machine, if any.
std::string c_compiler()
{
    for (const char* dir : {"/usr/bin", "/usr/local/bin", "/bin"})
        for (const char* name : {"cc", "gcc", "clang"}) {
            std::string path = std::string(dir) + "/" + name;
            if (access(path.c_str(), X_OK) == 0)
                return path;
        }
    return "";
}

// The generated text, compiled into a program that writes the array back
// out, gives the input's bytes and its length.
TEST(Pimbor, CompiledSourceHoldsTheBytes)
{
    std::string cc = c_compiler();
    if (cc.empty())
        GTEST_SKIP() << "no C compiler found";
    TempDir dir;
    std::string bytes;
    for (int i = 0; i < 256; i++)
        bytes += static_cast<char>(i);
    for (int i = 0; i < 3001; i++)
        bytes += static_cast<char>((i * 37 + i / 7) & 255);
    dir.write("Data.Bin", bytes);
    Options o;
    o.args = {"Data.Bin", "data.inc"};
    o.cwd = dir.path();
    ASSERT_EQ(e2e::run("pimbor", o).status, 0);
    dir.write("main.c", "#include <stdio.h>\n"
                        "#include \"data.inc\"\n"
                        "\n"
                        "int main(void)\n"
                        "{\n"
                        "    FILE *f = fopen(\"back.bin\", \"wb\");\n"
                        "    if (f == NULL || fwrite(data, 1, sizeof data, f) != sizeof data)\n"
                        "        return 1;\n"
                        "    return fclose(f) != 0;\n"
                        "}\n");
    std::string command =
        "cd '" + dir.path() + "' && '" + cc + "' -o prog main.c 2>&1 && ./prog";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_TRUE(dir.read("back.bin") == bytes);
}

} // namespace
