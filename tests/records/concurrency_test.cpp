// Several nodes at once: processes appending and updating the records file at
// the same time must leave whole records, none lost, and a whole records file.
#include "records_support.h"

#include <csignal>
#include <map>
#include <set>

#include <sys/wait.h>
#include <unistd.h>

using namespace records_test;

namespace {

// Starts AWorkers child processes that run ABody(index) together once all of
// them exist; waits for them (bounded) and reports whether all exited with 0.
template <class F>
::testing::AssertionResult RunTogether(int AWorkers, F ABody, int ATimeoutMs = 90000) {
    int gate[2];
    if (::pipe(gate) != 0) return ::testing::AssertionFailure() << "pipe";
    std::vector<pid_t> pids;
    for (int w = 0; w < AWorkers; ++w) {
        const pid_t pid = ::fork();
        if (pid < 0) return ::testing::AssertionFailure() << "fork";
        if (pid == 0) {
            ::close(gate[1]);
            char c;
            while (::read(gate[0], &c, 1) < 0) {
            } // released when the parent closes its end
            int code = 0;
            try {
                code = ABody(w) ? 0 : 2;
            } catch (...) {
                code = 3;
            }
            ::_exit(code);
        }
        pids.push_back(pid);
    }
    ::close(gate[0]);
    ::close(gate[1]); // go
    const int64_t deadline = common::MonotonicMs() + ATimeoutMs;
    std::string failures;
    for (pid_t pid : pids) {
        int status = 0;
        pid_t done = 0;
        while ((done = ::waitpid(pid, &status, WNOHANG)) == 0 && common::MonotonicMs() < deadline)
            common::SleepMs(5);
        if (done == 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            failures += " timeout";
        } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            failures += " exit" + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        }
    }
    if (!failures.empty()) return ::testing::AssertionFailure() << "workers:" << failures;
    return ::testing::AssertionSuccess();
}

} // namespace

TEST_F(StoreTest, EightNodesRecordingAndUpdatingAtOnce) {
    constexpr int kNodes = 8, kPlays = 250, kPlayersPerNode = 5;
    // Node w's players are w*5 .. w*5+4; every score is distinct, and a
    // player's lifetime total grows with the player's number.
    auto player = [](int w, int k) { return w * kPlayersPerNode + k % kPlayersPerNode; };
    auto name = [](int p) { return "Node player " + std::to_string(p); };
    auto score = [&](int w, int k) { return 10000 * player(w, k) + k; };
    auto date = [](int k) { return D(2025, 1 + k % 12, 1 + k % 28); };

    ASSERT_TRUE(RunTogether(kNodes, [&](int w) {
        TDailyTracker t;
        for (int k = 0; k < kPlays; ++k) {
            t.RecordPlay(name(player(w, k)), date(k), score(w, k), 10);
            t.UpdateAllTimeRecords(name(player(w, k)), date(k), score(w, k));
        }
        return true;
    }));

    ASSERT_EQ(std::filesystem::file_size(records::PLAY_LOG_FILE_NAME), 64u * kNodes * kPlays);
    const auto log = ReadLog();
    // Every play present and intact, each node's plays in its own order.
    std::map<int, std::vector<TDailyPlayRecord>> byNode;
    for (const auto& r : log)
        byNode[r.Score / 10000 / kPlayersPerNode].push_back(r);
    ASSERT_EQ(byNode.size(), static_cast<std::size_t>(kNodes));
    for (int w = 0; w < kNodes; ++w) {
        ASSERT_EQ(byNode[w].size(), static_cast<std::size_t>(kPlays)) << w;
        for (int k = 0; k < kPlays; ++k)
            ASSERT_EQ(byNode[w][k],
                      (TDailyPlayRecord{name(player(w, k)), date(k), score(w, k), 10}));
    }

    ASSERT_EQ(std::filesystem::file_size(records::ALL_TIME_FILE_NAME), 1200u);
    const TAllTimeRecord updated = ReadRecordsFile();
    const TAllTimeRecord rebuilt = LiteralRebuild(log);
    EXPECT_EQ(updated.HighestDayPlayer, rebuilt.HighestDayPlayer);
    EXPECT_EQ(updated.HighestDayScore, rebuilt.HighestDayScore);
    EXPECT_EQ(updated.HighestDayDate, rebuilt.HighestDayDate);
    EXPECT_EQ(updated.SecondDayPlayer, rebuilt.SecondDayPlayer);
    EXPECT_EQ(updated.SecondDayScore, rebuilt.SecondDayScore);
    EXPECT_EQ(updated.ThirdDayPlayer, rebuilt.ThirdDayPlayer);
    EXPECT_EQ(updated.ThirdDayScore, rebuilt.ThirdDayScore);
    EXPECT_EQ(updated.HighestDayScore, 10000 * 39 + 249);
    // Lifetime totals are all distinct, so no update was lost there either.
    EXPECT_EQ(updated.TopLifetimePlayers, rebuilt.TopLifetimePlayers);
    EXPECT_EQ(updated.TopLifetimeTotals, rebuilt.TopLifetimeTotals);
    EXPECT_EQ(updated.TopLifetimeGames, rebuilt.TopLifetimeGames);
    // Every monthly entry holds its player's true total for that month.
    TDailyTracker t;
    for (int i = 0; i < 10; ++i) {
        const TDateTime m = updated.TopMonthlyDates[i];
        EXPECT_EQ(updated.TopMonthlyScores[i],
                  t.GetPlayerMonthlyTotal(updated.TopMonthlyPlayers[i], common::MonthOf(m),
                                          common::YearOf(m)));
        if (i > 0) {
            EXPECT_GE(updated.TopMonthlyScores[i - 1], updated.TopMonthlyScores[i]);
        }
    }
}

TEST_F(StoreTest, ConcurrentAppendsCutATrailingPartialRecordOnce) {
    const TDateTime d = D(2025, 9, 13);
    WriteBytes(records::PLAY_LOG_FILE_NAME, Bytes({"Old", d, 1, 10}) + std::string(37, '\x7f'));
    ASSERT_TRUE(RunTogether(4, [&](int w) {
        TDailyTracker t;
        for (int k = 0; k < 100; ++k)
            t.RecordPlay("W" + std::to_string(w), d, k, 10);
        return true;
    }));
    ASSERT_EQ(std::filesystem::file_size(records::PLAY_LOG_FILE_NAME), 64u * 401);
    const auto log = ReadLog();
    EXPECT_EQ(log[0], (TDailyPlayRecord{"Old", d, 1, 10}));
    std::map<std::string, std::vector<int>> scores;
    for (std::size_t i = 1; i < log.size(); ++i) {
        EXPECT_EQ(log[i].DatePlayed, d);
        scores[log[i].PlayerName].push_back(log[i].Score);
    }
    ASSERT_EQ(scores.size(), 4u);
    std::vector<int> want(100);
    for (int k = 0; k < 100; ++k)
        want[k] = k;
    for (const auto& [who, s] : scores)
        EXPECT_EQ(s, want) << who;
}

TEST_F(StoreTest, ReadersNeverSeeARecordBeingWritten) {
    // Writers append records whose score always equals their frame count times
    // 7; readers check the invariant over everything they can see, while other
    // nodes update the records file at the same time.
    const TDateTime d = D(2025, 9, 13);
    ASSERT_TRUE(RunTogether(4, [&](int w) {
        TDailyTracker t;
        if (w < 2) {
            for (int k = 1; k <= 300; ++k)
                t.RecordPlay("Writer", d, 7 * k, k);
            return true;
        }
        if (w == 2) {
            for (int k = 0; k < 100; ++k)
                t.UpdateAllTimeRecords("Writer", d, 7 * k);
            return true;
        }
        for (int k = 0; k < 300; ++k) {
            int32_t pins = 0, games = 0;
            t.GetPlayerTotalPins("Writer", pins, games);
            const auto plays = records::ReadDayPlays(records::PLAY_LOG_FILE_NAME, d, 100000);
            for (const auto& p : plays)
                if (p.PlayerName != "Writer" || p.Score % 7 != 0 || p.Score == 0) return false;
            if (pins % 7 != 0 || static_cast<std::size_t>(games) > 600) return false;
        }
        return true;
    }));
    EXPECT_EQ(ReadLog().size(), 600u);
    EXPECT_EQ(std::filesystem::file_size(records::ALL_TIME_FILE_NAME), 1200u);
}
