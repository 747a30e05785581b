// Limits on names that the platform puts on paths. Every buffer that holds a
// path or a name is sized from here; an argument beyond them is refused.
#pragma once

#include <cstddef>

namespace con {

#if defined(_WIN32)
inline constexpr std::size_t kPathMax = 259; // characters, without the NUL
inline constexpr std::size_t kNameMax = 255; // one component
inline constexpr bool kDriveLetters = true;
#else
inline constexpr std::size_t kPathMax = 4095; // PATH_MAX - 1
inline constexpr std::size_t kNameMax = 255;  // NAME_MAX
inline constexpr bool kDriveLetters = false;  // "c:" is an ordinary name here
#endif

} // namespace con
