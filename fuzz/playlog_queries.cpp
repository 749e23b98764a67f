// Every question of the play-record store over an arbitrary play log: the file is the
// input (a trailing partial record included), decoded here independently at the record
// offsets. One group of related questions runs per input (the second byte chooses), each
// checked against that decoding and against its neighbours: a record of a calendar date is
// found by HasPlayedDate and GetDayScore; lifetime pins and games; the one-pass month
// queries agree with the per-day ones; month totals ranked, cut by capacity and equal to
// the player's own month total; invalid months refused; the rebuilt records file holds the
// best score with its tables in order, and an update after it keeps the best days in order.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "common/datetime.h"
#include "fuzz_support.h"
#include "playlog_decode.h"
#include "records/dailyplay.h"

namespace {

using fuzz::Rec;
using fuzz::Decode;

// Dates every reader must place on a day (one day inside the years 1 to 9999).
bool Calendar(double ADate) { return std::isfinite(ADate) && ADate >= -693592.0 && ADate < 2958465.0; }

// Noon of a day (before 1900 the time of day counts away from zero).
double Noon(double ADay) { return ADay >= 0 ? ADay + 0.5 : ADay - 0.5; }

// Ranked tables: descending up to the first unused entry (empty name, zero numbers).
void CheckDescending(const records::TAllTimeRecord& R) {
    FUZZ_CHECK(R.HighestDayScore >= R.SecondDayScore && R.SecondDayScore >= R.ThirdDayScore);
    for (size_t i = 1; i < records::ALL_TIME_PLACES; ++i) {
        if (!R.TopMonthlyPlayers[i].empty() || R.TopMonthlyScores[i] != 0)
            FUZZ_CHECK(R.TopMonthlyScores[i - 1] >= R.TopMonthlyScores[i]);
        if (!R.TopLifetimePlayers[i].empty() || R.TopLifetimeTotals[i] != 0 || R.TopLifetimeGames[i] != 0)
            FUZZ_CHECK(R.TopLifetimeTotals[i - 1] >= R.TopLifetimeTotals[i]);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    fuzz::EnterScratchDir();
    if (ASize < 2) return 0;
    const uint8_t pick = AData[0];
    const uint8_t group = AData[1];
    const std::string log = fuzz::Bytes(AData + 2, ASize - 2);
    ::unlink(records::ALL_TIME_FILE_NAME);
    fuzz::WriteFile(records::PLAY_LOG_FILE_NAME, log);
    const std::vector<Rec> recs = Decode(log);
    const records::TDailyTracker t;

    const Rec chosen = recs.empty() ? Rec{"Ann", 45913.0, 187, 10} : recs[pick % recs.size()];
    int y = 2025, m = 9, d = 13;
    if (Calendar(chosen.Date)) common::DecodeDate(chosen.Date, y, m, d);
    // Now and then a month outside 1..12 (13..27 or -15..-1).
    const bool badMonth = (group & 0xF0) == 0xF0;
    const int qm = badMonth ? group % 16 + (group & 1 ? 12 : -15) : m;

    switch (group % 5) {
    case 0: {  // one player and date; lifetime totals
        if (!recs.empty() && Calendar(chosen.Date)) {
            FUZZ_CHECK(t.HasPlayedDate(chosen.Name, chosen.Date));
            const std::string key = records::TDailyTracker::GetDateKey(chosen.Date);
            int32_t first = 0;
            for (const Rec& q : recs)
                if (q.Name == chosen.Name && Calendar(q.Date) && records::TDailyTracker::GetDateKey(q.Date) == key) {
                    first = q.Score;
                    break;
                }
            FUZZ_CHECK(t.GetDayScore(chosen.Name, Noon(std::trunc(chosen.Date))) == first);
        }
        int64_t sum = 0;
        int32_t games = 0;
        for (const Rec& r : recs)
            if (r.Name == chosen.Name) {
                sum += r.Score;
                ++games;
            }
        int32_t pins = 0, played = 0;
        t.GetPlayerTotalPins(chosen.Name, pins, played);
        FUZZ_CHECK(played == games);
        FUZZ_CHECK(pins == std::clamp<int64_t>(sum, INT32_MIN, INT32_MAX));
        break;
    }
    case 1:    // winners of the month against the winner of one day; that day's plays
    case 2: {  // played days against one day; best scores of the month
        try {
            const int days = common::DaysInMonth(y, qm);
            const int day = std::min(d, days);
            const double dd = common::EncodeDate(y, qm, day);
            if (group % 5 == 1) {
                const std::vector<records::TDailyWinner> winners = t.GetDailyWinnersForMonth(qm, y);
                FUZZ_CHECK(!badMonth && winners.size() == static_cast<size_t>(days));
                std::string who;
                int32_t best = 0;
                t.GetDailyWinner(Noon(dd), who, best);
                FUZZ_CHECK(winners[day - 1] == (records::TDailyWinner{who, best}));
                const std::vector<records::TDayPlay> plays = records::ReadDayPlays(t.FileName(), dd, 4);
                FUZZ_CHECK(plays.size() <= 4);
                if (plays.empty()) FUZZ_CHECK(who == "Nobody" && best == 0);
                else FUZZ_CHECK(best >= plays[0].Score);
            } else {
                records::TDailyScoresList scores;
                t.GetDailyScoresForMonth(qm, y, scores);
                FUZZ_CHECK(!badMonth && scores.size() == static_cast<size_t>(days));
                FUZZ_CHECK(scores[day - 1].first == records::TDailyTracker::GetDateKey(dd));
                const std::vector<bool> playedDays = t.GetPlayedDaysOfMonth(chosen.Name, qm, y);
                FUZZ_CHECK(playedDays.size() == static_cast<size_t>(days));
                FUZZ_CHECK(playedDays[day - 1] == t.HasPlayedDate(chosen.Name, dd));
            }
        } catch (const std::invalid_argument&) {
            FUZZ_CHECK(badMonth);
        }
        break;
    }
    case 3: {  // month totals: ranked, cut by capacity, the player's own total
        std::vector<records::TPlayerMonthlyTotal> all(recs.size() + 1), top(2);
        int32_t nAll = 0, nTop = 0;
        t.GetMonthlyTotals(qm, y, all, nAll);
        t.GetMonthlyTotals(qm, y, top, nTop);
        FUZZ_CHECK(nAll >= 0 && static_cast<size_t>(nAll) <= recs.size() && nTop <= 2 && nTop <= nAll);
        if (badMonth) FUZZ_CHECK(nAll == 0);
        for (int32_t i = 1; i < nAll; ++i) FUZZ_CHECK(all[i - 1].TotalScore >= all[i].TotalScore);
        for (size_t i = static_cast<size_t>(nAll); i < all.size(); ++i)
            FUZZ_CHECK(all[i] == records::TPlayerMonthlyTotal{});
        int32_t mine = 0;
        for (int32_t i = 0; i < nAll; ++i)
            if (all[i].PlayerName == chosen.Name) mine = all[i].TotalScore;
        FUZZ_CHECK(t.GetPlayerMonthlyTotal(chosen.Name, qm, y) == mine);
        break;
    }
    default: {  // the records file rebuilt from the log, then one more game
        t.RebuildAllTimeRecords();
        records::TAllTimeRecord rebuilt;
        t.GetAllTimeRecords(rebuilt);
        CheckDescending(rebuilt);
        int32_t top1 = 0;
        for (const Rec& r : recs) top1 = std::max(top1, r.Score);
        FUZZ_CHECK(rebuilt.HighestDayScore == top1);
        t.UpdateAllTimeRecords(chosen.Name, chosen.Date, chosen.Score);
        records::TAllTimeRecord updated;
        t.GetAllTimeRecords(updated);
        FUZZ_CHECK(updated.HighestDayScore >= updated.SecondDayScore &&
                   updated.SecondDayScore >= updated.ThirdDayScore);
        FUZZ_CHECK(updated.HighestDayScore == (recs.empty() ? std::max(chosen.Score, 0) : top1));
        break;
    }
    }
    return 0;
}
