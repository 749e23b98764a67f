// The play-record store: queries and all-time records against literal versions of their
// procedures on random logs; file layouts and damage; make-up days; nodes writing at once.
#include "records/dailyplay.h"

#include "common/seams.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <random>

using namespace records;
using common::EncodeDate;
using TLog = std::vector<TDailyPlayRecord>;

namespace {

struct Store : ::testing::Test {
    support::ScratchDir Dir{true}; // the current directory while the test runs
};

std::string Bytes(const TLog& ALog) {
    std::string out;
    for (const TDailyPlayRecord& r : ALog)
        out.append(reinterpret_cast<const char*>(EncodePlayRecord(r).data()), PLAY_RECORD_SIZE);
    return out;
}
std::string Bytes(const TAllTimeRecord& ARecord) {
    const TAllTimeRecordBytes b = EncodeAllTimeRecord(ARecord);
    return {b.begin(), b.end()};
}

// ---- The procedures as written, over a log in memory:
std::string Key(TDateTime ADate) {
    return common::FormatDateTime("mm/dd/yyyy", ADate);
}
TDateTime FirstOfMonth(TDateTime ADate) {
    return EncodeDate(common::YearOf(ADate), common::MonthOf(ADate), 1);
}

// Totals per key in order of first appearance (records whose key is "" left out, and new
// keys once there are ACap), ranked by the exchange procedure, highest first.
struct TSum {
    std::string Key;
    int32_t Total, Count;
    TDailyPlayRecord First;
};
std::vector<TSum> Sums(const TLog& ALog, std::function<std::string(const TDailyPlayRecord&)> AKey,
                       size_t ACap = SIZE_MAX) {
    std::vector<TSum> t;
    for (const TDailyPlayRecord& r : ALog) {
        const std::string key = AKey(r);
        auto it = std::find_if(t.begin(), t.end(), [&](const TSum& s) { return s.Key == key; });
        if (!key.empty() && it != t.end()) it->Total += r.Score, it->Count++;
        if (!key.empty() && it == t.end() && t.size() < ACap) t.push_back({key, r.Score, 1, r});
    }
    for (size_t i = 0; i + 1 < t.size(); ++i)
        for (size_t j = i + 1; j < t.size(); ++j)
            if (t[i].Total < t[j].Total) std::swap(t[i], t[j]);
    return t;
}
// A player's total and games, in one month or in all.
std::pair<int32_t, int32_t> PlayerSum(const TLog& ALog, const std::string& AName,
                                      TDateTime AMonth = 0) {
    const auto s = Sums(ALog, [&](auto& r) {
        const bool month = !AMonth || FirstOfMonth(r.DatePlayed) == AMonth;
        return r.PlayerName == AName && month ? "x" : "";
    });
    return s.empty() ? std::make_pair(0, 0) : std::make_pair(s[0].Total, s[0].Count);
}
std::pair<std::string, int32_t> Winner(const TLog& ALog, TDateTime ADate) {
    std::pair<std::string, int32_t> w{"Nobody", -1};
    int ties = 0;
    for (const TDailyPlayRecord& r : ALog) {
        if (Key(r.DatePlayed) != Key(ADate) || r.PlayerName.empty()) continue;
        if (w.second == -1 || r.Score > w.second)
            w = {r.PlayerName, r.Score}, ties = 1;
        else if (r.Score == w.second)
            w.first = std::to_string(++ties) + " players tied";
    }
    return {w.first, std::max(w.second, 0)};
}
void BestDay(TAllTimeRecord& R, const std::string& AName, int32_t AScore, TDateTime ADate) {
    using TDay = std::tuple<std::string&, int32_t&, TDateTime&>;
    TDay first{R.HighestDayPlayer, R.HighestDayScore, R.HighestDayDate};
    TDay second{R.SecondDayPlayer, R.SecondDayScore, R.SecondDayDate};
    TDay third{R.ThirdDayPlayer, R.ThirdDayScore, R.ThirdDayDate};
    const auto game = std::make_tuple(AName, AScore, ADate);
    if (AScore > R.HighestDayScore)
        third = second, second = first, first = game;
    else if (AScore > R.SecondDayScore)
        third = second, second = game;
    else if (AScore > R.ThirdDayScore)
        third = game;
}
// Table rows (name N, total T, month or games X): the row ASame picks takes the new total
// and moves up past smaller ones; a new row goes before the first empty or smaller one.
template <class TX>
void Place(std::array<std::string, 10>& N, std::array<int32_t, 10>& T, std::array<TX, 10>& X,
           const std::string& AName, std::pair<int32_t, TX> ANew, bool AKeepX,
           const std::function<bool(int)>& ASame) {
    const auto [total, x] = ANew;
    for (int i = 0; i < 10; ++i)
        if (ASame(i)) {
            T[i] = total, X[i] = AKeepX ? X[i] : x;
            for (int j = i; j >= 1 && T[j] > T[j - 1]; --j)
                N[j] = N[j - 1], T[j] = T[j - 1], X[j] = X[j - 1], N[j - 1] = AName,
                T[j - 1] = total, X[j - 1] = x;
            return;
        }
    for (int p = 0; p < 10; ++p)
        if (T[p] == 0 || T[p] < total) {
            for (int k = 9; k > p; --k)
                N[k] = N[k - 1], T[k] = T[k - 1], X[k] = X[k - 1];
            N[p] = AName, T[p] = total, X[p] = x;
            return;
        }
}
void Update(TAllTimeRecord& R, const TLog& ALog, const std::string& AName, TDateTime ADate,
            int32_t AScore) {
    BestDay(R, AName, AScore, ADate);
    const TDateTime month = FirstOfMonth(ADate);
    Place(R.TopMonthlyPlayers, R.TopMonthlyScores, R.TopMonthlyDates, AName,
          {PlayerSum(ALog, AName, month).first, month}, true, [&](int i) {
              return R.TopMonthlyPlayers[i] == AName && FirstOfMonth(R.TopMonthlyDates[i]) == month;
          });
    Place(R.TopLifetimePlayers, R.TopLifetimeTotals, R.TopLifetimeGames, AName,
          PlayerSum(ALog, AName), false, [&](int i) { return R.TopLifetimePlayers[i] == AName; });
}
TAllTimeRecord Rebuild(const TLog& ALog) {
    TAllTimeRecord R;
    for (const TDailyPlayRecord& r : ALog)
        if (r.Score > R.ThirdDayScore) BestDay(R, r.PlayerName, r.Score, r.DatePlayed);
    const auto players = Sums(ALog, [](auto& r) { return r.PlayerName; });
    const auto months =
        Sums(ALog, [](auto& r) { return r.PlayerName + Key(FirstOfMonth(r.DatePlayed)); });
    for (size_t i = 0; i < 10 && i < months.size(); ++i) {
        const TDailyPlayRecord& first = months[i].First;
        std::tie(R.TopMonthlyPlayers[i], R.TopMonthlyScores[i], R.TopMonthlyDates[i]) =
            std::make_tuple(first.PlayerName, months[i].Total, FirstOfMonth(first.DatePlayed));
    }
    for (size_t i = 0; i < 10 && i < players.size(); ++i)
        std::tie(R.TopLifetimePlayers[i], R.TopLifetimeTotals[i], R.TopLifetimeGames[i]) =
            std::tie(players[i].Key, players[i].Total, players[i].Count);
    return R;
}

std::string RecordsRead() {                          // what GetAllTimeRecords gives
    TAllTimeRecord r = Rebuild({{"junk", 1, 1, 1}}); // to be replaced
    TDailyTracker().GetAllTimeRecords(r);
    return Bytes(r);
}

// Games of January to March 2024 (and a few of 2023) by 12 players, "Ann" and "ann" among
// them; scores in steps of 10 so that totals tie, growing so that the best days change.
TLog RandomLog(std::mt19937& ARng, int ACount) {
    TLog log;
    for (int i = 0; i < ACount; ++i) {
        const int y = ARng() % 8 ? 2024 : 2023, m = 1 + ARng() % 3, p = ARng() % 12;
        log.push_back({p < 2 ? std::string(p ? "ann" : "Ann") : "Player " + std::to_string(p),
                       EncodeDate(y, m, 1 + ARng() % common::DaysInMonth(y, m)) + ARng() % 4 * 0.25,
                       static_cast<int32_t>(ARng() % (2 + i / 8)) * 10, 10});
    }
    return log;
}

// Runs ABody(w) for w = 0 to 7 in eight processes started at once; true when all succeeded.
bool Together(const std::function<void(int)>& ABody) {
    int gate[2];
    if (::pipe(gate) != 0) return false;
    std::vector<pid_t> nodes;
    for (int w = 0; w < 8; ++w)
        if (nodes.emplace_back(::fork()) == 0) {
            char c;
            ::close(gate[1]);
            (void)!::read(gate[0], &c, 1);  // returns when the gate closes
            [&]() noexcept { ABody(w); }(); // an error ends the process abnormally
            ::_exit(0);
        }
    ::close(gate[0]), ::close(gate[1]);
    int status = 0, all = 0;
    for (pid_t pid : nodes)
        all |= ::waitpid(pid, &status, 0) == pid ? status : -1;
    return all == 0;
}

} // namespace

TEST_F(Store, QueriesFollowTheirProceduresOnRandomLogs) {
    std::mt19937 rng(1899);
    const TDailyTracker t;
    const std::string names[] = {"Ann", "ann", "ANN", "Player 2"};
    for (int round = 0; round < 12; ++round) {
        const TLog log = RandomLog(rng, static_cast<int>(rng() % 300));
        std::string bytes = Bytes(log) + std::string(rng() % 64, 7); // and a torn record
        for (size_t o = 0; o + 64 <= bytes.size(); o += 64)          // junk after the names
            for (size_t i = 1 + bytes[o]; i < 48; ++i)
                bytes[o + i] = static_cast<char>(rng());
        Dir.Write(PLAY_LOG_FILE_NAME, bytes);
        for (int m = 1; m <= 3; ++m) {
            const TDateTime month = EncodeDate(2024, m, 1);
            const std::vector<TDailyWinner> winners = t.GetDailyWinnersForMonth(m, 2024);
            TDailyScoresList best;
            t.GetDailyScoresForMonth(m, 2024, best);
            std::vector<bool> played[4];
            for (int p = 0; p < 4; ++p)
                played[p] = t.GetPlayedDaysOfMonth(names[p], m, 2024);
            ASSERT_EQ(best.size(), static_cast<size_t>(common::DaysInMonth(2024, m)));
            for (int d = 1; d <= static_cast<int>(best.size()); ++d) {
                const TDateTime day = month + d - 1 + 0.5;
                TLog plays; // the day's, in file order
                std::ranges::copy_if(log, std::back_inserter(plays),
                                     [&](auto& r) { return Key(r.DatePlayed) == Key(day); });
                std::pair<std::string, int32_t> w;
                t.GetDailyWinner(day, w.first, w.second);
                ASSERT_EQ(w, Winner(plays, day)) << Key(day);
                ASSERT_EQ(std::make_pair(winners.at(d - 1).Player, winners[d - 1].Score), w);
                int32_t top = 0;
                std::vector<TDayPlay> first3;
                for (const TDailyPlayRecord& r : plays) {
                    top = std::max(top, r.Score);
                    if (first3.size() < 3) first3.push_back({r.PlayerName, r.Score});
                }
                ASSERT_EQ(best[d - 1], std::make_pair(Key(day), top));
                ASSERT_TRUE(ReadDayPlays(PLAY_LOG_FILE_NAME, day, 3) == first3);
                for (int p = 0; p < 4; ++p) {
                    const auto first =
                        std::ranges::find(plays, names[p], &TDailyPlayRecord::PlayerName);
                    const bool any = first != plays.end();
                    ASSERT_EQ(t.HasPlayedDate(names[p], day), any);
                    ASSERT_EQ(t.GetDayScore(names[p], day), any ? first->Score : 0);
                    ASSERT_EQ(played[p].at(d - 1), any);
                }
            }
            const size_t cap = 1 + rng() % 8;
            const auto sums = Sums(
                log,
                [&](auto& r) { return FirstOfMonth(r.DatePlayed) == month ? r.PlayerName : ""; },
                cap);
            std::vector<TPlayerMonthlyTotal> totals(cap, {"junk", 1, 1}), want(cap);
            for (size_t i = 0; i < sums.size(); ++i)
                want[i] = {sums[i].Key, sums[i].Total, sums[i].Count};
            int32_t count = -1;
            t.GetMonthlyTotals(m, 2024, totals, count);
            ASSERT_EQ(count, static_cast<int32_t>(sums.size()));
            ASSERT_TRUE(totals == want) << "month " << m << " of round " << round;
            ASSERT_EQ(t.GetPlayerMonthlyTotal("ann", m, 2024), PlayerSum(log, "ann", month).first);
        }
        std::pair<int32_t, int32_t> lifetime;
        t.GetPlayerTotalPins("Ann", lifetime.first, lifetime.second);
        ASSERT_EQ(lifetime, PlayerSum(log, "Ann"));
        t.RebuildAllTimeRecords();
        ASSERT_EQ(RecordsRead(), Bytes(Rebuild(log))) << "round " << round;
    }
    TLog big = RandomLog(rng, 40'000); // long enough to be read ahead by a second thread
    for (TDailyPlayRecord& r : big)    // most names alike in their first 39 bytes
        if (rng() % 8) r.PlayerName = std::string(39, 'n') + static_cast<char>('a' + rng() % 26);
    Dir.Write(PLAY_LOG_FILE_NAME, Bytes(big) + "torn");
    t.RebuildAllTimeRecords();
    ASSERT_EQ(RecordsRead(), Bytes(Rebuild(big)));
}

TEST_F(Store, AllTimeUpdatesFollowTheirProcedure) {
    std::mt19937 rng(31);
    const TDailyTracker t;
    const TLog log = RandomLog(rng, 80);
    TAllTimeRecord w;
    for (size_t i = 0; i < log.size(); ++i) {
        const TDailyPlayRecord& r = log[i];
        t.RecordPlay(r.PlayerName, r.DatePlayed, r.Score, 10);
        t.UpdateAllTimeRecords(r.PlayerName, r.DatePlayed, r.Score);
        Update(w, TLog(log.begin(), log.begin() + i + 1), r.PlayerName, r.DatePlayed, r.Score);
        ASSERT_EQ(RecordsRead(), Bytes(w)) << "game " << i;
    }
    // The file as encoded (the encoding's layout: tests/datafiles/expected/pmchrec.dat).
    EXPECT_EQ(Dir.Read(ALL_TIME_FILE_NAME), Bytes(w));
}

TEST_F(Store, RecordLayoutMissingShortDamagedAndUnusableFiles) {
    const TDailyTracker t;
    const TDateTime day = EncodeDate(2025, 9, 13);
    EXPECT_FALSE(t.HasPlayedDate("Ann", day));
    t.RebuildAllTimeRecords();
    EXPECT_FALSE(Dir.Exists(PLAY_LOG_FILE_NAME) || Dir.Exists(ALL_TIME_FILE_NAME));
    Dir.Write(PLAY_LOG_FILE_NAME, "");
    t.RebuildAllTimeRecords();
    EXPECT_EQ(Dir.Read(ALL_TIME_FILE_NAME), std::string(1200, '\0'));
    // A record: the name's length and its first 40 bytes, padding, date, score, frames.
    t.RecordPlay(std::string(45, 'n'), day + 0.75, -2, 10);
    const std::string record = "\x28" + std::string(40, 'n') + std::string(7, '\0');
    EXPECT_EQ(Dir.Read(PLAY_LOG_FILE_NAME),
              record + std::string("\0\0\0\0\x38\x6b\xe6\x40\xfe\xff\xff\xff\x0a\0\0\0", 16));
    // Two whole records and two bytes of a third: the next play goes at offset 128.
    const TLog log{{"Ann", day, 100, 10}, {"Bob", day, 170, 10}, {"Cy", day, 120, 10}};
    Dir.Write(PLAY_LOG_FILE_NAME, Bytes({log[0], log[1]}) + "\x03X");
    t.RecordPlay("Cy", day, 120, 10);
    EXPECT_EQ(Dir.Read(PLAY_LOG_FILE_NAME), Bytes(log));
    // A short records file reads as empty, and the next update rebuilds it from the log.
    Dir.Write(ALL_TIME_FILE_NAME, std::string(600, '\x01'));
    EXPECT_EQ(RecordsRead(), std::string(1200, '\0'));
    t.UpdateAllTimeRecords("Cy", day, 120);
    EXPECT_EQ(Dir.Read(ALL_TIME_FILE_NAME), Bytes(Rebuild(log)));
    Dir.Write(ALL_TIME_FILE_NAME, Bytes(Rebuild(log)) + "more"); // bytes after it mean nothing
    EXPECT_EQ(RecordsRead(), Bytes(Rebuild(log)));
    // Unusable files: every operation on the log reports it, the records reader never.
    std::filesystem::remove(PLAY_LOG_FILE_NAME), std::filesystem::remove(ALL_TIME_FILE_NAME);
    std::filesystem::create_directory(PLAY_LOG_FILE_NAME);
    std::filesystem::create_directory(ALL_TIME_FILE_NAME);
    std::vector<TPlayerMonthlyTotal> totals(10);
    int32_t n = 0;
    const std::function<void()> operations[] = {[&] { t.HasPlayedDate("A", day); },
                                                [&] { t.RecordPlay("A", day, 1, 1); },
                                                [&] { t.GetMonthlyTotals(9, 2025, totals, n); },
                                                [&] { t.GetPlayerTotalPins("A", n, n); },
                                                [&] { t.GetDailyWinnersForMonth(9, 2025); },
                                                [&] { t.UpdateAllTimeRecords("A", day, 1); },
                                                [&] { t.RebuildAllTimeRecords(); },
                                                [&] { ReadDayPlays(PLAY_LOG_FILE_NAME, day, 9); }};
    for (const auto& operation : operations) {
        std::string error = "none";
        try {
            operation();
        } catch (const EPlayRecordIOError& e) {
            error = e.FileName() + " " + std::to_string(e.ErrorCode());
        }
        EXPECT_EQ(error, PLAY_LOG_FILE_NAME + (" " + std::to_string(EISDIR)));
    }
    EXPECT_EQ(RecordsRead(), std::string(1200, '\0'));
    TDailyScoresList list; // a month outside 1 to 12 is refused before the log is read
    EXPECT_THROW(t.GetDailyScoresForMonth(13, 2025, list), std::invalid_argument);
}

TEST_F(Store, MakeUpAndAdvanceDays) {
    // Today (at 07:12), a date as days after today's midnight, make-up day, advance day.
    const std::tuple<int, int, int, double, bool, bool> cases[] = {
        {2025, 9, 20, 5, 0, 0},   {2025, 9, 21, 0.9, 0, 0},  {2025, 9, 21, 1, 0, 1},
        {2025, 9, 21, 9.5, 0, 1}, {2025, 9, 21, 10, 0, 0},   {2025, 9, 21, 369, 0, 0},
        {2025, 9, 21, 0, 0, 0},   {2025, 9, 21, -0.1, 1, 0}, {2024, 2, 21, 8, 0, 1},
        {2025, 12, 30, 1, 0, 1},  {2025, 12, 30, 2, 0, 0},   {2026, 1, 1, -0.01, 1, 0}};
    const TDailyTracker t;
    for (const auto& [y, m, d, date, makeUp, advance] : cases) {
        const TDateTime today = EncodeDate(y, m, d);
        common::Seams().Now = today + 0.3;
        EXPECT_EQ(t.CanPlayMakeupDay(today + date), makeUp) << Key(today) << " " << date;
        EXPECT_EQ(t.CanPlayAdvanceDay(today + date), advance) << Key(today) << " " << date;
    }
    common::ResetSeams();
}

// Eight nodes play 100 games each at once, updating the records after every tenth, then all
// update at once after one more game each: no record may be lost or torn, no update lost.
TEST_F(Store, NodesPlayingAtOnceLoseNothing) {
    auto play = [](int w, int k) {
        return TDailyPlayRecord{"Node " + std::to_string(w), 45913.0 + k % 3, 10 * k + w, 10};
    };
    const TDailyTracker t;
    auto record = [&](auto r) { t.RecordPlay(r.PlayerName, r.DatePlayed, r.Score, 10); };
    auto update = [&](auto r) { t.UpdateAllTimeRecords(r.PlayerName, r.DatePlayed, r.Score); };
    ASSERT_TRUE(Together([&](int w) {
        for (int k = 0; k < 100; ++k) {
            record(play(w, k));
            if (k % 10 == 0) update(play(w, k));
        }
    }));
    for (int w = 0; w < 8; ++w)
        record(play(w, 100));
    ASSERT_TRUE(Together([&](int w) { update(play(w, 100)); }));
    const std::string bytes = Dir.Read(PLAY_LOG_FILE_NAME);
    ASSERT_EQ(bytes.size(), 64u * 808);
    std::vector<int> next(8, 0);
    TLog log;
    for (size_t o = 0; o < bytes.size(); o += 64) {
        log.push_back(DecodePlayRecord(reinterpret_cast<const uint8_t*>(bytes.data() + o)));
        const int w = log.back().Score % 10;
        ASSERT_TRUE(log.back() == play(w, next[w]++)) << "record " << o / 64;
    }
    EXPECT_EQ(RecordsRead(), Bytes(Rebuild(log)));
}
