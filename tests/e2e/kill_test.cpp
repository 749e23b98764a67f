// Crashes while games finish: a series of sessions, each a new caller who plays today's game
// by misses and quits, and most of them killed with SIGKILL at a random moment, many of them
// within a few milliseconds of the last key of the game or of the quit, when the door writes
// the play log, the records file and the bulletins. After every session the files must be
// whole: the log whole records with every game that reached its result box present once and
// nothing else added; "pmchrec.dat" one whole record, either the one before the session or
// exactly the one the update makes from that log; each bulletin either the file before the
// session or exactly what a clean session writes from the same data.
//
// The random moments come from a fixed seed (printed with every failure), so a failure can be
// replayed; PINMARCH_KILL_SEED chooses another seed and PINMARCH_KILL_SESSIONS the count.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <thread>

#include "e2e/door_process.h"
#include "e2e/hardening_support.h"
#include "records/dailyplay.h"

namespace e2e {
namespace {

using hardening::DecodeLog;
using hardening::LogIsWhole;

const char* const kToday = "2025-09-23 10:00:00";
constexpr double kTodayDate = 45923.0;

struct Files {
    std::optional<std::string> Log, Rec, Ans, Asc;
};

std::optional<std::string> Read(DoorProcess& ADoor, const char* AName) {
    if (!ADoor.FileExists(AName)) return std::nullopt;
    return ADoor.ReadFile(AName);
}

Files ReadAll(DoorProcess& ADoor) {
    return {Read(ADoor, "pmchplay.dat"), Read(ADoor, "pmchrec.dat"), Read(ADoor, "pmchwin.ans"),
            Read(ADoor, "pmchwin.asc")};
}

std::string Door32(const std::string& AAlias) {
    return "2\r\n{SOCKET}\r\n38400\r\nPinmarch Test BBS\r\n7\r\n" + AAlias + " Real\r\n" + AAlias +
           "\r\n20\r\n60\r\n1\r\n1\r\n";
}

DoorLaunch Launch(const std::string& AAlias, const Files& AFiles) {
    DoorLaunch l;
    l.LaunchMode = DoorLaunch::Mode::kDropFile;
    l.FakeTime = kToday;
    l.Files = {{"kegora.cfg", "24680\n"}, {"DOOR32.SYS", Door32(AAlias)}};
    if (AFiles.Log) l.Files.push_back({"pmchplay.dat", *AFiles.Log});
    if (AFiles.Rec) l.Files.push_back({"pmchrec.dat", *AFiles.Rec});
    if (AFiles.Ans) l.Files.push_back({"pmchwin.ans", *AFiles.Ans});
    if (AFiles.Asc) l.Files.push_back({"pmchwin.asc", *AFiles.Asc});
    return l;
}

// Runs the store in a scratch directory holding ALog and ARec: with a player, the update
// after that player's game of today (score 0); without one, the start-up rebuild. Gives the
// records file then there.
std::optional<std::string> StoreResult(const std::optional<std::string>& ARec, const std::string& ALog,
                                       const std::optional<std::string>& APlayer) {
    namespace fs = std::filesystem;
    char pattern[] = "/tmp/pinmarch-kill-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp");
    const fs::path dir = pattern;
    auto write = [&](const char* AName, const std::string& AData) {
        std::ofstream(dir / AName, std::ios::binary) << AData;
    };
    write("pmchplay.dat", ALog);
    if (ARec) write("pmchrec.dat", *ARec);
    const fs::path back = fs::current_path();
    fs::current_path(dir);
    try {
        if (APlayer) records::TDailyTracker().UpdateAllTimeRecords(*APlayer, kTodayDate, 0);
        else records::TDailyTracker().RebuildAllTimeRecords();
    } catch (...) {
        fs::current_path(back);
        throw;
    }
    fs::current_path(back);
    std::optional<std::string> out;
    if (fs::exists(dir / "pmchrec.dat")) {
        std::ifstream in(dir / "pmchrec.dat", std::ios::binary);
        out = std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    fs::remove_all(dir);
    return out;
}

enum class KillAt { kAfterLastMiss, kAfterQuit, kAnyMoment, kNever };

TEST(KilledWhileGamesFinish, FilesAreAlwaysWholeOldOrNew) {
    const char* seedText = std::getenv("PINMARCH_KILL_SEED");
    const unsigned seed = seedText ? static_cast<unsigned>(std::strtoul(seedText, nullptr, 10)) : 20250923u;
    const char* countText = std::getenv("PINMARCH_KILL_SESSIONS");
    const int sessions = countText ? std::atoi(countText) : 32;
    std::mt19937 rng(seed);
    Files state;
    int finishedGames = 0, kills = 0;

    for (int i = 0; i < sessions; ++i) {
        const std::string player = "Player" + std::to_string(i);
        const auto how = static_cast<KillAt>(rng() % 4);
        const int delayMs = static_cast<int>(rng() % (how == KillAt::kAnyMoment ? 2500 : 12));
        SCOPED_TRACE("seed " + std::to_string(seed) + ", session " + std::to_string(i) + ", kill mode " +
                     std::to_string(static_cast<int>(how)) + ", delay " + std::to_string(delayMs) + " ms");
        const Files before = state;
        bool resultSeen = false;
        DoorProcess door(Launch(player, state));
        if (how == KillAt::kAnyMoment) {
            door.Pump(delayMs);
        } else {
            ASSERT_TRUE(hardening::ToMenu(door));
            door.Send("p");
            ASSERT_TRUE(door.WaitForText("Current Card:")) << door.Describe();
            door.Send(std::string(hardening::kMissesPerGame - 1, ' '));
            ASSERT_TRUE(door.WaitForText("Frame 10")) << door.Describe();
            door.WaitQuiet(60);
            door.Send(" ");
            if (how == KillAt::kAfterLastMiss) {
                std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
            } else {
                ASSERT_TRUE(door.WaitForText("GAME COMPLETE!")) << door.Describe();
                door.Send(" ");
                ASSERT_TRUE(door.WaitForText("(COMPLETED)")) << door.Describe();
                door.WaitQuiet(60);
                door.Send("q");
                if (how == KillAt::kAfterQuit) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
            }
        }
        if (how != KillAt::kNever) {
            door.Pump(0);
            resultSeen = door.Screen().Contains("GAME COMPLETE!") || door.Received().find("GAME COMPLETE!") != std::string::npos;
            if (door.Running()) {
                kill(door.Pid(), SIGKILL);
                ++kills;
            }
        }
        const auto code = door.WaitExit(8000);
        ASSERT_TRUE(code.has_value()) << door.Describe();
        if (how == KillAt::kNever) {
            EXPECT_EQ(*code, 0) << door.Describe();
            resultSeen = true;
        }
        state = ReadAll(door);

        // The log: the earlier games unchanged, this caller's game at most once, and surely
        // once when the result box was shown.
        const std::string oldLog = before.Log.value_or("");
        const std::string log = state.Log.value_or("");
        ASSERT_TRUE(LogIsWhole(log));
        ASSERT_EQ(log.substr(0, oldLog.size()), oldLog);
        ASSERT_LE(log.size(), oldLog.size() + 64);
        const bool recorded = log.size() == oldLog.size() + 64;
        if (recorded) {
            const auto game = DecodeLog(log.substr(oldLog.size()))[0];
            EXPECT_EQ(game.Player, player);
            EXPECT_EQ(game.Date, kTodayDate);
            ++finishedGames;
        }
        if (resultSeen) {
            ASSERT_TRUE(recorded) << "a game that reached its result box is missing";
        }

        // The records file: the one before (or, when there was none beside a log, the one the
        // start-up rebuilds), or the update of that from this log.
        const std::optional<std::string> atStart =
            before.Rec || !before.Log ? before.Rec : StoreResult(std::nullopt, oldLog, std::nullopt);
        if (state.Rec) {
            ASSERT_EQ(state.Rec->size(), 1200u);
            if (state.Rec != before.Rec && state.Rec != atStart) {
                ASSERT_TRUE(recorded) << "records file changed without a recorded game";
                EXPECT_EQ(state.Rec, StoreResult(atStart, log, player)) << "records file is neither old nor new";
            }
        } else {
            ASSERT_FALSE(before.Rec.has_value()) << "records file removed";
        }

        // The bulletins: the ones before, or what a clean session writes from the same files.
        if (state.Ans != before.Ans || state.Asc != before.Asc) {
            DoorProcess clean(Launch("Checker", state));
            ASSERT_TRUE(hardening::ToMenu(clean));
            clean.Send("q");
            ASSERT_EQ(clean.WaitExit(8000), std::optional<int>(0)) << clean.Describe();
            const Files fresh = ReadAll(clean);
            if (state.Ans != before.Ans) {
                EXPECT_EQ(state.Ans, fresh.Ans) << "ANSI bulletin is neither old nor new";
            }
            if (state.Asc != before.Asc) {
                EXPECT_EQ(state.Asc, fresh.Asc) << "plain bulletin is neither old nor new";
            }
        }
    }
    std::printf("[ kills ] %d sessions, %d killed, %d games recorded\n", sessions, kills, finishedGames);
    EXPECT_GT(kills, sessions / 3);
    EXPECT_GT(finishedGames, sessions / 3);
}

}  // namespace
}  // namespace e2e
