#include "harbex/console.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "harbex/consolescreen.h"
#include "harbex/process.h"

namespace harbex {
namespace {

constexpr char ESC = 27;

int gInFd = 0;
bool gEnded = false;
TConsoleKeyDecoder gDecoder;
uint8_t gAttr = 7;

bool gRawActive = false;
bool gCallerTerminal = false;  // the terminal is the caller's, raw for the whole session
int gRawFd = -1;
struct termios gSavedTermios {};
bool gRestoreRegistered = false;
struct sigaction gOldIntAction {};

void RestoreTerminal() {
    if (gRawActive) {
        ::tcsetattr(gRawFd, TCSANOW, &gSavedTermios);
        gRawActive = false;
    }
}

extern "C" void OnInterrupt(int ASig) {
    // Ctrl-C on the sysop's keyboard: give the terminal back, then die as asked.
    if (gRawActive) ::tcsetattr(gRawFd, TCSANOW, &gSavedTermios);
    ::signal(ASig, SIG_DFL);
    ::raise(ASig);
}

int CsiTildeCode(int AParam) {
    switch (AParam) {
    case 1: case 7: return 71;   // Home
    case 2: return 82;           // Insert
    case 3: return 83;           // Delete
    case 4: case 8: return 79;   // End
    case 5: return 73;           // Page up
    case 6: return 81;           // Page down
    case 11: return 59; case 12: return 60; case 13: return 61; case 14: return 62;
    case 15: return 63; case 17: return 64; case 18: return 65; case 19: return 66;
    case 20: return 67; case 21: return 68; case 23: return 133; case 24: return 134;
    default: return -1;
    }
}

int FinalCode(char AFinal) {
    switch (AFinal) {
    case 'A': return 72;
    case 'B': return 80;
    case 'C': return 77;
    case 'D': return 75;
    case 'H': return 71;
    case 'F': return 79;
    default: return -1;
    }
}

void ReadAvailable() {
    if (gEnded) return;
    for (int rounds = 0; rounds < 8; ++rounds) {
        pollfd p{gInFd, POLLIN, 0};
        // A sequence under way gets a short grace period for its remaining bytes.
        const int wait = gDecoder.Pending() ? 30 : 0;
        int r = ::poll(&p, 1, wait);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 || (r > 0 && (p.revents & POLLNVAL))) {
            gEnded = true;
            break;
        }
        if (r == 0) break;
        char buf[1024];
        const ssize_t n = ::read(gInFd, buf, sizeof buf);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
        if (n <= 0) {
            gEnded = true;
            break;
        }
        gDecoder.Feed(std::string(buf, static_cast<size_t>(n)));
        if (!gDecoder.Pending()) break;
    }
    if (gDecoder.Pending()) gDecoder.Flush();
}

std::string AttrSgr(uint8_t AAttr) {
    static const int map[8] = {0, 4, 2, 6, 1, 5, 3, 7};
    std::string s = "\x1b[0;";
    if (AAttr & 0x08) s += "1;";
    if (AAttr & 0x80) s += "5;";
    s += std::to_string(30 + map[AAttr & 7]) + ";" + std::to_string(40 + map[(AAttr >> 4) & 7]) + "m";
    return s;
}

bool StdoutIsTerminal() { return ::isatty(1) == 1; }

} // namespace

// ---- Key decoder ----------------------------------------------------------------

void TConsoleKeyDecoder::Feed(const std::string& ABytes) {
    FLastCR = false;  // line ends fold within one read only
    for (const char c : ABytes) FeedByte(c);
}

void TConsoleKeyDecoder::FeedByte(char AByte) {
    if (!FSeq.empty()) {
        FSeq += AByte;
        if (FSeq.size() == 2) {
            if (AByte == '[' || AByte == 'O') return;
            // ESC + ordinary byte: the ESC is a key of its own, the byte follows.
            FSeq.clear();
            FKeys.push_back(ESC);
            FeedByte(AByte);
            return;
        }
        const auto u = static_cast<unsigned char>(AByte);
        if (FSeq[1] == 'O' || (u >= 0x40 && u <= 0x7E && !(FSeq.size() == 3 && AByte == '['))) {
            FinishSequence();
        } else if (FSeq.size() > 16) {
            FSeq.clear();  // runaway sequence: drop it
        }
        return;
    }
    if (AByte == ESC) {
        FLastCR = false;
        FSeq.assign(1, ESC);
        return;
    }
    if (AByte == '\n' || AByte == '\0') {
        if (FLastCR) {
            FLastCR = false;  // CR LF / CR NUL: the CR already stood for it
            return;
        }
        if (AByte == '\n') {
            FKeys.push_back('\r');
            return;
        }
        FKeys.push_back(0);  // Ctrl-@ as the PC keyboard gives it
        FKeys.push_back(3);
        return;
    }
    FLastCR = (AByte == '\r');
    FKeys.push_back(AByte);
}

void TConsoleKeyDecoder::FinishSequence() {
    int code = -1;
    const char final = FSeq.back();
    if (FSeq[1] == 'O') {
        if (final >= 'P' && final <= 'S')
            code = 59 + (final - 'P');
        else
            code = FinalCode(final);
    } else if (FSeq.size() == 4 && FSeq[2] == '[') {
        if (final >= 'A' && final <= 'E') code = 59 + (final - 'A');  // Linux console F1-F5
    } else if (final == '~') {
        int param = 0;
        for (size_t i = 2; i < FSeq.size() && FSeq[i] >= '0' && FSeq[i] <= '9'; ++i)
            param = param * 10 + (FSeq[i] - '0');
        code = CsiTildeCode(param);
    } else {
        code = FinalCode(final);
    }
    FSeq.clear();
    if (code >= 0) {
        FKeys.push_back(0);
        FKeys.push_back(static_cast<char>(code));
    }
}

void TConsoleKeyDecoder::Flush() {
    if (FSeq.empty()) return;
    const std::string rest = FSeq.substr(1);
    FSeq.clear();
    FKeys.push_back(ESC);
    for (const char c : rest) FKeys.push_back(c);
}

char TConsoleKeyDecoder::TakeKey() {
    if (FKeys.empty()) return 0;
    const char c = FKeys.front();
    FKeys.pop_front();
    return c;
}

void TConsoleKeyDecoder::Clear() {
    FSeq.clear();
    FKeys.clear();
    FLastCR = false;
}

// ---- Keyboard ---------------------------------------------------------------------

namespace {
// The sysop's terminal is raw only while the door reads keys: each read puts it in raw
// mode and gives it back as it was before returning.
class TRawWhileReading {
  public:
    TRawWhileReading() : FWasRaw(gRawActive) { ConsoleRawMode(true); }
    ~TRawWhileReading() {
        if (!FWasRaw) RestoreTerminal();
    }
    TRawWhileReading(const TRawWhileReading&) = delete;
    TRawWhileReading& operator=(const TRawWhileReading&) = delete;

  private:
    bool FWasRaw;
};
} // namespace

bool ConsoleKeyPressed() {
    if (gDecoder.HasKey()) return true;
    TRawWhileReading raw;
    ReadAvailable();
    return gDecoder.HasKey();
}

char ConsoleReadKey() {
    TRawWhileReading raw;
    for (;;) {
        if (gDecoder.HasKey()) return gDecoder.TakeKey();
        if (gEnded || HangupSignalled()) return 0;
        ConsoleWaitInput(1000);
        ReadAvailable();
    }
}

bool ConsoleInputEnded() { return gEnded && !gDecoder.HasKey(); }

void ConsoleWaitInput(int AMs) {
    if (gEnded) return;
    TRawWhileReading raw;  // a cooked terminal would hold keys back until Enter
    pollfd p[2] = {{gInFd, POLLIN, 0}, {HangupWakeFd(), POLLIN, 0}};
    const nfds_t n = p[1].fd >= 0 ? 2 : 1;
    if (HangupSignalled()) return;
    ::poll(p, n, AMs < 0 ? 0 : AMs);
}

void ConsoleRawMode(bool AOn) {
    if (!AOn) {
        RestoreTerminal();
        return;
    }
    if (gRawActive || ::isatty(gInFd) != 1) return;
    struct termios t {};
    if (::tcgetattr(gInFd, &t) != 0) return;
    gSavedTermios = t;
    gRawFd = gInFd;
    if (!gRestoreRegistered) {
        gRestoreRegistered = true;
        std::atexit(RestoreTerminal);
        struct sigaction sa {};
        sa.sa_handler = OnInterrupt;
        sigemptyset(&sa.sa_mask);
        ::sigaction(SIGINT, &sa, &gOldIntAction);
        ::sigaction(SIGQUIT, &sa, nullptr);
    }
    InstallProcessSignals();  // SIGHUP/SIGTERM end through the hang-up path, which restores
    t.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO | IEXTEN));
    // A caller's Ctrl-C, Ctrl-Z or Ctrl-\ is a key, never a signal that kills or stops the door.
    if (gCallerTerminal) t.c_lflag &= static_cast<tcflag_t>(~ISIG);
    t.c_iflag &= static_cast<tcflag_t>(~(IXON | ICRNL | INLCR | IGNCR | ISTRIP));
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    if (::tcsetattr(gInFd, TCSANOW, &t) == 0) gRawActive = true;
}

void ConsoleCallerTerminal() {
    if (gCallerTerminal) return;
    RestoreTerminal();
    gCallerTerminal = true;
    ConsoleRawMode(true);
}

void ConsoleSetInputFd(int AFd) {
    RestoreTerminal();
    gInFd = AFd < 0 ? 0 : AFd;
    gEnded = false;
    gDecoder.Clear();
}

// ---- Attribute and local screen -----------------------------------------------------

uint8_t ConsoleGetAttr() { return gAttr; }

void ConsoleSetAttr(uint8_t AAttr) { gAttr = AAttr; }

// The screen image always follows; standard output gets the text directly unless the
// image is already being drawn there.
void ConsoleClrScr() {
    ScrClrScr();
    if (!ScrMirrorActive() && StdoutIsTerminal()) WriteAllFd(1, AttrSgr(gAttr) + "\x1b[2J\x1b[1;1H");
}

void ConsoleWrite(const std::string& AText) {
    ScrWrite(AText);
    if (ScrMirrorActive()) return;
    if (StdoutIsTerminal())
        WriteAllFd(1, AttrSgr(gAttr) + AText);
    else
        WriteAllFd(1, AText);
}

void ConsoleWriteLn(const std::string& AText) { ConsoleWrite(AText + "\r\n"); }

bool WriteAllFd(int AFd, const std::string& AText) {
    InstallProcessSignals();
    const char* p = AText.data();
    size_t left = AText.size();
    while (left > 0) {
        const ssize_t n = ::write(AFd, p, left);
        if (n > 0) {
            p += n;
            left -= static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd pw{AFd, POLLOUT, 0};
            if (::poll(&pw, 1, 1000) >= 0) continue;
        }
        return false;
    }
    return true;
}

} // namespace harbex
