// The small interface to the operating system that the portable parts of the
// layer are written over. One implementation per platform (posix/); tools do
// not include this header.
#pragma once

#include <cstddef>
#include <cstdint>

namespace con::os {

enum class Access : unsigned char { read, write };

// Handles are the platform's file handles carried as integers; -1 is none.
// Names are in the platform's own form (see to_system_path).
std::intptr_t open_file(const char* system_name, Access access);
// Bytes read, 0 at the end, -1 on failure (errno set).
long read_file(std::intptr_t handle, void* buffer, std::size_t size);
// Bytes written (at least 1), or -1 on failure (errno set).
long write_file(std::intptr_t handle, const void* buffer, std::size_t size);
int close_file(std::intptr_t handle);
std::int64_t file_length(std::intptr_t handle);
bool is_terminal(std::intptr_t handle);
std::intptr_t standard_handle(int which); // 0 input, 1 output, 2 error

// Copies name into out with the platform's separator; false (errno set to
// ENAMETOOLONG) when it is longer than kPathMax.
bool to_system_path(const char* name, char* out, std::size_t out_size);

// The system's message for an error number; "No error" for 0.
const char* error_text(int error);

} // namespace con::os
