// Path split and join.
#include "console/path.h"

#include <cstring>

namespace con {
namespace {

void copy_part(char* out, const char* from, const char* to)
{
    std::memcpy(out, from, to - from);
    out[to - from] = '\0';
}

} // namespace

bool split_path(const char* path, PathParts& parts)
{
    std::size_t len = std::strlen(path);
    parts.drive[0] = parts.dir[0] = parts.base[0] = parts.ext[0] = '\0';
    if (len > kPathMax)
        return false;
    // No component may be longer than a name can be.
    std::size_t run = 0;
    for (const char* q = path; *q != '\0'; q++) {
        run = is_separator(*q) ? 0 : run + 1;
        if (run > kNameMax)
            return false;
    }
    const char* p = path;
    const char* end = path + len;
    if (kDriveLetters && len >= 2 && path[1] == ':') {
        copy_part(parts.drive, p, p + 2);
        p += 2;
    }
    const char* dir_end = p;
    for (const char* q = p; q < end; q++)
        if (is_separator(*q))
            dir_end = q + 1;
    copy_part(parts.dir, p, dir_end);
    const char* dot = nullptr;
    for (const char* q = dir_end; q < end; q++)
        if (*q == '.')
            dot = q;
    const char* base_end = dot != nullptr ? dot : end;
    copy_part(parts.base, dir_end, base_end);
    copy_part(parts.ext, base_end, end);
    return true;
}

bool join_path(std::span<char> out, const char* drive, const char* dir, const char* name)
{
    std::size_t a = std::strlen(drive);
    std::size_t b = std::strlen(dir);
    std::size_t c = std::strlen(name);
    if (out.empty())
        return false;
    if (a + b + c >= out.size()) {
        out[0] = '\0';
        return false;
    }
    std::memcpy(out.data(), drive, a);
    std::memcpy(out.data() + a, dir, b);
    std::memcpy(out.data() + a + b, name, c + 1);
    return true;
}

} // namespace con
