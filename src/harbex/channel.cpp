#include "harbex/channel.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

#include "common/seams.h"
#include "harbex/process.h"

namespace harbex {

namespace {

// The terminal on standard input while the session holds it raw.
struct TTerminal {
    bool Raw = false;
    int Fd = -1, Out = -1;
    bool Local = false; // the sysop's console: reset and cleared when given back
    termios Saved{};
    bool AtExit = false;
} gTerminal;

constexpr char kResetAndClear[] = "\x1b[0m\x1b[2J\x1b[1;1H";

// Async-signal-safe: only write and tcsetattr.
void GiveTerminalBack() {
    if (!gTerminal.Raw) return;
    gTerminal.Raw = false;
    if (gTerminal.Local) (void)!::write(gTerminal.Out, kResetAndClear, sizeof kResetAndClear - 1);
    ::tcsetattr(gTerminal.Fd, TCSANOW, &gTerminal.Saved);
}

extern "C" void OnQuitKey(int ASig) { // Ctrl-C or Ctrl-\ on the sysop's keyboard
    GiveTerminalBack();
    ::signal(ASig, SIG_DFL);
    ::raise(ASig);
}

void TakeTerminal(int AIn, int AOut, bool ALocal) {
    termios t{};
    if (gTerminal.Raw || ::isatty(AIn) != 1 || ::tcgetattr(AIn, &t) != 0) return;
    gTerminal = TTerminal{false, AIn, AOut, ALocal, t, gTerminal.AtExit};
    if (!std::exchange(gTerminal.AtExit, true)) std::atexit(GiveTerminalBack);
    struct sigaction sa {};
    sa.sa_handler = OnQuitKey;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGQUIT, &sa, nullptr);
    t.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO | IEXTEN));
    // The caller's Ctrl-C, Ctrl-Z or Ctrl-\ is a key, never a signal that kills or stops the door.
    if (!ALocal) t.c_lflag &= static_cast<tcflag_t>(~ISIG);
    t.c_iflag &= static_cast<tcflag_t>(~(IXON | ICRNL | INLCR | IGNCR | ISTRIP));
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    if (::tcsetattr(AIn, TCSANOW, &t) == 0) gTerminal.Raw = true;
}

// Poll with the hang-up wake descriptor beside AFd; -1 for AFd leaves only the wake.
TWaitResult PollWithWake(int AFd, short AEvents, int AMs) {
    if (common::Seams().Wait && AEvents == POLLIN) {
        common::Seams().Wait(AMs);
        return TWaitResult::Ready;
    }
    pollfd p[2] = {{HangupWakeFd(), POLLIN, 0}, {AFd, AEvents, 0}};
    const int n = ::poll(p, AFd >= 0 ? 2 : 1, std::max(AMs, 0));
    if (n > 0 && (p[0].revents & POLLIN)) {
        DrainHangupWake();
        return TWaitResult::Signal;
    }
    return n > 0 ? TWaitResult::Ready : TWaitResult::Timeout;
}

} // namespace

TChannel TChannel::Socket(int AFd) {
    InstallProcessSignals();
    TChannel c;
    c.FKind = TChannelKind::Socket;
    c.FIn = c.FOut = AFd;
    const int flags = ::fcntl(AFd, F_GETFL);
    if (flags != -1) ::fcntl(AFd, F_SETFL, flags & ~O_NONBLOCK);
    return c;
}

TChannel TChannel::StdIO(int AIn, int AOut, TChannelKind AKind) {
    InstallProcessSignals();
    TChannel c;
    c.FKind = AKind;
    c.FIn = AIn;
    c.FOut = AOut;
    TakeTerminal(AIn, AOut, AKind == TChannelKind::Local);
    return c;
}

ssize_t TChannel::Send(std::string_view ABytes) {
    // A socket whose caller has hung up takes nothing more.
    if (FOut < 0 || FOutputLost || (FKind == TChannelKind::Socket && FInputEnded)) return -1;
    if (ABytes.empty()) return 0;
    ssize_t n;
    if (FKind == TChannelKind::Socket) {
        n = ::send(FOut, ABytes.data(), ABytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    } else {
        // Standard output may be shared and blocking: write only when there is room, and no
        // more than a pipe takes at once. A reader who has gone must not end the door.
        InstallProcessSignals();
        pollfd p{FOut, POLLOUT, 0};
        if (::poll(&p, 1, 0) == 0) return 0;
        n = ::write(FOut, ABytes.data(), std::min<size_t>(ABytes.size(), 4096));
    }
    if (n >= 0) return n;
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return 0;
    FOutputLost = true;
    return -1;
}

ssize_t TChannel::Receive(char* ABuffer, size_t ASize) {
    if (FIn < 0 || FInputEnded) return -1;
    ssize_t n;
    if (FKind == TChannelKind::Socket) {
        n = ::recv(FIn, ABuffer, ASize, MSG_DONTWAIT);
    } else {
        pollfd p{FIn, POLLIN, 0};
        const int r = ::poll(&p, 1, 0);
        if (r == 0 || (r < 0 && errno == EINTR)) return 0;
        n = r < 0 || (p.revents & POLLNVAL) ? -1 : ::read(FIn, ABuffer, ASize);
    }
    if (n > 0) return n;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return 0;
    FInputEnded = true; // the peer closed, the input ended, or it failed
    return -1;
}

bool TChannel::SendAll(std::string_view ABytes) {
    while (!ABytes.empty()) {
        const ssize_t n = Send(ABytes);
        if (n < 0) return false;
        ABytes.remove_prefix(static_cast<size_t>(n));
        if (ABytes.empty()) break;
        if (n > 0) continue;
        if (Stalled && !Stalled(false)) return false;
        const TWaitResult w = Wait(true, 1000);
        if (w == TWaitResult::Signal && Stalled && !Stalled(true)) return false;
    }
    return true;
}

TWaitResult TChannel::Wait(bool AForOutput, int AMs) const {
    if (AForOutput) return PollWithWake(FOutputLost ? -1 : FOut, POLLOUT, AMs);
    return PollWithWake(FInputEnded ? -1 : FIn, POLLIN, AMs);
}

void TChannel::Close(bool ADisconnect) {
    if (gTerminal.Raw && gTerminal.Fd == FIn) GiveTerminalBack();
    if (FKind == TChannelKind::Socket && FOut >= 0) {
        if (ADisconnect) ::shutdown(FOut, SHUT_RDWR);
        ::close(FOut);
    }
    FIn = FOut = -1;
}

} // namespace harbex
