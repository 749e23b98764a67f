#include "app/dayscores.h"

#include <cstdio>
#include <string>
#include <utility>

#include "app/safename.h"
#include "app/screens.h"
#include "app/standings.h"
#include "harbex/door.h"
#include "harbex/doorinput.h"
#include "records/dailyplay.h"

namespace kegora {

using namespace harbex;

namespace {

std::vector<TScoreEntry> ReadDayTable(const std::string& ALogFile, common::TDateTime ADate) {
    std::vector<TScoreEntry> entries;
    for (const records::TDayPlay& play :
         records::ReadDayPlays(ALogFile, ADate, DAY_SCORES_CAPACITY))
        if (!play.PlayerName.empty()) entries.push_back({play.PlayerName, play.Score});
    return entries;
}

// A best-day place on row 6: label, name in 13 columns, score.
void WriteBestDay(const char* ALabel, uint8_t ALabelAttr, const std::string& AName,
                  int32_t AScore) {
    DoorTextAttr(ALabelAttr);
    DoorWrite(ALabel);
    DoorTextAttr(15);
    DoorWriteLiteral(NameColumn(AName, 13));
    DoorTextAttr(10);
    DoorWrite(" " + std::to_string(AScore));
}

// Moves the places with a player up over those without one: an empty place, or a game an older
// door logged without a name.
template <class TMore>
void DropUnnamedPlaces(std::array<std::string, records::ALL_TIME_PLACES>& ANames,
                       std::array<int32_t, records::ALL_TIME_PLACES>& AValues, TMore& AMore) {
    std::size_t kept = 0;
    for (std::size_t k = 0; k < ANames.size(); ++k)
        if (AValues[k] > 0 && !ANames[k].empty()) {
            ANames[kept] = ANames[k], AValues[kept] = AValues[k], AMore[kept] = AMore[k];
            ++kept;
        }
    for (; kept < ANames.size(); ++kept)
        AValues[kept] = 0;
}

} // namespace

void SortScoreEntries(std::vector<TScoreEntry>& AEntries) {
    const std::size_t count = AEntries.size();
    for (std::size_t i = 0; i + 1 < count; ++i)
        for (std::size_t j = i + 1; j < count; ++j)
            if (AEntries[i].Score < AEntries[j].Score) std::swap(AEntries[i], AEntries[j]);
}

void ShowDayScores(common::TDateTime ADate) {
    const std::string player = PlayerName();
    records::TDailyTracker tracker;

    if (!tracker.HasPlayedDate(player, ADate)) {
        DoorClrScr();
        DrawBorder(true);
        WriteAt(20, 12, 12, "You must play this day first to view scores!");
        WriteAt(26, 14, 14, "Press any key to continue...");
        DoorReadKey();
        return;
    }

    std::vector<TScoreEntry> entries = ReadDayTable(tracker.FileName(), ADate);
    SortScoreEntries(entries);

    DoorClrScr();
    DrawBorder(true);
    WriteAt(25, 2, 31,
            "=== SCORES FOR " + common::FormatDateTime("MMM DD, YYYY", ADate) + " ===        ");
    WriteAt(25, 7, 15, "Rank   Player              Score");
    WriteAt(25, 8, 7, Repeat(cp437::Horizontal, 32));
    const std::size_t shown = entries.size() < DAY_SCORES_ROWS ? entries.size() : DAY_SCORES_ROWS;
    for (std::size_t i = 1; i <= shown; ++i) {
        const TScoreEntry& entry = entries[i - 1];
        uint8_t attr = 7;
        if (IsPlayersName(entry.Name, player))
            attr = 30;
        else if (i == 1)
            attr = 14;
        else if (i <= 3)
            attr = 15;
        WriteAt(25, static_cast<int>(8 + i), attr, FormatText("%2d.   ", static_cast<int>(i)));
        DoorWriteLiteral(NameColumn(entry.Name, 20));
        DoorTextAttr(10);
        DoorWrite(FormatText(" %3d", entry.Score));
    }
    if (entries.size() > DAY_SCORES_ROWS)
        WriteAt(25, 20, 8,
                "(" + std::to_string(entries.size() - DAY_SCORES_ROWS) +
                    " more players not shown)");
    WriteAt(26, 23, 14, "Press any key to continue...");
    DoorReadKey();
}

void ShowRecentAndAllTimeChampions() {
    {
        records::TDailyTracker tracker;
        records::TAllTimeRecord rec;
        tracker.GetAllTimeRecords(rec);

        DoorClrScr();
        DrawBorder(true);
        WriteAt(8, 2, 31,
                "   === ALL-TIME PINMARCH CHAMPIONS ===   "); // to column 48: the border's title
        WriteAt(26, 4, 14, "  Best Single Day Scores");

        // Places without a player (or with a game an older door logged without a name) are
        // left out, and the places after them move up.
        std::vector<std::pair<std::string, int32_t>> best;
        for (const auto& [name, score] : {std::pair{rec.HighestDayPlayer, rec.HighestDayScore},
                                          std::pair{rec.SecondDayPlayer, rec.SecondDayScore},
                                          std::pair{rec.ThirdDayPlayer, rec.ThirdDayScore}})
            if (score > 0 && !name.empty()) best.emplace_back(name, score);
        static const char* const kLabels[3] = {"1) ", "2) ", "3) "};
        static const int kColumns[3] = {7, 32, 55};
        static const uint8_t kAttrs[3] = {14, 7, 6};
        for (std::size_t i = 0; i < best.size(); ++i) {
            DoorGotoXY(static_cast<uint8_t>(kColumns[i]), 6);
            WriteBestDay(kLabels[i], kAttrs[i], best[i].first, best[i].second);
        }
        DropUnnamedPlaces(rec.TopMonthlyPlayers, rec.TopMonthlyScores, rec.TopMonthlyDates);
        DropUnnamedPlaces(rec.TopLifetimePlayers, rec.TopLifetimeTotals, rec.TopLifetimeGames);

        WriteAt(7, 8, 7, Repeat(cp437::Horizontal, 68));
        WriteAt(13, 10, 14, "TOP MONTHLY TOTALS");
        WriteAt(47, 10, 14, "TOP LIFETIME TOTALS");

        for (std::size_t i = 1; i <= records::ALL_TIME_PLACES; ++i) {
            const int row = static_cast<int>(11 + i);
            const int place = static_cast<int>(i);
            const std::size_t k = i - 1;
            if (rec.TopMonthlyScores[k] < 1) {
                WriteAt(8, row, 8, FormatText("%2d. --- empty ---", place));
            } else {
                WriteAt(8, row, 15, FormatText("%2d. ", place));
                DoorWriteLiteral(NameColumn(rec.TopMonthlyPlayers[k], 13));
                DoorTextAttr(10);
                DoorWrite(FormatText(" %4d ", rec.TopMonthlyScores[k]));
                DoorTextAttr(7);
                DoorWrite(common::FormatDateTime("mm/yy", rec.TopMonthlyDates[k]));
            }
            if (rec.TopLifetimeTotals[k] < 1) {
                WriteAt(44, row, 8, FormatText("%2d. --- empty ---", place));
            } else {
                WriteAt(44, row, 15, FormatText("%2d. ", place));
                DoorWriteLiteral(NameColumn(rec.TopLifetimePlayers[k], 13));
                DoorTextAttr(10);
                DoorWrite(FormatText(" %5d", rec.TopLifetimeTotals[k]));
                DoorTextAttr(7);
                DoorWrite(FormatText(" %dg", rec.TopLifetimeGames[k]));
            }
        }
        WriteAt(27, 23, 14, "Press any key to continue...");
        DoorReadKey();
    }
    ShowRecentMonthlyChampions();
}

void ViewSingleDay() {
    DoorClrScr();
    DrawBorder(true);
    WriteAt(25, 10, 14, "Enter day to view (1-31): ");
    const std::string input = DoorInput("", DOOR_INPUT_CHARS_NUMERIC, 0, 2, 2, 31);
    if (input.empty()) return;
    int chosen = 0;
    for (char c : input) {
        if (c < '0' || c > '9') return;
        chosen = chosen * 10 + (c - '0');
    }
    if (chosen < 1 || chosen > 31) return;

    int year = 0, month = 0, day = 0;
    common::DecodeDate(common::Today(), year, month, day);
    if (chosen > common::DaysInMonth(year, month)) {
        WriteAt(25, 12, 12, "Invalid day for this month!");
        common::SleepMs(2000);
        return;
    }
    ShowDayScores(common::EncodeDate(year, month, chosen));
}

} // namespace kegora
