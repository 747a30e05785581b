// The error report and the end of a run.
#pragma once

#include <string_view>

namespace con {

// Writes, on standard error and at once (after what standard output and
// error already hold), the name and ": " when the name is
// not empty, then the system's message for the error number and a line end.
void report_error(const char* name, int error);
// The same for the last error (errno).
void report_error(const char* name);
// The same shape with a message of the program's own, for a failure that has
// no error number.
void report_message(const char* name, std::string_view message);

// Ends a run: flushes standard output and error. A failed write to standard
// output is reported once as "stdout: ..." and turns the status into 1.
// Every main routine returns through it.
int end_run(int status);

} // namespace con
