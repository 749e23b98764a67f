// The calendar: stored day numbers, leap years, month lengths, weekdays and the date
// patterns of the screens and files.
#include "common/datetime.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <sstream>
#include <stdexcept>

using namespace common;

TEST(Calendar, FactsAndDatePatterns) {
    const std::string here = __FILE__;
    std::ifstream table(here.substr(0, here.rfind('/')) + "/cases/calendar.txt");
    int rows = 0;
    for (std::string line; std::getline(table, line);) {
        if (line[0] == '#') continue;
        int year, month, day, weekday, days;
        double stored;
        bool leap;
        std::istringstream(line) >> year >> month >> day >> stored >> weekday >> days >> leap;
        SCOPED_TRACE(line);
        EXPECT_EQ(EncodeDate(year, month, day), stored);
        const double time = year >= 1900 ? 0.9999 : 0; // the days before 1900 without a time
        int y, m, d;
        DecodeDate(stored + time, y, m, d);
        EXPECT_EQ(std::make_tuple(y, m, d, DateOf(stored + time)),
                  std::make_tuple(year, month, day, stored));
        EXPECT_EQ(DayOfWeek(stored + time), weekday);
        EXPECT_EQ(DaysInMonth(year, month), days);
        EXPECT_EQ(IsLeapYear(year), leap);
        ++rows;
    }
    EXPECT_GE(rows, 15);
    EXPECT_EQ(DaysInMonth(2025, 0) + DaysInMonth(2025, 13), 0);
    for (const auto& [y, m, d] : {std::array{1900, 2, 29}, {2025, 4, 31}, {0, 1, 1}, {10000, 1, 1}})
        EXPECT_THROW(EncodeDate(y, m, d), std::invalid_argument) << y << "-" << m << "-" << d;
    // The date patterns of the screens and files.
    const TDateTime d = EncodeDateTime(2025, 9, 13, 7, 5, 9);
    EXPECT_EQ(FormatDateTime("mm/dd/yyyy|mm/yy|MMMM YYYY|MMM DD, YYYY|m/d/yy hh:nn:ss", d),
              "09-13-2025|09-25|September 2025|Sep 13, 2025|9-13-25 07:05:09");
    EXPECT_EQ(FormatDateTime("mm/dd/yyyy yy mmmm", EncodeDate(1, 12, 1)), "12-01-0001 01 December");
}
