#include "records/dailyplay.h"

#include "records/exchangerank.h"
#include "records/nameindex.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <deque>
#include <limits>
#include <stdexcept>
#include <string_view>

namespace records {

namespace {

// ---- Little-endian fields -------------------------------------------------

uint32_t LoadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
int32_t LoadI32(const uint8_t* p) {
    return static_cast<int32_t>(LoadU32(p));
}
double LoadF64(const uint8_t* p) {
    return std::bit_cast<double>(static_cast<uint64_t>(LoadU32(p)) |
                                 static_cast<uint64_t>(LoadU32(p + 4)) << 32);
}
void StoreU32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}
void StoreI32(uint8_t* p, int32_t v) {
    StoreU32(p, static_cast<uint32_t>(v));
}
void StoreF64(uint8_t* p, double v) {
    const auto u = std::bit_cast<uint64_t>(v);
    StoreU32(p, static_cast<uint32_t>(u));
    StoreU32(p + 4, static_cast<uint32_t>(u >> 32));
}

// The part of a name the files keep.
std::string_view StoredName(std::string_view AName) {
    return AName.substr(0, MAX_PLAYER_NAME);
}

// Length byte then 40 name bytes; the bytes after the name stay as they are (zero).
void StoreName(uint8_t* p, std::string_view AName) {
    const std::string_view name = StoredName(AName);
    p[0] = static_cast<uint8_t>(name.size());
    if (!name.empty()) std::memcpy(p + 1, name.data(), name.size());
}
std::string_view NameAt(const uint8_t* p) {
    const std::size_t len = p[0] < MAX_PLAYER_NAME ? p[0] : MAX_PLAYER_NAME;
    return {reinterpret_cast<const char*>(p + 1), len};
}

// A play record in a scan buffer, read in place.
struct TRawPlay {
    const uint8_t* P;
    std::string_view Name() const { return NameAt(P); }
    double Date() const { return LoadF64(P + 48); }
    int32_t Score() const { return LoadI32(P + 56); }
};

// ---- Days and months --------------------------------------------------------

constexpr int64_t NO_DAY = std::numeric_limits<int64_t>::min();
constexpr double FIRST_CALENDAR_DAY = -693593.0; // 0001-01-01
constexpr double LAST_CALENDAR_DAY = 2958465.0;  // 9999-12-31

// Whole days since 1899-12-30 of the calendar day of ADate (the time of day
// dropped, as the date keys do), or NO_DAY outside years 1 to 9999.
int64_t DayNumber(double ADate) {
    if (!(ADate > FIRST_CALENDAR_DAY - 1 && ADate < LAST_CALENDAR_DAY + 1)) return NO_DAY;
    return static_cast<int64_t>(ADate); // truncation, as the calendar decodes it
}

struct TMonthRange {
    int64_t First = 1;
    int64_t Last = 0; // empty unless set
    bool Contains(int64_t ADay) const { return ADay >= First && ADay <= Last; }
};

TMonthRange MonthRange(int AMonth, int AYear) {
    if (!common::IsValidDate(AYear, AMonth, 1)) return {};
    const auto first = static_cast<int64_t>(common::EncodeDate(AYear, AMonth, 1));
    return {first, first + common::DaysInMonth(AYear, AMonth) - 1};
}

TMonthRange MonthRangeOfDay(int64_t ADay) {
    int y, m, d;
    common::DecodeDate(static_cast<double>(ADay), y, m, d);
    const int64_t first = ADay - (d - 1);
    return {first, first + common::DaysInMonth(y, m) - 1};
}

TMonthRange ValidMonthRange(int AMonth, int AYear) {
    const TMonthRange range = MonthRange(AMonth, AYear);
    if (range.Last < range.First) throw std::invalid_argument("Invalid date");
    return range;
}

// Sums are kept in 64 bits and reported saturated to the 32-bit range.
int32_t Clamp32(int64_t AValue) {
    if (AValue > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (AValue < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(AValue);
}

void AddTo(int32_t& ATotal, int64_t AValue) {
    ATotal = Clamp32(ATotal + AValue);
}

// ---- Scans ---------------------------------------------------------------------

// One read-only step over the log under a shared lock. The log is opened
// read-write like the append, so a log without write permission fails here too.
// No log: nothing is visited.
template <class TVisit> void ScanLog(const std::string& AFileName, TVisit&& AVisit) {
    TPlayLog log(AFileName);
    if (!log.Open(TPlayLog::omReadWrite)) return;
    log.Lock(TPlayLog::lkShared);
    log.Scan([&](const uint8_t* p) { return AVisit(TRawPlay{p}); });
    log.Close();
}

// The running leader of one day, in file order. A game logged without a player's name (older
// doors logged such games for callers the board did not name) wins nothing.
struct TWinnerState {
    bool Led = false;
    int32_t Score = 0;
    int32_t Ties = 0;
    uint8_t NameLen = 0;
    char Name[MAX_PLAYER_NAME];

    void Add(const TRawPlay& ARecord) {
        if (ARecord.Name().empty()) return;
        const int32_t score = ARecord.Score();
        if (!Led || score > Score) {
            const std::string_view name = ARecord.Name();
            Led = true;
            Score = score;
            Ties = 1;
            NameLen = static_cast<uint8_t>(name.size());
            std::memcpy(Name, name.data(), name.size());
        } else if (score == Score && Ties < std::numeric_limits<int32_t>::max()) {
            ++Ties;
        }
    }
    TDailyWinner Result() const {
        if (!Led) return {"Nobody", 0};
        if (Ties >= 2) return {std::to_string(Ties) + " players tied", Score};
        return {std::string(Name, NameLen), Score};
    }
};

// ---- All-time tables ------------------------------------------------------------

// Best days: strictly greater only, so an equal score never displaces an earlier one.
void PlaceBestDay(TAllTimeRecord& R, std::string_view AName, int32_t AScore, TDateTime ADate) {
    if (AScore > R.HighestDayScore) {
        R.ThirdDayPlayer = std::move(R.SecondDayPlayer);
        R.ThirdDayScore = R.SecondDayScore;
        R.ThirdDayDate = R.SecondDayDate;
        R.SecondDayPlayer = std::move(R.HighestDayPlayer);
        R.SecondDayScore = R.HighestDayScore;
        R.SecondDayDate = R.HighestDayDate;
        R.HighestDayPlayer = StoredName(AName);
        R.HighestDayScore = AScore;
        R.HighestDayDate = ADate;
    } else if (AScore > R.SecondDayScore) {
        R.ThirdDayPlayer = std::move(R.SecondDayPlayer);
        R.ThirdDayScore = R.SecondDayScore;
        R.ThirdDayDate = R.SecondDayDate;
        R.SecondDayPlayer = StoredName(AName);
        R.SecondDayScore = AScore;
        R.SecondDayDate = ADate;
    } else if (AScore > R.ThirdDayScore) {
        R.ThirdDayPlayer = StoredName(AName);
        R.ThirdDayScore = AScore;
        R.ThirdDayDate = ADate;
    }
}

bool SameMonth(TDateTime ADate, int AYear, int AMonth) {
    int y, m, d;
    common::DecodeDate(ADate, y, m, d);
    return y == AYear && m == AMonth;
}

// The player's entry for the month of AMonthStart gets the new total T and
// moves up past smaller totals; a player new to the table for that month goes
// before the first empty or smaller entry (after equal ones).
void UpdateMonthlyTable(TAllTimeRecord& R, const std::string& AName, int32_t T,
                        TDateTime AMonthStart) {
    auto& P = R.TopMonthlyPlayers;
    auto& S = R.TopMonthlyScores;
    auto& D = R.TopMonthlyDates;
    int year, month, day;
    common::DecodeDate(AMonthStart, year, month, day);
    for (std::size_t i = 0; i < ALL_TIME_PLACES; ++i) {
        if (P[i] == AName && SameMonth(D[i], year, month)) {
            S[i] = T;
            for (std::size_t j = i; j >= 1 && S[j] > S[j - 1]; --j) {
                P[j] = std::move(P[j - 1]);
                S[j] = S[j - 1];
                D[j] = D[j - 1];
                P[j - 1] = AName;
                S[j - 1] = T;
                D[j - 1] = AMonthStart;
            }
            return;
        }
    }
    for (std::size_t p = 0; p < ALL_TIME_PLACES; ++p) {
        if (S[p] == 0 || S[p] < T) {
            for (std::size_t k = ALL_TIME_PLACES - 1; k > p; --k) {
                P[k] = std::move(P[k - 1]);
                S[k] = S[k - 1];
                D[k] = D[k - 1];
            }
            P[p] = AName;
            S[p] = T;
            D[p] = AMonthStart;
            return;
        }
    }
}

void UpdateLifetimeTable(TAllTimeRecord& R, const std::string& AName, int32_t L, int32_t G) {
    auto& P = R.TopLifetimePlayers;
    auto& T = R.TopLifetimeTotals;
    auto& N = R.TopLifetimeGames;
    for (std::size_t i = 0; i < ALL_TIME_PLACES; ++i) {
        if (P[i] == AName) {
            T[i] = L;
            N[i] = G;
            for (std::size_t j = i; j >= 1 && T[j] > T[j - 1]; --j) {
                P[j] = std::move(P[j - 1]);
                T[j] = T[j - 1];
                N[j] = N[j - 1];
                P[j - 1] = AName;
                T[j - 1] = L;
                N[j - 1] = G;
            }
            return;
        }
    }
    for (std::size_t p = 0; p < ALL_TIME_PLACES; ++p) {
        if (T[p] == 0 || T[p] < L) {
            for (std::size_t k = ALL_TIME_PLACES - 1; k > p; --k) {
                P[k] = std::move(P[k - 1]);
                T[k] = T[k - 1];
                N[k] = N[k - 1];
            }
            P[p] = AName;
            T[p] = L;
            N[p] = G;
            return;
        }
    }
}

void SaveAllTimeRecords(const TAllTimeRecord& ARecords) {
    const TAllTimeRecordBytes bytes = EncodeAllTimeRecord(ARecords);
    ReplaceFile(ALL_TIME_FILE_NAME, bytes.data(), bytes.size());
}

// The all-time records recomputed from the whole log, one record at a time in
// file order.
//
// The sum of a player's current month is kept with the player (a few thousand
// players stay in the cache) and added to the month list when the player's
// next record falls in another month. Each player's months are chained newest
// first; a month later than all the player's earlier ones (the usual case: the
// log is roughly in date order) is new without a search. The calendar is asked
// only for a day outside the month it was last asked about, so about once per
// month of the log.
class TAllTimeRebuild {
  public:
    void Add(const uint8_t* ARecord) {
        const TRawPlay r{ARecord};
        const int32_t score = r.Score();
        if (score > FRecord.ThirdDayScore) PlaceBestDay(FRecord, r.Name(), score, r.Date());

        const TNameKey key = TNameKey::FromField(ARecord);
        const uint64_t hash = key.Hash();
        uint32_t who = FNames.Find(key, hash);
        if (who == TNameIndex::NONE) who = AddPlayer(key, hash);
        TPlayerSum& player = FPlayers[who];
        player.Total += score;
        ++player.Games;

        const int64_t day = DayNumber(r.Date());
        if (day == NO_DAY) return; // belongs to no month
        if (!player.InMonth(day)) EnterMonth(who, day);
        player.MonthTotal += score;
    }

    // The records of everything added.
    TAllTimeRecord Finish() {
        for (std::size_t i = 0; i < FPlayers.size(); ++i)
            if (FChains[i].Month != NONE)
                AddTo(FMonths[FChains[i].Month].Total, FPlayers[i].MonthTotal);

        struct TRanked {
            int32_t Total;
            uint32_t Index;
        };
        auto byTotal = [](const TRanked& e) { return e.Total; };
        std::vector<TRanked> ranked;

        // Only entries that can reach the tables take part (see PlaceKey).
        const int32_t monthCut = PlaceKey(
            FMonths, [](const TMonthSum& m) { return m.Total; }, ALL_TIME_PLACES);
        for (uint32_t i = 0; i < FMonths.size(); ++i)
            if (FMonths[i].Total >= monthCut) ranked.push_back({FMonths[i].Total, i});
        ExchangeRank(std::span<TRanked>(ranked), byTotal, ALL_TIME_PLACES);
        for (std::size_t i = 0; i < ranked.size() && i < ALL_TIME_PLACES; ++i) {
            const TMonthSum& m = FMonths[ranked[i].Index];
            FRecord.TopMonthlyPlayers[i] = FNames.Name(PlayerOf(ranked[i].Index));
            FRecord.TopMonthlyScores[i] = ranked[i].Total;
            FRecord.TopMonthlyDates[i] = static_cast<TDateTime>(m.FirstDay);
        }

        ranked.clear();
        const int32_t lifetimeCut = PlaceKey(
            FPlayers, [](const TPlayerSum& p) { return Clamp32(p.Total); }, ALL_TIME_PLACES);
        for (uint32_t i = 0; i < FPlayers.size(); ++i)
            if (Clamp32(FPlayers[i].Total) >= lifetimeCut)
                ranked.push_back({Clamp32(FPlayers[i].Total), i});
        ExchangeRank(std::span<TRanked>(ranked), byTotal, ALL_TIME_PLACES);
        for (std::size_t i = 0; i < ranked.size() && i < ALL_TIME_PLACES; ++i) {
            FRecord.TopLifetimePlayers[i] = FNames.Name(ranked[i].Index);
            FRecord.TopLifetimeTotals[i] = ranked[i].Total;
            FRecord.TopLifetimeGames[i] = Clamp32(FPlayers[ranked[i].Index].Games);
        }
        return FRecord;
    }

  private:
    static constexpr uint32_t NONE = 0xFFFFFFFFu;

    // What every record of a player touches (two players to a cache line)...
    struct TPlayerSum {
        int64_t Total = 0;
        int64_t Games = 0;
        int64_t MonthTotal = 0; // of the current month, not yet in the month list
        int32_t MonthFirst = 1; // days of the current month; none at first
        int32_t MonthLast = 0;
        bool InMonth(int64_t ADay) const { return ADay >= MonthFirst && ADay <= MonthLast; }
    };
    // ...and what only a change of month does.
    struct TPlayerMonths {
        uint32_t Month = NONE;  // current month's entry in the month list
        uint32_t Newest = NONE; // head of the player's chain of months (none: OWNER set)
        int32_t LatestFirstDay = std::numeric_limits<int32_t>::min();
    };
    // The link of a player's oldest month names the player (OWNER bit set), so
    // the list keeps no player field: an entry's player is at the end of its
    // chain. (Fewer than 2^31 months, at 12 bytes each.)
    struct TMonthSum {
        int32_t FirstDay;
        int32_t Total;  // saturating
        uint32_t Older; // the player's next older month, or OWNER | the player
    };
    static constexpr uint32_t OWNER = 0x80000000u;

    uint32_t PlayerOf(uint32_t AMonth) const {
        uint32_t m = AMonth;
        while ((FMonths[m].Older & OWNER) == 0)
            m = FMonths[m].Older;
        return FMonths[m].Older & ~OWNER;
    }

    uint32_t AddPlayer(const TNameKey& AKey, uint64_t AHash) {
        FPlayers.emplace_back();
        FChains.emplace_back();
        return FNames.Insert(AKey, AHash);
    }

    // The player's next record falls on ADay, outside the current month.
    void EnterMonth(uint32_t AWho, int64_t ADay) {
        TPlayerSum& player = FPlayers[AWho];
        TPlayerMonths& chain = FChains[AWho];
        if (chain.Month != NONE) AddTo(FMonths[chain.Month].Total, player.MonthTotal);
        if (!FCalendarMonth.Contains(ADay)) FCalendarMonth = MonthRangeOfDay(ADay);
        const auto first = static_cast<int32_t>(FCalendarMonth.First);
        uint32_t at = NONE;
        if (first <= chain.LatestFirstDay)
            for (uint32_t m = chain.Newest; (m & OWNER) == 0; m = FMonths[m].Older)
                if (FMonths[m].FirstDay == first) {
                    at = m;
                    break;
                }
        if (at == NONE) {
            at = static_cast<uint32_t>(FMonths.size());
            FMonths.push_back({first, 0, chain.Newest == NONE ? OWNER | AWho : chain.Newest});
            chain.Newest = at;
            if (first > chain.LatestFirstDay) chain.LatestFirstDay = first;
        }
        chain.Month = at;
        player.MonthFirst = first;
        player.MonthLast = static_cast<int32_t>(FCalendarMonth.Last);
        player.MonthTotal = 0;
    }

    TAllTimeRecord FRecord;
    TNameIndex FNames;
    std::vector<TPlayerSum> FPlayers;
    std::vector<TPlayerMonths> FChains;
    std::deque<TMonthSum> FMonths; // grows without moving what it holds
    TMonthRange FCalendarMonth;    // the month the calendar was last asked about
};

// Recomputes and saves the records from the open, exclusively locked log.
void RebuildFromLog(TPlayLog& ALog) {
    TAllTimeRebuild rebuild;
    ALog.ScanReadingAhead([&](const uint8_t* p) {
        rebuild.Add(p);
        return true;
    });
    SaveAllTimeRecords(rebuild.Finish());
}

} // namespace

// ---- Record codecs -----------------------------------------------------------------

TPlayRecordBytes EncodePlayRecord(const TDailyPlayRecord& ARecord) {
    TPlayRecordBytes b{};
    StoreName(b.data(), ARecord.PlayerName);
    StoreF64(b.data() + 48, ARecord.DatePlayed);
    StoreI32(b.data() + 56, ARecord.Score);
    StoreI32(b.data() + 60, ARecord.FramesCompleted);
    return b;
}

TDailyPlayRecord DecodePlayRecord(const uint8_t* ABytes) {
    TDailyPlayRecord r;
    r.PlayerName = NameAt(ABytes);
    r.DatePlayed = LoadF64(ABytes + 48);
    r.Score = LoadI32(ABytes + 56);
    r.FramesCompleted = LoadI32(ABytes + 60);
    return r;
}

namespace {
constexpr std::size_t kDayOffsets[3] = {0, 56, 112};
constexpr std::size_t kMonthlyNames = 168, kMonthlyScores = 580, kMonthlyDates = 624;
constexpr std::size_t kLifetimeNames = 704, kLifetimeTotals = 1116, kLifetimeGames = 1156;
constexpr std::size_t kNameSize = 1 + MAX_PLAYER_NAME;
} // namespace

TAllTimeRecordBytes EncodeAllTimeRecord(const TAllTimeRecord& R) {
    TAllTimeRecordBytes b{};
    const std::string* players[3] = {&R.HighestDayPlayer, &R.SecondDayPlayer, &R.ThirdDayPlayer};
    const int32_t scores[3] = {R.HighestDayScore, R.SecondDayScore, R.ThirdDayScore};
    const TDateTime dates[3] = {R.HighestDayDate, R.SecondDayDate, R.ThirdDayDate};
    for (std::size_t k = 0; k < 3; ++k) {
        StoreName(b.data() + kDayOffsets[k], *players[k]);
        StoreI32(b.data() + kDayOffsets[k] + 44, scores[k]);
        StoreF64(b.data() + kDayOffsets[k] + 48, dates[k]);
    }
    for (std::size_t i = 0; i < ALL_TIME_PLACES; ++i) {
        StoreName(b.data() + kMonthlyNames + kNameSize * i, R.TopMonthlyPlayers[i]);
        StoreI32(b.data() + kMonthlyScores + 4 * i, R.TopMonthlyScores[i]);
        StoreF64(b.data() + kMonthlyDates + 8 * i, R.TopMonthlyDates[i]);
        StoreName(b.data() + kLifetimeNames + kNameSize * i, R.TopLifetimePlayers[i]);
        StoreI32(b.data() + kLifetimeTotals + 4 * i, R.TopLifetimeTotals[i]);
        StoreI32(b.data() + kLifetimeGames + 4 * i, R.TopLifetimeGames[i]);
    }
    return b;
}

TAllTimeRecord DecodeAllTimeRecord(const uint8_t* b) {
    TAllTimeRecord R;
    std::string* players[3] = {&R.HighestDayPlayer, &R.SecondDayPlayer, &R.ThirdDayPlayer};
    int32_t* scores[3] = {&R.HighestDayScore, &R.SecondDayScore, &R.ThirdDayScore};
    TDateTime* dates[3] = {&R.HighestDayDate, &R.SecondDayDate, &R.ThirdDayDate};
    for (std::size_t k = 0; k < 3; ++k) {
        *players[k] = NameAt(b + kDayOffsets[k]);
        *scores[k] = LoadI32(b + kDayOffsets[k] + 44);
        *dates[k] = LoadF64(b + kDayOffsets[k] + 48);
    }
    for (std::size_t i = 0; i < ALL_TIME_PLACES; ++i) {
        R.TopMonthlyPlayers[i] = NameAt(b + kMonthlyNames + kNameSize * i);
        R.TopMonthlyScores[i] = LoadI32(b + kMonthlyScores + 4 * i);
        R.TopMonthlyDates[i] = LoadF64(b + kMonthlyDates + 8 * i);
        R.TopLifetimePlayers[i] = NameAt(b + kLifetimeNames + kNameSize * i);
        R.TopLifetimeTotals[i] = LoadI32(b + kLifetimeTotals + 4 * i);
        R.TopLifetimeGames[i] = LoadI32(b + kLifetimeGames + 4 * i);
    }
    return R;
}

// ---- TDailyTracker -------------------------------------------------------------------

TDailyTracker::TDailyTracker() : FFileName(PLAY_LOG_FILE_NAME) {}

std::string TDailyTracker::GetDateKey(TDateTime ADate) {
    return common::FormatDateTime("mm/dd/yyyy", ADate);
}

bool TDailyTracker::HasPlayedDate(const std::string& APlayer, TDateTime ADate) const {
    const std::string_view name = StoredName(APlayer);
    const int64_t day = DayNumber(ADate);
    bool found = false;
    ScanLog(FFileName, [&](const TRawPlay& r) {
        if (day != NO_DAY && DayNumber(r.Date()) == day && r.Name() == name) {
            found = true;
            return false;
        }
        return true;
    });
    return found;
}

void TDailyTracker::RecordPlay(const std::string& APlayer, TDateTime ADate, int32_t AScore,
                               int32_t AFrames) const {
    const TPlayRecordBytes bytes =
        EncodePlayRecord({std::string(StoredName(APlayer)), ADate, AScore, AFrames});
    TPlayLog log(FFileName);
    log.Open(TPlayLog::omReadWriteCreate);
    log.Lock(TPlayLog::lkExclusive);
    log.Append(bytes.data());
    log.Close();
}

int32_t TDailyTracker::GetDayScore(const std::string& APlayer, TDateTime ADate) const {
    const std::string_view name = StoredName(APlayer);
    const int64_t day = DayNumber(ADate);
    int32_t score = 0;
    ScanLog(FFileName, [&](const TRawPlay& r) {
        if (day != NO_DAY && DayNumber(r.Date()) == day && r.Name() == name) {
            score = r.Score();
            return false;
        }
        return true;
    });
    return score;
}

bool TDailyTracker::CanPlayMakeupDay(TDateTime ADate) const {
    return ADate < common::Today();
}

bool TDailyTracker::CanPlayAdvanceDay(TDateTime ADate) const {
    const TDateTime today = common::Today();
    int ty, tm, td;
    common::DecodeDate(today, ty, tm, td);
    if (td <= 20) return false;
    const int64_t day = DayNumber(ADate);
    // A later calendar day: a time of day on today itself does not make it one.
    if (day == NO_DAY || day <= static_cast<int64_t>(today)) return false;
    const TMonthRange month = MonthRange(tm, ty);
    return month.Contains(day);
}

void TDailyTracker::GetDailyWinner(TDateTime ADate, std::string& APlayer, int32_t& AScore) const {
    const int64_t day = DayNumber(ADate);
    TWinnerState state;
    ScanLog(FFileName, [&](const TRawPlay& r) {
        if (day != NO_DAY && DayNumber(r.Date()) == day) state.Add(r);
        return true;
    });
    TDailyWinner w = state.Result();
    APlayer = std::move(w.Player);
    AScore = w.Score;
}

void TDailyTracker::GetMonthlyTotals(int AMonth, int AYear, std::span<TPlayerMonthlyTotal> ATotals,
                                     int32_t& ACount) const {
    ACount = 0;
    for (TPlayerMonthlyTotal& e : ATotals)
        e = TPlayerMonthlyTotal{};
    const TMonthRange range = MonthRange(AMonth, AYear);
    const std::size_t capacity = ATotals.size();
    TNameIndex names;
    std::vector<int64_t> totals, days;
    ScanLog(FFileName, [&](const TRawPlay& r) {
        if (!range.Contains(DayNumber(r.Date()))) return true;
        const TNameKey key = TNameKey::FromField(r.P);
        const uint64_t hash = key.Hash();
        uint32_t at = names.Find(key, hash);
        if (at == TNameIndex::NONE) {
            if (names.Size() >= capacity) return true; // full: not counted at all
            at = names.Insert(key, hash);
            totals.push_back(0);
            days.push_back(0);
        }
        totals[at] += r.Score();
        ++days[at];
        return true;
    });
    const std::size_t count = names.Size();
    for (uint32_t i = 0; i < count; ++i)
        ATotals[i] = {names.Name(i), Clamp32(totals[i]), Clamp32(days[i])};
    ExchangeRank(ATotals.first(count), [](const TPlayerMonthlyTotal& e) { return e.TotalScore; });
    ACount = Clamp32(static_cast<int64_t>(count));
}

int32_t TDailyTracker::GetPlayerMonthlyTotal(const std::string& APlayer, int AMonth,
                                             int AYear) const {
    const std::string_view name = StoredName(APlayer);
    const TMonthRange range = MonthRange(AMonth, AYear);
    int64_t total = 0;
    ScanLog(FFileName, [&](const TRawPlay& r) {
        if (range.Contains(DayNumber(r.Date())) && r.Name() == name) total += r.Score();
        return true;
    });
    return Clamp32(total);
}

void TDailyTracker::GetPlayerTotalPins(const std::string& APlayer, int32_t& ATotalPins,
                                       int32_t& AGamesPlayed) const {
    ATotalPins = 0;
    AGamesPlayed = 0;
    const std::string_view name = StoredName(APlayer);
    int64_t pins = 0, games = 0;
    ScanLog(FFileName, [&](const TRawPlay& r) {
        if (r.Name() == name) {
            pins += r.Score();
            ++games;
        }
        return true;
    });
    ATotalPins = Clamp32(pins);
    AGamesPlayed = Clamp32(games);
}

void TDailyTracker::GetDailyScoresForMonth(int AMonth, int AYear,
                                           std::unique_ptr<TDailyScoresList>& AResults) const {
    ValidMonthRange(AMonth, AYear);
    if (!AResults) AResults = std::make_unique<TDailyScoresList>();
    GetDailyScoresForMonth(AMonth, AYear, *AResults);
}

void TDailyTracker::GetDailyScoresForMonth(int AMonth, int AYear,
                                           TDailyScoresList& AResults) const {
    const TMonthRange range = ValidMonthRange(AMonth, AYear);
    AResults.clear();
    for (int64_t d = range.First; d <= range.Last; ++d)
        AResults.emplace_back(GetDateKey(static_cast<TDateTime>(d)), 0);
    ScanLog(FFileName, [&](const TRawPlay& r) {
        const int64_t day = DayNumber(r.Date());
        if (range.Contains(day)) {
            int32_t& best = AResults[static_cast<std::size_t>(day - range.First)].second;
            if (r.Score() > best) best = r.Score();
        }
        return true;
    });
}

std::vector<TDailyWinner> TDailyTracker::GetDailyWinnersForMonth(int AMonth, int AYear) const {
    const TMonthRange range = ValidMonthRange(AMonth, AYear);
    std::vector<TWinnerState> states(static_cast<std::size_t>(range.Last - range.First + 1));
    ScanLog(FFileName, [&](const TRawPlay& r) {
        const int64_t day = DayNumber(r.Date());
        if (range.Contains(day)) states[static_cast<std::size_t>(day - range.First)].Add(r);
        return true;
    });
    std::vector<TDailyWinner> result;
    result.reserve(states.size());
    for (const TWinnerState& s : states)
        result.push_back(s.Result());
    return result;
}

std::vector<bool> TDailyTracker::GetPlayedDaysOfMonth(const std::string& APlayer, int AMonth,
                                                      int AYear) const {
    const std::string_view name = StoredName(APlayer);
    const TMonthRange range = ValidMonthRange(AMonth, AYear);
    std::vector<bool> played(static_cast<std::size_t>(range.Last - range.First + 1), false);
    ScanLog(FFileName, [&](const TRawPlay& r) {
        const int64_t day = DayNumber(r.Date());
        if (range.Contains(day) && r.Name() == name)
            played[static_cast<std::size_t>(day - range.First)] = true;
        return true;
    });
    return played;
}

void TDailyTracker::UpdateAllTimeRecords(const std::string& APlayer, TDateTime ADate,
                                         int32_t AScore) const {
    // The log's exclusive lock covers the whole read-modify-write, so updates
    // of several nodes follow one another and appends wait for it.
    TPlayLog log(FFileName);
    log.Open(TPlayLog::omReadWriteCreate);
    log.Lock(TPlayLog::lkExclusive);

    TAllTimeRecordBytes bytes{};
    const int loaded = ReadFilePrefix(ALL_TIME_FILE_NAME, bytes.data(), bytes.size());
    if (loaded == 0) {
        // A short records file (an interrupted old-style save): the game is in
        // the log already, so the rebuild includes it.
        RebuildFromLog(log);
        log.Close();
        return;
    }
    TAllTimeRecord rec = loaded > 0 ? DecodeAllTimeRecord(bytes.data()) : TAllTimeRecord{};
    const std::string name(StoredName(APlayer));
    PlaceBestDay(rec, name, AScore, ADate);

    // The month total and the lifetime totals in one pass.
    const int64_t day = DayNumber(ADate);
    const TMonthRange month = day == NO_DAY ? TMonthRange{} : MonthRangeOfDay(day);
    int64_t monthTotal = 0, pins = 0, games = 0;
    log.Scan([&](const uint8_t* p) {
        const TRawPlay r{p};
        if (r.Name() == name) {
            pins += r.Score();
            ++games;
            if (month.Contains(DayNumber(r.Date()))) monthTotal += r.Score();
        }
        return true;
    });
    if (day != NO_DAY)
        UpdateMonthlyTable(rec, name, Clamp32(monthTotal), static_cast<TDateTime>(month.First));
    UpdateLifetimeTable(rec, name, Clamp32(pins), Clamp32(games));

    SaveAllTimeRecords(rec);
    log.Close();
}

void TDailyTracker::RebuildAllTimeRecords() const {
    TPlayLog log(FFileName);
    if (!log.Open(TPlayLog::omReadWrite)) return;
    log.Lock(TPlayLog::lkExclusive);
    RebuildFromLog(log);
    log.Close();
}

void TDailyTracker::GetAllTimeRecords(TAllTimeRecord& ARecords) const {
    ARecords = TAllTimeRecord{};
    try {
        TAllTimeRecordBytes bytes{};
        if (ReadFilePrefix(ALL_TIME_FILE_NAME, bytes.data(), bytes.size()) > 0)
            ARecords = DecodeAllTimeRecord(bytes.data());
    } catch (const std::exception&) {
        ARecords = TAllTimeRecord{};
    }
}

std::vector<TDayPlay> ReadDayPlays(const std::string& AFileName, TDateTime ADate,
                                   std::size_t AMaxEntries) {
    std::vector<TDayPlay> plays;
    if (AMaxEntries == 0) return plays;
    TPlayLog log(AFileName);
    if (!log.Open(TPlayLog::omRead)) return plays;
    log.Lock(TPlayLog::lkShared);
    const int64_t day = DayNumber(ADate);
    log.Scan([&](const uint8_t* p) {
        const TRawPlay r{p};
        if (day != NO_DAY && DayNumber(r.Date()) == day) {
            plays.push_back({std::string(r.Name()), r.Score()});
            if (plays.size() >= AMaxEntries) return false;
        }
        return true;
    });
    log.Close();
    return plays;
}

} // namespace records
