// yostrel end to end: trees with set write times in a fresh directory, the
// exact bytes of standard output, nothing on standard error, status 0.
#include "runner.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using e2e::Options;
using e2e::TempDir;

const std::string kUsage = "Yostrel - Modified Files Lister\r\n"
                           "Usage is : \"yostrel mm dd yyyy [ABSOLUTE-optional]\"\r\n"
                           "Purpose  : Print names of files modified since mm dd yyyy\r\n";

// Seconds since 1970 of "yyyy-mm-dd hh:mm:ss" in UTC.
std::int64_t utc(const std::string& text)
{
    struct tm tm {};
    EXPECT_EQ(std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                          &tm.tm_hour, &tm.tm_min, &tm.tm_sec),
              6)
        << text;
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    return timegm(&tm);
}

// The same time as a listing shows it where local time is UTC.
std::string shown(const std::string& text)
{
    std::string r = text;
    for (char& c : r)
        if (c == '-' || c == ' ' || c == ':')
            c = '.';
    return r;
}

// Sets the entry's own write time (a link's, not its target's).
void set_time(const std::string& path, std::int64_t t)
{
    struct timespec ts[2] = {{static_cast<time_t>(t), 0}, {static_cast<time_t>(t), 0}};
    EXPECT_EQ(utimensat(AT_FDCWD, path.c_str(), ts, AT_SYMLINK_NOFOLLOW), 0) << path;
}

// One entry of a tree: a name under the directory ("/" at its end for a
// directory), its write time in UTC, and for a symbolic link its target.
struct Node {
    std::string name;
    std::string time;
    std::string link = {};
};

// Makes the entries in order, then sets their times from last to first, so
// that each directory's time is set after its contents are made.
void make_tree(const TempDir& dir, const std::vector<Node>& nodes)
{
    for (const Node& n : nodes) {
        if (!n.link.empty())
            EXPECT_EQ(symlink(n.link.c_str(), (dir / n.name).c_str()), 0) << n.name;
        else if (n.name.back() == '/')
            dir.mkdir(n.name);
        else
            dir.write(n.name, "x");
    }
    for (auto n = nodes.rbegin(); n != nodes.rend(); ++n) {
        std::string name = n->name;
        if (name.back() == '/')
            name.pop_back();
        set_time(dir / name, utc(n->time));
    }
}

// The directory's full path as the system gives it.
std::string full_path(const TempDir& dir)
{
    char buf[PATH_MAX];
    EXPECT_NE(realpath(dir.path().c_str(), buf), nullptr);
    return buf;
}

e2e::Result run_in(const TempDir& dir, const std::vector<std::string>& args,
                   const std::vector<std::string>& env = {})
{
    Options o;
    o.args = args;
    o.cwd = dir.path();
    o.env = env;
    return e2e::run("yostrel", o);
}

// The listing lines, where local time is UTC, for entries given as
// name and time.
std::string lines(const std::string& root, const std::vector<Node>& nodes,
                  const std::vector<std::string>& names)
{
    std::string r;
    for (const std::string& name : names)
        for (const Node& n : nodes) {
            std::string bare = n.name.back() == '/' ? n.name.substr(0, n.name.size() - 1) : n.name;
            if (bare == name)
                r += shown(n.time) + " " + root + "/" + bare + "\r\n";
        }
    return r;
}

// A subdirectory's tree comes before the listing of the directory that
// holds it. Entries come in byte order of their names, so S2 comes before X
// in the listing of S1.
TEST(Yostrel, WalkOrder)
{
    TempDir dir;
    const std::vector<Node> tree = {
        {"A", "2000-04-08 10:00:00"},     {"B", "2000-04-08 11:00:00"},
        {"S1/", "2000-04-08 12:00:00"},   {"S1/X", "2000-04-08 13:00:00"},
        {"S1/S2/", "2000-04-08 14:00:00"}, {"S1/S2/Y", "2000-04-08 15:00:00"},
        {"S3/", "2000-04-08 16:00:00"},   {"S3/Z", "2000-04-08 17:00:00"},
    };
    make_tree(dir, tree);
    e2e::Result r = run_in(dir, {"4", "8", "2000"});
    EXPECT_BYTES(r.out, lines(full_path(dir), tree,
                              {"S1/S2/Y", "S1/S2", "S1/X", "S3/Z", "A", "B", "S1", "S3"}));
    EXPECT_BYTES(r.err, "");
    EXPECT_EQ(r.status, 0);
}

// Every directory is walked, whatever its own date, and listed when its date
// passes, whatever its contents; hidden entries are listed, "." and ".."
// never.
TEST(Yostrel, DirectoriesAndHiddenEntries)
{
    TempDir dir;
    const std::vector<Node> tree = {
        {".config/", "2001-01-01 00:00:00"}, {".config/rc", "2001-02-01 00:00:00"},
        {".hidden", "2001-03-01 00:00:00"},  {"empty/", "2001-04-01 00:00:00"},
        {"new/", "2001-05-01 00:00:00"},     {"new/old", "1999-01-01 00:00:00"},
        {"old/", "1999-02-01 00:00:00"},     {"old/new", "2001-06-01 00:00:00"},
        {"old/older/", "1998-01-01 00:00:00"}, {"old/older/newest", "2002-01-01 00:00:00"},
    };
    make_tree(dir, tree);
    // The starting directory itself is never listed.
    set_time(dir.path(), utc("2003-01-01 00:00:00"));
    e2e::Result r = run_in(dir, {"1", "1", "2000"});
    EXPECT_BYTES(r.out, lines(full_path(dir), tree,
                              {".config/rc", "old/older/newest", "old/new", ".config", ".hidden",
                               "empty", "new"}));
    EXPECT_BYTES(r.err, "");
    EXPECT_EQ(r.status, 0);
}

// Every argument case, over one tree of files whose dates lie on both sides
// of each boundary. Local time is UTC here.
TEST(Yostrel, Arguments)
{
    TempDir dir;
    const std::vector<Node> tree = {
        {"a", "1980-01-01 00:00:00"}, {"b", "1999-12-31 23:59:59"}, {"c", "2000-01-01 00:00:00"},
        {"d", "2000-03-01 00:00:00"}, {"e", "2000-04-07 23:59:59"}, {"f", "2000-04-08 00:00:00"},
        {"g", "2000-04-08 23:59:59"}, {"h", "2000-04-09 00:00:00"}, {"i", "2000-05-01 00:00:00"},
        {"j", "2001-01-01 00:00:00"}, {"k", "2038-01-19 03:14:08"}, {"l", "2099-12-31 23:59:59"},
        {"m", "2100-06-01 00:00:00"},
    };
    make_tree(dir, tree);
    const std::string root = full_path(dir);
    const std::vector<std::string> from_f = {"f", "g", "h", "i", "j", "k", "l", "m"};
    const std::string all = lines(root, tree, {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j",
                                               "k", "l", "m"});
    struct Row {
        const char* name;
        std::vector<std::string> args;
        std::string out;
    } rows[] = {
        {"reference day and after", {"4", "8", "2000"}, lines(root, tree, from_f)},
        {"exact day", {"4", "8", "2000", "ABSOLUTE"}, lines(root, tree, {"f", "g"})},
        {"exact day, lower case", {"4", "8", "2000", "absolute"}, lines(root, tree, {"f", "g"})},
        {"exact day, mixed case", {"4", "8", "2000", "AbSoLuTe"}, lines(root, tree, {"f", "g"})},
        {"any other fourth word", {"4", "8", "2000", "other"}, lines(root, tree, from_f)},
        {"a longer word", {"4", "8", "2000", "ABSOLUTELY"}, lines(root, tree, from_f)},
        {"an empty fourth argument", {"4", "8", "2000", ""}, lines(root, tree, from_f)},
        {"a later year passes", {"12", "31", "1999"},
         lines(root, tree, {"b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m"})},
        {"last day of a year exactly", {"12", "31", "1999", "absolute"}, lines(root, tree, {"b"})},
        {"lowest date", {"1", "1", "1980"}, all},
        {"lowest date exactly", {"1", "1", "1980", "absolute"}, lines(root, tree, {"a"})},
        {"highest date", {"12", "31", "2099"}, lines(root, tree, {"l", "m"})},
        {"highest date exactly", {"12", "31", "2099", "ABSOLUTE"}, lines(root, tree, {"l"})},
        {"past 2038 exactly", {"1", "19", "2038", "absolute"}, lines(root, tree, {"k"})},
        {"day past the month's end", {"2", "31", "2000"},
         lines(root, tree, {"d", "e", "f", "g", "h", "i", "j", "k", "l", "m"})},
        {"day past the month's end exactly", {"2", "31", "2000", "absolute"}, ""},
        {"leading zeros", {"04", "08", "02000"}, lines(root, tree, from_f)},
        {"white space, sign and trailing text", {" +4", "\t8x", "2000.9"},
         lines(root, tree, from_f)},
        {"month above 12", {"13", "1", "2000"}, ""},
        {"month 0", {"0", "1", "2000"}, ""},
        {"negative month", {"-4", "8", "2000"}, ""},
        {"month not a number", {"x", "8", "2000"}, ""},
        {"empty month", {"", "8", "2000"}, ""},
        {"month past 32 bits", {"4294967300", "8", "2000"}, ""},
        {"month past 64 bits", {"99999999999999999999", "8", "2000"}, ""},
        {"day 0", {"4", "0", "2000"}, ""},
        {"day above 31", {"4", "32", "2000"}, ""},
        {"year before 1980", {"4", "8", "1979"}, ""},
        {"year after 2099", {"4", "8", "2100"}, ""},
        {"year not a number", {"4", "8", "x"}, ""},
        {"the word in the year's place", {"4", "8", "ABSOLUTE"}, ""},
        {"no argument", {}, kUsage},
        {"one argument", {"4"}, kUsage},
        {"two arguments", {"4", "8"}, kUsage},
        {"five arguments", {"4", "8", "2000", "ABSOLUTE", "x"}, kUsage},
        {"six arguments", {"4", "8", "2000", "a", "b", "c"}, kUsage},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        e2e::Result r = run_in(dir, row.args);
        EXPECT_BYTES(r.out, row.out);
        EXPECT_BYTES(r.err, "");
        EXPECT_EQ(r.status, 0);
    }
}

// The date is the local one, by the zone's rules for that day: the first
// second of the reference day passes, the last one before it does not, in
// summer and in winter time and on the day the clocks go forward.
TEST(Yostrel, DayBoundaryInLocalTime)
{
    struct Row {
        const char* name;
        const char* zone;     // under /usr/share/zoneinfo
        const char* fallback; // the same rules for 2000 as a POSIX TZ string
        std::vector<std::string> args;
        std::vector<std::pair<std::string, std::string>> files; // name, UTC time
        std::vector<std::pair<std::string, std::string>> listed; // local time, name
    } rows[] = {
        {"Berlin, summer time",
         "Europe/Berlin",
         "CET-1CEST,M3.5.0,M10.5.0/3",
         {"4", "8", "2000"},
         {{"1before", "2000-04-07 21:59:59"},
          {"2first", "2000-04-07 22:00:00"},
          {"3last", "2000-04-08 21:59:59"},
          {"4next", "2000-04-08 22:00:00"}},
         {{"2000.04.08.00.00.00", "2first"},
          {"2000.04.08.23.59.59", "3last"},
          {"2000.04.09.00.00.00", "4next"}}},
        {"Berlin, summer time, exact day",
         "Europe/Berlin",
         "CET-1CEST,M3.5.0,M10.5.0/3",
         {"4", "8", "2000", "absolute"},
         {{"1before", "2000-04-07 21:59:59"},
          {"2first", "2000-04-07 22:00:00"},
          {"3last", "2000-04-08 21:59:59"},
          {"4next", "2000-04-08 22:00:00"}},
         {{"2000.04.08.00.00.00", "2first"}, {"2000.04.08.23.59.59", "3last"}}},
        {"Berlin, winter time",
         "Europe/Berlin",
         "CET-1CEST,M3.5.0,M10.5.0/3",
         {"1", "15", "2000"},
         {{"1before", "2000-01-14 22:59:59"}, {"2first", "2000-01-14 23:00:00"}},
         {{"2000.01.15.00.00.00", "2first"}}},
        {"Berlin, the clocks go forward at 02:00",
         "Europe/Berlin",
         "CET-1CEST,M3.5.0,M10.5.0/3",
         {"3", "26", "2000", "ABSOLUTE"},
         {{"1before", "2000-03-25 22:59:59"},
          {"2first", "2000-03-25 23:00:00"},
          {"3winter", "2000-03-26 00:59:59"},
          {"4summer", "2000-03-26 01:00:00"}},
         {{"2000.03.26.00.00.00", "2first"},
          {"2000.03.26.01.59.59", "3winter"},
          {"2000.03.26.03.00.00", "4summer"}}},
        {"New York, summer time",
         "America/New_York",
         "EST5EDT,M3.2.0,M11.1.0",
         {"4", "8", "2000"},
         {{"1before", "2000-04-08 03:59:59"}, {"2first", "2000-04-08 04:00:00"}},
         {{"2000.04.08.00.00.00", "2first"}}},
        {"New York, winter time",
         "America/New_York",
         "EST5EDT,M3.2.0,M11.1.0",
         {"1", "15", "2000", "absolute"},
         {{"1before", "2000-01-15 04:59:59"},
          {"2first", "2000-01-15 05:00:00"},
          {"3last", "2000-01-16 04:59:59"},
          {"4next", "2000-01-16 05:00:00"}},
         {{"2000.01.15.00.00.00", "2first"}, {"2000.01.15.23.59.59", "3last"}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string zone = row.zone;
        if (access(("/usr/share/zoneinfo/" + zone).c_str(), R_OK) != 0)
            zone = row.fallback;
        TempDir dir;
        std::vector<Node> tree;
        for (const auto& [name, time] : row.files)
            tree.push_back({name, time});
        make_tree(dir, tree);
        std::string expected;
        for (const auto& [time, name] : row.listed)
            expected += time + " " + full_path(dir) + "/" + name + "\r\n";
        e2e::Result r = run_in(dir, row.args, {"TZ=" + zone});
        EXPECT_BYTES(r.out, expected);
        EXPECT_BYTES(r.err, "");
        EXPECT_EQ(r.status, 0);
    }
}

// A link is listed with its own time, not its target's; a link to a
// directory is never walked, so a loop or a way out of the tree leads
// nowhere.
TEST(Yostrel, SymbolicLinks)
{
    TempDir outside;
    make_tree(outside, {{"target/", "2001-01-01 00:00:00"},
                        {"target/inner", "2001-01-01 00:00:00"},
                        {"old", "1990-01-01 00:00:00"}});
    TempDir dir;
    const std::vector<Node> tree = {
        {"dangling", "2001-02-01 00:00:00", "gone"},
        {"dir/", "2001-03-01 00:00:00"},
        {"dir/file", "2001-04-01 00:00:00"},
        {"dir/loop", "2001-05-01 00:00:00", ".."},
        {"dir/self", "2001-06-01 00:00:00", "."},
        {"old_link_to_new", "1990-02-01 00:00:00", "dir"},
        {"out", "2001-07-01 00:00:00", outside / "target"},
        {"to_old", "2001-08-01 00:00:00", outside / "old"},
    };
    make_tree(dir, tree);
    e2e::Result r = run_in(dir, {"1", "1", "2000"});
    EXPECT_BYTES(r.out, lines(full_path(dir), tree,
                              {"dir/file", "dir/loop", "dir/self", "dangling", "dir", "out",
                               "to_old"}));
    EXPECT_BYTES(r.err, "");
    EXPECT_EQ(r.status, 0);
}

// Runs the program without the rights of the superuser, for whom no
// directory is closed: the real and effective user become nobody, the
// saved one stays, so that the test can come back.
class WithoutRights {
public:
    WithoutRights()
    {
        if (geteuid() == 0)
            dropped_ = setresuid(65534, 65534, 0) == 0;
    }
    ~WithoutRights()
    {
        if (dropped_) {
            EXPECT_EQ(setresuid(0, 0, 0), 0);
        }
    }
    WithoutRights(const WithoutRights&) = delete;
    WithoutRights& operator=(const WithoutRights&) = delete;

private:
    bool dropped_ = false;
};

// A subdirectory that cannot be entered is listed in its parent's listing
// but not walked, without a word, and the walk goes on.
TEST(Yostrel, UnenterableSubdirectory)
{
    TempDir dir;
    const std::vector<Node> tree = {
        {"a/", "2001-01-01 00:00:00"},      {"a/file", "2001-01-02 00:00:00"},
        {"locked/", "2001-02-01 00:00:00"}, {"locked/secret", "2001-02-02 00:00:00"},
        {"locked/sub/", "2001-02-03 00:00:00"}, {"z/", "2001-03-01 00:00:00"},
        {"z/file", "2001-03-02 00:00:00"},
    };
    make_tree(dir, tree);
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(chmod((dir / "locked").c_str(), 0), 0);
    e2e::Result r;
    {
        WithoutRights nobody;
        r = run_in(dir, {"1", "1", "2000"});
    }
    EXPECT_BYTES(r.out, lines(full_path(dir), tree, {"a/file", "z/file", "a", "locked", "z"}));
    EXPECT_BYTES(r.err, "");
    EXPECT_EQ(r.status, 0);
}

// A starting directory that can be entered but not read gives no output.
TEST(Yostrel, UnreadableStartingDirectory)
{
    TempDir dir;
    make_tree(dir, {{"file", "2001-01-01 00:00:00"}});
    ASSERT_EQ(chmod(dir.path().c_str(), 0111), 0);
    e2e::Result r;
    {
        WithoutRights nobody;
        r = run_in(dir, {"1", "1", "2000"});
    }
    EXPECT_BYTES(r.out, "");
    EXPECT_BYTES(r.err, "");
    EXPECT_EQ(r.status, 0);
}

// A name is used as it is: a backslash, a blank or a byte above 127 is part
// of it, and a directory named a\b is not a/b.
TEST(Yostrel, NamesAsTheyAre)
{
    TempDir dir;
    const std::vector<Node> tree = {
        {"a/", "2001-01-01 00:00:00"},      {"a/b/", "2001-01-02 00:00:00"},
        {"a/b/in_a_b", "2001-01-03 00:00:00"}, {"a\\b/", "2001-02-01 00:00:00"},
        {"a\\b/in_backslash", "2001-02-02 00:00:00"}, {"two words", "2001-03-01 00:00:00"},
        {"\xe9t\xe9", "2001-04-01 00:00:00"},
    };
    make_tree(dir, tree);
    e2e::Result r = run_in(dir, {"1", "1", "2000"});
    EXPECT_BYTES(r.out, lines(full_path(dir), tree,
                              {"a/b/in_a_b", "a/b", "a\\b/in_backslash", "a", "a\\b", "two words",
                               "\xe9t\xe9"}));
    EXPECT_BYTES(r.err, "");
}

// A tree whose paths grow far past 255 characters: each level holds a file
// and the next level, whose name sorts before the file's.
TEST(Yostrel, PathsLongerThan255)
{
    TempDir dir;
    std::vector<Node> tree;
    std::string path;
    for (int level = 0; level < 20; level++) {
        char name[32];
        std::snprintf(name, sizeof name, "directory-level-%02d", level);
        path += name;
        tree.push_back({path + "/", "2001-01-01 00:00:00"});
        tree.push_back({path + "/file", "2001-01-02 00:00:00"});
        path += "/";
    }
    make_tree(dir, tree);
    const std::string root = full_path(dir);
    ASSERT_GT(root.size() + path.size(), 300u);
    // The deepest file comes first; each directory's line is written by the
    // level above it, after that level's subtree and before its file.
    std::vector<std::string> order = {tree.back().name};
    for (std::size_t level = 20; level-- > 0;) {
        const std::string& d = tree[level * 2].name;
        order.push_back(d.substr(0, d.size() - 1));
        if (level > 0)
            order.push_back(tree[(level - 1) * 2 + 1].name);
    }
    e2e::Result r = run_in(dir, {"1", "1", "2001"});
    EXPECT_BYTES(r.out, lines(root, tree, order));
    EXPECT_BYTES(r.err, "");
    EXPECT_EQ(r.status, 0);
}

// Builds a chain of directories named d below the directory, levels deep,
// with a file f in the deepest, through descriptors, so that it may go past
// the longest path the system takes. Every time is set after the contents.
void make_chain(const TempDir& dir, int levels, std::int64_t time)
{
    struct timespec ts[2] = {{static_cast<time_t>(time), 0}, {static_cast<time_t>(time), 0}};
    int fd = open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    for (int level = 0; level < levels; level++) {
        ASSERT_EQ(mkdirat(fd, "d", 0755), 0) << level;
        int next = openat(fd, "d", O_RDONLY | O_DIRECTORY);
        ASSERT_GE(next, 0) << level;
        if (level > 0) {
            ASSERT_EQ(futimens(fd, ts), 0);
        }
        close(fd);
        fd = next;
    }
    int f = openat(fd, "f", O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(f, 0);
    ASSERT_EQ(futimens(f, ts), 0);
    close(f);
    ASSERT_EQ(futimens(fd, ts), 0);
    close(fd);
}

// Cuts the chain into pieces of 100 levels, each moved up into the
// directory, so that removing it never needs a long path.
void cut_chain(const TempDir& dir)
{
    const int top = open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
    int fd = dup(top);
    for (int piece = 0; fd >= 0; piece++) {
        for (int level = 0; level < 100 && fd >= 0; level++) {
            const int next = openat(fd, "d", O_RDONLY | O_DIRECTORY);
            close(fd);
            fd = next;
        }
        const std::string name = "piece" + std::to_string(piece);
        if (fd < 0 || renameat(fd, "d", top, name.c_str()) != 0)
            break;
        close(fd);
        fd = openat(top, name.c_str(), O_RDONLY | O_DIRECTORY);
    }
    if (fd >= 0)
        close(fd);
    close(top);
}

// The chain's lines from the deepest up to level 1, the first d.
std::string chain_lines(const std::string& root, int deepest, bool with_file)
{
    std::vector<std::string> paths;
    std::string path = root;
    for (int level = 1; level <= deepest; level++) {
        path += "/d";
        paths.push_back(path);
    }
    std::string r;
    if (with_file)
        r += "2001.01.01.00.00.00 " + path + "/f\r\n";
    for (auto p = paths.rbegin(); p != paths.rend(); ++p)
        r += "2001.01.01.00.00.00 " + *p + "\r\n";
    return r;
}

TEST(Yostrel, ThousandLevelsDeep)
{
    TempDir dir;
    make_chain(dir, 1000, utc("2001-01-01 00:00:00"));
    e2e::Result r = run_in(dir, {"1", "1", "2001", "absolute"});
    EXPECT_BYTES(r.out, chain_lines(full_path(dir), 1000, true));
    EXPECT_BYTES(r.err, "");
    EXPECT_EQ(r.status, 0);
    cut_chain(dir);
}

// Past the longest path the system takes, a directory's path cannot be read
// back: it is listed in its parent's listing but not walked, and the walk
// comes back up and goes on.
TEST(Yostrel, DeeperThanThePathLimit)
{
    TempDir dir;
    const std::string root = full_path(dir);
    // Level n's path is root and n times "/d"; the deepest one walked is the
    // last whose path fits in PATH_MAX bytes with its NUL.
    const int walked = static_cast<int>((PATH_MAX - 1 - root.size()) / 2);
    make_chain(dir, walked + 3, utc("2001-01-01 00:00:00"));
    dir.write("z", "after the chain");
    set_time(dir / "z", utc("2001-01-01 00:00:00"));
    e2e::Result r = run_in(dir, {"1", "1", "2001"});
    EXPECT_BYTES(r.out, chain_lines(root, walked + 1, false) + "2001.01.01.00.00.00 " + root +
                            "/z\r\n");
    EXPECT_BYTES(r.err, "");
    EXPECT_EQ(r.status, 0);
    cut_chain(dir);
}

// A failed write is told, and the status says so: a listing that went
// nowhere must not look like a run that found nothing.
TEST(Yostrel, WriteFailureIsReported)
{
    TempDir dir;
    make_tree(dir, {{"file", "2001-01-01 00:00:00"}});
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"1", "1", "2000"}, std::vector<std::string>{}}) {
        Options o;
        o.args = args;
        o.cwd = dir.path();
        o.stdout_file = "/dev/full";
        e2e::Result r = e2e::run("yostrel", o);
        EXPECT_BYTES(r.err, "stdout: No space left on device\r\n");
        EXPECT_EQ(r.status, 1);
    }
}

} // namespace
