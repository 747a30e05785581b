// The console keyboard on POSIX: the controlling terminal, switched to
// non-canonical input without echo only while keys are read or polled, and
// restored to its exact settings on every way out, signals included.
#include "console/keys.h"

#include "console/key_decode.h"
#include "console/stream.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace con {
namespace {

constexpr int kEscapeWaitMs = 50; // an ESC alone this long is the Escape key

int tty = -2; // -2 not yet opened, -1 no console
struct termios saved;
volatile std::sig_atomic_t raw_on = 0;

unsigned char pending[32]; // bytes read but not yet decoded
std::size_t pending_len = 0;
int codes[8]; // decoded codes not yet taken
std::size_t codes_head = 0;
std::size_t codes_len = 0;
bool in_sequence = false; // within a long sequence, taken as no key

void restore_and_raise(int sig)
{
    if (raw_on)
        ::tcsetattr(tty, TCSANOW, &saved);
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

void catch_signal(int sig)
{
    struct sigaction old;
    if (::sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_DFL) {
        struct sigaction act {};
        act.sa_handler = restore_and_raise;
        sigemptyset(&act.sa_mask);
        ::sigaction(sig, &act, nullptr);
    }
}

// The keyboard belongs to the foreground job: a run in the background has
// none (touching the terminal's modes there would stop it).
bool in_foreground() { return ::tcgetpgrp(tty) == ::getpgrp(); }

bool have_console()
{
    if (tty == -2) {
        tty = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (tty >= 0 && ::tcgetattr(tty, &saved) != 0) {
            ::close(tty);
            tty = -1;
        }
        if (tty >= 0) {
            catch_signal(SIGINT);
            catch_signal(SIGTERM);
        }
    }
    return tty >= 0;
}

// Keys are read with the terminal raw for the length of one call.
class RawMode {
public:
    RawMode()
    {
        struct termios raw = saved;
        raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        raw.c_iflag &= ~static_cast<tcflag_t>(ICRNL | INLCR | IGNCR);
        raw.c_cc[VMIN] = 0;
        raw.c_cc[VTIME] = 0;
        raw_on = 1;
        ::tcsetattr(tty, TCSANOW, &raw);
    }
    ~RawMode()
    {
        ::tcsetattr(tty, TCSANOW, &saved);
        raw_on = 0;
    }
    RawMode(const RawMode&) = delete;
    RawMode& operator=(const RawMode&) = delete;
};

// Waits up to timeout_ms (-1: for ever) for bytes and appends them to
// pending. False when nothing came or the terminal is gone.
bool read_more(int timeout_ms)
{
    if (pending_len == sizeof pending)
        return false;
    struct pollfd p = {tty, POLLIN, 0};
    int r;
    do
        r = ::poll(&p, 1, timeout_ms);
    while (r < 0 && errno == EINTR);
    if (r <= 0 || (p.revents & POLLIN) == 0)
        return false;
    ssize_t n = ::read(tty, pending + pending_len, sizeof pending - pending_len);
    if (n <= 0)
        return false;
    pending_len += static_cast<std::size_t>(n);
    return true;
}

// Decodes what is pending into codes; an unfinished escape sequence gets
// kEscapeWaitMs for each further byte before it is decided.
void decode_pending()
{
    while (codes_len + 2 <= sizeof codes / sizeof codes[0]) {
        if (pending_len == 0 && (!in_sequence || !read_more(kEscapeWaitMs))) {
            in_sequence = false; // a long sequence that stopped short is over
            return;
        }
        KeyCodes key;
        std::size_t used = decode_key({pending, pending_len}, false, key, in_sequence);
        if (used == 0 && !read_more(kEscapeWaitMs))
            used = decode_key({pending, pending_len}, true, key, in_sequence);
        if (used == 0)
            continue;
        for (int i = 0; i < key.count; i++) {
            std::size_t at = (codes_head + codes_len++) % (sizeof codes / sizeof codes[0]);
            codes[at] = key.code[i];
        }
        pending_len -= used;
        for (std::size_t i = 0; i < pending_len; i++)
            pending[i] = pending[used + i];
    }
}

int take_code()
{
    int code = codes[codes_head];
    codes_head = (codes_head + 1) % (sizeof codes / sizeof codes[0]);
    codes_len--;
    return code;
}

} // namespace

bool key_waiting()
{
    if (codes_len > 0)
        return true;
    if (!have_console() || !in_foreground())
        return false;
    RawMode raw;
    if (pending_len > 0 || read_more(0))
        decode_pending();
    return codes_len > 0;
}

int key_read()
{
    std_out().flush();
    std_err().flush();
    if (codes_len > 0)
        return take_code();
    if (!have_console() || !in_foreground())
        return -1;
    RawMode raw;
    while (codes_len == 0) {
        if (pending_len == 0 && !read_more(-1))
            return -1;
        decode_pending();
    }
    return take_code();
}

} // namespace con
