// The kinds-only search on POSIX: the directory is read once at kind_first
// and its matching names kept, each behind the kind byte the directory gave
// with it, sorted, in one buffer per open search. Only a link, or an entry
// whose kind the file system does not tell, costs a status read.
#include "console/kind_search.h"

#include "console/os.h"
#include "console/wildcard.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

namespace con {
namespace {

// One open search: the directory's name for the system, then the entries,
// each a kind byte and a NUL-terminated name, then the offsets of the
// entries in the order of their names. All of it is one allocation.
struct KindSearch {
    std::size_t count;
    std::size_t next;
    std::uint32_t* order;
    char* entries;
    char dir[kPathMax + 2]; // "" for the current directory, else ends in "/"
};

constexpr std::size_t kMaxSearches = 4096;
std::array<KindSearch*, kMaxSearches> searches{};

// The attributes of an entry of this mode; a link has its target's kind
// as well, and a link that leads nowhere only the link bit.
std::uint32_t attributes_of(mode_t mode, const char* path)
{
    std::uint32_t attributes = 0;
    if (S_ISLNK(mode)) {
        attributes = kAttrLink;
        struct stat target;
        mode = ::stat(path, &target) == 0 ? target.st_mode : 0;
    }
    if (S_ISDIR(mode))
        attributes |= kAttrDirectory;
    else if (mode != 0 && !S_ISREG(mode))
        attributes |= kAttrDevice;
    return attributes;
}

mode_t mode_of_kind(unsigned char kind)
{
    switch (kind) {
    case DT_DIR: return S_IFDIR;
    case DT_REG: return S_IFREG;
    case DT_LNK: return S_IFLNK;
    case DT_FIFO: return S_IFIFO;
    case DT_SOCK: return S_IFSOCK;
    case DT_CHR: return S_IFCHR;
    case DT_BLK: return S_IFBLK;
    default: return 0;
    }
}

// Fills entry; false when the entry had to be looked up and has gone.
bool fill_entry(const KindSearch& search, const char* at, FindEntry& entry)
{
    const unsigned char kind = static_cast<unsigned char>(at[0]);
    const char* name = at + 1;
    const std::size_t nlen = std::strlen(name);
    char path[kPathMax + 2 + kNameMax + 1];
    const std::size_t dlen = std::strlen(search.dir);
    std::memcpy(path, search.dir, dlen);
    std::memcpy(path + dlen, name, nlen + 1);
    mode_t mode = mode_of_kind(kind);
    if (mode == 0) {
        struct stat st;
        if (::lstat(path, &st) != 0)
            return false;
        mode = st.st_mode;
    }
    entry.attributes = attributes_of(mode, path);
    entry.creation_time = -1;
    entry.access_time = -1;
    entry.write_time = -1;
    entry.size = 0;
    std::memcpy(entry.name, name, nlen + 1);
    return true;
}

bool deliver(KindSearch& search, FindEntry& entry)
{
    while (search.next < search.count)
        if (fill_entry(search, search.entries + search.order[search.next++], entry))
            return true;
    return false;
}

KindSearch* read_directory(const char* dir, const char* last)
{
    DIR* d = ::opendir(dir[0] != '\0' ? dir : ".");
    if (d == nullptr) {
        errno = ENOENT;
        return nullptr;
    }
    std::size_t cap = sizeof(KindSearch) + 4096;
    std::size_t used = sizeof(KindSearch);
    std::size_t count = 0;
    char* block = static_cast<char*>(std::malloc(cap));
    while (block != nullptr) {
        struct dirent* e = ::readdir(d);
        if (e == nullptr)
            break;
        const std::size_t n = std::strlen(e->d_name) + 1;
        if (n > kNameMax + 1 || !wildcard_match(last, e->d_name))
            continue;
        if (used + 1 + n > cap) {
            cap *= 2;
            char* grown = static_cast<char*>(std::realloc(block, cap));
            if (grown == nullptr) {
                std::free(block);
                block = nullptr;
                break;
            }
            block = grown;
        }
        block[used] = static_cast<char>(e->d_type);
        std::memcpy(block + used + 1, e->d_name, n);
        used += 1 + n;
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
    const std::size_t order_at =
        (used + alignof(std::uint32_t) - 1) & ~(alignof(std::uint32_t) - 1);
    const std::size_t total = order_at + count * sizeof(std::uint32_t);
    if (total > cap) {
        char* grown = static_cast<char*>(std::realloc(block, total));
        if (grown == nullptr) {
            std::free(block);
            errno = ENOMEM;
            return nullptr;
        }
        block = grown;
    }
    KindSearch* search = reinterpret_cast<KindSearch*>(block);
    search->entries = block + sizeof(KindSearch);
    search->order = reinterpret_cast<std::uint32_t*>(block + order_at);
    search->count = count;
    search->next = 0;
    std::uint32_t at = 0;
    for (std::size_t i = 0; i < count; i++) {
        search->order[i] = at;
        at += static_cast<std::uint32_t>(1 + std::strlen(search->entries + at + 1) + 1);
    }
    const char* entries = search->entries;
    std::sort(search->order, search->order + count, [entries](std::uint32_t a, std::uint32_t b) {
        return std::strcmp(entries + a + 1, entries + b + 1) < 0;
    });
    return search;
}

KindSearch* open_search(int handle)
{
    if (handle < 1 || static_cast<std::size_t>(handle) > kMaxSearches)
        return nullptr;
    return searches[handle - 1];
}

} // namespace

int kind_first(const char* pattern, FindEntry& entry)
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
    const std::size_t dlen = slash != nullptr ? static_cast<std::size_t>(slash + 1 - system) : 0;
    std::memcpy(dir, system, dlen);
    dir[dlen] = '\0';

    // A name without wildcards matches only itself, as in find_first.
    KindSearch* search = read_directory(dir, last);
    if (search == nullptr)
        return -1;
    std::memcpy(search->dir, dir, dlen + 1);
    if (!deliver(*search, entry)) {
        std::free(search);
        errno = ENOENT;
        return -1;
    }
    for (std::size_t i = 0; i < kMaxSearches; i++)
        if (searches[i] == nullptr) {
            searches[i] = search;
            return static_cast<int>(i) + 1;
        }
    std::free(search);
    errno = ENOMEM;
    return -1;
}

int kind_next(int handle, FindEntry& entry)
{
    KindSearch* search = open_search(handle);
    if (search == nullptr) {
        errno = EINVAL;
        return -1;
    }
    if (!deliver(*search, entry)) {
        errno = ENOENT;
        return -1;
    }
    return 0;
}

int kind_close(int handle)
{
    KindSearch* search = open_search(handle);
    if (search == nullptr) {
        errno = EINVAL;
        return -1;
    }
    std::free(search);
    searches[handle - 1] = nullptr;
    return 0;
}

} // namespace con
