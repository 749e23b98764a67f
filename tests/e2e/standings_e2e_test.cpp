// The standings side of the door through the real executable: the menu's calendar, daily
// winners, monthly champions, recent and all-time champions and view-a-day choices over a
// seeded play log, playing a day from the calendar, and the bulletins written at the end of
// a session (not after a hang-up; a write failure ends the door with code 1).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/datetime.h"
#include "e2e/door_process.h"
#include "records/dailyplay.h"

namespace e2e {
namespace {

struct Play {
    std::string Name;
    int Year, Month, Day;
    int32_t Score;
};

std::string PlayLog(const std::vector<Play>& APlays) {
    std::string bytes;
    for (const auto& p : APlays) {
        records::TDailyPlayRecord r;
        r.PlayerName = p.Name;
        r.DatePlayed = common::EncodeDate(p.Year, p.Month, p.Day);
        r.Score = p.Score;
        r.FramesCompleted = 10;
        const auto enc = records::EncodePlayRecord(r);
        bytes.append(reinterpret_cast<const char*>(enc.data()), enc.size());
    }
    return bytes;
}

// A caller named AAlias by a DOOR32.SYS drop file, on the given day.
DoorLaunch Caller(const std::string& AAlias, const std::string& AFakeTime,
                  const std::vector<Play>& APlays = {}) {
    DoorLaunch l;
    l.LaunchMode = DoorLaunch::Mode::kDropFile;
    l.FakeTime = AFakeTime;
    l.Files = {{"kegora.cfg", "24680\n"},
               {"DOOR32.SYS", "2\r\n{SOCKET}\r\n38400\r\nTest Board\r\n7\r\nReal Name\r\n" + AAlias +
                                  "\r\n20\r\n60\r\n1\r\n1\r\n"}};
    if (!APlays.empty()) {
        l.Files.push_back({"pmchplay.dat", PlayLog(APlays)});
        l.Files.push_back({"pmchrec.dat", std::string(1200, '\0')});  // no rebuild screen
    }
    return l;
}

void ToMenu(DoorProcess& ADoor) {
    ASSERT_TRUE(ADoor.WaitForText("...Press any key to continue...")) << ADoor.Describe();
    ADoor.Send(" ");
    ASSERT_TRUE(ADoor.WaitForText("Your choice: ", 8000)) << ADoor.Describe();
    ADoor.WaitQuiet(150);
}

// Sends AKeys and waits until AText is on the screen and the output has settled.
void Expect(DoorProcess& ADoor, const std::string& AKeys, const std::string& AText) {
    ADoor.Send(AKeys);
    ASSERT_TRUE(ADoor.WaitForText(AText)) << "waiting for " << AText << "\n" << ADoor.Describe();
    ADoor.WaitQuiet(150);
}

void BackToMenu(DoorProcess& ADoor, const std::string& AKeys = " ") {
    auto& s = ADoor.Screen();
    ADoor.Send(AKeys);
    ASSERT_TRUE(ADoor.WaitFor([&] { return s.Contains("Your choice: ") && s.Contains("[Q]uit"); }))
        << ADoor.Describe();
    ADoor.WaitQuiet(150);
}

void QuitWithCode(DoorProcess& ADoor, int ACode) {
    ADoor.Send("q");
    const auto code = ADoor.WaitExit(8000);
    ASSERT_TRUE(code.has_value()) << ADoor.Describe();
    EXPECT_EQ(*code, ACode) << ADoor.Describe();
}

TEST(StandingsDoor, MenuOffersTheStandingsChoices) {
    DoorProcess door(Caller("Ann", "2025-09-13 10:00:00"));
    ToMenu(door);
    auto& s = door.Screen();
    EXPECT_EQ(s.Text(24, 14, 33), "[C]alendar - View/Play Other Days") << door.Describe();
    EXPECT_EQ(s.Text(24, 15, 26), "[D]aily Winners This Month");
    EXPECT_EQ(s.Text(24, 16, 19), "[M]onthly Champions");
    EXPECT_EQ(s.Text(24, 17, 29), "[R]ecent & All-Time Champions");
    EXPECT_EQ(s.Text(24, 18, 33), "[I]nstructions  [V]iew Single Day");
    EXPECT_EQ(s.Attr(24, 14), 0x0B);
    EXPECT_EQ(s.Attr(25, 14), 0x0E);
    EXPECT_EQ(s.Attr(27, 14), 0x0F);
    EXPECT_TRUE(s.AttrRun(38, 18, 3, 0x0B));  // "  [" of [V]
    EXPECT_EQ(s.Attr(41, 18), 0x0E);
    EXPECT_EQ(s.Attr(42, 18), 0x0B);
    EXPECT_EQ(s.Attr(43, 18), 0x0F);
    QuitWithCode(door, 0);
}

TEST(StandingsDoor, CalendarPlaysAnAdvanceDayFromThe21st) {
    DoorProcess door(Caller("Ann", "2025-06-21 10:00:00", {{"Ann", 2025, 6, 23, 88}, {"Bob", 2025, 6, 2, 140}}));
    ToMenu(door);
    Expect(door, "c", "Enter day to play (1-30) or 0 to return: ");
    auto& s = door.Screen();
    EXPECT_EQ(s.Text(31, 5, 17), "=== June 2025 ===") << door.Describe();
    EXPECT_EQ(s.Text(26, 9, 2), " 1");
    EXPECT_EQ(s.Attr(26, 9), 0x0A);
    EXPECT_EQ(s.Text(56, 13, 2), "21");
    EXPECT_EQ(s.Attr(56, 13), 0x1E);
    EXPECT_EQ(s.Text(31, 15, 3), "23*");
    EXPECT_EQ(s.Attr(31, 15), 0x08);
    EXPECT_EQ(s.Text(31, 17, 2), "30");
    EXPECT_EQ(s.Attr(31, 17), 0x0A);
    EXPECT_EQ(s.Find("Enter day to play")->second, 19);
    Expect(door, "23\r", "Already played that day!");
    EXPECT_EQ(s.Find("Already played that day!")->first, 28);
    EXPECT_EQ(s.Find("Already played that day!")->second, 20);
    // After two seconds the calendar is drawn again and takes another day.
    ASSERT_TRUE(door.WaitFor([&] { return !s.Contains("Already played"); }, 5000)) << door.Describe();
    Expect(door, "25\r", "[R]edraw  [S]cores  [H]elp  [Q]uit");
    Expect(door, "Q", "Really quit? (Y/N)");
    Expect(door, "Y", "GAME COMPLETE!");
    BackToMenu(door);
    std::string log = door.ReadFile("pmchplay.dat");
    ASSERT_EQ(log.size(), 3u * 64);
    const auto last = records::DecodePlayRecord(reinterpret_cast<const uint8_t*>(log.data()) + 128);
    EXPECT_EQ(last.PlayerName, "Ann");
    EXPECT_EQ(last.DatePlayed, common::EncodeDate(2025, 6, 25));
    // Today is still open on the menu.
    EXPECT_FALSE(s.Contains("(COMPLETED)"));
    QuitWithCode(door, 0);
}

TEST(StandingsDoor, CalendarRefusesLaterDaysOnThe20thAndLeavesOnZero) {
    DoorProcess door(Caller("Ann", "2025-06-20 10:00:00"));
    ToMenu(door);
    Expect(door, "C", "Enter day to play (1-30)");
    auto& s = door.Screen();
    EXPECT_EQ(s.Attr(56, 13), 0x08);  // the 21st
    Expect(door, "21\r", "Advance play available after the 20th!");
    EXPECT_EQ(s.Find("Advance play available after the 20th!")->first, 21);
    ASSERT_TRUE(door.WaitFor([&] { return !s.Contains("Advance play"); }, 5000)) << door.Describe();
    door.WaitQuiet(150);
    BackToMenu(door, "0\r");
    EXPECT_FALSE(door.FileExists("pmchplay.dat"));
    QuitWithCode(door, 0);
}

TEST(StandingsDoor, DailyWinnersAndMonthlyChampionsFromTheLog) {
    DoorProcess door(Caller("Ann", "2025-09-13 10:00:00",
                            {{"Ann", 2025, 9, 1, 180}, {"Bob", 2025, 9, 1, 150},
                             {"Bob", 2025, 9, 2, 200}, {"Cy", 2025, 9, 3, 170},
                             {"Ann", 2025, 9, 3, 170}, {"Dee", 2025, 9, 3, 170}}));
    ToMenu(door);
    Expect(door, "d", "=== DAILY WINNERS FOR September 2025 ===");
    auto& s = door.Screen();
    EXPECT_EQ(s.Text(5, 6, 31), " 9/ 1  Ann                  180") << door.Describe();
    EXPECT_EQ(s.Attr(12, 6), 0x1E);
    EXPECT_EQ(s.Text(5, 7, 29), " 9/ 2  DAY NOT PLAYED        ");
    EXPECT_EQ(s.Text(5, 8, 31), " 9/ 3  3 players tied       170");
    EXPECT_EQ(s.Attr(12, 8), 0x0F);
    BackToMenu(door);
    Expect(door, "m", "=== MONTHLY CHAMPIONS ===");
    // Equal totals keep their order of first appearance here.
    EXPECT_EQ(s.Text(10, 8, 46), " 1.   Ann                       350          2") << door.Describe();
    EXPECT_EQ(s.Text(10, 9, 46), " 2.   Bob                       350          2");
    EXPECT_EQ(s.Attr(10, 8), 0x1E);
    EXPECT_EQ(s.Attr(10, 9), 0x07);
    EXPECT_EQ(s.Text(10, 10, 46), " 3.   Cy                        170          1");
    EXPECT_EQ(s.Text(10, 11, 46), " 4.   Dee                       170          1");
    BackToMenu(door);
    QuitWithCode(door, 0);
}

TEST(StandingsDoor, ViewSingleDayShowsScoresOnlyForAPlayedDay) {
    DoorProcess door(Caller("Ann", "2025-09-13 10:00:00",
                            {{"Bob", 2025, 9, 2, 200}, {"Ann", 2025, 9, 3, 90}, {"Cy", 2025, 9, 3, 170}}));
    ToMenu(door);
    auto& s = door.Screen();
    Expect(door, "v", "Enter day to view (1-31): ");
    Expect(door, "2\r", "You must play this day first to view scores!");
    EXPECT_FALSE(s.Contains("Bob"));
    BackToMenu(door);
    Expect(door, "v", "Enter day to view (1-31): ");
    Expect(door, "3\r", "=== SCORES FOR Sep 03, 2025 ===");
    EXPECT_EQ(s.Text(25, 9, 30), " 1.   Cy                   170") << door.Describe();
    EXPECT_EQ(s.Text(25, 10, 30), " 2.   Ann                   90");
    EXPECT_EQ(s.Attr(25, 10), 0x1E);
    BackToMenu(door);
    Expect(door, "v", "Enter day to view (1-31): ");
    Expect(door, "31\r", "Invalid day for this month!");
    ASSERT_TRUE(door.WaitFor([&] { return s.Contains("[Q]uit"); }, 5000)) << door.Describe();
    door.WaitQuiet(150);
    Expect(door, "v", "Enter day to view (1-31): ");
    BackToMenu(door, "0\r");
    QuitWithCode(door, 0);
}

TEST(StandingsDoor, AllTimeChampionsThenRecentMonthlyChampions) {
    DoorLaunch l = Caller("Ann", "2026-01-15 10:00:00",
                          {{"Ann", 2025, 12, 3, 210}, {"Bob", 2025, 12, 4, 150}, {"Ann", 2025, 11, 4, 120}});
    // No records file: the door rebuilds it from the log at start.
    l.Files.pop_back();
    DoorProcess door(l);
    ToMenu(door);
    auto& s = door.Screen();
    Expect(door, "r", "=== ALL-TIME PINMARCH CHAMPIONS ===");
    EXPECT_EQ(s.Text(7, 6, 20), "1) Ann           210") << door.Describe();
    EXPECT_EQ(s.Text(32, 6, 20), "2) Bob           150");
    EXPECT_EQ(s.Text(55, 6, 20), "3) Ann           120");
    EXPECT_EQ(s.Text(8, 12, 28), " 1. Ann            210 12-25");
    EXPECT_EQ(s.Text(8, 15, 17), " 4. --- empty ---");
    EXPECT_EQ(s.Text(44, 12, 26), " 1. Ann             330 2g");
    EXPECT_EQ(s.Text(44, 13, 26), " 2. Bob             150 1g");
    Expect(door, " ", "=== RECENT MONTHLY CHAMPIONS ===");
    EXPECT_EQ(s.Text(25, 6, 13), "December 2025") << door.Describe();
    EXPECT_EQ(s.Text(20, 7, 27), "1. Ann              210 pts");
    EXPECT_EQ(s.Text(20, 8, 27), "2. Bob              150 pts");
    EXPECT_EQ(s.Text(25, 11, 13), "November 2025");
    EXPECT_EQ(s.Text(20, 12, 27), "1. Ann              120 pts");
    EXPECT_EQ(s.Text(25, 16, 12), "October 2025");
    BackToMenu(door);
    QuitWithCode(door, 0);
}

TEST(StandingsDoor, ControlBytesOfANameNeverReachTheScreenOrTheBulletins) {
    const std::string evil = "Ev\x1b[5mil";
    DoorProcess door(Caller(evil, "2025-09-13 10:00:00", {{evil, 2025, 9, 1, 180}, {"Bob", 2025, 9, 1, 90}}));
    ToMenu(door);
    auto& s = door.Screen();
    Expect(door, "m", "=== MONTHLY CHAMPIONS ===");
    EXPECT_EQ(s.Text(10, 8, 46), " 1.   Ev?[5mil                  180          1") << door.Describe();
    EXPECT_EQ(s.Attr(16, 8), 0x1E);  // the caller's own row: the stored name is the raw one
    EXPECT_TRUE(s.AttrRun(16, 8, 20, 0x1E));  // no blink slipped in
    BackToMenu(door);
    QuitWithCode(door, 0);
    EXPECT_EQ(door.Received().find("Ev\x1b"), std::string::npos);
    const std::string asc = door.ReadFile("pmchwin.asc");
    const std::string ans = door.ReadFile("pmchwin.ans");
    EXPECT_NE(asc.find(" 1.  Ev?[5mil  "), std::string::npos) << asc;
    EXPECT_NE(ans.find(" 1.  Ev?[5mil  "), std::string::npos);
    EXPECT_EQ(ans.find("Ev\x1b"), std::string::npos);
}

TEST(StandingsDoor, BulletinsAreWrittenWhenTheCallerQuits) {
    DoorProcess door(Caller("Ann", "2025-09-13 10:00:00", {{"Ann", 2025, 9, 1, 180}, {"Bob", 2025, 8, 1, 90}}));
    ToMenu(door);
    QuitWithCode(door, 0);
    const std::string asc = door.ReadFile("pmchwin.asc");
    ASSERT_GE(asc.size(), 80u) << door.Describe();
    EXPECT_EQ(asc.substr(0, 80), " " + std::string(78, '=') + "\n");
    EXPECT_NE(asc.find("Current Month: September 2025"), std::string::npos);
    EXPECT_NE(asc.find(" 1.  Ann                             180             1"), std::string::npos) << asc;
    EXPECT_EQ(asc.find("Bob"), std::string::npos);
    const std::string ans = door.ReadFile("pmchwin.ans");
    EXPECT_EQ(ans.substr(0, 4 + 1 + 10 + 78 + 4 + 1),
              "\x1b[0m \x1b[1;37;44m" + std::string(78, ' ') + "\x1b[0m\n");
    EXPECT_TRUE(door.Errors().empty()) << door.Errors();
}

TEST(StandingsDoor, BulletinsAreStillWrittenWhenAnErrorEscapesTheMenu) {
    DoorLaunch l = Caller("Ann", "2025-09-13 10:00:00", {{"Bob", 2025, 9, 1, 120}});
    l.Files.pop_back();  // the records file is replaced by a directory below
    DoorProcess door(l);
    std::filesystem::create_directory(door.Dir() + "/pmchrec.dat");
    ToMenu(door);
    Expect(door, "p", "[R]edraw  [S]cores  [H]elp  [Q]uit");
    Expect(door, "Q", "Really quit? (Y/N)");
    // The game is recorded, then the records file cannot be updated: the error ends the door.
    door.Send("Y");
    const auto code = door.WaitExit(8000);
    ASSERT_TRUE(code.has_value()) << door.Describe();
    EXPECT_EQ(*code, 1);
    const std::string& err = door.Errors();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("pmchrec.dat"), std::string::npos) << err;
    const std::string asc = door.ReadFile("pmchwin.asc");
    EXPECT_NE(asc.find(" 1.  Bob                             120             1"), std::string::npos) << asc;
    EXPECT_NE(asc.find(" 2.  Ann                               0             1"), std::string::npos) << asc;
    EXPECT_TRUE(door.FileExists("pmchwin.ans"));
}

TEST(StandingsDoor, NoBulletinsAfterAHangup) {
    DoorProcess door(Caller("Ann", "2025-09-13 10:00:00", {{"Ann", 2025, 9, 1, 180}}));
    ToMenu(door);
    door.Hangup();
    const auto code = door.WaitExit(10000);
    ASSERT_TRUE(code.has_value()) << door.Describe();
    EXPECT_EQ(*code, 0);
    EXPECT_FALSE(door.FileExists("pmchwin.ans"));
    EXPECT_FALSE(door.FileExists("pmchwin.asc"));
}

TEST(StandingsDoor, ABulletinThatCannotBeWrittenEndsTheDoorWithCodeOne) {
    DoorLaunch l = Caller("Ann", "2025-09-13 10:00:00", {{"Ann", 2025, 9, 1, 180}});
    l.Files.push_back({"pmchwin.asc", "old bulletin\n"});
    DoorProcess door(l);
    // A directory where the ANSI bulletin belongs cannot be replaced by a file.
    std::filesystem::create_directory(door.Dir() + "/pmchwin.ans");
    std::filesystem::create_directory(door.Dir() + "/pmchwin.ans/keep");
    ToMenu(door);
    QuitWithCode(door, 1);
    const std::string& err = door.Errors();
    EXPECT_NE(err.find("pmchwin.ans"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(door.ReadFile("pmchwin.asc"), "old bulletin\n");
    for (const auto& entry : std::filesystem::directory_iterator(door.Dir()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

} // namespace
} // namespace e2e
