// Start-up: the command line, the drop-file readers, the choice of local, socket, standard-I/O
// or drop-file mode, the failures with their messages, and the end of a session.
#include <fcntl.h>
#include <sys/stat.h>

#include <map>
#include <sstream>

#include "harbex/dropfiles.h"
#include "kit.h"
#include "support/scratch.h"

using namespace kit;

namespace {
std::string gTrail;
const std::string A7 = E + "0;37m" + E + "40m" + E + "40m", kClr = E + "2J" + E + "1;1f";
const std::string kOffers = "\xff\xfb\x00\xff\xfb\x01\xff\xfb\x03"s;
} // namespace

TEST(CommandLine, Switches) {
    for (const auto& c : Cases("cmdline")) {
        DoorOnCLP = [](char AKey, const std::string& AText) {
            gTrail += " "s + AKey + "=" + AText + ";";
        };
        const TDoorCommandLine l = (gTrail.clear(), DoorParseCommandLine(Split(c[0], ',')));
        DoorOnCLP = nullptr;
        EXPECT_EQ("D=" + l.DropFile + " X=" + std::to_string(l.ForceStdIO) +
                      " L=" + std::to_string(l.Local) + " N=" + std::to_string(l.Node) +
                      " S=" + std::to_string(l.Socket) + gTrail,
                  c[1]);
    }
}

TEST_F(Door, ReplacedLoginAndUsageHooksAndTheLocalSessionsClock) {
    DoorOnLocalLogin = [] { DoorWrite("login-hook"), DoorDropInfo.Alias = "Tester"; };
    EXPECT_EQ(Start({"-N3"}), kReturned);
    EXPECT_EQ(Sent(), "login-hook" + kClr);
    EXPECT_EQ(DoorDropInfo.RealNameOrAlias + DoorDropInfo.AliasOrRealName, "TesterTester");
    Advance(61'000);
    EXPECT_EQ(DoorSecondsLeft() * 100 + DoorSecondsIdle(), 3539 * 100 + 61)
        << "counted from the end of the login";
    RunExitProcs();
    EXPECT_EQ(Sent(), "") << "no exit procedure in standard-I/O mode";
    EXPECT_EQ((DoorOnLocalLogin = nullptr, Start({})), kReturned);
    EXPECT_EQ(Sent(), "");
    EXPECT_EQ((DoorOnUsage = nullptr, Start({"/?"})), 0);
    EXPECT_EQ(ReadAll(Msg[0]), "");
}

TEST_F(Door, SocketSessionEndsThroughTheExitProcedureOrShutdown) {
    static bool ran = false;
    for (const bool shutdown : {false, true}) {
        TearDown(), SetUp();
        SetExitProc([] { ran = true; });
        ::fcntl(Sock[0], F_SETFL, O_NONBLOCK);
        DoorDropInfo.Alias = "Tester"; // a caller with a name is not asked for one
        ASSERT_EQ(Start({"-N1", "-S" + std::to_string(Sock[0])}), kReturned);
        EXPECT_EQ(::fcntl(Sock[0], F_GETFL) & O_NONBLOCK, 0) << "the socket is made blocking";
        EXPECT_EQ(Sent(), kOffers + kClr);
        DoorTextAttr(0x1E), Sent();
        if (DoorLiteBarOptions = {"a", "b"}; shutdown) DoorShutdown(), DoorShutdown();
        EXPECT_EQ(DoorLiteBarOptions.empty(), shutdown);
        ran = false, RunExitProcs();
        EXPECT_TRUE(ran) << "the program's own exit procedure runs after the kit's";
        EXPECT_EQ(Sent(), shutdown ? "" : A7 + E + "255B" + E + "255D");
        EXPECT_EQ(::recv(Sock[1], std::string(1, 0).data(), 1, 0), 0) << "closed";
    }
}

TEST_F(Door, ModesDropFilesAndFailures) {
    support::ScratchDir dir;
    int row = 0;
    for (const auto& c : Cases("startup")) {
        TearDown(), SetUp();
        const std::string path = dir.File(std::to_string(row++) + "/" + c[1]);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        const int closed = [] {
            const int fd = ::dup(0);
            return ::close(fd), fd;
        }(); // a descriptor not open
        const auto sub = [&](std::string AText) {
            for (size_t at; (at = AText.find_first_of("#!@")) != std::string::npos;)
                AText.replace(
                    at, 1,
                    AText[at] == '@' ? path : std::to_string(AText[at] == '#' ? Sock[0] : closed));
            return AText;
        };
        TypeBoth(c[3]);
        if (c[2] == "<dir>")
            ::mkdir(path.c_str(), 0700);
        else if (c[2] == "<fifo>")
            ::mkfifo(path.c_str(), 0600);
        else if (!c[2].empty())
            dir.Write(path.substr(dir.Path().size() + 1), sub(c[2]));
        std::vector<std::string> args = Split(c[0], ' ');
        for (auto& a : args)
            a = sub(a);
        const int code = Start(args);
        const TDoorDropInfo& i = DoorDropInfo;
        const std::string got =
            code != kReturned
                ? "exit " + std::to_string(code) + ": " + ReadAll(Msg[0])
                : "io=" + (DoorStdIO() ? "stdio"s : "socket"s) + " node=" + std::to_string(i.Node) +
                      " type=" + std::to_string(i.ComType) + " num=" + std::to_string(i.ComNum) +
                      " max=" + std::to_string(i.MaxSeconds) + " names=" + i.RealNameOrAlias + "/" +
                      i.AliasOrRealName + (DoorSession.Charset == TCharset::utf8 ? " utf8" : "");
        EXPECT_EQ(got, sub(c[4]));
        EXPECT_EQ(gSleptMs, std::stoi(c[5])) << path;
        const std::string sent = ReadAll(Sock[1]) + ReadAll(Out[0]);
        EXPECT_EQ(sent, c[6] == "*" ? sent : c[6]) << path;
        if (code == kReturned) {
            EXPECT_EQ(DoorSecondsLeft() < 1, got.find("max=0") != std::string::npos)
                << "the first tick would end it";
        }
    }
}

// Each drop file read by its format's reader: the fields that differ afterwards from their markers.
TEST(DropFiles, EveryCase) {
    const TDoorDropInfo before{77,   "old", "old", 77,    true,  77, 77,  etASCII,
                               true, 77,    77,    "old", "old", 77, true};
    const std::map<std::string, void (*)(const std::string&)> readers = {{"DOOR32", ReadDoor32},
                                                                         {"DOORSYS", ReadDoorSys},
                                                                         {"DORINFO", ReadDorinfo},
                                                                         {"INFO", ReadLordInfo}};
    for (const auto& c : Cases("dropfiles")) {
        support::ScratchDir dir;
        std::string path = dir.File("DROP");
        if (c[1] == "<dir>")
            ::mkdir(path.c_str(), 0700);
        else if (c[1] == "<fifo>")
            ::mkfifo(path.c_str(), 0600);
        else if (c[1][0] == '/')
            path = c[1];
        else if (c[1] != "<missing>")
            dir.Write("DROP", c[1]);
        DoorDropInfo = before;
        readers.at(c[0])(path);
        std::ostringstream o;
        const TDoorDropInfo& d = DoorDropInfo;
        // clang-format off
#define F(f, v) if (d.f != before.f) o << " " #f "=" << v
        F(Access, d.Access); F(Alias, d.Alias); F(AliasOrRealName, d.AliasOrRealName);
        F(Baud, d.Baud); F(Clean, d.Clean); F(ComNum, d.ComNum); F(ComType, +d.ComType);
        F(Emulation, (d.Emulation ? "ASCII" : "ANSI")); F(Fairy, d.Fairy);
        F(MaxSeconds, d.MaxSeconds); F(Node, d.Node);
        F(RealName, d.RealName); F(RealNameOrAlias, d.RealNameOrAlias); F(RecPos, d.RecPos);
        F(Registered, d.Registered);
#undef F
        // clang-format on
        EXPECT_EQ(o.str().substr(o.str().empty() ? 0 : 1), c[2])
            << c[0] << " " << c[1].substr(0, 60);
    }
    DoorDropInfo = TDoorDropInfo{};
}
