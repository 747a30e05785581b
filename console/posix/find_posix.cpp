// The wildcard search on POSIX: the directory is read once at find_first and
// its matching names kept, each behind the kind the directory gave with it,
// sorted, in one buffer per open search; an entry's status is read when it
// is delivered. The read of the search closed last is kept: searching the
// same directory again for the same pattern, with the directory's change
// times as they were, takes it instead of reading the directory anew (a walk
// that searches each directory for its subdirectories and then lists it
// reads each directory once). Only a read of a directory whose last change
// was at least a second before the read is kept: a change after the read
// then always gives the directory a later change time, however coarse the
// file system's clock.
#include "console/find.h"

#include "console/os.h"
#include "console/wildcard.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>

namespace con {
namespace {

// What tells that a directory is as it was when it was read.
struct DirState {
    dev_t dev;
    ino_t ino;
    struct timespec mtime;
    struct timespec ctime;
};

// An entry's place in the order of names: the name's first eight bytes as
// one number, which decides most comparisons at once, and its offset.
struct Ordered {
    std::uint64_t key;
    std::uint32_t at;
};

// One open search: its state, then the entries (a kind byte and a
// NUL-terminated name each), then the entries in the order of their names.
// All of it is one allocation.
struct Search {
    std::size_t count;
    std::size_t next;
    Ordered* order;
    char* entries;
    bool kinds_only;
    bool reusable; // read from a directory that had not changed for a second
    DirState state;
    char last[kNameMax + 1]; // the pattern's last component
    char dir[kPathMax + 2];  // "" for the current directory, else ends in "/"
};

constexpr std::size_t kMaxSearches = 4096;
std::array<Search*, kMaxSearches> searches{};
Search* kept = nullptr; // the read of the search closed last

bool same_state(const DirState& a, const DirState& b)
{
    return a.dev == b.dev && a.ino == b.ino && a.mtime.tv_sec == b.mtime.tv_sec &&
           a.mtime.tv_nsec == b.mtime.tv_nsec && a.ctime.tv_sec == b.ctime.tv_sec &&
           a.ctime.tv_nsec == b.ctime.tv_nsec;
}

DirState state_of(const struct stat& st) { return {st.st_dev, st.st_ino, st.st_mtim, st.st_ctim}; }

std::int64_t seconds(const struct timespec& t)
{
    return t.tv_sec < 0 ? -1 : static_cast<std::int64_t>(t.tv_sec);
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

// The attributes of an entry of this mode at path; a link has its target's
// kind as well, and a link that leads nowhere only the link bit. size gets
// the size of a file, or of a link's target file.
std::uint32_t attributes_of(mode_t mode, const char* path, std::int64_t& size)
{
    std::uint32_t attributes = 0;
    if (S_ISLNK(mode)) {
        attributes = kAttrLink;
        struct stat target;
        mode = 0;
        if (::stat(path, &target) == 0) {
            mode = target.st_mode;
            size = static_cast<std::int64_t>(target.st_size);
        }
    }
    if (S_ISDIR(mode))
        attributes |= kAttrDirectory;
    else if (mode != 0 && !S_ISREG(mode))
        attributes |= kAttrDevice;
    if (!S_ISREG(mode))
        size = 0;
    return attributes;
}

// Fills entry from the kind byte and name at `at`; false when the entry has
// gone since the directory was read.
bool fill_entry(const Search& search, const char* at, FindEntry& entry)
{
    const char* name = at + 1;
    char path[kPathMax + 2 + kNameMax + 1];
    std::size_t dlen = std::strlen(search.dir);
    std::size_t nlen = std::strlen(name);
    std::memcpy(path, search.dir, dlen);
    std::memcpy(path + dlen, name, nlen + 1);
    std::memcpy(entry.name, name, nlen + 1);
    entry.creation_time = entry.access_time = entry.write_time = -1;
    entry.size = 0;
    mode_t kind = mode_of_kind(static_cast<unsigned char>(at[0]));
    if (search.kinds_only && kind != 0) {
        entry.attributes = attributes_of(kind, path, entry.size);
        entry.size = 0;
        return true;
    }
    struct stat st;
    if (::lstat(path, &st) != 0) {
        // An entry that has gone is left out; one that cannot be looked at
        // (its path too long, say) is delivered as a file of unknown times,
        // so that the program that opens it tells why it cannot.
        entry.attributes = 0;
        return errno != ENOENT && errno != ENOTDIR;
    }
    entry.size = static_cast<std::int64_t>(st.st_size);
    entry.attributes = attributes_of(st.st_mode, path, entry.size);
    if (search.kinds_only) {
        entry.size = 0;
        return true;
    }
    // The status of a file here has no time of creation.
    entry.access_time = seconds(st.st_atim);
    entry.write_time = seconds(st.st_mtim);
    return true;
}

// Delivers the next entry that still exists.
bool deliver(Search& search, FindEntry& entry)
{
    while (search.next < search.count)
        if (fill_entry(search, search.entries + search.order[search.next++].at, entry))
            return true;
    return false;
}

// Puts the sorted offsets behind the entries; gives the search, or nullptr
// (the block freed) when memory runs out.
Search* finish(char* block, std::size_t used, std::size_t cap, std::size_t count)
{
    std::size_t order_at = (used + alignof(Ordered) - 1) & ~(alignof(Ordered) - 1);
    std::size_t total = order_at + count * sizeof(Ordered);
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
    search->entries = block + sizeof(Search);
    search->order = reinterpret_cast<Ordered*>(block + order_at);
    search->count = count;
    search->next = 0;
    std::uint32_t at = 0;
    for (std::size_t i = 0; i < count; i++) {
        const unsigned char* name =
            reinterpret_cast<const unsigned char*>(search->entries + at + 1);
        std::uint64_t key = 0;
        std::size_t k = 0;
        for (; k < 8 && name[k] != 0; k++)
            key = key << 8 | name[k];
        if (k > 0)
            key <<= 8 * (8 - k);
        search->order[i] = {key, at};
        at += static_cast<std::uint32_t>(std::strlen(search->entries + at + 1) + 2);
    }
    const char* entries = search->entries;
    std::sort(search->order, search->order + count, [entries](const Ordered& a, const Ordered& b) {
        if (a.key != b.key)
            return a.key < b.key;
        // The same first eight bytes: a name that ended in them is the same
        // name; else the rest decides.
        return (a.key & 0xff) != 0 && std::strcmp(entries + a.at + 9, entries + b.at + 9) < 0;
    });
    return search;
}

// Reads the directory and keeps the names that match, sorted; or takes the
// kept read when it is of the same directory, unchanged, and pattern. Gives
// the search, or nullptr with errno set.
Search* read_directory(const char* dir, const char* last, bool kinds_only)
{
    const char* open_name = dir[0] != '\0' ? dir : ".";
    struct stat st;
    // A kinds-only search is a walk's first look at a directory, which the
    // full search after it takes again; it looks for no kept read.
    if (!kinds_only && kept != nullptr && std::strcmp(kept->last, last) == 0 &&
        ::stat(open_name, &st) == 0 && same_state(kept->state, state_of(st))) {
        Search* search = kept;
        kept = nullptr;
        search->next = 0;
        return search;
    }
    DIR* d = ::opendir(open_name);
    if (d == nullptr || ::fstat(dirfd(d), &st) != 0) {
        if (d != nullptr)
            ::closedir(d);
        errno = ENOENT;
        return nullptr;
    }
    std::size_t cap = sizeof(Search) + 4096;
    std::size_t used = sizeof(Search);
    std::size_t count = 0;
    char* block = static_cast<char*>(std::malloc(cap));
    while (block != nullptr) {
        struct dirent* e = ::readdir(d);
        if (e == nullptr)
            break;
        std::size_t n = std::strlen(e->d_name) + 1;
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
    Search* search = finish(block, used, cap, count);
    if (search == nullptr)
        return nullptr;
    struct timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    search->reusable = st.st_ctim.tv_sec + 1 < now.tv_sec;
    search->state = state_of(st);
    std::memcpy(search->last, last, std::strlen(last) + 1);
    return search;
}

// A search for one name, without wildcards: no directory is read.
Search* single_name(const char* last)
{
    std::size_t n = std::strlen(last) + 1;
    std::size_t cap = sizeof(Search) + 1 + n;
    char* block = static_cast<char*>(std::malloc(cap));
    if (block == nullptr) {
        errno = ENOMEM;
        return nullptr;
    }
    block[sizeof(Search)] = DT_UNKNOWN;
    std::memcpy(block + sizeof(Search) + 1, last, n);
    Search* search = finish(block, cap, cap, 1);
    if (search != nullptr)
        search->reusable = false;
    return search;
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

Search* open_search(int handle)
{
    if (handle < 1 || static_cast<std::size_t>(handle) > kMaxSearches)
        return nullptr;
    return searches[handle - 1];
}

int first(const char* pattern, FindEntry& entry, bool kinds_only)
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

    Search* search =
        has_wildcards(last) ? read_directory(dir, last, kinds_only) : single_name(last);
    if (search == nullptr)
        return -1;
    search->kinds_only = kinds_only;
    std::memcpy(search->dir, dir, dlen + 1);
    if (!deliver(*search, entry)) {
        std::free(search);
        errno = ENOENT;
        return -1;
    }
    return store(search);
}

} // namespace

int find_first(const char* pattern, FindEntry& entry) { return first(pattern, entry, false); }

int find_first_kinds(const char* pattern, FindEntry& entry) { return first(pattern, entry, true); }

int find_next(int handle, FindEntry& entry)
{
    Search* search = open_search(handle);
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

int find_close(int handle)
{
    Search* search = open_search(handle);
    if (search == nullptr) {
        errno = EINVAL;
        return -1;
    }
    searches[handle - 1] = nullptr;
    if (search->reusable) {
        std::free(kept);
        kept = search;
    } else {
        std::free(search);
    }
    return 0;
}

} // namespace con
