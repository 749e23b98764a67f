// Helpers for the play-record store tests: a fresh working directory per test,
// raw file access, and literal reference versions of the store's procedures.
#pragma once

#include "common/datetime.h"
#include "records/dailyplay.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace records_test {

using common::TDateTime;
using records::TAllTimeRecord;
using records::TDailyPlayRecord;
using records::TDailyTracker;
using records::TPlayerMonthlyTotal;

inline TDateTime D(int AYear, int AMonth, int ADay) {
    return common::EncodeDate(AYear, AMonth, ADay);
}

// Each test runs in its own empty directory (the store's files live in the
// current directory); the clock is unpinned afterwards.
class StoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        FOld = std::filesystem::current_path();
        char tmpl[] = "/tmp/pmrecordsXXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        FDir = tmpl;
        std::filesystem::current_path(FDir);
    }
    void TearDown() override {
        common::UnpinNow();
        std::filesystem::current_path(FOld);
        std::error_code ec;
        std::filesystem::permissions(FDir, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(FDir, ec);
    }
    std::filesystem::path FOld, FDir;
};

inline bool Exists(const std::string& AName) {
    return std::filesystem::exists(AName);
}

inline std::string ReadBytes(const std::string& AName) {
    std::ifstream in(AName, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& AName, const std::string& ABytes, bool AAppend = false) {
    std::ofstream out(AName, std::ios::binary | (AAppend ? std::ios::app : std::ios::trunc));
    out.write(ABytes.data(), static_cast<std::streamsize>(ABytes.size()));
}

inline std::string Bytes(const TDailyPlayRecord& ARecord) {
    const auto b = records::EncodePlayRecord(ARecord);
    return {reinterpret_cast<const char*>(b.data()), b.size()};
}

inline std::string Bytes(const TAllTimeRecord& ARecord) {
    const auto b = records::EncodeAllTimeRecord(ARecord);
    return {reinterpret_cast<const char*>(b.data()), b.size()};
}

// Writes a whole play log in one go (faster than RecordPlay for big test data).
inline void WriteLog(const std::vector<TDailyPlayRecord>& ARecords) {
    std::string all;
    for (const auto& r : ARecords)
        all += Bytes(r);
    WriteBytes(records::PLAY_LOG_FILE_NAME, all);
}

inline std::vector<TDailyPlayRecord> ReadLog() {
    const std::string all = ReadBytes(records::PLAY_LOG_FILE_NAME);
    std::vector<TDailyPlayRecord> out;
    for (std::size_t off = 0; off + 64 <= all.size(); off += 64)
        out.push_back(
            records::DecodePlayRecord(reinterpret_cast<const uint8_t*>(all.data() + off)));
    return out;
}

inline TAllTimeRecord ReadRecordsFile() {
    const std::string all = ReadBytes(records::ALL_TIME_FILE_NAME);
    if (all.size() < records::ALL_TIME_RECORD_SIZE) return {};
    return records::DecodeAllTimeRecord(reinterpret_cast<const uint8_t*>(all.data()));
}

// The exchange procedure exactly as the standings define it, over all positions.
template <class T, class TKey> void LiteralExchange(std::vector<T>& AItems, TKey AKey) {
    for (std::size_t i = 0; i + 1 < AItems.size(); ++i)
        for (std::size_t j = i + 1; j < AItems.size(); ++j)
            if (AKey(AItems[i]) < AKey(AItems[j])) std::swap(AItems[i], AItems[j]);
}

inline bool SameDay(TDateTime A, TDateTime B) {
    return TDailyTracker::GetDateKey(A) == TDailyTracker::GetDateKey(B);
}

// Step 2 of the update: the three best days, strictly greater only.
inline void LiteralBestDay(TAllTimeRecord& R, const std::string& AName, int32_t AScore,
                           TDateTime ADate) {
    if (AScore > R.HighestDayScore) {
        R.ThirdDayPlayer = R.SecondDayPlayer;
        R.ThirdDayScore = R.SecondDayScore;
        R.ThirdDayDate = R.SecondDayDate;
        R.SecondDayPlayer = R.HighestDayPlayer;
        R.SecondDayScore = R.HighestDayScore;
        R.SecondDayDate = R.HighestDayDate;
        R.HighestDayPlayer = AName;
        R.HighestDayScore = AScore;
        R.HighestDayDate = ADate;
    } else if (AScore > R.SecondDayScore) {
        R.ThirdDayPlayer = R.SecondDayPlayer;
        R.ThirdDayScore = R.SecondDayScore;
        R.ThirdDayDate = R.SecondDayDate;
        R.SecondDayPlayer = AName;
        R.SecondDayScore = AScore;
        R.SecondDayDate = ADate;
    } else if (AScore > R.ThirdDayScore) {
        R.ThirdDayPlayer = AName;
        R.ThirdDayScore = AScore;
        R.ThirdDayDate = ADate;
    }
}

// The rebuild exactly as described: unbounded lists searched linearly, the
// full exchange procedure, the first ten copied.
inline TAllTimeRecord LiteralRebuild(const std::vector<TDailyPlayRecord>& ALog) {
    struct P {
        std::string Name;
        int32_t Total, Games;
    };
    struct M {
        std::string Name;
        int Month, Year;
        int32_t Total;
    };
    TAllTimeRecord r;
    std::vector<P> players;
    std::vector<M> months;
    for (const auto& rec : ALog) {
        if (rec.Score > r.ThirdDayScore)
            LiteralBestDay(r, rec.PlayerName, rec.Score, rec.DatePlayed);
        bool found = false;
        for (auto& p : players)
            if (p.Name == rec.PlayerName) {
                p.Total += rec.Score;
                ++p.Games;
                found = true;
                break;
            }
        if (!found) players.push_back({rec.PlayerName, rec.Score, 1});
        int y, m, d;
        common::DecodeDate(rec.DatePlayed, y, m, d);
        found = false;
        for (auto& e : months)
            if (e.Name == rec.PlayerName && e.Month == m && e.Year == y) {
                e.Total += rec.Score;
                found = true;
                break;
            }
        if (!found) months.push_back({rec.PlayerName, m, y, rec.Score});
    }
    LiteralExchange(months, [](const M& e) { return e.Total; });
    for (std::size_t i = 0; i < months.size() && i < 10; ++i) {
        r.TopMonthlyPlayers[i] = months[i].Name;
        r.TopMonthlyScores[i] = months[i].Total;
        r.TopMonthlyDates[i] = D(months[i].Year, months[i].Month, 1);
    }
    LiteralExchange(players, [](const P& e) { return e.Total; });
    for (std::size_t i = 0; i < players.size() && i < 10; ++i) {
        r.TopLifetimePlayers[i] = players[i].Name;
        r.TopLifetimeTotals[i] = players[i].Total;
        r.TopLifetimeGames[i] = players[i].Games;
    }
    return r;
}

} // namespace records_test
