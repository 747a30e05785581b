// The wildcard search over a small directory tree made for each test.
#include "console/find.h"

#include "runner.h"

#include <cerrno>
#include <string>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>
#include <vector>

namespace {

using e2e::TempDir;

struct Seen {
    std::string name;
    std::uint32_t attributes;
    std::int64_t size;
};

std::vector<Seen> find_all(const std::string& pattern)
{
    std::vector<Seen> r;
    con::FindEntry e;
    int h = con::find_first(pattern.c_str(), e);
    if (h < 0)
        return r;
    EXPECT_GT(h, 0);
    do
        r.push_back({e.name, e.attributes, e.size});
    while (con::find_next(h, e) == 0);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(con::find_close(h), 0);
    EXPECT_EQ(con::find_close(h), -1);
    return r;
}

std::string names(const std::vector<Seen>& seen)
{
    std::string r;
    for (const Seen& s : seen)
        r += (r.empty() ? "" : " ") + s.name;
    return r;
}

class Find : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.write("b.txt", "bb");
        dir.write("a.txt", "a");
        dir.write("B.TXT", "");
        dir.write(".hidden", "h");
        dir.write("noext", "12345");
        dir.mkdir("sub");
        dir.write("sub/x.txt", "x");
        ASSERT_EQ(symlink("noext", (dir / "link").c_str()), 0);
        ASSERT_EQ(symlink("sub", (dir / "dirlink").c_str()), 0);
        ASSERT_EQ(symlink("gone", (dir / "dangling").c_str()), 0);
        ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0644), 0);
    }
    TempDir dir;
};

TEST_F(Find, EveryNameInByteOrder)
{
    EXPECT_EQ(names(find_all(dir / "*.*")),
              ". .. .hidden B.TXT a.txt b.txt dangling dirlink fifo link noext sub");
    EXPECT_EQ(names(find_all(dir / "*")), names(find_all(dir / "*.*")));
    EXPECT_EQ(names(find_all(dir / "*.txt")), "a.txt b.txt");
    EXPECT_EQ(names(find_all(dir / "?.txt")), "a.txt b.txt");
    EXPECT_EQ(names(find_all(dir / "sub/*.txt")), "x.txt");
    EXPECT_EQ(names(find_all(dir.path() + "\\sub\\*.txt")), "x.txt");
}

// Names alike in their first eight bytes, shorter and longer ones, and
// bytes past 127, which come after every ASCII byte.
TEST(FindOrder, ByteOrderOfLongNames)
{
    TempDir dir;
    for (const char* name : {"prefix12b", "zeta", "prefix12", "\xe9t\xe9", "prefix1", "prefix12a",
                             "prefix12aa", "Prefix12"})
        dir.write(name, "");
    EXPECT_EQ(names(find_all(dir / "*")),
              ". .. Prefix12 prefix1 prefix12 prefix12a prefix12aa prefix12b zeta \xe9t\xe9");
}

TEST_F(Find, Attributes)
{
    struct Row {
        const char* name;
        std::uint32_t attributes;
        std::int64_t size;
    } rows[] = {
        {"a.txt", 0, 1},
        {"sub", con::kAttrDirectory, 0},
        {"link", con::kAttrLink, 5}, // the target's size
        {"dirlink", con::kAttrLink | con::kAttrDirectory, 0},
        {"dangling", con::kAttrLink, 0},
        {"fifo", con::kAttrDevice, 0},
        {".", con::kAttrDirectory, 0},
    };
    for (const Row& r : rows) {
        std::vector<Seen> seen = find_all(dir / r.name); // a name without wildcards
        ASSERT_EQ(seen.size(), 1u) << r.name;
        EXPECT_EQ(seen[0].name, r.name);
        EXPECT_EQ(seen[0].attributes, r.attributes) << r.name;
        EXPECT_EQ(seen[0].size, r.size) << r.name;
    }
}

TEST_F(Find, Times)
{
    struct timeval tv[2] = {{1000000000, 0}, {954201600, 0}}; // 2000-03-28 UTC
    ASSERT_EQ(utimes((dir / "a.txt").c_str(), tv), 0);
    struct timeval link_tv[2] = {{0, 0}, {86400, 0}};
    ASSERT_EQ(lutimes((dir / "link").c_str(), link_tv), 0);
    con::FindEntry e;
    int h = con::find_first((dir / "a.txt").c_str(), e);
    ASSERT_GT(h, 0);
    EXPECT_EQ(e.write_time, 954201600);
    EXPECT_EQ(e.access_time, 1000000000);
    con::find_close(h);
    h = con::find_first((dir / "link").c_str(), e);
    ASSERT_GT(h, 0);
    EXPECT_EQ(e.write_time, 86400); // the link's own, not its target's
    con::find_close(h);
}

// The kinds-only search gives what the full search gives, times aside.
TEST_F(Find, KindsOnly)
{
    for (const std::string& pattern :
         {dir / "*.*", dir / "*.txt", dir / "sub", dir / "dirlink", dir.path() + "\\sub\\*.*"}) {
        SCOPED_TRACE(pattern);
        std::vector<Seen> full = find_all(pattern);
        std::vector<Seen> kinds;
        con::FindEntry e;
        int h = con::find_first_kinds(pattern.c_str(), e);
        ASSERT_GT(h, 0);
        do {
            kinds.push_back({e.name, e.attributes, e.size});
            EXPECT_EQ(e.write_time, -1);
            EXPECT_EQ(e.size, 0);
        } while (con::find_next(h, e) == 0);
        EXPECT_EQ(con::find_close(h), 0);
        ASSERT_EQ(kinds.size(), full.size());
        for (std::size_t i = 0; i < full.size(); i++) {
            EXPECT_EQ(kinds[i].name, full[i].name);
            EXPECT_EQ(kinds[i].attributes, full[i].attributes) << full[i].name;
        }
    }
    con::FindEntry e;
    EXPECT_EQ(con::find_first_kinds((dir / "*.none").c_str(), e), -1);
}

// A search of a directory just closed may take the read it made; a change
// to the directory in between must still show. The directory is left
// unchanged for two seconds first, so that its read can be kept at all.
TEST(FindAgain, SeesChangesAfterAClosedSearch)
{
    TempDir dir;
    dir.write("a", "");
    sleep(2);
    EXPECT_EQ(names(find_all(dir / "*")), ". .. a");
    EXPECT_EQ(names(find_all(dir / "*")), ". .. a"); // taken again, unchanged
    dir.write("b", "");
    EXPECT_EQ(names(find_all(dir / "*")), ". .. a b");
    ASSERT_EQ(unlink((dir / "a").c_str()), 0);
    EXPECT_EQ(names(find_all(dir / "*")), ". .. b");
    ASSERT_EQ(rename((dir / "b").c_str(), (dir / "c").c_str()), 0);
    EXPECT_EQ(names(find_all(dir / "*")), ". .. c");
    EXPECT_EQ(names(find_all(dir / "?")), ". c"); // another pattern
}

TEST_F(Find, NothingMatches)
{
    con::FindEntry e;
    for (std::string pattern : {dir / "*.none", dir / "missing", dir / "nodir/*.*",
                                dir / "sub/", dir / "a.txt/x", dir / "a.txt/*",
                                std::string("")}) {
        errno = 0;
        EXPECT_EQ(con::find_first(pattern.c_str(), e), -1) << pattern;
        EXPECT_EQ(errno, ENOENT) << pattern;
    }
    EXPECT_EQ(con::find_next(12345, e), -1);
}

TEST_F(Find, ManyOpenAtOnce)
{
    // One search per level of a deep walk: each holds no directory open.
    std::vector<int> handles;
    con::FindEntry e;
    for (int i = 0; i < 1500; i++) {
        int h = con::find_first((dir / "*.txt").c_str(), e);
        ASSERT_GT(h, 0);
        handles.push_back(h);
    }
    for (int h : handles)
        EXPECT_EQ(con::find_close(h), 0);
}

} // namespace
