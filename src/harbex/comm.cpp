#include "harbex/comm.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "common/datetime.h"
#include "harbex/process.h"

namespace harbex {
namespace {

std::string FBuffer;
bool FCarrier = true;
int32_t FCommNumber = -1;
TTelnetFilter FFilter;

void ReceiveData() {
    if (FCommNumber < 0 || !FCarrier) return;
    pollfd p{FCommNumber, POLLIN, 0};
    int r;
    do {
        r = ::poll(&p, 1, 0);
    } while (r < 0 && errno == EINTR);
    if (r < 0) {
        FCarrier = false;
        return;
    }
    if (r == 0) return;
    if ((p.revents & POLLNVAL) != 0) {
        FCarrier = false;
        return;
    }
    char buf[1024];
    ssize_t n;
    do {
        n = ::recv(FCommNumber, buf, sizeof buf, MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    if (n <= 0) {
        FCarrier = false;
        return;
    }
    FBuffer = FoldLineEnds(FFilter.Feed(std::string(buf, static_cast<size_t>(n))));
}

char TakeFirst(bool ARemove) {
    // The kit only reads after CommCharAvail said yes; otherwise wait a little for a byte,
    // but never past a lost carrier or a closed channel.
    for (int round = 0; FBuffer.empty() && round < 1000; ++round) {
        ReceiveData();
        if (!FBuffer.empty() || !FCarrier || FCommNumber < 0) break;
        pollfd p{FCommNumber, POLLIN, 0};
        ::poll(&p, 1, 1);
    }
    if (FBuffer.empty()) return 0;
    const char c = FBuffer[0];
    if (ARemove) FBuffer.erase(0, 1);
    return c;
}

} // namespace

std::string TTelnetFilter::Feed(const std::string& AIn) {
    std::string out;
    out.reserve(AIn.size());
    for (const char ch : AIn) {
        const auto b = static_cast<uint8_t>(ch);
        switch (FState) {
        case sData:
            if (b == IAC)
                FState = sIAC;
            else
                out += ch;
            break;
        case sIAC:
            if (b == IAC) {
                out += ch;
                FState = sData;
            } else if (b == WILL || b == WONT || b == DO || b == DONT) {
                FState = sOption;
            } else if (b == SB) {
                FState = sSub;
            } else {
                FState = sData;  // any other two-byte command
            }
            break;
        case sOption:
            FState = sData;
            break;
        case sSub:
            if (b == IAC) FState = sSubIAC;
            break;
        case sSubIAC:
            // IAC SE ends the sub-negotiation; IAC IAC is a data byte inside it.
            FState = (b == SE) ? sData : sSub;
            break;
        }
    }
    return out;
}

std::string FoldLineEnds(const std::string& AIn) {
    // Three passes in order, each over the whole block, as the line ends are defined.
    auto replaceAll = [](const std::string& s, const std::string& from, char to) {
        std::string r;
        r.reserve(s.size());
        for (size_t i = 0; i < s.size();) {
            if (s.compare(i, from.size(), from) == 0) {
                r += to;
                i += from.size();
            } else {
                r += s[i++];
            }
        }
        return r;
    };
    if (AIn.find_first_of(std::string("\r\n", 2)) == std::string::npos) return AIn;
    std::string s = replaceAll(AIn, "\r\n", '\r');
    s = replaceAll(s, std::string("\r\0", 2), '\r');
    for (char& c : s)
        if (c == '\n') c = '\r';
    return s;
}

void CommOpen(int32_t ACommNumber) {
    InstallProcessSignals();
    FCommNumber = ACommNumber;
    const int flags = ::fcntl(ACommNumber, F_GETFL);
    if (flags != -1) ::fcntl(ACommNumber, F_SETFL, flags & ~O_NONBLOCK);
    const unsigned char offers[] = {IAC, WILL, OPT_BINARY, IAC, WILL, OPT_ECHO, IAC, WILL, OPT_SGA};
    CommWriteBlock(offers, sizeof offers);
}

void CommClose(bool ADisconnect) {
    if (FCommNumber < 0) return;
    if (ADisconnect) ::shutdown(FCommNumber, SHUT_RDWR);
    ::close(FCommNumber);
    FCommNumber = -1;
}

bool CommCarrier() { return FCarrier; }

int32_t CommHandle() { return FCommNumber; }

bool CommCharAvail() {
    if (FBuffer.empty()) ReceiveData();
    return !FBuffer.empty();
}

char CommPeekChar() { return TakeFirst(false); }

char CommReadChar() { return TakeFirst(true); }

void CommWrite(const std::string& AText) {
    if (AText.find('\xff') == std::string::npos) {
        CommWriteBlock(AText.data(), static_cast<int32_t>(AText.size()));
        return;
    }
    std::string esc;
    esc.reserve(AText.size() + 8);
    for (const char c : AText) {
        esc += c;
        if (c == '\xff') esc += c;
    }
    CommWriteBlock(esc.data(), static_cast<int32_t>(esc.size()));
}

void CommWriteRaw(const std::string& AText) {
    CommWriteBlock(AText.data(), static_cast<int32_t>(AText.size()));
}

void CommWriteBlock(const void* ABlock, int32_t ABlockLen) {
    if (ABlockLen <= 0 || FCommNumber < 0 || !FCarrier) return;
    const char* p = static_cast<const char*>(ABlock);
    size_t left = static_cast<size_t>(ABlockLen);
    while (left > 0) {
        const ssize_t n = ::send(FCommNumber, p, left, MSG_NOSIGNAL);
        if (n > 0) {
            p += n;
            left -= static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // Someone made the descriptor non-blocking again: wait until it can take more.
            pollfd pw{FCommNumber, POLLOUT, 0};
            if (::poll(&pw, 1, 1000) >= 0) continue;
        }
        FCarrier = false;  // the caller is gone
        return;
    }
}

void CommFlushOutBuffer() {}
void CommPurgeOutBuffer() {}
void CommSetBaud(int32_t) {}

void CommReset() {
    FBuffer.clear();
    FCarrier = true;
    FCommNumber = -1;
    FFilter.Reset();
}

} // namespace harbex
