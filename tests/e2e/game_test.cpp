// Playing a day through the real door: the game screen, its keys, a whole game played to the
// end and checked against the engine, quitting, and the files the play leaves behind.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <memory>

#include "common/datetime.h"
#include "e2e/door_process.h"
#include "e2e/play_support.h"
#include "game/cardgame.h"
#include "game/pinmarchengine.h"

namespace e2e {
namespace {

constexpr int32_t kBbsId = 24680;
const char* const kToday = "2025-09-13 10:00:00";

DoorLaunch Launch() {
    DoorLaunch l;
    l.FakeTime = kToday;
    l.Files = {{"kegora.cfg", std::to_string(kBbsId) + "\n"}};
    return l;
}

// The day seed: whole days since 1900-01-01 times 100000 plus the BBS id, cut to 32 bits.
int32_t DaySeed() {
    const long long days = 45911;  // 2025-09-13
    return static_cast<int32_t>(static_cast<uint32_t>(days * 100000 + kBbsId));
}

void ToMenu(DoorProcess& ADoor) {
    ASSERT_TRUE(ADoor.WaitForText("...Press any key to continue...")) << ADoor.Describe();
    ADoor.Send(" ");
    ASSERT_TRUE(ADoor.WaitForText("Your choice: ", 8000)) << ADoor.Describe();
    ADoor.WaitQuiet(150);
}

void ToGame(DoorProcess& ADoor) {
    ToMenu(ADoor);
    ADoor.Send("p");
    ASSERT_TRUE(ADoor.WaitForText("[R]edraw  [S]cores  [H]elp  [Q]uit")) << ADoor.Describe();
    ADoor.WaitQuiet(150);
}

using play::CursorPin;
using play::CardAt;
using play::Moved;
using play::CardPicture;
using play::PathTo;

// The caller's side of a game of this file's day.
class Player : public play::Player {
  public:
    Player() : play::Player(DaySeed()) {}
};

// Little-endian fields of a 64-byte play record.
struct PlayRecord {
    std::string Name;
    double Date = 0;
    int32_t Score = 0;
    int32_t Frames = 0;
};
std::vector<PlayRecord> ReadPlayLog(const std::string& ABytes) {
    std::vector<PlayRecord> out;
    for (size_t at = 0; at + 64 <= ABytes.size(); at += 64) {
        const auto* b = reinterpret_cast<const unsigned char*>(ABytes.data() + at);
        PlayRecord r;
        r.Name.assign(reinterpret_cast<const char*>(b + 1), std::min<size_t>(b[0], 40));
        uint64_t bits = 0;
        for (int i = 7; i >= 0; --i) bits = bits << 8 | b[48 + i];
        std::memcpy(&r.Date, &bits, 8);
        auto i32 = [&](int o) { return static_cast<int32_t>(b[o] | b[o + 1] << 8 | b[o + 2] << 16 | static_cast<uint32_t>(b[o + 3]) << 24); };
        r.Score = i32(56);
        r.Frames = i32(60);
        out.push_back(r);
    }
    return out;
}

TEST(GameScreen, ShowsFrameKeysCardMissSlotsAndBall) {
    DoorProcess door(Launch());
    ToGame(door);
    auto& s = door.Screen();
    Player player;
    const game::TCard first = player.Engine().CurrentCard();
    EXPECT_EQ(s.Text(2, 23, 10), "Frame 1/10");
    EXPECT_EQ(s.Text(20, 23, 42), "[2468] Move  [5] Place  [Space/Enter] Miss");
    EXPECT_EQ(s.Attr(20, 23), 0x0E);
    EXPECT_EQ(s.Text(20, 24, 34), "[R]edraw  [S]cores  [H]elp  [Q]uit");
    EXPECT_EQ(s.Attr(20, 24), 0x06);
    EXPECT_EQ(s.Text(3, 7, 13), "Current Card:");
    EXPECT_EQ(CardAt(s, 5, 9), CardPicture(first));
    const std::string words = first.Rank == 1    ? "Ace (1)"
                              : first.Rank == 11 ? "Jack (11)"
                              : first.Rank == 12 ? "Queen (12)"
                              : first.Rank == 13 ? "King (13)"
                                                 : "Rank: " + std::to_string(first.Rank);
    EXPECT_EQ(s.Text(5, 13, static_cast<int>(words.size()) + 1), words + " ");
    EXPECT_EQ(s.Text(65, 7, 7), "Misses:");
    const int slots[4][2] = {{65, 9}, {71, 9}, {65, 13}, {71, 13}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(s.Text(slots[k][0], slots[k][1] + 1, 5), std::string("\xb3 ") + char('1' + k) + " \xb3");
        EXPECT_EQ(s.Attr(slots[k][0], slots[k][1]), 0x08);
    }
    EXPECT_EQ(s.Text(65, 17, 6), "Ball 1");
    // Score sheet headings and the lane box with pin 10 labelled 0.
    EXPECT_EQ(s.Text(2, 1, 16), "\xb3 Frame Number \xb3");
    EXPECT_EQ(s.Text(2, 3, 16), "\xb3 Running  Tot \xb3");
    EXPECT_EQ(s.Text(74, 1, 6), "  10  ");
    EXPECT_EQ(s.Text(49, 7, 5), "\xb3 0 \xb3");
    EXPECT_EQ(s.Attr(49, 7), 0x1E);
    EXPECT_EQ(s.Ch(20, 4), 0xC9);
    EXPECT_EQ(s.Attr(20, 4), 0x17);
    EXPECT_EQ(CursorPin(s), 5);
    door.Send("q");
}

TEST(GameScreen, CursorMovesByTheTablesNumbersAndArrowKeys) {
    DoorProcess door(Launch());
    ToGame(door);
    auto& s = door.Screen();
    ASSERT_EQ(CursorPin(s), 5);
    int expected = 5;
    const std::vector<std::pair<std::string, char>> moves = {
        {"8", '8'}, {"4", '4'}, {"4", '4'}, {"6", '6'}, {"2", '2'}, {"2", '2'}, {"6", '6'}, {"2", '2'},
        {"2", '2'}, {"8", '8'}, {"9", '9'}, {"6", '6'}, {"0", '0'}, {"8", '8'}, {"1", '1'}, {"4", '4'},
        {"6", '6'}, {"3", '3'}, {"2", '2'}, {"7", '7'}, {"\x1b[B", '2'}, {"\x1b[C", '6'}, {"\x1b[A", '8'},
        {"\x1b[D", '4'}, {"\x1b[D", '4'}, {"\x1b[B", '2'}};
    for (const auto& [keys, as] : moves) {
        expected = Moved(expected, as);
        door.Send(keys);
        EXPECT_TRUE(door.WaitFor([&] { return CursorPin(s) == expected; }, 3000))
            << "after " << (keys[0] == 27 ? "arrow" : keys) << " expected pin " << expected << "\n" << door.Describe();
    }
    // The block left behind is restored to the pin box's blank in yellow on blue.
    EXPECT_EQ(s.Ch(38, 11), ' ');
    EXPECT_EQ(s.Attr(38, 11), 0x1E);
    door.Send("q");
}

// Waits until the door has drawn everything for the keys sent so far.
void Settle(DoorProcess& ADoor) { ADoor.WaitQuiet(200, 8000); }

// What a caller sees: every character with its colours; for a blank only its background.
struct Snapshot {
    std::vector<Cell> Cells;
    explicit Snapshot(const VirtualScreen& s) {
        for (int y = 1; y <= 25; ++y)
            for (int x = 1; x <= 80; ++x) {
                Cell c = s.At(x, y);
                if (c.Ch == ' ') c.Attr &= 0x70;
                Cells.push_back(c);
            }
    }
    bool operator==(const Snapshot&) const = default;
};

TEST(GameScreen, RefusedPlacementChangesNothingAndRedrawKeysRestoreTheScreen) {
    DoorProcess door(Launch());
    ToGame(door);
    Player player;
    auto& engine = player.Engine();
    // Lay the first card on pin 5, then find a pin the second card may not go to.
    door.Send("5");
    ASSERT_TRUE(engine.PlaceCard(5));
    int refused = 0;
    for (int p = 1; p <= 10 && !refused; ++p)
        if (!engine.CanPlaceCard(p)) refused = p;
    ASSERT_NE(refused, 0) << "the second card fits everywhere: pick another day";
    door.Send(PathTo(5, refused));
    Settle(door);
    ASSERT_EQ(CursorPin(door.Screen()), refused);
    const Snapshot before(door.Screen());
    const size_t sent = door.ReceivedRaw().size();
    door.Send("5");
    Settle(door);
    EXPECT_EQ(door.ReceivedRaw().size(), sent) << "a refused placement sends nothing";
    EXPECT_TRUE(Snapshot(door.Screen()) == before);

    for (const char* key : {"r", "S", "R"}) {
        door.Send(key);
        Settle(door);
        EXPECT_GT(door.ReceivedRaw().size(), sent);
        EXPECT_TRUE(Snapshot(door.Screen()) == before) << "after " << key << "\n" << door.Describe();
    }
    door.Send("h");
    ASSERT_TRUE(door.WaitForText("HOW TO PLAY PINMARCH")) << door.Describe();
    Settle(door);
    EXPECT_TRUE(door.Screen().Contains("- 2/4/6/8: Move cursor (numpad style)"));
    door.Send(" ");
    ASSERT_TRUE(door.WaitForText("Frame 1/10")) << door.Describe();
    Settle(door);
    EXPECT_TRUE(Snapshot(door.Screen()) == before) << door.Describe();
    door.Send("q");
}

TEST(GameScreen, QuitPromptNoContinuesWithTheSameCardYesRecordsZero) {
    DoorProcess door(Launch());
    ToGame(door);
    auto& s = door.Screen();
    Player player;
    const std::string card = CardPicture(player.Engine().CurrentCard());
    door.Send("q");
    ASSERT_TRUE(door.WaitForText("Really quit? (Y/N)")) << door.Describe();
    EXPECT_EQ(s.Find("Really quit? (Y/N)")->first, 30);
    EXPECT_EQ(s.Find("Really quit? (Y/N)")->second, 22);
    EXPECT_EQ(s.Attr(30, 22), 0x0E);
    door.Send("n");
    ASSERT_TRUE(door.WaitFor([&] { return !s.Contains("Really quit?"); })) << door.Describe();
    Settle(door);
    EXPECT_EQ(CardAt(s, 5, 9), card);
    EXPECT_EQ(s.Text(2, 23, 10), "Frame 1/10");
    EXPECT_FALSE(door.FileExists("pmchplay.dat"));

    door.Send("Q");
    ASSERT_TRUE(door.WaitForText("Really quit? (Y/N)")) << door.Describe();
    door.Send("y");
    ASSERT_TRUE(door.WaitForText("GAME COMPLETE!")) << door.Describe();
    Settle(door);
    EXPECT_TRUE(s.Contains("Final Score:   0"));
    EXPECT_EQ(s.Text(25, 10, 30), "\xc9" + std::string(28, '\xcd') + "\xbb");
    EXPECT_EQ(s.Text(25, 13, 30), "\xba  Press any key to continue \xba");
    const auto log = ReadPlayLog(door.ReadFile("pmchplay.dat"));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].Name, "");  // -N -S names nobody
    EXPECT_EQ(log[0].Score, 0);
    EXPECT_EQ(log[0].Frames, 1);
    EXPECT_EQ(log[0].Date, common::EncodeDate(2025, 9, 13));
    door.Send(" ");
    ASSERT_TRUE(door.WaitForText("(COMPLETED)")) << door.Describe();
    door.Send("q");
    EXPECT_EQ(door.WaitExit(5000), std::optional<int>(0));
}

TEST(GameScreen, WholeGamePlayedByKeysScoresAsTheEngineAndIsRecorded) {
    DoorProcess door(Launch());
    ToGame(door);
    auto& s = door.Screen();
    Player player;
    auto& engine = player.Engine();
    int frame = 1;
    int moves = 0;
    while (!engine.GameOver() && moves < 2000) {
        door.Send(player.NextMove());
        ++moves;
        if (engine.GameOver() || engine.CurrentFrame() == frame) continue;
        // A new frame: the door must show the same card, frame and totals as the engine.
        frame = engine.CurrentFrame();
        Settle(door);
        SCOPED_TRACE("frame " + std::to_string(frame));
        const std::string frameText = "Frame " + std::to_string(frame) + "/10 ";
        ASSERT_EQ(s.Text(2, 23, static_cast<int>(frameText.size())), frameText) << door.Describe();
        ASSERT_EQ(CardAt(s, 5, 9), CardPicture(engine.CurrentCard())) << door.Describe();
        for (int i = 1; i < frame; ++i) {
            const auto f = engine.GetFrame(i);
            const std::string cell = s.Text(20 + 6 * (i - 1), 3, 4);
            if (f.RunningTotal > 0 && cell != "    ") {
                EXPECT_EQ(std::stoi(cell), f.RunningTotal) << "frame " << i;
            }
        }
        EXPECT_EQ(CursorPin(s), player.Cursor());
    }
    ASSERT_TRUE(engine.GameOver());
    ASSERT_TRUE(door.WaitForText("GAME COMPLETE!", 10000)) << door.Describe();
    Settle(door);
    char expected[32];
    std::snprintf(expected, sizeof expected, "Final Score: %3d", engine.TotalScore());
    EXPECT_TRUE(s.Contains(expected)) << expected << "\n" << door.Describe();
    EXPECT_GT(engine.TotalScore(), 0);
    RecordProperty("score", engine.TotalScore());
    RecordProperty("moves", moves);

    const auto log = ReadPlayLog(door.ReadFile("pmchplay.dat"));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].Name, "");  // -N -S names nobody
    EXPECT_EQ(log[0].Score, engine.TotalScore());
    EXPECT_EQ(log[0].Frames, engine.CurrentFrame());
    EXPECT_EQ(log[0].Date, common::EncodeDate(2025, 9, 13));
    const std::string records = door.ReadFile("pmchrec.dat");
    ASSERT_EQ(records.size(), 1200u);
    EXPECT_EQ(records[0], '\0');  // the best single game, by the nameless caller
    EXPECT_EQ(static_cast<unsigned char>(records[44]) | static_cast<unsigned char>(records[45]) << 8,
              engine.TotalScore());

    door.Send(" ");
    ASSERT_TRUE(door.WaitForText("(COMPLETED)")) << door.Describe();
    EXPECT_EQ(s.Text(24, 13, 31), "[P]lay Today's Game (COMPLETED)");
    EXPECT_EQ(s.Attr(24, 13), 0x08);
    EXPECT_EQ(s.Attr(25, 13), 0x07);
    EXPECT_EQ(s.Attr(43, 13), 0x07);
    EXPECT_EQ(s.Attr(44, 13), 0x0A);
    door.Send("p");
    Settle(door);
    EXPECT_FALSE(s.Contains("Current Card:"));
    EXPECT_TRUE(s.Contains("Your choice: "));
    door.Send("q");
    EXPECT_EQ(door.WaitExit(5000), std::optional<int>(0));
    EXPECT_EQ(ReadPlayLog(door.ReadFile("pmchplay.dat")).size(), 1u);
}

TEST(GameScreen, CallerWithAnEmptyAliasIsRecordedUnderTheRealName) {
    DoorLaunch l = Launch();
    l.LaunchMode = DoorLaunch::Mode::kDropFile;
    l.Files.push_back({"DOOR32.SYS", "2\r\n{SOCKET}\r\n38400\r\nTest Board\r\n7\r\nJane Caller\r\n\r\n20\r\n60\r\n1\r\n1\r\n"});
    DoorProcess door(l);
    ToGame(door);
    door.Send("Q");
    ASSERT_TRUE(door.WaitForText("Really quit? (Y/N)")) << door.Describe();
    door.Send("Y");
    ASSERT_TRUE(door.WaitForText("GAME COMPLETE!")) << door.Describe();
    const auto log = ReadPlayLog(door.ReadFile("pmchplay.dat"));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].Name, "Jane Caller");
    door.Send(" ");
    // The menu asks about the same name: today is now completed for this caller.
    ASSERT_TRUE(door.WaitForText("(COMPLETED)")) << door.Describe();
    door.Send("q");
    EXPECT_EQ(door.WaitExit(5000), std::optional<int>(0));
}

}  // namespace
}  // namespace e2e
