// The one-line trial of the README, run exactly as written (only its port is changed to a
// free loopback port): socat listens on 127.0.0.1 and starts one door per connection on an
// inherited socket, and the real telnet client, typed into through a pseudo-terminal, plays
// the intro, the menu, a game's first moves and the quit. The client's own negotiation and its
// way of sending Enter must not disturb the door: the intro waits for a real key and the menu
// draws exactly once per key.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "e2e/relay_pty.h"

namespace e2e {
namespace {

// The trial line as the README shows it: the line that starts with "socat TCP-LISTEN:".
std::string ReadmeTrialLine() {
  std::ifstream in(SourceDir() + "/README.md");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("socat TCP-LISTEN:", 0) == 0) return line;
  return "";
}

std::string CardAt(const VirtualScreen& AScreen, int AX, int AY) {
  return AScreen.Text(AX, AY, 2) + AScreen.Text(AX + 3, AY + 2, 2);
}

bool IsCard(const std::string& APicture) {
  static const std::string kRanks = "A23456789TJQK";
  return APicture.size() == 4 && kRanks.find(APicture[0]) != std::string::npos && APicture[3] == APicture[0] &&
         APicture[1] >= 3 && APicture[1] <= 6 && APicture[2] == APicture[1];
}

// The tools of the trial; CI installs them, so there a missing one is a failure.
bool HaveTools(std::string& ASocat, std::string& ATelnet) {
  ASocat = FindOnPath("socat");
  ATelnet = FindOnPath("telnet");
  return !ASocat.empty() && !ATelnet.empty();
}

TEST(TelnetTrial, ReadmeLineServesTheRealTelnetClient) {
  std::string socat, telnet;
  if (!HaveTools(socat, telnet)) {
    if (std::getenv("CI") != nullptr) FAIL() << "socat and telnet are needed (Debian packages socat, telnet)";
    GTEST_SKIP() << "socat or telnet is not installed (Debian packages socat, telnet)";
  }
  const std::string readmeLine = ReadmeTrialLine();
  ASSERT_FALSE(readmeLine.empty()) << "README.md has no line starting with socat TCP-LISTEN:";
  EXPECT_NE(readmeLine.find("bind=127.0.0.1"), std::string::npos) << readmeLine;
  EXPECT_NE(readmeLine.find("EXEC:\"kegora -N1 -S3\",fdin=3,fdout=3"), std::string::npos) << readmeLine;
  const int port = FreeLoopbackPort();
  // The README's port number, replaced by the free one.
  std::string line = readmeLine;
  const std::string listen = "TCP-LISTEN:";
  const std::size_t from = line.find(listen);
  ASSERT_NE(from, std::string::npos) << readmeLine;
  std::size_t to = from + listen.size();
  while (to < line.size() && std::isdigit(static_cast<unsigned char>(line[to])) != 0) ++to;
  ASSERT_GT(to, from + listen.size()) << "no port after TCP-LISTEN: " << readmeLine;
  line.replace(from, to - from, listen + std::to_string(port));
  ASSERT_NE(line, readmeLine);

  ScratchDir data;
  data.Write("intro.ans", [] {
    std::ifstream in(SourceDir() + "/data/intro.ans", std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }());
  const std::string kegoraDir = KegoraExecutable().substr(0, KegoraExecutable().find_last_of('/'));

  ProcessLaunch relayLaunch;
  relayLaunch.Argv = {"/bin/sh", "-c", line};
  relayLaunch.Env = DoorEnvironment(kegoraDir);
  relayLaunch.Dir = data.Path();
  relayLaunch.OnPty = false;  // its standard output is the doors' local console
  ChildProcess relay(relayLaunch);
  ASSERT_TRUE(WaitListening(port, 5000)) << "nothing listens on port " << port << "\n" << relay.Errors();

  ProcessLaunch callerLaunch;
  callerLaunch.Argv = {telnet, "127.0.0.1", std::to_string(port)};
  callerLaunch.Env = DoorEnvironment("");
  ChildProcess caller(callerLaunch);
  auto& s = caller.Screen();

  // The intro: the client answers the door's offers at once, yet the intro keeps dealing cards
  // until a real key comes.
  ASSERT_TRUE(caller.WaitForText("...Press any key to continue...", 8000)) << caller.Describe();
  // The intro redraws its title box, prompt included, after every fifth card (about once a
  // second); cards dealt in between may cover the prompt on the screen.
  const size_t prompts = CountOf(caller.Output(), "...Press any key to continue...");
  caller.WaitFor([] { return false; }, 2500);
  EXPECT_EQ(CountOf(caller.Output(), "Your choice: "), 0u) << "the intro ended without a key";
  EXPECT_GT(CountOf(caller.Output(), "...Press any key to continue..."), prompts)
      << "the intro stopped dealing cards\n" << caller.Describe();

  // Enter ends the intro; the client sends it as CR NUL, which is one key: one menu.
  caller.Send("\r");
  ASSERT_TRUE(caller.WaitForText("Your choice: ", 8000)) << caller.Describe();
  caller.WaitQuiet(400);
  EXPECT_EQ(CountOf(caller.Output(), "Your choice: "), 1u);
  EXPECT_TRUE(s.Contains("[P]lay Today's Game")) << caller.Describe();
  size_t draws = 1;
  for (const char* key : {"z", "\r", "x", "\r"}) {
    caller.Send(key);
    ++draws;
    caller.WaitFor([&] { return CountOf(caller.Output(), "Your choice: ") >= draws; }, 5000);
    caller.WaitQuiet(400);
    EXPECT_EQ(CountOf(caller.Output(), "Your choice: "), draws)
        << "after key " << (key[0] == '\r' ? "Enter" : key) << "\n" << caller.Describe();
  }

  // A game's first moves: the first card on pin 5 (any pin takes the first card), the second
  // card as a miss.
  caller.Send("p");
  ASSERT_TRUE(caller.WaitForText("[R]edraw  [S]cores  [H]elp  [Q]uit", 8000)) << caller.Describe();
  caller.WaitQuiet(300);
  EXPECT_EQ(s.Text(2, 23, 10), "Frame 1/10");
  const std::string first = CardAt(s, 5, 9);
  ASSERT_TRUE(IsCard(first)) << caller.Describe();
  EXPECT_FALSE(IsCard(CardAt(s, 37, 10))) << "pin 5 starts empty";
  caller.Send("5");
  ASSERT_TRUE(caller.WaitFor([&] { return CardAt(s, 37, 10) == first; })) << caller.Describe();
  caller.WaitQuiet(300);
  const std::string second = CardAt(s, 5, 9);
  ASSERT_TRUE(IsCard(second)) << caller.Describe();
  EXPECT_NE(second, first);
  caller.Send(" ");
  ASSERT_TRUE(caller.WaitFor([&] { return CardAt(s, 65, 9) == second; })) << caller.Describe();
  caller.WaitQuiet(300);
  EXPECT_NE(CardAt(s, 5, 9), second);
  EXPECT_EQ(CardAt(s, 37, 10), first);

  // Quit the game (recorded), back to the menu, quit the door: the client is told the
  // connection closed and ends.
  caller.Send("q");
  ASSERT_TRUE(caller.WaitForText("Really quit? (Y/N)")) << caller.Describe();
  caller.Send("y");
  ASSERT_TRUE(caller.WaitForText("GAME COMPLETE!")) << caller.Describe();
  caller.Send(" ");
  ASSERT_TRUE(caller.WaitForText("(COMPLETED)", 8000)) << caller.Describe();
  caller.WaitQuiet(300);
  caller.Send("q");
  EXPECT_TRUE(caller.WaitFor([&] { return caller.Output().find("Connection closed by foreign host.") !=
                                           std::string::npos; },
                             8000))
      << caller.Describe();
  EXPECT_TRUE(caller.WaitExit(5000).has_value()) << "the client did not end";

  EXPECT_EQ(data.Read("pmchplay.dat").size(), 64u) << "one play recorded";
  // The door's standard output stayed with the relay: nothing of the caller's screen there.
  relay.Pump(100);
  EXPECT_EQ(relay.Output().find("Your choice"), std::string::npos) << relay.Output();
  EXPECT_EQ(relay.Errors(), "");
  EXPECT_TRUE(relay.Running()) << "the relay serves the next caller";
}

}  // namespace
}  // namespace e2e
