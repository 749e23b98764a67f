// The comm channel: telnet filtering and line-end folding of received data, escaping and
// completeness of sends, carrier loss, and a caller who is gone never killing the door.
#include "harness.h"

#include <csignal>
#include <sys/wait.h>

using namespace harbex;

namespace {

std::string B(std::initializer_list<int> ABytes) {
    std::string s;
    for (int b : ABytes) s += static_cast<char>(b);
    return s;
}

struct FilterCase {
    const char* Name;
    std::vector<std::string> Chunks;  // fed one after another
    std::string Expected;             // all data bytes that come out
};

} // namespace

TEST(TelnetFilter, RemovesCommandsAndKeepsData) {
    const std::vector<FilterCase> cases = {
        {"plain", {"hello"}, "hello"},
        {"IAC IAC is 255", {B({'a', 255, 255, 'b'})}, B({'a', 255, 'b'})},
        {"DO BINARY answer", {B({255, 253, 0, 'x'})}, "x"},
        {"all four verbs", {B({255, 251, 1, 255, 252, 3, 255, 253, 24, 255, 254, 31, 'k'})}, "k"},
        {"option byte 255 is consumed", {B({255, 253, 255, 'q'})}, "q"},
        {"two-byte commands", {B({'1', 255, 241, '2', 255, 249, '3', 255, 246, '4'})}, "1234"},
        {"sub-negotiation", {B({255, 250, 24, 0, 'V', 'T', '1', '0', '0', 255, 240, 'z'})}, "z"},
        {"IAC IAC inside sub-negotiation", {B({255, 250, 31, 255, 255, 0, 80, 255, 240, 'y'})}, "y"},
        {"split after IAC", {B({'a', 255}), B({253, 1, 'b'})}, "ab"},
        {"split after verb", {B({255, 251}), B({3}), "c"}, "c"},
        {"split IAC IAC", {B({255}), B({255, 'd'})}, B({255, 'd'})},
        {"split inside sub-negotiation", {B({255, 250, 24}), B({0, 'x', 'y', 255}), B({240, 'e'})}, "e"},
        {"NUL and CR are data", {std::string("\r\0", 2)}, std::string("\r\0", 2)},
    };
    for (const auto& c : cases) {
        TTelnetFilter f;
        std::string got;
        for (const auto& chunk : c.Chunks) got += f.Feed(chunk);
        EXPECT_EQ(got, c.Expected) << c.Name;
    }
}

TEST(LineEnds, FoldedPerReceive) {
    EXPECT_EQ(FoldLineEnds("\r\n"), "\r");
    EXPECT_EQ(FoldLineEnds(std::string("\r\0", 2)), "\r");
    EXPECT_EQ(FoldLineEnds("\n"), "\r");
    EXPECT_EQ(FoldLineEnds("\n\r"), "\r\r");
    EXPECT_EQ(FoldLineEnds("a\r\nb\nc"), "a\rb\rc");
    EXPECT_EQ(FoldLineEnds(std::string("\r\0\n", 3)), "\r\r");
    EXPECT_EQ(FoldLineEnds("plain"), "plain");
}

namespace {
class CommTest : public testkit::SocketSession {
  protected:
    std::string ReadAll() {
        std::string got;
        for (int i = 0; i < 100 && CommCharAvail(); ++i) got += CommReadChar();
        return got;
    }
};
} // namespace

TEST_F(CommTest, OpenMakesBlockingAndOffersBinaryEchoSga) {
    CommClose(false);
    ::close(fds[1]);
    CommReset();
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    ::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    CommOpen(fds[0]);
    EXPECT_EQ(::fcntl(fds[0], F_GETFL) & O_NONBLOCK, 0);
    EXPECT_EQ(Drain(), B({255, 251, 0, 255, 251, 1, 255, 251, 3}));
    EXPECT_EQ(CommHandle(), fds[0]);
}

TEST_F(CommTest, ReceivedLineEndsAndTelnetAnswers) {
    Type("\r\n");
    EXPECT_EQ(ReadAll(), "\r");
    Type(std::string("\r\0", 2));
    EXPECT_EQ(ReadAll(), "\r");
    Type("\n");
    EXPECT_EQ(ReadAll(), "\r");
    Type("\n\r");
    EXPECT_EQ(ReadAll(), "\r\r");
    // A client's answers to the offers never reach the key reader.
    Type(B({255, 253, 0, 255, 253, 1, 255, 253, 3, 'P'}));
    EXPECT_EQ(ReadAll(), "P");
    Type(B({255, 255}));
    EXPECT_EQ(ReadAll(), B({255}));
}

TEST_F(CommTest, CrAndLfInTwoReceivesGiveTwoCrs) {
    Type("\r");
    EXPECT_TRUE(CommCharAvail());
    Type("\n");
    EXPECT_EQ(ReadAll(), "\r\r");
}

TEST_F(CommTest, CommandSplitAcrossReceives) {
    Type(B({'a', 255, 250, 24}));
    EXPECT_EQ(ReadAll(), "a");
    Type(B({0, 'x', 255, 240, 'b'}));
    EXPECT_EQ(ReadAll(), "b");
    Type(B({255}));
    EXPECT_FALSE(CommCharAvail()) << "a lone IAC is no data yet";
    Type(B({251, 1, 'c'}));
    EXPECT_EQ(ReadAll(), "c");
}

TEST_F(CommTest, PeekKeepsReadRemoves) {
    Type("xy");
    ASSERT_TRUE(CommCharAvail());
    EXPECT_EQ(CommPeekChar(), 'x');
    EXPECT_EQ(CommPeekChar(), 'x');
    EXPECT_EQ(CommReadChar(), 'x');
    EXPECT_EQ(CommReadChar(), 'y');
}

TEST_F(CommTest, PeerCloseDropsCarrierAndEmptyReadsReturnAtOnce) {
    EXPECT_TRUE(CommCarrier());
    ::close(fds[1]);
    fds[1] = -1;
    EXPECT_FALSE(CommCharAvail());
    EXPECT_FALSE(CommCarrier());
    EXPECT_EQ(CommPeekChar(), 0);
    EXPECT_EQ(CommReadChar(), 0);
    EXPECT_FALSE(DoorCarrier());
}

TEST_F(CommTest, CloseIsIdempotentAndDropsLaterSends) {
    CommClose(false);
    EXPECT_EQ(CommHandle(), -1);
    CommClose(false);
    CommWrite("lost");
    EXPECT_EQ(Drain(), "");
}

TEST_F(CommTest, CloseWithDisconnectShutsTheSocketDown) {
    CommClose(true);
    char c;
    EXPECT_EQ(::recv(fds[1], &c, 1, 0), 0) << "the peer sees end of stream";
}

TEST_F(CommTest, LargeSendArrivesWhole) {
    // More than a socket buffer takes at once: the send completes while the peer reads.
    std::string big(600000, 'q');
    big[1000] = '\xff';
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::string got;
        char buf[65536];
        while (got.size() < big.size() + 1) {
            const ssize_t n = ::recv(fds[1], buf, sizeof buf, 0);
            if (n <= 0) break;
            got.append(buf, static_cast<size_t>(n));
        }
        std::string expect = big;
        expect.insert(1001, 1, '\xff');
        ::_exit(got == expect ? 0 : 1);
    }
    CommWrite(big);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(CommCarrier());
}

// In a child with SIGPIPE at its default (death), writing to a gone caller must survive and
// report the carrier lost.
TEST(CallerGone, SocketWriteNeverKillsAndDropsCarrier) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ResetProcessSignals();  // as a fresh process: SIGPIPE would kill
        int sv[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, sv) != 0) ::_exit(3);
        CommReset();
        CommOpen(sv[0]);
        ::close(sv[1]);
        for (int i = 0; i < 3; ++i) CommWrite("hello, is anybody there?");
        ::_exit(CommCarrier() ? 2 : 0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_FALSE(WIFSIGNALED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(CallerGone, StandardOutputWriteNeverKillsAndDropsCarrier) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ResetProcessSignals();
        int p[2];
        if (::pipe(p) != 0) ::_exit(3);
        ::close(p[0]);
        DoorResetForTests();
        DoorSetOutputFd(p[1]);
        int in[2];
        if (::pipe(in) != 0) ::_exit(3);
        ConsoleSetInputFd(in[0]);  // input still open: only the output is gone
        if (!DoorCarrier()) ::_exit(4);
        DoorWrite("farewell");
        DoorWrite("again");
        ::_exit(DoorCarrier() ? 2 : 0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_FALSE(WIFSIGNALED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
