// Key input over the socket: cursor-key decoding and its follow-up waits, the event pump's
// carrier, idle and time limits with their default messages, warnings, hang-up signals.
// The key wait's blocking is replaced by a fake clock that advances by the waited time.
#include "harness.h"

#include <csignal>

#include "harbex/crt2.h"

using namespace harbex;

namespace {

class KeyTest : public testkit::SocketSession {
  protected:
    void SetUp() override {
        SocketSession::SetUp();
        SetInputWaitHook(testkit::FakeWait);
    }
    // Reads one key, expecting the program to go on.
    char Key() { return DoorReadKey(); }
    // Runs AFn expecting Halt; returns the exit code (-1 when it returned normally).
    template <class F>
    int HaltCode(F AFn) {
        try {
            AFn();
        } catch (const EHalt& e) {
            return e.Code;
        }
        return -1;
    }
};

const std::string E = "\x1b[";

} // namespace

TEST_F(KeyTest, OrdinaryKeysAndEnter) {
    Type("a\r\n");
    EXPECT_EQ(Key(), 'a');
    EXPECT_FALSE(DoorLastKey.Extended);
    EXPECT_EQ(DoorLastKey.Location, lkUser);
    EXPECT_EQ(DoorLastKey.Ch, 'a');
    EXPECT_EQ(Key(), '\r');
    Type(std::string("\xff\xff", 2));
    EXPECT_EQ(static_cast<unsigned char>(Key()), 255);
}

TEST_F(KeyTest, CursorKeysBecomeExtendedScanCodes) {
    const std::pair<char, char> keys[] = {{'A', 72}, {'B', 80}, {'C', 77}, {'D', 75}};
    for (const auto& [final, code] : keys) {
        Type(std::string("\x1b[") + final);
        EXPECT_EQ(Key(), code);
        EXPECT_TRUE(DoorLastKey.Extended);
        EXPECT_EQ(DoorLastKey.Ch, code);
    }
    Type("x");
    EXPECT_EQ(Key(), 'x');
    EXPECT_FALSE(DoorLastKey.Extended) << "Extended is cleared by the next plain key";
}

TEST_F(KeyTest, CursorKeyArrivingInPieces) {
    Type("\x1b");
    // The follow-up arrives while the reader waits: deliver the rest from inside the wait.
    static KeyTest* self;
    static int step;
    self = this;
    step = 0;
    SetInputWaitHook([](int AMs) {
        testkit::FakeWait(AMs);
        if (step == 0) self->Type("[");
        if (step == 3) self->Type("B");
        ++step;
    });
    EXPECT_EQ(Key(), 80);
    EXPECT_TRUE(DoorLastKey.Extended);
}

TEST_F(KeyTest, LoneEscapeAfterHalfASecond) {
    Type("\x1b");
    const int64_t before = testkit::gWaitedMs;
    EXPECT_EQ(Key(), 27);
    EXPECT_FALSE(DoorLastKey.Extended);
    EXPECT_EQ(testkit::gWaitedMs - before, 500) << "ten rounds of 50 ms";
}

TEST_F(KeyTest, EscapeThenOtherByte) {
    Type("\x1bx");
    EXPECT_EQ(Key(), 27);
    EXPECT_EQ(Key(), 'x');
    EXPECT_EQ(testkit::gWaitedMs, 0) << "no waiting once the byte is there";
}

TEST_F(KeyTest, UnknownSequencesGiveNoKey) {
    Type("\x1b[Hz");
    EXPECT_EQ(Key(), 'z');
    Type("\x1b[2~q");  // the third byte is lost, "~" comes through
    EXPECT_EQ(Key(), '~');
    EXPECT_EQ(Key(), 'q');
}

TEST_F(KeyTest, EscapeBracketThenNothing) {
    Type("\x1b[");
    static KeyTest* self;
    static int calls;
    self = this;
    calls = 0;
    // The "[" is there at once; the second stage waits ten rounds for its letter, then the
    // reader goes back to waiting for a key, during which the caller presses "m".
    SetInputWaitHook([](int AMs) {
        testkit::FakeWait(AMs);
        if (++calls == 11) self->Type("m");
    });
    EXPECT_EQ(Key(), 'm');
    EXPECT_FALSE(DoorLastKey.Extended);
    EXPECT_EQ(testkit::gWaitCalls, 11);
    EXPECT_EQ(testkit::gWaitedMs, 500 + 1000) << "half a second of follow-up, then a key wait";
}

TEST_F(KeyTest, ByteArrivingInTheLastRoundStillCounts) {
    Type("\x1b[");
    static KeyTest* self;
    static int calls;
    self = this;
    calls = 0;
    SetInputWaitHook([](int AMs) {
        testkit::FakeWait(AMs);
        if (++calls == 10) self->Type("D");
    });
    EXPECT_EQ(Key(), 75);
    EXPECT_TRUE(DoorLastKey.Extended);
}

TEST_F(KeyTest, ReadingKeysResetsIdleButKeyPressedDoesNot) {
    StartSession();
    common::AdvanceFakeMonotonicMs(100'000);
    EXPECT_EQ(DoorSecondsIdle(), 100);
    Type("a");
    EXPECT_TRUE(DoorKeyPressed());
    EXPECT_TRUE(DoorKeyPressed());
    EXPECT_EQ(DoorSecondsIdle(), 100);
    EXPECT_EQ(DoorLastKey.Location, lkNone);
    EXPECT_EQ(Key(), 'a');
    EXPECT_EQ(DoorSecondsIdle(), 0);
}

TEST_F(KeyTest, IdleLimitEndsTheSessionWithItsMessage) {
    StartSession();
    Drain();
    const int code = HaltCode([&] { Key(); });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(testkit::gWaitedMs, 301'000) << "ends in the second after 300 s";
    EXPECT_EQ(Drain(), E + "1;37m" + E + "40m" + E + "2J" + E + "1;1f" + "\r\n" +
                           "  Idle Time Limit Exceeded.  Returning To BBS...\r\n");
    EXPECT_EQ(GetTextAttr(), 15);
}

TEST_F(KeyTest, TimeUpEndsTheSessionWithItsMessage) {
    StartSession();
    DoorDropInfo.MaxSeconds = 60;
    Drain();
    EXPECT_EQ(DoorSecondsLeft(), 60);
    const int code = HaltCode([&] { Key(); });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(testkit::gWaitedMs, 60'000);
    EXPECT_EQ(DoorSecondsLeft(), 0);
    EXPECT_EQ(Drain(), E + "1;37m" + E + "40m" + E + "2J" + E + "1;1f" + "\r\n" +
                           "  Your Time Has Expired.  Returning To BBS...\r\n");
}

namespace {
std::vector<std::pair<int, int>> gWarnings;  // (minutes, seconds left at the call)
}

TEST_F(KeyTest, TimeWarningsAtEachMinuteMark) {
    StartSession();
    DoorSession.DoIdleCheck = false;
    DoorDropInfo.MaxSeconds = 400;
    gWarnings.clear();
    DoorOnTimeUpWarning = [](uint8_t AMinutes) { gWarnings.push_back({AMinutes, DoorSecondsLeft()}); };
    EXPECT_EQ(HaltCode([&] { Key(); }), 0);
    const std::vector<std::pair<int, int>> expected = {{5, 301}, {4, 241}, {3, 181}, {2, 121}, {1, 61}, {0, 1}};
    EXPECT_EQ(gWarnings, expected);
}

TEST_F(KeyTest, IdleWarningsAndAReturningTimeOutHook) {
    StartSession();
    DoorSession.MaxIdle = 320;
    DoorDropInfo.MaxSeconds = 100000;
    gWarnings.clear();
    DoorOnTimeOutWarning = [](uint8_t AMinutes) { gWarnings.push_back({AMinutes, DoorSecondsIdle()}); };
    static int timeouts;
    timeouts = 0;
    DoorOnTimeOut = [] {
        if (++timeouts == 3) throw EHalt(42);
    };
    EXPECT_EQ(HaltCode([&] { Key(); }), 42);
    const std::vector<std::pair<int, int>> expected = {{5, 19}, {4, 79}, {3, 139}, {2, 199}, {1, 259}, {0, 319}};
    EXPECT_EQ(gWarnings, expected);
    EXPECT_EQ(testkit::gWaitedMs, 323'000) << "a returning hook is called again at each tick";
}

TEST_F(KeyTest, PumpWorksAtMostOnceASecond) {
    StartSession();
    static int hangups;
    hangups = 0;
    DoorOnHangup = [] { ++hangups; };
    ::close(fds[1]);
    fds[1] = -1;
    DoorDoEvents();  // first chance: EventsTime 0, runs; carrier not yet seen lost
    EXPECT_TRUE(CommCarrier());
    EXPECT_FALSE(CommCharAvail());
    EXPECT_FALSE(DoorCarrier());
    for (int i = 0; i < 5; ++i) DoorDoEvents();
    EXPECT_EQ(hangups, 0) << "within the same second";
    common::AdvanceFakeMonotonicMs(999);
    DoorDoEvents();
    EXPECT_EQ(hangups, 0);
    common::AdvanceFakeMonotonicMs(1);
    DoorDoEvents();
    DoorDoEvents();
    EXPECT_EQ(hangups, 1);
    DoorSession.Events = false;
    common::AdvanceFakeMonotonicMs(5000);
    DoorDoEvents();
    EXPECT_EQ(hangups, 1) << "the pump is off";
}

TEST_F(KeyTest, CarrierLossRunsTheHangupHookFromTheKeyWait) {
    StartSession();
    static int hangups;
    hangups = 0;
    DoorOnHangup = [] {
        ++hangups;
        throw EHalt(0);
    };
    ::close(fds[1]);
    fds[1] = -1;
    EXPECT_EQ(HaltCode([&] { Key(); }), 0);
    EXPECT_EQ(hangups, 1);
    EXPECT_LE(testkit::gWaitedMs, 1000);
}

TEST_F(KeyTest, DefaultHangupFarewellOnTheLocalConsole) {
    int p[2];
    ASSERT_EQ(::pipe(p), 0);
    const int saved = ::dup(1);
    ::dup2(p[1], 1);
    ::close(p[1]);
    const int code = HaltCode([] { DefaultOnHangup(); });
    ::dup2(saved, 1);
    ::close(saved);
    char buf[512];
    const ssize_t n = ::read(p[0], buf, sizeof buf);
    ::close(p[0]);
    EXPECT_EQ(code, 0);
    ASSERT_GT(n, 0);
    EXPECT_EQ(std::string(buf, static_cast<size_t>(n)), "\r\n   Caller Dropped Carrier.  Returning To BBS...\r\n");
    EXPECT_EQ(GetTextAttr(), 15);
    EXPECT_EQ(Drain(), "") << "nothing goes to the gone caller";
}

TEST_F(KeyTest, HangupSignalIsNoticedAtOnce) {
    StartSession();
    static int hangups;
    hangups = 0;
    DoorOnHangup = [] {
        ++hangups;
        throw EHalt(0);
    };
    InstallProcessSignals();
    ::raise(SIGTERM);  // only raises the flag
    EXPECT_TRUE(HangupSignalled());
    EXPECT_EQ(HaltCode([&] { Key(); }), 0);
    EXPECT_EQ(hangups, 1);
    EXPECT_EQ(testkit::gWaitedMs, 0) << "no waiting for the pump";
    ClearHangupSignal();
    ::raise(SIGHUP);
    EXPECT_TRUE(HangupSignalled());
    EXPECT_FALSE(DoorCarrier());
    ClearHangupSignal();
}

TEST_F(KeyTest, WaitsNeverPassTheNextPumpTick) {
    StartSession();
    static std::vector<int> waits;
    waits.clear();
    SetInputWaitHook([](int AMs) {
        waits.push_back(AMs);
        common::AdvanceFakeMonotonicMs(AMs > 300 ? 300 : AMs);  // input woke it early
        if (waits.size() == 8) throw EHalt(7);
    });
    try {
        Key();
    } catch (const EHalt&) {
    }
    for (size_t i = 0; i < waits.size(); ++i) EXPECT_LE(waits[i], 1000) << i;
    // After a tick at t=0 the waits count down the rest of the second: 1000, 700, 400, 100.
    ASSERT_GE(waits.size(), 4u);
    EXPECT_EQ(waits[0], 1000);
    EXPECT_EQ(waits[1], 700);
    EXPECT_EQ(waits[2], 400);
    EXPECT_EQ(waits[3], 100);
}
