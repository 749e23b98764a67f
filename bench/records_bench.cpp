// Play-record store benchmark.
//
// Builds play logs of 10,000 and 1,000,000 records (2,000 players, three years
// of dates, in the order games end, with some make-up plays) in a temporary
// directory and times the questions the screens ask and the end-of-game
// update, each as the median of several runs and as a ratio to one plain
// sequential read of the same file in the same run (the rebuild also against "cat" of the log
// run as a program, as a black-box measurement does it). The page cache is warm for
// every figure. The update and the rebuild include flushing the new records
// file to disk (fsync) before it replaces the old one. Prints the peak resident memory of the
// process (getrusage).
//
// Usage: bench_records [records ...]   (default: 10000 1000000)
#include "records/dailyplay.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using records::TDailyTracker;

constexpr int kPlayers = 2000;
constexpr int kRuns = 5;

std::string PlayerName(int AIndex) {
    static const char* const kFirst[] = {"Ann", "Bartholomew", "Cy",  "Delphine",
                                         "Ed",  "Fitzgerald",  "Gus", "Henrietta"};
    return std::string(kFirst[AIndex % 8]) + " " + std::to_string(1000 + AIndex);
}

long PeakRssKb() {
    struct rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}

double CpuMsNow() {
    struct rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    return (static_cast<double>(ru.ru_utime.tv_sec) + static_cast<double>(ru.ru_stime.tv_sec)) *
               1e3 +
           (static_cast<double>(ru.ru_utime.tv_usec) + static_cast<double>(ru.ru_stime.tv_usec)) /
               1e3;
}

struct TTiming {
    double WallMs; // elapsed time, median of the runs
    double CpuMs;  // processor time of this process (user + system), median
};

// Measuring tool, not program logic: a high-resolution clock for elapsed times.
TTiming Measure(const std::function<void()>& ABody, int ARuns = kRuns) {
    std::vector<double> wall, cpu;
    for (int i = 0; i < ARuns; ++i) {
        const double c0 = CpuMsNow();
        const auto t0 = std::chrono::steady_clock::now();
        ABody();
        const auto t1 = std::chrono::steady_clock::now();
        cpu.push_back(CpuMsNow() - c0);
        wall.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return {wall[wall.size() / 2], cpu[cpu.size() / 2]};
}

// The log in the order games end: dates advance over three years; one play in
// twenty is a make-up game of an earlier day of the same month.
void GenerateLog(long ACount) {
    const int fd = ::open(records::PLAY_LOG_FILE_NAME, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        std::perror("create log");
        std::exit(1);
    }
    std::mt19937 rng(20250913);
    const double first = common::EncodeDate(2023, 1, 1);
    const double days = common::EncodeDate(2025, 12, 31) - first + 1;
    std::vector<uint8_t> block;
    block.reserve(4096 * records::PLAY_RECORD_SIZE);
    for (long i = 0; i < ACount; ++i) {
        double day = first + static_cast<double>(static_cast<long>(days * static_cast<double>(i) /
                                                                   static_cast<double>(ACount)));
        if (rng() % 20 == 0) {
            const int dom = common::DayOf(day);
            day -= static_cast<double>(rng() % static_cast<unsigned>(dom));
        }
        const auto bytes =
            records::EncodePlayRecord({PlayerName(static_cast<int>(rng() % kPlayers)), day,
                                       static_cast<int32_t>(rng() % 301), 10});
        block.insert(block.end(), bytes.begin(), bytes.end());
        if (block.size() >= 4096 * records::PLAY_RECORD_SIZE || i + 1 == ACount) {
            if (::write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size())) {
                std::perror("write log");
                std::exit(1);
            }
            block.clear();
        }
    }
    ::close(fd);
    // Write the new log out now, so that the first save that flushes the
    // records file to disk does not also pay for 64 MB of fresh log pages.
    ::sync();
}

// One plain sequential read of the whole file, 128 KiB at a time.
void SequentialRead() {
    static std::vector<char> buffer(records::TPlayLog::BLOCK_RECORDS * records::PLAY_RECORD_SIZE);
    const int fd = ::open(records::PLAY_LOG_FILE_NAME, O_RDONLY);
    long sum = 0;
    ssize_t n;
    while ((n = ::read(fd, buffer.data(), buffer.size())) > 0)
        sum += n;
    ::close(fd);
    if (sum < 0) std::abort();
}

// "cat pmchplay.dat > /dev/null" as a program, as a black-box measurement of a read does it.
void CatLog() {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    char cat[] = "cat", log[] = "pmchplay.dat";
    char* argv[] = {cat, log, nullptr};
    pid_t pid = -1;
    if (posix_spawnp(&pid, "cat", &actions, nullptr, argv, environ) == 0)
        ::waitpid(pid, nullptr, 0);
    posix_spawn_file_actions_destroy(&actions);
}

void Report(const char* AWhat, TTiming AT, TTiming ABase) {
    std::printf("  %-50s %9.3f ms %6.2fx  %9.3f ms %6.2fx  %6ld KB\n", AWhat, AT.WallMs,
                AT.WallMs / ABase.WallMs, AT.CpuMs, ABase.CpuMs > 0 ? AT.CpuMs / ABase.CpuMs : 0.0,
                PeakRssKb());
}

void RunSize(long ACount) {
    GenerateLog(ACount);
    const TDailyTracker t;
    const std::string player = PlayerName(7);
    const int month = 11, year = 2025;
    const double day = common::EncodeDate(year, month, 14);
    volatile long sink = 0;

    std::printf("\n%ld records (%.1f MB log), %d players, 2023-2025\n", ACount,
                static_cast<double>(ACount) * 64 / 1e6, kPlayers);
    SequentialRead(); // warm the page cache
    const TTiming base = Measure(SequentialRead, 3 * kRuns);
    std::printf("  %-50s %9s    %6s  %9s    %6s  %9s\n", "", "wall", "ratio", "cpu", "ratio",
                "peak RSS");
    Report("one sequential read (baseline)", base, base);

    Report("HasPlayedDate (no match: whole log)",
           Measure([&] { sink = sink + t.HasPlayedDate(player + " (never)", day); }), base);
    Report("GetDailyWinnersForMonth (whole month, one pass)", Measure([&] {
               sink = sink + static_cast<long>(t.GetDailyWinnersForMonth(month, year).size());
           }),
           base);
    Report("standings screen: played days + winners of month", Measure([&] {
               sink = sink + static_cast<long>(t.GetPlayedDaysOfMonth(player, month, year).size());
               sink = sink + static_cast<long>(t.GetDailyWinnersForMonth(month, year).size());
           }),
           base);
    Report("  for comparison: GetDailyWinner for each of 30 days",
           Measure(
               [&] {
                   std::string who;
                   int32_t score;
                   for (int d = 1; d <= 30; ++d) {
                       t.GetDailyWinner(common::EncodeDate(year, month, d), who, score);
                       sink = sink + score;
                   }
               },
               ACount > 100000 ? 1 : kRuns),
           base);
    std::vector<records::TPlayerMonthlyTotal> totals(100);
    Report("GetMonthlyTotals (capacity 100)", Measure([&] {
               int32_t count;
               t.GetMonthlyTotals(month, year, totals, count);
               sink = sink + count;
           }),
           base);
    Report("GetDailyScoresForMonth", Measure([&] {
               records::TDailyScoresList list;
               t.GetDailyScoresForMonth(month, year, list);
               sink = sink + static_cast<long>(list.size());
           }),
           base);
    const TTiming rebuild = Measure([&] { t.RebuildAllTimeRecords(); });
    Report("RebuildAllTimeRecords", rebuild, base);
    const TTiming cat = Measure(CatLog);
    Report("  for comparison: cat of the log (a program run)", cat, base);
    std::printf("  %-50s %9.2fx\n", "  RebuildAllTimeRecords / cat of the log",
                rebuild.WallMs / cat.WallMs);
    Report("RecordPlay + UpdateAllTimeRecords", Measure([&] {
               t.RecordPlay(player, day, 199, 10);
               t.UpdateAllTimeRecords(player, day, 199);
           }),
           base);
    std::filesystem::remove(records::PLAY_LOG_FILE_NAME);
    std::filesystem::remove(records::ALL_TIME_FILE_NAME);
}

} // namespace

int main(int argc, char** argv) {
    std::vector<long> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atol(argv[i]));
    if (sizes.empty()) sizes = {10000, 1000000};

    const auto old = std::filesystem::current_path();
    std::string tmpl = (std::filesystem::temp_directory_path() / "pmbenchXXXXXX").string();
    if (!::mkdtemp(tmpl.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    std::filesystem::current_path(tmpl);
    std::printf("Play-record store benchmark (medians of %d runs, warm page cache;\n"
                "wall = elapsed time, cpu = user + system time of this process)\n",
                kRuns);
    for (long n : sizes)
        RunSize(n);
    std::printf("\npeak resident memory of the whole run: %ld KB\n", PeakRssKb());
    std::filesystem::current_path(old);
    std::filesystem::remove_all(tmpl);
    return 0;
}
