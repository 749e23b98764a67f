// Any bytes from the caller on a socket pair, then a hang-up: DoorReadKey gives what a decoder here
// makes of them: telnet commands removed (state kept between receives of at most 1024 bytes), line
// ends folded to CR per receive, ESC [ A-D extended keys, other ESC [ x dropped, a lone ESC a key.
#include <sys/socket.h>
#include "fuzz.h"
#include "harbex/comm.h"
#include "harbex/door.h"
#include "harbex/process.h"

using namespace harbex;
using namespace std::string_literals;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    const std::string data = fuzz::Bytes(AData, ASize);
    const auto fold = [](std::string s, const std::string& from) {  // every "from", left to right, becomes CR
        for (size_t at = 0; (at = s.find(from, at)) != std::string::npos; ++at) s.replace(at, from.size(), 1, '\r');
        return s;
    };
    std::string clean, want, keys;  // filtered and folded one receive at a time; the keys expected and read
    for (size_t at = 0, state = 0; at < data.size(); at += 1024) {  // 0 data, 1 IAC, 2 option, 3 sub, 4 sub IAC
        std::string got;
        for (const char c : data.substr(at, 1024))
            if (const auto b = static_cast<uint8_t>(c); (state == 0 && b != 255) || (state == 1 && b == 255)) got += c, state = 0;
            else state = state == 0 ? 1 : state == 1 ? (b >= 251 ? 2 : b == 250 ? 3 : 0) : state == 2 ? 0
                       : state == 3 ? (b == 255 ? 4 : 3) : (b == 240 ? 0 : 3);
        clean += fold(fold(fold(got, "\r\n"), std::string("\r\0", 2)), "\n");
    }
    for (size_t i = 0; i < clean.size(); ++i)  // "+" and a plain key, "*" and an extended one
        if (clean[i] != 27 || i + 1 == clean.size() || clean[i + 1] != '[') want += "+"s + clean[i];
        else if (i += 2; i < clean.size() && clean[i] >= 'A' && clean[i] <= 'D') want += "*"s + "HPMK"[clean[i] - 'A'];
    int sv[2];
    FUZZ_CHECK(::socketpair(AF_UNIX, SOCK_STREAM, 0, sv) == 0);
    DoorResetForTests(), CommReset(), SetInputWaitHook([](int) {}), CommOpen(sv[0]), StdIO = false;
    FUZZ_CHECK(::send(sv[1], data.data(), data.size(), 0) == ssize_t(data.size()) && !::shutdown(sv[1], SHUT_WR));
    DoorOnHangup = [] { throw EHalt(0); };
    try {
        for (;;) keys += DoorReadKey(), keys.insert(keys.end() - 1, DoorLastKey.Extended ? '*' : '+');
    } catch (const EHalt&) {}
    FUZZ_CHECK(keys == want);
    CommClose(false), ::close(sv[1]), CommReset();
    return 0;
}
