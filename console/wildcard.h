// Matching a name against the last component of a search pattern.
#pragma once

namespace con {

// "*" matches any run of bytes, "?" one byte, every other byte itself, case
// and all. A pattern that ends in ".*" also matches the names that its part
// before ".*" matches, so "*.*" matches every name, with or without a dot.
bool wildcard_match(const char* pattern, const char* name);

// True when the text holds "*" or "?".
bool has_wildcards(const char* text);

} // namespace con
