// prendle: splits a bundle text file into the files that its form-feed
// lines name. Writes nothing on standard output; error reports go to
// standard error. Ends with status 0, or 1 when a write to a file failed.
#include "split_bundle.h"

#include "console/report.h"
#include "console/stream.h"

namespace {

constexpr int kDone = 0;
constexpr int kWriteFailed = 1;

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        // Nothing has failed yet: the report reads "No error".
        con::report_error("", 0);
        return con::end_run(kDone);
    }
    con::Stream bundle;
    if (!con::open_stream(bundle, argv[1], "r")) {
        con::report_error(argv[1]);
        return con::end_run(kDone);
    }
    bool written = prendle::split_bundle(bundle, argv[1]);
    bundle.close();
    return con::end_run(written ? kDone : kWriteFailed);
}
