// The wildcard matcher: one pass with a single backtrack point, so it is
// linear in practice and never recursive.
#include "console/wildcard.h"

#include <cstring>

namespace con {
namespace {

bool match_span(const char* p, const char* p_end, const char* n)
{
    const char* star = nullptr; // just after the last "*" seen
    const char* resume = nullptr;
    while (*n != '\0') {
        if (p < p_end && *p == '*') {
            star = ++p;
            resume = n;
        } else if (p < p_end && (*p == '?' || *p == *n)) {
            p++;
            n++;
        } else if (star != nullptr) {
            p = star;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < p_end && *p == '*')
        p++;
    return p == p_end;
}

} // namespace

bool wildcard_match(const char* pattern, const char* name)
{
    std::size_t len = std::strlen(pattern);
    if (match_span(pattern, pattern + len, name))
        return true;
    return len >= 2 && pattern[len - 2] == '.' && pattern[len - 1] == '*' &&
           match_span(pattern, pattern + len - 2, name);
}

bool has_wildcards(const char* text) { return std::strpbrk(text, "*?") != nullptr; }

} // namespace con
