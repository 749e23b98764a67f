// The day-scores screen (everybody's score of one date, for callers who played it) and the
// all-time champions screen (best single days, best monthly totals, best lifetime totals),
// which is followed by the recent monthly champions. Both are read-only; store errors pass on
// to the caller.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/datetime.h"

namespace kegora {

// One line of the day-scores table.
struct TScoreEntry {
    std::string Name;
    int32_t Score = 0;
};

// Plays of one day considered by the day-scores table (the first ones in the log).
inline constexpr std::size_t DAY_SCORES_CAPACITY = 50;
// Rows shown.
inline constexpr std::size_t DAY_SCORES_ROWS = 10;

// Orders AEntries by score, highest first, with the exchange sort the table has always used:
// for each i, for each later j, swap i and j when i's score is lower. Two equal scores with
// nothing between them keep their order.
void SortScoreEntries(std::vector<TScoreEntry>& AEntries);

// "=== SCORES FOR Sep 13, 2025 ===": the ten best of ADate with a note of how many more
// played. A caller who has not played that date sees only a refusal.
void ShowDayScores(common::TDateTime ADate);

// The hall of fame from the records file, a key, then ShowRecentMonthlyChampions.
void ShowRecentAndAllTimeChampions();

// The main menu's "view single day": asks for a day number of the current month and shows
// its scores. Not a number, or below 1 or above 31: back at once; beyond the month's length:
// "Invalid day for this month!" for two seconds.
void ViewSingleDay();

} // namespace kegora
