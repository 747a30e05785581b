// The filter frame's choice of input, argument reading and end of run.
#include "filters/filter.h"

#include "console/decimal.h"
#include "console/report.h"

#include <limits>

namespace filters {

con::Stream& open_input(con::Stream& file, const char* name, const char* mode)
{
    if (name != nullptr && con::open_stream(file, name, mode))
        return file;
    return con::std_in();
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

int end_filter(con::Stream& file)
{
    file.close();
    return con::end_run(kDone);
}

} // namespace filters
