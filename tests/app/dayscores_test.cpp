// Day scores (refusal, table, ranks and colours, overflow note, order of equal scores, the
// 50-play window) and the all-time champions screen followed by the recent monthly champions.
#include <gtest/gtest.h>

#include <fstream>

#include "app/dayscores.h"
#include "app/standings_fixture.h"

namespace {

using apptest::ENoMoreKeys;
using kegora::TScoreEntry;

class DayScoresTest : public apptest::StandingsTest {
  protected:
    void Show(common::TDateTime ADate) {
        Line->Keys("x");
        kegora::ShowDayScores(ADate);
        Take();
    }
    // Row of rank AI: "%2d.   ", 20 name columns, " %3d".
    static std::string Row(int AI, const std::string& AName, int AScore) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%2d.   %-20.20s %3d", AI, AName.c_str(), AScore);
        return buf;
    }
};

TEST(SortScoreEntries, ExchangeSortFixesTheOrderOfEqualScores) {
    std::vector<TScoreEntry> two = {{"A", 100}, {"B", 150}, {"C", 150}};
    kegora::SortScoreEntries(two);
    EXPECT_EQ(two[0].Name, "B");
    EXPECT_EQ(two[1].Name, "C");
    EXPECT_EQ(two[2].Name, "A");

    std::vector<TScoreEntry> four = {{"A", 10}, {"B", 20}, {"C", 20}, {"D", 30}};
    kegora::SortScoreEntries(four);
    std::string order;
    for (const auto& e : four) order += e.Name;
    EXPECT_EQ(order, "DCBA");

    std::vector<TScoreEntry> none;
    kegora::SortScoreEntries(none);
    EXPECT_TRUE(none.empty());
}

TEST_F(DayScoresTest, CallerWhoDidNotPlayTheDaySeesOnlyTheRefusal) {
    Today(2025, 9, 13);
    Play("Bob", Date(2025, 9, 10), 150);
    Play("Ann", Date(2025, 9, 11), 150);
    Show(Date(2025, 9, 10));
    EXPECT_EQ(Screen().Text(20, 12, 44), "You must play this day first to view scores!") << Dump();
    EXPECT_TRUE(Screen().AttrRun(20, 12, 44, 12));
    EXPECT_EQ(Screen().Text(26, 14, 28), "Press any key to continue...");
    EXPECT_EQ(Screen().Attr(26, 14), 14);
    EXPECT_FALSE(Screen().Contains("Bob"));
    EXPECT_FALSE(Screen().Contains("SCORES FOR"));
    EXPECT_TRUE(Screen().Contains("P I N M A R C H"));
}

TEST_F(DayScoresTest, TableRanksScoresWithColoursPerPlace) {
    Today(2025, 9, 13);
    const auto day = Date(2025, 9, 13);
    Play("Cy", day, 120);
    Play("Bob", day, 180);
    Play("Ann", day, 90);
    Play("Dee", day, 150);
    Play("Eve", day, 100);
    Play("Bob", Date(2025, 9, 12), 250);  // another day
    Show(day);
    EXPECT_EQ(Screen().Text(25, 2, 39), "=== SCORES FOR Sep 13, 2025 ===        ") << Dump();
    EXPECT_TRUE(Screen().AttrRun(25, 2, 39, 31));
    EXPECT_EQ(Screen().Text(25, 7, 32), "Rank   Player              Score");
    EXPECT_EQ(Screen().Attr(25, 7), 15);
    EXPECT_EQ(Screen().Text(25, 8, 32), std::string(32, '\xC4'));
    EXPECT_TRUE(Screen().AttrRun(25, 8, 32, 7));
    EXPECT_EQ(Screen().Text(25, 9, 30), Row(1, "Bob", 180));
    EXPECT_EQ(Screen().Text(25, 10, 30), Row(2, "Dee", 150));
    EXPECT_EQ(Screen().Text(25, 11, 30), Row(3, "Cy", 120));
    EXPECT_EQ(Screen().Text(25, 12, 30), Row(4, "Eve", 100));
    EXPECT_EQ(Screen().Text(25, 13, 30), Row(5, "Ann", 90));
    EXPECT_EQ(Screen().Text(25, 14, 30), std::string(30, ' '));
    EXPECT_TRUE(Screen().AttrRun(25, 9, 26, 14));
    EXPECT_TRUE(Screen().AttrRun(25, 10, 26, 15));
    EXPECT_TRUE(Screen().AttrRun(25, 11, 26, 15));
    EXPECT_TRUE(Screen().AttrRun(25, 12, 26, 7));
    EXPECT_TRUE(Screen().AttrRun(25, 13, 26, 30));  // the caller's own row
    EXPECT_TRUE(Screen().AttrRun(51, 9, 4, 10));
    EXPECT_TRUE(Screen().AttrRun(51, 13, 4, 10));
    EXPECT_FALSE(Screen().Contains("more players"));
    EXPECT_EQ(Screen().Text(26, 23, 28), "Press any key to continue...");
}

TEST_F(DayScoresTest, OwnRowIsYellowOnBlueEvenInFirstPlace) {
    Today(2025, 9, 13);
    const auto day = Date(2025, 9, 13);
    Play("Bob", day, 100);
    Play("Ann", day, 200);
    Show(day);
    EXPECT_EQ(Screen().Text(25, 9, 30), Row(1, "Ann", 200)) << Dump();
    EXPECT_TRUE(Screen().AttrRun(25, 9, 26, 30));
    EXPECT_TRUE(Screen().AttrRun(25, 10, 26, 15));
}

TEST_F(DayScoresTest, ElevenPlaysShowTenRowsAndANote) {
    Today(2025, 9, 13);
    const auto day = Date(2025, 9, 5);
    Play("Ann", day, 50);
    for (int i = 0; i < 10; ++i) Play("P" + std::to_string(i), day, 100 + i);
    Show(day);
    EXPECT_EQ(Screen().Text(25, 9, 30), Row(1, "P9", 109)) << Dump();
    EXPECT_EQ(Screen().Text(25, 18, 30), Row(10, "P0", 100));
    EXPECT_EQ(Screen().Text(25, 19, 30), std::string(30, ' '));
    EXPECT_FALSE(Screen().Contains("Ann"));
    EXPECT_EQ(Screen().Text(25, 20, 26), "(1 more players not shown)");
    EXPECT_TRUE(Screen().AttrRun(25, 20, 26, 8));
}

TEST_F(DayScoresTest, EqualScoresKeepFileOrder) {
    Today(2025, 9, 13);
    const auto day = Date(2025, 9, 13);
    Play("Ann", day, 100);
    Play("Bob", day, 150);
    Play("Cy", day, 150);
    Show(day);
    EXPECT_EQ(Screen().Text(25, 9, 30), Row(1, "Bob", 150)) << Dump();
    EXPECT_EQ(Screen().Text(25, 10, 30), Row(2, "Cy", 150));
    EXPECT_EQ(Screen().Text(25, 11, 30), Row(3, "Ann", 100));
}

TEST_F(DayScoresTest, OnlyTheFirstFiftyPlaysOfTheDayAreConsidered) {
    Today(2025, 9, 13);
    const auto day = Date(2025, 9, 13);
    Play("Ann", day, 10);
    for (int i = 0; i < 54; ++i) Play("P" + std::to_string(i), day, i < 49 ? 20 : 300);
    Show(day);
    // The 300s are plays 51 to 55: never read.
    EXPECT_FALSE(Screen().Contains("300")) << Dump();
    EXPECT_EQ(Screen().Text(25, 20, 27), "(40 more players not shown)");
}

TEST_F(DayScoresTest, NamesAreCutTo20AndShownSafely) {
    Today(2025, 9, 13);
    const auto day = Date(2025, 9, 13);
    Play("Ann", day, 10);
    Play("Maximilian Alexander Longfellow", day, 99);
    Play("Bad\x1b[31mName", day, 98);
    Show(day);
    EXPECT_EQ(Screen().Text(25, 9, 30), Row(1, "Maximilian Alexander", 99)) << Dump();
    EXPECT_EQ(Screen().Text(25, 10, 30), Row(2, "Bad?[31mName", 98));
    EXPECT_EQ(Line->Sent.find("Bad\x1b"), std::string::npos);
}

// ---- All-time champions ---------------------------------------------------------------

void WriteRecords(const records::TAllTimeRecord& ARecord) {
    const auto bytes = records::EncodeAllTimeRecord(ARecord);
    std::ofstream out(records::ALL_TIME_FILE_NAME, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TEST_F(DayScoresTest, AllTimeScreenShowsBestDaysAndBothTables) {
    Today(2025, 9, 13);
    records::TAllTimeRecord rec;
    rec.HighestDayPlayer = "Bartholomew the Great";
    rec.HighestDayScore = 250;
    rec.SecondDayPlayer = "Ann";
    rec.SecondDayScore = 240;
    rec.ThirdDayPlayer = "Ghost";
    rec.ThirdDayScore = 0;  // not shown
    rec.TopMonthlyPlayers[0] = "Ann";
    rec.TopMonthlyScores[0] = 1234;
    rec.TopMonthlyDates[0] = Date(2025, 9, 1);
    rec.TopMonthlyPlayers[1] = "Bob\x1b";
    rec.TopMonthlyScores[1] = 99;
    rec.TopMonthlyDates[1] = Date(2024, 12, 1);
    rec.TopMonthlyPlayers[2] = "Zero";  // a total of 0 is an empty slot
    rec.TopLifetimePlayers[0] = "A lifetime champion name";
    rec.TopLifetimeTotals[0] = 98765;
    rec.TopLifetimeGames[0] = 512;
    WriteRecords(rec);

    EXPECT_THROW(kegora::ShowRecentAndAllTimeChampions(), ENoMoreKeys);
    Take();
    EXPECT_EQ(Screen().Text(8, 2, 39), "   === ALL-TIME PINMARCH CHAMPIONS === ") << Dump();
    EXPECT_TRUE(Screen().AttrRun(8, 2, 39, 31));
    EXPECT_EQ(Screen().Text(26, 4, 24), "  Best Single Day Scores");
    EXPECT_EQ(Screen().Attr(28, 4), 14);
    EXPECT_EQ(Screen().Text(7, 6, 20), "1) Bartholomew t 250");
    EXPECT_TRUE(Screen().AttrRun(7, 6, 3, 14));
    EXPECT_TRUE(Screen().AttrRun(10, 6, 13, 15));
    EXPECT_TRUE(Screen().AttrRun(23, 6, 4, 10));
    EXPECT_EQ(Screen().Text(32, 6, 20), "2) Ann           240");
    EXPECT_TRUE(Screen().AttrRun(32, 6, 3, 7));
    EXPECT_EQ(Screen().Text(52, 6, 29), std::string(29, ' ')) << "no third place";
    EXPECT_EQ(Screen().Text(7, 8, 68), std::string(68, '\xC4'));
    EXPECT_EQ(Screen().Text(13, 10, 18), "TOP MONTHLY TOTALS");
    EXPECT_EQ(Screen().Text(47, 10, 19), "TOP LIFETIME TOTALS");
    EXPECT_EQ(Screen().Text(8, 12, 28), " 1. Ann           1234 09-25");
    EXPECT_TRUE(Screen().AttrRun(8, 12, 17, 15));
    EXPECT_TRUE(Screen().AttrRun(25, 12, 6, 10));
    EXPECT_TRUE(Screen().AttrRun(31, 12, 5, 7));
    EXPECT_EQ(Screen().Text(8, 13, 28), " 2. Bob?            99 12-24");
    EXPECT_EQ(Screen().Text(8, 14, 17), " 3. --- empty ---");
    EXPECT_TRUE(Screen().AttrRun(8, 14, 17, 8));
    EXPECT_EQ(Screen().Text(8, 21, 17), "10. --- empty ---");
    EXPECT_EQ(Screen().Text(44, 12, 28), " 1. A lifetime ch 98765 512g");
    EXPECT_TRUE(Screen().AttrRun(61, 12, 6, 10));
    EXPECT_TRUE(Screen().AttrRun(67, 12, 5, 7));
    EXPECT_EQ(Screen().Text(44, 13, 17), " 2. --- empty ---");
    EXPECT_EQ(Screen().Text(27, 23, 28), "Press any key to continue...");
    EXPECT_EQ(Line->Sent.find("Bob\x1b"), std::string::npos);
}

TEST_F(DayScoresTest, AllTimeScreenWithoutRecordsShowsEmptyRowsOnly) {
    Today(2025, 9, 13);
    EXPECT_THROW(kegora::ShowRecentAndAllTimeChampions(), ENoMoreKeys);
    Take();
    EXPECT_EQ(Screen().Text(7, 6, 70), std::string(70, ' ')) << Dump();
    for (int i = 1; i <= 10; ++i) {
        char expected[32];
        std::snprintf(expected, sizeof expected, "%2d. --- empty ---", i);
        EXPECT_EQ(Screen().Text(8, 11 + i, 17), expected);
        EXPECT_EQ(Screen().Text(44, 11 + i, 17), expected);
    }
    EXPECT_FALSE(std::filesystem::exists(records::ALL_TIME_FILE_NAME));
}

TEST_F(DayScoresTest, AKeyOnTheAllTimeScreenLeadsToTheRecentChampions) {
    Today(2025, 9, 13);
    Play("Ann", Date(2025, 8, 2), 140);
    Line->Keys("xy");
    kegora::ShowRecentAndAllTimeChampions();
    Take();
    EXPECT_TRUE(Screen().Contains("=== RECENT MONTHLY CHAMPIONS ===")) << Dump();
    EXPECT_EQ(Screen().Text(25, 6, 11), "August 2025");
    EXPECT_EQ(Screen().Text(20, 7, 27), "1. Ann              140 pts");
    EXPECT_FALSE(Screen().Contains("ALL-TIME"));
}

} // namespace
