// Whether two names lead to one file.
#pragma once

namespace con {

// True when both names exist and are the same file (the same device and
// inode, through links and other names alike).
bool same_file(const char* a, const char* b);

} // namespace con
