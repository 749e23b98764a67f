// The door as boards run standard-I/O doors: started with -N1 -Sx (or a drop file of type 2
// with handle -1), its standard input and output the slave of a pseudo-terminal whose master
// is the board's relay of plain bytes. Keys typed ahead while the door draws must neither be
// echoed onto the caller's screen nor be held back, and control keys from the caller are keys,
// not signals: the caller cannot stop, suspend or kill the door with them.
#include <gtest/gtest.h>
#include <signal.h>
#include <termios.h>

#include <array>
#include <cstdlib>
#include <deque>
#include <map>
#include <memory>
#include <fstream>
#include <sstream>

#include "e2e/play_support.h"
#include "e2e/relay_pty.h"
#include "game/cardgame.h"
#include "game/pinmarchengine.h"

namespace e2e {
namespace {

constexpr int32_t kBbsId = 24680;
const char* const kToday = "2025-09-13 10:00:00";
constexpr long long kDaysTo20250913 = 45911;  // days from 1900-01-01

std::string ShippedArt() {
  std::ifstream in(SourceDir() + "/data/intro.ans", std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A board's stdio door: the door on a pty in a data directory with the art and this board's id.
struct StdioDoor {
  ScratchDir Data;
  std::unique_ptr<ChildProcess> Door;

  // "{DIR}" in an argument stands for the data directory; AFiles are written there first.
  explicit StdioDoor(std::vector<std::string> AArgs = {"-N1", "-Sx"},
                     const std::vector<std::pair<std::string, std::string>>& AFiles = {}) {
    Data.Write("intro.ans", ShippedArt());
    Data.Write("kegora.cfg", std::to_string(kBbsId) + "\n");
    for (const auto& [name, contents] : AFiles) Data.Write(name, contents);
    ProcessLaunch l;
    l.Argv = {KegoraExecutable()};
    for (auto a : AArgs) {
      if (const size_t at = a.find("{DIR}"); at != std::string::npos) a.replace(at, 5, Data.Path());
      l.Argv.push_back(a);
    }
    l.Env = DoorEnvironment("", kToday);
    l.Dir = Data.Path();
    l.ErrorsApart = true;
    Door = std::make_unique<ChildProcess>(l);
  }
  ChildProcess& operator*() { return *Door; }
  ChildProcess* operator->() { return Door.get(); }
};

void ToMenu(ChildProcess& ADoor) {
  ASSERT_TRUE(ADoor.WaitForText("...Press any key to continue...", 8000)) << ADoor.Describe();
  ADoor.Send(" ");
  ASSERT_TRUE(ADoor.WaitForText("Your choice: ", 8000)) << ADoor.Describe();
  ADoor.WaitQuiet(250);
}

using play::PathTo;

// The caller: keeps an engine of the same day in step with the door's and picks moves. Misses
// alternate between Space and Enter.
class Player {
 public:
  Player()
      : FDeck(static_cast<int32_t>(static_cast<uint32_t>(kDaysTo20250913 * 100000 + kBbsId))), FGame(FDeck) {}
  game::TPinmarch& Engine() { return FGame; }

  std::string NextMove() {
    const game::TCard card = FGame.CurrentCard();
    const int ideal = 1 + (card.Rank - 1) * 9 / 12;
    int best = -1;
    for (int p = 1; p <= 10; ++p)
      if (FGame.CanPlaceCard(p) && (best < 0 || std::abs(p - ideal) < std::abs(best - ideal))) best = p;
    if ((best < 0 || std::abs(best - ideal) > 1) && FGame.PlaceMiss()) return ++FMisses % 2 ? " " : "\r";
    if (best < 0 || !FGame.PlaceCard(best)) return "";
    std::string keys = PathTo(FCursor, best) + "5";
    FCursor = best;
    return keys;
  }

 private:
  game::TDeck FDeck;
  game::TPinmarch FGame;
  int FCursor = 5;
  int FMisses = 0;
};

TEST(StdioOnPty, PlaysAWholeGameWithKeysTypedAhead) {
  StdioDoor door;
  ToMenu(*door);
  auto& s = door->Screen();
  // Played from the menu; all keys of the game typed in bursts of a frame, as a quick caller
  // does, without waiting for the door to draw.
  door->Send("p");
  ASSERT_TRUE(door->WaitForText("[R]edraw  [S]cores  [H]elp  [Q]uit", 8000)) << door->Describe();
  Player player;
  auto& engine = player.Engine();
  int moves = 0;
  std::string typed;
  while (!engine.GameOver() && moves < 500) {
    const int frame = engine.CurrentFrame();
    const std::string keys = player.NextMove();
    ASSERT_FALSE(keys.empty()) << "no move for the caller";
    typed += keys;
    ++moves;
    if (engine.CurrentFrame() != frame || engine.GameOver()) {
      door->Send(typed);
      typed.clear();
      door->Pump(20);
    }
  }
  ASSERT_TRUE(engine.GameOver());
  ASSERT_TRUE(door->WaitForText("GAME COMPLETE!", 20000)) << door->Describe();
  door->WaitQuiet(300);
  char expected[32];
  std::snprintf(expected, sizeof expected, "Final Score: %3d", engine.TotalScore());
  EXPECT_TRUE(s.Contains(expected)) << expected << "\n" << door->Describe();
  EXPECT_GT(engine.TotalScore(), 0);
  RecordProperty("score", engine.TotalScore());

  // The play log holds the same score.
  const std::string log = door.Data.Read("pmchplay.dat");
  ASSERT_EQ(log.size(), 64u);
  const auto* b = reinterpret_cast<const unsigned char*>(log.data());
  EXPECT_EQ(static_cast<int32_t>(b[56] | b[57] << 8 | b[58] << 16 | static_cast<uint32_t>(b[59]) << 24),
            engine.TotalScore());

  door->Send(" ");
  ASSERT_TRUE(door->WaitForText("(COMPLETED)", 8000)) << door->Describe();
  door->WaitQuiet(250);
  // While the door runs the terminal is raw: no echo, no line editing, no signal keys.
  const auto during = door->TerminalModes();
  ASSERT_TRUE(during.has_value());
  EXPECT_EQ(during->c_lflag & (ECHO | ICANON | ISIG), 0u);
  door->Send("q");
  EXPECT_EQ(door->WaitExit(8000), std::optional<int>(0)) << door->Describe();
  EXPECT_EQ(door->Errors(), "");
  EXPECT_TRUE(door.Data.Exists("pmchwin.ans") && door.Data.Exists("pmchwin.asc")) << "bulletins at the quit";
  // The board gets its terminal back as it was.
  const auto after = door->TerminalModes();
  ASSERT_TRUE(after.has_value());
  EXPECT_EQ(after->c_lflag & (ECHO | ICANON | ISIG), static_cast<tcflag_t>(ECHO | ICANON | ISIG));
}

// Keys that arrive while the door is drawing are read later as keys, one menu per key, and
// never echoed by the terminal ("z" is in no menu text and no art).
TEST(StdioOnPty, KeysTypedWhileTheMenuDrawsAreNeitherEchoedNorLost) {
  StdioDoor door;
  ToMenu(*door);
  const size_t mark = door->Output().size();
  const size_t before = CountOf(door->Output(), "Your choice: ");
  for (int burst = 0; burst < 4; ++burst) {
    door->Send("zzzzz");
    door->Pump(30);
  }
  EXPECT_TRUE(door->WaitFor([&] { return CountOf(door->Output(), "Your choice: ") == before + 20; }, 10000))
      << CountOf(door->Output(), "Your choice: ") - before << " menus for 20 keys\n" << door->Describe();
  door->WaitQuiet(300);
  EXPECT_EQ(CountOf(door->Output(), "Your choice: "), before + 20);
  EXPECT_EQ(CountOf(door->Output(), "z", mark), 0u) << "keys echoed onto the caller's screen";
  door->Send("q");
  EXPECT_EQ(door->WaitExit(8000), std::optional<int>(0)) << door->Describe();
}

// Ctrl-C, Ctrl-Z and Ctrl-\\ from the caller are keys like any other (none has a menu entry:
// one redraw each); the terminal must not turn them into signals that kill or stop the door.
TEST(StdioOnPty, ControlKeysOfTheCallerAreKeysNotSignals) {
  StdioDoor door;
  ToMenu(*door);
  size_t draws = CountOf(door->Output(), "Your choice: ");
  for (const char* key : {"\x03", "\x1a", "\x1c"}) {
    door->Send(key);
    ++draws;
    EXPECT_TRUE(door->WaitFor([&] { return CountOf(door->Output(), "Your choice: ") == draws; }, 4000))
        << "control key " << static_cast<int>(key[0]) << "\n" << door->Describe();
    door->WaitQuiet(250);
    ASSERT_TRUE(door->Running()) << "control key " << static_cast<int>(key[0]) << " ended the door";
  }
  door->Send("q");
  EXPECT_EQ(door->WaitExit(8000), std::optional<int>(0)) << door->Describe();
}

// A board hangs up a standard-I/O door by closing its terminal: the door ends by itself, within
// the farewell pause, with exit code 0.
TEST(StdioOnPty, ClosingTheTerminalEndsTheDoor) {
  StdioDoor door;
  ToMenu(*door);
  door->Hangup();
  const auto code = door->WaitExit(6000);
  ASSERT_TRUE(code.has_value()) << "the door still runs without its terminal";
  EXPECT_EQ(*code, 0);
}

// Also during the intro, which only polls for a key between cards; and a board that ends the
// door with SIGTERM instead gets the same orderly end.
TEST(StdioOnPty, HangupDuringTheIntroEndsTheDoor) {
  for (const bool bySignal : {false, true}) {
    SCOPED_TRACE(bySignal ? "SIGTERM" : "terminal closed");
    StdioDoor door;
    ASSERT_TRUE(door->WaitForText("...Press any key to continue...", 8000)) << door->Describe();
    if (bySignal)
      kill(door->Pid(), SIGTERM);
    else
      door->Hangup();
    const auto code = door->WaitExit(6000);
    ASSERT_TRUE(code.has_value()) << "the intro goes on without a caller";
    EXPECT_EQ(*code, 0);
  }
}

// A drop file of type 2 with handle -1 selects the same mode; the caller's name comes from it.
TEST(StdioOnPty, DropFileWithHandleMinusOnePlaysOnTheTerminal) {
  StdioDoor door({"-D{DIR}/door32.sys"},
                 {{"door32.sys", "2\r\n-1\r\n38400\r\nTest Board\r\n7\r\nJane Caller\r\nJane\r\n20\r\n60\r\n1\r\n1\r\n"}});
  ToMenu(*door);
  door->Send("p");
  ASSERT_TRUE(door->WaitForText("[R]edraw  [S]cores  [H]elp  [Q]uit", 8000)) << door->Describe();
  door->Send("q");
  ASSERT_TRUE(door->WaitForText("Really quit? (Y/N)")) << door->Describe();
  door->Send("y");
  ASSERT_TRUE(door->WaitForText("GAME COMPLETE!")) << door->Describe();
  door->Send(" ");
  ASSERT_TRUE(door->WaitForText("(COMPLETED)", 8000)) << door->Describe();
  door->Send("q");
  EXPECT_EQ(door->WaitExit(8000), std::optional<int>(0)) << door->Describe();
  const std::string log = door.Data.Read("pmchplay.dat");
  ASSERT_EQ(log.size(), 64u);
  EXPECT_EQ(log.substr(0, 5), std::string("\x04Jane", 5));
}

}  // namespace
}  // namespace e2e
