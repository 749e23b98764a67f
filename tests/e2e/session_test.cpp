// The door from the caller's side: start-up over a socket, the intro screen, the main menu
// with its art and footer, the small screens, and the ways the session ends.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "e2e/door_process.h"

namespace e2e {
namespace {

DoorLaunch Socket() {
    DoorLaunch l;
    l.FakeTime = "2025-09-13 10:00:00";
    l.Files = {{"kegora.cfg", "24680\n"}};
    return l;
}

// Waits for the intro's title box, then presses a key and waits for the menu's prompt.
void ToMenu(DoorProcess& ADoor) {
    ASSERT_TRUE(ADoor.WaitForText("...Press any key to continue...")) << ADoor.Describe();
    ADoor.Send(" ");
    ASSERT_TRUE(ADoor.WaitForText("Your choice: ", 8000)) << ADoor.Describe();
    ADoor.WaitQuiet(150);
}

TEST(Session, OffersTelnetOptionsFirstAndShowsTheIntro) {
    DoorProcess door(Socket());
    ASSERT_TRUE(door.WaitForText("...Press any key to continue...")) << door.Describe();
    const std::string& raw = door.ReceivedRaw();
    ASSERT_GE(raw.size(), 6u);
    EXPECT_EQ(raw.substr(0, 6), std::string("\xff\xfb\x00\xff\xfb\x01", 6));
    auto& s = door.Screen();
    // Title box: columns 20-59, rows 10-13, white on blue with the title in yellow.
    EXPECT_EQ(s.Text(20, 10, 40), "\xc9" + std::string(38, '\xcd') + "\xbb");
    EXPECT_EQ(s.Text(20, 11, 40), "\xba" + std::string(15, ' ') + "PINMARCH" + std::string(15, ' ') + "\xba");
    EXPECT_EQ(s.Attr(20, 11), 0x1F);
    EXPECT_EQ(s.Attr(36, 11), 0x1E);
    EXPECT_EQ(s.Text(20, 12, 40), "\xba" + std::string(14, ' ') + "v2025.9.13" + std::string(14, ' ') + "\xba");
    EXPECT_EQ(s.Text(20, 13, 40), "\xc8" + std::string(38, '\xcd') + "\xbc");
    EXPECT_EQ(s.Text(25, 15, 31), "...Press any key to continue...");
    EXPECT_EQ(s.Attr(25, 15), 0x0E);
    door.Send("q");
}

TEST(Session, MenuShowsArtChoicesAndFooterAndQuitsWithExitCodeZero) {
    DoorProcess door(Socket());
    ToMenu(door);
    auto& s = door.Screen();
    EXPECT_EQ(s.Text(24, 13, 20), "[P]lay Today's Game ");
    EXPECT_EQ(s.Attr(24, 13), 0x0B);
    EXPECT_EQ(s.Attr(25, 13), 0x0E);
    EXPECT_EQ(s.Attr(26, 13), 0x0B);
    EXPECT_EQ(s.Attr(27, 13), 0x0F);
    EXPECT_EQ(s.Text(24, 18, 14), "[I]nstructions");
    EXPECT_EQ(s.Text(24, 19, 23), "[Q]uit to BBS   [A]bout");
    EXPECT_EQ(s.Attr(40, 19), 0x0B);
    EXPECT_EQ(s.Attr(41, 19), 0x0E);
    EXPECT_EQ(s.Text(24, 20, 13), "Your choice: ");
    EXPECT_EQ(s.Attr(24, 20), 0x0E);
    EXPECT_EQ(s.CursorX(), 37);
    EXPECT_EQ(s.CursorY(), 20);
    // The footer: black on green across row 24, the build text centred.
    const std::string build = " Compiled for Raspberry Pi (Linux on ARM) (RPI)";
    auto where = s.Find(build);
    ASSERT_TRUE(where.has_value()) << door.Describe();
    EXPECT_EQ(where->second, 24);
    EXPECT_EQ(where->first, (80 - static_cast<int>(build.size())) / 2);
    for (int x = 1; x <= 80; ++x) EXPECT_EQ(s.Attr(x, 24) & 0x70, 0x20) << x;  // green across
    EXPECT_TRUE(s.AttrRun(where->first + 1, 24, static_cast<int>(build.size()) - 1, 0x20));  // black text
    EXPECT_TRUE(s.AutoWrap());
    // The art is there around the menu window: the frame drawn for it.
    EXPECT_EQ(s.Ch(22, 12), 0xC9);
    EXPECT_EQ(s.Ch(58, 21), 0xBC);
    door.Send("Q");
    auto code = door.WaitExit(5000);
    ASSERT_TRUE(code.has_value()) << door.Describe();
    EXPECT_EQ(*code, 0);
}

TEST(Session, InstructionsAndAboutReturnToTheMenu) {
    DoorProcess door(Socket());
    ToMenu(door);
    auto& s = door.Screen();
    door.Send("i");
    ASSERT_TRUE(door.WaitForText("Press any key to continue...")) << door.Describe();
    door.WaitQuiet(150);
    EXPECT_EQ(s.Text(1, 2, 80), "\xba " + std::string(31, ' ') + "P I N M A R C H" + std::string(30, ' ') + " \xba");
    EXPECT_EQ(s.Attr(34, 2), 0x1E);
    EXPECT_EQ(s.Text(5, 5, 20), "HOW TO PLAY PINMARCH");
    EXPECT_EQ(s.Text(5, 8, 56), "2. You can cover cards of the same rank (e.g., 7\x03 on 7\x04)");
    EXPECT_EQ(s.Attr(53, 8), 0x0C);  // the heart in light red
    EXPECT_EQ(s.Attr(59, 8), 0x0C);
    EXPECT_EQ(s.Attr(54, 8), 0x0F);
    EXPECT_EQ(s.Text(25, 24, 28), "Press any key to continue...");
    door.Send("x");
    ASSERT_TRUE(door.WaitFor([&] { return s.Contains("Your choice: ") && !s.Contains("HOW TO PLAY"); }))
        << door.Describe();
    door.WaitQuiet(150);
    door.Send("A");
    ASSERT_TRUE(door.WaitForText("=== ABOUT PINMARCH ===")) << door.Describe();
    door.WaitQuiet(150);
    EXPECT_EQ(s.Find("=== ABOUT PINMARCH ===")->first, 18);
    EXPECT_TRUE(s.Contains("Daily winners and monthly winners determined by most pins"));
    EXPECT_EQ(s.Text(5, 21, 9), "Contact: ");
    EXPECT_EQ(s.Text(25, 25, 28), "Press any key to continue...");
    EXPECT_EQ(s.Scrolls(), 0);
    door.Send(" ");
    ASSERT_TRUE(door.WaitFor([&] { return s.Contains("Your choice: ") && !s.Contains("ABOUT"); })) << door.Describe();
    door.Send("q");
    EXPECT_EQ(door.WaitExit(5000), std::optional<int>(0));
}

TEST(Session, MissingArtGivesTheErrorLineAndAKeyWaitBeforeTheMenu) {
    DoorLaunch l = Socket();
    l.WithIntro = false;
    DoorProcess door(l);
    ASSERT_TRUE(door.WaitForText("...Press any key to continue...")) << door.Describe();
    door.Send(" ");
    ASSERT_TRUE(door.WaitForText("Hit a key to continue")) << door.Describe();
    door.WaitQuiet(300);
    auto& s = door.Screen();
    EXPECT_TRUE(s.Contains("Error reading \"intro.ans\": File not found")) << door.Describe();
    EXPECT_FALSE(s.Contains("Your choice:"));
    door.Send(" ");
    ASSERT_TRUE(door.WaitForText("Your choice: ")) << door.Describe();
    // Every redraw of the menu repeats the error and the wait.
    door.Send("z");
    ASSERT_TRUE(door.WaitFor([&] { return !s.Contains("Your choice:"); })) << door.Describe();
    EXPECT_TRUE(door.WaitForText("Hit a key to continue"));
    door.Send(" ");
    ASSERT_TRUE(door.WaitForText("Your choice: ")) << door.Describe();
    door.Send("Q");
    EXPECT_EQ(door.WaitExit(5000), std::optional<int>(0));
}

TEST(Session, StandardInputOutputModeRunsTheSameMenu) {
    DoorLaunch l = Socket();
    l.LaunchMode = DoorLaunch::Mode::kStdIO;
    DoorProcess door(l);
    ToMenu(door);
    EXPECT_TRUE(door.Telnet().Options().empty());
    EXPECT_TRUE(door.Screen().Contains("[P]lay Today's Game"));
    door.Send("q");
    EXPECT_EQ(door.WaitExit(5000), std::optional<int>(0));
}

TEST(Session, OnlyThePlayLogPresentRebuildsTheRecordsFirst) {
    // One 64-byte record: "Ann", 13 September 2025, score 187, 10 frames.
    std::string rec(64, '\0');
    rec[0] = 3;
    rec.replace(1, 3, "Ann");
    const double date = 45913.0;
    uint64_t bits;
    std::memcpy(&bits, &date, 8);
    for (int i = 0; i < 8; ++i) rec[48 + i] = static_cast<char>(bits >> (8 * i));
    rec[56] = static_cast<char>(187);
    rec[60] = 10;
    DoorLaunch l = Socket();
    l.Files.push_back({"pmchplay.dat", rec});
    DoorProcess door(l);
    ASSERT_TRUE(door.WaitForText("...Press any key to continue...")) << door.Describe();
    EXPECT_NE(door.Received().find("Building all-time records from history..."), std::string::npos);
    const std::string records = door.ReadFile("pmchrec.dat");
    ASSERT_EQ(records.size(), 1200u);
    EXPECT_EQ(records.substr(0, 4), std::string("\x03" "Ann"));
    EXPECT_EQ(static_cast<unsigned char>(records[44]), 187);
    door.Send("q");
}

TEST(Session, BothOrNeitherDataFileSkipsTheRebuild) {
    DoorProcess door(Socket());
    ASSERT_TRUE(door.WaitForText("...Press any key to continue...")) << door.Describe();
    EXPECT_EQ(door.Received().find("Building all-time records"), std::string::npos);
    EXPECT_FALSE(door.FileExists("pmchrec.dat"));
}

TEST(Session, AnUnusablePlayLogEndsTheDoorWithOneLineAndExitCodeOne) {
    DoorLaunch l = Socket();
    l.Files.push_back({"pmchrec.dat", std::string(1200, '\0')});
    DoorProcess door(l);
    ASSERT_EQ(mkdir((door.Dir() + "/pmchplay.dat").c_str(), 0755), 0);  // a directory: cannot be opened as the log
    ASSERT_TRUE(door.WaitForText("...Press any key to continue...")) << door.Describe();
    door.Send(" ");
    auto code = door.WaitExit(5000);
    ASSERT_TRUE(code.has_value()) << door.Describe();
    EXPECT_EQ(*code, 1);
    const std::string& err = door.Errors();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("pmchplay.dat"), std::string::npos) << err;
    EXPECT_NE(err.find("Is a directory"), std::string::npos) << err;
    EXPECT_FALSE(door.FileExists("pmchwin.ans"));
}

TEST(Session, CarrierLossEndsTheDoorWithoutRecordingAnything) {
    DoorLaunch l = Socket();
    if (getenv("NOFAKE")) l.FakeTime.clear();
    DoorProcess door(l);
    ToMenu(door);
    door.Send("p");
    ASSERT_TRUE(door.WaitForText("Current Card:")) << door.Describe();
    door.Send("5");
    door.WaitQuiet(150);
    door.Hangup();
    const long long from = door.ElapsedMs();
    auto code = door.WaitExit(6000);
    ASSERT_TRUE(code.has_value()) << door.Describe();
    EXPECT_EQ(*code, 0);
    EXPECT_LT(door.ElapsedMs() - from, 4000);
    EXPECT_FALSE(door.FileExists("pmchplay.dat"));
    EXPECT_FALSE(door.FileExists("pmchrec.dat"));
    EXPECT_FALSE(door.FileExists("pmchwin.ans"));
    EXPECT_FALSE(door.FileExists("pmchwin.asc"));
}

}  // namespace
}  // namespace e2e
