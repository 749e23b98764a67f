// Plays a fixed month of games and writes every file the door keeps for a board: the play log
// ("pmchplay.dat"), the all-time records ("pmchrec.dat"), the BBS id ("kegora.cfg") and both
// bulletins ("pmchwin.ans", "pmchwin.asc"). Nothing depends on the machine: the clock is pinned,
// the moves come from the game's own generator with fixed seeds, and the files go through the
// same code the door uses. So the output must be the same bytes on every machine the door is
// built for, and nodes of different kinds can share one data directory.
//
//   write_data_files OUTDIR              writes the files into OUTDIR (created when missing)
//   write_data_files OUTDIR EXPECTEDDIR  also compares each file with EXPECTEDDIR's copy and
//                                        exits 1 at the first difference
//
// tests/datafiles/expected holds the files as written on x86-64.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/bulletins.h"
#include "common/datetime.h"
#include "common/seams.h"
#include "game/cardgame.h"
#include "game/pinmarchengine.h"
#include "records/dailyplay.h"

namespace {

const char* const kFiles[] = {"pmchplay.dat", "pmchrec.dat", "kegora.cfg", "pmchwin.ans",
                              "pmchwin.asc"};

// Callers of the board: plain names, a name with a CP437 letter, and one longer than the
// 40 bytes a record keeps.
const std::vector<std::string> kPlayers = {
    "Ada Quill", "Bo",    "J\x81rgen Wei\xE1", "Marguerite Oyelaran-Fitzwilliam of Harrowgate Vale",
    "night owl", "SYSOP", "Tess Ng",           "Vik",
};

// One whole game (or one cut short at AQuitFrame) on the day deck of ADate; moves are drawn
// from the game's generator, so the same seed always plays the same game.
void PlayOne(const std::string& APlayer, common::TDateTime ADate, int32_t AMoveSeed,
             int AQuitFrame) {
    const game::TDeck deck(game::GetDailySeed(ADate));
    game::TPinmarch play(deck);
    play.StartNewGame();
    game::SetRandomSeed(AMoveSeed);
    for (int moves = 0; !play.GameOver() && moves < 2000; ++moves) {
        if (AQuitFrame > 0 && play.CurrentFrame() >= AQuitFrame) {
            play.SetGameOver(true);
            break;
        }
        std::vector<int> pins;
        for (int pin = 1; pin <= 10; ++pin)
            if (play.CanPlaceCard(pin)) pins.push_back(pin);
        // A miss is one more choice beside the legal pins.
        const int32_t pick = game::RandomBelow(static_cast<int32_t>(pins.size()) + 1);
        if (pins.empty() || pick == static_cast<int32_t>(pins.size())) {
            if (!play.PlaceMiss()) {
                if (pins.empty()) break;
                play.PlaceCard(pins.front());
            }
        } else {
            play.PlaceCard(pins[static_cast<std::size_t>(pick)]);
        }
    }
    const records::TDailyTracker tracker;
    tracker.RecordPlay(APlayer, ADate, play.TotalScore(), play.CurrentFrame());
    tracker.UpdateAllTimeRecords(APlayer, ADate, play.TotalScore());
}

std::string ReadWhole(const std::string& APath) {
    std::ifstream in(APath, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Each file written against the reference copy; 1 at any difference.
int Compare(const std::string& AExpectedDir) {
    int failures = 0;
    for (const char* name : kFiles) {
        const std::string got = ReadWhole(name), want = ReadWhole(AExpectedDir + "/" + name);
        std::size_t at = 0;
        while (at < got.size() && at < want.size() && got[at] == want[at])
            ++at;
        const bool same = at == got.size() && at == want.size() && !want.empty();
        std::printf("%s: %s at byte %zu (%zu bytes written, %zu expected)\n", name,
                    same ? "identical" : "DIFFERS", at, got.size(), want.size());
        failures += same ? 0 : 1;
    }
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s OUTDIR [EXPECTEDDIR]\n", argv[0]);
        return 2;
    }
    const std::string outDir = argv[1];
    const std::string expectedDir = argc == 3 ? std::filesystem::absolute(argv[2]).string() : "";
    ::mkdir(outDir.c_str(), 0755);
    if (::chdir(outDir.c_str()) != 0) {
        std::fprintf(stderr, "cannot enter %s: %s\n", outDir.c_str(), std::strerror(errno));
        return 2;
    }
    for (const char* name : kFiles)
        ::unlink(name);

    try {
        // February for last month's entries, then March up to the 28th, evening.
        const common::TDateTime first = common::EncodeDate(2026, 2, 20);
        const common::TDateTime last = common::EncodeDate(2026, 3, 28);
        common::Seams().Now = first + 0.5;
        int32_t gameNo = 0;
        int32_t dayNo = 0;
        for (common::TDateTime day = first; day <= last; day += 1.0, ++dayNo) {
            common::Seams().Now = day + 0.5;
            for (std::size_t p = 0; p < kPlayers.size(); ++p) {
                ++gameNo;
                // Not everyone plays every day.
                const auto player = static_cast<int32_t>(p);
                if ((dayNo * 3 + player * 5) % (player + 4) == 0) continue;
                // Now and then a caller quits half-way.
                const int quitAt = gameNo % 17 == 0 ? 1 + gameNo % 9 : 0;
                // Times of day vary, so the stored dates carry fractions.
                const common::TDateTime when = day + (static_cast<double>(gameNo % 96) / 96.0);
                PlayOne(kPlayers[p], when, gameNo * 7919, quitAt);
            }
        }
        kegora::CreateBulletinFiles();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "writing the data files failed: %s\n", e.what());
        return 2;
    }
    std::printf("data files written to %s\n", outDir.c_str());
    return expectedDir.empty() ? 0 : Compare(expectedDir);
}
