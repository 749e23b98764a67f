#include "harbex/process.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

#include <utility>

#include "common/seams.h"

namespace harbex {
namespace {

// The process state: the exit procedure chain and the hang-up signal with its wake pipe.
struct TProcessState {
    TExitProc ExitProc = nullptr;
    bool AtExitRegistered = false;
    bool SignalsInstalled = false;
};
TProcessState gProcess;
// Written by the signal handler, so kept apart.
volatile sig_atomic_t gHangup = 0;
int gWakePipe[2] = {-1, -1};

void AtExitRunner() {
    RunExitProcs();
}

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

TExitProc GetExitProc() {
    return gProcess.ExitProc;
}

void SetExitProc(TExitProc AProc) {
    gProcess.ExitProc = AProc;
    if (AProc && !gProcess.AtExitRegistered) {
        gProcess.AtExitRegistered = true;
        std::atexit(AtExitRunner);
    }
}

void RunExitProcs() {
    // Each procedure is removed before it runs; it may install its predecessor, which
    // then runs next. A bound keeps a procedure that reinstalls itself from looping.
    for (int guard = 0; gProcess.ExitProc && guard < 64; ++guard) {
        TExitProc p = gProcess.ExitProc;
        gProcess.ExitProc = nullptr;
        p();
    }
    gProcess.ExitProc = nullptr;
}

void Halt(int ACode) {
    RunExitProcs();
    std::fflush(stdout);
    if (common::Seams().Halt) common::Seams().Halt(ACode);
    std::exit(ACode);
}

void HaltByThrowing(int ACode) {
    throw EHalt(ACode);
}

void InstallProcessSignals() {
    if (gProcess.SignalsInstalled) return;
    gProcess.SignalsInstalled = true;
    MakeWakePipe();
    struct sigaction ign {};
    ign.sa_handler = SIG_IGN;
    sigemptyset(&ign.sa_mask);
    ::sigaction(SIGPIPE, &ign, nullptr);
    ::sigaction(SIGXFSZ, &ign, nullptr);
    struct sigaction hup {};
    hup.sa_handler = OnHangupSignal;
    sigemptyset(&hup.sa_mask);
    // No SA_RESTART: a write blocked on a caller who stopped reading returns at once.
    hup.sa_flags = 0;
    ::sigaction(SIGHUP, &hup, nullptr);
    ::sigaction(SIGTERM, &hup, nullptr);
}

bool HangupSignalled() {
    return gHangup != 0;
}

void RaiseHangupSignal() {
    OnHangupSignal(SIGHUP);
}

void DrainHangupWake() {
    char buf[64];
    if (gWakePipe[0] >= 0)
        while (::read(gWakePipe[0], buf, sizeof buf) > 0) {
        }
}

void ProcessReset() {
    gProcess.ExitProc = nullptr;
    gHangup = 0;
    DrainHangupWake();
    if (std::exchange(gProcess.SignalsInstalled, false))
        for (const int sig : {SIGPIPE, SIGXFSZ, SIGHUP, SIGTERM})
            ::signal(sig, SIG_DFL);
}

int HangupWakeFd() {
    MakeWakePipe();
    return gWakePipe[0];
}

} // namespace harbex
