// The process-end seam: Halt runs the exit procedure chain in order, then ends with the code.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <string>

#include "harbex/process.h"

using namespace harbex;

namespace {
std::string gTrail;
TExitProc gOld = nullptr;
void First() { gTrail += "first;"; }
void Second() {
    gTrail += "second;";
    SetExitProc(gOld);  // hand over to the predecessor, as the kit's exit procedure does
}
} // namespace

TEST(Halt, RunsTheChainThenEndsWithTheCode) {
    SetHaltHook(HaltByThrowing);
    gTrail.clear();
    SetExitProc(First);
    gOld = GetExitProc();
    SetExitProc(Second);
    try {
        Halt(3);
        ADD_FAILURE() << "Halt returned";
    } catch (const EHalt& e) {
        EXPECT_EQ(e.Code, 3);
    }
    EXPECT_EQ(gTrail, "second;first;");
    EXPECT_EQ(GetExitProc(), nullptr);
    gTrail.clear();
    EXPECT_THROW(Halt(0), EHalt);
    EXPECT_EQ(gTrail, "") << "the chain runs once";
    SetHaltHook(nullptr);
}

TEST(Halt, RealExitCodeAndChainAtNormalEnd) {
    // Halt in a child really exits with the code after the chain ran.
    int p[2];
    ASSERT_EQ(::pipe(p), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    static int wfd;
    if (child == 0) {
        wfd = p[1];
        SetHaltHook(nullptr);
        SetExitProc([] { [[maybe_unused]] auto n = ::write(wfd, "H", 1); });
        Halt(7);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);

    // A program that simply ends (exit from main) also runs the installed procedure.
    child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        wfd = p[1];
        SetExitProc([] { [[maybe_unused]] auto n = ::write(wfd, "E", 1); });
        std::exit(0);
    }
    ::waitpid(child, &status, 0);
    ::close(p[1]);
    char buf[8];
    const ssize_t n = ::read(p[0], buf, sizeof buf);
    ::close(p[0]);
    EXPECT_EQ(std::string(buf, static_cast<size_t>(n > 0 ? n : 0)), "HE");
}

TEST(ProcessSignals, WriteBeyondTheFileSizeLimitFailsInsteadOfKillingTheProcess) {
    // In a child: with the kit's signals installed, a write past RLIMIT_FSIZE reports EFBIG
    // (a full disk, as far as the door is concerned); by default SIGXFSZ would kill it.
    char path[] = "/tmp/pinmarch-fsize-XXXXXX";
    const int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    for (const bool installed : {true, false}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ResetProcessSignals();
            if (installed) InstallProcessSignals();
            const struct rlimit limit = {16, 16};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(2);
            const char data[64] = {};
            if (::pwrite(fd, data, sizeof data, 0) != 16) ::_exit(3);  // up to the limit
            const ssize_t n = ::pwrite(fd, data, sizeof data, 16);
            ::_exit(n < 0 && errno == EFBIG ? 0 : 4);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        if (installed) {
            ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
            EXPECT_EQ(WEXITSTATUS(status), 0);
        } else {
            ASSERT_TRUE(WIFSIGNALED(status)) << "the default disposition should kill";
            EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
        }
    }
    ::close(fd);
    ::unlink(path);
}
