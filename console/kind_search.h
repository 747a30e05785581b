// A directory search for names and kinds only: the entries that find_first
// and find_next give, in the same order and with the same attributes, but
// without their times and size. On POSIX an entry's kind comes with its name
// when the directory is read, and only its times need a status read, so a
// walk that looks only for subdirectories is spared one system call per
// entry.
#pragma once

#include "console/find.h"

namespace con {

// As find_first, with the entry's times -1 and its size 0.
int kind_first(const char* pattern, FindEntry& entry);
// As find_next.
int kind_next(int handle, FindEntry& entry);
// As find_close, for a handle from kind_first.
int kind_close(int handle);

} // namespace con
