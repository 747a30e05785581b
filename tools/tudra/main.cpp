// tudra: counts the LF-terminated lines of every file that matches a
// wildcard and prints a table of counts and names, the total, the number of
// files and the average. Directories, FIFOs and devices are passed over.
#include "count_lines.h"

#include "console/find.h"
#include "console/path.h"
#include "console/report.h"
#include "console/stream.h"

#include <cinttypes>

namespace {

constexpr int kCounted = 0;
constexpr int kNoneCounted = 1;

} // namespace

int main(int argc, char** argv)
{
    con::Stream& out = con::std_out();
    out.write("TUDRA 1.1 - Line Counter\n");
    out.write("Counts the LF bytes of every file that matches a wildcard.\n");
    if (argc < 2) {
        out.write("Usage is : \"TUDRA [FileName*.*]\"\n");
        out.write("Purpose  : Count Lines In Files. (especially source code files)\n\n");
        return con::end_run(kNoneCounted);
    }
    const char* file_spec = argv[1];
    con::PathParts parts;
    if (!con::split_path(file_spec, parts)) {
        out.write("The file pattern is too long.\n");
        return con::end_run(kNoneCounted);
    }

    con::FindEntry entry;
    int handle = con::find_first(file_spec, entry);
    if (handle < 0)
        return con::end_run(kNoneCounted);
    std::int64_t total = 0;
    std::int64_t files = 0;
    do {
        // A FIFO or a device could block the read or never end: passed over
        // like a directory.
        if (entry.attributes & (con::kAttrDirectory | con::kAttrDevice))
            continue;
        char path[con::kPathMax + con::kNameMax + 2];
        con::join_path(path, parts.drive, parts.dir, entry.name);
        total += tudra::count_lines(path, entry.name, files);
    } while (con::find_next(handle, entry) == 0);
    con::find_close(handle);

    out.print("%-12s= %" PRId64 "\n", "Total Lines", total);
    out.print("%-12s= %" PRId64 "\n", "Total Files", files);
    if (files > 0)
        out.print("%-12s= %" PRId64 "\n", "Average", total / files);
    return con::end_run(files > 0 ? kCounted : kNoneCounted);
}
