// Hang-ups at every kind of moment. A session is driven to one point (the intro, the menu,
// each phase of a frame, the game's help, the quit prompt, the result box, the screens of the
// menu) and then the caller goes: over a socket our end is closed; in standard-I/O mode the
// door gets SIGHUP, or its standard input ends. Every time the door must end with exit code 0 within 4 s, record nothing
// for a game that was not finished (a finished one exactly once), write no bulletins, and
// leave the play log as whole records and the records file as one whole record.
#include <gtest/gtest.h>

#include <signal.h>

#include <array>
#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "e2e/door_process.h"
#include "e2e/hardening_support.h"
#include "records/dailyplay.h"

namespace e2e {
namespace {

using hardening::DecodeLog;
using hardening::LogIsWhole;

const char* const kToday = "2025-09-23 10:00:00";
constexpr double kSep1 = 45901.0;  // 2025-09-01

// Games of earlier days already in the log, and a records file that matches them.
std::string EarlierLog() {
    std::string log;
    const records::TDailyPlayRecord games[] = {
        {"Bob", kSep1, 120, 10}, {"Cy", kSep1 + 1, 150, 11}, {"Bob", kSep1 + 2, 95, 10}};
    for (const auto& g : games) {
        const auto bytes = records::EncodePlayRecord(g);
        log.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    return log;
}

std::string EarlierRecords() {
    records::TAllTimeRecord r;
    r.HighestDayPlayer = "Cy";
    r.HighestDayScore = 150;
    r.HighestDayDate = kSep1 + 1;
    r.SecondDayPlayer = "Bob";
    r.SecondDayScore = 120;
    r.SecondDayDate = kSep1;
    r.ThirdDayPlayer = "Bob";
    r.ThirdDayScore = 95;
    r.ThirdDayDate = kSep1 + 2;
    r.TopMonthlyPlayers[0] = "Bob";
    r.TopMonthlyScores[0] = 215;
    r.TopMonthlyDates[0] = kSep1;
    r.TopMonthlyPlayers[1] = "Cy";
    r.TopMonthlyScores[1] = 150;
    r.TopMonthlyDates[1] = kSep1;
    r.TopLifetimePlayers[0] = "Bob";
    r.TopLifetimeTotals[0] = 215;
    r.TopLifetimeGames[0] = 2;
    r.TopLifetimePlayers[1] = "Cy";
    r.TopLifetimeTotals[1] = 150;
    r.TopLifetimeGames[1] = 1;
    const auto bytes = records::EncodeAllTimeRecord(r);
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

using Reach = std::function<::testing::AssertionResult(DoorProcess&)>;

::testing::AssertionResult Keys(DoorProcess& ADoor, const std::string& AKeys, const std::string& AText) {
    ADoor.Send(AKeys);
    if (!ADoor.WaitForText(AText, 8000))
        return ::testing::AssertionFailure() << "waiting for \"" << AText << "\"\n" << ADoor.Describe();
    ADoor.WaitQuiet(100, 5000);
    return ::testing::AssertionSuccess();
}

// A screen of the menu: the menu's prompt is gone and the output has settled.
::testing::AssertionResult MenuScreen(DoorProcess& ADoor, const std::string& AKey) {
    if (auto r = hardening::ToMenu(ADoor); !r) return r;
    ADoor.Send(AKey);
    if (!ADoor.WaitFor([&] { return !ADoor.Screen().Contains("Your choice: "); }, 8000))
        return ::testing::AssertionFailure() << "menu key " << AKey << " opened nothing\n" << ADoor.Describe();
    ADoor.WaitQuiet(150, 5000);
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult InGame(DoorProcess& ADoor, const std::string& AKeys = "", const std::string& AText = "") {
    if (auto r = hardening::ToMenu(ADoor); !r) return r;
    if (auto r = Keys(ADoor, "p", "Current Card:"); !r) return r;
    if (AKeys.empty()) return ::testing::AssertionSuccess();
    // Keys one by one, each after the screen has settled, so the cut finds the phase reached.
    for (size_t i = 0; i + 1 < AKeys.size(); ++i) {
        ADoor.Send(AKeys.substr(i, 1));
        ADoor.WaitQuiet(40, 5000);
    }
    return Keys(ADoor, AKeys.substr(AKeys.size() - 1), AText);
}

std::string Misses(int ACount) { return std::string(static_cast<size_t>(ACount), ' '); }

struct CutPoint {
    const char* Name;
    Reach Go;
    bool GameFinished;  // the cut comes after the game has been recorded
};

const std::vector<CutPoint>& CutPoints() {
    static const std::vector<CutPoint> points = {
        {"WhileTheIntroIsSent", [](DoorProcess& d) {
             return d.WaitFor([&] { return !d.Received().empty(); }, 8000)
                        ? ::testing::AssertionSuccess()
                        : ::testing::AssertionFailure() << d.Describe();
         }, false},
        {"BeforeTheIntroKey", [](DoorProcess& d) {
             return d.WaitForText("...Press any key to continue...", 8000)
                        ? ::testing::AssertionSuccess()
                        : ::testing::AssertionFailure() << d.Describe();
         }, false},
        {"AtTheMenu", [](DoorProcess& d) { return hardening::ToMenu(d); }, false},
        {"InTheInstructions", [](DoorProcess& d) { return MenuScreen(d, "i"); }, false},
        {"InTheAboutBox", [](DoorProcess& d) { return MenuScreen(d, "a"); }, false},
        {"FirstCardOfTheGame", [](DoorProcess& d) { return InGame(d); }, false},
        {"AfterACursorMove", [](DoorProcess& d) { return InGame(d, "8", "Current Card:"); }, false},
        {"AfterACardIsPlaced", [](DoorProcess& d) { return InGame(d, "5", "Current Card:"); }, false},
        {"BallOneAfterAMiss", [](DoorProcess& d) { return InGame(d, Misses(1), "Current Card:"); }, false},
        {"BallTwoBegun", [](DoorProcess& d) { return InGame(d, Misses(2), "Current Card:"); }, false},
        {"BallTwoAfterAMiss", [](DoorProcess& d) { return InGame(d, Misses(3), "Current Card:"); }, false},
        {"SecondFrameBegun", [](DoorProcess& d) { return InGame(d, Misses(4), "Frame 2"); }, false},
        {"TenthFrameBallOne", [](DoorProcess& d) { return InGame(d, Misses(36), "Frame 10"); }, false},
        {"TenthFrameBallTwo", [](DoorProcess& d) { return InGame(d, Misses(38), "Frame 10"); }, false},
        {"InTheGamesHelp", [](DoorProcess& d) {
             if (auto r = InGame(d); !r) return r;
             d.Send("h");
             if (!d.WaitFor([&] { return !d.Screen().Contains("Current Card:"); }, 8000))
                 return ::testing::AssertionFailure() << "no help\n" << d.Describe();
             d.WaitQuiet(150, 5000);
             return ::testing::AssertionSuccess();
         }, false},
        {"AtTheQuitPrompt", [](DoorProcess& d) { return InGame(d, "q", "Really quit? (Y/N)"); }, false},
        {"AfterTheQuitIsDeclined", [](DoorProcess& d) {
             if (auto r = InGame(d, "q", "Really quit? (Y/N)"); !r) return r;
             d.Send("n");
             if (!d.WaitFor([&] { return !d.Screen().Contains("Really quit?"); }, 8000))
                 return ::testing::AssertionFailure() << d.Describe();
             d.WaitQuiet(100, 5000);
             return ::testing::AssertionSuccess();
         }, false},
        {"OnTheResultBoxAfterAQuit", [](DoorProcess& d) {
             if (auto r = InGame(d, "q", "Really quit? (Y/N)"); !r) return r;
             return Keys(d, "y", "GAME COMPLETE!");
         }, true},
        {"OnTheResultBox", [](DoorProcess& d) { return InGame(d, Misses(40), "GAME COMPLETE!"); }, true},
        {"AtTheMenuAfterAGame", [](DoorProcess& d) {
             if (auto r = InGame(d, Misses(40), "GAME COMPLETE!"); !r) return r;
             return Keys(d, " ", "(COMPLETED)");
         }, true},
        {"InTheCalendar", [](DoorProcess& d) {
             if (auto r = hardening::ToMenu(d); !r) return r;
             return Keys(d, "c", "Enter day to play");
         }, false},
        {"TypingADayInTheCalendar", [](DoorProcess& d) {
             if (auto r = hardening::ToMenu(d); !r) return r;
             if (auto r = Keys(d, "c", "Enter day to play"); !r) return r;
             d.Send("1");
             d.WaitQuiet(150, 5000);
             return ::testing::AssertionSuccess();
         }, false},
        {"InAMakeUpGameFromTheCalendar", [](DoorProcess& d) {
             if (auto r = hardening::ToMenu(d); !r) return r;
             if (auto r = Keys(d, "c", "Enter day to play"); !r) return r;
             if (auto r = Keys(d, "2\r", "Current Card:"); !r) return r;
             return Keys(d, "  ", "Current Card:");
         }, false},
        {"InTheDailyWinners", [](DoorProcess& d) { return MenuScreen(d, "d"); }, false},
        {"InTheMonthlyChampions", [](DoorProcess& d) { return MenuScreen(d, "m"); }, false},
        {"InTheRecentAndAllTimeChampions", [](DoorProcess& d) { return MenuScreen(d, "r"); }, false},
        {"AtTheViewDayPrompt", [](DoorProcess& d) {
             if (auto r = hardening::ToMenu(d); !r) return r;
             return Keys(d, "v", "Enter day to view");
         }, false},
        {"ViewingADay", [](DoorProcess& d) {
             if (auto r = hardening::ToMenu(d); !r) return r;
             if (auto r = Keys(d, "v", "Enter day to view"); !r) return r;
             return Keys(d, "1\r", "Press any key to continue...");
         }, false},
    };
    return points;
}

enum class Cut { kSocketClosed, kSigHup, kInputEnded };

struct Case {
    size_t Point;
    Cut How;
};

class HangUp : public ::testing::TestWithParam<Case> {};

TEST_P(HangUp, EndsCleanlyAndKeepsTheFilesWhole) {
    const CutPoint& point = CutPoints()[GetParam().Point];
    const bool socket = GetParam().How == Cut::kSocketClosed;
    const std::string log = EarlierLog();
    const std::string rec = EarlierRecords();
    DoorLaunch l;
    l.LaunchMode = socket ? DoorLaunch::Mode::kSocket : DoorLaunch::Mode::kStdIO;
    l.FakeTime = kToday;
    l.Files = {{"kegora.cfg", "24680\n"}, {"pmchplay.dat", log}, {"pmchrec.dat", rec}};
    DoorProcess door(l);
    ASSERT_TRUE(point.Go(door));

    if (GetParam().How == Cut::kSigHup) {
        ASSERT_EQ(kill(door.Pid(), SIGHUP), 0);
    } else {
        door.Hangup();  // our end of the socket, or of the door's standard input
    }
    const long long from = door.ElapsedMs();
    const auto code = door.WaitExit(6000);
    ASSERT_TRUE(code.has_value()) << "still running 6 s after the hang-up\n" << door.Describe();
    EXPECT_EQ(*code, 0) << door.Describe();
    const long long took = door.ElapsedMs() - from;
    EXPECT_LT(took, 4000);
    std::printf("[ hang-up ] ended %lld ms after the cut\n", took);

    const std::string logAfter = door.ReadFile("pmchplay.dat");
    EXPECT_TRUE(LogIsWhole(logAfter.substr(std::min(logAfter.size(), log.size()))));
    EXPECT_EQ(logAfter.size() % 64, 0u);
    EXPECT_EQ(logAfter.substr(0, log.size()), log) << "earlier games changed";
    if (point.GameFinished) {
        ASSERT_EQ(logAfter.size(), log.size() + 64) << "the finished game is recorded once";
        const auto game = DecodeLog(logAfter.substr(log.size()))[0];
        EXPECT_EQ(game.Date, 45923.0);  // 2025-09-23
    } else {
        EXPECT_EQ(logAfter, log) << "an unfinished game left a record";
    }
    const std::string recAfter = door.ReadFile("pmchrec.dat");
    EXPECT_EQ(recAfter.size(), 1200u);
    if (!point.GameFinished) {
        EXPECT_EQ(recAfter, rec);
    }
    EXPECT_FALSE(door.FileExists("pmchwin.ans"));
    EXPECT_FALSE(door.FileExists("pmchwin.asc"));
}

std::vector<Case> AllCases() {
    std::vector<Case> cases;
    for (Cut how : {Cut::kSocketClosed, Cut::kSigHup})
        for (size_t i = 0; i < CutPoints().size(); ++i) cases.push_back({i, how});
    // An ended standard input is the same loss as SIGHUP: a few points of each kind of wait.
    const std::set<std::string> few = {"WhileTheIntroIsSent", "BeforeTheIntroKey", "AtTheMenu",
                                       "AfterACardIsPlaced", "AtTheQuitPrompt", "TypingADayInTheCalendar",
                                       "InTheRecentAndAllTimeChampions"};
    for (size_t i = 0; i < CutPoints().size(); ++i)
        if (few.count(CutPoints()[i].Name)) cases.push_back({i, Cut::kInputEnded});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(AtEveryPoint, HangUp, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<Case>& AInfo) {
                             const Cut how = AInfo.param.How;
                             return std::string(CutPoints()[AInfo.param.Point].Name) +
                                    (how == Cut::kSocketClosed ? "_SocketClosed"
                                     : how == Cut::kSigHup     ? "_SigHup"
                                                               : "_InputEnded");
                         });

}  // namespace
}  // namespace e2e
