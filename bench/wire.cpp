// Door kit wire figures:
//  1. CPU time of a door waiting in DoorReadKey in socket mode (pump on) for N seconds
//     (default 60; first argument overrides), measured from the waiting process's rusage.
//  2. Key round trip over a socketpair: the caller (another process) sends a key, the door
//     reads it with DoorReadKey and echoes it with DoorWrite, the caller receives it.
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
        struct rusage a {}, b {};
        ::getrusage(RUSAGE_SELF, &a);
        const char k = DoorReadKey();
        ::getrusage(RUSAGE_SELF, &b);
        const double ms = (b.ru_utime.tv_sec - a.ru_utime.tv_sec + b.ru_stime.tv_sec - a.ru_stime.tv_sec) * 1000.0 +
                          (b.ru_utime.tv_usec - a.ru_utime.tv_usec + b.ru_stime.tv_usec - a.ru_stime.tv_usec) / 1000.0;
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
    while ((n = ::recv(sv[1], buf, sizeof buf, 0)) > 0) reply.append(buf, static_cast<size_t>(n));
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(sv[1]);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return std::atof(reply.c_str());  // CPU of the wait alone, measured by the door itself
}

// The floor for comparison: a process that only wakes once a second in poll() on a quiet
// socket, as any door must while its pump runs, for the same time.
double BarePollCpuMs(int ASeconds) {
    int sv[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, sv) != 0) return -1;
    struct rusage a {}, b {};
    ::getrusage(RUSAGE_SELF, &a);
    for (int i = 0; i < ASeconds; ++i) {
        pollfd p{sv[0], POLLIN, 0};
        ::poll(&p, 1, 1000);
    }
    ::getrusage(RUSAGE_SELF, &b);
    ::close(sv[0]);
    ::close(sv[1]);
    return (b.ru_utime.tv_sec - a.ru_utime.tv_sec + b.ru_stime.tv_sec - a.ru_stime.tv_sec) * 1000.0 +
           (b.ru_utime.tv_usec - a.ru_utime.tv_usec + b.ru_stime.tv_usec - a.ru_stime.tv_usec) / 1000.0;
}

void RoundTrip(int ACount) {
    int sv[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, sv) != 0) return;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(sv[1]);
        StartDoor(sv[0]);
        for (;;) {
            const char k = DoorReadKey();
            if (k == 'Q') ::_exit(0);
            DoorWrite(std::string(1, k));
        }
    }
    ::close(sv[0]);
    char offers[9];
    RecvExactly(sv[1], offers, sizeof offers);
    std::vector<double> us;
    us.reserve(static_cast<size_t>(ACount));
    for (int i = 0; i < ACount; ++i) {
        const char k = static_cast<char>('a' + i % 26);
        const auto t0 = std::chrono::steady_clock::now();
        ::send(sv[1], &k, 1, 0);
        char echo;
        if (!RecvExactly(sv[1], &echo, 1) || echo != k) {
            std::printf("round trip: wrong echo at %d\n", i);
            break;
        }
        us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
    }
    ::send(sv[1], "Q", 1, 0);
    ::waitpid(child, nullptr, 0);
    ::close(sv[1]);
    if (us.empty()) return;
    std::sort(us.begin(), us.end());
    std::printf("key round trip over a socketpair, %zu keys: median %.1f us, p90 %.1f us, p99 %.1f us, max %.1f us\n",
                us.size(), us[us.size() / 2], us[us.size() * 9 / 10], us[us.size() * 99 / 100], us.back());
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    RoundTrip(20000);
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
    std::printf("CPU of a bare once-a-second poll() loop over the same %d s: %.2f ms\n", seconds, std::atof(buf));
    std::printf("CPU used waiting in DoorReadKey (socket mode, pump on) for %d s: %.2f ms (%.2f ms per minute)\n",
                seconds, cpu, seconds > 0 ? cpu * 60.0 / seconds : 0.0);
    return 0;
}
