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

template <class... TArgs>
std::string Format(const char* APattern, TArgs... AArgs) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, APattern, AArgs...);
    return buffer;
}

void At(int AX, int AY, uint8_t AAttr, const std::string& AText) {
    DoorGotoXY(static_cast<uint8_t>(AX), static_cast<uint8_t>(AY));
    DoorTextAttr(AAttr);
    DoorWrite(AText);
}

// "September 2025" for the month of (AMonth, AYear).
std::string MonthHeading(int AMonth, int AYear) {
    return common::FormatDateTime("MMMM YYYY", common::EncodeDate(AYear, AMonth, 1));
}

void KeyPrompt() {
    At(25, 23, 14, "Press any key to continue...");
    DoorReadKey();
}

} // namespace

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
    At(5, 4, 15, " Day   Winner              Score      Day   Winner              Score");
    At(5, 5, 7, Repeat(cp437::Horizontal, 74));

    for (int d = 1; d <= days; ++d) {
        const auto index = static_cast<std::size_t>(d - 1);
        if (d <= 16)
            At(5, d + 5, 14, Format("%2d/%2d  ", month, d));
        else
            At(42, d - 11, 14, Format("%2d/%2d  ", month, d));
        if (index >= played.size() || !played[index]) {
            DoorTextAttr(8);
            DoorWrite("DAY NOT PLAYED        ");
            continue;
        }
        const records::TDailyWinner& winner = winners.at(index);
        DoorTextAttr(IsPlayersName(winner.Player, player) ? 30 : 15);
        DoorWriteLiteral(NameColumn(winner.Player, 20));
        DoorTextAttr(10);
        DoorWrite(Format(" %3d", winner.Score));
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
    At(25, 2, 31, "   === MONTHLY CHAMPIONS ===        ");
    At(10, 5, 14, "Current Month (" + MonthHeading(month, year) + "):");
    tracker.GetMonthlyTotals(month, year, totals, count);
    At(10, 7, 15, "Rank  Player                Total Score  Days Played");
    for (int i = 0; i < 10; ++i) {
        if (i >= count) break;
        const records::TPlayerMonthlyTotal& entry = totals[static_cast<std::size_t>(i)];
        if (entry.PlayerName.empty()) continue;
        At(10, i + 8, IsPlayersName(entry.PlayerName, player) ? 30 : 7, Format("%2d.   ", i + 1));
        DoorWriteLiteral(NameColumn(entry.PlayerName, 20));
        DoorTextAttr(10);
        DoorWrite(Format("    %5d         %2d", entry.TotalScore, entry.DaysPlayed));
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
    At(20, 2, 31, "     === RECENT MONTHLY CHAMPIONS ===      ");
    for (int block = 0; block < 3; ++block) {
        int blockMonth = 0, blockYear = 0;
        MonthsBack(month, year, block + 1, blockMonth, blockYear);
        const int headingRow = 6 + 5 * block;
        At(25, headingRow, 14, MonthHeading(blockMonth, blockYear));
        int32_t count = 0;
        tracker.GetMonthlyTotals(blockMonth, blockYear, totals, count);
        int row = headingRow;
        for (int i = 0; i < 3 && i < count; ++i) {
            const records::TPlayerMonthlyTotal& entry = totals[static_cast<std::size_t>(i)];
            if (entry.PlayerName.empty()) continue;
            At(20, ++row, 15, Format("%d. ", i + 1));
            DoorWriteLiteral(NameColumn(entry.PlayerName, 14));
            DoorTextAttr(10);
            DoorWrite(Format(" %5d pts", entry.TotalScore));
        }
    }
    KeyPrompt();
}

} // namespace kegora
