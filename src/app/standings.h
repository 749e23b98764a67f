// The standings screens, read-only views of the play log: the winner of every day of the
// current month, the ranked totals of the current month, and the top three of each of the
// three months before it. Each clears the screen, draws the border, writes its table, waits
// for one key and returns; store errors pass on to the caller.
#pragma once

#include <cstdint>
#include <vector>

#include "records/dailyplay.h"

namespace kegora {

// "=== DAILY WINNERS FOR <Month Year> ===": days 1-16 on the left, 17-31 on the right; a day
// the caller has not played shows "DAY NOT PLAYED" whoever played it, the caller's own wins
// are yellow on blue.
void ShowDailyWinnersScreen();

// The current month's top ten: rank, player, total score and days played; the caller's own
// row yellow on blue.
void ShowMonthlyChampions();

// The top three of each of the three previous months (January goes back to December of the
// year before). Highlights nobody.
void ShowRecentMonthlyChampions();

// Removes the entries without a name (games an older door logged for unnamed callers) from the
// first ACount totals, so ranks run on without a hole; returns the new count.
int32_t DropUnnamed(std::vector<records::TPlayerMonthlyTotal>& ATotals, int32_t ACount);

// The month AMonths before (AMonth, AYear), wrapping across years: (1, 2026) back 1 gives
// (12, 2025).
void MonthsBack(int AMonth, int AYear, int AMonths, int& AResultMonth, int& AResultYear);

} // namespace kegora
