// The bulletins the board shows to other callers: the current month's leading players as an
// ANSI screen ("pmchwin.ans") and as plain text ("pmchwin.asc"), rewritten at every normal
// exit. Both are written to temporary files first and renamed into place, so a failed write
// never leaves a half bulletin behind.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "records/dailyplay.h"

namespace kegora {

inline constexpr char ANSI_BULLETIN_FILE[] = "pmchwin.ans";
inline constexpr char ASCII_BULLETIN_FILE[] = "pmchwin.asc";

// One space before every non-empty line; text is centred within 78 columns.
inline constexpr int LEFT_MARGIN = 1;
inline constexpr int VISIBLE_WIDTH = 78;

// A bulletin could not be written; what() names the file and the system's reason.
class EBulletinWriteError : public std::runtime_error {
  public:
    EBulletinWriteError(const std::string& AFileName, int AErrorCode);
    const std::string& FileName() const { return FFileName; }

  private:
    std::string FFileName;
};

// The decimal AValue right-aligned in AWidth characters (never cut).
std::string LeftPadInt(int32_t AValue, int AWidth);
// AText followed by spaces up to AWidth, or its first AWidth characters.
std::string RightPad(const std::string& AText, int AWidth);
// Visible characters of AText: "\e[" ... "m" sequences do not count.
int StripAnsiLen(const std::string& AText);
// AText centred in AWidth visible columns (unchanged when not narrower).
std::string CenterRawWidth(const std::string& AText, int AWidth);

// The two files' contents for the month heading AMonthHeading ("March 2026") and the month's
// ranked totals (the first ten are used; entries with an empty name are skipped, keeping
// their rank numbers free).
std::string BuildAnsiBulletin(const std::string& AMonthHeading,
                              const std::vector<records::TPlayerMonthlyTotal>& ATotals);
std::string BuildAsciiBulletin(const std::string& AMonthHeading,
                               const std::vector<records::TPlayerMonthlyTotal>& ATotals);

// Ranks the current month from the play log and replaces both bulletins in the current
// directory. Store errors pass on; a bulletin that cannot be written raises
// EBulletinWriteError and leaves both files as they were.
void CreateBulletinFiles();

} // namespace kegora
