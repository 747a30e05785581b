// Runs a built program as a user would: arguments, stdin bytes, a fresh
// working directory, a pinned environment, and, when asked, a pseudo-terminal
// as its controlling terminal with keys typed on it. Captures stdout, stderr
// and the exit status.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace e2e {

struct Options {
    std::vector<std::string> args;
    std::string input;            // bytes on standard input
    std::string cwd;              // working directory; "" keeps the current one
    std::vector<std::string> env; // "NAME=value", added to LC_ALL=C, TZ=UTC, PATH
    bool terminal = false;        // a pseudo-terminal as the controlling terminal
    std::string keys;             // typed on the terminal
    std::string type_when;        // type the keys once stdout holds this; "" at once
    int signal = 0;               // sent to the program right after the keys
    std::string stdout_file;      // standard output goes to this file, not a pipe
    bool stdout_broken = false;   // standard output is a pipe nobody reads
    bool background = false;      // with terminal: run in a background job of it
    int timeout_ms = 120000;      // a program still running then is killed
};

struct Result {
    std::string out;
    std::string err;
    int status = -1;       // the exit status, or 128 + the signal that ended it
    std::string echoed;    // what the program wrote to its terminal
    bool terminal_restored = true; // its settings at the end are those at the start
};

std::string tool_path(std::string_view tool);
Result run(std::string_view tool, const Options& options);

// A fresh temporary directory, removed with all it holds at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(std::string_view name) const;
    void write(std::string_view name, std::string_view bytes) const;
    std::string read(std::string_view name) const;
    bool exists(std::string_view name) const;
    void mkdir(std::string_view name) const;

private:
    std::string path_;
};

// One row of a table of cases: files made in a fresh directory, then the run,
// then what it must give, byte for byte.
struct Case {
    const char* name;
    std::vector<std::string> args;
    std::vector<std::pair<std::string, std::string>> files; // name, bytes
    std::string input;
    std::string out;
    std::string err;
    int status;
    std::vector<std::pair<std::string, std::string>> after = {}; // files it must leave
};

// Runs one case and checks every part of it; the case's name tags failures.
void check(std::string_view tool, const Case& c);

// Byte-exact comparison that shows both sides escaped and in hex.
::testing::AssertionResult bytes_equal(const char* actual_expr, const char* expected_expr,
                                       std::string_view actual, std::string_view expected);

} // namespace e2e

#define EXPECT_BYTES(actual, expected) EXPECT_PRED_FORMAT2(::e2e::bytes_equal, actual, expected)
