#include "harbex/comm.h"

#include "harbex/keydecoder.h"

namespace harbex {

namespace {

struct TComm {
    TChannel Channel;
    std::string Buffer; // received bytes not yet taken
    TTelnetFilter Telnet;
    TLineEnds Lines;
};
TComm gComm;

} // namespace

void CommOpen(int32_t ACommNumber) {
    gComm.Channel = TChannel::Socket(ACommNumber);
    const unsigned char offers[] = {IAC, WILL, OPT_BINARY, IAC, WILL, OPT_ECHO, IAC, WILL, OPT_SGA};
    CommWriteBlock(offers, sizeof offers);
}

void CommClose(bool ADisconnect) {
    gComm.Channel.Close(ADisconnect);
}

bool CommCarrier() {
    return !gComm.Channel.InputEnded() && !gComm.Channel.OutputLost();
}

TChannel& CommChannel() {
    return gComm.Channel;
}

bool CommCharAvail() {
    if (gComm.Buffer.empty()) {
        char buf[1024];
        const ssize_t n = gComm.Channel.Receive(buf, sizeof buf);
        if (n > 0)
            gComm.Buffer = gComm.Lines.Feed(gComm.Telnet.Feed({buf, static_cast<size_t>(n)}));
    }
    return !gComm.Buffer.empty();
}

char CommPeekChar() {
    return CommCharAvail() ? gComm.Buffer[0] : '\0';
}

char CommReadChar() {
    const char c = CommPeekChar();
    if (!gComm.Buffer.empty()) gComm.Buffer.erase(0, 1);
    return c;
}

void CommWrite(const std::string& AText) {
    std::string escaped;
    escaped.reserve(AText.size());
    for (const char c : AText) {
        escaped += c;
        if (c == '\xff') escaped += c;
    }
    CommWriteRaw(escaped);
}

void CommWriteRaw(const std::string& AText) {
    CommWriteBlock(AText.data(), static_cast<int32_t>(AText.size()));
}

void CommWriteBlock(const void* ABlock, int32_t ABlockLen) {
    if (ABlockLen > 0)
        gComm.Channel.SendAll({static_cast<const char*>(ABlock), static_cast<size_t>(ABlockLen)});
}

void CommFlushOutBuffer() {}
void CommPurgeOutBuffer() {}
void CommSetBaud(int32_t) {}

void CommReset() {
    gComm = TComm{};
}

} // namespace harbex
