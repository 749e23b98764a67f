// Every question of the play-record store over an arbitrary play log: the file is the
// input (a trailing partial record included), decoded here independently at the record
// offsets. Checked against that decoding and against each other: a record of a calendar
// date is found by HasPlayedDate and GetDayScore; the one-pass month queries agree with
// the per-day ones; monthly and lifetime totals and game counts; the rebuilt records file
// holds the best scores in order; a replay of the first games through RecordPlay and
// UpdateAllTimeRecords keeps the same best days as a rebuild of the same log.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <stdexcept>
#include <vector>

#include "common/datetime.h"
#include "fuzz_support.h"
#include "records/dailyplay.h"

namespace {

struct Rec {
    std::string Name;
    double Date;
    int32_t Score;
    int32_t Frames;
};

std::vector<Rec> Decode(const std::string& ALog) {
    std::vector<Rec> out;
    for (size_t off = 0; off + 64 <= ALog.size(); off += 64) {
        const char* p = ALog.data() + off;
        Rec r;
        const size_t len = std::min<size_t>(static_cast<uint8_t>(p[0]), 40);
        r.Name.assign(p + 1, len);
        std::memcpy(&r.Date, p + 48, 8);
        std::memcpy(&r.Score, p + 56, 4);
        std::memcpy(&r.Frames, p + 60, 4);
        out.push_back(r);
    }
    return out;
}

// Dates every reader must place on a day (one day inside the years 1 to 9999).
bool Calendar(double ADate) { return std::isfinite(ADate) && ADate >= -693592.0 && ADate < 2958465.0; }

bool SameBits(double A, double B) { return std::memcmp(&A, &B, sizeof A) == 0; }

void CheckDescending(const records::TAllTimeRecord& R) {
    FUZZ_CHECK(R.HighestDayScore >= R.SecondDayScore && R.SecondDayScore >= R.ThirdDayScore);
    for (size_t i = 1; i < records::ALL_TIME_PLACES; ++i) {
        FUZZ_CHECK(R.TopMonthlyScores[i - 1] >= R.TopMonthlyScores[i]);
        FUZZ_CHECK(R.TopLifetimeTotals[i - 1] >= R.TopLifetimeTotals[i]);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    fuzz::EnterScratchDir();
    if (ASize < 2) return 0;
    const uint8_t pick = AData[0];
    const uint8_t month = AData[1];
    const std::string log = fuzz::Bytes(AData + 2, ASize - 2);
    ::unlink(records::ALL_TIME_FILE_NAME);
    fuzz::WriteFile(records::PLAY_LOG_FILE_NAME, log);
    const std::vector<Rec> recs = Decode(log);
    const records::TDailyTracker t;

    const std::string player = recs.empty() ? std::string("Ann") : recs[pick % recs.size()].Name;
    const double date = recs.empty() ? 45913.0 : recs[pick % recs.size()].Date;

    // Per player and date.
    for (size_t i = 0; i < recs.size() && i < 64; ++i) {
        const Rec& r = recs[i];
        if (!Calendar(r.Date)) continue;
        FUZZ_CHECK(t.HasPlayedDate(r.Name, r.Date));
        const std::string key = records::TDailyTracker::GetDateKey(r.Date);
        int32_t first = 0;
        for (const Rec& q : recs)
            if (q.Name == r.Name && Calendar(q.Date) && records::TDailyTracker::GetDateKey(q.Date) == key) {
                first = q.Score;
                break;
            }
        FUZZ_CHECK(t.GetDayScore(r.Name, r.Date) == first);
    }

    // Lifetime totals.
    int64_t sum = 0;
    int32_t games = 0;
    for (const Rec& r : recs)
        if (r.Name == player) {
            sum += r.Score;
            ++games;
        }
    int32_t pins = 0, played = 0;
    t.GetPlayerTotalPins(player, pins, played);
    FUZZ_CHECK(played == games);
    if (sum >= INT32_MIN && sum <= INT32_MAX) FUZZ_CHECK(pins == sum);

    // One month, by day and in one pass.
    int y = 2025, m = 9, d = 1;
    if (Calendar(date)) common::DecodeDate(date, y, m, d);
    const bool bad = month >= 0xF0;  // a month outside 1..12 now and then
    const int qm = bad ? month % 16 + (month & 1 ? 12 : -15) : m;
    try {
        const std::vector<records::TDailyWinner> winners = t.GetDailyWinnersForMonth(qm, y);
        const std::vector<bool> playedDays = t.GetPlayedDaysOfMonth(player, qm, y);
        records::TDailyScoresList scores;
        t.GetDailyScoresForMonth(qm, y, scores);
        FUZZ_CHECK(!bad || (qm >= 1 && qm <= 12));
        const int days = common::DaysInMonth(y, qm);
        FUZZ_CHECK(winners.size() == static_cast<size_t>(days) && playedDays.size() == winners.size());
        FUZZ_CHECK(scores.size() == winners.size());
        for (int day = 1; day <= days; ++day) {
            const double dd = common::EncodeDate(y, qm, day);
            std::string who;
            int32_t best = 0;
            t.GetDailyWinner(dd + 0.5, who, best);
            FUZZ_CHECK(winners[day - 1] == (records::TDailyWinner{who, best}));
            FUZZ_CHECK(playedDays[day - 1] == t.HasPlayedDate(player, dd));
            FUZZ_CHECK(scores[day - 1].first == records::TDailyTracker::GetDateKey(dd));
            const std::vector<records::TDayPlay> plays = records::ReadDayPlays(t.FileName(), dd, 5);
            FUZZ_CHECK(plays.size() <= 5);
            if (plays.empty()) FUZZ_CHECK(who == "Nobody" && best == 0);
            else FUZZ_CHECK(best >= plays[0].Score);
        }
        std::vector<records::TPlayerMonthlyTotal> all(recs.size() + 1), top(3);
        int32_t nAll = 0, nTop = 0;
        t.GetMonthlyTotals(qm, y, all, nAll);
        t.GetMonthlyTotals(qm, y, top, nTop);
        FUZZ_CHECK(nAll >= 0 && static_cast<size_t>(nAll) <= recs.size() && nTop <= 3);
        for (int32_t i = 1; i < nAll; ++i) FUZZ_CHECK(all[i - 1].TotalScore >= all[i].TotalScore);
        int32_t mine = 0;
        for (int32_t i = 0; i < nAll; ++i)
            if (all[i].PlayerName == player) mine = all[i].TotalScore;
        FUZZ_CHECK(t.GetPlayerMonthlyTotal(player, qm, y) == mine);
    } catch (const std::invalid_argument&) {
        FUZZ_CHECK(qm < 1 || qm > 12);
    }

    // All-time records rebuilt from the log.
    t.RebuildAllTimeRecords();
    records::TAllTimeRecord rebuilt;
    t.GetAllTimeRecords(rebuilt);
    CheckDescending(rebuilt);
    int32_t top1 = 0;
    for (const Rec& r : recs) top1 = std::max(top1, r.Score);
    FUZZ_CHECK(rebuilt.HighestDayScore == top1);
    t.UpdateAllTimeRecords(player, date, recs.empty() ? 0 : recs[pick % recs.size()].Score);

    // The first games again, one by one as the door records them.
    if (recs.size() <= 8) {
        ::unlink(records::PLAY_LOG_FILE_NAME);
        ::unlink(records::ALL_TIME_FILE_NAME);
        for (const Rec& r : recs) {
            t.RecordPlay(r.Name, r.Date, r.Score, r.Frames);
            t.UpdateAllTimeRecords(r.Name, r.Date, r.Score);
        }
        records::TAllTimeRecord updated, again;
        t.GetAllTimeRecords(updated);
        t.RebuildAllTimeRecords();
        t.GetAllTimeRecords(again);
        FUZZ_CHECK(updated.HighestDayPlayer == again.HighestDayPlayer && updated.HighestDayScore == again.HighestDayScore);
        FUZZ_CHECK(updated.SecondDayPlayer == again.SecondDayPlayer && updated.SecondDayScore == again.SecondDayScore);
        FUZZ_CHECK(updated.ThirdDayPlayer == again.ThirdDayPlayer && updated.ThirdDayScore == again.ThirdDayScore);
        FUZZ_CHECK(SameBits(updated.HighestDayDate, again.HighestDayDate));
        FUZZ_CHECK(SameBits(updated.SecondDayDate, again.SecondDayDate));
        FUZZ_CHECK(SameBits(updated.ThirdDayDate, again.ThirdDayDate));
        const std::string replayed = [] {
            FILE* f = std::fopen(records::PLAY_LOG_FILE_NAME, "rb");
            std::string s;
            if (!f) return s;
            char buf[4096];
            size_t n;
            while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
            std::fclose(f);
            return s;
        }();
        FUZZ_CHECK(replayed.size() == recs.size() * 64);
        const std::vector<Rec> back = Decode(replayed);
        for (size_t i = 0; i < recs.size(); ++i) {
            FUZZ_CHECK(back[i].Name == recs[i].Name && back[i].Score == recs[i].Score);
            FUZZ_CHECK(back[i].Frames == recs[i].Frames && SameBits(back[i].Date, recs[i].Date));
        }
    }
    return 0;
}
