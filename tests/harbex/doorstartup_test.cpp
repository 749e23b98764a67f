#include "harbex/doorstartup.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "common/datetime.h"
#include "harbex/comm.h"
#include "harbex/console.h"
#include "harbex/door.h"
#include "harbex/process.h"
#include "scriptedcaller.h"
#include "testfiles.h"

using namespace harbex;
using namespace std::string_literals;

namespace {

int gSleptMs = 0;
void RecordSleep(int AMs) { gSleptMs += AMs; }

bool gSentinelRan = false;
void SentinelExitProc() { gSentinelRan = true; }

std::vector<std::pair<char, std::string>> gClp;
void RecordClp(char AKey, const std::string& AValue) { gClp.emplace_back(AKey, AValue); }

int gLoginCalls = 0;
void TestLogin() {
    ++gLoginCalls;
    DoorWrite("login-hook");
    DoorDropInfo.Alias = "Tester";
}

std::string ReadAll(int AFd) {
    std::string s;
    char buf[4096];
    for (;;) {
        pollfd p{AFd, POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0 || !(p.revents & POLLIN)) break;
        const ssize_t n = ::read(AFd, buf, sizeof buf);
        if (n <= 0) break;
        s.append(buf, static_cast<std::size_t>(n));
    }
    return s;
}

constexpr int kReturned = -1000;

class StartupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DoorResetForTests();
        CommReset();
        ClearHangupSignal();
        DoorOnLocalLogin = DefaultOnLocalLogin;
        DoorOnUsage = DefaultOnUsage;
        SetHaltHook(HaltByThrowing);
        common::SetSleepHook(RecordSleep);
        gSleptMs = 0;
        gSentinelRan = false;
        gClp.clear();
        gLoginCalls = 0;
        ASSERT_EQ(::pipe(FMsg), 0);
        ASSERT_EQ(::pipe(FOut), 0);
        ASSERT_EQ(::pipe(FKeys), 0);
        DoorSetStartupMessageFd(FMsg[1]);
        DoorSetOutputFd(FOut[1]);
        ConsoleSetInputFd(FKeys[0]);
        SetExitProc(SentinelExitProc);
    }
    void TearDown() override {
        SetExitProc(nullptr);
        SetInputWaitHook(nullptr);
        testing_caller::CurrentCaller() = nullptr;
        CommClose(false);
        CommReset();
        ConsoleSetInputFd(-1);
        DoorResetForTests();
        DoorOnLocalLogin = DefaultOnLocalLogin;
        DoorOnUsage = DefaultOnUsage;
        DoorSetStartupMessageFd(1);
        SetHaltHook(nullptr);
        common::SetSleepHook(nullptr);
        common::ClearFakeMonotonicMs();
        for (int* p : {FMsg, FOut, FKeys, FSock})
            for (int i = 0; i < 2; ++i)
                if (p[i] >= 0) ::close(p[i]);
    }

    // Runs the start-up; the exit code when it ended the program, else kReturned.
    int Start(std::vector<std::string> AParams) {
        AParams.insert(AParams.begin(), "/opt/bbs/doors/kegora");
        try {
            DoorStartup(AParams);
        } catch (const EHalt& e) {
            return e.Code;
        }
        return kReturned;
    }
    std::string Messages() { return ReadAll(FMsg[0]); }
    std::string Output() { return ReadAll(FOut[0]); }

    // A connected socket pair; FSock[0] is the door's end.
    std::string DoorSocket() {
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, FSock), 0);
        return std::to_string(FSock[0]);
    }

    testing_files::TTempDir FDir;
    int FMsg[2] = {-1, -1};
    int FOut[2] = {-1, -1};
    int FKeys[2] = {-1, -1};
    int FSock[2] = {-1, -1};
};

const std::string kUsage =
    "\r\n"
    " USAGE: kegora <PARAMETERS>\r\n"
    "\r\n"
    " Load settings from a dropfile (DOOR32.SYS, DOOR.SYS, DORINFO*.DEF or INFO.*)\r\n"
    "  -D         PATH\\FILENAME OF DROPFILE\r\n"
    " Example: kegora -DC:\\BBS\\NODE1\\DOOR32.SYS\r\n"
    "\r\n"
    " Pass settings on command-line\r\n"
    "  -N         NODE NUMBER\r\n"
    "  -S         SOCKET HANDLE\r\n"
    " Example: kegora -N1 -S1000\r\n"
    "\r\n"
    " Run in local mode\r\n"
    "  -L         LOCAL MODE\r\n"
    " Example: kegora -L\r\n"
    "\r\n"
    " Optional parameters\r\n"
    "  -X         DISABLE COMM ROUTINES (STDIO MODE)\r\n"
    "\r\n";

std::vector<std::string> Door32(const std::string& AType, const std::string& AHandle,
                                const std::string& ANode = "7") {
    return {AType, AHandle, "38400", "BBS", "1", "Real Name", "Handle", "10", "30", "1", ANode};
}

std::string Lines(const std::vector<std::string>& ALines) {
    std::string s;
    for (const auto& l : ALines) s += l + "\r\n";
    return s;
}

} // namespace

// ---- Command line ---------------------------------------------------------------

TEST(CommandLine, NoArgumentsIsLocalNodeZero) {
    const TDoorCommandLine cl = DoorParseCommandLine({});
    EXPECT_TRUE(cl.Local);
    EXPECT_EQ(cl.Node, 0);
    EXPECT_EQ(cl.Socket, -99);
    EXPECT_EQ(cl.DropFile, "");
    EXPECT_FALSE(cl.ForceStdIO);
}

TEST(CommandLine, SwitchesAndValues) {
    TDoorCommandLine cl = DoorParseCommandLine({"-N1", "-S1000"});
    EXPECT_FALSE(cl.Local);
    EXPECT_EQ(cl.Node, 1);
    EXPECT_EQ(cl.Socket, 1000);

    cl = DoorParseCommandLine({"/n3"});
    EXPECT_TRUE(cl.Local);
    EXPECT_EQ(cl.Node, 3);

    cl = DoorParseCommandLine({"-sabc", "-Nxyz"});
    EXPECT_EQ(cl.Socket, -1);
    EXPECT_EQ(cl.Node, 0);

    cl = DoorParseCommandLine({"/dC:\\BBS\\NODE1\\DOOR32.SYS", "-x"});
    EXPECT_FALSE(cl.Local);
    EXPECT_EQ(cl.DropFile, "C:\\BBS\\NODE1\\DOOR32.SYS");
    EXPECT_TRUE(cl.ForceStdIO);

    cl = DoorParseCommandLine({"/?"});
    EXPECT_FALSE(cl.Local);
    EXPECT_EQ(cl.Socket, -99);
}

TEST(CommandLine, IgnoredArgumentsAndOverrides) {
    TDoorCommandLine cl = DoorParseCommandLine({"-", "/", "N5", "S9", "", "x-N2"});
    EXPECT_TRUE(cl.Local);
    EXPECT_EQ(cl.Node, 0);
    cl = DoorParseCommandLine({"-N1", "-N2", "-S5", "-S-1", "-Dfirst", "-Dsecond"});
    EXPECT_EQ(cl.Node, 2);
    EXPECT_EQ(cl.Socket, -1);
    EXPECT_EQ(cl.DropFile, "second");
    cl = DoorParseCommandLine({"-N 4"});
    EXPECT_EQ(cl.Node, 4) << "leading blanks are allowed in numbers";
    cl = DoorParseCommandLine({"-N4 "});
    EXPECT_EQ(cl.Node, 0) << "trailing text is not a number";
}

TEST(CommandLine, UnknownLettersGoToTheHook) {
    gClp.clear();
    DoorOnCLP = RecordClp;
    const TDoorCommandLine cl = DoorParseCommandLine({"-Q5", "-L", "/zone", "-N2"});
    DoorOnCLP = nullptr;
    ASSERT_EQ(gClp.size(), 3u);
    EXPECT_EQ(gClp[0], std::make_pair('Q', std::string("5")));
    EXPECT_EQ(gClp[1], std::make_pair('L', std::string("")));
    EXPECT_EQ(gClp[2], std::make_pair('Z', std::string("one")));
    EXPECT_TRUE(cl.Local) << "-L works because local mode is the default";
    EXPECT_EQ(cl.Node, 2);
    EXPECT_NO_THROW(DoorParseCommandLine({"-Q5"})) << "no hook: ignored";
}

// ---- Modes ----------------------------------------------------------------------

TEST_F(StartupTest, LocalModeCallsTheLoginThenClearsTheScreen) {
    DoorOnLocalLogin = TestLogin;
    common::SetFakeMonotonicMs(1000000);
    EXPECT_EQ(Start({"-N3"}), kReturned);
    EXPECT_EQ(gLoginCalls, 1);
    EXPECT_TRUE(StdIO);
    EXPECT_EQ(DoorDropInfo.Node, 3);
    EXPECT_FALSE(DoorSession.Events) << "the pump stays off";
    EXPECT_EQ(DoorDropInfo.MaxSeconds, 3600);
    EXPECT_EQ(DoorDropInfo.RealNameOrAlias, "Tester");
    EXPECT_EQ(DoorDropInfo.AliasOrRealName, "Tester");
    EXPECT_EQ(Output(), "login-hook\x1b[2J\x1b[1;1f");
    EXPECT_EQ(GetExitProc(), SentinelExitProc) << "no exit procedure in standard-I/O mode";
    EXPECT_EQ(DoorSecondsLeft(), 3600);
    common::AdvanceFakeMonotonicMs(61000);
    EXPECT_EQ(DoorSecondsLeft(), 3539);
    EXPECT_EQ(DoorSecondsIdle(), 61);
}

TEST_F(StartupTest, LocalModeWithoutALoginHook) {
    DoorOnLocalLogin = nullptr;
    EXPECT_EQ(Start({}), kReturned);
    EXPECT_TRUE(StdIO);
    EXPECT_EQ(DoorDropInfo.Node, 0);
    EXPECT_EQ(Output(), "");
}

TEST_F(StartupTest, DefaultLocalLoginScreen) {
    testing_caller::TScriptedCaller caller(FKeys[1], FOut[0]);
    testing_caller::CurrentCaller() = &caller;
    SetInputWaitHook(testing_caller::ScriptedWait);
    caller.Script({"\r"});
    EXPECT_EQ(Start({"-N3"}), kReturned);
    EXPECT_EQ(DoorDropInfo.RealName, "SYSOP");
    EXPECT_EQ(DoorDropInfo.Alias, "SYSOP");
    ASSERT_EQ(caller.Snapshots.size(), 1u);
    const auto& s = caller.Snapshots[0].Screen;
    EXPECT_EQ(s.Row(1), "");
    EXPECT_EQ(s.Row(2), "");
    EXPECT_EQ(s.Row(3), "    LOCAL LOGIN - FOR NODE 3") << "the banner ends in the node";
    EXPECT_EQ(s.AttrAt(3, 3), 0x1F);
    EXPECT_EQ(s.AttrAt(28, 3), 0x1F);
    EXPECT_EQ(s.AttrAt(29, 3), 0x07);
    EXPECT_EQ(s.Row(6), "  Run kegora /? for command-line usage help");
    EXPECT_EQ(s.AttrAt(3, 6), 0x09);
    EXPECT_EQ(s.Text(1, 8, 26), "  Name or handle : SYSOP  ");
    EXPECT_EQ(s.AttrAt(3, 8), 0x0A);
    EXPECT_EQ(s.AttrAt(18, 8), 0x0F);
    EXPECT_EQ(s.AttrAt(20, 8), 0x1F) << "the field in attribute 31";
    EXPECT_EQ(s.AttrAt(59, 8), 0x1F);
    EXPECT_EQ(s.AttrAt(60, 8), 0x07) << "40 columns wide";
    EXPECT_EQ(s.X(), 25);
    caller.Pump();
    EXPECT_EQ(caller.Received.substr(caller.Received.size() - 10), "\x1b[2J\x1b[1;1f")
        << "the screen is cleared after the login";
}

TEST_F(StartupTest, LocalLoginAsksAgainUntilANameIsGiven) {
    testing_caller::TScriptedCaller caller(FKeys[1], FOut[0]);
    testing_caller::CurrentCaller() = &caller;
    SetInputWaitHook(testing_caller::ScriptedWait);
    caller.Script({"\x19\r", "\x19" "Bo2b\x7f", "\x19" "Ann Lee\r"});
    EXPECT_EQ(Start({}), kReturned);
    EXPECT_EQ(DoorDropInfo.RealName, "Ann Lee");
    EXPECT_EQ(DoorDropInfo.AliasOrRealName, "Ann Lee");
    EXPECT_EQ(caller.Snapshots[1].Screen.Text(1, 9, 24), "  Name or handle : SYSOP") << "asked again";
    EXPECT_EQ(caller.Snapshots[2].Screen.Text(1, 9, 24), "  Name or handle : Bo   ");
}

TEST_F(StartupTest, EscapeAtTheLocalLoginTakesTheDefault) {
    testing_caller::TScriptedCaller caller(FKeys[1], FOut[0]);
    testing_caller::CurrentCaller() = &caller;
    SetInputWaitHook(testing_caller::ScriptedWait);
    caller.Script({"\x19" "Zed", "\x1b"});
    EXPECT_EQ(Start({}), kReturned);
    EXPECT_EQ(DoorDropInfo.Alias, "SYSOP");
}

TEST_F(StartupTest, SocketAndNodeOpenTheChannel) {
    const std::string fd = DoorSocket();
    common::SetFakeMonotonicMs(5000);
    EXPECT_EQ(Start({"-N1", "-S" + fd}), kReturned);
    EXPECT_FALSE(StdIO);
    EXPECT_EQ(DoorDropInfo.ComNum, FSock[0]);
    EXPECT_EQ(DoorDropInfo.ComType, 2);
    EXPECT_EQ(DoorDropInfo.Node, 1);
    EXPECT_EQ(DoorDropInfo.MaxSeconds, 3600);
    EXPECT_TRUE(DoorSession.Events);
    EXPECT_EQ(DoorSession.EventsTime, 0.0);
    EXPECT_EQ(CommHandle(), FSock[0]);
    EXPECT_EQ(DoorSecondsLeft(), 3600);
    EXPECT_EQ(ReadAll(FSock[1]), "\xff\xfb\x00\xff\xfb\x01\xff\xfb\x03\x1b[2J\x1b[1;1f"s);
    EXPECT_EQ(GetExitProc(), NewExitProc);
    EXPECT_EQ(OldExitProc, SentinelExitProc);
    EXPECT_EQ(Messages(), "");
    EXPECT_EQ(gSleptMs, 0);
}

TEST_F(StartupTest, ExitProcedureResetsMovesClosesAndChains) {
    const std::string fd = DoorSocket();
    ASSERT_EQ(Start({"-N1", "-S" + fd}), kReturned);
    ReadAll(FSock[1]);
    DoorTextAttr(0x1E);
    ReadAll(FSock[1]);
    RunExitProcs();
    EXPECT_TRUE(gSentinelRan) << "the previous exit procedure runs after ours";
    EXPECT_EQ(GetExitProc(), nullptr);
    EXPECT_EQ(ReadAll(FSock[1]), "\x1b[0;37m\x1b[40m\x1b[40m\x1b[255B\x1b[255D");
    EXPECT_EQ(CommHandle(), -1) << "channel closed";
    char b;
    EXPECT_EQ(::recv(FSock[1], &b, 1, MSG_DONTWAIT), 0) << "our end is closed";
}

TEST_F(StartupTest, ShutdownClosesWithoutHangingUpAndExitProcedureIsHarmlessAfter) {
    const std::string fd = DoorSocket();
    ASSERT_EQ(Start({"-N1", "-S" + fd}), kReturned);
    ReadAll(FSock[1]);
    DoorLiteBarOptions = {"a", "b"};
    DoorShutdown();
    EXPECT_TRUE(DoorLiteBarOptions.empty());
    EXPECT_EQ(CommHandle(), -1);
    DoorShutdown();  // a second close does nothing
    RunExitProcs();  // writes go nowhere now
    EXPECT_TRUE(gSentinelRan);
    EXPECT_EQ(ReadAll(FSock[1]), "");
}

TEST_F(StartupTest, DoorCloseInStandardIoModeDoesNothing) {
    DoorOnLocalLogin = nullptr;
    ASSERT_EQ(Start({}), kReturned);
    DoorClose(true);
    EXPECT_TRUE(DoorOpenComm());
    EXPECT_TRUE(StdIO);
}

TEST_F(StartupTest, SocketWithoutANodeShowsUsage) {
    EXPECT_EQ(Start({"-S1000"}), 0);
    EXPECT_EQ(Messages(), kUsage);
    EXPECT_EQ(gSleptMs, 0) << "the usage screen ends without a pause";
    EXPECT_EQ(Start({"-N0", "-S5"}), 0);
    EXPECT_EQ(Messages(), kUsage);
}

TEST_F(StartupTest, QuestionMarkShowsUsage) {
    EXPECT_EQ(Start({"/?"}), 0);
    EXPECT_EQ(Messages(), kUsage);
    EXPECT_EQ(Start({"-?", "-N2"}), 0) << "a node alone selects nothing";
    EXPECT_EQ(Messages(), kUsage);
}

TEST_F(StartupTest, UsageHookReplacedOrCleared) {
    DoorOnUsage = nullptr;
    EXPECT_EQ(Start({"/?"}), 0);
    EXPECT_EQ(Messages(), "");
}

TEST_F(StartupTest, NonNumericSocketMeansStandardIo) {
    EXPECT_EQ(Start({"-N1", "-Sabc"}), kReturned);
    EXPECT_TRUE(StdIO);
    EXPECT_EQ(DoorDropInfo.ComNum, -1);
    EXPECT_EQ(DoorDropInfo.ComType, 2);
    EXPECT_EQ(DoorDropInfo.Node, 1);
    EXPECT_FALSE(DoorSession.Events);
    EXPECT_EQ(Output(), "") << "no clear screen in standard-I/O mode";
}

TEST_F(StartupTest, UnknownSwitchReachesTheHookDuringStartup) {
    DoorOnCLP = RecordClp;
    DoorOnLocalLogin = nullptr;
    EXPECT_EQ(Start({"-Q5"}), kReturned);
    ASSERT_EQ(gClp.size(), 1u);
    EXPECT_EQ(gClp[0].first, 'Q');
    EXPECT_EQ(gClp[0].second, "5");
    EXPECT_TRUE(StdIO);
}

TEST_F(StartupTest, NoCarrierAfterOpening) {
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, FSock), 0);
    ::close(FSock[1]);
    FSock[1] = -1;
    EXPECT_EQ(Start({"-N1", "-S" + std::to_string(FSock[0])}), 0);
    EXPECT_EQ(Messages(), "\r\n  No Carrier Detected\r\n\r\n");
    EXPECT_EQ(gSleptMs, 2500);
    EXPECT_EQ(OldExitProc, nullptr) << "the kit's exit procedure was not installed";
    EXPECT_TRUE(gSentinelRan) << "the program's own exit procedure ran";
}

TEST_F(StartupTest, SocketThatIsNotOpenHasNoCarrier) {
    EXPECT_EQ(Start({"-N1", "-S987"}), 0);
    EXPECT_EQ(Messages(), "\r\n  No Carrier Detected\r\n\r\n");
    EXPECT_EQ(gSleptMs, 2500);
}

// ---- Drop files -----------------------------------------------------------------

TEST_F(StartupTest, MissingDropFile) {
    const std::string path = FDir.Path() + "/DOOR32.SYS";
    EXPECT_EQ(Start({"-D" + path}), 0);
    EXPECT_EQ(Messages(), "\r\n  Drop File Does Not Exist Or Is Not Supported:\r\n  " + path +
                              "\r\n\r\n");
    EXPECT_EQ(gSleptMs, 2500);
}

TEST_F(StartupTest, UnsupportedOrDirectoryDropFile) {
    const std::string chain = FDir.Write("CHAIN.TXT", Lines(Door32("0", "-1")));
    EXPECT_EQ(Start({"-D" + chain}), 0);
    EXPECT_EQ(Messages(), "\r\n  Drop File Does Not Exist Or Is Not Supported:\r\n  " + chain +
                              "\r\n\r\n");
    const std::string dir = FDir.Path() + "/DOOR32.SYS";
    ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0);
    EXPECT_EQ(Start({"-D" + dir}), 0);
    EXPECT_EQ(Messages(), "\r\n  Drop File Does Not Exist Or Is Not Supported:\r\n  " + dir +
                              "\r\n\r\n");
}

TEST_F(StartupTest, FifoDropFileGivesDefaultsWithoutBlocking) {
    const std::string fifo = FDir.Path() + "/DOOR32.SYS";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(Start({"-D" + fifo}), kReturned);
    EXPECT_TRUE(StdIO);
    EXPECT_EQ(DoorDropInfo.ComType, 0);
    EXPECT_EQ(DoorDropInfo.MaxSeconds, 3600);
}

TEST_F(StartupTest, DropFileChosenByNameAnywhereInThePath) {
    ASSERT_EQ(::mkdir((FDir.Path() + "/node1").c_str(), 0700), 0);
    const std::string d32 = FDir.Write("node1/door32.sys", Lines(Door32("0", "-1", "7")));
    EXPECT_EQ(Start({"-D" + d32}), kReturned);
    EXPECT_EQ(DoorDropInfo.Node, 7) << "read as DOOR32.SYS";
    EXPECT_EQ(DoorDropInfo.MaxSeconds, 1800);

    DoorResetForTests();
    std::vector<std::string> ds(52, "");
    ds[0] = "COM0:";
    ds[3] = "4";
    ds[17] = "900";
    const std::string bak = FDir.Write("door.sys.bak", Lines(ds));
    EXPECT_EQ(Start({"-D" + bak}), kReturned);
    EXPECT_EQ(DoorDropInfo.Node, 4) << "read as DOOR.SYS";
    EXPECT_EQ(DoorDropInfo.MaxSeconds, 900);
    EXPECT_TRUE(StdIO);

    DoorResetForTests();
    ASSERT_EQ(::mkdir((FDir.Path() + "/DoorInfo.d").c_str(), 0700), 0);
    const std::string odd = FDir.Write(
        "DoorInfo.d/x", Lines({"0", "3", "", "", "5", "", "", "", "", "", "", "LOCAL"}));
    EXPECT_EQ(Start({"-D" + odd}), kReturned) << Messages();
    EXPECT_EQ(DoorDropInfo.MaxSeconds, 300) << "the directory name says INFO.";
}

TEST_F(StartupTest, DoorSysBeforeDorinfoBeforeInfo) {
    // A path holding several of the names is read by the first in the order.
    ASSERT_EQ(::mkdir((FDir.Path() + "/DOOR.SYS.d").c_str(), 0700), 0);
    std::vector<std::string> ds(52, "");
    ds[3] = "6";
    const std::string p = FDir.Write("DOOR.SYS.d/DORINFO1.DEF", Lines(ds));
    EXPECT_EQ(Start({"-D" + p}), kReturned);
    EXPECT_EQ(DoorDropInfo.Node, 6);
}

TEST_F(StartupTest, NodeSwitchNotAppliedInDropFileMode) {
    const std::string d32 = FDir.Write("DOOR32.SYS", Lines(Door32("0", "-1", "7")));
    EXPECT_EQ(Start({"-N3", "-D" + d32}), kReturned);
    EXPECT_EQ(DoorDropInfo.Node, 7);

    DoorResetForTests();
    const std::string dor = FDir.Write(
        "DORINFO1.DEF", Lines({"BBS", "SYS", "OP", "COM0", "38400 BAUD", "0", "AL", "", "X", "1",
                               "10", "20", "0"}));
    EXPECT_EQ(Start({"-D" + dor, "-N3"}), kReturned);
    EXPECT_EQ(DoorDropInfo.Node, 0);
    EXPECT_EQ(DoorDropInfo.RealName, "AL");
}

TEST_F(StartupTest, AliasOnlyFillsBothCombinedNames) {
    auto l = Door32("0", "-1");
    l[5] = "";
    l[6] = "OnlyAlias";
    EXPECT_EQ(Start({"-D" + FDir.Write("DOOR32.SYS", Lines(l))}), kReturned);
    EXPECT_EQ(DoorDropInfo.RealNameOrAlias, "OnlyAlias");
    EXPECT_EQ(DoorDropInfo.AliasOrRealName, "OnlyAlias");
    DoorResetForTests();
    l[5] = "Real";
    EXPECT_EQ(Start({"-D" + FDir.Write("DOOR32.SYS", Lines(l))}), kReturned);
    EXPECT_EQ(DoorDropInfo.RealNameOrAlias, "Real");
    EXPECT_EQ(DoorDropInfo.AliasOrRealName, "OnlyAlias");
}

TEST_F(StartupTest, TelnetDropFileWithHandleMinusOneIsStandardIo) {
    EXPECT_EQ(Start({"-D" + FDir.Write("DOOR32.SYS", Lines(Door32("2", "-1")))}), kReturned);
    EXPECT_TRUE(StdIO);
    EXPECT_FALSE(DoorSession.Events);
}

TEST_F(StartupTest, XSwitchForcesStandardIoForTypesOneAndTwo) {
    const std::string fd = DoorSocket();
    EXPECT_EQ(Start({"-D" + FDir.Write("DOOR32.SYS", Lines(Door32("2", fd))), "-X"}), kReturned);
    EXPECT_TRUE(StdIO);
    EXPECT_EQ(CommHandle(), -1) << "the socket is not opened";
    DoorResetForTests();
    EXPECT_EQ(Start({"-x", "-D" + FDir.Write("DOOR32.SYS", Lines(Door32("1", "-7")))}), kReturned)
        << "even a bad handle is not looked at";
    EXPECT_TRUE(StdIO);
}

TEST_F(StartupTest, TelnetDropFileOpensTheSocket) {
    const std::string fd = DoorSocket();
    EXPECT_EQ(Start({"-D" + FDir.Write("DOOR32.SYS", Lines(Door32("2", fd)))}), kReturned);
    EXPECT_FALSE(StdIO);
    EXPECT_TRUE(DoorSession.Events);
    EXPECT_EQ(DoorDropInfo.MaxSeconds, 1800);
    EXPECT_EQ(CommHandle(), FSock[0]);
    EXPECT_EQ(GetExitProc(), NewExitProc);
}

TEST_F(StartupTest, InvalidCommNumber) {
    EXPECT_EQ(Start({"-D" + FDir.Write("DOOR32.SYS", Lines(Door32("2", "-5")))}), 0);
    EXPECT_EQ(Messages(), "\r\n  Invalid comm number: -5\r\n\r\n");
    EXPECT_EQ(gSleptMs, 2500);
}

TEST_F(StartupTest, LocalAndWc5TypesKeepStandardIo) {
    EXPECT_EQ(Start({"-D" + FDir.Write("DOOR32.SYS", Lines(Door32("0", "5")))}), kReturned);
    EXPECT_TRUE(StdIO);
    DoorResetForTests();
    const std::string info = FDir.Write(
        "INFO.1", Lines({"1", "3", "", "", "30", "Al", "A", "L", "4", "38400", "", "WC5"}));
    EXPECT_EQ(Start({"-D" + info}), kReturned);
    EXPECT_EQ(DoorDropInfo.ComType, 3);
    EXPECT_EQ(DoorDropInfo.ComNum, 4);
    EXPECT_TRUE(StdIO);
    EXPECT_EQ(CommHandle(), -1);
}

TEST_F(StartupTest, SocketRuleComesBeforeTheDropFile) {
    const std::string fd = DoorSocket();
    const std::string missing = FDir.Path() + "/DOOR32.SYS";
    EXPECT_EQ(Start({"-D" + missing, "-N2", "-S" + fd}), kReturned);
    EXPECT_FALSE(StdIO);
    EXPECT_EQ(DoorDropInfo.Node, 2);
    EXPECT_EQ(Messages(), "");
}

TEST_F(StartupTest, DropFileThatStopsBeforeItsTimeLineGivesNoTime) {
    const std::string fd = DoorSocket();
    EXPECT_EQ(Start({"-D" + FDir.Write("DOOR32.SYS", Lines({"2", fd, "38400"}))}), kReturned);
    EXPECT_EQ(DoorDropInfo.MaxSeconds, 0);
    EXPECT_LT(DoorSecondsLeft(), 1) << "the pump's first run ends the session";
}
