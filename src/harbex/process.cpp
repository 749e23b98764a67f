#include "harbex/process.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace harbex {
namespace {

TExitProc gExitProc = nullptr;
bool gAtExitRegistered = false;
THaltHook gHaltHook = nullptr;

volatile sig_atomic_t gHangup = 0;
int gWakePipe[2] = {-1, -1};
bool gSignalsInstalled = false;

void AtExitRunner() { RunExitProcs(); }

extern "C" void OnHangupSignal(int) {
    const int saved = errno;
    gHangup = 1;
    if (gWakePipe[1] >= 0) {
        const char b = 1;
        [[maybe_unused]] ssize_t n = ::write(gWakePipe[1], &b, 1);
    }
    errno = saved;
}

void MakeWakePipe() {
    if (gWakePipe[0] >= 0) return;
    int fds[2];
    if (::pipe(fds) != 0) return;
    for (int fd : fds) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    gWakePipe[0] = fds[0];
    gWakePipe[1] = fds[1];
}

} // namespace

TExitProc GetExitProc() { return gExitProc; }

void SetExitProc(TExitProc AProc) {
    gExitProc = AProc;
    if (AProc && !gAtExitRegistered) {
        gAtExitRegistered = true;
        std::atexit(AtExitRunner);
    }
}

void RunExitProcs() {
    // Each procedure is removed before it runs; it may install its predecessor, which
    // then runs next. A bound keeps a procedure that reinstalls itself from looping.
    for (int guard = 0; gExitProc && guard < 64; ++guard) {
        TExitProc p = gExitProc;
        gExitProc = nullptr;
        p();
    }
    gExitProc = nullptr;
}

void Halt(int ACode) {
    RunExitProcs();
    std::fflush(stdout);
    if (gHaltHook) gHaltHook(ACode);
    std::exit(ACode);
}

void SetHaltHook(THaltHook AHook) { gHaltHook = AHook; }

void HaltByThrowing(int ACode) { throw EHalt(ACode); }

void InstallProcessSignals() {
    if (gSignalsInstalled) return;
    gSignalsInstalled = true;
    MakeWakePipe();
    struct sigaction ign {};
    ign.sa_handler = SIG_IGN;
    sigemptyset(&ign.sa_mask);
    ::sigaction(SIGPIPE, &ign, nullptr);
    ::sigaction(SIGXFSZ, &ign, nullptr);
    struct sigaction hup {};
    hup.sa_handler = OnHangupSignal;
    sigemptyset(&hup.sa_mask);
    hup.sa_flags = SA_RESTART;
    ::sigaction(SIGHUP, &hup, nullptr);
    ::sigaction(SIGTERM, &hup, nullptr);
}

void ResetProcessSignals() {
    gSignalsInstalled = false;
    ::signal(SIGPIPE, SIG_DFL);
    ::signal(SIGXFSZ, SIG_DFL);
    ::signal(SIGHUP, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
}

bool HangupSignalled() { return gHangup != 0; }

void RaiseHangupSignal() { OnHangupSignal(SIGHUP); }

void ClearHangupSignal() {
    gHangup = 0;
    if (gWakePipe[0] >= 0) {
        char buf[64];
        while (::read(gWakePipe[0], buf, sizeof buf) > 0) {
        }
    }
}

int HangupWakeFd() {
    MakeWakePipe();
    return gWakePipe[0];
}

} // namespace harbex
