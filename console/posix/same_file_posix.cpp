// Same device and inode.
#include "console/same_file.h"

#include "console/os.h"
#include "console/path_limits.h"

#include <sys/stat.h>

namespace con {

bool same_file(const char* a, const char* b)
{
    char sa[kPathMax + 1];
    char sb[kPathMax + 1];
    struct stat x;
    struct stat y;
    return os::to_system_path(a, sa, sizeof sa) && os::to_system_path(b, sb, sizeof sb) &&
           ::stat(sa, &x) == 0 && ::stat(sb, &y) == 0 && x.st_dev == y.st_dev &&
           x.st_ino == y.st_ino;
}

} // namespace con
