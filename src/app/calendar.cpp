#include "app/calendar.h"

#include <cstdio>
#include <string>
#include <vector>

#include "app/playday.h"
#include "app/screens.h"
#include "harbex/door.h"
#include "harbex/doorinput.h"
#include "records/dailyplay.h"

namespace kegora {

using namespace harbex;

namespace {

TPlayDateProc gPlayProc = nullptr;

constexpr int FIRST_COLUMN = 26;
constexpr int FIRST_ROW = 9;

std::string DayText(int ADay, bool AStar) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, AStar ? "%2d*" : "%2d", ADay);
    return buffer;
}

// The row after the last day: the last day's row, plus 2 when it fell on a Saturday.
int RowAfterLastDay(int AStartDay, int ADaysInMonth) {
    int column = 0, row = 0;
    CalendarCellPosition(AStartDay, ADaysInMonth, column, row);
    return (ADaysInMonth + AStartDay) % 7 == 0 ? row + 2 : row;
}

void ShowRefusal(const std::string& AText) {
    DoorGotoXY(30, 20);
    DoorTextAttr(12);
    DoorWriteCentered(AText);
    common::SleepMs(2000);
}

} // namespace

void CalendarCellPosition(int AStartDay, int ADay, int& AColumn, int& ARow) {
    const int cell = AStartDay + ADay - 1; // 0 = the Sunday of the first week
    AColumn = FIRST_COLUMN + 5 * (cell % 7);
    ARow = FIRST_ROW + 2 * (cell / 7);
}

int CalendarPromptRow(int AStartDay, int ADaysInMonth) {
    const int row = RowAfterLastDay(AStartDay, ADaysInMonth);
    return row <= 17 ? 19 : row + 2;
}

void SetCalendarPlayProc(TPlayDateProc AProc) {
    gPlayProc = AProc;
}

void ShowCalendar() {
    int year = 0, month = 0, today = 0;
    common::DecodeDate(common::Today(), year, month, today);
    const int days = common::DaysInMonth(year, month);
    const common::TDateTime first = common::EncodeDate(year, month, 1);
    const int startDay = common::DayOfWeek(first) - 1;
    const std::string player = PlayerName();
    records::TDailyTracker tracker;

    for (;;) {
        DoorClrScr();
        DrawBorder(true);
        DoorGotoXY(31, 5);
        DoorTextAttr(31);
        DoorWrite("=== " + common::FormatDateTime("MMMM YYYY", first) + " ===");
        DoorGotoXY(26, 7);
        DoorTextAttr(15);
        DoorWrite("Sun  Mon  Tue  Wed  Thu  Fri  Sat");

        const std::vector<bool> played = tracker.GetPlayedDaysOfMonth(player, month, year);
        for (int d = 1; d <= days; ++d) {
            const common::TDateTime date = common::EncodeDate(year, month, d);
            int column = 0, row = 0;
            CalendarCellPosition(startDay, d, column, row);
            DoorGotoXY(static_cast<uint8_t>(column), static_cast<uint8_t>(row));
            const bool dayPlayed = static_cast<std::size_t>(d - 1) < played.size() &&
                                   played[static_cast<std::size_t>(d - 1)];
            uint8_t attr = 8;
            if (dayPlayed)
                attr = 8;
            else if (d == today)
                attr = 30;
            else if (d < today || tracker.CanPlayAdvanceDay(date))
                attr = 10;
            DoorTextAttr(attr);
            DoorWrite(DayText(d, dayPlayed));
        }

        const int promptRow = CalendarPromptRow(startDay, days);
        DoorGotoXY(21, static_cast<uint8_t>(promptRow));
        DoorTextAttr(14);
        DoorWrite("Enter day to play (1-" + std::to_string(days) + ") or 0 to return: ");
        std::string answer = DoorInput("", DOOR_INPUT_CHARS_NUMERIC, 0, 2, 2, 31);

        if (answer.empty()) answer = "0";
        int chosen = 0;
        bool number = true;
        for (char c : answer) {
            if (c < '0' || c > '9') {
                number = false;
                break;
            }
            chosen = chosen * 10 + (c - '0');
        }
        if (number && chosen == 0) return;
        if (!number || chosen < 1 || chosen > days) continue;

        const common::TDateTime date = common::EncodeDate(year, month, chosen);
        if (tracker.HasPlayedDate(player, date)) {
            ShowRefusal("Already played that day!");
            continue;
        }
        if (chosen > today && !tracker.CanPlayAdvanceDay(date)) {
            ShowRefusal("Advance play available after the 20th!");
            continue;
        }
        if (gPlayProc)
            gPlayProc(date);
        else
            PlayGameForDate(date);
        return;
    }
}

} // namespace kegora
