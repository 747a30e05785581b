// Splitting a path into drive, directory, base name and extension, and
// joining drive, directory and a name back into a path.
#pragma once

#include "console/path_limits.h"

#include <span>

namespace con {

struct PathParts {
    char drive[3];
    char dir[kPathMax + 1];
    char base[kPathMax + 1];
    char ext[kPathMax + 1];
};

// The drive is the first two characters when the second is ":" (only where
// the platform has drive letters); the directory runs up to and including
// the last "/" or "\"; the extension from the last "." after it; the base
// name lies between. False when the path is longer than kPathMax or one of
// its components longer than kNameMax.
bool split_path(const char* path, PathParts& parts);

// Writes drive, directory and name one after the other into out; false,
// with out holding an empty string, when the result does not fit.
bool join_path(std::span<char> out, const char* drive, const char* dir, const char* name);

// True for "/" and "\", the two separators of every name.
constexpr bool is_separator(char c) { return c == '/' || c == '\\'; }

} // namespace con
