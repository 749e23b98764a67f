// Any bytes from the caller on a socket pair, then a hang-up: DoorReadKey gives the keys the
// decoder gives for the bytes in one piece (receives of 1024 bytes change nothing); every extended
// key is a known one.
#include "common/seams.h"
#include "fuzz.h"
#include "harbex/comm.h"
#include "harbex/door.h"
#include "harbex/keydecoder.h"
#include <sys/socket.h>

using namespace harbex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    const std::string data = fuzz::Bytes(AData, ASize),
                      known = "\x3b\x3c\x3d\x3e\x3f\x40\x41\x42\x43\x44GHIKMOPQRS\x85\x86";
    TKeyDecoder decoder(true);
    decoder.Feed(data), decoder.Flush();
    std::vector<TKey> want, got;
    while (decoder.HasKey())
        want.push_back(decoder.TakeKey());
    int sv[2];
    FUZZ_CHECK(::socketpair(AF_UNIX, SOCK_STREAM, 0, sv) == 0);
    DoorReset(), common::ResetSeams(), common::Seams().Wait = [](int) {}, CommOpen(sv[0]),
                                       StdIO = false;
    FUZZ_CHECK(::send(sv[1], data.data(), data.size(), 0) == ssize_t(data.size()) &&
               !::shutdown(sv[1], SHUT_WR));
    DoorOnHangup = [] { throw EHalt(0); };
    try {
        for (;;)
            DoorReadKey(), got.push_back({DoorLastKey.Ch, DoorLastKey.Extended});
    } catch (const EHalt&) {
    }
    FUZZ_CHECK(got == want);
    for (const TKey& k : got)
        FUZZ_CHECK(!k.Extended || known.find(k.Ch) != std::string::npos);
    CommClose(false), ::close(sv[1]), DoorReset();
    return 0;
}
