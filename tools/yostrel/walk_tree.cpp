// walk_tree and list_directory: every directory is searched twice, once for
// the subdirectories to walk and once for the entries to list. The first
// search needs only the kinds of the entries, which the system gives with
// their names; only the second reads their times. Both give the entries in
// byte order of their names, so the output of a tree is always the same.
#include "walk_tree.h"

#include "console/current_dir.h"
#include "console/find.h"
#include "console/local_time.h"

#include <cstring>
#include <string_view>

namespace yostrel {
namespace {

constexpr const char* kEverything = "*.*";

// The current directory as read back: one buffer serves every level.
char here[con::kPathMax + 1];

// One output line: the time, the directory's path, a separator, the name
// and the line end.
constexpr std::size_t kTimeMax = 32; // "%4d.%02d.%02d.%02d.%02d.%02d " of any int values
char line[kTimeMax + con::kPathMax + 1 + con::kNameMax + 1];

// Writes value as printf's "%*d" (pad ' ') or "%0*d" (pad '0') with this
// width would; gives the end.
char* put_number(char* p, int value, int width, char pad)
{
    char digits[12];
    int n = 0;
    unsigned v = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    int fill = width - n - (value < 0);
    if (pad == ' ')
        for (; fill > 0; fill--)
            *p++ = ' ';
    if (value < 0)
        *p++ = '-';
    for (; fill > 0; fill--)
        *p++ = '0';
    while (n > 0)
        *p++ = digits[--n];
    return p;
}

// The time as "%4d.%02d.%02d.%02d.%02d.%02d ", written by hand: a tree can
// hold millions of entries, and a printf for each would cost more than
// reading its time. Gives the end.
char* put_time(char* p, const con::CalendarTime& t)
{
    p = put_number(p, t.year, 4, ' ');
    for (int part : {t.month, t.day, t.hour, t.minute, t.second}) {
        *p++ = '.';
        p = put_number(p, part, 2, '0');
    }
    *p++ = ' ';
    return p;
}

// Puts the separator and the name behind the first length bytes of path,
// no separator after the root's, which ends in one. Gives the new length,
// or 0 when the result would be longer than a path can be.
std::size_t extend(char* path, std::size_t length, const char* name)
{
    const std::size_t n = std::strlen(name);
    const bool separator = length == 0 || path[length - 1] != con::kDirSeparator;
    if (length + separator + n > con::kPathMax)
        return 0;
    if (separator)
        path[length++] = con::kDirSeparator;
    std::memcpy(path + length, name, n + 1);
    return length + n;
}

} // namespace

bool is_dot_entry(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

bool is_subdirectory(const con::FindEntry& entry)
{
    // A link to a directory is listed but never walked: followed, it could
    // lead the walk round a loop or out of the tree.
    return (entry.attributes & con::kAttrDirectory) != 0 &&
           (entry.attributes & con::kAttrLink) == 0 && !is_dot_entry(entry.name);
}

bool date_passes(const Reference& reference, int month, int day, int year)
{
    if (reference.exact)
        return year == reference.year && month == reference.month && day == reference.day;
    if (year != reference.year)
        return year > reference.year;
    if (month != reference.month)
        return month > reference.month;
    return day >= reference.day;
}

void list_directory(con::Stream& out, const char* path, const Reference& reference)
{
    const std::string_view dir(path);
    if (dir.size() > con::kPathMax)
        return; // no directory the system names has a longer path
    const bool at_root = !dir.empty() && dir.back() == con::kDirSeparator;
    con::FindEntry entry;
    const int handle = con::find_first(kEverything, entry);
    if (handle < 0)
        return;
    do {
        // An entry without a usable time has no date to compare; it is
        // passed over.
        con::CalendarTime t;
        if (!con::local_time(entry.write_time, t) ||
            !date_passes(reference, t.month, t.day, t.year) || is_dot_entry(entry.name))
            continue;
        std::size_t len = static_cast<std::size_t>(put_time(line, t) - line);
        std::memcpy(line + len, dir.data(), dir.size());
        len += dir.size();
        if (!at_root)
            line[len++] = con::kDirSeparator;
        const std::size_t name_len = std::strlen(entry.name);
        std::memcpy(line + len, entry.name, name_len);
        len += name_len;
        line[len++] = '\n';
        out.write(std::string_view(line, len));
    } while (con::find_next(handle, entry) == 0);
    con::find_close(handle);
}

void walk_tree(Walk& walk, std::size_t length)
{
    // The directory's path, read back, must be the one the walk expects:
    // one whose path is too long to read, or that was moved while the walk
    // was on its way down, has no path to list or to come back to.
    if (!con::read_current_dir(here) || std::strcmp(here, walk.path) != 0)
        return;
    con::FindEntry entry;
    const int handle = con::find_first_kinds(kEverything, entry);
    if (handle > 0) {
        do {
            if (!is_subdirectory(entry))
                continue;
            const std::size_t sub = extend(walk.path, length, entry.name);
            if (sub != 0 && con::change_dir(entry.name)) {
                walk_tree(walk, sub);
                walk.path[length] = '\0';
                // Back by the full path. Without a way back, this level's
                // search and listing would run in the wrong directory; the
                // level above goes back to its own path instead.
                if (!con::change_dir(walk.path)) {
                    con::find_close(handle);
                    return;
                }
            }
            walk.path[length] = '\0';
        } while (con::find_next(handle, entry) == 0);
        con::find_close(handle);
    }
    list_directory(*walk.out, walk.path, walk.reference);
}

} // namespace yostrel
