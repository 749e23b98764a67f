// The calendar screen: grid layout for months starting on each kind of weekday, the prompt
// row, colours and "*" of played days, make-up and advance days, both refusals, leaving and
// redrawing on invalid answers.
#include <gtest/gtest.h>

#include "app/calendar.h"
#include "app/standings_fixture.h"

namespace {

using apptest::ENoMoreKeys;
using common::TDateTime;

std::vector<TDateTime> gPlayedDates;

class CalendarTest : public apptest::StandingsTest {
  protected:
    void SetUp() override {
        StandingsTest::SetUp();
        gPlayedDates.clear();
        kegora::SetCalendarPlayProc([](TDateTime ADate) { gPlayedDates.push_back(ADate); });
    }
    void TearDown() override {
        kegora::SetCalendarPlayProc(nullptr);
        StandingsTest::TearDown();
    }
    // Runs the calendar with AKeys queued; the screen must return by itself.
    void Run(const std::string& AKeys) {
        Line->Keys(AKeys);
        kegora::ShowCalendar();
        Take();
    }
    // How many times the grid was drawn.
    int Draws() const {
        int n = 0;
        for (std::size_t p = Line->Sent.find("Enter day to play"); p != std::string::npos;
             p = Line->Sent.find("Enter day to play", p + 1))
            ++n;
        return n;
    }
    // Expects the day's cell at (AX, AY) with text and attribute.
    void ExpectCell(int AX, int AY, const std::string& AText, uint8_t AAttr) {
        EXPECT_EQ(Screen().Text(AX, AY, static_cast<int>(AText.size())), AText)
            << "cell at " << AX << "," << AY << "\n" << Dump();
        EXPECT_TRUE(Screen().AttrRun(AX, AY, static_cast<int>(AText.size()), AAttr))
            << "attribute at " << AX << "," << AY << " is " << int(Screen().Attr(AX, AY));
    }
    void ExpectPromptRow(int ARow, int ADays) {
        const std::string prompt =
            "Enter day to play (1-" + std::to_string(ADays) + ") or 0 to return: ";
        EXPECT_EQ(Screen().Text(21, ARow, static_cast<int>(prompt.size())), prompt) << Dump();
        EXPECT_EQ(Screen().Attr(21, ARow), 14);
    }
};

TEST_F(CalendarTest, MonthStartingOnSundayPutsDayOneUnderSunAndPromptOnRow19) {
    Today(2025, 6, 10);  // June 2025: 30 days from a Sunday
    Run("0\r");
    EXPECT_EQ(Screen().Text(31, 5, 17), "=== June 2025 ===");
    EXPECT_TRUE(Screen().AttrRun(31, 5, 17, 31));
    EXPECT_EQ(Screen().Text(26, 7, 33), "Sun  Mon  Tue  Wed  Thu  Fri  Sat");
    EXPECT_EQ(Screen().Attr(26, 7), 15);
    ExpectCell(26, 9, " 1", 10);
    ExpectCell(56, 9, " 7", 10);
    ExpectCell(26, 11, " 8", 10);
    ExpectCell(56, 15, "28", 8);
    ExpectCell(26, 17, "29", 8);
    ExpectCell(31, 17, "30", 8);
    EXPECT_EQ(Screen().Text(36, 17, 2), "  ");
    ExpectPromptRow(19, 30);
    // The border with its title is drawn.
    EXPECT_TRUE(Screen().Contains("P I N M A R C H"));
}

TEST_F(CalendarTest, MonthStartingOnSaturdayPutsDayTwoOnTheSecondRow) {
    Today(2025, 3, 5);  // March 2025: 31 days from a Saturday
    Run("\r");
    ExpectCell(56, 9, " 1", 10);
    EXPECT_EQ(Screen().Text(26, 9, 30), std::string(30, ' '));
    ExpectCell(26, 11, " 2", 10);
    ExpectCell(26, 19, "30", 8);
    ExpectCell(31, 19, "31", 8);
    ExpectPromptRow(21, 31);
    EXPECT_EQ(Screen().Text(21, 19, 5), std::string(5, ' '));
}

TEST_F(CalendarTest, ThirtyOneDaysFromFridayUseSixWeekRows) {
    Today(2025, 8, 1);  // August 2025 starts on a Friday
    Run("0\r");
    ExpectCell(51, 9, " 1", 30);
    ExpectCell(56, 9, " 2", 8);
    ExpectCell(26, 19, "31", 8);
    ExpectPromptRow(21, 31);
}

TEST_F(CalendarTest, ThirtyOneDaysFromThursdayEndOnSaturdayOfRow17) {
    Today(2025, 5, 31);  // May 2025 starts on a Thursday and ends on a Saturday
    Run("0\r");
    ExpectCell(46, 9, " 1", 10);
    ExpectCell(56, 17, "31", 30);
    EXPECT_EQ(Screen().Text(26, 19, 35), std::string(35, ' ')) << Dump();
    ExpectPromptRow(21, 31);
}

TEST_F(CalendarTest, NonLeapFebruaryFromSundayFillsRows9To15) {
    Today(2026, 2, 3);
    Run("0\r");
    EXPECT_EQ(Screen().Text(31, 5, 21), "=== February 2026 ===");
    ExpectCell(26, 9, " 1", 10);
    ExpectCell(56, 15, "28", 8);
    EXPECT_EQ(Screen().Text(26, 17, 35), std::string(35, ' ')) << Dump();
    ExpectPromptRow(19, 28);
}

TEST_F(CalendarTest, ColoursAndStarsShowPlayedTodayEarlierAndLaterDays) {
    Today(2025, 6, 10);
    Play("Ann", Date(2025, 6, 3), 120);
    Play("Ann", Date(2025, 6, 12), 90);   // an earlier advance play of a later day
    Play("Bob", Date(2025, 6, 4), 150);   // somebody else's day
    Play("ann", Date(2025, 6, 5), 150);   // another player: names are case-sensitive
    Play("Ann", Date(2025, 7, 6), 150);   // same day number, another month
    Play("Ann", Date(2024, 6, 7), 150);   // same month, another year
    Run("0\r");
    ExpectCell(36, 9, " 3*", 8);
    ExpectCell(41, 9, " 4", 10);
    ExpectCell(46, 9, " 5", 10);
    ExpectCell(51, 9, " 6", 10);
    ExpectCell(56, 9, " 7", 10);
    ExpectCell(31, 11, " 9", 10);
    ExpectCell(36, 11, "10", 30);   // today, not yet played
    ExpectCell(41, 11, "11", 8);    // later, closed before the 21st
    ExpectCell(46, 11, "12*", 8);
}

TEST_F(CalendarTest, TodayOncePlayedIsGreyWithAStar) {
    Today(2025, 6, 10);
    Play("Ann", Date(2025, 6, 10), 100);
    Run("0\r");
    ExpectCell(36, 11, "10*", 8);
}

TEST_F(CalendarTest, RealNameIsUsedWhenTheAliasIsEmpty) {
    Today(2025, 6, 10);
    harbex::DoorDropInfo.Alias.clear();
    Play("Ann Real", Date(2025, 6, 3), 120);
    Play("Ann", Date(2025, 6, 4), 120);
    Run("0\r");
    ExpectCell(36, 9, " 3*", 8);
    ExpectCell(41, 9, " 4", 10);
}

TEST_F(CalendarTest, OnThe20thLaterDaysAreGreyAndRefused) {
    Today(2025, 6, 20);
    Run("25\r0\r");
    ExpectCell(56, 11, "14", 10);
    ExpectCell(51, 13, "20", 30);
    ExpectCell(56, 13, "21", 8);
    ExpectCell(31, 17, "30", 8);
    ASSERT_EQ(Snapshots.size(), 1u);
    ASSERT_EQ(Sleeps, std::vector<int>{2000});
    const auto& shown = Snapshots[0];
    // Centred on row 20: (80 - 38) div 2 = 21.
    EXPECT_EQ(shown.Text(21, 20, 38), "Advance play available after the 20th!") << shown.Dump();
    EXPECT_TRUE(shown.AttrRun(21, 20, 38, 12));
    EXPECT_TRUE(gPlayedDates.empty());
    EXPECT_EQ(Draws(), 2);
    // The redraw cleared the refusal.
    EXPECT_FALSE(Screen().Contains("Advance play"));
}

TEST_F(CalendarTest, OnThe21stLaterDaysAreGreenAndPlayable) {
    Today(2025, 6, 21);
    Play("Ann", Date(2025, 6, 23), 100);
    Run("25\r");
    ExpectCell(56, 13, "21", 30);
    ExpectCell(26, 15, "22", 10);
    ExpectCell(31, 15, "23*", 8);
    ExpectCell(36, 15, "24", 10);
    ExpectCell(31, 17, "30", 10);
    ASSERT_EQ(gPlayedDates.size(), 1u);
    EXPECT_EQ(gPlayedDates[0], Date(2025, 6, 25));
    EXPECT_TRUE(Sleeps.empty());
    EXPECT_EQ(Draws(), 1);
}

TEST_F(CalendarTest, MakeUpDayAndTodayArePlayedAtMidnightOfTheChosenDay) {
    Today(2025, 6, 10);
    Run("2\r");
    ASSERT_EQ(gPlayedDates.size(), 1u);
    EXPECT_EQ(gPlayedDates[0], Date(2025, 6, 2));

    gPlayedDates.clear();
    Line->Keys("10\r");
    kegora::ShowCalendar();
    ASSERT_EQ(gPlayedDates.size(), 1u);
    EXPECT_EQ(gPlayedDates[0], Date(2025, 6, 10));
}

TEST_F(CalendarTest, AlreadyPlayedDayIsRefusedAndTheCalendarRedrawn) {
    Today(2025, 6, 10);
    Play("Ann", Date(2025, 6, 3), 120);
    Play("Ann", Date(2025, 6, 10), 130);
    Run("3\r10\r0\r");
    ASSERT_EQ(Snapshots.size(), 2u);
    EXPECT_EQ(Sleeps, (std::vector<int>{2000, 2000}));
    for (const auto& shown : Snapshots) {
        // (80 - 24) div 2 = 28.
        EXPECT_EQ(shown.Text(28, 20, 24), "Already played that day!") << shown.Dump();
        EXPECT_TRUE(shown.AttrRun(28, 20, 24, 12));
    }
    EXPECT_TRUE(gPlayedDates.empty());
    EXPECT_EQ(Draws(), 3);
}

TEST_F(CalendarTest, ZeroDoubleZeroAndEmptyAnswersLeave) {
    Today(2025, 6, 10);
    for (const char* keys : {"0\r", "00\r", "\r"}) {
        Line->Sent.clear();
        Line->Keys(keys);
        kegora::ShowCalendar();
        Take();
        EXPECT_EQ(Draws(), 1) << keys;
    }
    EXPECT_TRUE(gPlayedDates.empty());
    EXPECT_TRUE(Sleeps.empty());
}

TEST_F(CalendarTest, DaysOutsideTheMonthRedrawWithoutAMessage) {
    Today(2025, 6, 10);
    Run("32\r31\r99\r0\r");
    EXPECT_EQ(Draws(), 4);
    EXPECT_TRUE(Sleeps.empty());
    EXPECT_TRUE(gPlayedDates.empty());
    EXPECT_EQ(Line->Sent.find("played"), std::string::npos);
}

TEST_F(CalendarTest, AnswerIsReadAsTwoDigitsOfNumbersOnly) {
    // Letters are not accepted by the field, a third digit does not fit: "1x23" reads "12".
    Today(2025, 6, 21);
    Run("1x23\r");
    ASSERT_EQ(gPlayedDates.size(), 1u);
    EXPECT_EQ(gPlayedDates[0], Date(2025, 6, 12));
}

TEST_F(CalendarTest, WaitingForAKeyThatNeverComesFailsInsteadOfHanging) {
    Today(2025, 6, 10);
    EXPECT_THROW(kegora::ShowCalendar(), ENoMoreKeys);
}

TEST(CalendarGeometry, PromptRowFollowsTheLastWeekRow) {
    // (start day, days) -> prompt row
    EXPECT_EQ(kegora::CalendarPromptRow(0, 28), 19);  // February from Sunday
    EXPECT_EQ(kegora::CalendarPromptRow(0, 29), 19);  // ends on row 17
    EXPECT_EQ(kegora::CalendarPromptRow(0, 30), 19);
    EXPECT_EQ(kegora::CalendarPromptRow(4, 31), 21);  // Thursday: ends on a Saturday of row 17
    EXPECT_EQ(kegora::CalendarPromptRow(5, 31), 21);  // Friday: a sixth row
    EXPECT_EQ(kegora::CalendarPromptRow(6, 31), 21);  // Saturday
    EXPECT_EQ(kegora::CalendarPromptRow(6, 30), 21);
    EXPECT_EQ(kegora::CalendarPromptRow(3, 31), 19);
    int x = 0, y = 0;
    kegora::CalendarCellPosition(6, 1, x, y);
    EXPECT_EQ(x, 56);
    EXPECT_EQ(y, 9);
    kegora::CalendarCellPosition(6, 2, x, y);
    EXPECT_EQ(x, 26);
    EXPECT_EQ(y, 11);
}

} // namespace
