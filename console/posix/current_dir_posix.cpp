// The current directory on POSIX: getcwd and chdir.
#include "console/current_dir.h"

#include <cerrno>
#include <unistd.h>

namespace con {

bool read_current_dir(std::span<char> out)
{
    if (out.empty()) {
        errno = ERANGE;
        return false;
    }
    if (::getcwd(out.data(), out.size()) == nullptr)
        return false;
    // Only a full path leads back here; a directory outside the process's
    // root has none.
    if (out[0] != '/') {
        errno = ENOENT;
        return false;
    }
    return true;
}

bool change_dir(const char* name) { return ::chdir(name) == 0; }

} // namespace con
