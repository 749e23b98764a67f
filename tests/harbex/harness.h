// Shared fixtures for the door kit tests: a socket-mode session over a socketpair with the
// caller's end readable by the test, a fake clock that the key wait advances instead of
// blocking, and Halt turned into an exception.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "common/datetime.h"
#include "harbex/comm.h"
#include "harbex/console.h"
#include "harbex/door.h"
#include "harbex/process.h"

namespace testkit {

inline int64_t gWaitedMs = 0;
inline int gWaitCalls = 0;

// Instead of blocking, the key wait moves the fake clock on.
inline void FakeWait(int AMs) {
    gWaitedMs += AMs;
    ++gWaitCalls;
    common::AdvanceFakeMonotonicMs(AMs);
}

inline void NoSleep(int) {}

class SocketSession : public ::testing::Test {
  protected:
    void SetUp() override {
        harbex::DoorResetForTests();
        harbex::CommReset();
        harbex::ClearHangupSignal();
        harbex::SetHaltHook(harbex::HaltByThrowing);
        common::SetSleepHook(NoSleep);
        common::SetFakeMonotonicMs(5'000'000);
        gWaitedMs = 0;
        gWaitCalls = 0;
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
        harbex::CommOpen(fds[0]);
        harbex::StdIO = false;
        Drain();  // the telnet offers
    }
    void TearDown() override {
        harbex::CommClose(false);
        if (fds[1] >= 0) ::close(fds[1]);
        harbex::CommReset();
        harbex::SetInputWaitHook(nullptr);
        harbex::DoorResetForTests();
        harbex::ClearHangupSignal();
        harbex::SetHaltHook(nullptr);
        common::SetSleepHook(nullptr);
        common::ClearFakeMonotonicMs();
    }
    // Starts the session as start-up does: clock stamps now, pump on.
    void StartSession() {
        harbex::DoorLastKey.Time = harbex::DoorClockNow();
        harbex::DoorSession.TimeOn = harbex::DoorClockNow();
        harbex::DoorSession.Events = true;
        harbex::DoorSession.EventsTime = 0;
    }
    // What the caller has received so far.
    std::string Drain() {
        std::string got;
        char buf[4096];
        for (;;) {
            pollfd p{fds[1], POLLIN, 0};
            if (::poll(&p, 1, 0) <= 0) break;
            const ssize_t n = ::recv(fds[1], buf, sizeof buf, 0);
            if (n <= 0) break;
            got.append(buf, static_cast<size_t>(n));
        }
        return got;
    }
  public:
    // The caller types.
    void Type(const std::string& ABytes) {
        ASSERT_EQ(::send(fds[1], ABytes.data(), ABytes.size(), 0), static_cast<ssize_t>(ABytes.size()));
    }
  protected:
    std::string Sent(const std::string& AText) {
        harbex::DoorWrite(AText);
        return Drain();
    }
    int fds[2] = {-1, -1};
};

} // namespace testkit
