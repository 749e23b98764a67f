// The calendar: stored day numbers, leap years, month lengths, weekdays and the date
// patterns of the screens and files.
#include "common/datetime.h"

#include <gtest/gtest.h>

#include <array>
#include <stdexcept>

using namespace common;

TEST(Calendar, FactsAndDatePatterns) {
    const struct {
        int Year, Month, Day;
        double Stored;          // days since 1899-12-30
        int Weekday, MonthDays; // weekday 1 is Sunday
        bool Leap;
    } facts[] = {
        {1, 1, 1, -693593, 2, 31, false},      {1899, 12, 30, 0, 7, 31, false},
        {1900, 1, 1, 2, 2, 31, false},         {1900, 2, 28, 60, 4, 28, false},
        {1970, 1, 1, 25569, 5, 31, false},     {2000, 2, 29, 36585, 3, 29, true},
        {2024, 2, 29, 45351, 5, 29, true},     {2025, 2, 1, 45689, 7, 28, false},
        {2025, 4, 30, 45777, 4, 30, false},    {2025, 9, 13, 45913, 7, 30, false},
        {2025, 12, 31, 46022, 4, 31, false},   {2026, 1, 1, 46023, 5, 31, false},
        {2100, 2, 1, 73082, 2, 28, false},     {2400, 2, 29, 182682, 3, 29, true},
        {9999, 12, 31, 2958465, 6, 31, false},
    };
    for (const auto& f : facts) {
        SCOPED_TRACE(f.Stored);
        EXPECT_EQ(EncodeDate(f.Year, f.Month, f.Day), f.Stored);
        const double time = f.Year >= 1900 ? 0.9999 : 0; // the days before 1900 without a time
        int y, m, d;
        DecodeDate(f.Stored + time, y, m, d);
        EXPECT_EQ(std::make_tuple(y, m, d, DateOf(f.Stored + time)),
                  std::make_tuple(f.Year, f.Month, f.Day, f.Stored));
        EXPECT_EQ(DayOfWeek(f.Stored + time), f.Weekday);
        EXPECT_EQ(DaysInMonth(f.Year, f.Month), f.MonthDays);
        EXPECT_EQ(IsLeapYear(f.Year), f.Leap);
    }
    EXPECT_EQ(DaysInMonth(2025, 0) + DaysInMonth(2025, 13), 0);
    for (const auto& [y, m, d] : {std::array{1900, 2, 29}, {2025, 4, 31}, {0, 1, 1}, {10000, 1, 1}})
        EXPECT_THROW(EncodeDate(y, m, d), std::invalid_argument) << y << "-" << m << "-" << d;
    // The date patterns of the screens and files.
    const TDateTime d = EncodeDateTime(2025, 9, 13, 7, 5, 9);
    EXPECT_EQ(FormatDateTime("mm/dd/yyyy|mm/yy|MMMM YYYY|MMM DD, YYYY|m/d/yy hh:nn:ss", d),
              "09-13-2025|09-25|September 2025|Sep 13, 2025|9-13-25 07:05:09");
    EXPECT_EQ(FormatDateTime("mm/dd/yyyy yy mmmm", EncodeDate(1, 12, 1)), "12-01-0001 01 December");
}
