// DoorWrite, pipe codes, the sequence builders and colour tracking, byte for byte as the
// caller receives them over a socket.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "harbex/ansi.h"
#include "harbex/comm.h"
#include "harbex/crt2.h"
#include "harbex/door.h"

using namespace harbex;

namespace {

// A door session in socket mode over a socketpair; Drain() returns what the caller got.
class OutputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DoorResetForTests();
        CommReset();
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
        CommOpen(fds[0]);
        StdIO = false;
        Drain();  // the telnet offers
    }
    void TearDown() override {
        CommClose(false);
        ::close(fds[1]);
        CommReset();
        DoorResetForTests();
    }
    std::string Drain() {
        std::string got;
        char buf[4096];
        while (true) {
            pollfd p{fds[1], POLLIN, 0};
            if (::poll(&p, 1, 0) <= 0) break;
            const ssize_t n = ::recv(fds[1], buf, sizeof buf, 0);
            if (n <= 0) break;
            got.append(buf, static_cast<size_t>(n));
        }
        return got;
    }
    std::string Sent(const std::string& AText) {
        DoorWrite(AText);
        return Drain();
    }
    int fds[2] = {-1, -1};
};

} // namespace

TEST_F(OutputTest, PipeCodesWithTrackedLightGrey) {
    EXPECT_EQ(Sent("|0F"), "\x1b[1;37m\x1b[40m");
    EXPECT_EQ(Sent("|1E"), "\x1b[1;33m\x1b[44m");
    EXPECT_EQ(Sent("|07"), "\x1b[0;37m\x1b[40m\x1b[40m");
    EXPECT_EQ(Sent("|8F"), "\x1b[1;37m\x1b[40m");
    EXPECT_EQ(Sent("|ZZ"), "|ZZ");
    EXPECT_EQ(Sent("|FF"), "\x1b[1;37m\x1b[47m");
    EXPECT_EQ(GetTextAttr(), 7) << "pipe codes never change the tracked attribute";
}
