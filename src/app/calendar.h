// The calendar: the current month as a grid from which the caller plays a day other than
// through the menu's play-today choice — days missed earlier in the month (make-up days) and,
// from the 21st on, the remaining days of the month (advance days). Played days are dark grey
// with "*", today yellow on blue, playable days light green, closed days dark grey.
#pragma once

#include "common/datetime.h"

namespace kegora {

// Runs until the caller answers 0 (or nothing), or until one game has been played.
void ShowCalendar();

// Screen position of a day cell: the weeks are on rows 9, 11, ... 19, the days under the
// first two letters of "Sun  Mon  Tue  Wed  Thu  Fri  Sat" starting at column 26.
// AStartDay is the weekday of the 1st, 0 = Sunday to 6 = Saturday.
void CalendarCellPosition(int AStartDay, int ADay, int& AColumn, int& ARow);

// Row of the day-number prompt (at column 21): 19 when the weeks end by row 17, else 21.
int CalendarPromptRow(int AStartDay, int ADaysInMonth);

// Test seam: the procedure the calendar calls to play the chosen date (PlayGameForDate by
// default; null restores it).
using TPlayDateProc = void (*)(common::TDateTime ADate);
void SetCalendarPlayProc(TPlayDateProc AProc);

} // namespace kegora
