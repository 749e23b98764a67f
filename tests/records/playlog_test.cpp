// The play log: record layout, per-player and per-date questions, appends,
// partial records, make-up and advance days, and file errors.
#include "records_support.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>

#include <sys/stat.h>
#include <unistd.h>

using namespace records_test;
using records::EPlayRecordIOError;

namespace {

const std::string kLog = records::PLAY_LOG_FILE_NAME;

std::string Hex(const std::string& ABytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : ABytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

} // namespace

// ---- Record layout ---------------------------------------------------------

TEST(PlayRecordLayout, FieldsAtTheirOffsetsLittleEndian) {
    const std::string b = Bytes({"Ann", 45913.75, -2, 10});
    ASSERT_EQ(b.size(), 64u);
    EXPECT_EQ(b[0], 3);
    EXPECT_EQ(b.substr(1, 3), "Ann");
    EXPECT_EQ(b.substr(4, 44), std::string(44, '\0'));   // rest of the name and padding
    EXPECT_EQ(Hex(b.substr(48, 8)), "00000000386be640"); // 45913.75 as binary64
    EXPECT_EQ(Hex(b.substr(56, 4)), "feffffff");         // -2
    EXPECT_EQ(Hex(b.substr(60, 4)), "0a000000");         // 10
}

TEST(PlayRecordLayout, DecodeReadsWhatEncodeWrote) {
    const TDailyPlayRecord r{"Zo\xe9 \x01\xff", D(2024, 2, 29), 300, 11};
    const auto b = records::EncodePlayRecord(r);
    EXPECT_EQ(records::DecodePlayRecord(b.data()), r);
}

TEST(PlayRecordLayout, NamesKeepTheirFirstFortyBytes) {
    const std::string longName(45, 'x');
    const auto b = records::EncodePlayRecord({longName + "", D(2025, 1, 1), 1, 1});
    EXPECT_EQ(b[0], 40);
    EXPECT_EQ(records::DecodePlayRecord(b.data()).PlayerName, std::string(40, 'x'));
}

TEST(PlayRecordLayout, OversizedLengthByteReadsAsForty) {
    auto b = records::EncodePlayRecord({std::string(40, 'q'), D(2025, 1, 1), 5, 10});
    b[0] = 200;
    EXPECT_EQ(records::DecodePlayRecord(b.data()).PlayerName, std::string(40, 'q'));
    EXPECT_EQ(records::DecodePlayRecord(b.data()).Score, 5);
}

TEST(DateKeys, MonthDayYearWithHyphens) {
    EXPECT_EQ(TDailyTracker::GetDateKey(D(2025, 9, 13)), "09-13-2025");
    EXPECT_EQ(TDailyTracker::GetDateKey(D(2025, 1, 5) + 0.999), "01-05-2025");
    EXPECT_EQ(TDailyTracker::GetDateKey(D(2024, 2, 29)), "02-29-2024");
    EXPECT_EQ(TDailyTracker::GetDateKey(D(1999, 12, 31)), "12-31-1999");
}

// ---- Per player and date ----------------------------------------------------

TEST_F(StoreTest, NoLogMeansEmptyAnswersAndNoFile) {
    TDailyTracker t;
    EXPECT_EQ(t.FileName(), "pmchplay.dat");
    EXPECT_FALSE(t.HasPlayedDate("Ann", D(2025, 9, 13)));
    EXPECT_EQ(t.GetDayScore("Ann", D(2025, 9, 13)), 0);
    EXPECT_FALSE(Exists(kLog));
}

TEST_F(StoreTest, FirstPlayIsOneRecordAndNamesAreCaseSensitive) {
    TDailyTracker t;
    const TDateTime d = D(2025, 9, 13);
    t.RecordPlay("Ann", d, 187, 10);
    EXPECT_EQ(std::filesystem::file_size(kLog), 64u);
    EXPECT_EQ(ReadBytes(kLog), Bytes({"Ann", d, 187, 10}));
    EXPECT_TRUE(t.HasPlayedDate("Ann", d));
    EXPECT_FALSE(t.HasPlayedDate("ann", d));
    EXPECT_FALSE(t.HasPlayedDate("Ann", d + 1));
    EXPECT_FALSE(t.HasPlayedDate("Ann", d - 1));
    EXPECT_EQ(t.GetDayScore("Ann", d), 187);
    EXPECT_EQ(t.GetDayScore("ann", d), 0);
}

TEST_F(StoreTest, TimeOfDayNeverMatters) {
    TDailyTracker t;
    const TDateTime d = D(2025, 9, 13);
    t.RecordPlay("Ann", d + 0.25, 150, 10); // a stored date with a time of day
    t.RecordPlay("Bob", d, 120, 10);
    EXPECT_EQ(ReadLog()[0].DatePlayed, d + 0.25); // stored unchanged
    EXPECT_TRUE(t.HasPlayedDate("Bob", d + 0.75));
    EXPECT_EQ(t.GetDayScore("Bob", d + 0.999), 120);
    EXPECT_TRUE(t.HasPlayedDate("Ann", d));
    EXPECT_TRUE(t.HasPlayedDate("Ann", d + 0.9));
    EXPECT_FALSE(t.HasPlayedDate("Ann", d + 1.0));
}

TEST_F(StoreTest, FirstRecordOfTheDayGivesTheScore) {
    TDailyTracker t;
    const TDateTime d = D(2025, 3, 1);
    t.RecordPlay("Cy", d - 1, 99, 10);
    t.RecordPlay("Cy", d, 140, 10);
    t.RecordPlay("Cy", d, 250, 10);
    EXPECT_EQ(t.GetDayScore("Cy", d), 140);
    EXPECT_EQ(t.GetDayScore("Cy", d - 1), 99);
}

TEST_F(StoreTest, ZeroScoreStillCountsAsPlayed) {
    TDailyTracker t;
    t.RecordPlay("Dee", D(2025, 3, 2), 0, 3);
    EXPECT_TRUE(t.HasPlayedDate("Dee", D(2025, 3, 2)));
    EXPECT_EQ(t.GetDayScore("Dee", D(2025, 3, 2)), 0);
}

TEST_F(StoreTest, LongNamesFindTheirOwnRecords) {
    TDailyTracker t;
    const std::string longName = std::string(40, 'L') + "ongest";
    t.RecordPlay(longName, D(2025, 4, 4), 200, 10);
    EXPECT_EQ(ReadLog()[0].PlayerName, std::string(40, 'L'));
    EXPECT_TRUE(t.HasPlayedDate(longName, D(2025, 4, 4)));
    EXPECT_EQ(t.GetDayScore(longName, D(2025, 4, 4)), 200);
}

TEST_F(StoreTest, TrailingPartialRecordIsInvisibleAndReplacedByTheNextAppend) {
    const TDateTime d = D(2025, 9, 13);
    // Two whole records and the first 2 bytes of a third: 130 bytes.
    WriteBytes(kLog, Bytes({"Ann", d, 100, 10}) + Bytes({"Bob", d, 110, 10}) + "\x03X");
    TDailyTracker t;
    EXPECT_TRUE(t.HasPlayedDate("Ann", d));
    EXPECT_TRUE(t.HasPlayedDate("Bob", d));
    t.RecordPlay("Cy", d, 120, 10);
    const std::string all = ReadBytes(kLog);
    ASSERT_EQ(all.size(), 192u);
    EXPECT_EQ(all.substr(128), Bytes({"Cy", d, 120, 10}));
    EXPECT_EQ(ReadLog().size(), 3u);
    EXPECT_EQ(t.GetDayScore("Cy", d), 120);
}

TEST_F(StoreTest, PartialRecordWithNameAndDateIsStillInvisible) {
    const TDateTime d = D(2025, 9, 13);
    WriteBytes(kLog, Bytes({"Ann", d, 100, 10}) + Bytes({"Eve", d, 300, 10}).substr(0, 63));
    TDailyTracker t;
    EXPECT_FALSE(t.HasPlayedDate("Eve", d));
    EXPECT_EQ(t.GetDayScore("Eve", d), 0);
    std::string who;
    int32_t score;
    t.GetDailyWinner(d, who, score);
    EXPECT_EQ(who, "Ann");
    EXPECT_EQ(score, 100);
}

TEST_F(StoreTest, DatesOutsideTheCalendarMatchNoDay) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    WriteLog({{"Odd", nan, 10, 1}, {"Odd", 1e300, 20, 1}, {"Odd", D(2025, 5, 5), 30, 1}});
    TDailyTracker t;
    EXPECT_FALSE(t.HasPlayedDate("Odd", nan));
    EXPECT_FALSE(t.HasPlayedDate("Odd", 1e300));
    EXPECT_TRUE(t.HasPlayedDate("Odd", D(2025, 5, 5)));
    int32_t pins, games;
    t.GetPlayerTotalPins("Odd", pins, games); // lifetime totals still count them
    EXPECT_EQ(pins, 60);
    EXPECT_EQ(games, 3);
}

// ---- Make-up and advance days (pinned clock) ----------------------------------

TEST_F(StoreTest, AdvancePlayOpensOnTheTwentyFirst) {
    TDailyTracker t;
    common::PinNow(common::EncodeDateTime(2025, 9, 20, 15, 30, 0));
    for (int d = 1; d <= 30; ++d)
        EXPECT_FALSE(t.CanPlayAdvanceDay(D(2025, 9, d))) << d;
    EXPECT_FALSE(t.CanPlayAdvanceDay(D(2025, 10, 1)));

    common::PinNow(common::EncodeDateTime(2025, 9, 21, 8, 0, 0));
    for (int d = 1; d <= 21; ++d)
        EXPECT_FALSE(t.CanPlayAdvanceDay(D(2025, 9, d))) << d;
    for (int d = 22; d <= 30; ++d)
        EXPECT_TRUE(t.CanPlayAdvanceDay(D(2025, 9, d))) << d;
    EXPECT_FALSE(t.CanPlayAdvanceDay(D(2025, 10, 1)));
    EXPECT_FALSE(t.CanPlayAdvanceDay(D(2026, 9, 25))); // same month, another year
    EXPECT_FALSE(t.CanPlayAdvanceDay(D(2024, 9, 25)));
    // Today with a time of day is still today.
    EXPECT_FALSE(t.CanPlayAdvanceDay(D(2025, 9, 21) + 0.9));
    EXPECT_TRUE(t.CanPlayAdvanceDay(D(2025, 9, 22) + 0.5));
}

TEST_F(StoreTest, AdvancePlayNeverReachesIntoTheNextYear) {
    TDailyTracker t;
    common::PinNow(common::EncodeDateTime(2025, 12, 30, 23, 59, 0));
    EXPECT_TRUE(t.CanPlayAdvanceDay(D(2025, 12, 31)));
    EXPECT_FALSE(t.CanPlayAdvanceDay(D(2026, 1, 1)));
    EXPECT_FALSE(t.CanPlayAdvanceDay(D(2025, 12, 30)));
    common::PinNow(D(2024, 2, 21));
    EXPECT_TRUE(t.CanPlayAdvanceDay(D(2024, 2, 29)));
    EXPECT_FALSE(t.CanPlayAdvanceDay(D(2024, 3, 1)));
}

TEST_F(StoreTest, MakeupDaysAreEveryEarlierDate) {
    TDailyTracker t;
    common::PinNow(common::EncodeDateTime(2025, 10, 1, 12, 0, 0));
    EXPECT_FALSE(t.CanPlayMakeupDay(D(2025, 10, 1)));
    EXPECT_FALSE(t.CanPlayMakeupDay(D(2025, 10, 1) + 0.5));
    EXPECT_FALSE(t.CanPlayMakeupDay(D(2025, 10, 2)));
    EXPECT_TRUE(t.CanPlayMakeupDay(D(2025, 9, 30))); // across the month end
    EXPECT_TRUE(t.CanPlayMakeupDay(D(2025, 9, 30) + 0.999));
    EXPECT_TRUE(t.CanPlayMakeupDay(D(2019, 3, 3)));
    common::PinNow(common::EncodeDateTime(2026, 1, 1, 0, 0, 1));
    EXPECT_TRUE(t.CanPlayMakeupDay(D(2025, 12, 31))); // across the year end
    EXPECT_FALSE(t.CanPlayMakeupDay(D(2026, 1, 1)));
}

// ---- File errors ----------------------------------------------------------------

namespace {

template <class F> void ExpectIOError(F&& AOperation, const std::string& AFileName, int AErrno) {
    try {
        AOperation();
        ADD_FAILURE() << "no error raised";
    } catch (const EPlayRecordIOError& e) {
        EXPECT_EQ(e.FileName(), AFileName);
        EXPECT_EQ(e.ErrorCode(), AErrno);
        EXPECT_EQ(e.Reason(), std::strerror(AErrno));
        EXPECT_NE(std::string(e.what()).find(AFileName), std::string::npos);
        EXPECT_NE(std::string(e.what()).find(std::strerror(AErrno)), std::string::npos);
    }
}

} // namespace

TEST_F(StoreTest, UnreadableLogRaisesTheIOErrorWithTheFileName) {
    std::filesystem::create_directory(kLog); // opening it read-write fails
    TDailyTracker t;
    const TDateTime d = D(2025, 9, 13);
    std::string who;
    int32_t score = 0, count = 0, games = 0;
    std::vector<TPlayerMonthlyTotal> totals(100);
    records::TDailyScoresList list;
    ExpectIOError([&] { t.HasPlayedDate("Ann", d); }, kLog, EISDIR);
    ExpectIOError([&] { t.GetDayScore("Ann", d); }, kLog, EISDIR);
    ExpectIOError([&] { t.RecordPlay("Ann", d, 1, 1); }, kLog, EISDIR);
    ExpectIOError([&] { t.GetDailyWinner(d, who, score); }, kLog, EISDIR);
    ExpectIOError([&] { t.GetMonthlyTotals(9, 2025, totals, count); }, kLog, EISDIR);
    ExpectIOError([&] { t.GetPlayerMonthlyTotal("Ann", 9, 2025); }, kLog, EISDIR);
    ExpectIOError([&] { t.GetPlayerTotalPins("Ann", score, games); }, kLog, EISDIR);
    ExpectIOError([&] { t.GetDailyScoresForMonth(9, 2025, list); }, kLog, EISDIR);
    ExpectIOError([&] { t.GetDailyWinnersForMonth(9, 2025); }, kLog, EISDIR);
    ExpectIOError([&] { t.GetPlayedDaysOfMonth("Ann", 9, 2025); }, kLog, EISDIR);
    ExpectIOError([&] { t.UpdateAllTimeRecords("Ann", d, 1); }, kLog, EISDIR);
    ExpectIOError([&] { t.RebuildAllTimeRecords(); }, kLog, EISDIR);
    ExpectIOError([&] { records::ReadDayPlays(kLog, d, 50); }, kLog, EISDIR);
    EXPECT_FALSE(Exists(records::ALL_TIME_FILE_NAME));
}

TEST_F(StoreTest, LogWithoutWritePermissionFailsEvenForQueries) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    TDailyTracker t;
    t.RecordPlay("Ann", D(2025, 9, 13), 1, 1);
    ::chmod(kLog.c_str(), 0444);
    ExpectIOError([&] { t.HasPlayedDate("Ann", D(2025, 9, 13)); }, kLog, EACCES);
    // The day-scores table reads the log for reading only.
    EXPECT_EQ(records::ReadDayPlays(kLog, D(2025, 9, 13), 50).size(), 1u);
}

// ---- The day-scores reader ---------------------------------------------------------

TEST_F(StoreTest, DayPlaysAreTheFirstOnesInFileOrder) {
    const TDateTime d = D(2025, 6, 10);
    std::vector<TDailyPlayRecord> log;
    for (int i = 0; i < 60; ++i) {
        log.push_back({"P" + std::to_string(i), d + (i % 2 ? 0.5 : 0), 100 + i, 10});
        log.push_back({"Other", d + 1, 5, 10});
    }
    WriteLog(log);
    const auto plays = records::ReadDayPlays(kLog, d, 50);
    ASSERT_EQ(plays.size(), 50u);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(plays[i], (records::TDayPlay{"P" + std::to_string(i), 100 + i}));
    EXPECT_TRUE(records::ReadDayPlays("missing.dat", d, 50).empty());
    EXPECT_TRUE(records::ReadDayPlays(kLog, d - 1, 50).empty());
}
