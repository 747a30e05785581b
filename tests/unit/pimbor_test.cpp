// The array writer against inputs that end before, at and after the length
// they were taken to have.
#include "tools/pimbor/array_source.h"

#include "runner.h"

#include <string>

namespace {

using e2e::TempDir;

struct Row {
    const char* name;
    std::string bytes;
    std::int64_t length;
    pimbor::Written written;
    std::string text;
};

TEST(WriteArray, LengthAgainstTheInput)
{
    const Row rows[] = {
        {"as long as declared", "\x01\x02\x03", 3, pimbor::Written::whole,
         "unsigned char a[3] ={\r\n0x01, 0x02, 0x03};"},
        {"ends early: no made-up bytes, no closing", "\x01\x02", 3, pimbor::Written::early_end,
         "unsigned char a[3] ={\r\n0x01, 0x02, "},
        {"longer than declared", "\x01\x02\x03", 2, pimbor::Written::longer,
         "unsigned char a[2] ={\r\n0x01, 0x02};"},
        {"empty but declared empty", "", 0, pimbor::Written::whole, "unsigned char a[0] ={\r\n};"},
        {"not empty but declared empty", "x", 0, pimbor::Written::longer,
         "unsigned char a[0] ={\r\n};"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        TempDir dir;
        dir.write("in", r.bytes);
        con::Stream in;
        con::Stream out;
        ASSERT_TRUE(con::open_stream(in, (dir / "in").c_str(), "rb"));
        ASSERT_TRUE(con::open_stream(out, (dir / "out").c_str(), "w"));
        EXPECT_EQ(pimbor::write_array(in, r.length, "a", out), r.written);
        EXPECT_EQ(out.close(), 0);
        EXPECT_BYTES(dir.read("out"), r.text);
    }
}

} // namespace
