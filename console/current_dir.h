// The current directory: reading its full path and making a directory
// current. Names are passed to the system as they are, without turning "\"
// into "/": they come from the system (a search's entry, a path read back),
// and on POSIX a backslash in them is part of a name.
#pragma once

#include <span>

namespace con {

// The separator the system puts between the components of a path it gives.
#if defined(_WIN32)
inline constexpr char kDirSeparator = '\\';
#else
inline constexpr char kDirSeparator = '/';
#endif

// Writes the current directory's full path and a NUL into out. The root's
// path ends in kDirSeparator and no other does. False, with errno set, when
// the path and its NUL need more than out.size() bytes or it cannot be read.
bool read_current_dir(std::span<char> out);

// Makes the directory current, named relative to the current directory or
// by its full path. False, with errno set, when it cannot be entered.
bool change_dir(const char* name);

} // namespace con
