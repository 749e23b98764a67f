// What a board trusts the door with, driven from outside: callers who hang up at every kind of
// moment, a full disk and a read-only directory, doors killed while they write, eight nodes at
// once on one directory, and a megabyte of junk from a caller. Doors run side by side, so the
// 2.5 s farewells overlap.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <random>

#include "e2e/door.h"
#include "game/pinmarchengine.h"
#include "records/dailyplay.h"
#include "support/scratch.h"
#include "support/text.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;
const double kToday = common::EncodeDate(2025, 9, 23); // the doors' date (Launch's default)
constexpr int kBbsId = 24680;
constexpr int kMissesPerGame = 40;

std::string Door32(const std::string& AAlias) {
    return "2\r\n" + std::to_string(Door::kDoorSocket) + "\r\n38400\r\nTest Board\r\n7\r\n" +
           AAlias + " Real\r\n" + AAlias + "\r\n20\r\n60\r\n1\r\n1\r\n";
}

Files Contents(const std::string& ADir) {
    Files files;
    for (const auto& e : fs::directory_iterator(ADir))
        if (e.is_regular_file()) files[e.path().filename()] = support::ReadFile(e.path());
    return files;
}

std::vector<records::TDailyPlayRecord> Decode(const std::string& ALog) {
    std::vector<records::TDailyPlayRecord> games;
    for (size_t at = 0; at + records::PLAY_RECORD_SIZE <= ALog.size();
         at += records::PLAY_RECORD_SIZE)
        games.push_back(
            records::DecodePlayRecord(reinterpret_cast<const uint8_t*>(ALog.data() + at)));
    return games;
}

std::vector<std::vector<std::string>> Cases(const std::string& AName) {
    auto rows = support::Table(PINMARCH_SOURCE_DIR "/tests/e2e/cases/" + AName + ".txt");
    EXPECT_FALSE(rows.empty()) << AName;
    return rows;
}

// Runs the store in ADir (its files live in the current directory).
template <class F> void InDir(const std::string& ADir, F AWork) {
    const fs::path back = fs::current_path();
    fs::current_path(ADir);
    AWork();
    fs::current_path(back);
}

// A board's data directory: the art, a BBS id, earlier games and their records.
void Board(const support::ScratchDir& ADir, const std::string& ACaller = "") {
    fs::copy_file(DataPath("intro.ans"), ADir.File("intro.ans"));
    ADir.Write("kegora.cfg", std::to_string(kBbsId) + "\n");
    std::string log;
    // clang-format off
    for (const records::TDailyPlayRecord& g :
         {records::TDailyPlayRecord{"Bob", kToday - 22, 120, 10}, {"Cy", kToday - 21, 150, 11},
          {"Bob", kToday - 1, 95, 10}, {"Di", kToday - 3, 87, 10}, {"Ed", kToday - 3, 77, 10},
          {"Flo", kToday - 4, 66, 10}, {"Gus", kToday - 5, 55, 10}}) {
        // clang-format on
        const auto bytes = records::EncodePlayRecord(g);
        log.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    ADir.Write(records::PLAY_LOG_FILE_NAME, log);
    InDir(ADir.Path(), [] { records::TDailyTracker().RebuildAllTimeRecords(); });
    if (!ACaller.empty()) ADir.Write("DOOR32.SYS", Door32(ACaller));
}

::testing::AssertionResult Reach(Door& ADoor, const std::string& AText, int AMs = 10000) {
    if (ADoor.WaitForText(AText, AMs)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "waiting for \"" << AText << "\"\n" << ADoor.Describe();
}

// The shortest keys moving the game's cursor from AFrom to ATo ("8", "2", "4", "6" move;
// "1", "3", "7", "9", "0" jump).
std::string PathTo(int AFrom, int ATo) {
    static const int kMoves[4][11] = {{0, 2, 4, 5, 7, 8, 9, 1, 1, 1, 1},
                                      {0, 8, 1, 1, 2, 3, 3, 4, 5, 6, 6},
                                      {0, 1, 3, 2, 6, 4, 5, 10, 7, 8, 9},
                                      {0, 1, 3, 2, 5, 6, 4, 8, 9, 10, 7}};
    std::map<int, std::string> seen{{AFrom, ""}};
    for (std::deque<int> queue{AFrom}; !queue.empty(); queue.pop_front()) {
        const int pin = queue.front();
        for (char key : std::string("824613790")) {
            const int i = std::string("8246").find(key);
            const int next = i >= 0 && i < 4 ? kMoves[i][pin] : key == '0' ? 10 : key - '0';
            if (seen.emplace(next, seen[pin] + key).second) queue.push_back(next);
        }
    }
    return seen[ATo];
}

// A caller who plays today's game by keys and keeps an engine of its own in step: a card
// goes near the pin its rank suggests, or is taken as a miss; every AMissEvery-th move is a
// miss while one is allowed, so callers can reach different scores.
class Player {
  public:
    explicit Player(int AMissEvery = 0)
        : FDeck(game::DailySeedFor(kToday, kBbsId)), FGame(FDeck), FMissEvery(AMissEvery) {}
    game::TPinmarch& Engine() { return FGame; }
    int Cursor() const { return FCursor; }
    std::string Next() {
        const int ideal = 1 + (FGame.CurrentCard().Rank - 1) * 9 / 12;
        int best = -1;
        for (int p = 1; p <= 10; ++p)
            if (FGame.CanPlaceCard(p) && (best < 0 || std::abs(p - ideal) < std::abs(best - ideal)))
                best = p;
        const bool forced = FMissEvery > 0 && ++FMoves % FMissEvery == 0;
        if ((forced || best < 0 || std::abs(best - ideal) > 1) && FGame.PlaceMiss())
            return ++FMisses % 2 ? " " : "\r";
        EXPECT_TRUE(FGame.PlaceCard(best));
        return PathTo(std::exchange(FCursor, best), best) + "5";
    }
    std::string WholeGame() {
        std::string keys;
        while (!FGame.GameOver())
            keys += Next();
        return keys;
    }

  private:
    game::TDeck FDeck;
    game::TPinmarch FGame;
    int FMissEvery, FCursor = 5, FMisses = 0, FMoves = 0;
};

// A hang-up at every kind of wait, over a socket (closed, SIGHUP, SIGTERM) and on standard
// I/O (input ended, SIGHUP): each door ends with code 0 within 4 s, writes no bulletin,
// records only a game that reached its result box, and leaves whole files.
TEST(Reliability, HangUpsAtEveryKindOfWait) {
    enum How { Close, Hup, Term, StdioEnd, StdioHup };
    struct Case {
        std::unique_ptr<support::ScratchDir> Dir;
        std::unique_ptr<Door> D;
        Files Before;
        std::vector<std::string> At; // name, keys, text, recorded
        How Via;
    };
    std::vector<Case> cases;
    for (const auto& p : Cases("hangups"))
        for (How how : {Close, Hup, Term, StdioEnd, StdioHup}) {
            if (how == Term && p[0] != "menu" && p[0] != "game") continue;
            auto dir = std::make_unique<support::ScratchDir>();
            Board(*dir, "Hanna");
            Files before = Contents(dir->Path());
            auto door = std::make_unique<Door>(
                how >= StdioEnd ? Launch{.Dir = dir->Path(),
                                         .Via = Channel::Pipes,
                                         .Args = {"-DDOOR32.SYS", "-X"}}
                                : Launch{.Dir = dir->Path(), .Args = {"-DDOOR32.SYS"}});
            door->Send(p[1]);
            cases.push_back({std::move(dir), std::move(door), std::move(before), p, how});
        }
    for (Case& c : cases) {
        SCOPED_TRACE(c.At[0] + ", way " + std::to_string(c.Via));
        ASSERT_TRUE(Reach(*c.D, c.At[2]));
        c.D->WaitQuiet(100);
    }
    const long long start = NowMs();
    for (Case& c : cases)
        if (c.Via == Close || c.Via == StdioEnd)
            c.D->Hangup();
        else
            kill(c.D->Pid(), c.Via == Term ? SIGTERM : SIGHUP);
    for (Case& c : cases) {
        SCOPED_TRACE(c.At[0] + ", way " + std::to_string(c.Via));
        EXPECT_EQ(c.D->WaitExit(std::max(1LL, start + 4000 - NowMs())), std::optional<int>(0))
            << c.D->Describe();
        Files after = Contents(c.Dir->Path());
        const std::string log = after[records::PLAY_LOG_FILE_NAME],
                          old = c.Before[records::PLAY_LOG_FILE_NAME];
        ASSERT_EQ(log.size(), old.size() + (c.At[3] == "1" ? 64 : 0));
        EXPECT_EQ(log.substr(0, old.size()), old);
        if (c.At[3] == "1") {
            EXPECT_EQ(Decode(log).back(), (records::TDailyPlayRecord{"Hanna", kToday, 0, 1}));
        }
        EXPECT_EQ(after[records::ALL_TIME_FILE_NAME].size(), records::ALL_TIME_RECORD_SIZE);
        EXPECT_FALSE(after.count("pmchwin.ans") || after.count("pmchwin.asc"))
            << "bulletins written";
    }
}

// A caller who stops reading while the door draws (a 4 KiB send buffer, the door blocked in a
// send): SIGTERM or SIGHUP ends it with code 0 within 4 s, without a game recorded.
TEST(Reliability, StalledCallerEndsBySignal) {
    support::ScratchDir dirs[2];
    std::unique_ptr<Door> doors[2];
    std::string keys = "x"; // screens to draw, none of them read
    for (int n = 0; n < 60; ++n)
        keys += "ix";
    for (int i = 0; i < 2; ++i) { // side by side: SIGTERM, SIGHUP
        Board(dirs[i], "Stella");
        const Launch launch{
            .Dir = dirs[i].Path(), .Args = {"-D{DIR}/DOOR32.SYS"}, .SendBuffer = 4096};
        (doors[i] = std::make_unique<Door>(launch))->Send(keys);
    }
    const long long start = (usleep(1'000'000), NowMs());
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(doors[i]->Running() && kill(doors[i]->Pid(), i ? SIGHUP : SIGTERM) == 0);
    for (int i = 0, status = 0; i < 2; ++i) {
        while (waitpid(doors[i]->Pid(), &status, WNOHANG) == 0 && NowMs() - start < 10000)
            usleep(10'000);
        std::fprintf(stderr, "[ stalled ] %s: gone after %lld ms\n", i ? "SIGHUP" : "SIGTERM",
                     NowMs() - start);
        EXPECT_TRUE(NowMs() - start < 4000 && WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << status;
        EXPECT_EQ(dirs[i].Read("pmchplay.dat").size(), 7 * records::PLAY_RECORD_SIZE);
    }
}

// Two nodes start the first game of a new board at the same moment, their clocks apart so their
// new ids differ: both deal the same cards, from the one id in kegora.cfg.
TEST(Reliability, TwoFirstStartsDealTheSameCards) {
    for (int round = 0; round < 3; ++round) {
        support::ScratchDir dir;
        fs::copy_file(DataPath("intro.ans"), dir.File("intro.ans"));
        std::unique_ptr<Door> doors[2];
        for (int i = 0; i < 2; ++i) {
            const std::string drop =
                dir.Write(std::to_string(i) + ".DOOR32.SYS", Door32("Node" + std::to_string(i)));
            const Launch launch{.Dir = dir.Path(),
                                .Args = {"-D" + drop},
                                .Now = i ? "2025-09-23 10:00:07" : "2025-09-23 10:00:00"};
            (doors[i] = std::make_unique<Door>(launch))->Send("xp");
        }
        for (auto& d : doors)
            ASSERT_TRUE(Reach(*d, "Ball 1"));
        game::TDeck frame1(game::DailySeedFor(kToday, std::stoi(dir.Read("kegora.cfg"))) + 100);
        const std::string card(1, frame1.DrawCard().DisplayChar);
        for (auto& d : doors)
            EXPECT_EQ(d->Screen().Row(9).substr(4, 1), card) << d->Describe();
    }
}

// A data file that cannot be written, because the disk is full (a file-size limit) or the
// directory is read-only: the door ends with code 1 and one line on standard error naming the
// file, no file is added, and the log is as before or longer by this one game.
TEST(Reliability, FullDiskAndReadOnlyDirectory) {
    const bool canDrop = CanDropPrivileges();
    struct Case {
        std::vector<std::string> R; // name, limit, read-only, no id, grows, keys, error, changes
        std::unique_ptr<support::ScratchDir> Dir;
        Files Before;
        std::unique_ptr<Door> D;
    };
    std::vector<Case> cases; // side by side
    for (const auto& r : Cases("full-disk")) {
        const bool readOnly = r[2] == "1";
        if (readOnly && !canDrop) continue;
        auto dir = std::make_unique<support::ScratchDir>();
        Board(*dir, "Dana");
        if (r[3] == "1")
            fs::remove(dir->File("kegora.cfg")), fs::remove(dir->File("pmchplay.dat")),
                fs::remove(dir->File("pmchrec.dat"));
        if (readOnly)
            chmod(dir->File("pmchplay.dat").c_str(), 0666), chmod(dir->Path().c_str(), 0555);
        Files before = Contents(dir->Path());
        const long long logSize =
            before.count("pmchplay.dat") ? before.at("pmchplay.dat").size() : 0;
        const long long limit = std::stoll(r[1]); // small: beyond the log
        auto door = std::make_unique<Door>(
            Launch{.Dir = dir->Path(),
                   .Args = {"-DDOOR32.SYS"},
                   .FileSizeLimit = limit >= 0 && limit < 64 ? logSize + limit : limit,
                   .Unprivileged = readOnly});
        door->Send(r[5]);
        cases.push_back({r, std::move(dir), std::move(before), std::move(door)});
    }
    for (Case& c : cases) {
        const auto& r = c.R;
        Door& door = *c.D;
        SCOPED_TRACE(r[0]);
        if (r[3] == "1") { // a board whose id cannot be stored deals the cards of id 12345
            ASSERT_TRUE(Reach(door, "Really quit?"));
            game::TDeck frame1(game::DailySeedFor(kToday, game::FALLBACK_BBS_ID) + 100);
            const char rank = frame1.DrawCard().DisplayChar;
            EXPECT_EQ(door.Screen().Row(9).substr(4, 1), std::string(1, rank)) << door.Describe();
            door.Send("y");
        }
        EXPECT_EQ(door.WaitExit(10000), std::optional<int>(1)) << door.Describe();
        EXPECT_EQ(door.Errors(), "Pinmarch: stopped: " + r[6] + "\n");
        Files after = Contents(c.Dir->Path());
        const std::string oldLog =
            c.Before.count("pmchplay.dat") ? c.Before.at("pmchplay.dat") : "";
        EXPECT_EQ(after["pmchplay.dat"].size(), oldLog.size() + (r[4] == "1" ? 64 : 0));
        std::string changed; // besides the log
        for (const auto& [name, bytes] : after)
            if (name != "pmchplay.dat" && (!c.Before.count(name) || c.Before.at(name) != bytes))
                changed += (changed.empty() ? "" : " ") + name;
        EXPECT_EQ(changed, r[7]);
    }
}

// Doors killed at random moments, most of them a few milliseconds after the last key of a game
// or the quit, while they write: every file stays whole, old or new. The records file is the
// one before or exactly the update for this game; a bulletin is never cut short.
TEST(Reliability, KilledWhileWriting) {
    support::ScratchDir dir;
    Board(dir);
    std::mt19937 rng(20250923);
    int recorded = 0;
    for (int i = 0; i < 6; ++i) {
        const std::string caller = "Killed" + std::to_string(i);
        dir.Write("DOOR32.SYS", Door32(caller));
        const Files before = Contents(dir.Path());
        Door door({.Dir = dir.Path(), .Args = {"-DDOOR32.SYS"}});
        door.Send("xp" + std::string(kMissesPerGame - 1, ' '));
        ASSERT_TRUE(Reach(door, "Frame 10"));
        door.WaitQuiet(50);
        door.Send(i % 2 ? " " : " xq");
        usleep(static_cast<useconds_t>(rng() % 12000));
        kill(door.Pid(), SIGKILL);
        door.WaitExit();
        const Files after = Contents(dir.Path());
        const std::string log = after.at("pmchplay.dat"), old = before.at("pmchplay.dat");
        ASSERT_EQ(log.substr(0, old.size()), old);
        ASSERT_TRUE(log.size() == old.size() || log.size() == old.size() + 64) << log.size();
        if (log.size() > old.size()) {
            ++recorded;
            EXPECT_EQ(Decode(log).back().PlayerName, caller);
        }
        if (after.at("pmchrec.dat") != before.at("pmchrec.dat")) {
            support::ScratchDir copy;
            copy.Write("pmchplay.dat", log);
            copy.Write("pmchrec.dat", before.at("pmchrec.dat"));
            InDir(copy.Path(),
                  [&] { records::TDailyTracker().UpdateAllTimeRecords(caller, kToday, 0); });
            EXPECT_TRUE(after.at("pmchrec.dat") == copy.Read("pmchrec.dat"))
                << "records neither old nor new";
        }
        for (const char* b : {"pmchwin.ans", "pmchwin.asc"}) {
            const std::string text = after.count(b) ? after.at(b) : "";
            EXPECT_TRUE(text.empty() || text.find("Join the Fun Today!") != std::string::npos)
                << b << " cut short";
        }
    }
    std::fprintf(stderr, "[ kills ] 6 doors killed, %d games recorded\n", recorded);
    EXPECT_GE(recorded, 2);
}

// Eight nodes play today's game at once on one directory, the last moves sent to all at once:
// every game is logged once with its score, and the records equal a rebuild from the log.
TEST(Reliability, EightNodesAtOnce) {
    support::ScratchDir dir;
    Board(dir);
    std::vector<std::unique_ptr<Door>> doors;
    std::deque<Player> players;
    std::vector<std::string> lastKeys;
    for (int n = 0; n < 8; ++n) {
        dir.Write("DOOR" + std::to_string(n) + ".DOOR32.SYS", Door32("Node" + std::to_string(n)));
        doors.push_back(std::make_unique<Door>(
            Launch{.Dir = dir.Path(), .Args = {"-DDOOR" + std::to_string(n) + ".DOOR32.SYS"}}));
        players.emplace_back(n + 2);
    }
    for (int n = 0; n < 8; ++n) {
        std::string keys;
        while (true) {
            std::string move = players[n].Next();
            if (players[n].Engine().GameOver()) {
                lastKeys.push_back(move);
                break;
            }
            keys += move;
        }
        doors[n]->Send("xp" + keys);
    }
    for (auto& d : doors) {
        ASSERT_TRUE(Reach(*d, "Frame 10"));
        d->WaitQuiet(100);
    }
    for (int n = 0; n < 8; ++n)
        doors[n]->Send(lastKeys[n] + "xq");
    for (auto& d : doors)
        EXPECT_EQ(d->WaitExit(), std::optional<int>(0)) << d->Describe();
    const auto games = Decode(dir.Read("pmchplay.dat"));
    ASSERT_EQ(games.size(), 7u + 8u);
    std::map<std::string, int> scores;
    for (size_t g = 7; g < games.size(); ++g)
        scores[games[g].PlayerName] = games[g].Score;
    for (int n = 0; n < 8; ++n)
        EXPECT_EQ(scores["Node" + std::to_string(n)], players[n].Engine().TotalScore()) << n;
    support::ScratchDir copy;
    copy.Write("pmchplay.dat", dir.Read("pmchplay.dat"));
    InDir(copy.Path(), [] { records::TDailyTracker().RebuildAllTimeRecords(); });
    EXPECT_EQ(dir.Read("pmchrec.dat"), copy.Read("pmchrec.dat"));
}

long StatusKb(pid_t APid, const std::string& AField) {
    const std::string s = support::ReadFile("/proc/" + std::to_string(APid) + "/status");
    const size_t at = s.find(AField + ":");
    return at == std::string::npos ? -1 : std::stol(s.substr(at + AField.size() + 1));
}

// A megabyte of junk from the caller in the middle of a game (random bytes, telnet commands,
// escape sequences; none of the keys that act on the game screen): no crash, memory that does
// not grow with it, the same card still in play, and the real keys then finish the game with
// its right score.
TEST(Reliability, JunkFromTheCaller) {
    support::ScratchDir dir;
    Board(dir, "Junk");
    Door door({.Dir = dir.Path(), .Args = {"-DDOOR32.SYS"}});
    Player player(3);
    std::string keys;
    for (int i = 0; i < 12; ++i)
        keys += player.Next();
    door.Send("xp" + keys + "1"); // the cursor on a known pin
    ASSERT_TRUE(Reach(door, "Current Card:"));
    door.WaitQuiet(200);
    auto screen = [&] {
        std::string rows;
        for (int y = 1; y <= 25; ++y)
            rows += door.Screen().Row(y) + "\n";
        return rows;
    };
    const std::string card = screen();
    const long hwm = StatusKb(door.Pid(), "VmHWM");
    std::mt19937 rng(7);
    std::string junk;
    const std::string pieces[] = {"\xff\xfb\x01", "\xff\xfa\x18\x01\xff\xf0", "\xff\xff", "\x1b[A",
                                  "\x1b[D",       std::string(1, '\0')};
    while (junk.size() < (1u << 20)) {
        const unsigned char b = static_cast<unsigned char>(rng());
        if (rng() % 10 == 0)
            junk += pieces[rng() % 6];
        else if (!(b == ' ' || b == '\r' || b == '\n' || std::isdigit(b) ||
                   std::strchr("RrSsHhQq", b) || b == 0xff || b == 0x1b))
            junk += static_cast<char>(b);
    }
    door.Send(junk + "\xff\xf0\xff\xf0"
                     "ab");
    door.WaitQuiet(300, 20000);
    ASSERT_TRUE(door.Running());
#if defined(__SANITIZE_ADDRESS__)
    const long allowedKb = 16384; // the sanitizer's quarantine keeps freed blocks
#else
    const long allowedKb = 4096;
#endif
    EXPECT_LT(StatusKb(door.Pid(), "VmHWM") - hwm, allowedKb) << "memory grew with the junk";
    door.Send("1");
    door.WaitQuiet(200);
    EXPECT_EQ(screen(), card) << door.Describe();
    const std::string back = PathTo(1, player.Cursor());
    door.Send(back + player.WholeGame() + "xq");
    EXPECT_EQ(door.WaitExit(), std::optional<int>(0)) << door.Describe();
    ASSERT_FALSE(Decode(dir.Read("pmchplay.dat")).empty());
    EXPECT_EQ(Decode(dir.Read("pmchplay.dat")).back(),
              (records::TDailyPlayRecord{"Junk", kToday, player.Engine().TotalScore(),
                                         player.Engine().CurrentFrame()}));
}

} // namespace
} // namespace e2e
