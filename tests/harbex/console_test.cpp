// The local console keyboard (terminal special keys as 0 + scan code, line ends, end of
// input) and standard-I/O mode sessions driven through pipes.
#include "harness.h"

#include "harbex/crt2.h"

using namespace harbex;

namespace {

std::string Keys(TConsoleKeyDecoder& ADecoder) {
    std::string out;
    while (ADecoder.HasKey()) out += ADecoder.TakeKey();
    return out;
}

std::string Decode(const std::vector<std::string>& AReads, bool AFlush = true) {
    TConsoleKeyDecoder d;
    for (const auto& r : AReads) d.Feed(r);
    if (AFlush) d.Flush();
    return Keys(d);
}

std::string Z(int AScan) { return std::string(1, '\0') + static_cast<char>(AScan); }

} // namespace

TEST(ConsoleKeyDecoder, SpecialKeysBecomeZeroAndScanCode) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"\x1b[A", Z(72)},  {"\x1b[B", Z(80)},   {"\x1b[C", Z(77)},   {"\x1b[D", Z(75)},
        {"\x1bOA", Z(72)},  {"\x1bOD", Z(75)},   {"\x1b[H", Z(71)},   {"\x1b[F", Z(79)},
        {"\x1b[1~", Z(71)}, {"\x1b[2~", Z(82)},  {"\x1b[3~", Z(83)},  {"\x1b[4~", Z(79)},
        {"\x1b[5~", Z(73)}, {"\x1b[6~", Z(81)},  {"\x1bOP", Z(59)},   {"\x1bOS", Z(62)},
        {"\x1b[15~", Z(63)}, {"\x1b[21~", Z(68)}, {"\x1b[24~", Z(134)}, {"\x1b[[A", Z(59)},
        {"\x1b[1;5A", Z(72)}, {"\x1b[99~", ""},   {"\x1b[Z", ""},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(Decode({in}), out) << "input " << in.substr(1);
}

TEST(ConsoleKeyDecoder, EscapeAloneOrWithAnOrdinaryByte) {
    EXPECT_EQ(Decode({"\x1b"}), "\x1b");
    EXPECT_EQ(Decode({"\x1bx"}), "\x1bx");
    EXPECT_EQ(Decode({"\x1b\x1b[A"}), "\x1b" + Z(72));
    TConsoleKeyDecoder d;
    d.Feed("\x1b");
    EXPECT_TRUE(d.Pending());
    EXPECT_FALSE(d.HasKey()) << "held until the rest arrives or time runs out";
    d.Feed("[");
    d.Feed("C");  // a sequence split over reads
    EXPECT_FALSE(d.Pending());
    EXPECT_EQ(Keys(d), Z(77));
    d.Feed("\x1b[");
    d.Flush();
    EXPECT_EQ(Keys(d), "\x1b[");
}

TEST(ConsoleKeyDecoder, LineEndsFoldToCrWithinARead) {
    EXPECT_EQ(Decode({"a\r\nb"}), "a\rb");
    EXPECT_EQ(Decode({std::string("\r\0", 2)}), "\r");
    EXPECT_EQ(Decode({"\n"}), "\r");
    EXPECT_EQ(Decode({"\n\r"}), "\r\r");
    EXPECT_EQ(Decode({"\r", "\n"}), "\r\r") << "per read, as on the socket";
    EXPECT_EQ(Decode({std::string("x\0", 2)}), "x" + Z(3)) << "Ctrl-@ keeps the 0 prefix unambiguous";
    EXPECT_EQ(Decode({"\x7f\b\t"}), "\x7f\b\t");
}

namespace {

// A standard-I/O session: keys come from a pipe, output goes to another.
class StdioTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DoorResetForTests();
        ClearHangupSignal();
        SetHaltHook(HaltByThrowing);
        common::SetSleepHook(testkit::NoSleep);
        ASSERT_EQ(::pipe(in), 0);
        ASSERT_EQ(::pipe(out), 0);
        ConsoleSetInputFd(in[0]);
        DoorSetOutputFd(out[1]);
        StdIO = true;
        hangups = 0;
    }
    void TearDown() override {
        ConsoleSetInputFd(-1);
        DoorResetForTests();
        for (int fd : {in[0], in[1], out[0], out[1]})
            if (fd >= 0) ::close(fd);
        SetHaltHook(nullptr);
        common::SetSleepHook(nullptr);
        ClearHangupSignal();
    }
    void Type(const std::string& AKeys) {
        ASSERT_EQ(::write(in[1], AKeys.data(), AKeys.size()), static_cast<ssize_t>(AKeys.size()));
    }
    void HangUp() {
        ::close(in[1]);
        in[1] = -1;
    }
    std::string Output() {
        std::string got;
        char buf[1024];
        for (;;) {
            pollfd p{out[0], POLLIN, 0};
            if (::poll(&p, 1, 0) <= 0) break;
            const ssize_t n = ::read(out[0], buf, sizeof buf);
            if (n <= 0) break;
            got.append(buf, static_cast<size_t>(n));
        }
        return got;
    }
    int in[2] = {-1, -1};
    int out[2] = {-1, -1};
    static inline int hangups = 0;
};

} // namespace

TEST_F(StdioTest, KeysAndExtendedKeys) {
    Type("q\x1b[A\r\n");
    EXPECT_TRUE(DoorKeyPressed());
    EXPECT_EQ(DoorReadKey(), 'q');
    EXPECT_FALSE(DoorLastKey.Extended);
    EXPECT_EQ(DoorLastKey.Location, lkUser);
    EXPECT_EQ(DoorReadKey(), 72) << "the local Up arrow, like the caller's ESC [ A";
    EXPECT_TRUE(DoorLastKey.Extended);
    EXPECT_EQ(DoorReadKey(), '\r');
    EXPECT_FALSE(DoorKeyPressed());
}

TEST_F(StdioTest, OutputGoesToStandardOutputUnescaped) {
    DoorWrite(std::string("|0Fx\xff", 5));
    EXPECT_EQ(Output(), std::string("\x1b[1;37m\x1b[40mx\xff", 14));
    EXPECT_TRUE(DoorCarrier());
}

TEST_F(StdioTest, EndOfInputRunsTheHangupHookAtOnce) {
    DoorOnHangup = [] {
        ++hangups;
        throw EHalt(0);
    };
    Type("k");
    HangUp();
    EXPECT_EQ(DoorReadKey(), 'k') << "keys typed before the hang-up still count";
    try {
        DoorReadKey();
        ADD_FAILURE() << "the key wait returned after the caller hung up";
    } catch (const EHalt& e) {
        EXPECT_EQ(e.Code, 0);
    }
    EXPECT_EQ(hangups, 1);
    EXPECT_FALSE(DoorCarrier());
    EXPECT_FALSE(DoorKeyPressed());
}

TEST_F(StdioTest, AReturningHangupHookDoesNotSpin) {
    // A hook that returns leaves the wait idling a tick at a time, never spinning.
    static int calls;
    calls = 0;
    testkit::gWaitedMs = 0;
    SetInputWaitHook(testkit::FakeWait);
    DoorOnHangup = [] {
        if (++calls == 3) throw EHalt(5);
    };
    HangUp();
    try {
        DoorReadKey();
    } catch (const EHalt& e) {
        EXPECT_EQ(e.Code, 5);
    }
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(testkit::gWaitedMs, 2000) << "a second's wait between the hook's calls";
    SetInputWaitHook(nullptr);
}

TEST_F(StdioTest, DefaultHangupEndsWithCodeZero) {
    HangUp();
    int p[2];
    ASSERT_EQ(::pipe(p), 0);
    const int saved = ::dup(1);
    ::dup2(p[1], 1);
    ::close(p[1]);
    int code = -1;
    try {
        DoorReadKey();
    } catch (const EHalt& e) {
        code = e.Code;
    }
    ::dup2(saved, 1);
    ::close(saved);
    char buf[256];
    const ssize_t n = ::read(p[0], buf, sizeof buf);
    ::close(p[0]);
    EXPECT_EQ(code, 0);
    ASSERT_GT(n, 0);
    EXPECT_NE(std::string(buf, static_cast<size_t>(n)).find("Caller Dropped Carrier."), std::string::npos);
}

TEST_F(StdioTest, PumpStaysOffInStandardIoMode) {
    common::SetFakeMonotonicMs(1'000'000);
    DoorLastKey.Time = DoorClockNow();
    DoorSession.TimeOn = DoorClockNow();
    DoorDropInfo.MaxSeconds = 10;
    common::AdvanceFakeMonotonicMs(100'000'000);
    Type("z");
    EXPECT_EQ(DoorReadKey(), 'z') << "no time limit ends a standard-I/O session";
    common::ClearFakeMonotonicMs();
}
