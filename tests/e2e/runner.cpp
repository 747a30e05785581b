// The runner behind the end-to-end tests: fork, a new session, pipes for
// the three standard streams, a pseudo-terminal when asked, exec.
#include "runner.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <pty.h>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace e2e {
namespace {

std::string escaped(std::string_view s)
{
    std::string r;
    char buf[8];
    for (unsigned char c : s) {
        if (c == '\\')
            r += "\\\\";
        else if (c == '\r')
            r += "\\r";
        else if (c == '\n')
            r += "\\n";
        else if (c == '\t')
            r += "\\t";
        else if (c >= 32 && c < 127)
            r += static_cast<char>(c);
        else {
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            r += buf;
        }
    }
    return r;
}

std::string hexdump(std::string_view s)
{
    std::string r;
    char buf[8];
    for (std::size_t i = 0; i < s.size() && i < 512; i++) {
        std::snprintf(buf, sizeof buf, "%02x%s", static_cast<unsigned char>(s[i]),
                      (i % 16 == 15) ? "\n" : " ");
        r += buf;
    }
    if (s.size() > 512)
        r += "...";
    return r;
}

long long now_ms()
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000LL + t.tv_nsec / 1000000;
}

void set_nonblocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

[[noreturn]] void exec_child(const std::string& path, const Options& o, int in, int out,
                             int err, int tty)
{
    setsid();
    // The terminal stays open in the program (as a spare descriptor), so
    // keys typed before it opens its terminal are kept.
    if (tty >= 0)
        ioctl(tty, TIOCSCTTY, 0);
    if (tty >= 0 && o.background) {
        // This process stays the terminal's foreground job; the program runs
        // in a job of its own beside it, as after "&" in a shell.
        pid_t job = fork();
        if (job > 0) {
            int status = 0;
            waitpid(job, &status, 0);
            if (WIFSIGNALED(status)) {
                signal(WTERMSIG(status), SIG_DFL);
                raise(WTERMSIG(status));
            }
            _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 127);
        }
        setpgid(0, 0);
    }
    dup2(in, 0);
    if (!o.stdout_file.empty()) {
        int fd = open(o.stdout_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0)
            _exit(125);
        out = fd;
    }
    dup2(out, 1);
    dup2(err, 2);
    if (!o.cwd.empty() && chdir(o.cwd.c_str()) != 0)
        _exit(126);
    std::vector<std::string> env = {"LC_ALL=C", "TZ=UTC", "PATH=/usr/bin:/bin"};
    for (const char* keep : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
        if (const char* v = std::getenv(keep))
            env.push_back(std::string(keep) + "=" + v);
    for (const std::string& e : o.env) {
        std::string key = e.substr(0, e.find('=') + 1);
        for (std::string& have : env)
            if (have.compare(0, key.size(), key) == 0)
                have.clear();
        env.push_back(e);
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const std::string& a : o.args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& e : env)
        if (!e.empty())
            envp.push_back(e.data());
    envp.push_back(nullptr);
    signal(SIGPIPE, SIG_DFL);
    execve(path.c_str(), argv.data(), envp.data());
    _exit(127);
}

} // namespace

std::string tool_path(std::string_view tool) { return std::string(TOOL_DIR) + "/" + std::string(tool); }

Result run(std::string_view tool, const Options& o)
{
    Result result;
    std::string path = tool_path(tool);
    int in[2], out[2], err[2];
    if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0) {
        ADD_FAILURE() << "pipe: " << std::strerror(errno);
        return result;
    }
    int master = -1, slave = -1;
    if (o.terminal && openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        ADD_FAILURE() << "openpty: " << std::strerror(errno);
        return result;
    }
    struct termios before {};
    if (master >= 0)
        tcgetattr(master, &before);
    signal(SIGPIPE, SIG_IGN);
    pid_t pid = fork();
    if (pid == 0) {
        close(in[1]);
        close(out[0]);
        close(err[0]);
        if (master >= 0)
            close(master);
        exec_child(path, o, in[0], out[1], err[1], slave);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    if (o.stdout_broken) {
        close(out[0]);
        out[0] = -1;
    }
    if (slave >= 0)
        close(slave);
    set_nonblocking(in[1]);
    set_nonblocking(out[0]);
    set_nonblocking(err[0]);
    if (master >= 0)
        set_nonblocking(master);

    std::size_t written = 0;
    bool typed = !o.terminal;
    std::size_t keys_written = 0;
    int in_fd = in[1];
    if (o.input.empty()) {
        close(in_fd);
        in_fd = -1;
    }
    int out_fd = out[0], err_fd = err[0];
    int master_poll = master;
    long long deadline = now_ms() + o.timeout_ms; // a hung program fails its test only
    char buf[65536];
    while (out_fd >= 0 || err_fd >= 0) {
        if (!typed && (o.type_when.empty() || result.out.find(o.type_when) != std::string::npos)) {
            ssize_t n = write(master, o.keys.data() + keys_written, o.keys.size() - keys_written);
            if (n > 0)
                keys_written += static_cast<std::size_t>(n);
            typed = keys_written == o.keys.size();
            if (typed && o.signal != 0)
                kill(pid, o.signal);
        }
        struct pollfd p[4];
        int np = 0;
        auto add = [&](int fd, short ev) {
            if (fd >= 0)
                p[np++] = {fd, ev, 0};
        };
        add(out_fd, POLLIN);
        add(err_fd, POLLIN);
        add(in_fd, POLLOUT);
        add(master_poll, POLLIN);
        long long left = deadline - now_ms();
        if (left <= 0) {
            kill(-pid, SIGKILL); // its session's leader's group: the program and all
            kill(pid, SIGKILL);
            ADD_FAILURE() << tool << " timed out";
            break;
        }
        int r = poll(p, np, typed ? static_cast<int>(left) : 10);
        if (r < 0 && errno != EINTR)
            break;
        for (int i = 0; i < np; i++) {
            if (p[i].revents == 0)
                continue;
            int fd = p[i].fd;
            if (fd == in_fd) {
                ssize_t n = write(fd, o.input.data() + written, o.input.size() - written);
                if (n > 0)
                    written += static_cast<std::size_t>(n);
                if (n < 0 || written == o.input.size()) {
                    close(in_fd);
                    in_fd = -1;
                }
                continue;
            }
            ssize_t n = read(fd, buf, sizeof buf);
            if (fd == master_poll) {
                if (n > 0)
                    result.echoed.append(buf, static_cast<std::size_t>(n));
                else if (n == 0 || errno != EAGAIN)
                    master_poll = -1; // the program's side is closed
                continue;
            }
            if (n > 0) {
                (fd == out_fd ? result.out : result.err).append(buf, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EAGAIN) {
                close(fd);
                (fd == out_fd ? out_fd : err_fd) = -1;
            }
        }
    }
    if (in_fd >= 0)
        close(in_fd);
    if (out_fd >= 0)
        close(out_fd);
    if (err_fd >= 0)
        close(err_fd);
    int status = 0;
    waitpid(pid, &status, 0);
    if (master >= 0) {
        struct termios after {};
        tcgetattr(master, &after);
        result.terminal_restored = after.c_lflag == before.c_lflag &&
                                   after.c_iflag == before.c_iflag &&
                                   after.c_cc[VMIN] == before.c_cc[VMIN];
        close(master);
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

TempDir::TempDir()
{
    char templ[] = "/tmp/e2e.XXXXXX";
    const char* made = mkdtemp(templ);
    if (made == nullptr)
        ADD_FAILURE() << "mkdtemp: " << std::strerror(errno);
    else
        path_ = made;
}

TempDir::~TempDir()
{
    if (path_.empty())
        return;
    // Undo any permission a test took away, so that all of it can go.
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(
             path_, std::filesystem::directory_options::skip_permission_denied, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        if (it->is_directory(ec) && !it->is_symlink(ec))
            chmod(it->path().c_str(), 0755);
    chmod(path_.c_str(), 0755);
    std::filesystem::remove_all(path_, ec);
}

std::string TempDir::operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

void TempDir::write(std::string_view name, std::string_view bytes) const
{
    std::ofstream f(*this / name, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f)
        ADD_FAILURE() << "cannot write " << name;
}

std::string TempDir::read(std::string_view name) const
{
    std::ifstream f(*this / name, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

bool TempDir::exists(std::string_view name) const
{
    struct stat st;
    return lstat((*this / name).c_str(), &st) == 0;
}

void TempDir::mkdir(std::string_view name) const
{
    std::error_code ec;
    std::filesystem::create_directories(*this / name, ec);
}

void check(std::string_view tool, const Case& c)
{
    SCOPED_TRACE(c.name);
    TempDir dir;
    for (const auto& [name, bytes] : c.files) {
        auto slash = name.rfind('/');
        if (slash != std::string::npos)
            dir.mkdir(name.substr(0, slash));
        dir.write(name, bytes);
    }
    Options o;
    o.args = c.args;
    o.input = c.input;
    o.cwd = dir.path();
    Result r = run(tool, o);
    EXPECT_BYTES(r.out, c.out);
    EXPECT_BYTES(r.err, c.err);
    EXPECT_EQ(r.status, c.status);
    for (const auto& [name, bytes] : c.after) {
        EXPECT_TRUE(dir.exists(name)) << name;
        EXPECT_BYTES(dir.read(name), bytes) << name;
    }
}

::testing::AssertionResult bytes_equal(const char* actual_expr, const char* expected_expr,
                                       std::string_view actual, std::string_view expected)
{
    if (actual == expected)
        return ::testing::AssertionSuccess();
    std::size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at])
        at++;
    return ::testing::AssertionFailure()
           << actual_expr << " differs from " << expected_expr << " at byte " << at << "\n"
           << "  actual   (" << actual.size() << "): \"" << escaped(actual.substr(0, 2000)) << "\"\n"
           << "  expected (" << expected.size() << "): \"" << escaped(expected.substr(0, 2000))
           << "\"\n"
           << "  actual hex:\n" << hexdump(actual) << "\n  expected hex:\n" << hexdump(expected);
}

} // namespace e2e
