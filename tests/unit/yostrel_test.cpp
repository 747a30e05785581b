// The layer's pieces under yostrel (current directory, local time) and what of the listing cannot be reached end to end:
// the path at the root, and the walk ending where it began.
#include "tools/yostrel/walk_tree.h"

#include "console/current_dir.h"
#include "console/find.h"
#include "console/local_time.h"

#include "runner.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>
#include <vector>

namespace {

using e2e::TempDir;

std::string real(const std::string& path)
{
    char buf[PATH_MAX];
    EXPECT_NE(realpath(path.c_str(), buf), nullptr);
    return buf;
}

// Enters a directory for the length of a test and comes back after it.
class InDirectory {
public:
    explicit InDirectory(const std::string& path)
    {
        EXPECT_NE(getcwd(back_, sizeof back_), nullptr);
        EXPECT_EQ(chdir(path.c_str()), 0);
    }
    ~InDirectory() { EXPECT_EQ(chdir(back_), 0); }
    InDirectory(const InDirectory&) = delete;
    InDirectory& operator=(const InDirectory&) = delete;

private:
    char back_[PATH_MAX];
};

TEST(CurrentDir, ReadWithinTheLimit)
{
    TempDir dir;
    const std::string path = real(dir.path());
    InDirectory in(dir.path());
    std::vector<char> buf(path.size() + 1);
    ASSERT_TRUE(con::read_current_dir(buf));
    EXPECT_EQ(std::string(buf.data()), path);
    // One byte short of the path and its NUL.
    std::vector<char> small(path.size());
    errno = 0;
    EXPECT_FALSE(con::read_current_dir(small));
    EXPECT_EQ(errno, ERANGE);
    EXPECT_FALSE(con::read_current_dir({}));
}

TEST(CurrentDir, ChangeByNameAndByFullPath)
{
    TempDir dir;
    dir.mkdir("a/b");
    dir.mkdir("a\\b");
    dir.write("file", "");
    const std::string path = real(dir.path());
    InDirectory in(dir.path());
    std::array<char, PATH_MAX> buf;
    // A backslash is part of a name here, not a separator.
    ASSERT_TRUE(con::change_dir("a\\b"));
    ASSERT_TRUE(con::read_current_dir(buf));
    EXPECT_EQ(std::string(buf.data()), path + "/a\\b");
    ASSERT_TRUE(con::change_dir(path.c_str()));
    ASSERT_TRUE(con::change_dir("a/b"));
    ASSERT_TRUE(con::read_current_dir(buf));
    EXPECT_EQ(std::string(buf.data()), path + "/a/b");
    ASSERT_TRUE(con::change_dir(path.c_str()));
    errno = 0;
    EXPECT_FALSE(con::change_dir("missing"));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(con::change_dir("file"));
    EXPECT_EQ(errno, ENOTDIR);
    EXPECT_FALSE(con::change_dir(""));
    ASSERT_TRUE(con::change_dir("/"));
    ASSERT_TRUE(con::read_current_dir(buf));
    EXPECT_EQ(std::string(buf.data()), "/"); // the root alone ends in its separator
}

TEST(LocalTime, SecondsToCalendarInUtc)
{
    setenv("TZ", "UTC", 1);
    struct Row {
        std::int64_t seconds;
        con::CalendarTime want;
    } rows[] = {
        {0, {1970, 1, 1, 0, 0, 0}},
        {955152000, {2000, 4, 8, 0, 0, 0}},
        {951868799, {2000, 2, 29, 23, 59, 59}},
        {2147483648LL, {2038, 1, 19, 3, 14, 8}}, // past the 32-bit range
        {4102444799LL, {2099, 12, 31, 23, 59, 59}},
    };
    for (const Row& r : rows) {
        con::CalendarTime t{};
        ASSERT_TRUE(con::local_time(r.seconds, t)) << r.seconds;
        EXPECT_EQ(t.year, r.want.year) << r.seconds;
        EXPECT_EQ(t.month, r.want.month) << r.seconds;
        EXPECT_EQ(t.day, r.want.day) << r.seconds;
        EXPECT_EQ(t.hour, r.want.hour) << r.seconds;
        EXPECT_EQ(t.minute, r.want.minute) << r.seconds;
        EXPECT_EQ(t.second, r.want.second) << r.seconds;
    }
    con::CalendarTime t{};
    EXPECT_FALSE(con::local_time(-1, t)); // no time
    EXPECT_FALSE(con::local_time(INT64_MAX, t)); // a year past any int
}

std::string listing(const std::string& path, const yostrel::Reference& reference)
{
    TempDir out_dir;
    con::Stream out;
    EXPECT_TRUE(con::open_stream(out, (out_dir / "out").c_str(), "wb"));
    yostrel::list_directory(out, path.c_str(), reference);
    EXPECT_EQ(out.close(), 0);
    return out_dir.read("out");
}

// The root's path already ends in its separator, so none is added there.
TEST(ListDirectory, PathAtTheRootAndBelow)
{
    setenv("TZ", "UTC", 1);
    TempDir dir;
    dir.write("f", "");
    struct timeval tv[2] = {{955195200, 0}, {955195200, 0}}; // 2000-04-08 12:00:00
    ASSERT_EQ(utimes((dir / "f").c_str(), tv), 0);
    InDirectory in(dir.path());
    const yostrel::Reference reference{4, 8, 2000, false};
    EXPECT_BYTES(listing("/", reference), "2000.04.08.12.00.00 /f\n");
    EXPECT_BYTES(listing("/work/dir", reference), "2000.04.08.12.00.00 /work/dir/f\n");
}

TEST(WalkTree, EndsWhereItBegan)
{
    setenv("TZ", "UTC", 1);
    TempDir dir;
    dir.mkdir("a/b/c");
    dir.mkdir("d");
    InDirectory in(dir.path());
    TempDir out_dir;
    con::Stream out;
    ASSERT_TRUE(con::open_stream(out, (out_dir / "out").c_str(), "wb"));
    static yostrel::Walk walk;
    walk.out = &out;
    walk.reference = {1, 1, 1980, false};
    ASSERT_TRUE(con::read_current_dir(walk.path));
    const std::string start = walk.path;
    yostrel::walk_tree(walk, start.size());
    EXPECT_EQ(out.close(), 0);
    char here[PATH_MAX];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    EXPECT_EQ(std::string(here), start);
    EXPECT_EQ(std::string(walk.path), start);
    const std::string text = out_dir.read("out");
    EXPECT_NE(text.find(start + "/a/b/c\n"), std::string::npos);
    EXPECT_NE(text.find(start + "/d\n"), std::string::npos);
}

} // namespace
