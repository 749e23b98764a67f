#include "app/standings.h"

#include <cstdio>
#include <string>
#include <vector>

#include "app/safename.h"
#include "app/screens.h"
#include "common/datetime.h"
#include "harbex/door.h"
#include "records/dailyplay.h"

namespace kegora {

using namespace harbex;

namespace {

// Capacity of the ranking arrays the screens hand to the store.
constexpr std::size_t TOTALS_CAPACITY = 100;

// "September 2025" for the month of (AMonth, AYear).
std::string MonthHeading(int AMonth, int AYear) {
    return common::FormatDateTime("MMMM YYYY", common::EncodeDate(AYear, AMonth, 1));
}

void KeyPrompt() {
    WriteAt(25, 23, 14, "Press any key to continue...");
    DoorReadKey();
}

} // namespace

int32_t DropUnnamed(std::vector<records::TPlayerMonthlyTotal>& ATotals, int32_t ACount) {
    int32_t kept = 0;
    for (int32_t i = 0; i < ACount; ++i)
        if (!ATotals[static_cast<std::size_t>(i)].PlayerName.empty())
            ATotals[static_cast<std::size_t>(kept++)] = ATotals[static_cast<std::size_t>(i)];
    return kept;
}

void MonthsBack(int AMonth, int AYear, int AMonths, int& AResultMonth, int& AResultYear) {
    int month = AMonth;
    int year = AYear;
    for (int i = 0; i < AMonths; ++i) {
        if (--month < 1) {
            month = 12;
            --year;
        }
    }
    AResultMonth = month;
    AResultYear = year;
}

void ShowDailyWinnersScreen() {
    int year = 0, month = 0, day = 0;
    common::DecodeDate(common::Today(), year, month, day);
    const std::string player = PlayerName();
    const int days = common::DaysInMonth(year, month);

    records::TDailyTracker tracker;
    const std::vector<bool> played = tracker.GetPlayedDaysOfMonth(player, month, year);
    const std::vector<records::TDailyWinner> winners = tracker.GetDailyWinnersForMonth(month, year);

    DoorClrScr();
    DrawBorder(true);
    WriteCentered(2, 31, "=== DAILY WINNERS FOR " + MonthHeading(month, year) + " ===");
    WriteAt(5, 4, 15, " Day   Winner              Score      Day   Winner              Score");
    WriteAt(5, 5, 7, Repeat(cp437::Horizontal, 74));

    for (int d = 1; d <= days; ++d) {
        const auto index = static_cast<std::size_t>(d - 1);
        if (d <= 16)
            WriteAt(5, d + 5, 14, FormatText("%2d/%2d  ", month, d));
        else
            WriteAt(42, d - 11, 14, FormatText("%2d/%2d  ", month, d));
        if (index >= played.size() || !played[index]) {
            DoorTextAttr(8);
            DoorWrite("DAY NOT PLAYED        ");
            continue;
        }
        const records::TDailyWinner& winner = winners.at(index);
        DoorTextAttr(IsPlayersName(winner.Player, player) ? 30 : 15);
        DoorWriteLiteral(NameColumn(winner.Player, 20));
        DoorTextAttr(10);
        DoorWrite(FormatText(" %3d", winner.Score));
    }
    KeyPrompt();
}

void ShowMonthlyChampions() {
    int year = 0, month = 0, day = 0;
    common::DecodeDate(common::Today(), year, month, day);
    const std::string player = PlayerName();

    records::TDailyTracker tracker;
    std::vector<records::TPlayerMonthlyTotal> totals(TOTALS_CAPACITY);
    int32_t count = 0;

    DoorClrScr();
    DrawBorder(true);
    WriteAt(25, 2, 31, "   === MONTHLY CHAMPIONS ===        ");
    WriteAt(10, 5, 14, "Current Month (" + MonthHeading(month, year) + "):");
    tracker.GetMonthlyTotals(month, year, totals, count);
    count = DropUnnamed(totals, count);
    WriteAt(10, 7, 15, "Rank  Player                Total Score  Days Played");
    for (int i = 0; i < 10 && i < count; ++i) {
        const records::TPlayerMonthlyTotal& entry = totals[static_cast<std::size_t>(i)];
        WriteAt(10, i + 8, IsPlayersName(entry.PlayerName, player) ? 30 : 7,
                FormatText("%2d.   ", i + 1));
        DoorWriteLiteral(NameColumn(entry.PlayerName, 20));
        DoorTextAttr(10);
        DoorWrite(FormatText("    %5d         %2d", entry.TotalScore, entry.DaysPlayed));
    }
    KeyPrompt();
}

void ShowRecentMonthlyChampions() {
    int year = 0, month = 0, day = 0;
    common::DecodeDate(common::Today(), year, month, day);

    records::TDailyTracker tracker;
    std::vector<records::TPlayerMonthlyTotal> totals(TOTALS_CAPACITY);

    DoorClrScr();
    DrawBorder(true);
    WriteAt(20, 2, 31, "     === RECENT MONTHLY CHAMPIONS ===      ");
    for (int block = 0; block < 3; ++block) {
        int blockMonth = 0, blockYear = 0;
        MonthsBack(month, year, block + 1, blockMonth, blockYear);
        const int headingRow = 6 + 5 * block;
        WriteAt(25, headingRow, 14, MonthHeading(blockMonth, blockYear));
        int32_t count = 0;
        tracker.GetMonthlyTotals(blockMonth, blockYear, totals, count);
        count = DropUnnamed(totals, count);
        int row = headingRow;
        for (int i = 0; i < 3 && i < count; ++i) {
            const records::TPlayerMonthlyTotal& entry = totals[static_cast<std::size_t>(i)];
            WriteAt(20, ++row, 15, FormatText("%d. ", i + 1));
            DoorWriteLiteral(NameColumn(entry.PlayerName, 14));
            DoorTextAttr(10);
            DoorWrite(FormatText(" %5d pts", entry.TotalScore));
        }
    }
    KeyPrompt();
}

} // namespace kegora
