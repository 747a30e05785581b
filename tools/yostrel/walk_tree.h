// The walk of the tree below the current directory, and the listing of each
// directory's entries written on or after the reference date (or on it).
#pragma once

#include "console/find.h"
#include "console/path_limits.h"
#include "console/stream.h"

#include <cstddef>

namespace yostrel {

struct Reference {
    int month;  // 1 to 12
    int day;    // 1 to 31, whatever the month
    int year;   // 1980 to 2099
    bool exact; // that day only, rather than that day and after
};

// One walk. Each directory below the start is entered by name from the one
// above it, so its path is that one's path, a separator and the name: one
// buffer holds the paths of all levels, each level knowing its length, and
// the state kept per level is that length and one open search.
struct Walk {
    con::Stream* out;
    Reference reference;
    char path[con::kPathMax + 1];
};

// "." or "..".
bool is_dot_entry(const char* name);
// A directory to walk: not "." or "..", and not a link to a directory.
bool is_subdirectory(const con::FindEntry& entry);
// Whether a local date passes the reference: on it or later, or with exact
// on it. The time of day plays no part.
bool date_passes(const Reference& reference, int month, int day, int year);

// Writes one line for each entry of the current directory, whose full path
// is path, that was written on a date that passes.
void list_directory(con::Stream& out, const char* path, const Reference& reference);

// Walks the current directory, whose path walk.path holds (length bytes),
// depth first: each subdirectory's tree is listed before the directory's own
// entries. Ends in the directory it started in, unless that has gone.
void walk_tree(Walk& walk, std::size_t length);

} // namespace yostrel
