// The caller's input path: bytes on the socket -> telnet filter -> line-end folding -> key
// decoder (DoorReadKey in socket mode), over a real socketpair in this process. When the
// decoder waits for a byte that is not there, the wait hook supplies IAC SE "Z" (which ends
// any telnet command left open and then gives an ordinary key), so every input ends.
//
// Checked: the filter gives the same bytes however its input is split; folding leaves no
// LF and never lengthens; only the four cursor keys come as extended keys; for input
// without IAC the keys are exactly what an independent decoder makes of the folded stream.
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

#include "common/datetime.h"
#include "fuzz_support.h"
#include "harbex/comm.h"
#include "harbex/door.h"

namespace {

int gCallerFd = -1;
int gDoorFd = -1;
int gFeeds = 0;

bool Readable(int AFd) {
    pollfd p{AFd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN) != 0;
}

void SendAll(int AFd, const std::string& AData) {
    size_t off = 0;
    while (off < AData.size()) {
        const ssize_t n = ::send(AFd, AData.data() + off, AData.size() - off, MSG_NOSIGNAL);
        if (n <= 0) fuzz::Fail(__FILE__, __LINE__, "send");
        off += static_cast<size_t>(n);
    }
}

void Drain(int AFd) {
    char buf[4096];
    while (Readable(AFd) && ::recv(AFd, buf, sizeof buf, MSG_DONTWAIT) > 0) {
    }
}

void FeedWhenIdle(int) {
    if (Readable(gDoorFd)) return;
    FUZZ_CHECK(++gFeeds < 1000);
    SendAll(gCallerFd, "\xff\xf0Z");
}

struct Key {
    char Ch;
    bool Extended;
    bool operator==(const Key&) const = default;
};

// The decoder's rules applied to a clean (filtered, folded) stream followed by "Z"s.
std::vector<Key> RefKeys(std::string S) {
    S += std::string(16, 'Z');
    std::vector<Key> keys;
    size_t i = 0;
    while (i + 3 < S.size()) {
        const char c = S[i++];
        if (c != 27) {
            keys.push_back({c, false});
        } else if (S[i] != '[') {
            keys.push_back({27, false});
        } else {
            const char m = S[i + 1];
            i += 2;
            if (m == 'A') keys.push_back({72, true});
            if (m == 'B') keys.push_back({80, true});
            if (m == 'C') keys.push_back({77, true});
            if (m == 'D') keys.push_back({75, true});
        }
    }
    return keys;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    const std::string data = fuzz::Bytes(AData, ASize);

    // Pure pieces.
    const size_t cut = ASize ? AData[0] % (ASize + 1) : 0;
    harbex::TTelnetFilter whole, split;
    const std::string clean = whole.Feed(data);
    FUZZ_CHECK(split.Feed(data.substr(0, cut)) + split.Feed(data.substr(cut)) == clean);
    FUZZ_CHECK(clean.size() <= data.size());
    if (data.find('\xff') == std::string::npos) FUZZ_CHECK(clean == data);
    const std::string folded = harbex::FoldLineEnds(data);
    FUZZ_CHECK(folded.size() <= data.size());
    FUZZ_CHECK(folded.find('\n') == std::string::npos);
    if (data.find_first_of(std::string("\r\n", 2)) == std::string::npos) FUZZ_CHECK(folded == data);

    // The socket path.
    int sv[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, sv) != 0) fuzz::Fail(__FILE__, __LINE__, "socketpair");
    gDoorFd = sv[0];
    gCallerFd = sv[1];
    gFeeds = 0;
    harbex::DoorResetForTests();
    harbex::StdIO = false;
    harbex::CommReset();
    harbex::SetInputWaitHook(FeedWhenIdle);
    harbex::CommOpen(gDoorFd);
    Drain(gCallerFd);
    SendAll(gCallerFd, data);

    std::vector<Key> keys;
    while (harbex::CommCharAvail() || Readable(gDoorFd)) {
        const char k = harbex::DoorReadKey();
        FUZZ_CHECK(harbex::DoorLastKey.Location == harbex::lkUser);
        FUZZ_CHECK(harbex::DoorLastKey.Ch == k);
        if (harbex::DoorLastKey.Extended) FUZZ_CHECK(k == 72 || k == 80 || k == 77 || k == 75);
        keys.push_back({k, harbex::DoorLastKey.Extended});
        FUZZ_CHECK(keys.size() <= data.size() + 1000);
    }
    FUZZ_CHECK(harbex::CommCarrier());

    if (data.find('\xff') == std::string::npos) {
        // Each receive takes at most 1024 bytes and is folded on its own.
        std::string stream;
        for (size_t off = 0; off < data.size(); off += 1024) stream += harbex::FoldLineEnds(data.substr(off, 1024));
        const std::vector<Key> ref = RefKeys(stream);
        FUZZ_CHECK(keys.size() <= ref.size());
        for (size_t i = 0; i < keys.size(); ++i) FUZZ_CHECK(keys[i] == ref[i]);
        for (size_t i = keys.size(); i < ref.size(); ++i) FUZZ_CHECK(ref[i] == (Key{'Z', false}));
    }

    // The caller hangs up: the carrier drops and no key is waiting.
    ::close(gCallerFd);
    FUZZ_CHECK(!harbex::CommCharAvail());
    FUZZ_CHECK(!harbex::CommCarrier());
    harbex::CommClose(false);
    harbex::SetInputWaitHook(nullptr);
    return 0;
}
