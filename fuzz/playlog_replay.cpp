// The door's own way of filling the files, over arbitrary games: each game of the input is
// recorded with RecordPlay and followed by UpdateAllTimeRecords, as a finished game is. The
// log must then hold exactly those games, bit for bit, and a rebuild of the records file from
// that log must name the same three best days as the updates did.
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "playlog_decode.h"
#include "records/dailyplay.h"

namespace {

using fuzz::Rec;
using fuzz::Decode;

bool SameBits(double A, double B) { return std::memcmp(&A, &B, sizeof A) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    fuzz::EnterScratchDir();
    const std::vector<Rec> all = Decode(fuzz::Bytes(AData, ASize));
    const std::vector<Rec> recs(all.begin(), all.begin() + std::min<size_t>(all.size(), 6));
    const records::TDailyTracker t;
    ::unlink(records::PLAY_LOG_FILE_NAME);
    ::unlink(records::ALL_TIME_FILE_NAME);
    // The first games again, one by one as the door records them.
    {
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
