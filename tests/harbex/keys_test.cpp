// Keys from the caller's bytes (telnet filter, line ends, cursor keys; the local keyboard in
// standard I/O), the event pump's carrier, idle and time limits reaching their hooks, the sysop's
// terminal.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>

#include <csignal>

#include "e2e/terminal.h"
#include "kit.h"

using namespace kit;

namespace {
struct {
    Door* D;
    int At;
    int64_t Ms;
    std::string Chunk;
} gLate; // a chunk that comes during the At-th wait
// The keys read from chunks typed one after another, each taken in before the next (with AAt,
// the last chunk comes during the AAt-th wait of the key reader) until the caller hangs up.
std::string KeysFrom(Door& ADoor, bool AStdIO, std::vector<std::string> AChunks, int AAt = 0) {
    ADoor.Session(AStdIO), gLate = {&ADoor, AAt, 0, AChunks.back()}, AChunks.pop_back();
    for (const auto& c : AChunks)
        ADoor.Type(c), DoorKeyPressed();
    if (AAt == 0)
        ADoor.Type(gLate.Chunk), ADoor.HangUp();
    else
        common::Seams().Wait = ([](int AMs) {
            if (FakeWait(AMs); gWaits == gLate.At)
                gLate.Ms = gWaitedMs, gLate.D->Type(gLate.Chunk), gLate.D->HangUp();
        });
    DoorOnHangup = [] { throw EHalt(-1); };
    std::string keys;
    HaltCode([&] { // an extended key as 0 and its scan code
        for (;;)
            keys += DoorReadKey(), keys.insert(keys.end() - 1, DoorLastKey.Extended, '\0');
    });
    return keys;
}
} // namespace

TEST_F(Door, EveryKeyCaseAtEverySplitPoint) {
    for (const auto& c : Cases("keys"))
        for (const bool stdio : {false, true}) {
            const std::string& in = c[1];
            if (c[0] != "both" && c[0] != (stdio ? "stdio" : "socket")) continue;
            EXPECT_EQ(KeysFrom(*this, stdio, {in}), c[2]) << stdio << " " << in;
            for (size_t k = 1; k < in.size(); ++k)
                EXPECT_EQ(KeysFrom(*this, stdio, {in.substr(0, k), in.substr(k)}), c[2])
                    << stdio << in << " @" << k;
        }
    // The bytes after an ESC may take half a second.
    for (const bool stdio : {false, true}) {
        EXPECT_EQ(KeysFrom(*this, stdio, {"\x1b", ""}, 1), "\x1b");
        EXPECT_EQ(gLate.Ms, 500);
        EXPECT_EQ(KeysFrom(*this, stdio, {"\x1b", "[A"}, 1) +
                      KeysFrom(*this, stdio, {"\x1b", "[A"}, 2),
                  "\0H\x1b[A"s);
        EXPECT_EQ(KeysFrom(*this, stdio, {"\x1b[", "D"}, 1) +
                      KeysFrom(*this, stdio, {"\x1b[", "D"}, 2),
                  "\0KD"s);
    }
}

namespace {
std::string gLog; // what the hooks saw
void Note(const std::string& AWhat) {
    gLog += AWhat + " ";
}
void Warned(uint8_t AMinutes, int32_t ASeconds) {
    Note(std::to_string(AMinutes) + "@" + std::to_string(ASeconds));
}
const std::string kFarewell = "   Caller Dropped Carrier.  Returning To BBS...",
                  kLocal = kFarewell + " ";
const std::string kExitProc = E + "0;37m" + E + "40m" + E + "40m" + E + "255B" + E + "255D";
std::string Warning(const std::string& AText) { // on row 25, cursor and colour kept
    const size_t pad = (78 - AText.size()) / 2;
    return E + "s" + E + "0m" + E + "25;2f" + E + "1;37m" + E + "41m" + std::string(pad, ' ') +
           AText + std::string(78 - pad - AText.size(), ' ') + E + "0m" + E + "0;37m" + E + "40m" +
           E + "40m" + E + "u";
}
std::string Farewell(const std::string& AText) {
    return E + "1;37m" + E + "40m" + E + "2J" + E + "1;1f\r\n  " + AText +
           ".  Returning To BBS...\r\n" + kExitProc;
}
} // namespace

TEST_F(Door, ThePumpEndsTheSessionThroughItsHooks) {
    // clang-format off
    const struct {
        bool StdIO; void (*Setup)(Door&); int Code; int64_t Ms; std::string Log, Sent; int Attr;
    } rows[] = {
        {false, [](Door& d) { // asking for a key leaves the idle time, reading one restarts it
             Advance(100'000), d.Type("a"), DoorKeyPressed(), Warned(0, DoorSecondsIdle());
         }, 0, 301'000 + 2500, "0@100 ",
         Warning("Still there? Press a key within a minute, or the door closes.") +
             Farewell("Idle Time Limit Exceeded"), 7},
        {false, [](Door& d) { // time counts from the start, not from the last key
             DoorSession.DoIdleCheck = false, DoorDropInfo.MaxSeconds = 400;
             Advance(200'000), d.Type("a");
         }, 0, 200'000 + 2500, "",
         Warning("One minute of your time is left.") + Farewell("Your Time Has Expired"), 7},
        {false, [](Door&) { DoorDropInfo.MaxSeconds = 60; }, 0, 62'500, "",
         Farewell("Your Time Has Expired"), 7},
        {false, [](Door&) {
             DoorSession.DoIdleCheck = false, DoorDropInfo.MaxSeconds = 400;
             DoorOnTimeUp = [] { Note("up"), throw EHalt(1); };
             DoorOnTimeUpWarning = [](uint8_t AMin) { Warned(AMin, DoorSecondsLeft()); };
         }, 1, 400'000, "5@301 4@241 3@181 2@121 1@61 0@1 up ", "", 7},
        {false, [](Door&) { // a time-out hook that returns is called again a second later
             DoorSession.MaxIdle = 320;
             DoorOnTimeOutWarning = [](uint8_t AMin) { Warned(AMin, DoorSecondsIdle()); };
             DoorOnTimeOut = [] {
                 if (Note("out"); gLog.find("out out out") != std::string::npos) throw EHalt(2);
             };
         }, 2, 323'000, "5@19 4@79 3@139 2@199 1@259 0@319 out out out ", "", 7},
        {false, [](Door& d) { d.HangUp(), DoorOnHangup = [] { Note("hup"), throw EHalt(3); }; },
         3, 1000, "hup ", "", 7},
        {false, [](Door&) { // no key wait passes the pump's next tick, however early input wakes it
             common::Seams().Wait = [](int AMs) {
                 static int n = 0;
                 Note(std::to_string(AMs)), FakeWait(std::min(AMs, 300));
                 if (++n == 5) throw EHalt(7);
             };
         }, 7, 1300, "1000 700 400 100 1000 ", "", 7},
        {true, [](Door& d) { // no busy loop around a hang-up hook that returns
             d.HangUp(), DoorOnHangup = [] { if (Note("hup"); gLog.size() == 12) throw EHalt(4); };
         }, 4, 2000, "hup hup hup ", "", 7},
        // the default hang-up: a farewell on the local console only (Log), white there, then the
        // exit procedure
        {false, [](Door& d) { d.HangUp(); }, 0, 1000 + 2500, kLocal, "", 7},
        {true, [](Door& d) { // standard-I/O sessions have no time limits
             DoorDropInfo.MaxSeconds = 1, Advance(100'000'000), d.Type("z"), d.HangUp();
         }, 0, 2500, kLocal, "", 15},
        {false, [](Door&) { InstallProcessSignals(), DoorKeyPressed(), ::raise(SIGTERM); },
         0, 2500, kLocal, kExitProc, 7},
    };
    // clang-format on
    for (const auto& r : rows) {
        Session(r.StdIO), gLog.clear(), r.Setup(*this);
        int local[2], saved = (::pipe(local), ::dup(1)); // the local console: standard output
        ::dup2(local[1], 1), ::close(local[1]);
        const int code = HaltCode([] {
            for (;;)
                DoorReadKey();
        });
        ::dup2(saved, 1), ::close(saved);
        if (ReadAll(local[0]).find(kFarewell) != std::string::npos) Note(kFarewell);
        ::close(local[0]);
        EXPECT_EQ(code, r.Code);
        EXPECT_EQ(gWaitedMs + gSleptMs, r.Ms) << r.Code;
        EXPECT_EQ(gLog, r.Log) << r.Code;
        EXPECT_EQ(Sent(), r.Sent) << r.Code;
        EXPECT_EQ(GetTextAttr(), r.Attr) << r.Code;
    }
}

// A caller who stops reading: the door waits in its send, and the idle limit, the time limit or
// a hang-up signal still ends the session from there; the farewell that cannot go is dropped.
TEST_F(Door, AStalledCallerStillMeetsTheLimits) {
    for (void (*cause)() : {+[] { Advance(301'000); }, +[] { DoorDropInfo.MaxSeconds = 0; },
                            +[] { RaiseHangupSignal(); }}) {
        const int size = (Session(), 4096);
        ::setsockopt(Sock[0], SOL_SOCKET, SO_SNDBUF, &size, sizeof size), cause();
        EXPECT_EQ(HaltCode([] { DoorWrite(std::string(1 << 20, 'x')); }), 0);
        EXPECT_TRUE(gSleptMs == 2500 && Sent().find("Returning") == std::string::npos) << gSleptMs;
    }
}

TEST_F(Door, ACallerWhoIsGoneNeverEndsTheDoorBySignal) {
    for (const bool stdio : {false, true}) {
        int& peer = (Session(stdio), stdio ? Out[0] : Sock[1]);
        ::close(peer), peer = -1,
                       ProcessReset(); // as in a fresh process, where SIGPIPE would end it
        DoorWrite("hello"), DoorWrite("again");
        EXPECT_FALSE(DoorCarrier()) << stdio;
    }
}

// The sysop's terminal in local mode: raw for the whole session, so keys typed while the door
// draws are not echoed; at the end, and when Ctrl-C ends the program, it is given back with the
// attributes reset and the screen cleared.
TEST(LocalTerminal, RawForTheWholeSessionAndGivenBackCleared) {
    for (const bool ctrlC : {true, false}) {
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_TRUE(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
        std::string name = ::ptsname(master), seen;
        int go[2], tty = ::open(name.c_str(), O_RDWR | O_NOCTTY), status = 0;
        ASSERT_TRUE(tty >= 0 && ::pipe(go) == 0);
        const pid_t pid = ::fork();
        if (char b; pid == 0) { // the door with the terminal as standard input and output
            const int fd = (::setsid(), ::open(name.c_str(), O_RDWR));
            ::ioctl(fd, TIOCSCTTY, 0), ::dup2(fd, 0), ::dup2(fd, 1), common::ResetSeams();
            DoorStartup(std::vector<std::string>{"kegora"}), DoorTextAttr(0x1E),
                DoorWrite("drawing");
            (void)!::read(go[0], &b, 1), DoorShutdown(),
                ::_exit(3); // drawing, not reading keys; then the end
        }
        const auto raw = [&](bool AWant) { // waits up to 5 s for the terminal to be raw or cooked
            termios t{};
            for (int i = 0;
                 i < 500 && (::tcgetattr(tty, &t), !(t.c_lflag & (ICANON | ECHO)) != AWant); ++i)
                seen += ReadAll(master), ::usleep(10'000);
            return seen += ReadAll(master), !(t.c_lflag & (ICANON | ECHO)) == AWant;
        };
        EXPECT_TRUE(raw(true) && ::write(master, "Zed\r", 4) == 4)
            << "raw while the login waits for a name";
        for (int i = 0; i < 500 && seen.find("drawing") == std::string::npos; ++i)
            seen += ReadAll(master), ::usleep(10'000);
        EXPECT_TRUE(::write(master, "typed", 5) == 5 && raw(true)) << "raw while the door draws";
        for (int i = 0, n = 0; i < 500 && (::ioctl(tty, FIONREAD, &n), n < 5); ++i)
            ::usleep(10'000); // taken in
        ctrlC ? (void)::kill(pid, SIGINT) : (void)!::write(go[1], "g", 1);
        for (int i = 0; i < 500 && ::waitpid(pid, &status, WNOHANG) == 0; ++i)
            seen += ReadAll(master), ::usleep(10'000);
        if (::kill(pid, SIGKILL) == 0) ::waitpid(pid, &status, 0);
        EXPECT_TRUE(ctrlC ? WIFSIGNALED(status) && WTERMSIG(status) == SIGINT
                          : WEXITSTATUS(status) == 3)
            << status;
        EXPECT_TRUE(raw(false)) << "given back";
        EXPECT_EQ(seen.find("typed"), std::string::npos) << "echoed";
        EXPECT_EQ(seen.substr(seen.size() - 14), "\x1b[0m\x1b[2J\x1b[1;1H") << "reset and cleared";
        for (const int fd : {master, tty, go[0], go[1]})
            ::close(fd);
    }
}

// The idle warning on the caller's screen: row 25 only, the rest of the screen, the cursor and
// the colour as they were, and gone again with the next key.
TEST_F(Door, WarningsLeaveTheScreenWholeAndGoWithTheNextKey) {
    Session();
    e2e::Terminal t;
    DoorClrScr(), DoorTextAttr(0x1E), DoorGotoXY(1, 24), DoorWrite("footer"), DoorGotoXY(10, 5),
        DoorWrite("Choice: ");
    t.Feed(Sent());
    const auto rows = [&] {
        std::string s;
        for (int y = 1; y <= 24; ++y)
            s += t.Row(y);
        return s;
    };
    const std::string before = rows();
    for (int s = 0; s < 239; ++s)
        Advance(1000), DoorKeyPressed();
    t.Feed(Sent());
    EXPECT_EQ(t.Row(25),
              "         Still there? Press a key within a minute, or the door closes.          ");
    EXPECT_EQ(rows(), before);
    EXPECT_EQ(t.CursorX() * 100 + t.CursorY(), 1805);
    Type("x");
    EXPECT_EQ(DoorReadKey(), 'x');
    DoorWrite("x");
    t.Feed(Sent());
    EXPECT_EQ(t.Row(25), std::string(80, ' '));
    EXPECT_EQ(t.Row(5).substr(9, 9), "Choice: x");
    EXPECT_EQ(t.At(18, 5).Attr, 0x1E);
}
