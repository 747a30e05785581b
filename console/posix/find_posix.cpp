// The wildcard search on POSIX: the directory is read once at find_first
// and its matching names kept, sorted, in one buffer per open search; each
// entry's status is read when it is delivered.
#include "console/find.h"

#include "console/os.h"
#include "console/path.h"
#include "console/wildcard.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace con {
namespace {

// One open search: the directory's name for the system, then the names,
// NUL-terminated one after another, then the offsets of the names in sorted
// order. All of it is one allocation.
struct Search {
    std::size_t count;
    std::size_t next;
    std::uint32_t* order;
    char* names;
    char dir[kPathMax + 2]; // "" for the current directory, else ends in "/"
};

constexpr std::size_t kMaxSearches = 4096;
std::array<Search*, kMaxSearches> searches{};

std::int64_t seconds(const struct statx_timestamp& t)
{
    return t.tv_sec < 0 ? -1 : static_cast<std::int64_t>(t.tv_sec);
}

// Fills entry for name in the search's directory; false when the entry
// has gone since the directory was read.
bool fill_entry(const Search& search, const char* name, FindEntry& entry)
{
    char path[kPathMax + 2 + kNameMax + 1];
    std::size_t dlen = std::strlen(search.dir);
    std::size_t nlen = std::strlen(name);
    if (nlen > kNameMax)
        return false;
    std::memcpy(path, search.dir, dlen);
    std::memcpy(path + dlen, name, nlen + 1);
    entry.attributes = 0;
    entry.size = 0;
    std::memcpy(entry.name, name, nlen + 1);
    struct statx st;
    if (statx(AT_FDCWD, path, AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &st) != 0) {
        // An entry that has gone is left out; one that cannot be looked at
        // (its path too long, say) is delivered as a file of unknown times,
        // so that the program that opens it tells why it cannot.
        entry.creation_time = entry.access_time = entry.write_time = -1;
        return errno != ENOENT && errno != ENOTDIR;
    }
    mode_t mode = st.stx_mode;
    std::int64_t size = static_cast<std::int64_t>(st.stx_size);
    if (S_ISLNK(mode)) {
        entry.attributes |= kAttrLink;
        struct stat target;
        mode = 0;
        size = 0;
        if (::stat(path, &target) == 0) {
            mode = target.st_mode;
            size = static_cast<std::int64_t>(target.st_size);
        }
    }
    if (S_ISDIR(mode))
        entry.attributes |= kAttrDirectory;
    else if (S_ISREG(mode))
        entry.size = size;
    else if (mode != 0)
        entry.attributes |= kAttrDevice;
    entry.creation_time = (st.stx_mask & STATX_BTIME) ? seconds(st.stx_btime) : -1;
    entry.access_time = seconds(st.stx_atime);
    entry.write_time = seconds(st.stx_mtime);
    return true;
}

// Delivers the next entry that still exists.
bool deliver(Search& search, FindEntry& entry)
{
    while (search.next < search.count) {
        const char* name = search.names + search.order[search.next++];
        if (fill_entry(search, name, entry))
            return true;
    }
    return false;
}

int store(Search* search)
{
    for (std::size_t i = 0; i < kMaxSearches; i++)
        if (searches[i] == nullptr) {
            searches[i] = search;
            return static_cast<int>(i) + 1;
        }
    std::free(search);
    errno = ENOMEM;
    return -1;
}

// Reads the directory and keeps the names that match, sorted. Gives the
// search, or nullptr with errno set.
Search* read_directory(const char* dir, const char* last)
{
    const char* open_name = dir[0] != '\0' ? dir : ".";
    DIR* d = ::opendir(open_name);
    if (d == nullptr) {
        errno = ENOENT;
        return nullptr;
    }
    std::size_t cap = sizeof(Search) + 4096;
    std::size_t used = sizeof(Search);
    std::size_t count = 0;
    char* block = static_cast<char*>(std::malloc(cap));
    while (block != nullptr) {
        errno = 0;
        struct dirent* e = ::readdir(d);
        if (e == nullptr)
            break;
        if (!wildcard_match(last, e->d_name))
            continue;
        std::size_t n = std::strlen(e->d_name) + 1;
        if (used + n > cap) {
            cap *= 2;
            char* grown = static_cast<char*>(std::realloc(block, cap));
            if (grown == nullptr) {
                std::free(block);
                block = nullptr;
                break;
            }
            block = grown;
        }
        std::memcpy(block + used, e->d_name, n);
        used += n;
        count++;
    }
    ::closedir(d);
    if (block == nullptr) {
        errno = ENOMEM;
        return nullptr;
    }
    if (count == 0) {
        std::free(block);
        errno = ENOENT;
        return nullptr;
    }
    // The sorted offsets go behind the names, aligned.
    std::size_t order_at = (used + alignof(std::uint32_t) - 1) & ~(alignof(std::uint32_t) - 1);
    std::size_t total = order_at + count * sizeof(std::uint32_t);
    if (total > cap) {
        char* grown = static_cast<char*>(std::realloc(block, total));
        if (grown == nullptr) {
            std::free(block);
            errno = ENOMEM;
            return nullptr;
        }
        block = grown;
    }
    Search* search = reinterpret_cast<Search*>(block);
    search->names = block + sizeof(Search);
    search->order = reinterpret_cast<std::uint32_t*>(block + order_at);
    search->count = count;
    search->next = 0;
    std::uint32_t at = 0;
    for (std::size_t i = 0; i < count; i++) {
        search->order[i] = at;
        at += static_cast<std::uint32_t>(std::strlen(search->names + at) + 1);
    }
    const char* names = search->names;
    std::sort(search->order, search->order + count, [names](std::uint32_t a, std::uint32_t b) {
        return std::strcmp(names + a, names + b) < 0;
    });
    return search;
}

// A search for one name, without wildcards: no directory is read.
Search* single_name(const char* last)
{
    std::size_t n = std::strlen(last) + 1;
    std::size_t total = sizeof(Search) + n + sizeof(std::uint32_t) * 2;
    char* block = static_cast<char*>(std::malloc(total));
    if (block == nullptr) {
        errno = ENOMEM;
        return nullptr;
    }
    Search* search = reinterpret_cast<Search*>(block);
    search->names = block + sizeof(Search);
    std::memcpy(search->names, last, n);
    std::size_t order_at = (sizeof(Search) + n + 3) & ~std::size_t{3};
    search->order = reinterpret_cast<std::uint32_t*>(block + order_at);
    search->order[0] = 0;
    search->count = 1;
    search->next = 0;
    return search;
}

} // namespace

int find_first(const char* pattern, FindEntry& entry)
{
    char system[kPathMax + 1];
    if (!os::to_system_path(pattern, system, sizeof system)) {
        errno = EINVAL;
        return -1;
    }
    char* slash = std::strrchr(system, '/');
    const char* last = slash != nullptr ? slash + 1 : system;
    if (last[0] == '\0' || std::strlen(last) > kNameMax) {
        errno = last[0] == '\0' ? ENOENT : EINVAL;
        return -1;
    }
    char dir[kPathMax + 2];
    std::size_t dlen = slash != nullptr ? static_cast<std::size_t>(slash + 1 - system) : 0;
    std::memcpy(dir, system, dlen);
    dir[dlen] = '\0';

    Search* search = has_wildcards(last) ? read_directory(dir, last) : single_name(last);
    if (search == nullptr)
        return -1;
    std::memcpy(search->dir, dir, dlen + 1);
    if (!deliver(*search, entry)) {
        std::free(search);
        errno = ENOENT;
        return -1;
    }
    return store(search);
}

int find_next(int handle, FindEntry& entry)
{
    if (handle < 1 || static_cast<std::size_t>(handle) > kMaxSearches ||
        searches[handle - 1] == nullptr) {
        errno = EINVAL;
        return -1;
    }
    if (!deliver(*searches[handle - 1], entry)) {
        errno = ENOENT;
        return -1;
    }
    return 0;
}

int find_close(int handle)
{
    if (handle < 1 || static_cast<std::size_t>(handle) > kMaxSearches ||
        searches[handle - 1] == nullptr) {
        errno = EINVAL;
        return -1;
    }
    std::free(searches[handle - 1]);
    searches[handle - 1] = nullptr;
    return 0;
}

} // namespace con
