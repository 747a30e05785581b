// Wildcard search of a directory: find_first, find_next, find_close.
// Entries come in ascending byte order of their names.
#pragma once

#include "console/path_limits.h"

#include <cstdint>

namespace con {

inline constexpr std::uint32_t kAttrDirectory = 0x10; // also a link to one
inline constexpr std::uint32_t kAttrDevice = 0x40;    // FIFO, socket, device node
inline constexpr std::uint32_t kAttrLink = 0x400;     // symbolic link

struct FindEntry {
    std::uint32_t attributes; // 0 for a plain file
    // Seconds since 1970-01-01 00:00 UTC; -1 when there is none (a file
    // status here has no creation time, so it is always -1). A link's
    // times are the link's own.
    std::int64_t creation_time;
    std::int64_t access_time;
    std::int64_t write_time;
    std::int64_t size; // a link to a file has its target's size
    char name[kNameMax + 1];
};

// The pattern is a path whose last component may hold "*" and "?". Gives a
// handle above 0 with the first entry filled, or -1 with errno set (2 when
// nothing matches or the directory is missing, 12 for lack of memory, 22
// otherwise).
int find_first(const char* pattern, FindEntry& entry);
// As find_first, for a search that needs only names and attributes: times
// are -1 and the size 0. Where the system gives an entry's kind with its
// name, as POSIX does, no status is read for it, so a walk that looks only
// for subdirectories costs one directory read per directory and no more.
int find_first_kinds(const char* pattern, FindEntry& entry);
// 0 with the next entry filled, or -1 (errno 2) after the last one.
int find_next(int handle, FindEntry& entry);
// 0, or -1 for a handle that is not open.
int find_close(int handle);

} // namespace con
