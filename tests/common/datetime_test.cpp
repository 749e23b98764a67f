#include "common/datetime.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace common;

TEST(Calendar, EncodeMatchesStoredEpoch) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDate(1970, 1, 1), 25569.0);
    EXPECT_EQ(EncodeDate(2025, 9, 13), 45913.0);
    EXPECT_EQ(EncodeDate(2025, 9, 13) - EncodeDate(1900, 1, 1), 45911.0);
}

TEST(Calendar, DecodeRoundTripsAcrossCenturiesAndLeapDays) {
    for (int y : {1900, 1999, 2000, 2024, 2025, 2100}) {
        for (int m = 1; m <= 12; ++m) {
            for (int d = 1; d <= DaysInMonth(y, m); ++d) {
                int yy, mm, dd;
                DecodeDate(EncodeDate(y, m, d) + 0.75, yy, mm, dd);
                ASSERT_EQ(yy, y);
                ASSERT_EQ(mm, m);
                ASSERT_EQ(dd, d);
            }
        }
    }
}

TEST(Calendar, DaysInMonthAndLeapYears) {
    EXPECT_EQ(DaysInMonth(2024, 2), 29);
    EXPECT_EQ(DaysInMonth(2025, 2), 28);
    EXPECT_EQ(DaysInMonth(1900, 2), 28);
    EXPECT_EQ(DaysInMonth(2000, 2), 29);
    EXPECT_EQ(DaysInMonth(2025, 4), 30);
    EXPECT_EQ(DaysInMonth(2025, 12), 31);
    EXPECT_EQ(DaysInMonth(2025, 0), 0);
    EXPECT_EQ(DaysInMonth(2025, 13), 0);
    EXPECT_THROW(EncodeDate(2025, 2, 29), std::invalid_argument);
    EXPECT_THROW(EncodeDate(2025, 13, 1), std::invalid_argument);
}

TEST(Calendar, DayOfWeekSundayIsOne) {
    EXPECT_EQ(DayOfWeek(EncodeDate(2025, 9, 13)), 7); // Saturday
    EXPECT_EQ(DayOfWeek(EncodeDate(2025, 6, 1)), 1);  // Sunday
    EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 6) + 0.99), 1);
    EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 30)), 7);
}

TEST(Calendar, TimeOfDay) {
    int h, m, s, ms;
    DecodeTime(EncodeDateTime(2025, 9, 13, 23, 59, 58, 250), h, m, s, ms);
    EXPECT_EQ(h, 23);
    EXPECT_EQ(m, 59);
    EXPECT_EQ(s, 58);
    EXPECT_EQ(ms, 250);
    EXPECT_EQ(DateOf(EncodeDateTime(2025, 9, 13, 18, 0, 0)), EncodeDate(2025, 9, 13));
}

TEST(DatePatterns, TheProgramsPatterns) {
    const TDateTime d = EncodeDate(2025, 9, 13);
    EXPECT_EQ(FormatDateTime("mm/dd/yyyy", d), "09-13-2025");
    EXPECT_EQ(FormatDateTime("mm/yy", d), "09-25");
    EXPECT_EQ(FormatDateTime("MMMM YYYY", d), "September 2025");
    EXPECT_EQ(FormatDateTime("MMM DD, YYYY", d), "Sep 13, 2025");
    EXPECT_EQ(FormatDateTime("m/d/yy", EncodeDate(2001, 2, 3)), "2-3-01");
    EXPECT_EQ(FormatDateTime("hh:nn:ss", EncodeDateTime(2025, 1, 1, 7, 5, 9)), "07:05:09");
}

TEST(Clock, PinnedNowAndToday) {
    PinNow(EncodeDateTime(2025, 9, 13, 14, 30, 0));
    EXPECT_EQ(Today(), EncodeDate(2025, 9, 13));
    EXPECT_DOUBLE_EQ(Now(), EncodeDateTime(2025, 9, 13, 14, 30, 0));
    EXPECT_EQ(UnixTimeNow(), 1757773800);
    UnpinNow();
    EXPECT_FALSE(NowIsPinned());
    EXPECT_GT(Today(), EncodeDate(2020, 1, 1));
}

TEST(Clock, FakeMonotonicAdvancesByHand) {
    SetFakeMonotonicMs(1000);
    AdvanceFakeMonotonicMs(300000);
    EXPECT_EQ(MonotonicMs(), 301000);
    ClearFakeMonotonicMs();
}

namespace {
int gSlept = 0;
void RecordSleep(int ms) { gSlept += ms; }
} // namespace

TEST(Clock, SleepHookReplacesTheWait) {
    SetSleepHook(RecordSleep);
    SleepMs(2500);
    SetSleepHook(nullptr);
    EXPECT_EQ(gSlept, 2500);
}
