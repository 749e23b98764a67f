// The standings screens: daily winners of the month (both halves, February, unplayed days,
// ties, own wins, name widths), monthly champions (ranks, columns, own row) and the recent
// monthly champions (month wrap across the year, short months, name widths).
#include <gtest/gtest.h>

#include "app/standings.h"
#include "app/standings_fixture.h"

namespace {

class StandingsScreens : public apptest::StandingsTest {
  protected:
    template <class TScreen>
    void Run(TScreen AScreen) {
        Line->Keys("x");
        AScreen();
        Take();
    }
};

const std::string kRule74(74, '\xC4');

// ---- Daily winners ---------------------------------------------------------------------

TEST_F(StandingsScreens, DailyWinnersOf31DayMonthFillBothHalves) {
    Today(2025, 8, 20);
    for (int d = 1; d <= 31; ++d) Play("Ann", Date(2025, 8, d), 100 + d);
    Run(kegora::ShowDailyWinnersScreen);
    // "=== DAILY WINNERS FOR August 2025 ===" is 37 long: column (80 - 37) div 2 = 21.
    EXPECT_EQ(Screen().Text(21, 2, 37), "=== DAILY WINNERS FOR August 2025 ===") << Dump();
    EXPECT_TRUE(Screen().AttrRun(21, 2, 37, 31));
    EXPECT_EQ(Screen().Text(5, 4, 69),
              " Day   Winner              Score      Day   Winner              Score");
    EXPECT_EQ(Screen().Attr(5, 4), 15);
    EXPECT_EQ(Screen().Text(5, 5, 74), kRule74);
    EXPECT_TRUE(Screen().AttrRun(5, 5, 74, 7));
    EXPECT_EQ(Screen().Text(5, 6, 31), " 8/ 1  Ann                  101");
    EXPECT_EQ(Screen().Text(5, 21, 31), " 8/16  Ann                  116");
    EXPECT_EQ(Screen().Text(42, 6, 31), " 8/17  Ann                  117");
    EXPECT_EQ(Screen().Text(42, 20, 31), " 8/31  Ann                  131");
    EXPECT_EQ(Screen().Text(42, 21, 31), std::string(31, ' '));
    EXPECT_TRUE(Screen().AttrRun(5, 6, 7, 14));
    EXPECT_TRUE(Screen().AttrRun(12, 6, 20, 30));  // the caller's own win
    EXPECT_TRUE(Screen().AttrRun(32, 6, 4, 10));
    EXPECT_EQ(Screen().Text(25, 23, 28), "Press any key to continue...");
    EXPECT_EQ(Screen().Attr(25, 23), 14);
}

TEST_F(StandingsScreens, DailyWinnersOfFebruaryEndOnRow17OrRow18InALeapYear) {
    Today(2025, 2, 10);
    Run(kegora::ShowDailyWinnersScreen);
    EXPECT_EQ(Screen().Text(42, 17, 29), " 2/28  DAY NOT PLAYED        ") << Dump();
    EXPECT_EQ(Screen().Text(42, 18, 29), std::string(29, ' '));
    EXPECT_EQ(Screen().Text(5, 21, 29), " 2/16  DAY NOT PLAYED        ");

    Today(2024, 2, 10);
    Line->Keys("x");
    kegora::ShowDailyWinnersScreen();
    Take();
    EXPECT_EQ(Screen().Text(42, 18, 29), " 2/29  DAY NOT PLAYED        ") << Dump();
    EXPECT_EQ(Screen().Text(42, 19, 29), std::string(29, ' '));
}

TEST_F(StandingsScreens, UnplayedDayHidesTheWinnerEvenWhenOthersPlayed) {
    Today(2025, 9, 13);
    Play("Bob", Date(2025, 9, 2), 150);
    Play("Ann", Date(2025, 9, 3), 90);
    Play("Bob", Date(2025, 9, 3), 150);
    Run(kegora::ShowDailyWinnersScreen);
    EXPECT_EQ(Screen().Text(5, 7, 29), " 9/ 2  DAY NOT PLAYED        ") << Dump();
    EXPECT_TRUE(Screen().AttrRun(12, 7, 22, 8));
    EXPECT_FALSE(Screen().Contains("Bob                  150") &&
                 Screen().Find("Bob                  150")->second == 7);
    // Day 3 was played by the caller: Bob's win shows in white.
    EXPECT_EQ(Screen().Text(5, 8, 31), " 9/ 3  Bob                  150");
    EXPECT_TRUE(Screen().AttrRun(12, 8, 20, 15));
    EXPECT_TRUE(Screen().AttrRun(32, 8, 4, 10));
    // Nobody's record on day 1 and a day after today: not played.
    EXPECT_EQ(Screen().Text(12, 6, 22), "DAY NOT PLAYED        ");
    EXPECT_EQ(Screen().Text(49, 13, 22), "DAY NOT PLAYED        ");  // day 24
}

TEST_F(StandingsScreens, ThreeWayTieShowsTheTieText) {
    Today(2025, 9, 13);
    Play("Cy", Date(2025, 9, 5), 150);
    Play("Ann", Date(2025, 9, 5), 170);
    Play("Bob", Date(2025, 9, 5), 170);
    Play("Dee", Date(2025, 9, 5), 170);
    Run(kegora::ShowDailyWinnersScreen);
    EXPECT_EQ(Screen().Text(5, 10, 31), " 9/ 5  3 players tied       170") << Dump();
    EXPECT_TRUE(Screen().AttrRun(12, 10, 20, 15));
}

TEST_F(StandingsScreens, WinnerNamesAreCutTo20AndScoresStayAligned) {
    Today(2025, 9, 13);
    Play("Ann", Date(2025, 9, 7), 50);
    Play("Bartholomew Longname-Smith", Date(2025, 9, 7), 210);
    Play("Ann", Date(2025, 9, 20), 0);  // a win with 0: the name, score 0
    Run(kegora::ShowDailyWinnersScreen);
    EXPECT_EQ(Screen().Text(5, 12, 31), " 9/ 7  Bartholomew Longname 210") << Dump();
    EXPECT_EQ(Screen().Text(42, 9, 31), " 9/20  Ann                    0");
}

TEST_F(StandingsScreens, ControlBytesAndPipeCodesOfWinnerNamesAreShownAsText) {
    Today(2025, 9, 13);
    Play("Ann", Date(2025, 9, 1), 10);
    Play("Ev\x1b[2J\x07il", Date(2025, 9, 1), 200);
    Play("Ann", Date(2025, 9, 2), 10);
    Play("Red|04Bob", Date(2025, 9, 2), 200);
    Run(kegora::ShowDailyWinnersScreen);
    EXPECT_EQ(Screen().Text(12, 6, 24), "Ev?[2J?il            200") << Dump();
    EXPECT_EQ(Screen().Text(12, 7, 24), "Red|04Bob            200");
    EXPECT_TRUE(Screen().AttrRun(12, 7, 20, 15));
    EXPECT_EQ(Line->Sent.find("Ev\x1b"), std::string::npos);
    EXPECT_EQ(Line->Sent.find('\x07'), std::string::npos);
}

// ---- Monthly champions --------------------------------------------------------------------

TEST_F(StandingsScreens, MonthlyChampionsRankTotalsWithColumnsAndTheCallersRow) {
    Today(2025, 9, 13);
    Play("Ann", Date(2025, 9, 1), 150);
    Play("Bob", Date(2025, 9, 1), 180);
    Play("Ann", Date(2025, 9, 2), 160);
    Play("Cy", Date(2025, 9, 2), 99);
    Play("Bob", Date(2025, 8, 30), 300);  // another month
    Run(kegora::ShowMonthlyChampions);
    EXPECT_EQ(Screen().Text(25, 2, 36), "   === MONTHLY CHAMPIONS ===        ") << Dump();
    EXPECT_TRUE(Screen().AttrRun(25, 2, 36, 31));
    EXPECT_EQ(Screen().Text(10, 5, 31), "Current Month (September 2025):");
    EXPECT_EQ(Screen().Attr(10, 5), 14);
    EXPECT_EQ(Screen().Text(10, 7, 52), "Rank  Player                Total Score  Days Played");
    EXPECT_EQ(Screen().Attr(10, 7), 15);
    EXPECT_EQ(Screen().Text(10, 8, 46), " 1.   Ann                       310          2");
    EXPECT_EQ(Screen().Text(10, 9, 46), " 2.   Bob                       180          1");
    EXPECT_EQ(Screen().Text(10, 10, 46), " 3.   Cy                         99          1");
    EXPECT_EQ(Screen().Text(10, 11, 46), std::string(46, ' '));
    EXPECT_TRUE(Screen().AttrRun(10, 8, 26, 30));
    EXPECT_TRUE(Screen().AttrRun(36, 8, 20, 10));
    EXPECT_TRUE(Screen().AttrRun(10, 9, 26, 7));
    EXPECT_TRUE(Screen().AttrRun(36, 9, 20, 10));
    EXPECT_EQ(Screen().Text(25, 23, 28), "Press any key to continue...");
}

TEST_F(StandingsScreens, MonthlyChampionsShowTenOfTwelveAndCutNamesTo20) {
    Today(2025, 9, 13);
    for (int i = 0; i < 12; ++i)
        Play(std::string("Player number ") + char('A' + i) + " with a long name", Date(2025, 9, 1),
             500 - i);
    Run(kegora::ShowMonthlyChampions);
    EXPECT_EQ(Screen().Text(10, 8, 46), " 1.   Player number A with      500          1") << Dump();
    EXPECT_EQ(Screen().Text(10, 17, 46), "10.   Player number J with      491          1");
    EXPECT_EQ(Screen().Text(10, 18, 46), std::string(46, ' '));
}

TEST_F(StandingsScreens, MonthlyChampionsWithoutAPlayLogShowOnlyTheHeadings) {
    Today(2025, 9, 13);
    Run(kegora::ShowMonthlyChampions);
    EXPECT_TRUE(Screen().Contains("Rank  Player"));
    EXPECT_EQ(Screen().Text(10, 8, 46), std::string(46, ' '));
    EXPECT_FALSE(std::filesystem::exists("pmchplay.dat"));
}

// ---- Recent monthly champions ------------------------------------------------------------

TEST_F(StandingsScreens, RecentChampionsInJanuaryGoBackToTheYearBefore) {
    Today(2026, 1, 15);
    Play("Ann", Date(2025, 12, 3), 300);
    Play("Bob", Date(2025, 12, 4), 200);
    for (int i = 0; i < 4; ++i) Play(std::string(1, char('K' + i)), Date(2025, 11, 1), 100 + i);
    Play("Zed", Date(2024, 10, 1), 500);  // October of another year
    Play("Yan", Date(2026, 1, 2), 500);   // the current month
    Run(kegora::ShowRecentMonthlyChampions);
    EXPECT_EQ(Screen().Text(20, 2, 43), "     === RECENT MONTHLY CHAMPIONS ===      ") << Dump();
    EXPECT_TRUE(Screen().AttrRun(20, 2, 43, 31));
    EXPECT_EQ(Screen().Text(25, 6, 13), "December 2025");
    EXPECT_EQ(Screen().Attr(25, 6), 14);
    EXPECT_EQ(Screen().Text(20, 7, 27), "1. Ann              300 pts");
    EXPECT_EQ(Screen().Text(20, 8, 27), "2. Bob              200 pts");
    EXPECT_EQ(Screen().Text(20, 9, 31), std::string(31, ' '));
    EXPECT_TRUE(Screen().AttrRun(20, 7, 17, 15));  // nobody is highlighted
    EXPECT_TRUE(Screen().AttrRun(37, 7, 10, 10));
    EXPECT_EQ(Screen().Text(25, 11, 13), "November 2025");
    EXPECT_EQ(Screen().Text(20, 12, 27), "1. N                103 pts");
    EXPECT_EQ(Screen().Text(20, 14, 27), "3. L                101 pts");
    EXPECT_EQ(Screen().Text(20, 15, 31), std::string(31, ' '));
    EXPECT_EQ(Screen().Text(25, 16, 12), "October 2025");
    EXPECT_EQ(Screen().Text(20, 17, 31), std::string(31, ' '));
    EXPECT_FALSE(Screen().Contains("Zed"));
    EXPECT_FALSE(Screen().Contains("Yan"));
    EXPECT_EQ(Screen().Text(25, 23, 28), "Press any key to continue...");
}

TEST_F(StandingsScreens, RecentChampionsInMarchShowFebruaryJanuaryAndDecember) {
    Today(2026, 3, 1);
    Play("A very long player name", Date(2026, 2, 28), 77);
    Run(kegora::ShowRecentMonthlyChampions);
    EXPECT_EQ(Screen().Text(25, 6, 13), "February 2026") << Dump();
    EXPECT_EQ(Screen().Text(25, 11, 12), "January 2026");
    EXPECT_EQ(Screen().Text(25, 16, 13), "December 2025");
    EXPECT_EQ(Screen().Text(20, 7, 27), "1. A very long pl    77 pts");
}

TEST(MonthsBack, WrapsToDecemberOfThePreviousYear) {
    int m = 0, y = 0;
    kegora::MonthsBack(1, 2026, 1, m, y);
    EXPECT_EQ(m, 12);
    EXPECT_EQ(y, 2025);
    kegora::MonthsBack(3, 2026, 3, m, y);
    EXPECT_EQ(m, 12);
    EXPECT_EQ(y, 2025);
    kegora::MonthsBack(9, 2025, 2, m, y);
    EXPECT_EQ(m, 7);
    EXPECT_EQ(y, 2025);
}

} // namespace
