#include "app/bulletins.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "app/safename.h"
#include "app/standings.h"
#include "common/datetime.h"
#include "common/fileio.h"

namespace kegora {

namespace {

constexpr std::size_t TOTALS_CAPACITY = 100;
constexpr std::size_t ROWS_SHOWN = 10;

const std::string ESC(1, '\x1b');
const std::string RESET = ESC + "[0m";
const std::string BRIGHT_WHITE_ON_BLUE = ESC + "[1;37;44m";
const std::string YELLOW = ESC + "[1;33m";
const std::string BRIGHT_CYAN = ESC + "[1;36m";
const std::string GREY = ESC + "[0;37m";
const std::string BRIGHT_WHITE = ESC + "[1;37m";
const std::string BRIGHT_GREEN = ESC + "[1;32m";

const std::string TITLE = "PINMARCH";
const std::string SUBTITLE = "=== MONTHLY CHAMPIONS ===";
const std::string COLUMN_HEADER = "Rank  Player                  Total Score   Days Played";
const std::string CLOSING = "=== Join the Fun Today! ===";

std::string Margin() {
    return std::string(LEFT_MARGIN, ' ');
}

std::string MonthLine(const std::string& AMonthHeading) {
    return "Current Month: " + AMonthHeading;
}

std::string DashLine() {
    return std::string(COLUMN_HEADER.size(), '-');
}

std::string PlayerRow(std::size_t AIndex, const records::TPlayerMonthlyTotal& AEntry) {
    return LeftPadInt(static_cast<int32_t>(AIndex + 1), 2) + ".  " +
           RightPad(SafeName(AEntry.PlayerName.substr(0, 22)), 22) + "  " +
           LeftPadInt(AEntry.TotalScore, 11) + "  " + LeftPadInt(AEntry.DaysPlayed, 12);
}

std::size_t ShowCount(const std::vector<records::TPlayerMonthlyTotal>& ATotals) {
    return ATotals.size() < ROWS_SHOWN ? ATotals.size() : ROWS_SHOWN;
}

void WriteAnsiBar(std::string& AOut, const std::string& AColorSeq) {
    AOut += RESET + Margin() + AColorSeq + std::string(VISIBLE_WIDTH, ' ') + RESET + "\n";
}

void WriteLnAnsiCentered(std::string& AOut, const std::string& AColorSeq,
                         const std::string& ATextRaw) {
    AOut += RESET + Margin() + AColorSeq + CenterRawWidth(ATextRaw, VISIBLE_WIDTH) + RESET + "\n";
}

void WriteLnAsciiCentered(std::string& AOut, const std::string& ATextRaw) {
    const int len = static_cast<int>(ATextRaw.size());
    AOut += Margin();
    if (len < VISIBLE_WIDTH) {
        const int left = (VISIBLE_WIDTH - len) / 2;
        AOut += std::string(static_cast<std::size_t>(left), ' ') + ATextRaw +
                std::string(static_cast<std::size_t>(VISIBLE_WIDTH - len - left), ' ');
    } else {
        AOut += ATextRaw;
    }
    AOut += "\n";
}

} // namespace

EBulletinWriteError::EBulletinWriteError(const std::string& AFileName, int AErrorCode)
    : std::runtime_error("cannot write the bulletin \"" + AFileName +
                         "\": " + std::strerror(AErrorCode)),
      FFileName(AFileName) {}

std::string LeftPadInt(int32_t AValue, int AWidth) {
    std::string text = std::to_string(AValue);
    if (static_cast<int>(text.size()) < AWidth)
        text.insert(0, static_cast<std::size_t>(AWidth) - text.size(), ' ');
    return text;
}

std::string RightPad(const std::string& AText, int AWidth) {
    if (AWidth <= 0) return {};
    const auto width = static_cast<std::size_t>(AWidth);
    if (AText.size() >= width) return AText.substr(0, width);
    return AText + std::string(width - AText.size(), ' ');
}

int StripAnsiLen(const std::string& AText) {
    int visible = 0;
    bool inSequence = false;
    for (std::size_t i = 0; i < AText.size(); ++i) {
        const char c = AText[i];
        if (inSequence) {
            if (c == 'm') inSequence = false;
        } else if (c == '\x1b' && i + 1 < AText.size() && AText[i + 1] == '[') {
            inSequence = true;
        } else {
            ++visible;
        }
    }
    return visible;
}

std::string CenterRawWidth(const std::string& AText, int AWidth) {
    const int visible = StripAnsiLen(AText);
    if (visible >= AWidth) return AText;
    const int left = (AWidth - visible) / 2;
    return std::string(static_cast<std::size_t>(left), ' ') + AText +
           std::string(static_cast<std::size_t>(AWidth - visible - left), ' ');
}

std::string BuildAnsiBulletin(const std::string& AMonthHeading,
                              const std::vector<records::TPlayerMonthlyTotal>& ATotals) {
    std::string out;
    WriteAnsiBar(out, BRIGHT_WHITE_ON_BLUE);
    WriteLnAnsiCentered(out, BRIGHT_WHITE_ON_BLUE, TITLE);
    WriteLnAnsiCentered(out, BRIGHT_WHITE_ON_BLUE, SUBTITLE);
    WriteAnsiBar(out, BRIGHT_WHITE_ON_BLUE);
    out += "\n";
    WriteLnAnsiCentered(out, YELLOW, MonthLine(AMonthHeading));
    out += "\n";
    WriteLnAnsiCentered(out, BRIGHT_CYAN, COLUMN_HEADER);
    WriteLnAnsiCentered(out, GREY, DashLine());
    const std::size_t count = ShowCount(ATotals);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& colour = i == 0 ? YELLOW : i <= 2 ? BRIGHT_WHITE : GREY;
        WriteLnAnsiCentered(out, colour, PlayerRow(i, ATotals[i]));
    }
    out += "\n";
    WriteLnAnsiCentered(out, BRIGHT_GREEN, CLOSING);
    out += "\n";
    return out;
}

std::string BuildAsciiBulletin(const std::string& AMonthHeading,
                               const std::vector<records::TPlayerMonthlyTotal>& ATotals) {
    std::string out;
    const std::string rule(VISIBLE_WIDTH, '=');
    WriteLnAsciiCentered(out, rule);
    WriteLnAsciiCentered(out, TITLE);
    WriteLnAsciiCentered(out, SUBTITLE);
    WriteLnAsciiCentered(out, rule);
    out += "\n";
    WriteLnAsciiCentered(out, MonthLine(AMonthHeading));
    out += "\n";
    WriteLnAsciiCentered(out, COLUMN_HEADER);
    WriteLnAsciiCentered(out, DashLine());
    const std::size_t count = ShowCount(ATotals);
    for (std::size_t i = 0; i < count; ++i)
        WriteLnAsciiCentered(out, PlayerRow(i, ATotals[i]));
    out += "\n";
    WriteLnAsciiCentered(out, CLOSING);
    out += "\n";
    return out;
}

void CreateBulletinFiles() {
    int year = 0, month = 0, day = 0;
    common::DecodeDate(common::Today(), year, month, day);
    const std::string heading =
        common::FormatDateTime("MMMM YYYY", common::EncodeDate(year, month, 1));

    std::vector<records::TPlayerMonthlyTotal> totals(TOTALS_CAPACITY);
    int32_t count = 0;
    {
        records::TDailyTracker tracker;
        tracker.GetMonthlyTotals(month, year, totals, count);
    }
    totals.resize(static_cast<std::size_t>(std::max(0, DropUnnamed(totals, count))));

    // Both bulletins are written before either replaces its old copy.
    common::TAtomicFile ansi(ANSI_BULLETIN_FILE), ascii(ASCII_BULLETIN_FILE);
    if (const int error = ansi.Write(BuildAnsiBulletin(heading, totals)))
        throw EBulletinWriteError(ANSI_BULLETIN_FILE, error);
    if (const int error = ascii.Write(BuildAsciiBulletin(heading, totals)))
        throw EBulletinWriteError(ASCII_BULLETIN_FILE, error);
    if (const int error = ansi.Commit()) throw EBulletinWriteError(ANSI_BULLETIN_FILE, error);
    if (const int error = ascii.Commit()) throw EBulletinWriteError(ASCII_BULLETIN_FILE, error);
}

} // namespace kegora
