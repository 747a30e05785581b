// sporvik: searches every file that matches a wildcard for a string, a to z
// in either case and every other byte exactly, and lists each hit's offset.
#include "scan_file.h"

#include "console/find.h"
#include "console/path.h"
#include "console/report.h"
#include "console/stream.h"

#include <cstring>

namespace {

constexpr int kFound = 0;
constexpr int kNotFound = 1;

void too_short(con::Stream& out, const char* file_spec)
{
    out.print("File spec   = %s\n", file_spec);
    out.write("Search spec = \n");
    out.write("The search string is too short.\n");
}

} // namespace

int main(int argc, char** argv)
{
    con::Stream& out = con::std_out();
    out.write("SPORVIK - Binary File String Search\n");
    if (argc < 2) {
        out.write("Usage is : \"SPORVIK [\"Search String\"] [FileName(s)]\"\n");
        out.write("Purpose  : Upper Case Binary File String Match Search\n\n");
        return con::end_run(kNotFound);
    }
    const char* file_spec = argc > 2 ? argv[2] : "*.*";
    con::PathParts parts;
    if (!con::split_path(file_spec, parts)) {
        out.write("The file pattern is too long.\n");
        return con::end_run(kNotFound);
    }
    char search[sporvik::kSearchMax + 1];
    std::size_t length = std::strlen(argv[1]);
    if (length > sporvik::kSearchMax) {
        out.write("The search string is too long.\n");
        return con::end_run(kNotFound);
    }
    std::memcpy(search, argv[1], length + 1);
    // One pair of enclosing double quotes that the command line left on.
    if (length > 0 && search[0] == '"' && search[length - 1] == '"') {
        length = length == 1 ? 0 : length - 2;
        std::memmove(search, search + 1, length);
        search[length] = '\0';
    }
    if (length == 0) {
        too_short(out, file_spec);
        return con::end_run(kNotFound);
    }
    out.print("File spec   = %s\n", file_spec);
    out.print("Search spec = %s\n", search);

    con::FindEntry entry;
    int handle = con::find_first(file_spec, entry);
    if (handle < 0) {
        out.print("%s : File not found... exiting.\n", file_spec);
        return con::end_run(kNotFound);
    }
    unsigned char folded[sporvik::kSearchMax + 1];
    sporvik::fold(folded, reinterpret_cast<const unsigned char*>(search), length + 1);
    std::int64_t total = 0;
    do {
        // Directories, and FIFOs or devices that could block a read, are
        // passed over without a word.
        if (entry.attributes & (con::kAttrDirectory | con::kAttrDevice))
            continue;
        char path[con::kPathMax + con::kNameMax + 2];
        con::join_path(path, parts.drive, parts.dir, entry.name);
        total += sporvik::scan_file(path, search, folded, static_cast<int>(length), entry.size);
    } while (con::find_next(handle, entry) == 0);
    con::find_close(handle);
    if (total == 0) {
        out.write("No files contain the searchspec...\n");
        return con::end_run(kNotFound);
    }
    return con::end_run(kFound);
}
