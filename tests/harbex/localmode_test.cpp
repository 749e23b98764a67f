// Local mode as the sysop sees it, in child processes: the real process end,
// standard input at its end, and the terminal's raw mode on a pseudo-terminal,
// including its restoration when a signal ends the door.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "common/datetime.h"
#include "harbex/comm.h"
#include "harbex/console.h"
#include "harbex/door.h"
#include "harbex/doorstartup.h"
#include "harbex/process.h"

using namespace harbex;

namespace {

void NoSleep(int) {}

// Starts ABody in a child whose standard input is AIn and standard output AOut.
// With AControllingTty the child gets its own session with AIn as its terminal.
pid_t Spawn(const std::function<void()>& ABody, const std::string& AInPath, int AIn, int AOut) {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    if (!AInPath.empty()) {
        ::setsid();
        AIn = ::open(AInPath.c_str(), O_RDWR);
        if (AIn < 0) ::_exit(90);
        ::ioctl(AIn, TIOCSCTTY, 0);
        AOut = AIn;
    }
    if (::dup2(AIn, 0) < 0 || ::dup2(AOut, 1) < 0) ::_exit(91);
    DoorResetForTests();
    CommReset();
    ConsoleSetInputFd(-1);
    DoorSetStartupMessageFd(1);
    SetHaltHook(nullptr);
    SetExitProc(nullptr);
    common::SetSleepHook(NoSleep);
    ABody();
    ::_exit(77);
}

// Waits for the child at most AMs; kills it when it does not end in time.
bool WaitChild(pid_t APid, int AMs, int& AStatus) {
    for (int waited = 0; waited < AMs; waited += 10) {
        if (::waitpid(APid, &AStatus, WNOHANG) == APid) return true;
        ::usleep(10000);
    }
    ::kill(APid, SIGKILL);
    ::waitpid(APid, &AStatus, 0);
    return false;
}

// Reads what is there within AMs.
std::string ReadFor(int AFd, int AMs) {
    std::string s;
    char buf[4096];
    pollfd p{AFd, POLLIN, 0};
    while (::poll(&p, 1, AMs) > 0 && (p.revents & POLLIN)) {
        const ssize_t n = ::read(AFd, buf, sizeof buf);
        if (n <= 0) break;
        s.append(buf, static_cast<std::size_t>(n));
        AMs = 50;
    }
    return s;
}

// Reads until ANeedle appears (or AMs passes); returns everything read.
std::string ReadUntil(int AFd, const std::string& ANeedle, int AMs) {
    std::string s;
    char buf[4096];
    for (int waited = 0; waited < AMs && s.find(ANeedle) == std::string::npos; waited += 20) {
        pollfd p{AFd, POLLIN, 0};
        if (::poll(&p, 1, 20) > 0 && (p.revents & POLLIN)) {
            const ssize_t n = ::read(AFd, buf, sizeof buf);
            if (n <= 0) break;
            s.append(buf, static_cast<std::size_t>(n));
        }
    }
    return s;
}

void StartLocal() { DoorStartup(std::vector<std::string>{"/usr/local/bin/kegora"}); }

class PtyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        FMaster = ::posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(FMaster, 0);
        ASSERT_EQ(::grantpt(FMaster), 0);
        ASSERT_EQ(::unlockpt(FMaster), 0);
        FSlavePath = ::ptsname(FMaster);
        FSlave = ::open(FSlavePath.c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(FSlave, 0);
    }
    void TearDown() override {
        // A test that failed half-way must not leave its door running (it would hold the
        // test runner's output open): end every child not yet reaped.
        for (const pid_t pid : FChildren) {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == 0) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
            }
        }
        if (FSlave >= 0) ::close(FSlave);
        if (FMaster >= 0) ::close(FMaster);
    }
    bool Canonical() {
        termios t{};
        EXPECT_EQ(::tcgetattr(FSlave, &t), 0);
        return (t.c_lflag & ICANON) && (t.c_lflag & ECHO);
    }
    // Waits up to AMs for the terminal to be raw (true) or cooked (false).
    bool WaitMode(bool ARaw, int AMs) {
        for (int waited = 0; waited <= AMs; waited += 10) {
            if (Canonical() != ARaw) return true;
            ReadFor(FMaster, 0);  // keep the child's output flowing
            ::usleep(10000);
        }
        return false;
    }
    pid_t SpawnOnPty(const std::function<void()>& ABody) {
        const pid_t pid = Spawn(ABody, FSlavePath, -1, -1);
        FChildren.push_back(pid);
        return pid;
    }

    int FMaster = -1;
    int FSlave = -1;
    std::string FSlavePath;
    std::vector<pid_t> FChildren;
};

} // namespace

TEST(LocalModeProcess, StandardInputAtItsEndEndsLikeAHangUp) {
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const int devnull = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(devnull, 0);
    const pid_t pid = Spawn(StartLocal, "", devnull, out[1]);
    ::close(out[1]);
    ::close(devnull);
    int status = 0;
    ASSERT_TRUE(WaitChild(pid, 10000, status)) << "the door hung on an ended input";
    const std::string got = ReadFor(out[0], 100);
    ::close(out[0]);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(got.find("LOCAL LOGIN - FOR NODE 0"), std::string::npos);
    EXPECT_NE(got.find("Caller Dropped Carrier.  Returning To BBS..."), std::string::npos);
}

TEST(LocalModeProcess, UsageScreenAndExitCodeOfTheRealProcess) {
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const int devnull = ::open("/dev/null", O_RDONLY);
    const pid_t pid = Spawn(
        [] { DoorStartup(std::vector<std::string>{"./kegora", "-S1000"}); }, "", devnull, out[1]);
    ::close(out[1]);
    ::close(devnull);
    int status = 0;
    ASSERT_TRUE(WaitChild(pid, 10000, status));
    const std::string got = ReadFor(out[0], 100);
    ::close(out[0]);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(got.find(" USAGE: kegora <PARAMETERS>\r\n"), std::string::npos);
    EXPECT_NE(got.find(" Example: kegora -N1 -S1000\r\n"), std::string::npos);
}

TEST_F(PtyTest, RawOnlyWhileKeysAreRead) {
    int ctl[2];
    int ctl2[2];
    ASSERT_EQ(::pipe(ctl), 0);
    ASSERT_EQ(::pipe(ctl2), 0);
    const pid_t pid = SpawnOnPty([&] {
        ::close(ctl[1]);
        ::close(ctl2[1]);
        StartLocal();
        DoorWrite("<STARTED>");
        char b;
        [[maybe_unused]] ssize_t n = ::read(ctl[0], &b, 1);  // until the test is done looking
        const char key = DoorReadKey();
        DoorWrite(std::string("<KEY ") + key + ">");
        n = ::read(ctl2[0], &b, 1);  // not reading keys until the test has looked again
        DoorShutdown();
        std::exit(0);
    });
    ::close(ctl[0]);
    ::close(ctl2[0]);
    ASSERT_TRUE(Canonical());
    const std::string before = ReadUntil(FMaster, "Name or handle", 5000);
    EXPECT_NE(before.find("Name or handle"), std::string::npos);
    EXPECT_TRUE(WaitMode(true, 5000)) << "raw while the login waits for keys";
    ASSERT_EQ(::write(FMaster, "Zed\r", 4), 4);
    const std::string after = ReadUntil(FMaster, "<STARTED>", 5000);
    EXPECT_NE(after.find("<STARTED>"), std::string::npos);
    EXPECT_TRUE(Canonical()) << "cooked again once the login has its name";
    ::close(ctl[1]);
    // A key wait in the session makes it raw again, and the key read gives it back.
    EXPECT_TRUE(WaitMode(true, 5000)) << "raw while the session waits for a key";
    ASSERT_EQ(::write(FMaster, "k", 1), 1);
    const std::string keyed = ReadUntil(FMaster, "<KEY k>", 5000);
    EXPECT_NE(keyed.find("<KEY k>"), std::string::npos);
    EXPECT_TRUE(Canonical()) << "cooked while the door only writes";
    ::close(ctl2[1]);
    int status = 0;
    ASSERT_TRUE(WaitChild(pid, 5000, status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(Canonical());
}

TEST_F(PtyTest, SignalsDuringAKeyWaitRestoreTheTerminal) {
    for (const int sig : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(sig);
        const pid_t pid = SpawnOnPty(StartLocal);
        ReadUntil(FMaster, "Name or handle", 5000);
        ASSERT_TRUE(WaitMode(true, 5000));
        ASSERT_EQ(::kill(pid, sig), 0);
        int status = 0;
        bool ended = false;
        for (int i = 0; i < 500 && !ended; ++i) {  // keep reading so the child never blocks
            ReadFor(FMaster, 10);
            ended = ::waitpid(pid, &status, WNOHANG) == pid;
        }
        if (!ended) {
            ASSERT_TRUE(WaitChild(pid, 1000, status));
        }
        EXPECT_TRUE(ended) << "the signal ended the door";
        EXPECT_TRUE(Canonical()) << "terminal restored";
        if (sig == SIGINT) {
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT);
        } else {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the hang-up path";
        }
    }
}
