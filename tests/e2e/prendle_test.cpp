// prendle end to end: every file a bundle leaves, byte for byte, and nothing
// else; the error reports and the status.
#include "runner.h"

#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using e2e::Case;
using e2e::Options;
using e2e::TempDir;

const std::string kSame = ": Input and output are the same file\r\n";

// Everything under the directory: each file with its bytes, each directory
// as its name and "/".
std::map<std::string, std::string> listing(const TempDir& dir)
{
    std::map<std::string, std::string> all;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path())) {
        std::string name = std::filesystem::relative(e.path(), dir.path()).string();
        if (e.is_directory())
            all[name + "/"] = "";
        else
            all[name] = dir.read(name);
    }
    return all;
}

// A bundle b.txt split in a fresh directory that holds dirs beforehand.
struct Split {
    const char* name;
    std::string bundle;
    std::string err;
    int status;
    std::vector<std::pair<std::string, std::string>> made; // the files it must make
    std::vector<std::string> dirs = {};
    std::vector<std::string> args = {"b.txt"};
};

void check(const Split& s)
{
    SCOPED_TRACE(s.name);
    TempDir dir;
    std::map<std::string, std::string> expected;
    for (const std::string& d : s.dirs) {
        dir.mkdir(d);
        for (std::string part = d; !part.empty();) {
            expected[part + "/"] = "";
            std::size_t slash = part.rfind('/');
            part = slash == std::string::npos ? "" : part.substr(0, slash);
        }
    }
    dir.write("b.txt", s.bundle);
    expected["b.txt"] = s.bundle;
    for (const auto& [name, bytes] : s.made)
        expected[name] = bytes;
    Options o;
    o.args = s.args;
    o.cwd = dir.path();
    e2e::Result r = e2e::run("prendle", o);
    EXPECT_BYTES(r.out, "");
    EXPECT_BYTES(r.err, s.err);
    EXPECT_EQ(r.status, s.status);
    std::map<std::string, std::string> got = listing(dir);
    for (const auto& [name, bytes] : expected) {
        auto it = got.find(name);
        if (it == got.end())
            ADD_FAILURE() << "missing: " << name;
        else
            EXPECT_BYTES(it->second, bytes) << name;
    }
    for (const auto& [name, bytes] : got)
        EXPECT_TRUE(expected.count(name)) << "made but not expected: " << name;
}

const std::string k2046(2046, 'x');

TEST(Prendle, Table)
{
    // A name of 2045 characters: twenty directories of 99 and a file of 45.
    std::string deep;
    for (int i = 0; i < 20; i++)
        deep += std::string(99, static_cast<char>('a' + i)) + "/";
    const std::string long_dir = deep.substr(0, deep.size() - 1);
    const std::string long_name = deep + std::string(45, 'f');

    const Split cases[] = {
        {"an empty bundle", "", "", 0, {}},
        {"no name line", "just\ntext\n", "", 0, {}},
        {"the preamble goes nowhere", "pre\r\namble\n\fa\nA\n", "", 0, {{"a", "A\r\n"}}},
        {"LF line ends become CR LF", "\fa\nx\ny\n", "", 0, {{"a", "x\r\ny\r\n"}}},
        {"CR LF line ends stay, and the name loses its CR", "\fa\r\nx\r\n", "", 0,
         {{"a", "x\r\n"}}},
        {"a last line without LF", "\fa\nx\ny", "", 0, {{"a", "x\r\ny"}}},
        {"a lone CR in content is kept", "\fa\nx\ry\n", "", 0, {{"a", "x\ry\r\n"}}},
        {"a lone CR ends the name", "\fa\rjunk\nx\n", "", 0, {{"a", "x\r\n"}}},
        {"a blank after the form feed is part of the name", "\f b \nx\n", "", 0,
         {{" b ", "x\r\n"}}},
        {"two name lines in a row", "\fa\n\fb\nx\n", "", 0, {{"a", ""}, {"b", "x\r\n"}}},
        {"a name twice keeps the later section", "\fa\n1\n\fb\n2\n\fa\n3\n", "", 0,
         {{"a", "3\r\n"}, {"b", "2\r\n"}}},
        {"an existing file is replaced", "\fold\nnew\n", "", 0, {{"old", "new\r\n"}}},
        {"a form feed inside a line is content", "\fa\nx\fy\n \f\n", "", 0,
         {{"a", "x\fy\r\n \f\r\n"}}},
        {"a NUL in content is copied", std::string("\fa\nx\0y\n\0\n", 9), "", 0,
         {{"a", std::string("x\0y\r\n\0\r\n", 8)}}},
        {"a long line is written whole", "\fa\n" + std::string(3000, 'L') + "\nend\n", "", 0,
         {{"a", std::string(3000, 'L') + "\r\nend\r\n"}}},
        {"a line of 2046 characters is one piece", "\fa\n" + k2046.substr(1) + "\n\fb\n", "", 0,
         {{"a", k2046.substr(1) + "\r\n"}, {"b", ""}}},
        {"a form feed as the 2047th character names a file", "\fa\n" + k2046 + "\fb\nz\n", "", 0,
         {{"a", k2046}, {"b", "z\r\n"}}},
        {"a name line past 2046 characters", "\f" + long_name + "TAIL\nnext\n", "", 0,
         {{long_name, "TAIL\r\nnext\r\n"}}, {long_dir}},
        {"text after Ctrl-Z is not read", "\fa\nx\n\x1a\fb\ny\n", "", 0, {{"a", "x\r\n"}}},
        {"backslash separates", "\fsub\\a\nx\n", "", 0, {{"sub/a", "x\r\n"}}, {"sub"}},
        {"a missing directory is not made", "\fgone/a\nx\n\fb\ny\n",
         "gone/a: No such file or directory\r\n", 0, {{"b", "y\r\n"}}},
        {"an empty name", "\f\nx\n\fb\ny\n", "No such file or directory\r\n", 0, {{"b", "y\r\n"}}},
        {"an empty name before CR LF", "\f\r\nx\r\n", "No such file or directory\r\n", 0, {}},
        {"a name that is a directory", "\fsub\nx\n", "sub: Is a directory\r\n", 0, {}, {"sub"}},
        {"a name too long for the system", "\f" + std::string(300, 'n') + "\nx\n",
         std::string(300, 'n') + ": File name too long\r\n", 0, {}},
        {"the bundle's own name", "\fb.txt\nx\n\fc\ny\n", "b.txt" + kSame, 0, {{"c", "y\r\n"}}},
        {"the bundle by another path", "\fsub/../b.txt\nx\n", "sub/../b.txt" + kSame, 0, {},
         {"sub"}},
        {"the bundle with a backslash", "\f.\\b.txt\r\nx\r\n", ".\\b.txt" + kSame, 0, {}},
        {"a file that cannot be written", "\f/dev/full\nx\n\fc\ny\n",
         "/dev/full: No space left on device\r\n", 1, {{"c", "y\r\n"}}},
        {"nothing written, nothing failed", "\f/dev/full\n\fc\ny\n", "", 0, {{"c", "y\r\n"}}},
        {"a write failure at the end of the bundle", "\fc\ny\n\f/dev/full\nx",
         "/dev/full: No space left on device\r\n", 1, {{"c", "y\r\n"}}},
        {"further arguments are ignored", "\fa\nx\n", "", 0, {{"a", "x\r\n"}}, {},
         {"b.txt", "other"}},
    };
    for (const Split& s : cases)
        check(s);
}

TEST(Prendle, NoBundle)
{
    const Case cases[] = {
        {"no argument", {}, {}, "", "", "No error\r\n", 0},
        {"a missing bundle", {"BUNDLE.TXT"}, {}, "", "", "BUNDLE.TXT: No such file or directory\r\n",
         0},
        {"a directory as the bundle", {"sub"}, {{"sub/x", "\fa\n"}}, "", "",
         "sub: Is a directory\r\n", 0},
    };
    for (const Case& c : cases)
        e2e::check("prendle", c);
}

// Links to the bundle are the bundle too.
TEST(Prendle, LinkToTheBundleIsRefused)
{
    TempDir dir;
    const std::string bundle = "\fhard\nx\n\fsoft\ny\n";
    dir.write("b.txt", bundle);
    ASSERT_EQ(link((dir / "b.txt").c_str(), (dir / "hard").c_str()), 0);
    ASSERT_EQ(symlink("b.txt", (dir / "soft").c_str()), 0);
    Options o;
    o.args = {"b.txt"};
    o.cwd = dir.path();
    e2e::Result r = e2e::run("prendle", o);
    EXPECT_BYTES(r.err, "hard" + kSame + "soft" + kSame);
    EXPECT_EQ(r.status, 0);
    EXPECT_BYTES(dir.read("b.txt"), bundle);
}

} // namespace
