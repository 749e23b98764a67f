// The bulletin files: byte-exact contents of both files (empty month, ten of twelve players,
// an empty name skipped without renumbering, long and unsafe names), the text helpers, and
// replacing the files safely (no half bulletin, no temporary left behind, errors raised).
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <sstream>

#include "app/bulletins.h"
#include "app/standings_fixture.h"

namespace {

using kegora::BuildAnsiBulletin;
using kegora::BuildAsciiBulletin;
using records::TPlayerMonthlyTotal;

const std::string E = "\x1b";
std::string Sp(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

// ASCII line: one space, ALeft spaces, the text, ARight spaces.
std::string AscLine(int ALeft, const std::string& AText, int ARight) {
    return " " + Sp(ALeft) + AText + Sp(ARight) + "\n";
}
std::string AnsLine(const std::string& AColour, int ALeft, const std::string& AText, int ARight) {
    return E + "[0m " + AColour + Sp(ALeft) + AText + Sp(ARight) + E + "[0m\n";
}

const std::string kHeader = "Rank  Player                  Total Score   Days Played";
const std::string kDashes(55, '-');
const std::string kBlueBar = E + "[0m " + E + "[1;37;44m" + Sp(78) + E + "[0m\n";

std::string ExpectedAscii(const std::string& AMonthLine, const std::vector<std::string>& ARows) {
    std::string s;
    s += " " + std::string(78, '=') + "\n";
    s += AscLine(35, "PINMARCH", 35);
    s += AscLine(26, "=== MONTHLY CHAMPIONS ===", 27);
    s += " " + std::string(78, '=') + "\n";
    s += "\n";
    const int pad = 78 - static_cast<int>(AMonthLine.size());
    s += AscLine(pad / 2, AMonthLine, pad - pad / 2);
    s += "\n";
    s += AscLine(11, kHeader, 12);
    s += AscLine(11, kDashes, 12);
    for (const auto& row : ARows) s += AscLine(12, row, 12);
    s += "\n";
    s += AscLine(25, "=== Join the Fun Today! ===", 26);
    s += "\n";
    return s;
}

std::string ExpectedAnsi(const std::string& AMonthLine,
                         const std::vector<std::pair<std::string, std::string>>& ARows) {
    const std::string white = E + "[1;37;44m";
    std::string s;
    s += kBlueBar;
    s += AnsLine(white, 35, "PINMARCH", 35);
    s += AnsLine(white, 26, "=== MONTHLY CHAMPIONS ===", 27);
    s += kBlueBar;
    s += "\n";
    const int pad = 78 - static_cast<int>(AMonthLine.size());
    s += AnsLine(E + "[1;33m", pad / 2, AMonthLine, pad - pad / 2);
    s += "\n";
    s += AnsLine(E + "[1;36m", 11, kHeader, 12);
    s += AnsLine(E + "[0;37m", 11, kDashes, 12);
    for (const auto& [colour, row] : ARows) s += AnsLine(colour, 12, row, 12);
    s += "\n";
    s += AnsLine(E + "[1;32m", 25, "=== Join the Fun Today! ===", 26);
    s += "\n";
    return s;
}

std::string ReadAll(const std::string& AName) {
    std::ifstream in(AName, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class BulletinsTest : public apptest::StandingsTest {};

TEST(BulletinHelpers, PaddingAndVisibleLength) {
    EXPECT_EQ(kegora::LeftPadInt(7, 2), " 7");
    EXPECT_EQ(kegora::LeftPadInt(12345, 3), "12345");
    EXPECT_EQ(kegora::LeftPadInt(-5, 4), "  -5");
    EXPECT_EQ(kegora::RightPad("Ann", 5), "Ann  ");
    EXPECT_EQ(kegora::RightPad("Annabelle", 5), "Annab");
    EXPECT_EQ(kegora::StripAnsiLen(E + "[1;33mHi" + E + "[0m"), 2);
    EXPECT_EQ(kegora::StripAnsiLen("ab" + E), 3);        // a final escape is visible
    EXPECT_EQ(kegora::StripAnsiLen(E + "xy"), 3);        // not followed by "["
    EXPECT_EQ(kegora::StripAnsiLen(E + "[1;33"), 0);     // runs to the end without an "m"
    EXPECT_EQ(kegora::CenterRawWidth("ab", 7), "  ab   ");
    EXPECT_EQ(kegora::CenterRawWidth(E + "[1mab", 6), "  " + E + "[1mab  ");
    EXPECT_EQ(kegora::CenterRawWidth("abcdef", 4), "abcdef");
}

TEST(BulletinContents, EmptyMonthHasHeadingsAndNoRows) {
    const std::string asc = BuildAsciiBulletin("March 2026", {});
    EXPECT_EQ(asc, ExpectedAscii("Current Month: March 2026", {}));
    // The first line: one space and 78 "=" (79 characters); the title centred by 35 spaces.
    EXPECT_EQ(asc.substr(0, 80), " " + std::string(78, '=') + "\n");
    EXPECT_EQ(asc.substr(80, 80), Sp(36) + "PINMARCH" + Sp(35) + "\n");
    EXPECT_EQ(BuildAnsiBulletin("March 2026", {}), ExpectedAnsi("Current Month: March 2026", {}));
    EXPECT_EQ(BuildAnsiBulletin("March 2026", {}).substr(0, kBlueBar.size()), kBlueBar);
}

TEST(BulletinContents, RowsRankNamesTotalsAndDaysUnderTheirHeadings) {
    std::vector<TPlayerMonthlyTotal> totals = {
        {"Ann", 1234, 9}, {"Bob", 987, 8}, {"Cy", 12, 1}, {"Dee", 5, 1}};
    const std::vector<std::string> rows = {
        " 1.  Ann                            1234             9",
        " 2.  Bob                             987             8",
        " 3.  Cy                               12             1",
        " 4.  Dee                               5             1"};
    EXPECT_EQ(BuildAsciiBulletin("September 2025", totals),
              ExpectedAscii("Current Month: September 2025", rows));
    EXPECT_EQ(BuildAnsiBulletin("September 2025", totals),
              ExpectedAnsi("Current Month: September 2025",
                           {{E + "[1;33m", rows[0]},
                            {E + "[1;37m", rows[1]},
                            {E + "[1;37m", rows[2]},
                            {E + "[0;37m", rows[3]}}));
    // The total ends under the last letter of "Total Score", the days under "Days Played".
    const std::string header = Sp(11) + kHeader;
    const std::string row = Sp(12) + rows[0];
    EXPECT_EQ(header.find("Player"), row.find("Ann"));
    EXPECT_EQ(header.find("Total Score") + 10, row.find("1234") + 3);
    EXPECT_EQ(header.find("Days Played") + 10, row.rfind('9'));
}

TEST(BulletinContents, EmptyNameIsSkippedWithoutRenumbering) {
    std::vector<TPlayerMonthlyTotal> totals = {{"Ann", 300, 2}, {"", 200, 1}, {"Bob", 100, 1}};
    const std::string asc = BuildAsciiBulletin("May 2025", totals);
    EXPECT_NE(asc.find(" 1.  Ann "), std::string::npos);
    EXPECT_EQ(asc.find(" 2.  "), std::string::npos);
    EXPECT_NE(asc.find(" 3.  Bob "), std::string::npos);
    const std::string ans = BuildAnsiBulletin("May 2025", totals);
    EXPECT_NE(ans.find(E + "[1;37m" + Sp(12) + " 3.  Bob "), std::string::npos);
}

TEST(BulletinContents, LongNamesAreCutTo22AndControlBytesShownAsQuestionMarks) {
    std::vector<TPlayerMonthlyTotal> totals = {{"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123", 50, 1},
                                               {"Ev\x1b[2Jil\x7f", 40, 1}};
    const std::string asc = BuildAsciiBulletin("May 2025", totals);
    EXPECT_NE(asc.find(" 1.  ABCDEFGHIJKLMNOPQRSTUV  " + Sp(9) + "50"), std::string::npos) << asc;
    EXPECT_NE(asc.find(" 2.  Ev?[2Jil?" + Sp(13) + "  "), std::string::npos) << asc;
    const std::string ans = BuildAnsiBulletin("May 2025", totals);
    EXPECT_NE(ans.find("Ev?[2Jil?"), std::string::npos);
    EXPECT_EQ(ans.find("Ev\x1b"), std::string::npos);
    EXPECT_EQ(asc.find('\x7f'), std::string::npos);
}

TEST_F(BulletinsTest, WritesBothFilesFromTheMonthsLogTenOfTwelve) {
    Today(2025, 9, 13);
    for (int i = 0; i < 12; ++i) Play("Player" + std::to_string(i), Date(2025, 9, 1), 500 - i);
    Play("Player3", Date(2025, 9, 2), 100);   // a second day for one player: total 597
    Play("Old", Date(2025, 8, 31), 900);       // another month
    kegora::CreateBulletinFiles();

    std::vector<std::string> rows;
    std::vector<std::pair<std::string, std::string>> coloured;
    const int order[10] = {3, 0, 1, 2, 4, 5, 6, 7, 8, 9};
    for (int rank = 1; rank <= 10; ++rank) {
        const int p = order[rank - 1];
        char row[80];
        std::snprintf(row, sizeof row, "%2d.  %-22s  %11d  %12d", rank,
                      ("Player" + std::to_string(p)).c_str(), p == 3 ? 597 : 500 - p, p == 3 ? 2 : 1);
        rows.push_back(row);
        coloured.push_back({rank == 1 ? E + "[1;33m" : rank <= 3 ? E + "[1;37m" : E + "[0;37m", row});
    }
    EXPECT_EQ(ReadAll("pmchwin.asc"), ExpectedAscii("Current Month: September 2025", rows));
    EXPECT_EQ(ReadAll("pmchwin.ans"), ExpectedAnsi("Current Month: September 2025", coloured));
    // Nothing else is left in the directory.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(".")) ++files;
    EXPECT_EQ(files, 3);
}

TEST_F(BulletinsTest, WithoutAPlayLogTheBulletinsHaveNoRows) {
    Today(2026, 3, 2);
    kegora::CreateBulletinFiles();
    EXPECT_EQ(ReadAll("pmchwin.asc"), ExpectedAscii("Current Month: March 2026", {}));
    EXPECT_EQ(ReadAll("pmchwin.ans"), ExpectedAnsi("Current Month: March 2026", {}));
    EXPECT_FALSE(std::filesystem::exists("pmchplay.dat"));
}

TEST_F(BulletinsTest, AFailedWriteLeavesTheOldBulletinsAndNoTemporaryFile) {
    Today(2025, 9, 13);
    Play("Ann", Date(2025, 9, 1), 100);
    {
        std::ofstream("pmchwin.ans") << "old ans";
        std::ofstream("pmchwin.asc") << "old asc";
    }
    // The second file's temporary name is taken by a directory: it cannot be created.
    const std::string blocked = "pmchwin.asc.tmp" + std::to_string(::getpid());
    std::filesystem::create_directory(blocked);
    try {
        kegora::CreateBulletinFiles();
        ADD_FAILURE() << "no error raised";
    } catch (const kegora::EBulletinWriteError& e) {
        EXPECT_EQ(e.FileName(), "pmchwin.asc");
        EXPECT_NE(std::string(e.what()).find("pmchwin.asc"), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadAll("pmchwin.ans"), "old ans");
    EXPECT_EQ(ReadAll("pmchwin.asc"), "old asc");
    EXPECT_FALSE(std::filesystem::exists("pmchwin.ans.tmp" + std::to_string(::getpid())));
}

TEST_F(BulletinsTest, AFullDiskLeavesNoHalfBulletin) {
    Today(2025, 9, 13);
    Play("Ann", Date(2025, 9, 1), 100);
    std::ofstream("pmchwin.ans") << "old ans";
    // A file-size limit makes the writes fail part-way, as a full disk would.
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 300;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_THROW(kegora::CreateBulletinFiles(), kegora::EBulletinWriteError);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(ReadAll("pmchwin.ans"), "old ans");
    EXPECT_FALSE(std::filesystem::exists("pmchwin.asc"));
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(".")) ++files;
    EXPECT_EQ(files, 2);  // the log and the old bulletin
}

TEST_F(BulletinsTest, ATargetThatCannotBeReplacedRaisesAndKeepsTheOtherFile) {
    Today(2025, 9, 13);
    std::filesystem::create_directory("pmchwin.ans");
    std::ofstream("pmchwin.ans/keep") << "x";
    std::ofstream("pmchwin.asc") << "old asc";
    EXPECT_THROW(kegora::CreateBulletinFiles(), kegora::EBulletinWriteError);
    EXPECT_EQ(ReadAll("pmchwin.asc"), "old asc");
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(".")) ++files;
    EXPECT_EQ(files, 2);
}

} // namespace
