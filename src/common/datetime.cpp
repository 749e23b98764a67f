#include "common/datetime.h"

#include "common/seams.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <stdexcept>
#include <thread>

namespace common {

namespace {

const char* const kLongMonths[12] = {"January",   "February", "March",    "April",
                                     "May",       "June",     "July",     "August",
                                     "September", "October",  "November", "December"};

using namespace std::chrono;

// 1899-12-30, day 0 of the stored date-times.
constexpr sys_days kEpoch = sys_days{year{1899} / December / 30};

int64_t DaysFromCivil(int AYear, int AMonth, int ADay) {
    return (sys_days{year{AYear} / AMonth / ADay} - kEpoch).count();
}

void CivilFromDays(int64_t ADays, int& AYear, int& AMonth, int& ADay) {
    const year_month_day ymd{kEpoch + days{ADays}};
    AYear = static_cast<int>(ymd.year());
    AMonth = static_cast<int>(static_cast<unsigned>(ymd.month()));
    ADay = static_cast<int>(static_cast<unsigned>(ymd.day()));
}

// 1899-12-30 is 25569 days before 1970-01-01.
constexpr int64_t kEpochOffset = (sys_days{} - kEpoch).count();

int64_t WholeDays(TDateTime ADate) {
    // The integral part counts days; for negative values the fraction still
    // counts forward from the day's midnight, so truncation gives the day.
    return static_cast<int64_t>(std::trunc(ADate));
}

std::string Pad(int AValue, int AWidth) {
    std::string s = std::to_string(AValue);
    while (static_cast<int>(s.size()) < AWidth)
        s.insert(s.begin(), '0');
    return s;
}

} // namespace

bool IsLeapYear(int AYear) {
    return year{AYear}.is_leap();
}

int DaysInMonth(int AYear, int AMonth) {
    if (AMonth < 1 || AMonth > 12) return 0;
    return static_cast<int>(static_cast<unsigned>(year_month_day_last{
        year{AYear}, month_day_last{month(static_cast<unsigned>(
                         AMonth))}}.day()));
}

bool IsValidDate(int AYear, int AMonth, int ADay) {
    return AYear >= 1 && AYear <= 9999 && AMonth >= 1 && AMonth <= 12 && ADay >= 1 &&
           ADay <= DaysInMonth(AYear, AMonth);
}

TDateTime EncodeDate(int AYear, int AMonth, int ADay) {
    if (!IsValidDate(AYear, AMonth, ADay)) throw std::invalid_argument("Invalid date");
    return static_cast<double>(DaysFromCivil(AYear, AMonth, ADay));
}

TDateTime EncodeTime(int AHour, int AMin, int ASec, int AMSec) {
    if (AHour < 0 || AHour > 23 || AMin < 0 || AMin > 59 || ASec < 0 || ASec > 59 || AMSec < 0 ||
        AMSec > 999)
        throw std::invalid_argument("Invalid time");
    return ((AHour * 3600.0 + AMin * 60.0 + ASec) * 1000.0 + AMSec) / 86400000.0;
}

TDateTime EncodeDateTime(int AYear, int AMonth, int ADay, int AHour, int AMin, int ASec,
                         int AMSec) {
    return EncodeDate(AYear, AMonth, ADay) + EncodeTime(AHour, AMin, ASec, AMSec);
}

void DecodeDate(TDateTime ADate, int& AYear, int& AMonth, int& ADay) {
    if (!std::isfinite(ADate) || std::fabs(ADate) > 3.0e6) {
        AYear = 0;
        AMonth = 0;
        ADay = 0;
        return;
    }
    CivilFromDays(WholeDays(ADate), AYear, AMonth, ADay);
}

void DecodeTime(TDateTime ADate, int& AHour, int& AMin, int& ASec, int& AMSec) {
    double frac = std::fabs(ADate - std::trunc(ADate));
    if (!std::isfinite(frac)) frac = 0;
    auto ms = static_cast<int64_t>(std::llround(frac * 86400000.0));
    if (ms >= 86400000) ms = 86399999;
    AHour = static_cast<int>(ms / 3600000);
    AMin = static_cast<int>(ms / 60000 % 60);
    ASec = static_cast<int>(ms / 1000 % 60);
    AMSec = static_cast<int>(ms % 1000);
}

int YearOf(TDateTime ADate) {
    int y, m, d;
    DecodeDate(ADate, y, m, d);
    return y;
}

int MonthOf(TDateTime ADate) {
    int y, m, d;
    DecodeDate(ADate, y, m, d);
    return m;
}

int DayOf(TDateTime ADate) {
    int y, m, d;
    DecodeDate(ADate, y, m, d);
    return d;
}

TDateTime DateOf(TDateTime ADate) {
    return std::trunc(ADate);
}

int DayOfWeek(TDateTime ADate) {
    return static_cast<int>(weekday{kEpoch + days{WholeDays(ADate)}}.c_encoding()) + 1;
}

std::string LongMonthName(int AMonth) {
    if (AMonth < 1 || AMonth > 12) return "";
    return kLongMonths[AMonth - 1];
}

std::string ShortMonthName(int AMonth) {
    return LongMonthName(AMonth).substr(0, 3);
}

std::string FormatDateTime(const std::string& APattern, TDateTime ADate) {
    int y, mo, d, h, mi, s, ms;
    DecodeDate(ADate, y, mo, d);
    DecodeTime(ADate, h, mi, s, ms);
    std::string out;
    size_t i = 0;
    auto run = [&](char c) {
        size_t n = 0;
        while (i + n < APattern.size() && (APattern[i + n] | 0x20) == c)
            ++n;
        return n;
    };
    while (i < APattern.size()) {
        const char c = APattern[i];
        const char lc = static_cast<char>(c | 0x20);
        size_t n = 0;
        if (c >= 'A' && c <= 'z' &&
            (lc == 'd' || lc == 'm' || lc == 'y' || lc == 'h' || lc == 'n' || lc == 's'))
            n = run(lc);
        if (n == 0) {
            out += (c == '/') ? '-' : c;
            ++i;
            continue;
        }
        switch (lc) {
        case 'd':
            out += n >= 2 ? Pad(d, 2) : std::to_string(d);
            break;
        case 'm':
            if (n >= 4)
                out += LongMonthName(mo);
            else if (n == 3)
                out += ShortMonthName(mo);
            else
                out += n == 2 ? Pad(mo, 2) : std::to_string(mo);
            break;
        case 'y':
            out += n >= 3 ? Pad(y, 4) : Pad(y % 100, 2);
            break;
        case 'h':
            out += n >= 2 ? Pad(h, 2) : std::to_string(h);
            break;
        case 'n':
            out += n >= 2 ? Pad(mi, 2) : std::to_string(mi);
            break;
        case 's':
            out += n >= 2 ? Pad(s, 2) : std::to_string(s);
            break;
        }
        i += n;
    }
    return out;
}

namespace {

// PINMARCH_NOW="yyyy-mm-dd hh:nn:ss" starts the door's wall clock at that local date and time
// (for tests and demonstrations); from there it runs on with the monotonic clock, whatever the
// time zone. Read once; a value that is not a valid date and time is ignored.
bool EnvironmentClock(TDateTime& ANow) {
    static const auto start = []() -> std::optional<std::pair<TDateTime, int64_t>> {
        const char* env = std::getenv("PINMARCH_NOW");
        int y, mo, d, h, mi, s;
        char tail;
        if (!env ||
            std::sscanf(env, "%4d-%2d-%2d %2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6 ||
            !IsValidDate(y, mo, d) || h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 59)
            return std::nullopt;
        return std::make_pair(EncodeDateTime(y, mo, d, h, mi, s),
                              std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::chrono::steady_clock::now().time_since_epoch())
                                  .count());
    }();
    if (!start) return false;
    const int64_t ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now().time_since_epoch())
                           .count() -
                       start->second;
    ANow = start->first + static_cast<double>(ms) / 86400000.0;
    return true;
}

} // namespace

TDateTime Now() {
    if (Seams().Now) return *Seams().Now;
    if (TDateTime env; EnvironmentClock(env)) return env;
    const auto now = std::chrono::system_clock::now();
    const auto us =
        std::chrono::duration_cast<std::chrono::microseconds>(now.time_since_epoch()).count();
    const time_t secs = static_cast<time_t>(us / 1000000);
    struct tm lt {};
    localtime_r(&secs, &lt);
    const int msec = static_cast<int>((us % 1000000) / 1000);
    return EncodeDateTime(lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday, lt.tm_hour, lt.tm_min,
                          lt.tm_sec > 59 ? 59 : lt.tm_sec, msec);
}

TDateTime Today() {
    return DateOf(Now());
}

int64_t UnixTimeNow() {
    TDateTime env = 0;
    if (Seams().Now || EnvironmentClock(env)) {
        const auto ms = std::llround((Seams().Now.value_or(env) - kEpochOffset) * 86400000.0);
        return static_cast<int64_t>(ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000));
    }
    return static_cast<int64_t>(std::chrono::duration_cast<std::chrono::seconds>(
                                    std::chrono::system_clock::now().time_since_epoch())
                                    .count());
}

int64_t MonotonicMs() {
    if (Seams().MonotonicMs) return *Seams().MonotonicMs;
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

TSeams& Seams() {
    static TSeams seams;
    return seams;
}

void ResetSeams() {
    Seams() = TSeams{};
}

void SleepMs(int AMs) {
    if (Seams().Sleep) {
        Seams().Sleep(AMs);
        return;
    }
    if (AMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(AMs));
}

} // namespace common
