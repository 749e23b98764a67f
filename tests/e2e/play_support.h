// The caller's side of a game played by keys: the cursor tables of the game screen, the
// shortest key path between two pins, a player that chooses moves and keeps its own engine
// (built from the same day seed) in step with the door's, and the card pictures as the
// screen shows them.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <deque>
#include <map>
#include <string>

#include "e2e/vterm.h"
#include "game/cardgame.h"
#include "game/pinmarchengine.h"

namespace e2e::play {

// The pin reached by "8", "2", "4", "6" from pins 1-10; "1", "3", "7", "9", "0" jump.
inline int Moved(int APin, char AKey) {
    static const std::map<char, std::array<int, 11>> kTables = {
        {'8', {0, 2, 4, 5, 7, 8, 9, 1, 1, 1, 1}},
        {'2', {0, 8, 1, 1, 2, 3, 3, 4, 5, 6, 6}},
        {'4', {0, 1, 3, 2, 6, 4, 5, 10, 7, 8, 9}},
        {'6', {0, 1, 3, 2, 5, 6, 4, 8, 9, 10, 7}},
    };
    if (AKey == '0') return 10;
    if (AKey == '1' || AKey == '3' || AKey == '7' || AKey == '9') return AKey - '0';
    return kTables.at(AKey)[static_cast<size_t>(APin)];
}

// Shortest key sequence taking the cursor from AFrom to ATo.
inline std::string PathTo(int AFrom, int ATo) {
    std::map<int, std::string> seen{{AFrom, ""}};
    std::deque<int> queue{AFrom};
    while (!queue.empty()) {
        const int pin = queue.front();
        queue.pop_front();
        if (pin == ATo) return seen[pin];
        for (char key : std::string("13790" "2468")) {
            const int next = Moved(pin, key);
            if (!seen.count(next)) {
                seen[next] = seen[pin] + key;
                queue.push_back(next);
            }
        }
    }
    return "";
}

// The pin under the cursor, found from the blinking block drawn inside a pin box's left edge.
inline int CursorPin(const VirtualScreen& AScreen) {
    static const int kX[11] = {0, 37, 33, 41, 29, 37, 45, 25, 33, 41, 49};
    static const int kY[11] = {0, 18, 14, 14, 10, 10, 10, 6, 6, 6, 6};
    int found = 0;
    for (int pin = 1; pin <= 10; ++pin)
        if (AScreen.Ch(kX[pin] + 1, kY[pin] + 1) == 0xDB && AScreen.Attr(kX[pin] + 1, kY[pin] + 1) == 0x0F)
            found = found == 0 ? pin : -1;  // two cursors would be a fault
    return found;
}

// Chooses moves for the day of ADaySeed and applies each to its own engine before handing
// out its keys. Lays a card near the pin its rank suggests, takes a miss when the card fits
// badly, and uses Enter for every third miss. With AMissEvery > 0 every AMissEvery-th move
// is a miss while one is allowed, so callers of one day can reach different scores.
class Player {
  public:
    explicit Player(int32_t ADaySeed, int AMissEvery = 0)
        : FDeck(ADaySeed), FGame(FDeck), FMissEvery(AMissEvery) {}
    game::TPinmarch& Engine() { return FGame; }
    int Cursor() const { return FCursor; }
    // The door's cursor was put on APin by other keys.
    void SetCursor(int APin) { FCursor = APin; }

    // The keys of the next move, already applied to the engine.
    std::string NextMove() {
        ++FMoves;
        const game::TCard card = FGame.CurrentCard();
        const int ideal = 1 + (card.Rank - 1) * 9 / 12;
        int best = -1;
        for (int p = 1; p <= 10; ++p)
            if (FGame.CanPlaceCard(p) && (best < 0 || std::abs(p - ideal) < std::abs(best - ideal))) best = p;
        const bool forced = FMissEvery > 0 && FMoves % FMissEvery == 0;
        if (forced || best < 0 || std::abs(best - ideal) > 1) {
            if (FGame.PlaceMiss()) return ++FMisses % 3 == 0 ? "\r" : " ";
        }
        EXPECT_GT(best, 0) << "no move possible";
        if (best < 0) return "";
        std::string keys = PathTo(FCursor, best) + "5";
        FCursor = best;
        EXPECT_TRUE(FGame.PlaceCard(best));
        return keys;
    }

  private:
    game::TDeck FDeck;
    game::TPinmarch FGame;
    int FMissEvery;
    int FCursor = 5;
    int FMisses = 0;
    int FMoves = 0;
};

// The card picture's two corners at (AX, AY): rank and suit top left, suit and rank bottom right.
inline std::string CardAt(const VirtualScreen& AScreen, int AX, int AY) {
    return AScreen.Text(AX, AY, 2) + AScreen.Text(AX + 3, AY + 2, 2);
}

inline std::string CardPicture(const game::TCard& ACard) {
    static const char kSuits[4] = {5, 4, 3, 6};
    const char suit = kSuits[ACard.Suit];
    return std::string{ACard.DisplayChar, suit, suit, ACard.DisplayChar};
}

// The current card as the game screen shows it.
inline std::string CurrentCardOnScreen(const VirtualScreen& AScreen) { return CardAt(AScreen, 5, 9); }

}  // namespace e2e::play
