// Door kit wire figures:
//  1. CPU time of a door waiting in DoorReadKey in socket mode (pump on) for N seconds
//     (default 60; first argument overrides), measured from the waiting process's rusage.
//  2. Key round trip over a socketpair: the caller (another process) sends a key, the door
//     reads it with DoorReadKey and echoes it with DoorWrite, the caller receives it; for a
//     code page 437 caller and a UTF-8 one, the echo a lone key or a whole card drawn in
//     box lines and a suit (what a placement sends).
//  3. The character-set probe at the start of a session: a caller whose terminal answers at
//     once, and one whose terminal does not answer.
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "harbex/charset.h"
#include "harbex/comm.h"
#include "harbex/door.h"

using namespace harbex;

namespace {

void StartDoor(int AFd) {
    CommOpen(AFd);
    StdIO = false;
    DoorLastKey.Time = DoorClockNow();
    DoorSession.TimeOn = DoorClockNow();
    DoorSession.Events = true;
    DoorSession.EventsTime = 0;
    DoorSession.MaxIdle = 100000;
    DoorDropInfo.MaxSeconds = 100000;
}

bool RecvExactly(int AFd, char* ABuf, size_t ALen) {
    size_t got = 0;
    while (got < ALen) {
        const ssize_t n = ::recv(AFd, ABuf + got, ALen - got, 0);
        if (n <= 0) return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

double IdleCpuMs(int ASeconds) {
    int sv[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, sv) != 0) return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(sv[1]);
        StartDoor(sv[0]);
        struct rusage a {
        }, b{};
        ::getrusage(RUSAGE_SELF, &a);
        const char k = DoorReadKey();
        ::getrusage(RUSAGE_SELF, &b);
        const double ms =
            (b.ru_utime.tv_sec - a.ru_utime.tv_sec + b.ru_stime.tv_sec - a.ru_stime.tv_sec) *
                1000.0 +
            (b.ru_utime.tv_usec - a.ru_utime.tv_usec + b.ru_stime.tv_usec - a.ru_stime.tv_usec) /
                1000.0;
        const std::string msg = std::to_string(ms) + "\n";
        ::send(sv[0], msg.data(), msg.size(), 0);
        ::_exit(k == 'q' ? 0 : 1);
    }
    ::close(sv[0]);
    char offers[9];
    RecvExactly(sv[1], offers, sizeof offers);
    ::sleep(static_cast<unsigned>(ASeconds));
    ::send(sv[1], "q", 1, 0);
    std::string reply;
    char buf[64];
    ssize_t n;
    while ((n = ::recv(sv[1], buf, sizeof buf, 0)) > 0)
        reply.append(buf, static_cast<size_t>(n));
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(sv[1]);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return std::atof(reply.c_str()); // CPU of the wait alone, measured by the door itself
}

// The floor for comparison: a process that only wakes once a second in poll() on a quiet
// socket, as any door must while its pump runs, for the same time.
double BarePollCpuMs(int ASeconds) {
    int sv[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, sv) != 0) return -1;
    struct rusage a {
    }, b{};
    ::getrusage(RUSAGE_SELF, &a);
    for (int i = 0; i < ASeconds; ++i) {
        pollfd p{sv[0], POLLIN, 0};
        ::poll(&p, 1, 1000);
    }
    ::getrusage(RUSAGE_SELF, &b);
    ::close(sv[0]);
    ::close(sv[1]);
    return (b.ru_utime.tv_sec - a.ru_utime.tv_sec + b.ru_stime.tv_sec - a.ru_stime.tv_sec) *
               1000.0 +
           (b.ru_utime.tv_usec - a.ru_utime.tv_usec + b.ru_stime.tv_usec - a.ru_stime.tv_usec) /
               1000.0;
}

// A placed card as the game draws it: box lines, the rank and the suit, with cursor moves.
const std::string kCard =
    "\x1b[11;33f\xda\xc4\xc4\xc4\xbf\x1b[12;33f\xb3 7\x03\xb3\x1b[13;33f\xc0\xc4\xc4\xc4\xd9";

void RoundTrip(int ACount, bool AUtf8, bool ACard) {
    int sv[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, sv) != 0) return;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(sv[1]);
        StartDoor(sv[0]);
        if (AUtf8) DoorSession.Charset = TCharset::utf8;
        for (;;) {
            const char k = DoorReadKey();
            if (k == 'Q') ::_exit(0);
            std::string echo = ACard ? kCard : std::string();
            DoorWrite(echo.append(1, k));
        }
    }
    ::close(sv[0]);
    char offers[9];
    RecvExactly(sv[1], offers, sizeof offers);
    std::vector<double> us;
    us.reserve(static_cast<size_t>(ACount));
    for (int i = 0; i < ACount; ++i) {
        const char k = static_cast<char>('a' + i % 26);
        std::string want = ACard ? kCard : std::string();
        want.append(1, k);
        if (AUtf8) want = TUtf8Writer().Translate(want);
        std::string echo(want.size(), '\0');
        const auto t0 = std::chrono::steady_clock::now();
        ::send(sv[1], &k, 1, 0);
        if (!RecvExactly(sv[1], echo.data(), echo.size()) || echo != want) {
            std::printf("round trip: wrong echo at %d\n", i);
            break;
        }
        us.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0)
                .count());
    }
    ::send(sv[1], "Q", 1, 0);
    ::waitpid(child, nullptr, 0);
    ::close(sv[1]);
    if (us.empty()) return;
    std::sort(us.begin(), us.end());
    std::printf("key round trip over a socketpair, %s caller, echo %s, %zu keys: median %.1f us, "
                "p90 %.1f us, p99 %.1f us, max %.1f us\n",
                AUtf8 ? "UTF-8" : "CP437", ACard ? "a card" : "the key", us.size(),
                us[us.size() / 2], us[us.size() * 9 / 10], us[us.size() * 99 / 100], us.back());
}

// One session start's probe: the door asks, the caller's terminal answers at once (as a
// code page 437 one would) or never. Milliseconds the probe took, as the door measured it.
double ProbeMs(bool AAnswer) {
    int sv[2], pv[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, sv) != 0 || ::pipe(pv) != 0) return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(sv[1]);
        StartDoor(sv[0]);
        const auto t0 = std::chrono::steady_clock::now();
        int answerMs = 0;
        DoorProbeCharset(answerMs);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                .count();
        const std::string msg = std::to_string(ms);
        [[maybe_unused]] const ssize_t w = ::write(pv[1], msg.data(), msg.size());
        ::_exit(0);
    }
    ::close(sv[0]);
    ::close(pv[1]);
    std::string seen;
    char buf[256];
    for (int asked = 0; asked < 2;) { // each request answered as soon as it is whole
        const ssize_t n = ::recv(sv[1], buf, sizeof buf, 0);
        if (n <= 0) break;
        seen.append(buf, static_cast<size_t>(n));
        for (size_t at; (at = seen.find("\x1b[6n")) != std::string::npos; ++asked) {
            seen.erase(0, at + 4);
            if (AAnswer) ::send(sv[1], asked ? "\x1b[1;3R" : "\x1b[1;1R", 6, 0);
        }
    }
    char out[64] = {};
    [[maybe_unused]] const ssize_t r = ::read(pv[0], out, sizeof out - 1);
    ::waitpid(child, nullptr, 0);
    ::close(sv[1]);
    ::close(pv[0]);
    return std::atof(out);
}

void Probe(int ARuns) {
    std::vector<double> ms;
    for (int i = 0; i < ARuns; ++i)
        ms.push_back(ProbeMs(true));
    std::sort(ms.begin(), ms.end());
    std::printf(
        "character-set probe, terminal answering at once, %d starts: median %.2f ms, max %.2f ms\n",
        ARuns, ms[ms.size() / 2], ms.back());
    std::printf("character-set probe, terminal not answering: %.1f ms\n", ProbeMs(false));
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    for (const bool card : {false, true})
        for (const bool utf8 : {false, true})
            RoundTrip(20000, utf8, card);
    Probe(50);
    // The bare loop runs in a child at the same time, so both see the same machine load.
    int pv[2];
    if (::pipe(pv) != 0) return 1;
    const pid_t bare = ::fork();
    if (bare == 0) {
        const std::string msg = std::to_string(BarePollCpuMs(seconds));
        [[maybe_unused]] const ssize_t w = ::write(pv[1], msg.data(), msg.size());
        ::_exit(0);
    }
    ::close(pv[1]);
    const double cpu = IdleCpuMs(seconds);
    char buf[64] = {};
    [[maybe_unused]] const ssize_t r = ::read(pv[0], buf, sizeof buf - 1);
    ::waitpid(bare, nullptr, 0);
    std::printf("CPU of a bare once-a-second poll() loop over the same %d s: %.2f ms\n", seconds,
                std::atof(buf));
    std::printf("CPU used waiting in DoorReadKey (socket mode, pump on) for %d s: %.2f ms (%.2f ms "
                "per minute)\n",
                seconds, cpu, seconds > 0 ? cpu * 60.0 / seconds : 0.0);
    return 0;
}
