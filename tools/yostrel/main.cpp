// yostrel: lists every file and directory below the current directory that
// was written on or after a date (with ABSOLUTE, on that date only), each
// with its local write time; a subdirectory's tree comes before its parent's
// entries. It reads no file and writes none.
#include "walk_tree.h"

#include "console/ascii.h"
#include "console/current_dir.h"
#include "console/decimal.h"
#include "console/report.h"
#include "console/stream.h"

#include <cstdint>
#include <cstring>

namespace {

// Every run ends with this status: after the usage screen, after a date out
// of range and after a walk.
constexpr int kDone = 0;

void usage(con::Stream& out)
{
    out.write("Yostrel - Modified Files Lister\n");
    out.write("Usage is : \"yostrel mm dd yyyy [ABSOLUTE-optional]\"\n");
    out.write("Purpose  : Print names of files modified since mm dd yyyy\n");
}

// Reads text by the leading-digits rule; false when the number lies outside
// low to high.
bool read_in_range(const char* text, int low, int high, int& value)
{
    const std::int64_t v = con::read_decimal(text);
    if (v < low || v > high)
        return false;
    value = static_cast<int>(v);
    return true;
}

yostrel::Walk walk;

} // namespace

int main(int argc, char** argv)
{
    con::Stream& out = con::std_out();
    if (argc != 4 && argc != 5) {
        usage(out);
        return con::end_run(kDone);
    }
    walk.out = &out;
    yostrel::Reference& reference = walk.reference;
    reference.exact = argc == 5 && con::ascii_equal_nocase(argv[4], "ABSOLUTE");
    if (!read_in_range(argv[1], 1, 12, reference.month) ||
        !read_in_range(argv[2], 1, 31, reference.day) ||
        !read_in_range(argv[3], 1980, 2099, reference.year))
        return con::end_run(kDone);

    char start[con::kPathMax + 1];
    if (!con::read_current_dir(start))
        return con::end_run(kDone);
    std::strcpy(walk.path, start);
    yostrel::walk_tree(walk, std::strlen(start));
    con::change_dir(start);
    return con::end_run(kDone);
}
