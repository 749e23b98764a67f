// The all-time records file: layout, the incremental update after each game,
// the rebuild from the log (checked against the literal procedure), safe saves
// and the reader that never fails.
#include "records_support.h"

#include <cstring>
#include <filesystem>
#include <random>

#include <sys/stat.h>
#include <unistd.h>

using namespace records_test;

namespace {

const std::string kRec = records::ALL_TIME_FILE_NAME;

int32_t I32At(const std::string& b, std::size_t off) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(b[off + i]);
    return static_cast<int32_t>(v);
}
double F64At(const std::string& b, std::size_t off) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(b[off + i]);
    double d;
    std::memcpy(&d, &v, 8);
    return d;
}
std::string NameAt(const std::string& b, std::size_t off) {
    return b.substr(off + 1, static_cast<unsigned char>(b[off]));
}

// Plays one game the way playing a day does: append, then update.
void Play(const TDailyTracker& t, const std::string& who, TDateTime d, int32_t score) {
    t.RecordPlay(who, d, score, 10);
    t.UpdateAllTimeRecords(who, d, score);
}

// Ten monthly and ten lifetime entries with totals 1000, 900, ..., 100.
TAllTimeRecord TenEntries() {
    TAllTimeRecord r;
    for (int i = 0; i < 10; ++i) {
        r.TopMonthlyPlayers[i] = "M" + std::to_string(i + 1);
        r.TopMonthlyScores[i] = 1000 - 100 * i;
        r.TopMonthlyDates[i] = D(2025, 1, 1);
        r.TopLifetimePlayers[i] = "L" + std::to_string(i + 1);
        r.TopLifetimeTotals[i] = 1000 - 100 * i;
        r.TopLifetimeGames[i] = 10 + i;
    }
    return r;
}

} // namespace

// ---- Layout --------------------------------------------------------------------------

TEST(AllTimeLayout, EveryFieldAtItsOffset) {
    TAllTimeRecord r;
    r.HighestDayPlayer = "High";
    r.HighestDayScore = 300;
    r.HighestDayDate = 45913.0;
    r.SecondDayPlayer = "Second";
    r.SecondDayScore = 290;
    r.SecondDayDate = 45914.5;
    r.ThirdDayPlayer = std::string(40, 'T');
    r.ThirdDayScore = -7;
    r.ThirdDayDate = 1.25;
    for (int i = 0; i < 10; ++i) {
        r.TopMonthlyPlayers[i] = "m" + std::to_string(i);
        r.TopMonthlyScores[i] = 5000 + i;
        r.TopMonthlyDates[i] = 45000.0 + i;
        r.TopLifetimePlayers[i] = "life" + std::to_string(i);
        r.TopLifetimeTotals[i] = 70000 + i;
        r.TopLifetimeGames[i] = 300 + i;
    }
    const std::string b = Bytes(r);
    ASSERT_EQ(b.size(), 1200u);
    EXPECT_EQ(NameAt(b, 0), "High");
    EXPECT_EQ(I32At(b, 44), 300);
    EXPECT_EQ(F64At(b, 48), 45913.0);
    EXPECT_EQ(NameAt(b, 56), "Second");
    EXPECT_EQ(I32At(b, 100), 290);
    EXPECT_EQ(F64At(b, 104), 45914.5);
    EXPECT_EQ(NameAt(b, 112), std::string(40, 'T'));
    EXPECT_EQ(I32At(b, 156), -7);
    EXPECT_EQ(F64At(b, 160), 1.25);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(NameAt(b, 168 + 41 * i), "m" + std::to_string(i));
        EXPECT_EQ(I32At(b, 580 + 4 * i), 5000 + i);
        EXPECT_EQ(F64At(b, 624 + 8 * i), 45000.0 + i);
        EXPECT_EQ(NameAt(b, 704 + 41 * i), "life" + std::to_string(i));
        EXPECT_EQ(I32At(b, 1116 + 4 * i), 70000 + i);
        EXPECT_EQ(I32At(b, 1156 + 4 * i), 300 + i);
    }
    for (std::size_t pad : {41u,  42u,  43u,  97u,  98u,   99u,   153u,  154u,  155u,  578u, 579u,
                            620u, 621u, 622u, 623u, 1114u, 1115u, 1196u, 1197u, 1198u, 1199u})
        EXPECT_EQ(b[pad], '\0') << pad;
    EXPECT_EQ(records::DecodeAllTimeRecord(reinterpret_cast<const uint8_t*>(b.data())), r);
}

// ---- The update -----------------------------------------------------------------------------

TEST_F(StoreTest, FirstGameEverCreatesTheRecordsFile) {
    TDailyTracker t;
    const TDateTime d = D(2025, 9, 13);
    Play(t, "Ann", d, 187);
    ASSERT_EQ(std::filesystem::file_size(kRec), 1200u);
    TAllTimeRecord want;
    want.HighestDayPlayer = "Ann";
    want.HighestDayScore = 187;
    want.HighestDayDate = d;
    want.TopMonthlyPlayers[0] = "Ann";
    want.TopMonthlyScores[0] = 187;
    want.TopMonthlyDates[0] = D(2025, 9, 1);
    want.TopLifetimePlayers[0] = "Ann";
    want.TopLifetimeTotals[0] = 187;
    want.TopLifetimeGames[0] = 1;
    EXPECT_EQ(ReadRecordsFile(), want);
    TAllTimeRecord got;
    t.GetAllTimeRecords(got);
    EXPECT_EQ(got, want);
    // Saved through a temporary file that is gone now.
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator("."))
        files += e.is_regular_file();
    EXPECT_EQ(files, 2);
}

TEST_F(StoreTest, BestDaysMoveDownAndEqualScoresNeverDisplace) {
    TDailyTracker t;
    const TDateTime d = D(2025, 9, 1);
    Play(t, "A", d, 200);
    Play(t, "B", d + 1, 150);
    Play(t, "C", d + 2, 100);
    Play(t, "D", d + 3, 200); // equal to the highest, above the second
    TAllTimeRecord r = ReadRecordsFile();
    EXPECT_EQ(r.HighestDayPlayer, "A");
    EXPECT_EQ(r.SecondDayPlayer, "D");
    EXPECT_EQ(r.SecondDayDate, d + 3);
    EXPECT_EQ(r.ThirdDayPlayer, "B");
    EXPECT_EQ(r.ThirdDayScore, 150);
    Play(t, "E", d + 4, 150); // equal to the third: no change
    EXPECT_EQ(ReadRecordsFile().ThirdDayPlayer, "B");
    Play(t, "A", d + 5, 250); // one player may hold several best days
    r = ReadRecordsFile();
    EXPECT_EQ(r.HighestDayPlayer, "A");
    EXPECT_EQ(r.HighestDayScore, 250);
    EXPECT_EQ(r.SecondDayPlayer, "A");
    EXPECT_EQ(r.ThirdDayPlayer, "D");
}

TEST_F(StoreTest, SecondGameOfAMonthUpdatesTheEntryAndMovesItUp) {
    TDailyTracker t;
    Play(t, "Big", D(2025, 9, 1), 250);
    Play(t, "Mid", D(2025, 9, 1), 200);
    Play(t, "Ann", D(2025, 9, 2), 100);
    TAllTimeRecord r = ReadRecordsFile();
    EXPECT_EQ(r.TopMonthlyPlayers[2], "Ann");
    Play(t, "Ann", D(2025, 9, 20), 120); // 220: above Mid, below Big
    r = ReadRecordsFile();
    EXPECT_EQ(r.TopMonthlyPlayers[0], "Big");
    EXPECT_EQ(r.TopMonthlyPlayers[1], "Ann");
    EXPECT_EQ(r.TopMonthlyScores[1], 220);
    EXPECT_EQ(r.TopMonthlyDates[1], D(2025, 9, 1));
    EXPECT_EQ(r.TopMonthlyPlayers[2], "Mid");
    EXPECT_EQ(r.TopMonthlyPlayers[3], "");
    EXPECT_EQ(r.TopLifetimePlayers[1], "Ann");
    EXPECT_EQ(r.TopLifetimeTotals[1], 220);
    EXPECT_EQ(r.TopLifetimeGames[1], 2);
    EXPECT_EQ(r.TopLifetimeTotals[0], 250);

    Play(t, "Ann", D(2025, 10, 3), 90); // next month: a second monthly entry
    r = ReadRecordsFile();
    EXPECT_EQ(r.TopMonthlyPlayers[1], "Ann");
    EXPECT_EQ(r.TopMonthlyScores[1], 220);
    EXPECT_EQ(r.TopMonthlyPlayers[3], "Ann");
    EXPECT_EQ(r.TopMonthlyScores[3], 90);
    EXPECT_EQ(r.TopMonthlyDates[3], D(2025, 10, 1));
    EXPECT_EQ(r.TopLifetimePlayers[0], "Ann");
    EXPECT_EQ(r.TopLifetimeTotals[0], 310);
    EXPECT_EQ(r.TopLifetimeGames[0], 3);
}

TEST_F(StoreTest, FullTablesBelowEveryEntryStayUnchanged) {
    TDailyTracker t;
    WriteBytes(kRec, Bytes(TenEntries()));
    Play(t, "Low", D(2025, 9, 9), 50);
    TAllTimeRecord want = TenEntries();
    want.HighestDayPlayer = "Low";
    want.HighestDayScore = 50;
    want.HighestDayDate = D(2025, 9, 9);
    EXPECT_EQ(ReadRecordsFile(), want);
}

TEST_F(StoreTest, NewTotalEqualToPlaceThreeGoesToPlaceFour) {
    TDailyTracker t;
    WriteBytes(kRec, Bytes(TenEntries()));
    Play(t, "Zed", D(2025, 9, 9), 800); // entry 3 holds 800, entry 4 700
    const TAllTimeRecord r = ReadRecordsFile();
    const TAllTimeRecord old = TenEntries();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(r.TopMonthlyPlayers[i], old.TopMonthlyPlayers[i]);
        EXPECT_EQ(r.TopLifetimePlayers[i], old.TopLifetimePlayers[i]);
    }
    EXPECT_EQ(r.TopMonthlyPlayers[3], "Zed");
    EXPECT_EQ(r.TopMonthlyScores[3], 800);
    EXPECT_EQ(r.TopMonthlyDates[3], D(2025, 9, 1));
    EXPECT_EQ(r.TopLifetimePlayers[3], "Zed");
    EXPECT_EQ(r.TopLifetimeTotals[3], 800);
    EXPECT_EQ(r.TopLifetimeGames[3], 1);
    for (int i = 4; i < 10; ++i) {
        EXPECT_EQ(r.TopMonthlyPlayers[i], old.TopMonthlyPlayers[i - 1]);
        EXPECT_EQ(r.TopMonthlyScores[i], old.TopMonthlyScores[i - 1]);
        EXPECT_EQ(r.TopLifetimePlayers[i], old.TopLifetimePlayers[i - 1]);
        EXPECT_EQ(r.TopLifetimeGames[i], old.TopLifetimeGames[i - 1]);
    }
    // The old entry 10 is gone.
    for (int i = 0; i < 10; ++i) {
        EXPECT_NE(r.TopMonthlyPlayers[i], "M10");
        EXPECT_NE(r.TopLifetimePlayers[i], "L10");
    }
}

TEST_F(StoreTest, UpdateTotalsCountEveryGameInTheLogForThatPlayerAndMonth) {
    TDailyTracker t;
    // Older history and a make-up game of the same month already in the log.
    WriteLog({{"Ann", D(2025, 8, 30), 100, 10},
              {"Ann", D(2025, 9, 2), 40, 10},
              {"Bob", D(2025, 9, 2), 70, 10}});
    Play(t, "Ann", D(2025, 9, 25), 60);
    const TAllTimeRecord r = ReadRecordsFile();
    EXPECT_EQ(r.TopMonthlyPlayers[0], "Ann");
    EXPECT_EQ(r.TopMonthlyScores[0], 100); // 40 + 60 in September
    EXPECT_EQ(r.TopLifetimeTotals[0], 200);
    EXPECT_EQ(r.TopLifetimeGames[0], 3);
    EXPECT_EQ(r.TopMonthlyPlayers[1], ""); // the update only touches its own player
}

TEST_F(StoreTest, ShortRecordsFileIsRebuiltFromTheLog) {
    TDailyTracker t;
    WriteLog({{"Ann", D(2025, 8, 30), 100, 10}, {"Bob", D(2025, 9, 2), 170, 10}});
    WriteBytes(kRec, std::string(600, '\x01'));
    TAllTimeRecord got;
    t.GetAllTimeRecords(got);
    EXPECT_EQ(got, TAllTimeRecord{}); // the reader shows it as empty
    Play(t, "Cy", D(2025, 9, 3), 120);
    ASSERT_EQ(std::filesystem::file_size(kRec), 1200u);
    EXPECT_EQ(ReadRecordsFile(), LiteralRebuild(ReadLog()));
    EXPECT_EQ(ReadRecordsFile().ThirdDayPlayer, "Ann");
    Play(t, "Cy", D(2025, 9, 4), 10); // and later games update it normally
    EXPECT_EQ(ReadRecordsFile().TopLifetimeTotals[1], 130);
}

TEST_F(StoreTest, FailedSaveLeavesTheOldFileWhole) {
    TDailyTracker t;
    Play(t, "Ann", D(2025, 9, 13), 187);
    const std::string before = ReadBytes(kRec);
    // Block the temporary file's name so the save cannot write.
    const std::string temp = kRec + "." + std::to_string(::getpid()) + ".tmp";
    std::filesystem::create_directory(temp);
    t.RecordPlay("Bob", D(2025, 9, 13), 250, 10);
    try {
        t.UpdateAllTimeRecords("Bob", D(2025, 9, 13), 250);
        ADD_FAILURE() << "no error raised";
    } catch (const records::EPlayRecordIOError& e) {
        EXPECT_EQ(e.FileName(), kRec);
    }
    EXPECT_EQ(ReadBytes(kRec), before);
    std::filesystem::remove(temp);
    t.UpdateAllTimeRecords("Bob", D(2025, 9, 13), 250);
    EXPECT_EQ(ReadRecordsFile().HighestDayPlayer, "Bob");
}

TEST_F(StoreTest, SaveKeepsThePermissionBits) {
    TDailyTracker t;
    Play(t, "Ann", D(2025, 9, 13), 187);
    ::chmod(kRec.c_str(), 0640);
    Play(t, "Bob", D(2025, 9, 13), 190);
    struct stat st {};
    ASSERT_EQ(::stat(kRec.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(ReadRecordsFile().HighestDayPlayer, "Bob");
}

// ---- The rebuild ------------------------------------------------------------------------------

TEST_F(StoreTest, RebuildWithEmptyLogVersusNoLog) {
    TDailyTracker t;
    t.RebuildAllTimeRecords();
    EXPECT_FALSE(Exists(kRec));
    EXPECT_FALSE(Exists(records::PLAY_LOG_FILE_NAME));
    WriteBytes(records::PLAY_LOG_FILE_NAME, "");
    t.RebuildAllTimeRecords();
    EXPECT_EQ(ReadBytes(kRec), std::string(1200, '\0'));
}

TEST_F(StoreTest, RebuildListsZeroTotalsAndKeepsFirstAppearanceOrderOfTies) {
    TDailyTracker t;
    WriteLog({{"A", D(2025, 1, 5), 0, 1},
              {"B", D(2025, 1, 6), 50, 10},
              {"C", D(2025, 2, 6), 50, 10},
              {"A", D(2025, 2, 7), 0, 1}});
    t.RebuildAllTimeRecords();
    const TAllTimeRecord r = ReadRecordsFile();
    EXPECT_EQ(r, LiteralRebuild(ReadLog()));
    EXPECT_EQ(r.TopLifetimePlayers[0], "B");
    EXPECT_EQ(r.TopLifetimePlayers[1], "C");
    EXPECT_EQ(r.TopLifetimePlayers[2], "A");
    EXPECT_EQ(r.TopLifetimeGames[2], 2);
    EXPECT_EQ(r.TopMonthlyPlayers[2], "A"); // zero totals are listed
    EXPECT_EQ(r.TopMonthlyPlayers[3], "A");
    EXPECT_EQ(r.TopMonthlyDates[3], D(2025, 2, 1));
}

TEST_F(StoreTest, RebuildEqualsTheLiteralProcedureOnRandomLogs) {
    TDailyTracker t;
    std::mt19937 rng(1899);
    for (int round = 0; round < 30; ++round) {
        std::vector<TDailyPlayRecord> log;
        const int players = 1 + static_cast<int>(rng() % 60);
        const int records = static_cast<int>(rng() % 2500);
        for (int i = 0; i < records; ++i) {
            const int p = static_cast<int>(rng() % players);
            const int y = 2023 + static_cast<int>(rng() % 3);
            const int m = 1 + static_cast<int>(rng() % 12);
            const int d = 1 + static_cast<int>(rng() % common::DaysInMonth(y, m));
            const int score = static_cast<int>(rng() % 8) * 25; // many equal totals
            log.push_back(
                {"Player " + std::to_string(p), D(y, m, d) + (rng() % 2) * 0.5, score, 10});
        }
        WriteLog(log);
        t.RebuildAllTimeRecords();
        ASSERT_EQ(ReadRecordsFile(), LiteralRebuild(log)) << "round " << round;
    }
}

TEST_F(StoreTest, UpdatesAndRebuildAgreeOnTheBestDays) {
    TDailyTracker t;
    std::mt19937 rng(31);
    for (int i = 0; i < 150; ++i)
        Play(t, "p" + std::to_string(rng() % 9),
             D(2025, 1 + static_cast<int>(rng() % 3), 1 + static_cast<int>(rng() % 28)),
             static_cast<int32_t>(rng() % 12) * 20);
    const TAllTimeRecord updated = ReadRecordsFile();
    t.RebuildAllTimeRecords();
    const TAllTimeRecord rebuilt = ReadRecordsFile();
    EXPECT_EQ(updated.HighestDayPlayer, rebuilt.HighestDayPlayer);
    EXPECT_EQ(updated.HighestDayScore, rebuilt.HighestDayScore);
    EXPECT_EQ(updated.HighestDayDate, rebuilt.HighestDayDate);
    EXPECT_EQ(updated.SecondDayPlayer, rebuilt.SecondDayPlayer);
    EXPECT_EQ(updated.SecondDayScore, rebuilt.SecondDayScore);
    EXPECT_EQ(updated.SecondDayDate, rebuilt.SecondDayDate);
    EXPECT_EQ(updated.ThirdDayPlayer, rebuilt.ThirdDayPlayer);
    EXPECT_EQ(updated.ThirdDayScore, rebuilt.ThirdDayScore);
    EXPECT_EQ(updated.ThirdDayDate, rebuilt.ThirdDayDate);
}

// ---- The reader
// ------------------------------------------------------------------------------------

TEST_F(StoreTest, AllTimeReaderNeverFails) {
    TDailyTracker t;
    TAllTimeRecord r;
    r.HighestDayScore = 5;
    t.GetAllTimeRecords(r);
    EXPECT_EQ(r, TAllTimeRecord{}); // missing file
    std::filesystem::create_directory(kRec);
    r.HighestDayScore = 5;
    EXPECT_NO_THROW(t.GetAllTimeRecords(r)); // unreadable
    EXPECT_EQ(r, TAllTimeRecord{});
    std::filesystem::remove(kRec);
    TAllTimeRecord stored = TenEntries();
    WriteBytes(kRec, Bytes(stored) + "extra bytes after the record");
    t.GetAllTimeRecords(r);
    EXPECT_EQ(r, stored);
}
