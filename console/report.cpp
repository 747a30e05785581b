// The error report and the end of a run.
#include "console/report.h"

#include "console/os.h"
#include "console/stream.h"

#include <cerrno>

namespace con {

void report_message(const char* name, std::string_view message)
{
    // What standard output holds goes first, so that the two keep their
    // order when they go to one place.
    std_out().flush();
    Stream& err = std_err();
    if (name != nullptr && name[0] != '\0') {
        err.write(std::string_view(name));
        err.write(": ");
    }
    err.write(message);
    err.put('\n');
    err.flush();
}

void report_error(const char* name, int error) { report_message(name, os::error_text(error)); }

void report_error(const char* name) { report_error(name, errno); }

int end_run(int status)
{
    Stream& out = std_out();
    if (!out.flush() || out.failed()) {
        report_error("stdout", out.error());
        status = 1;
    }
    std_err().flush();
    return status;
}

} // namespace con
