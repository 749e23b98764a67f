// The all-time records file "pmchrec.dat" with arbitrary contents (any length), beside a
// small play log. GetAllTimeRecords never fails and gives the file's first 1200 bytes
// decoded at the record offsets (all zeros for a shorter file); decoding and encoding
// agree; UpdateAllTimeRecords over any such file leaves exactly one whole record whose
// best days are ordered when they were before, and never loses the new game's score.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "fuzz_support.h"
#include "records/dailyplay.h"

namespace {

std::string Name(const char* p) { return std::string(p + 1, std::min<size_t>(static_cast<uint8_t>(p[0]), 40)); }
int32_t I32(const char* p) {
    int32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
double F64(const char* p) {
    double v;
    std::memcpy(&v, p, 8);
    return v;
}
bool SameBits(double A, double B) { return std::memcmp(&A, &B, sizeof A) == 0; }

void CheckAgainstBytes(const records::TAllTimeRecord& R, const char* p) {
    FUZZ_CHECK(R.HighestDayPlayer == Name(p) && R.HighestDayScore == I32(p + 44) && SameBits(R.HighestDayDate, F64(p + 48)));
    FUZZ_CHECK(R.SecondDayPlayer == Name(p + 56) && R.SecondDayScore == I32(p + 100) && SameBits(R.SecondDayDate, F64(p + 104)));
    FUZZ_CHECK(R.ThirdDayPlayer == Name(p + 112) && R.ThirdDayScore == I32(p + 156) && SameBits(R.ThirdDayDate, F64(p + 160)));
    for (size_t i = 0; i < 10; ++i) {
        FUZZ_CHECK(R.TopMonthlyPlayers[i] == Name(p + 168 + 41 * i));
        FUZZ_CHECK(R.TopMonthlyScores[i] == I32(p + 580 + 4 * i));
        FUZZ_CHECK(SameBits(R.TopMonthlyDates[i], F64(p + 624 + 8 * i)));
        FUZZ_CHECK(R.TopLifetimePlayers[i] == Name(p + 704 + 41 * i));
        FUZZ_CHECK(R.TopLifetimeTotals[i] == I32(p + 1116 + 4 * i));
        FUZZ_CHECK(R.TopLifetimeGames[i] == I32(p + 1156 + 4 * i));
    }
}

std::string Slurp(const char* AName) {
    std::string s;
    if (FILE* f = std::fopen(AName, "rb")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
        std::fclose(f);
    }
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    fuzz::EnterScratchDir();
    if (ASize < 1) return 0;
    const size_t logRecords = std::min<size_t>(AData[0] % 3, (ASize - 1) / 64);
    const std::string log = fuzz::Bytes(AData + 1, logRecords * 64);
    const std::string file = fuzz::Bytes(AData + 1 + log.size(), ASize - 1 - log.size());
    fuzz::WriteFile(records::PLAY_LOG_FILE_NAME, log);
    fuzz::WriteFile(records::ALL_TIME_FILE_NAME, file);
    const records::TDailyTracker t;

    records::TAllTimeRecord got;
    t.GetAllTimeRecords(got);
    if (file.size() >= records::ALL_TIME_RECORD_SIZE) {
        CheckAgainstBytes(got, file.data());
        const records::TAllTimeRecordBytes enc = records::EncodeAllTimeRecord(got);
        const records::TAllTimeRecordBytes again = records::EncodeAllTimeRecord(records::DecodeAllTimeRecord(enc.data()));
        FUZZ_CHECK(again == enc);
        CheckAgainstBytes(records::DecodeAllTimeRecord(enc.data()), reinterpret_cast<const char*>(enc.data()));
        CheckAgainstBytes(got, reinterpret_cast<const char*>(enc.data()));
    } else {
        FUZZ_CHECK(got == records::TAllTimeRecord{});
    }

    // A new game: its record first, then the update.
    const std::string player = logRecords ? Name(log.data()) : std::string("Ann");
    const double date = logRecords ? F64(log.data() + 48) : 45913.0;
    const int32_t score = logRecords ? I32(log.data() + 56) : 187;
    t.RecordPlay(player, date, score, 10);
    t.UpdateAllTimeRecords(player, date, score);
    const std::string after = Slurp(records::ALL_TIME_FILE_NAME);
    FUZZ_CHECK(after.size() == records::ALL_TIME_RECORD_SIZE);
    records::TAllTimeRecord now;
    t.GetAllTimeRecords(now);
    CheckAgainstBytes(now, after.data());
    FUZZ_CHECK(score <= 0 || now.HighestDayScore >= score);
    if (file.size() >= records::ALL_TIME_RECORD_SIZE && got.HighestDayScore >= got.SecondDayScore &&
        got.SecondDayScore >= got.ThirdDayScore)
        FUZZ_CHECK(now.HighestDayScore >= now.SecondDayScore && now.SecondDayScore >= now.ThirdDayScore);
    return 0;
}
