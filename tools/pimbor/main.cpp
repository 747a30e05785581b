// pimbor: turns any file into C source text that declares an initialised
// array of unsigned char, named after the file, holding the file's bytes.
// The text goes to the file named second, or to standard output.
#include "array_source.h"

#include "console/path_limits.h"
#include "console/report.h"
#include "console/same_file.h"
#include "console/stream.h"

#include <string_view>

namespace {

constexpr int kWritten = 0;
constexpr int kFailed = 1;

// Opens the files and writes the source text; gives the status.
int convert(const char* in_name, const char* out_name)
{
    con::Stream in;
    if (!con::open_stream(in, in_name, "rb")) {
        con::report_error(in_name);
        return kFailed;
    }
    std::int64_t length = in.length();
    if (length < 0) {
        con::report_error(in_name);
        return kFailed;
    }
    // Opening the output would empty the input before it is read.
    if (out_name != nullptr && con::same_file(in_name, out_name)) {
        con::report_message(out_name, "Input and output are the same file");
        return kFailed;
    }
    con::Stream file;
    if (out_name != nullptr && !con::open_stream(file, out_name, "w")) {
        con::report_error(out_name);
        return kFailed;
    }
    con::Stream& out = out_name != nullptr ? file : con::std_out();

    char array_name[con::kPathMax + 1];
    pimbor::make_array_name(in_name, array_name);
    pimbor::Written written = pimbor::write_array(in, length, array_name, out);
    int status = kWritten;
    if (written == pimbor::Written::error) {
        con::report_error(in_name, in.error());
        status = kFailed;
    } else if (written == pimbor::Written::early_end) {
        con::report_message(in_name, "File ended before its reported length");
        status = kFailed;
    } else if (written == pimbor::Written::longer) {
        con::report_message(in_name, "File is longer than its reported length");
        status = kFailed;
    }
    in.close();
    if (out_name != nullptr && file.close() != 0) {
        con::report_error(out_name);
        status = kFailed;
    }
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    con::Stream& out = con::std_out();
    out.write("Pimbor 2.0 - Byte Array Source Maker\n");
    out.write("Writes a file as an initialised C array of unsigned char.\n");
    if (argc < 2) {
        out.write("Usage is : \"pimbor [infile] [outfile (optional)]\"\n");
        out.write("Purpose  : Create Character Arrays from Binary Files.\n");
        return con::end_run(kFailed);
    }
    int status = convert(argv[1], argc > 2 ? argv[2] : nullptr);
    if (argc > 2)
        out.write("Done!\n");
    return con::end_run(status);
}
