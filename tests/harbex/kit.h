// One fixture for the door kit's tests: the door started as a board starts it, on a socket pair
// (the test holds the caller's end) or in standard-I/O mode on pipes. Halt becomes an exception,
// sleeps are only counted, and key waits advance a fake clock instead of blocking. Tables of cases:
// cases/*.txt.
#pragma once

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "common/datetime.h"
#include "common/seams.h"
#include "harbex/comm.h"
#include "harbex/console.h"
#include "harbex/crt2.h"
#include "harbex/door.h"
#include "harbex/doorstartup.h"
#include "harbex/process.h"
#include "support/text.h"

namespace kit {
using namespace harbex;
using namespace std::string_literals;

const std::string E = "\x1b[";
constexpr int kReturned = -1000; // DoorStartup returned instead of ending the program
inline int64_t gWaitedMs = 0, gSleptMs = 0, gWaits = 0; // time waited for keys and slept; waits
inline void Advance(int64_t AMs) {
    *common::Seams().MonotonicMs += AMs;
}
inline void FakeWait(int AMs) {
    gWaitedMs += AMs, ++gWaits, Advance(AMs);
}

inline std::string ReadAll(int AFd) { // what AFd has, without waiting
    std::string s;
    char buf[8192];
    for (pollfd p{AFd, POLLIN, 0}; ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);)
        if (const ssize_t n = ::read(AFd, buf, sizeof buf); n > 0)
            s.append(buf, static_cast<size_t>(n));
        else
            break;
    return s;
}
using support::Split, support::Unescape;
// The table cases/AName.txt (support::Table).
inline std::vector<std::vector<std::string>> Cases(const std::string& AName) {
    const std::string here = __FILE__;
    auto rows = support::Table(here.substr(0, here.rfind('/')) + "/cases/" + AName + ".txt");
    EXPECT_FALSE(rows.empty()) << AName;
    return rows;
}
template <class F> int HaltCode(F AFn) { // the code AFn called Halt with, or kReturned
    try {
        AFn();
    } catch (const EHalt& e) {
        return e.Code;
    }
    return kReturned;
}

struct Door : ::testing::Test {
    void SetUp() override {
        DoorReset(), gWaitedMs = gSleptMs = gWaits = 0;
        ASSERT_TRUE(!::pipe(Msg) && !::pipe(Out) && !::pipe(Keys) &&
                    !::socketpair(AF_UNIX, SOCK_STREAM, 0, Sock));
        common::Seams() = {.Now = {},
                           .MonotonicMs = 5'000'000,
                           .Sleep = [](int AMs) { gSleptMs += AMs; },
                           .Halt = HaltByThrowing,
                           .Wait = FakeWait,
                           .StdIn = Keys[0],
                           .StdOut = Out[1],
                           .Messages = Msg[1],
                           .LocalScreen = -1};
    }
    void TearDown() override {
        CommClose(false), DoorReset(), common::ResetSeams();
        for (int* fd : {Msg, Msg + 1, Out, Out + 1, Keys, Keys + 1, Sock, Sock + 1})
            if (*fd >= 0) ::close(*fd);
    }
    // DoorStartup with these switches (the caller's terminal is not asked but with -Eauto).
    int Start(std::vector<std::string> AArgs) {
        AArgs.insert(AArgs.begin(), {"/opt/bbs/doors/kegora", "-Ecp437"});
        return HaltCode([&] { DoorStartup(AArgs); });
    }
    // A fresh session as a board starts one: node 1 on the socket, or standard I/O on pipes.
    void Session(bool AStdIO = false) {
        TearDown(), SetUp();
        TypeBoth("Tester\r\n"); // the name the door asks a caller the board did not name
        ASSERT_EQ(Start({"-N1", AStdIO ? "-Sstdio" : "-S" + std::to_string(Sock[0])}), kReturned);
        Sent();
    }
    void Type(const std::string& AKeys) { // the caller types
        ASSERT_EQ(::write(DoorStdIO() ? Keys[1] : Sock[1], AKeys.data(), AKeys.size()),
                  ssize_t(AKeys.size()));
    }
    void TypeBoth(const std::string& AKeys) { // on the socket and standard input, before the start
        for (int fd : {Keys[1], Sock[1]})
            ASSERT_EQ(::write(fd, AKeys.data(), AKeys.size()), ssize_t(AKeys.size()));
    }
    void HangUp() { // the caller's input ends; what the door sends can still be read
        if (DoorStdIO())
            ::close(Keys[1]), Keys[1] = -1;
        else
            ::shutdown(Sock[1], SHUT_WR);
    }
    std::string Sent() { return ReadAll(DoorStdIO() ? Out[0] : Sock[1]); } // since the last call
    int Msg[2] = {-1, -1}, Out[2] = {-1, -1}, Keys[2] = {-1, -1}, Sock[2] = {-1, -1};
};

} // namespace kit
