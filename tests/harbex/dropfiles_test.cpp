#include "harbex/dropfiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "testfiles.h"

using namespace harbex;

namespace {

class DropFiles : public ::testing::Test {
  protected:
    void SetUp() override { DoorDropInfo = TDoorDropInfo{}; }
    void TearDown() override { DoorDropInfo = TDoorDropInfo{}; }
    testing_files::TTempDir FDir;

    std::string Write(const std::string& AName, const std::vector<std::string>& ALines,
                      const std::string& AEnd = "\n") {
        std::string text;
        for (const auto& l : ALines) text += l + AEnd;
        return FDir.Write(AName, text);
    }
};

std::vector<std::string> Door32Lines() {
    return {"2", "7", "115200", "Mystic 1.12", "18", "Jane Doe", "Janey", "50", "45", "1", "3"};
}

std::vector<std::string> DoorSysLines() {
    std::vector<std::string> l(52, "x");
    l[0] = "COM2:";
    l[3] = "4";
    l[4] = "19200";
    l[9] = "John Smith";
    l[14] = "100";
    l[17] = "2700";
    l[19] = "GR";
    l[25] = "5";
    l[35] = "Johnny";
    return l;
}

std::vector<std::string> DorinfoLines() {
    return {"MY BBS", "SYSOP", "NAME", "COM1", "19200 BAUD,N,8,1", "0", "JOHN", "SMITH", "Anytown",
            "1", "30", "45", "-1"};
}

std::vector<std::string> InfoLines() {
    return {"5", "3", "x", "FAIRY YES", "20", "Dragon", "John", "Smith", "9", "57600", "x",
            "TELNET", "REGISTERED", "CLEAN MODE ON"};
}

} // namespace

TEST_F(DropFiles, Door32FullFile) {
    ReadDoor32(Write("DOOR32.SYS", Door32Lines()));
    EXPECT_EQ(DoorDropInfo.ComType, 2);
    EXPECT_EQ(DoorDropInfo.ComNum, 7);
    EXPECT_EQ(DoorDropInfo.Baud, 115200);
    EXPECT_EQ(DoorDropInfo.RecPos, 17);
    EXPECT_EQ(DoorDropInfo.RealName, "Jane Doe");
    EXPECT_EQ(DoorDropInfo.Alias, "Janey");
    EXPECT_EQ(DoorDropInfo.Access, 50);
    EXPECT_EQ(DoorDropInfo.MaxSeconds, 2700);
    EXPECT_EQ(DoorDropInfo.Emulation, etANSI);
    EXPECT_EQ(DoorDropInfo.Node, 3);
    // Not in the format: untouched.
    EXPECT_FALSE(DoorDropInfo.Fairy);
    EXPECT_TRUE(DoorDropInfo.AliasOrRealName.empty());
}

TEST_F(DropFiles, Door32WithCrLfLineEndsGivesTheSameValues) {
    ReadDoor32(Write("DOOR32.SYS", Door32Lines(), "\r\n"));
    EXPECT_EQ(DoorDropInfo.ComType, 2);
    EXPECT_EQ(DoorDropInfo.ComNum, 7);
    EXPECT_EQ(DoorDropInfo.RealName, "Jane Doe");
    EXPECT_EQ(DoorDropInfo.Alias, "Janey");
    EXPECT_EQ(DoorDropInfo.MaxSeconds, 2700);
    EXPECT_EQ(DoorDropInfo.Node, 3);
}

TEST_F(DropFiles, Door32WithLoneCrLineEnds) {
    ReadDoor32(Write("DOOR32.SYS", Door32Lines(), "\r"));
    EXPECT_EQ(DoorDropInfo.ComNum, 7);
    EXPECT_EQ(DoorDropInfo.Alias, "Janey");
    EXPECT_EQ(DoorDropInfo.Node, 3);
}

TEST_F(DropFiles, Door32OfThreeLines) {
    DoorDropInfo.Node = 9; // proves the default is written, not left alone
    ReadDoor32(Write("door32.sys", {"2", "5", "38400"}));
    EXPECT_EQ(DoorDropInfo.ComType, 2);
    EXPECT_EQ(DoorDropInfo.ComNum, 5);
    EXPECT_EQ(DoorDropInfo.Baud, 38400);
    EXPECT_EQ(DoorDropInfo.RecPos, 0);
    EXPECT_EQ(DoorDropInfo.RealName, "");
    EXPECT_EQ(DoorDropInfo.Alias, "");
    EXPECT_EQ(DoorDropInfo.Access, 0);
    EXPECT_EQ(DoorDropInfo.MaxSeconds, 0);
    EXPECT_EQ(DoorDropInfo.Emulation, etANSI);
    EXPECT_EQ(DoorDropInfo.Node, 0);
}

TEST_F(DropFiles, Door32Defaults) {
    ReadDoor32(Write("DOOR32.SYS", {"telnet", "", "fast"}));
    EXPECT_EQ(DoorDropInfo.ComType, 0);
    EXPECT_EQ(DoorDropInfo.ComNum, -1);
    EXPECT_EQ(DoorDropInfo.Baud, 38400);
}

TEST_F(DropFiles, Door32EmulationValues) {
    const std::pair<std::string, TDoorEmulationType> cases[] = {
        {"0", etASCII}, {"1", etANSI}, {"2", etANSI}, {"", etANSI}, {"ansi", etANSI}};
    for (const auto& [value, expected] : cases) {
        auto lines = Door32Lines();
        lines[9] = value;
        DoorDropInfo = TDoorDropInfo{};
        DoorDropInfo.Emulation = expected == etANSI ? etASCII : etANSI;
        ReadDoor32(Write("DOOR32.SYS", lines));
        EXPECT_EQ(DoorDropInfo.Emulation, expected) << "line 10: " << value;
    }
}

TEST_F(DropFiles, Door32MinutesBecomeSecondsWithoutOverflow) {
    auto lines = Door32Lines();
    lines[8] = "99999999";
    ReadDoor32(Write("DOOR32.SYS", lines));
    EXPECT_EQ(DoorDropInfo.MaxSeconds, 2147483647);
}

TEST_F(DropFiles, DoorSysFullFile) {
    ReadDoorSys(Write("DOOR.SYS", DoorSysLines(), "\r\n"));
    EXPECT_EQ(DoorDropInfo.ComNum, 2);
    EXPECT_EQ(DoorDropInfo.ComType, 1);
    EXPECT_EQ(DoorDropInfo.Node, 4);
    EXPECT_EQ(DoorDropInfo.Baud, 19200);
    EXPECT_EQ(DoorDropInfo.RealName, "John Smith");
    EXPECT_EQ(DoorDropInfo.Access, 100);
    EXPECT_EQ(DoorDropInfo.MaxSeconds, 2700); // seconds already
    EXPECT_EQ(DoorDropInfo.Emulation, etANSI);
    EXPECT_EQ(DoorDropInfo.RecPos, 4);
    EXPECT_EQ(DoorDropInfo.Alias, "Johnny");
}

TEST_F(DropFiles, DoorSysComPorts) {
    auto lines = DoorSysLines();
    lines[0] = "COM0:";
    ReadDoorSys(Write("DOOR.SYS", lines));
    EXPECT_EQ(DoorDropInfo.ComNum, 0);
    EXPECT_EQ(DoorDropInfo.ComType, 0);

    DoorDropInfo = TDoorDropInfo{};
    DoorDropInfo.ComType = 2;
    ReadDoorSys(Write("DOOR.SYS", lines));
    EXPECT_EQ(DoorDropInfo.ComType, 2) << "COM0: leaves the type unchanged";

    DoorDropInfo = TDoorDropInfo{};
    lines[0] = "COM12:";
    ReadDoorSys(Write("DOOR.SYS", lines));
    EXPECT_EQ(DoorDropInfo.ComNum, 12);
    EXPECT_EQ(DoorDropInfo.ComType, 1);

    for (const std::string odd : {"", "C", "COM", "COM:", "COM2"}) {
        DoorDropInfo = TDoorDropInfo{};
        DoorDropInfo.ComNum = 77;
        lines[0] = odd;
        ReadDoorSys(Write("DOOR.SYS", lines));
        EXPECT_EQ(DoorDropInfo.ComNum, 0) << odd;
        EXPECT_EQ(DoorDropInfo.ComType, 0) << odd;
    }
}

TEST_F(DropFiles, DoorSysEmulationIsCaseFoldedGr) {
    auto lines = DoorSysLines();
    const std::pair<std::string, TDoorEmulationType> cases[] = {
        {"gr", etANSI}, {"Gr", etANSI}, {"NG", etASCII}, {"GR ", etASCII}, {"", etASCII}};
    for (const auto& [value, expected] : cases) {
        lines[19] = value;
        DoorDropInfo = TDoorDropInfo{};
        ReadDoorSys(Write("DOOR.SYS", lines));
        EXPECT_EQ(DoorDropInfo.Emulation, expected) << value;
    }
}

TEST_F(DropFiles, DoorSysStoppingBeforeItsTimeLine) {
    auto lines = DoorSysLines();
    lines.resize(12);
    ReadDoorSys(Write("DOOR.SYS", lines));
    EXPECT_EQ(DoorDropInfo.RealName, "John Smith");
    EXPECT_EQ(DoorDropInfo.MaxSeconds, 0);
    EXPECT_EQ(DoorDropInfo.Access, 0);
    EXPECT_EQ(DoorDropInfo.Emulation, etASCII);
    EXPECT_EQ(DoorDropInfo.RecPos, 0);
    EXPECT_EQ(DoorDropInfo.Alias, "");
}

TEST_F(DropFiles, DorinfoFullFile) {
    ReadDorinfo(Write("DORINFO1.DEF", DorinfoLines()));
    EXPECT_EQ(DoorDropInfo.ComNum, 1);
    EXPECT_EQ(DoorDropInfo.ComType, 1);
    EXPECT_EQ(DoorDropInfo.Baud, 19200);
    EXPECT_EQ(DoorDropInfo.Alias, "JOHN");
    EXPECT_EQ(DoorDropInfo.RealName, "JOHN SMITH");
    EXPECT_EQ(DoorDropInfo.Emulation, etANSI);
    EXPECT_EQ(DoorDropInfo.Access, 30);
    EXPECT_EQ(DoorDropInfo.MaxSeconds, 2700);
    EXPECT_EQ(DoorDropInfo.Node, 0);
    EXPECT_EQ(DoorDropInfo.RecPos, 0);
}

TEST_F(DropFiles, DorinfoPortBaudNameAndEmulationRules) {
    auto lines = DorinfoLines();
    lines[3] = "COM0";
    lines[4] = "38400";
    lines[7] = "";
    lines[9] = "2";
    DoorDropInfo.Baud = 5;
    ReadDorinfo(Write("dorinfo2.def", lines, "\r\n"));
    EXPECT_EQ(DoorDropInfo.ComNum, 0);
    EXPECT_EQ(DoorDropInfo.ComType, 0);
    EXPECT_EQ(DoorDropInfo.Baud, 38400) << "no space: the default";
    EXPECT_EQ(DoorDropInfo.RealName, "JOHN");
    EXPECT_EQ(DoorDropInfo.Emulation, etASCII);

    DoorDropInfo = TDoorDropInfo{};
    lines[3] = "COM1:"; // the colon stays in the converted text
    lines[4] = "2400 BPS";
    ReadDorinfo(Write("dorinfo2.def", lines));
    EXPECT_EQ(DoorDropInfo.ComNum, 0);
    EXPECT_EQ(DoorDropInfo.ComType, 0);
    EXPECT_EQ(DoorDropInfo.Baud, 2400);
}

TEST_F(DropFiles, InfoFullFile) {
    ReadLordInfo(Write("INFO.1", InfoLines()));
    EXPECT_EQ(DoorDropInfo.RecPos, 5) << "no adjustment";
    EXPECT_EQ(DoorDropInfo.Emulation, etANSI);
    EXPECT_TRUE(DoorDropInfo.Fairy);
    EXPECT_EQ(DoorDropInfo.MaxSeconds, 1200);
    EXPECT_EQ(DoorDropInfo.Alias, "Dragon");
    EXPECT_EQ(DoorDropInfo.RealName, "John Smith");
    EXPECT_EQ(DoorDropInfo.ComNum, 9);
    EXPECT_EQ(DoorDropInfo.Baud, 57600);
    EXPECT_EQ(DoorDropInfo.ComType, 2);
    EXPECT_TRUE(DoorDropInfo.Registered);
    EXPECT_TRUE(DoorDropInfo.Clean);
}

TEST_F(DropFiles, InfoConnectionTypes) {
    auto lines = InfoLines();
    const std::pair<std::string, int> cases[] = {{"telnet", 2}, {"TeLnEt", 2}, {"WC5", 3},
                                                 {"wc5", 3},    {"local", 0},  {"", 1},
                                                 {"SERIAL", 1}};
    for (const auto& [value, expected] : cases) {
        lines[11] = value;
        DoorDropInfo = TDoorDropInfo{};
        ReadLordInfo(Write("INFO.1", lines));
        EXPECT_EQ(DoorDropInfo.ComType, expected) << value;
    }
}

TEST_F(DropFiles, InfoFlagsAndNames) {
    auto lines = InfoLines();
    lines[1] = "1";
    lines[3] = "fairy no";
    lines[7] = "";
    lines[12] = "registered";
    lines[13] = "clean mode off";
    DoorDropInfo.Fairy = true;
    ReadLordInfo(Write("info.2", lines));
    EXPECT_EQ(DoorDropInfo.Emulation, etASCII);
    EXPECT_FALSE(DoorDropInfo.Fairy);
    EXPECT_EQ(DoorDropInfo.RealName, "John");
    EXPECT_TRUE(DoorDropInfo.Registered);
    EXPECT_FALSE(DoorDropInfo.Clean);
}

TEST_F(DropFiles, RecPosAdjustmentDiffersByFormat) {
    ReadLordInfo(Write("INFO.1", {"5"}));
    EXPECT_EQ(DoorDropInfo.RecPos, 5);
    auto d32 = Door32Lines();
    d32[4] = "5";
    ReadDoor32(Write("DOOR32.SYS", d32));
    EXPECT_EQ(DoorDropInfo.RecPos, 4);
    auto ds = DoorSysLines();
    ds[25] = "5";
    ReadDoorSys(Write("DOOR.SYS", ds));
    EXPECT_EQ(DoorDropInfo.RecPos, 4);
}

TEST_F(DropFiles, FilesStoppingBeforeTheirTimeLineGiveZeroSeconds) {
    ASSERT_EQ(DoorDropInfo.MaxSeconds, 3600);
    ReadDoor32(Write("DOOR32.SYS", {"2", "5", "38400", "x", "1", "A", "B", "10"}));
    EXPECT_EQ(DoorDropInfo.MaxSeconds, 0);
    DoorDropInfo = TDoorDropInfo{};
    ReadDorinfo(Write("DORINFO1.DEF", {"a", "b", "c", "COM1"}));
    EXPECT_EQ(DoorDropInfo.MaxSeconds, 0);
    DoorDropInfo = TDoorDropInfo{};
    ReadLordInfo(Write("INFO.1", {"1", "3", "x", "y"}));
    EXPECT_EQ(DoorDropInfo.MaxSeconds, 0);
}

TEST_F(DropFiles, MissingFileChangesNothing) {
    DoorDropInfo.Alias = "kept";
    DoorDropInfo.MaxSeconds = 1234;
    const std::string missing = FDir.Path() + "/DOOR32.SYS";
    ReadDoor32(missing);
    ReadDoorSys(missing);
    ReadDorinfo(missing);
    ReadLordInfo(missing);
    EXPECT_EQ(DoorDropInfo.Alias, "kept");
    EXPECT_EQ(DoorDropInfo.MaxSeconds, 1234);
    TDoorDropInfo other;
    EXPECT_FALSE(ReadDoor32Into(missing, other));
}

TEST_F(DropFiles, DirectoryAndFifoPathsChangeNothingAndDoNotBlock) {
    const std::string dir = FDir.Path() + "/DOOR32.SYS";
    ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0);
    const std::string fifo = FDir.Path() + "/INFO.1";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    DoorDropInfo.MaxSeconds = 1234;
    TDoorDropInfo probe;
    EXPECT_FALSE(ReadDoor32Into(dir, probe));
    EXPECT_FALSE(ReadLordInfoInto(fifo, probe)); // would block forever if opened blocking
    ReadDoor32(dir);
    ReadDoorSys(fifo);
    ReadDorinfo(fifo);
    ReadLordInfo(fifo);
    EXPECT_EQ(DoorDropInfo.MaxSeconds, 1234);
    EXPECT_FALSE(ReadDoor32Into("/dev/null", probe)) << "devices are not drop files";
}

TEST_F(DropFiles, HugeLineIsCutAndLaterLinesStillRead) {
    auto lines = Door32Lines();
    lines[5] = std::string(100000, 'N');
    ReadDoor32(Write("DOOR32.SYS", lines));
    EXPECT_EQ(DoorDropInfo.RealName, std::string(kDropLineMax, 'N'));
    EXPECT_EQ(DoorDropInfo.Alias, "Janey");
    EXPECT_EQ(DoorDropInfo.Node, 3);
}

TEST_F(DropFiles, HugeFileIsReadOnlyUpToTheLimit) {
    // One line far past the read limit: everything after it reads as end of file.
    std::string text = "2\n7\n";
    text += std::string(kDropFileMax + 10, 'x');
    text += "\n1\n2\n3\n";
    DoorDropInfo.Node = 5;
    ReadDoor32(FDir.Write("DOOR32.SYS", text));
    EXPECT_EQ(DoorDropInfo.ComType, 2);
    EXPECT_EQ(DoorDropInfo.ComNum, 7);
    EXPECT_EQ(DoorDropInfo.Baud, 38400);
    EXPECT_EQ(DoorDropInfo.RealName, "");
    EXPECT_EQ(DoorDropInfo.Node, 0);
}

TEST_F(DropFiles, BinaryBytesAreKeptInTextAndRejectedInNumbers) {
    std::string text = "2\n";
    text += std::string("\x00\x01\xff", 3) + "\n";
    text += "38400\nx\n1\n";
    text += std::string("Na\x00me\x1a\xfe", 7) + "\n";
    ReadDoor32(FDir.Write("DOOR32.SYS", text));
    EXPECT_EQ(DoorDropInfo.ComNum, -1);
    EXPECT_EQ(DoorDropInfo.RealName, std::string("Na\x00me\x1a\xfe", 7));
}

TEST_F(DropFiles, EmptyFileGivesEveryDefault) {
    ReadLordInfo(FDir.Write("INFO.1", ""));
    EXPECT_EQ(DoorDropInfo.RecPos, 0);
    EXPECT_EQ(DoorDropInfo.Emulation, etANSI);
    EXPECT_EQ(DoorDropInfo.MaxSeconds, 0);
    EXPECT_EQ(DoorDropInfo.ComNum, 0);
    EXPECT_EQ(DoorDropInfo.Baud, 38400);
    EXPECT_EQ(DoorDropInfo.ComType, 1);
    EXPECT_FALSE(DoorDropInfo.Registered);
}

TEST(TextLineReader, LineEndsOfEveryKind) {
    testing_files::TTempDir dir;
    const std::string path = dir.Write("t.txt", std::string("a\nb\r\nc\rd\n\re\r\r\nf"));
    TTextLineReader r(path, 100, 1000);
    ASSERT_TRUE(r.IsOpen());
    std::vector<std::string> got;
    while (!r.AtEnd()) got.push_back(r.ReadLine());
    EXPECT_EQ(got, (std::vector<std::string>{"a", "b", "c", "d", "", "e", "", "f"}));
    EXPECT_EQ(r.ReadLine(), "");
}

TEST(TextLineReader, CrLfSplitAcrossReadChunks) {
    testing_files::TTempDir dir;
    // The chunk size is 4096: put the CR as the chunk's last byte.
    std::string text(4095, 'a');
    text += "\r\nb";
    TTextLineReader r(dir.Write("t.txt", text), 10000, 100000);
    EXPECT_EQ(r.ReadLine(), std::string(4095, 'a'));
    EXPECT_EQ(r.ReadLine(), "b");
    EXPECT_TRUE(r.AtEnd());
}
