// The play-record store: the play log "pmchplay.dat" (one 64-byte record per
// finished game, append-only), the questions the screens ask of it, the
// standings computed from it, and the all-time records file "pmchrec.dat".
//
// Every operation is one short open-use-close step; nothing is cached between
// calls. Files live in the current directory. Nodes of one board share them
// safely: scans hold a shared fcntl lock on the log, appends and updates of the
// records file an exclusive one; the records file is replaced by rename.
//
// Player names are byte strings compared byte for byte; the files keep their
// first 40 bytes, and every lookup uses the first 40 bytes of the name it is
// given, so a long name still finds its own records.
//
// A record whose date lies outside the calendar (years 1 to 9999, or not a
// number) belongs to no day and no month; it still counts for lifetime totals.
//
// Failures to open, lock, read, write or close a file raise EPlayRecordIOError
// (playlog.h); a missing log is not an error: queries give their empty result.
#pragma once

#include "common/datetime.h"
#include "records/playlog.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace records {

using common::TDateTime;

inline constexpr std::size_t MAX_PLAYER_NAME = 40;
inline constexpr std::size_t ALL_TIME_RECORD_SIZE = 1200;
inline constexpr std::size_t ALL_TIME_PLACES = 10;
inline constexpr char PLAY_LOG_FILE_NAME[] = "pmchplay.dat";
inline constexpr char ALL_TIME_FILE_NAME[] = "pmchrec.dat";

// One finished game. Layout (little-endian): 0 name length, 1..40 name bytes,
// 41..47 padding, 48 date (binary64), 56 score (int32), 60 frames (int32).
struct TDailyPlayRecord {
    std::string PlayerName;
    TDateTime DatePlayed = 0;
    int32_t Score = 0;
    int32_t FramesCompleted = 0;
    friend bool operator==(const TDailyPlayRecord&, const TDailyPlayRecord&) = default;
};

using TPlayRecordBytes = std::array<uint8_t, PLAY_RECORD_SIZE>;
// Names longer than 40 bytes keep their first 40; padding is written as zeros.
TPlayRecordBytes EncodePlayRecord(const TDailyPlayRecord& ARecord);
// ABytes points at PLAY_RECORD_SIZE bytes. A length byte above 40 reads as 40.
TDailyPlayRecord DecodePlayRecord(const uint8_t* ABytes);

// One player's standing in one month. An empty entry: "" and zeros.
struct TPlayerMonthlyTotal {
    std::string PlayerName;
    int32_t TotalScore = 0;
    int32_t DaysPlayed = 0;
    friend bool operator==(const TPlayerMonthlyTotal&, const TPlayerMonthlyTotal&) = default;
};

// The records file: three best games, ten best monthly totals, ten best
// lifetime totals. Table entry i (1 to 10) is element [i-1]. A score or total
// of 0 marks an empty slot. Layout: see EncodeAllTimeRecord.
struct TAllTimeRecord {
    std::string HighestDayPlayer;
    int32_t HighestDayScore = 0;
    TDateTime HighestDayDate = 0;
    std::string SecondDayPlayer;
    int32_t SecondDayScore = 0;
    TDateTime SecondDayDate = 0;
    std::string ThirdDayPlayer;
    int32_t ThirdDayScore = 0;
    TDateTime ThirdDayDate = 0;
    std::array<std::string, ALL_TIME_PLACES> TopMonthlyPlayers{};
    std::array<int32_t, ALL_TIME_PLACES> TopMonthlyScores{};
    std::array<TDateTime, ALL_TIME_PLACES> TopMonthlyDates{}; // 1st of the month
    std::array<std::string, ALL_TIME_PLACES> TopLifetimePlayers{};
    std::array<int32_t, ALL_TIME_PLACES> TopLifetimeTotals{};
    std::array<int32_t, ALL_TIME_PLACES> TopLifetimeGames{};
    friend bool operator==(const TAllTimeRecord&, const TAllTimeRecord&) = default;
};

using TAllTimeRecordBytes = std::array<uint8_t, ALL_TIME_RECORD_SIZE>;
// Offsets: best days at 0, 56, 112 (name 41, pad 3, score 4, date 8); monthly
// names 168 + 41(i-1), scores 580 + 4(i-1), dates 624 + 8(i-1); lifetime names
// 704 + 41(i-1), totals 1116 + 4(i-1), games 1156 + 4(i-1). Padding is zero.
TAllTimeRecordBytes EncodeAllTimeRecord(const TAllTimeRecord& ARecord);
// ABytes points at ALL_TIME_RECORD_SIZE bytes.
TAllTimeRecord DecodeAllTimeRecord(const uint8_t* ABytes);

// A day's winner text ("Nobody", a name, "2 players tied", "3 players tied"...)
// and its score.
struct TDailyWinner {
    std::string Player;
    int32_t Score = 0;
    friend bool operator==(const TDailyWinner&, const TDailyWinner&) = default;
};

// One play of a day, as the day-scores table lists it.
struct TDayPlay {
    std::string PlayerName;
    int32_t Score = 0;
    friend bool operator==(const TDayPlay&, const TDayPlay&) = default;
};

// (date key, best score) per day of a month; entry d-1 is day d.
using TDailyScoresList = std::vector<std::pair<std::string, int32_t>>;

class TDailyTracker {
  public:
    // The tracker for "pmchplay.dat"; touches no file.
    TDailyTracker();

    const std::string& FileName() const { return FFileName; }

    // "mm-dd-yyyy" text of the calendar day of ADate (09-13-2025).
    static std::string GetDateKey(TDateTime ADate);

    // ---- Per player and date --------------------------------------------
    bool HasPlayedDate(const std::string& APlayer, TDateTime ADate) const;
    // Appends one record (no check for an earlier play of the day); creates
    // the log when missing. ADate is stored unchanged.
    void RecordPlay(const std::string& APlayer, TDateTime ADate, int32_t AScore,
                    int32_t AFrames) const;
    // Score of the player's first record of that day in file order, else 0.
    int32_t GetDayScore(const std::string& APlayer, TDateTime ADate) const;
    // ADate lies before today (date values compared).
    bool CanPlayMakeupDay(TDateTime ADate) const;
    // From the 21st on: a later day of the current month.
    bool CanPlayAdvanceDay(TDateTime ADate) const;

    // ---- Standings ------------------------------------------------------
    // Winner of the day of ADate: "Nobody" and 0 when nobody played it; the
    // leader's name; or "<n> players tied" while n records share the top score.
    // Games logged without a name take no part.
    void GetDailyWinner(TDateTime ADate, std::string& APlayer, int32_t& AScore) const;
    // The month's totals per player, ranked, in ATotals[0 .. ACount-1]. The
    // span's size is the capacity: every entry is cleared first, and players
    // first seen after it is full are not counted at all.
    void GetMonthlyTotals(int AMonth, int AYear, std::span<TPlayerMonthlyTotal> ATotals,
                          int32_t& ACount) const;
    int32_t GetPlayerMonthlyTotal(const std::string& APlayer, int AMonth, int AYear) const;
    void GetPlayerTotalPins(const std::string& APlayer, int32_t& ATotalPins,
                            int32_t& AGamesPlayed) const;
    // Best score of each day of the month (0 when nobody scored). With a null
    // AResults a new list is created and handed over; otherwise it is emptied
    // first. A month outside 1..12 or a year outside 1..9999 raises
    // std::invalid_argument before the log is read.
    void GetDailyScoresForMonth(int AMonth, int AYear,
                                std::unique_ptr<TDailyScoresList>& AResults) const;
    void GetDailyScoresForMonth(int AMonth, int AYear, TDailyScoresList& AResults) const;

    // ---- One-pass month queries for the screens ---------------------------
    // Entry d-1: exactly what GetDailyWinner gives for day d, in one scan.
    // std::invalid_argument for an invalid month or year.
    std::vector<TDailyWinner> GetDailyWinnersForMonth(int AMonth, int AYear) const;
    // Entry d-1: exactly what HasPlayedDate gives for day d, in one scan.
    std::vector<bool> GetPlayedDaysOfMonth(const std::string& APlayer, int AMonth, int AYear) const;

    // ---- All-time records -----------------------------------------------
    // After RecordPlay of the same game: place it among the best days and
    // refresh the player's monthly and lifetime entries from the log. Runs
    // under the log's exclusive lock; the file is replaced atomically. A
    // records file shorter than 1200 bytes is rebuilt from the log instead.
    void UpdateAllTimeRecords(const std::string& APlayer, TDateTime ADate, int32_t AScore) const;
    // Recomputes "pmchrec.dat" from the whole log; no log: nothing happens.
    void RebuildAllTimeRecords() const;
    // The records file's content; all zeros when it is missing, shorter than
    // one record or unreadable. Never raises.
    void GetAllTimeRecords(TAllTimeRecord& ARecords) const;

  private:
    std::string FFileName;
};

// The first AMaxEntries plays of the day of ADate in file order, read from
// the log AFileName opened for reading only (the day-scores table). No file:
// empty. EPlayRecordIOError on failure.
std::vector<TDayPlay> ReadDayPlays(const std::string& AFileName, TDateTime ADate,
                                   std::size_t AMaxEntries);

} // namespace records
