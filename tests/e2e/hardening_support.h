// Shared by the fault tests (hang-ups, kills, memory checking): playing short games by keys
// and checking that the data files a door leaves behind are whole.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "e2e/door_process.h"
#include "records/dailyplay.h"

namespace e2e::hardening {

// One record of the play log, decoded at its offsets.
struct LoggedGame {
    std::string Player;
    double Date = 0;
    int32_t Score = 0;
    int32_t Frames = 0;
};

inline std::vector<LoggedGame> DecodeLog(const std::string& ALog) {
    std::vector<LoggedGame> out;
    for (size_t off = 0; off + 64 <= ALog.size(); off += 64) {
        const char* p = ALog.data() + off;
        LoggedGame g;
        g.Player.assign(p + 1, std::min<size_t>(static_cast<uint8_t>(p[0]), 40));
        std::memcpy(&g.Date, p + 48, 8);
        std::memcpy(&g.Score, p + 56, 4);
        std::memcpy(&g.Frames, p + 60, 4);
        out.push_back(g);
    }
    return out;
}

// A log of whole records only, each a finished game of the door's kind: a name byte count
// of at most 40, a midnight date, frames 1 to 11 (the engine's frame counter at the end; a
// quit game stops early), a score of 0 to 300.
inline ::testing::AssertionResult LogIsWhole(const std::string& ALog) {
    if (ALog.size() % 64 != 0)
        return ::testing::AssertionFailure() << "log of " << ALog.size() << " bytes ends in a partial record";
    for (size_t off = 0; off < ALog.size(); off += 64) {
        const LoggedGame g = DecodeLog(ALog.substr(off, 64))[0];
        if (static_cast<uint8_t>(ALog[off]) > 40)
            return ::testing::AssertionFailure() << "record " << off / 64 << ": name length " << int(uint8_t(ALog[off]));
        if (g.Date != static_cast<double>(static_cast<int64_t>(g.Date)) || g.Date < 40000 || g.Date > 60000)
            return ::testing::AssertionFailure() << "record " << off / 64 << ": date " << g.Date;
        if (g.Frames < 1 || g.Frames > 11 || g.Score < 0 || g.Score > 300)
            return ::testing::AssertionFailure() << "record " << off / 64 << ": frames " << g.Frames << " score " << g.Score;
    }
    return ::testing::AssertionSuccess();
}

// Goes from the intro to the main menu.
inline ::testing::AssertionResult ToMenu(DoorProcess& ADoor, int ATimeoutMs = 8000) {
    if (!ADoor.WaitForText("...Press any key to continue...", ATimeoutMs))
        return ::testing::AssertionFailure() << "no intro\n" << ADoor.Describe();
    ADoor.Send(" ");
    if (!ADoor.WaitForText("Your choice: ", ATimeoutMs))
        return ::testing::AssertionFailure() << "no menu\n" << ADoor.Describe();
    ADoor.WaitQuiet(100, ATimeoutMs);
    return ::testing::AssertionSuccess();
}

// Four misses end a frame, so 40 misses end a game (score 0, no bonus balls).
inline constexpr int kMissesPerGame = 40;

// From the menu: plays today's game by misses alone up to the result box.
inline ::testing::AssertionResult PlayMissGame(DoorProcess& ADoor, int ATimeoutMs = 8000) {
    ADoor.Send("p");
    if (!ADoor.WaitForText("Current Card:", ATimeoutMs))
        return ::testing::AssertionFailure() << "no game screen\n" << ADoor.Describe();
    for (int i = 0; i < kMissesPerGame; ++i) ADoor.Send(" ");
    if (!ADoor.WaitForText("GAME COMPLETE!", ATimeoutMs * 3))
        return ::testing::AssertionFailure() << "no result box\n" << ADoor.Describe();
    return ::testing::AssertionSuccess();
}

// Every regular file of a directory with its contents, by name.
inline std::map<std::string, std::string> DirectoryContents(const std::string& ADir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(ADir)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        files[entry.path().filename().string()] =
            std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    return files;
}

// Runs the play-record store in a scratch directory holding ALog (and ARec when given) and
// gives the records file it leaves: AStore does the work (an update or a rebuild).
inline std::optional<std::string> RecordsFromStore(const std::string& ALog, const std::optional<std::string>& ARec,
                                                   const std::function<void(records::TDailyTracker&)>& AStore) {
    namespace fs = std::filesystem;
    char pattern[] = "/tmp/pinmarch-store-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp");
    const fs::path dir = pattern;
    std::ofstream(dir / records::PLAY_LOG_FILE_NAME, std::ios::binary) << ALog;
    if (ARec) std::ofstream(dir / records::ALL_TIME_FILE_NAME, std::ios::binary) << *ARec;
    const fs::path back = fs::current_path();
    fs::current_path(dir);
    try {
        records::TDailyTracker tracker;
        AStore(tracker);
    } catch (...) {
        fs::current_path(back);
        fs::remove_all(dir);
        throw;
    }
    fs::current_path(back);
    std::optional<std::string> out;
    if (fs::exists(dir / records::ALL_TIME_FILE_NAME)) {
        std::ifstream in(dir / records::ALL_TIME_FILE_NAME, std::ios::binary);
        out = std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    fs::remove_all(dir);
    return out;
}

// The records file a rebuild makes from ALog.
inline std::string RebuiltRecords(const std::string& ALog) {
    return RecordsFromStore(ALog, std::nullopt, [](records::TDailyTracker& t) { t.RebuildAllTimeRecords(); })
        .value_or("");
}

inline std::string EncodeLog(const std::vector<records::TDailyPlayRecord>& AGames) {
    std::string log;
    for (const auto& g : AGames) {
        const auto bytes = records::EncodePlayRecord(g);
        log.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    return log;
}

// A DOOR32.SYS for a caller on the socket the harness substitutes.
inline std::string Door32(const std::string& AAlias) {
    return "2\r\n{SOCKET}\r\n38400\r\nPinmarch Test BBS\r\n7\r\n" + AAlias + " Real\r\n" + AAlias +
           "\r\n20\r\n60\r\n1\r\n1\r\n";
}

}  // namespace e2e::hardening
