// Fixture for the calendar, standings, day-scores and bulletin screens: a fresh temporary
// directory as the current directory (the play log and records files live there), "today"
// pinned, a named caller on a DoorLine, and two guards so no screen can hang a test:
// a key wait with no keys left fails the test (the wait hook throws), and pauses return at
// once after taking a snapshot of the screen, so refusals shown for two seconds can be read.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/door_line.h"
#include "common/datetime.h"
#include "harbex/door.h"
#include "records/dailyplay.h"

namespace apptest {

// Raised when a screen waits for a key that the test never queued.
struct ENoMoreKeys : std::runtime_error {
    ENoMoreKeys() : std::runtime_error("the screen waited for a key that was never sent") {}
};

class StandingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/pm_standings_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        FDir = pattern;
        FOldDir = std::filesystem::current_path();
        std::filesystem::current_path(FDir);
        Line = std::make_unique<DoorLine>();
        harbex::DoorDropInfo.Alias = "Ann";
        harbex::DoorDropInfo.RealName = "Ann Real";
        harbex::SetInputWaitHook([](int) { throw ENoMoreKeys(); });
        Current = this;
        common::SetSleepHook([](int AMs) {
            Current->Sleeps.push_back(AMs);
            Current->Line->Take();
            Current->Snapshots.push_back(Current->Line->Screen);
        });
    }
    void TearDown() override {
        common::SetSleepHook(nullptr);
        harbex::SetInputWaitHook(nullptr);
        common::UnpinNow();
        Line.reset();
        Current = nullptr;
        std::filesystem::current_path(FOldDir);
        std::error_code ec;
        std::filesystem::remove_all(FDir, ec);
    }

    // Pins "now" to 10:00 of the date.
    static void Today(int AYear, int AMonth, int ADay) {
        common::PinNow(common::EncodeDate(AYear, AMonth, ADay) + 10.0 / 24.0);
    }
    static common::TDateTime Date(int AYear, int AMonth, int ADay) {
        return common::EncodeDate(AYear, AMonth, ADay);
    }
    static void Play(const std::string& APlayer, common::TDateTime ADate, int32_t AScore) {
        records::TDailyTracker().RecordPlay(APlayer, ADate, AScore, 10);
    }
    // Everything the screen sent since the last call, rendered on Line->Screen.
    std::string Take() { return Line->Take(); }
    e2e::VirtualScreen& Screen() { return Line->Screen; }
    std::string Dump() { return Line->Screen.Dump(); }

    std::unique_ptr<DoorLine> Line;
    std::vector<int> Sleeps;
    std::vector<e2e::VirtualScreen> Snapshots;  // the screen at each pause

  private:
    static inline StandingsTest* Current = nullptr;
    std::string FDir;
    std::filesystem::path FOldDir;
};

} // namespace apptest
