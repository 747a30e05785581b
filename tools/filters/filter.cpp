// The filter frame's choice of input, argument reading and end of run.
#include "filters/filter.h"

#include "console/decimal.h"
#include "console/report.h"

#include <limits>

namespace filters {

con::Stream& open_input(Input& input, const char* name, const char* mode)
{
    if (name != nullptr && con::open_stream(input.file, name, mode)) {
        input.stream = &input.file;
        input.shown = name;
    } else {
        input.stream = &con::std_in();
        input.shown = "stdin";
    }
    return *input.stream;
}

void name_input(const char*& name, const char* arg)
{
    if (name == nullptr && arg[0] != '\0')
        name = arg;
}

std::int32_t leading_number(const char* arg)
{
    std::int64_t v = con::read_decimal(arg);
    constexpr std::int64_t top = std::numeric_limits<std::int32_t>::max();
    constexpr std::int64_t bottom = std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v > top ? top : v < bottom ? bottom : v);
}

int end_filter(Input& input)
{
    int status = kDone;
    if (input.stream != nullptr && input.stream->failed()) {
        con::report_error(input.shown, input.stream->error());
        status = kFailed;
    }
    input.file.close();
    return con::end_run(status);
}

} // namespace filters
