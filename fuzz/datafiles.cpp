// The data files with any contents; the first byte picks: 0 questions about a play log, 1 games
// recorded and read back, 2 a records file of any length read and updated. The log is decoded here.
#include "fuzz.h"
#include "records/dailyplay.h"
#include <algorithm>
#include <unistd.h>

using namespace records;

static std::vector<TDailyPlayRecord>
Decode(const std::string& ALog) { // name length at 0, name, 48, 56, 60
    std::vector<TDailyPlayRecord> out;
    for (const char* p = ALog.data(); p + 64 <= ALog.data() + ALog.size(); p += 64) {
        out.push_back(
            {std::string(p + 1, std::min<size_t>(static_cast<uint8_t>(p[0]), 40)), 0, 0, 0});
        std::memcpy(&out.back().DatePlayed, p + 48, 8), std::memcpy(&out.back().Score, p + 56, 4);
        std::memcpy(&out.back().FramesCompleted, p + 60, 4);
    }
    return out;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    if (ASize < 2) return 0;
    fuzz::EnterScratchDir(), ::unlink(PLAY_LOG_FILE_NAME), ::unlink(ALL_TIME_FILE_NAME);
    const std::string in = fuzz::Bytes(AData + 2, ASize - 2),
                      log = AData[0] % 3 < 2 ? in : in.substr(0, AData[1] % 3 * 64);
    const std::vector<TDailyPlayRecord> recs = Decode(log);
    const TDailyPlayRecord r =
        recs.empty() ? TDailyPlayRecord{"Ann", 45913.0, 187, 10} : recs[AData[1] % recs.size()];
    const TDailyTracker t;
    TAllTimeRecord all, after;
    if (AData[0] % 3 == 0) { // questions answered from the log
        fuzz::WriteFile(PLAY_LOG_FILE_NAME, log);
        int64_t sum = 0, games = 0, top = 0;
        int32_t pins = 0, played = 0;
        for (const auto& [name, date, score, frames] : recs)
            games += name == r.PlayerName, sum += name == r.PlayerName ? score : 0,
                top = std::max<int64_t>(top, score);
        t.GetPlayerTotalPins(r.PlayerName, pins, played), t.RebuildAllTimeRecords(),
            t.GetAllTimeRecords(all);
        FUZZ_CHECK(played == games && pins == std::clamp<int64_t>(sum, INT32_MIN, INT32_MAX));
        const bool onCalendar =
            !recs.empty() && r.DatePlayed >= -693592.0 && r.DatePlayed < 2958465.0; // years 1-9999
        FUZZ_CHECK(!onCalendar || t.HasPlayedDate(r.PlayerName, r.DatePlayed));
        FUZZ_CHECK(all.HighestDayScore == top && all.HighestDayScore >= all.SecondDayScore);
    } else if (AData[0] % 3 == 1) { // games recorded one by one, then the log read back bit for bit
        const std::vector<TDailyPlayRecord> games(recs.begin(),
                                                  recs.begin() + std::min<size_t>(recs.size(), 6));
        for (const auto& [name, date, score, frames] : games)
            t.RecordPlay(name, date, score, frames), t.UpdateAllTimeRecords(name, date, score);
        const std::vector<TDailyPlayRecord> back = Decode(fuzz::ReadFile(PLAY_LOG_FILE_NAME));
        FUZZ_CHECK(back.size() == games.size());
        for (size_t i = 0; i < back.size(); ++i)
            FUZZ_CHECK(back[i].PlayerName == games[i].PlayerName &&
                       back[i].Score == games[i].Score &&
                       back[i].FramesCompleted == games[i].FramesCompleted &&
                       !std::memcmp(&back[i].DatePlayed, &games[i].DatePlayed, 8));
    } else { // a records file of any length: read as decoded (compared as bytes: dates may be NaN),
             // updated whole
        const std::string file = in.substr(log.size());
        fuzz::WriteFile(PLAY_LOG_FILE_NAME, log), fuzz::WriteFile(ALL_TIME_FILE_NAME, file),
            t.GetAllTimeRecords(all);
        const auto enc = EncodeAllTimeRecord(all);
        const auto* p = reinterpret_cast<const uint8_t*>(file.data());
        FUZZ_CHECK(enc == EncodeAllTimeRecord(file.size() < ALL_TIME_RECORD_SIZE
                                                  ? TAllTimeRecord{}
                                                  : DecodeAllTimeRecord(p)));
        FUZZ_CHECK(EncodeAllTimeRecord(DecodeAllTimeRecord(enc.data())) == enc);
        t.RecordPlay(r.PlayerName, r.DatePlayed, r.Score, 10),
            t.UpdateAllTimeRecords(r.PlayerName, r.DatePlayed, r.Score);
        FUZZ_CHECK(fuzz::ReadFile(ALL_TIME_FILE_NAME).size() == ALL_TIME_RECORD_SIZE);
        FUZZ_CHECK((t.GetAllTimeRecords(after), r.Score <= 0 || after.HighestDayScore >= r.Score));
    }
    return 0;
}
