// The error report and the end of a run.
#include "console/report.h"

#include "console/os.h"
#include "console/stream.h"

#include <cerrno>
#include <string_view>

namespace con {

void report_error(const char* name, int error)
{
    Stream& err = std_err();
    if (name != nullptr && name[0] != '\0') {
        err.write(std::string_view(name));
        err.write(": ");
    }
    err.write(std::string_view(os::error_text(error)));
    err.put('\n');
    err.flush();
}

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
