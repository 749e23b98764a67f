// Date-time values as the data files store them: a double counting days since
// 1899-12-30 00:00, the fraction being the time of day. Calendar helpers, the
// date patterns the screens and files use, and the one clock the program reads.
#pragma once

#include <cstdint>
#include <string>

namespace common {

using TDateTime = double;

bool IsLeapYear(int AYear);
// Days of a month (1..12) of a year; 0 for a month outside 1..12.
int DaysInMonth(int AYear, int AMonth);
// True when the date exists in the proleptic Gregorian calendar (years 1..9999).
bool IsValidDate(int AYear, int AMonth, int ADay);

// Midnight of a calendar date. Throws std::invalid_argument for an invalid date.
TDateTime EncodeDate(int AYear, int AMonth, int ADay);
TDateTime EncodeTime(int AHour, int AMin, int ASec, int AMSec = 0);
TDateTime EncodeDateTime(int AYear, int AMonth, int ADay, int AHour, int AMin, int ASec,
                         int AMSec = 0);
// Calendar date of a date-time (the time of day is dropped).
void DecodeDate(TDateTime ADate, int& AYear, int& AMonth, int& ADay);
void DecodeTime(TDateTime ADate, int& AHour, int& AMin, int& ASec, int& AMSec);
int YearOf(TDateTime ADate);
int MonthOf(TDateTime ADate);
int DayOf(TDateTime ADate);
// Midnight of the day of ADate.
TDateTime DateOf(TDateTime ADate);
// 1 = Sunday ... 7 = Saturday.
int DayOfWeek(TDateTime ADate);

// English month names, AMonth 1..12 ("" outside).
std::string LongMonthName(int AMonth);
std::string ShortMonthName(int AMonth);

// Formats with the date patterns used across the program; letters are case-insensitive:
//   d dd   day without/with leading zero     m mm   month number
//   mmm    short month name ("Sep")          mmmm   long month name ("September")
//   yy     two-digit year                     yyyy   four-digit year
//   h hh   hour   n nn  minute   s ss  second (24-hour clock)
// "/" prints as the date separator "-"; every other character is copied.
// Examples: "mm/dd/yyyy" -> 09-13-2025, "MMMM YYYY" -> September 2025,
//           "MMM DD, YYYY" -> Sep 13, 2025.
std::string FormatDateTime(const std::string& APattern, TDateTime ADate);

// ---- The clock ----------------------------------------------------------
// Every read of the clock goes through these; tests set the clock in seams.h.

// Local date and time now. With PINMARCH_NOW="yyyy-mm-dd hh:nn:ss" in the environment the
// clock starts at that local time and runs on from there (tests, demonstrations).
TDateTime Now();
// Local date now, at midnight.
TDateTime Today();
// Seconds since 1970-01-01 00:00 UTC now.
int64_t UnixTimeNow();
// A monotonic millisecond counter for timers (idle and time limits).
int64_t MonotonicMs();

// ---- Sleeping -----------------------------------------------------------
// Millisecond sleep.
void SleepMs(int AMs);

} // namespace common
