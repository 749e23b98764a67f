// A full disk and a read-only directory. The door is started with a file-size limit
// (RLIMIT_FSIZE, set in its process before the start: a file cannot grow past it, as when the
// disk fills), or in a directory it may not write to (run as user 65534 when the tests run as
// root). The play log, the records file and the bulletins each fail in turn; every time the
// door must end within a bounded time with exit code 1 and exactly one line on its local
// console naming the file and the reason, must not be killed by a signal, and must leave every
// file it did not finish writing byte for byte as it was (the log gains only the whole record
// of a game that was written), with no temporary file left behind.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/datetime.h"
#include "e2e/door_process.h"
#include "e2e/hardening_support.h"
#include "e2e/play_support.h"
#include "game/cardgame.h"
#include "records/dailyplay.h"

namespace e2e {
namespace {

using hardening::DecodeLog;
using hardening::DirectoryContents;
using Files = std::map<std::string, std::string>;

const char* const kToday = "2025-09-23 10:00:00";
constexpr double kTodayDate = 45923.0;
constexpr double kSep1 = 45901.0;
const char* const kCaller = "Dora";
// The door's end after a failure: the line, then the channel closed. Bounded well above it.
constexpr int kExitWithinMs = 8000;

// Nine callers of this month: bulletins of about 1.5 KB.
std::string EarlierLog() {
    std::vector<records::TDailyPlayRecord> games;
    const char* names[] = {"Bob", "Cy", "Ann", "Eve", "Gus", "Hal", "Ida", "Jo", "Kim"};
    for (int i = 0; i < 9; ++i) games.push_back({names[i], kSep1 + i % 3, 60 + 17 * i, 10});
    games.push_back({"Bob", kSep1 + 2, 95, 10});
    return hardening::EncodeLog(games);
}

// Data files of a board that has seen a few games: log, matching records, bulletins.
Files BoardFiles() {
    const std::string log = EarlierLog();
    return {{"kegora.cfg", "24680\n"},
            {"pmchplay.dat", log},
            {"pmchrec.dat", hardening::RebuiltRecords(log)},
            {"pmchwin.ans", "\x1b[1;37mAugust's champions: Bob\x1b[0m\r\n"},
            {"pmchwin.asc", "August's champions: Bob\r\n"}};
}

DoorLaunch Launch(const Files& AFiles) {
    DoorLaunch l;
    l.LaunchMode = DoorLaunch::Mode::kDropFile;
    l.FakeTime = kToday;
    l.Files = {{"DOOR32.SYS", hardening::Door32(kCaller)}};
    for (const auto& [name, contents] : AFiles) l.Files.push_back({name, contents});
    return l;
}

std::string StoppedLine(const std::string& AReason) { return std::string("Pinmarch: stopped: ") + AReason + "\n"; }

// The door's end after a failure: exit code 1 in bounded time, the one line and nothing else
// on its console.
void ExpectStopped(DoorProcess& ADoor, const std::string& AReason) {
    const long long lastKeyMs = ADoor.ElapsedMs();
    const auto code = ADoor.WaitExit(kExitWithinMs);
    ASSERT_TRUE(code.has_value()) << "the door did not end\n" << ADoor.Describe();
    std::printf("[ stopped ] %lld ms after the last key\n", ADoor.ElapsedMs() - lastKeyMs);
    EXPECT_EQ(*code, 1) << "(128 + n is death by signal n)\n" << ADoor.Describe();
    EXPECT_EQ(ADoor.Errors(), StoppedLine(AReason));
    EXPECT_EQ(ADoor.Console(), "");
}

// The same files with the same contents; differences are named, not dumped.
::testing::AssertionResult SameFiles(const Files& AAfter, const Files& ABefore) {
    std::string diff;
    for (const auto& [name, contents] : ABefore) {
        if (!AAfter.count(name)) diff += " " + name + " removed;";
        else if (AAfter.at(name) != contents) diff += " " + name + " changed;";
    }
    for (const auto& [name, contents] : AAfter)
        if (!ABefore.count(name)) diff += " " + name + " added;";
    if (diff.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "files:" << diff;
}

// Everything but the log as it was, and the log as it was plus at most the caller's one game.
void ExpectFilesKept(DoorProcess& ADoor, const Files& ABefore, bool AGameLogged) {
    Files after = DirectoryContents(ADoor.Dir());
    const std::string oldLog = ABefore.count("pmchplay.dat") ? ABefore.at("pmchplay.dat") : "";
    const std::string newLog = after.count("pmchplay.dat") ? after["pmchplay.dat"] : "";
    if (AGameLogged) {
        ASSERT_EQ(newLog.size(), oldLog.size() + 64);
        EXPECT_EQ(newLog.substr(0, oldLog.size()), oldLog);
        const auto game = DecodeLog(newLog.substr(oldLog.size()))[0];
        EXPECT_EQ(game.Player, kCaller);
        EXPECT_EQ(game.Date, kTodayDate);
        EXPECT_EQ(game.Score, 0);
        after["pmchplay.dat"] = oldLog;
        if (oldLog.empty() && !ABefore.count("pmchplay.dat")) after.erase("pmchplay.dat");
    }
    EXPECT_TRUE(SameFiles(after, ABefore));
}

// From the start to the last miss of today's game (a game of misses scores 0).
void PlayToTheEnd(DoorProcess& ADoor) {
    ASSERT_TRUE(hardening::ToMenu(ADoor));
    ADoor.Send("p");
    ASSERT_TRUE(ADoor.WaitForText("Current Card:")) << ADoor.Describe();
    ADoor.Send(std::string(hardening::kMissesPerGame, ' '));
}

// ---- A full disk ------------------------------------------------------------------------------

TEST(FullDisk, LogThatCannotGrowStopsTheDoorAndKeepsEveryFile) {
    const Files files = BoardFiles();
    DoorLaunch l = Launch(files);
    l.FileSizeLimit = files.at("pmchplay.dat").size();  // the log is already at the limit
    Files before;
    l.Prepare = [&](const std::string& ADir) { before = DirectoryContents(ADir); };
    DoorProcess door(l);
    PlayToTheEnd(door);
    ExpectStopped(door, "cannot use \"pmchplay.dat\": File too large");
    EXPECT_FALSE(door.Screen().Contains("GAME COMPLETE!"));
    ExpectFilesKept(door, before, false);
}

TEST(FullDisk, RecordsFileThatCannotBeWrittenStopsTheDoorAfterTheGameIsLogged) {
    const Files files = BoardFiles();
    DoorLaunch l = Launch(files);
    // The log's append (640 + 64 bytes) fits; the 1200-byte records file does not.
    l.FileSizeLimit = 1000;
    Files before;
    l.Prepare = [&](const std::string& ADir) { before = DirectoryContents(ADir); };
    DoorProcess door(l);
    PlayToTheEnd(door);
    ExpectStopped(door, "cannot use \"pmchrec.dat\": File too large");
    ExpectFilesKept(door, before, true);
}

TEST(FullDisk, BulletinsThatCannotBeWrittenStopTheDoorAfterTheGameIsRecorded) {
    const Files files = BoardFiles();
    DoorLaunch l = Launch(files);
    // The records file (1200 bytes) fits; the bulletins (about 1.5 KB) do not.
    l.FileSizeLimit = 1250;
    Files before;
    l.Prepare = [&](const std::string& ADir) { before = DirectoryContents(ADir); };
    DoorProcess door(l);
    PlayToTheEnd(door);
    ASSERT_TRUE(door.WaitForText("GAME COMPLETE!", 10000)) << door.Describe();
    door.Send(" ");
    ASSERT_TRUE(door.WaitForText("(COMPLETED)")) << door.Describe();
    door.WaitQuiet(100);
    door.Send("q");
    ExpectStopped(door, "cannot write the bulletin \"pmchwin.ans\": File too large");

    const Files after = DirectoryContents(door.Dir());
    const std::string log = after.at("pmchplay.dat");
    const std::optional<std::string> expectedRec =
        hardening::RecordsFromStore(log, files.at("pmchrec.dat"), [](records::TDailyTracker& t) {
            t.UpdateAllTimeRecords(kCaller, kTodayDate, 0);
        });
    EXPECT_EQ(after.at("pmchrec.dat"), expectedRec.value_or("")) << "the records file is not the updated one";
    Files rest = after;
    rest["pmchrec.dat"] = before.at("pmchrec.dat");
    // Log: the old one and the game; bulletins and everything else untouched.
    ASSERT_EQ(log.size(), before.at("pmchplay.dat").size() + 64);
    rest["pmchplay.dat"] = log.substr(0, before.at("pmchplay.dat").size());
    EXPECT_TRUE(SameFiles(rest, before));
}

// ---- A read-only directory ----------------------------------------------------------------------

// A launch as user 65534 in a directory it may read but not write; AWritable names files it
// may still write.
DoorLaunch ReadOnlyLaunch(const Files& AFiles, std::vector<std::string> AWritable, Files& ABefore) {
    DoorLaunch l = Launch(AFiles);
    l.Unprivileged = true;
    l.Prepare = [&ABefore, AWritable](const std::string& ADir) {
        for (const auto& entry : std::filesystem::directory_iterator(ADir)) chmod(entry.path().c_str(), 0644);
        for (const auto& name : AWritable) chmod((ADir + "/" + name).c_str(), 0666);
        chmod(ADir.c_str(), 0555);
        ABefore = DirectoryContents(ADir);
    };
    return l;
}

#define SKIP_UNLESS_UNPRIVILEGED()                                                         \
    if (!CanRunUnprivileged()) GTEST_SKIP() << "cannot run the door as user 65534 here"

TEST(ReadOnlyDirectory, NewBoardDealsTheCardsOfId12345AndLeavesNoFileBehind) {
    SKIP_UNLESS_UNPRIVILEGED();
    // Neither "kegora.cfg" nor any data file: the id cannot be stored, so 12345 is used.
    Files before;
    DoorProcess door(ReadOnlyLaunch({}, {}, before));
    ASSERT_TRUE(hardening::ToMenu(door));
    door.Send("p");
    ASSERT_TRUE(door.WaitForText("Current Card:")) << door.Describe();
    door.WaitQuiet(150);
    play::Player player(game::DailySeedFor(common::EncodeDate(2025, 9, 23), game::FALLBACK_BBS_ID));
    // The first card and the next six (each miss deals one; four misses end the frame).
    for (int card = 0; card < 7; ++card) {
        ASSERT_EQ(play::CurrentCardOnScreen(door.Screen()), play::CardPicture(player.Engine().CurrentCard()))
            << "card " << card << "\n" << door.Describe();
        ASSERT_TRUE(player.Engine().PlaceMiss());
        door.Send(" ");
        door.WaitQuiet(150);
    }
    door.Send("q");
    ASSERT_TRUE(door.WaitForText("Really quit? (Y/N)")) << door.Describe();
    door.Send("y");
    ExpectStopped(door, "cannot use \"pmchplay.dat\": Permission denied");
    EXPECT_TRUE(SameFiles(DirectoryContents(door.Dir()), before));
}

TEST(ReadOnlyDirectory, RecordsFileThatCannotBeReplacedStopsTheDoorAfterTheGameIsLogged) {
    SKIP_UNLESS_UNPRIVILEGED();
    Files before;
    DoorProcess door(ReadOnlyLaunch(BoardFiles(), {"pmchplay.dat"}, before));
    PlayToTheEnd(door);
    ExpectStopped(door, "cannot use \"pmchrec.dat\": Permission denied");
    ExpectFilesKept(door, before, true);
}

TEST(ReadOnlyDirectory, BulletinsThatCannotBeWrittenStopTheDoorAtTheEnd) {
    SKIP_UNLESS_UNPRIVILEGED();
    Files before;
    DoorProcess door(ReadOnlyLaunch(BoardFiles(), {"pmchplay.dat"}, before));
    ASSERT_TRUE(hardening::ToMenu(door));
    door.Send("q");
    ExpectStopped(door, "cannot write the bulletin \"pmchwin.ans\": Permission denied");
    ExpectFilesKept(door, before, false);
}

}  // namespace
}  // namespace e2e
