// daverlin: wraps a text file into another at a limit of 72 characters or
// the one given, ending every line with CR LF. It asks for the file names it
// lacks and before it overwrites a file; it never joins lines.
#include "break_lines.h"

#include "console/ascii.h"
#include "console/decimal.h"
#include "console/keys.h"
#include "console/path_limits.h"
#include "console/report.h"
#include "console/same_file.h"
#include "console/stream.h"

#include <array>
#include <cerrno>
#include <cstring>

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;

constexpr char kBell = 7;
constexpr int kFunctionKey = 0; // the lead code of a function key
constexpr int kNoConsole = -1;

// A file name, up to the platform's path limit.
using Name = std::array<char, con::kPathMax + 1>;

constexpr const char* kRule = "=================================================\n";
constexpr const char* kWideRule =
    "================================================================\n";

void print_usage(con::Stream& out)
{
    out.write("This Utility Reformats and Adds Hard Returns to text files.\n");
    out.write("Commandline Usage is : \"Daverlin [infile.txt] [outfile.txt] {limit}\"\n");
    out.write("                 But : You may manually enter filename(s) Now...\n");
    out.write("                 Or  : Enter a \"BLANK\" filename to exit Now...\n");
    out.write(kWideRule);
}

void too_long(con::Stream& out, const char* which)
{
    out.print("The %s file name is too long.\n", which);
}

bool copy_name(Name& name, const char* text)
{
    std::size_t n = std::strlen(text);
    if (n >= name.size())
        return false;
    std::memcpy(name.data(), text, n + 1);
    return true;
}

// Reads a name for the prompt from a line of standard input, without its
// line end; false when the run ends there: a blank line, the end of the
// input, or a line that is no usable name. Such a line is refused whole,
// never cut.
bool ask_name(con::Stream& out, const char* prompt, const char* which, Name& name)
{
    out.write(prompt);
    out.flush();
    std::array<char, con::kPathMax + 3> line; // a name too long by one, its LF, a NUL
    std::size_t n = con::std_in().read_line(line);
    if (n > 0 && line[n - 1] == '\n')
        n--;
    if (n == 0)
        return false;
    if (n >= name.size()) {
        too_long(out, which);
        return false;
    }
    if (std::memchr(line.data(), '\0', n) != nullptr) {
        out.print("The %s file name holds a NUL byte.\n", which);
        return false;
    }
    std::memcpy(name.data(), line.data(), n);
    name[n] = '\0';
    return true;
}

// The overwrite question, answered by one key on the console. A function
// key takes its second code with it and echoes nothing; without a console
// nothing is echoed and the answer is no.
bool overwrite_allowed(con::Stream& out, const char* name)
{
    out.print("%cOutput File %s already exists! Overwrite? (Y/N) ", kBell, name);
    int code = con::key_read();
    if (code >= 0)
        code = con::ascii_upper(static_cast<unsigned char>(code));
    if (code == kFunctionKey)
        con::key_read();
    else if (code != kNoConsole)
        out.put(code);
    out.put('\n');
    return code == 'Y';
}

bool exists(const char* name)
{
    con::Stream probe;
    if (!con::open_stream(probe, name, "rb"))
        return false;
    probe.close();
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    con::Stream& out = con::std_out();
    out.write("Daverlin 2.0 - Hard Return Line Wrapper\n");
    out.write("Breaks lines at spaces to fit a limit; lines that begin with # pass whole\n");
    out.write(kRule);

    Name input{};
    Name output{};
    if (argc > 1 && !copy_name(input, argv[1])) {
        too_long(out, "input");
        return con::end_run(kFailed);
    }
    if (argc > 2 && !copy_name(output, argv[2])) {
        too_long(out, "output");
        return con::end_run(kFailed);
    }
    int limit = daverlin::kDefaultLimit;
    if (argc > 3) {
        std::int64_t value = con::read_decimal(argv[3]);
        if (value >= 1 && value <= daverlin::kHardBound)
            limit = static_cast<int>(value);
    }
    if (argc < 3) {
        print_usage(out);
        if ((argc < 2 && !ask_name(out, "Enter Input  Filename: ", "input", input)) ||
            !ask_name(out, "Enter Output Filename: ", "output", output))
            return con::end_run(kFailed);
        out.write(kWideRule);
    }

    // Wrapping a file onto itself would empty it before it is read.
    if (con::same_file(input.data(), output.data())) {
        con::report_message(output.data(), "Input and output are the same file");
        return con::end_run(kFailed);
    }
    if (exists(output.data())) {
        if (!overwrite_allowed(out, output.data()))
            return con::end_run(kFailed);
        out.write(kWideRule);
    }
    // The input is opened first, so that a missing input leaves an existing
    // output as it was.
    con::Stream in;
    if (!con::open_stream(in, input.data(), "rb")) {
        con::report_error(input.data());
        return con::end_run(kFailed);
    }
    con::Stream wrapped;
    if (!con::open_stream(wrapped, output.data(), "wb")) {
        con::report_error(output.data());
        in.close();
        return con::end_run(kFailed);
    }
    out.print("Infile  : %s\n", input.data());
    out.print("Outfile : %s\n", output.data());

    daverlin::break_lines(in, wrapped, limit);

    // A failed read ends the input like its end, but the output is then
    // short: it is reported as a failed write is.
    const int read_error = in.error();
    in.close();
    const int write_error = wrapped.close() == 0 ? 0 : errno;
    if (read_error != 0 || write_error != 0) {
        out.put('\n'); // ends the progress line
        if (read_error != 0)
            con::report_error(input.data(), read_error);
        if (write_error != 0)
            con::report_error(output.data(), write_error);
        return con::end_run(kFailed);
    }
    out.write("\nDone!\n");
    return con::end_run(kDone);
}
