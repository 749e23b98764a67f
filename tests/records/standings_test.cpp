// Standings computed from the log: daily winners and tie texts, ranked monthly
// totals with the caller's capacity, per-player totals, best scores per day,
// and the one-pass month queries checked against the per-day ones.
#include "records_support.h"

#include "records/exchangerank.h"

#include <limits>
#include <random>
#include <span>
#include <stdexcept>

using namespace records_test;

namespace {

std::pair<std::string, int32_t> Winner(const TDailyTracker& t, TDateTime d) {
    std::string who = "unset";
    int32_t score = -99;
    t.GetDailyWinner(d, who, score);
    return {who, score};
}

using Entry = TPlayerMonthlyTotal;

std::vector<Entry> Totals(const TDailyTracker& t, int m, int y, std::size_t capacity,
                          int32_t& count) {
    std::vector<Entry> totals(capacity, Entry{"junk", 7, 7});
    t.GetMonthlyTotals(m, y, totals, count);
    return totals;
}

} // namespace

// ---- Daily winner -------------------------------------------------------------------

TEST_F(StoreTest, TieTextsCountEveryRecordAtTheTopAndAHigherScoreEndsThem) {
    TDailyTracker t;
    const TDateTime d = D(2025, 9, 13);
    t.RecordPlay("Other", d + 1, 999, 10); // another day never counts
    t.RecordPlay("Ann", d, 150, 10);
    EXPECT_EQ(Winner(t, d), std::make_pair(std::string("Ann"), 150));
    t.RecordPlay("Bob", d, 170, 10);
    t.RecordPlay("Cy", d + 0.5, 170, 10);
    EXPECT_EQ(Winner(t, d), std::make_pair(std::string("2 players tied"), 170));
    t.RecordPlay("Di", d, 160, 10); // lower: no change
    EXPECT_EQ(Winner(t, d), std::make_pair(std::string("2 players tied"), 170));
    t.RecordPlay("Ed", d, 170, 10);
    EXPECT_EQ(Winner(t, d), std::make_pair(std::string("3 players tied"), 170));
    t.RecordPlay("Flo", d, 171, 10);
    EXPECT_EQ(Winner(t, d), std::make_pair(std::string("Flo"), 171));
    for (int i = 0; i < 10; ++i)
        t.RecordPlay("G" + std::to_string(i), d, 171, 10);
    EXPECT_EQ(Winner(t, d), std::make_pair(std::string("11 players tied"), 171));
}

TEST_F(StoreTest, WinnerOfAnEmptyDayIsNobody) {
    TDailyTracker t;
    EXPECT_EQ(Winner(t, D(2025, 9, 13)), std::make_pair(std::string("Nobody"), 0));
    t.RecordPlay("Ann", D(2025, 9, 12), 100, 10);
    EXPECT_EQ(Winner(t, D(2025, 9, 13)), std::make_pair(std::string("Nobody"), 0));
}

TEST_F(StoreTest, OnlyRecordWithZeroScoreStillWins) {
    TDailyTracker t;
    t.RecordPlay("Zed", D(2025, 9, 13), 0, 2);
    EXPECT_EQ(Winner(t, D(2025, 9, 13)), std::make_pair(std::string("Zed"), 0));
}

// ---- Monthly totals --------------------------------------------------------------------

TEST_F(StoreTest, EqualTotalsFollowTheExchangeProcedure) {
    TDailyTracker t;
    // First appearances A 10, B 20, C 20, D 30.
    WriteLog({{"A", D(2025, 9, 1), 10, 10},
              {"B", D(2025, 9, 2), 20, 10},
              {"C", D(2025, 9, 3), 20, 10},
              {"D", D(2025, 9, 4), 30, 10}});
    int32_t count = -1;
    auto totals = Totals(t, 9, 2025, 100, count);
    ASSERT_EQ(count, 4);
    EXPECT_EQ(totals[0], (Entry{"D", 30, 1}));
    EXPECT_EQ(totals[1], (Entry{"C", 20, 1}));
    EXPECT_EQ(totals[2], (Entry{"B", 20, 1}));
    EXPECT_EQ(totals[3], (Entry{"A", 10, 1}));
    for (std::size_t i = 4; i < totals.size(); ++i)
        ASSERT_EQ(totals[i], Entry{}) << i;

    WriteLog(
        {{"A", D(2025, 9, 1), 10, 10}, {"B", D(2025, 9, 2), 20, 10}, {"C", D(2025, 9, 3), 20, 10}});
    totals = Totals(t, 9, 2025, 100, count);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(totals[0].PlayerName, "B");
    EXPECT_EQ(totals[1].PlayerName, "C");
    EXPECT_EQ(totals[2].PlayerName, "A");
}

TEST_F(StoreTest, MonthlyTotalsSumPerPlayerAndKeepCaseApart) {
    TDailyTracker t;
    WriteLog({{"Ann", D(2025, 9, 1), 100, 10},
              {"ann", D(2025, 9, 1), 50, 10},
              {"Ann", D(2025, 9, 30) + 0.9, 120, 10},
              {"Ann", D(2025, 10, 1), 500, 10},   // next month
              {"Ann", D(2024, 9, 15), 500, 10},   // same month, other year
              {"Ann", D(2025, 8, 31), 500, 10}}); // previous month
    int32_t count = 0;
    auto totals = Totals(t, 9, 2025, 100, count);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(totals[0], (Entry{"Ann", 220, 2}));
    EXPECT_EQ(totals[1], (Entry{"ann", 50, 1}));
    EXPECT_EQ(t.GetPlayerMonthlyTotal("Ann", 9, 2025), 220);
    EXPECT_EQ(t.GetPlayerMonthlyTotal("ann", 9, 2025), 50);
    EXPECT_EQ(t.GetPlayerMonthlyTotal("ANN", 9, 2025), 0);
    EXPECT_EQ(t.GetPlayerMonthlyTotal("Ann", 10, 2025), 500);
    int32_t pins = 0, games = 0;
    t.GetPlayerTotalPins("Ann", pins, games);
    EXPECT_EQ(pins, 1720);
    EXPECT_EQ(games, 5);
}

TEST_F(StoreTest, FullArrayDropsPlayersFirstSeenLater) {
    TDailyTracker t;
    WriteLog({{"P1", D(2025, 9, 1), 10, 10},
              {"P2", D(2025, 9, 1), 20, 10},
              {"P3", D(2025, 9, 2), 300, 10},
              {"P1", D(2025, 9, 3), 5, 10}});
    int32_t count = 0;
    auto totals = Totals(t, 9, 2025, 2, count);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(totals[0], (Entry{"P2", 20, 1}));
    EXPECT_EQ(totals[1], (Entry{"P1", 15, 2})); // still counted after the array filled
    totals = Totals(t, 9, 2025, 0, count);
    EXPECT_EQ(count, 0);
}

TEST_F(StoreTest, MonthlyTotalsWithoutLogOrForAnImpossibleMonth) {
    TDailyTracker t;
    int32_t count = -1;
    auto totals = Totals(t, 9, 2025, 5, count);
    EXPECT_EQ(count, 0);
    for (const auto& e : totals)
        EXPECT_EQ(e, Entry{});
    WriteLog({{"Ann", D(2025, 9, 1), 100, 10}});
    totals = Totals(t, 13, 2025, 5, count);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(t.GetPlayerMonthlyTotal("Ann", 0, 2025), 0);
    int32_t pins = -1, games = -1;
    t.GetPlayerTotalPins("Nobody", pins, games);
    EXPECT_EQ(pins, 0);
    EXPECT_EQ(games, 0);
}

// ---- Best score per day ---------------------------------------------------------------

TEST_F(StoreTest, DailyScoresOfLeapFebruary) {
    TDailyTracker t;
    WriteLog({{"A", D(2024, 2, 29), 120, 10},
              {"B", D(2024, 2, 29) + 0.3, 180, 10},
              {"C", D(2024, 2, 29), 150, 10},
              {"A", D(2024, 2, 1), -5, 10},
              {"A", D(2024, 3, 1), 299, 10}});
    std::unique_ptr<records::TDailyScoresList> list;
    t.GetDailyScoresForMonth(2, 2024, list);
    ASSERT_TRUE(list);
    ASSERT_EQ(list->size(), 29u);
    EXPECT_EQ((*list)[0], std::make_pair(std::string("02-01-2024"), 0));
    EXPECT_EQ((*list)[28], std::make_pair(std::string("02-29-2024"), 180));
    for (int d = 2; d <= 28; ++d)
        EXPECT_EQ((*list)[d - 1].second, 0) << d;

    // A list the caller passes is emptied first.
    records::TDailyScoresList mine{{"junk", 1}};
    t.GetDailyScoresForMonth(2, 2025, mine);
    ASSERT_EQ(mine.size(), 28u);
    EXPECT_EQ(mine[27].first, "02-28-2025");
    auto owned = std::make_unique<records::TDailyScoresList>(records::TDailyScoresList{{"x", 2}});
    auto* same = owned.get();
    t.GetDailyScoresForMonth(3, 2024, owned);
    EXPECT_EQ(owned.get(), same);
    ASSERT_EQ(owned->size(), 31u);
    EXPECT_EQ((*owned)[0].second, 299);
}

TEST_F(StoreTest, InvalidMonthIsRejectedBeforeTheLogIsRead) {
    std::filesystem::create_directory(records::PLAY_LOG_FILE_NAME); // reading it would fail
    TDailyTracker t;
    records::TDailyScoresList list;
    std::unique_ptr<records::TDailyScoresList> none;
    EXPECT_THROW(t.GetDailyScoresForMonth(13, 2025, list), std::invalid_argument);
    EXPECT_THROW(t.GetDailyScoresForMonth(0, 2025, none), std::invalid_argument);
    EXPECT_FALSE(none);
    EXPECT_THROW(t.GetDailyScoresForMonth(1, 0, list), std::invalid_argument);
    EXPECT_THROW(t.GetDailyWinnersForMonth(13, 2025), std::invalid_argument);
    EXPECT_THROW(t.GetPlayedDaysOfMonth("A", -1, 2025), std::invalid_argument);
}

TEST_F(StoreTest, DailyScoresWithoutLogAreAllZero) {
    TDailyTracker t;
    records::TDailyScoresList list;
    t.GetDailyScoresForMonth(4, 2025, list);
    ASSERT_EQ(list.size(), 30u);
    for (const auto& e : list)
        EXPECT_EQ(e.second, 0);
    EXPECT_EQ(list[29].first, "04-30-2025");
    EXPECT_FALSE(Exists(records::PLAY_LOG_FILE_NAME));
}

// ---- The ranking procedure -----------------------------------------------------------------

TEST(ExchangeRank, TheTwoDocumentedOrders) {
    std::vector<std::pair<char, int>> v{{'A', 10}, {'B', 20}, {'C', 20}, {'D', 30}};
    records::ExchangeRank(std::span(v), [](const auto& e) { return e.second; });
    EXPECT_EQ((std::string{v[0].first, v[1].first, v[2].first, v[3].first}), "DCBA");
    std::vector<std::pair<char, int>> w{{'A', 10}, {'B', 20}, {'C', 20}};
    records::ExchangeRank(std::span(w), [](const auto& e) { return e.second; });
    EXPECT_EQ((std::string{w[0].first, w[1].first, w[2].first}), "BCA");
}

TEST(ExchangeRank, FirstTenPlacesEqualTheFullProcedureOnRandomData) {
    std::mt19937 rng(20250913);
    for (int round = 0; round < 400; ++round) {
        const int n = static_cast<int>(rng() % 300);
        const int spread = 1 + static_cast<int>(rng() % 40); // few values: many ties
        std::vector<std::pair<int, int>> items;              // (identity, key)
        for (int i = 0; i < n; ++i)
            items.push_back({i, static_cast<int>(rng() % spread)});
        auto full = items, cut = items;
        LiteralExchange(full, [](const auto& e) { return e.second; });
        records::ExchangeRank(
            std::span(cut), [](const auto& e) { return e.second; }, 10);
        for (int i = 0; i < n && i < 10; ++i)
            ASSERT_EQ(cut[i], full[i]) << round << " " << i;
        auto all = items;
        records::ExchangeRank(std::span(all), [](const auto& e) { return e.second; });
        ASSERT_EQ(all, full) << round;
    }
}

// ---- One-pass month queries against the per-day queries
// ------------------------------------------

TEST_F(StoreTest, OnePassMonthQueriesMatchThePerDayOnesOnRandomLogs) {
    TDailyTracker t;
    std::mt19937 rng(77);
    for (int round = 0; round < 12; ++round) {
        std::vector<TDailyPlayRecord> log;
        const int players = 3 + static_cast<int>(rng() % 12);
        const int records = static_cast<int>(rng() % 700);
        for (int i = 0; i < records; ++i) {
            const int p = static_cast<int>(rng() % players);
            const int y = 2023 + static_cast<int>(rng() % 2); // Feb 2024 is a leap month
            const int m = 1 + static_cast<int>(rng() % 3);
            const int d = 1 + static_cast<int>(rng() % common::DaysInMonth(y, m));
            const double frac = (rng() % 4) * 0.25;
            const int score = static_cast<int>(rng() % 6) * 10 + (rng() % 10 == 0 ? 0 : 100);
            log.push_back({"p" + std::to_string(p), D(y, m, d) + frac, score, 10});
        }
        WriteLog(log);
        for (int y = 2023; y <= 2024; ++y) {
            for (int m = 1; m <= 3; ++m) {
                const auto winners = t.GetDailyWinnersForMonth(m, y);
                const int days = common::DaysInMonth(y, m);
                ASSERT_EQ(static_cast<int>(winners.size()), days);
                for (int d = 1; d <= days; ++d) {
                    const auto w = Winner(t, D(y, m, d));
                    ASSERT_EQ(winners[d - 1].Player, w.first) << y << "-" << m << "-" << d;
                    ASSERT_EQ(winners[d - 1].Score, w.second);
                }
                for (int p = 0; p < players; ++p) {
                    const std::string name = "p" + std::to_string(p);
                    const auto played = t.GetPlayedDaysOfMonth(name, m, y);
                    ASSERT_EQ(static_cast<int>(played.size()), days);
                    for (int d = 1; d <= days; ++d)
                        ASSERT_EQ(played[d - 1], t.HasPlayedDate(name, D(y, m, d)));
                }
            }
        }
    }
}

TEST_F(StoreTest, MonthlyTotalsMatchTheLiteralProcedureOnRandomLogs) {
    TDailyTracker t;
    std::mt19937 rng(4242);
    for (int round = 0; round < 20; ++round) {
        std::vector<TDailyPlayRecord> log;
        const int players = 2 + static_cast<int>(rng() % 30);
        const int records = static_cast<int>(rng() % 500);
        for (int i = 0; i < records; ++i) {
            const int p = static_cast<int>(rng() % players);
            const int m = 5 + static_cast<int>(rng() % 2);
            log.push_back({"n" + std::to_string(p), D(2025, m, 1 + static_cast<int>(rng() % 30)),
                           static_cast<int>(rng() % 4) * 50, 10});
        }
        WriteLog(log);
        const std::size_t capacity = 1 + rng() % 25;
        // Reference: linear search in first-appearance order, the literal exchange.
        std::vector<Entry> ref;
        for (const auto& r : log) {
            if (common::MonthOf(r.DatePlayed) != 5) continue;
            bool found = false;
            for (auto& e : ref)
                if (e.PlayerName == r.PlayerName) {
                    e.TotalScore += r.Score;
                    ++e.DaysPlayed;
                    found = true;
                    break;
                }
            if (!found && ref.size() < capacity) ref.push_back({r.PlayerName, r.Score, 1});
        }
        LiteralExchange(ref, [](const Entry& e) { return e.TotalScore; });
        int32_t count = 0;
        const auto totals = Totals(t, 5, 2025, capacity, count);
        ASSERT_EQ(count, static_cast<int32_t>(ref.size()));
        for (std::size_t i = 0; i < ref.size(); ++i)
            ASSERT_EQ(totals[i], ref[i]) << round << " " << i;
        for (std::size_t i = ref.size(); i < capacity; ++i)
            ASSERT_EQ(totals[i], Entry{});
    }
}

// ---- Bytes that carry no meaning, and very large sums ------------------------------------------

TEST_F(StoreTest, BytesAfterTheNameNeverSplitAPlayer) {
    const TDateTime d = D(2025, 7, 4);
    std::string a = Bytes({"Ann", d, 100, 10});
    std::string b = Bytes({"Ann", d + 1, 50, 10});
    for (int i = 4; i < 48; ++i)
        b[i] = static_cast<char>(0xA5 ^ i); // leftovers of a longer name
    std::string c = Bytes({std::string(40, 'W'), d, 7, 10});
    c[0] = static_cast<char>(99); // a length byte beyond 40 reads as 40
    WriteBytes(records::PLAY_LOG_FILE_NAME, a + b + c);
    TDailyTracker t;
    int32_t count = 0;
    auto totals = Totals(t, 7, 2025, 10, count);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(totals[0], (Entry{"Ann", 150, 2}));
    EXPECT_EQ(totals[1], (Entry{std::string(40, 'W'), 7, 1}));
    EXPECT_TRUE(t.GetPlayedDaysOfMonth("Ann", 7, 2025)[4]);
    EXPECT_EQ(t.GetPlayerMonthlyTotal(std::string(40, 'W'), 7, 2025), 7);
    t.RebuildAllTimeRecords();
    const TAllTimeRecord r = ReadRecordsFile();
    EXPECT_EQ(r.TopLifetimePlayers[0], "Ann");
    EXPECT_EQ(r.TopLifetimeGames[0], 2);
    EXPECT_EQ(r.TopMonthlyScores[0], 150);
    EXPECT_EQ(r.TopLifetimePlayers[1], std::string(40, 'W'));
}

TEST_F(StoreTest, SumsBeyondThe32BitRangeSaturate) {
    const TDateTime d = D(2025, 7, 4);
    WriteLog({{"Max", d, 2000000000, 10},
              {"Max", d + 1, 2000000000, 10},
              {"Min", d, -2000000000, 10},
              {"Min", d + 2, -2000000000, 10}});
    TDailyTracker t;
    int32_t pins = 0, games = 0;
    t.GetPlayerTotalPins("Max", pins, games);
    EXPECT_EQ(pins, std::numeric_limits<int32_t>::max());
    EXPECT_EQ(games, 2);
    t.GetPlayerTotalPins("Min", pins, games);
    EXPECT_EQ(pins, std::numeric_limits<int32_t>::min());
    EXPECT_EQ(t.GetPlayerMonthlyTotal("Max", 7, 2025), std::numeric_limits<int32_t>::max());
    int32_t count = 0;
    auto totals = Totals(t, 7, 2025, 10, count);
    EXPECT_EQ(totals[0], (Entry{"Max", std::numeric_limits<int32_t>::max(), 2}));
    t.RebuildAllTimeRecords();
    EXPECT_EQ(ReadRecordsFile().TopMonthlyScores[0], std::numeric_limits<int32_t>::max());
    EXPECT_EQ(ReadRecordsFile().TopLifetimeTotals[0], std::numeric_limits<int32_t>::max());
}
