// Many nodes on one board: eight doors started at once in one data directory, each for its
// own caller (a DOOR32.SYS per node), each playing today's game to its end by keys. The last
// move of every game is held back until all eight are there and then sent to all at once,
// so the nodes append to one play log and update one records file at the same moment. Afterwards
// the log holds exactly the eight games, each with the score its caller's moves make in the
// game library, and the records file is what a rebuild from that log makes.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <latch>
#include <fstream>
#include <optional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "common/datetime.h"
#include "e2e/door_process.h"
#include "e2e/hardening_support.h"
#include "e2e/play_support.h"
#include "game/cardgame.h"
#include "records/dailyplay.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

const char* const kToday = "2025-09-23 10:00:00";
constexpr double kTodayDate = 45923.0;
constexpr int32_t kBbsId = 24680;
constexpr int kNodes = 8;

struct Caller {
    std::string Name;
    std::string Keys;      // the game from the first card up to the last move
    std::string LastMove;  // the keys of the move that ends the game
    int32_t Score = 0;
    int32_t Frames = 0;
};

// Eight callers who play today's cards differently: each takes a forced miss at its own
// rhythm, so the scores differ. Their keys and scores come from the game library.
std::vector<Caller> Callers() {
    const int32_t seed = game::DailySeedFor(kTodayDate, kBbsId);
    std::vector<Caller> callers;
    std::set<int32_t> scores;
    for (int style = 0; style < 60 && static_cast<int>(callers.size()) < kNodes; ++style) {
        play::Player player(seed, style == 0 ? 0 : style + 1);
        std::string keys, last;
        for (int moves = 0; !player.Engine().GameOver() && moves < 500; ++moves) {
            keys += last;
            last = player.NextMove();
        }
        if (!player.Engine().GameOver()) continue;
        const int32_t score = player.Engine().TotalScore();
        if (score <= 0 || !scores.insert(score).second) continue;  // distinct, non-zero scores
        callers.push_back({"Node" + std::to_string(callers.size() + 1) + " Caller", keys, last, score,
                           player.Engine().CurrentFrame()});
    }
    return callers;
}

// One node's whole session: intro, menu, the game by keys, the result, the menu, quit. The
// last move of the game waits for AAtLastMove (called exactly once on every path), so that
// all nodes write the log and the records file at the same moment.
std::string PlayOneNode(DoorProcess& ADoor, const Caller& ACaller, const std::function<void()>& AAtLastMove) {
    constexpr int kWait = 30000;  // eight doors on a busy machine
    bool arrived = false;
    auto fail = [&](const std::string& AWhy) {
        if (!arrived) AAtLastMove();
        return AWhy;
    };
    if (auto r = hardening::ToMenu(ADoor, kWait); !r) return fail(r.message());
    ADoor.Send("p");
    if (!ADoor.WaitForText("Current Card:", kWait)) return fail("no game screen\n" + ADoor.Describe());
    ADoor.WaitQuiet(100, kWait);
    if (ADoor.Send(ACaller.Keys) != ACaller.Keys.size()) return fail("keys not taken\n" + ADoor.Describe());
    ADoor.WaitQuiet(200, kWait);
    arrived = true;
    AAtLastMove();
    ADoor.Send(ACaller.LastMove);
    if (!ADoor.WaitForText("GAME COMPLETE!", kWait)) return "no result box\n" + ADoor.Describe();
    ADoor.WaitQuiet(100, kWait);
    char expected[32];
    std::snprintf(expected, sizeof expected, "Final Score: %3d", ACaller.Score);
    if (!ADoor.Screen().Contains(expected)) return std::string("expected ") + expected + "\n" + ADoor.Describe();
    ADoor.Send(" ");
    if (!ADoor.WaitForText("(COMPLETED)", kWait)) return "no menu after the game\n" + ADoor.Describe();
    ADoor.WaitQuiet(100, kWait);
    ADoor.Send("q");
    const auto code = ADoor.WaitExit(kWait);
    if (code != std::optional<int>(0)) return "exit " + std::to_string(code.value_or(-1)) + "\n" + ADoor.Describe();
    return "";
}

TEST(ManyNodes, EightDoorsPlayAtOnceAndEveryGameAndRecordIsKept) {
    const std::vector<Caller> callers = Callers();
    ASSERT_EQ(static_cast<int>(callers.size()), kNodes) << "not enough different scores on this day";

    char pattern[] = "/tmp/pinmarch-nodes-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string dir = pattern;
    struct Cleanup {
        std::string Dir;
        ~Cleanup() {
            std::error_code ec;
            if (std::getenv("PINMARCH_E2E_KEEP") == nullptr) fs::remove_all(Dir, ec);
        }
    } cleanup{dir};
    { std::ofstream(dir + "/kegora.cfg") << kBbsId << "\n"; }

    std::vector<std::unique_ptr<DoorProcess>> doors;
    const auto start = std::chrono::steady_clock::now();
    for (int n = 0; n < kNodes; ++n) {
        const std::string node = "node" + std::to_string(n + 1);
        fs::create_directory(dir + "/" + node);
        DoorLaunch l;
        l.LaunchMode = DoorLaunch::Mode::kDropFile;
        l.Node = n + 1;
        l.FakeTime = kToday;
        l.SharedDir = dir;
        l.DropFileName = node + "/DOOR32.SYS";
        l.Files = {{l.DropFileName, hardening::Door32(callers[static_cast<size_t>(n)].Name)}};
        doors.push_back(std::make_unique<DoorProcess>(l));
    }
    std::vector<std::string> failures(kNodes);
    std::latch atLastMove(kNodes);
    std::vector<std::thread> threads;
    for (int n = 0; n < kNodes; ++n)
        threads.emplace_back([&, n] {
            failures[static_cast<size_t>(n)] = PlayOneNode(*doors[static_cast<size_t>(n)], callers[static_cast<size_t>(n)],
                                                           [&] { atLastMove.arrive_and_wait(); });
        });
    for (auto& t : threads) t.join();
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    for (int n = 0; n < kNodes; ++n)
        EXPECT_EQ(failures[static_cast<size_t>(n)], "") << "node " << n + 1;
    std::printf("[ nodes ] %d doors from start to the last exit: %lld ms\n", kNodes, static_cast<long long>(ms));
    RecordProperty("milliseconds", static_cast<int>(ms));

    // The log: the eight games, whole, each once with its caller's score.
    const auto files = hardening::DirectoryContents(dir);
    ASSERT_TRUE(files.count("pmchplay.dat"));
    const std::string log = files.at("pmchplay.dat");
    ASSERT_TRUE(hardening::LogIsWhole(log));
    const auto games = hardening::DecodeLog(log);
    ASSERT_EQ(static_cast<int>(games.size()), kNodes);
    for (const Caller& c : callers) {
        int found = 0;
        for (const auto& g : games)
            if (g.Player == c.Name) {
                ++found;
                EXPECT_EQ(g.Score, c.Score) << c.Name;
                EXPECT_EQ(g.Frames, c.Frames) << c.Name;
                EXPECT_EQ(g.Date, kTodayDate) << c.Name;
            }
        EXPECT_EQ(found, 1) << c.Name;
    }

    // The records file: what a rebuild from the log makes (the scores differ, so the order of
    // every table is fixed and the two must agree entry for entry).
    ASSERT_TRUE(files.count("pmchrec.dat"));
    ASSERT_EQ(files.at("pmchrec.dat").size(), records::ALL_TIME_RECORD_SIZE);
    const std::string rebuilt = hardening::RebuiltRecords(log);
    ASSERT_EQ(rebuilt.size(), records::ALL_TIME_RECORD_SIZE);
    const auto rec = records::DecodeAllTimeRecord(reinterpret_cast<const uint8_t*>(files.at("pmchrec.dat").data()));
    const auto want = records::DecodeAllTimeRecord(reinterpret_cast<const uint8_t*>(rebuilt.data()));
    EXPECT_EQ(rec.HighestDayPlayer, want.HighestDayPlayer);
    EXPECT_EQ(rec.HighestDayScore, want.HighestDayScore);
    EXPECT_EQ(rec.HighestDayDate, want.HighestDayDate);
    EXPECT_EQ(rec.SecondDayPlayer, want.SecondDayPlayer);
    EXPECT_EQ(rec.SecondDayScore, want.SecondDayScore);
    EXPECT_EQ(rec.ThirdDayPlayer, want.ThirdDayPlayer);
    EXPECT_EQ(rec.ThirdDayScore, want.ThirdDayScore);
    EXPECT_EQ(rec.TopMonthlyPlayers, want.TopMonthlyPlayers);
    EXPECT_EQ(rec.TopMonthlyScores, want.TopMonthlyScores);
    EXPECT_EQ(rec.TopMonthlyDates, want.TopMonthlyDates);
    EXPECT_EQ(rec.TopLifetimePlayers, want.TopLifetimePlayers);
    EXPECT_EQ(rec.TopLifetimeTotals, want.TopLifetimeTotals);
    EXPECT_EQ(rec.TopLifetimeGames, want.TopLifetimeGames);
    EXPECT_TRUE(rec == want);

    // Nothing else left behind: no temporary file of any node, the id file untouched.
    std::set<std::string> names;
    for (const auto& [name, contents] : files) names.insert(name);
    EXPECT_EQ(names, (std::set<std::string>{"intro.ans", "kegora.cfg", "pmchplay.dat", "pmchrec.dat",
                                            "pmchwin.ans", "pmchwin.asc"}));
    EXPECT_EQ(files.at("kegora.cfg"), std::to_string(kBbsId) + "\n");
}

}  // namespace
}  // namespace e2e
