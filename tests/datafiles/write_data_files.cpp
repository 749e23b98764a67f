// Plays a fixed month of games and writes every file the door keeps for a board: the play log,
// the all-time records, the BBS id and both bulletins. The clock is pinned and the moves come from
// the game's own generator with fixed seeds, so every machine the door is built for must write the
// same bytes, and nodes of different kinds can share one data directory.
//
//   write_data_files OUTDIR [EXPECTEDDIR]  writes the files into OUTDIR; with EXPECTEDDIR (the
//       x86-64 copies in tests/datafiles/expected) exits 1 unless each file there is the same
#include <algorithm>
#include <cstdio>
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
    game::TPinmarch play(game::TDeck(game::GetDailySeed(ADate)));
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
        const auto pick = static_cast<size_t>(game::RandomBelow(static_cast<int>(pins.size()) + 1));
        if (pick < pins.size())
            play.PlaceCard(pins[pick]);
        else if (!play.PlaceMiss() && !pins.empty()) // a miss refused: the first legal pin
            play.PlaceCard(pins.front());
    }
    const records::TDailyTracker tracker;
    tracker.RecordPlay(APlayer, ADate, play.TotalScore(), play.CurrentFrame());
    tracker.UpdateAllTimeRecords(APlayer, ADate, play.TotalScore());
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s OUTDIR [EXPECTEDDIR]\n", argv[0]);
        return 2;
    }
    const std::string expectedDir = argc == 3 ? std::filesystem::absolute(argv[2]).string() : "";
    const char* const files[] = {"pmchplay.dat", "pmchrec.dat", "kegora.cfg", "pmchwin.ans",
                                 "pmchwin.asc"};
    try {
        std::filesystem::create_directories(argv[1]);
        std::filesystem::current_path(argv[1]);
        for (const char* name : files)
            std::filesystem::remove(name);
        // February for last month's entries, then March up to the 28th.
        const common::TDateTime first = common::EncodeDate(2026, 2, 20);
        int gameNo = 0;
        for (int dayNo = 0; first + dayNo <= common::EncodeDate(2026, 3, 28); ++dayNo) {
            const common::TDateTime day = first + dayNo;
            common::Seams().Now = day + 0.5;
            for (int p = 0; p < static_cast<int>(kPlayers.size()); ++p) {
                ++gameNo;
                if ((dayNo * 3 + p * 5) % (p + 4) == 0) continue; // not everyone plays every day
                // Now and then a caller quits half-way; times of day vary, so the stored dates
                // carry fractions.
                PlayOne(kPlayers[p], day + gameNo % 96 / 96.0, gameNo * 7919,
                        gameNo % 17 == 0 ? 1 + gameNo % 9 : 0);
            }
        }
        kegora::CreateBulletinFiles();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "writing the data files failed: %s\n", e.what());
        return 2;
    }
    std::printf("data files written to %s\n", argv[1]);
    auto read = [](const std::string& APath) {
        std::ifstream in(APath, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    int failures = 0;
    for (const char* name : files) {
        if (expectedDir.empty()) break;
        const std::string got = read(name), want = read(expectedDir + "/" + name);
        const auto at = std::mismatch(got.begin(), got.end(), want.begin(), want.end()).first;
        const bool same = got == want && !want.empty();
        std::printf("%s: %s at byte %td (%zu bytes written, %zu expected)\n", name,
                    same ? "identical" : "DIFFERS", at - got.begin(), got.size(), want.size());
        failures += same ? 0 : 1;
    }
    return failures == 0 ? 0 : 1;
}
