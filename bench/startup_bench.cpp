// Start-up kit figures:
//  1. DoorDisplayFile over a socketpair: time to send a menu-sized ANSI file
//     (25 lines, about 4 KB) and a 1 MB file, with a reader draining the far end.
//  2. Drop-file reading: time per ReadDoorSys of a 52-line DOOR.SYS.
// Each figure is the median of several runs.
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "harbex/comm.h"
#include "harbex/door.h"
#include "harbex/doordisplay.h"
#include "harbex/dropfiles.h"

using namespace harbex;
using Clock = std::chrono::steady_clock;

namespace {

std::string WriteFile(const std::string& AName, const std::string& AText) {
    const std::string path = "/tmp/pm_bench_" + std::to_string(::getpid()) + "_" + AName;
    std::ofstream(path, std::ios::binary) << AText;
    return path;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Microseconds for one DoorDisplayFile of APath, the far end read by a thread.
double DisplayOnce(const std::string& APath, std::size_t AExpectBytes) {
    int sv[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, sv) != 0) return -1;
    CommReset();
    CommOpen(sv[0]);
    StdIO = false;
    char buf[65536];
    std::size_t offers = 9, got = 0;
    while (offers > 0) {
        const ssize_t n = ::read(sv[1], buf, offers);
        if (n <= 0) break;
        offers -= static_cast<std::size_t>(n);
    }
    std::thread reader([&] {
        while (got < AExpectBytes) {
            const ssize_t n = ::read(sv[1], buf, sizeof buf);
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
    });
    const auto t0 = Clock::now();
    DoorDisplayFile(APath);
    reader.join();
    const auto t1 = Clock::now();
    CommClose(false);
    ::close(sv[1]);
    return std::chrono::duration<double, std::micro>(t1 - t0).count();
}

void BenchDisplay(const char* ALabel, int ALines, int AWidth) {
    std::string text, line;
    for (int c = 0; c < AWidth; ++c)
        line += static_cast<char>('A' + c % 26);
    line = "\x1b[1;34m" + line;
    for (int i = 0; i < ALines; ++i)
        text += line + "\r\n";
    const std::string path = WriteFile("display.ans", text);
    const std::size_t expect = (line.size() + 2) * static_cast<std::size_t>(ALines) - 2;
    std::vector<double> runs;
    for (int r = 0; r < 9; ++r)
        runs.push_back(DisplayOnce(path, expect));
    const double us = Median(runs);
    std::printf("DoorDisplayFile %-28s %9.1f us  (%.1f MB/s, %.2f us per line)\n", ALabel, us,
                static_cast<double>(text.size()) / us, us / ALines);
    ::unlink(path.c_str());
}

void BenchDropFile() {
    std::string text;
    for (int i = 1; i <= 52; ++i)
        text += (i == 1 ? std::string("COM1:") : std::to_string(i)) + "\r\n";
    const std::string path = WriteFile("DOOR.SYS", text);
    std::vector<double> runs;
    for (int r = 0; r < 9; ++r) {
        const int n = 2000;
        const auto t0 = Clock::now();
        for (int i = 0; i < n; ++i)
            ReadDoorSys(path);
        runs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count() / n);
    }
    std::printf("ReadDoorSys (52 lines)                       %9.2f us per read\n", Median(runs));
    ::unlink(path.c_str());
}

} // namespace

int main() {
    BenchDisplay("menu art, 25 x 160 bytes", 25, 160);
    BenchDisplay("1 MB, 8000 x 131 bytes", 8000, 124);
    BenchDropFile();
    return 0;
}
