// Scripted games for the engine tests: each frame's deck is a prepared card list, built
// together with the moves that play it, so a test reads as the frames it plays.
#pragma once

#include "game/pinmarchengine.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

namespace enginetest {

using namespace game;

inline TCard C(int ARank, TSuit ASuit = sClubs) {
    return TCard{ASuit, static_cast<uint8_t>(ARank),
                 GetCardDisplayChar(static_cast<uint8_t>(ARank))};
}

constexpr int MISS = 0;

// The cards a frame is dealt and the move made with each (a pin 1..10 or MISS).
struct TPlan {
    std::vector<TCard> Cards;
    std::vector<int> Moves;

    // Ranks AFrom..ATo laid on the pins of the same number.
    TPlan& Pins(int AFrom, int ATo) {
        for (int R = AFrom; R <= ATo; ++R)
            Add(C(R, static_cast<TSuit>(R % 4)), R);
        return *this;
    }
    // ACount Kings taken as misses.
    TPlan& Misses(int ACount) {
        for (int I = 0; I < ACount; ++I)
            Add(C(13, sSpades), MISS);
        return *this;
    }
    TPlan& Add(TCard ACard, int AMove) {
        Cards.push_back(ACard);
        Moves.push_back(AMove);
        return *this;
    }
};

// Frame shapes of the score sheet.
inline TPlan Strike() {
    return TPlan().Pins(1, 10);
}
// Ball 1 ends with ABall1 pins (second miss), the frame with ATotal < 10 and the 4th miss.
inline TPlan Open(int ABall1, int ATotal) {
    return TPlan().Pins(1, ABall1).Misses(2).Pins(ABall1 + 1, ATotal).Misses(2);
}
// ABall1 (1..9) pins at the second miss, then the rest.
inline TPlan Spare(int ABall1) {
    return TPlan().Pins(1, ABall1).Misses(2).Pins(ABall1 + 1, 10);
}
inline TPlan Then(TPlan AFirst, const TPlan& AMore) {
    AFirst.Cards.insert(AFirst.Cards.end(), AMore.Cards.begin(), AMore.Cards.end());
    AFirst.Moves.insert(AFirst.Moves.end(), AMore.Moves.begin(), AMore.Moves.end());
    return AFirst;
}

// A game whose frame decks come from plans (frames without a plan get a shuffled deck).
class TScriptedGame {
  public:
    explicit TScriptedGame(std::map<int, TPlan> APlans, int32_t ABaseSeed = 1000)
        : FPlans(std::move(APlans)), FSeeds(std::make_shared<std::vector<int32_t>>()) {
        auto Plans = FPlans;
        auto Seeds = FSeeds;
        const int32_t Base = ABaseSeed;
        Game = std::make_unique<TPinmarch>(TDeck(ABaseSeed), [Plans, Seeds, Base](int32_t ASeed) {
            Seeds->push_back(ASeed);
            const uint32_t Offset = static_cast<uint32_t>(ASeed) - static_cast<uint32_t>(Base);
            const auto It = Plans.find(static_cast<int>(Offset / 100));
            if (Offset % 100 == 0 && It != Plans.end())
                return TDeck::FromCards(ASeed, It->second.Cards);
            return TDeck(ASeed);
        });
    }

    // Plays the moves of frame AFrame's plan, from move AFrom up to (not including) ATo.
    void Play(int AFrame, size_t AFrom = 0, size_t ATo = SIZE_MAX) {
        const TPlan& P = FPlans.at(AFrame);
        for (size_t I = AFrom; I < P.Moves.size() && I < ATo; ++I) {
            ASSERT_FALSE(Game->GameOver()) << "frame " << AFrame << " move " << I;
            ASSERT_EQ(Game->CurrentCard(), P.Cards[I]) << "frame " << AFrame << " move " << I;
            const bool Ok = P.Moves[I] == MISS ? Game->PlaceMiss() : Game->PlaceCard(P.Moves[I]);
            ASSERT_TRUE(Ok) << "frame " << AFrame << " move " << I;
        }
    }
    void PlayAll() {
        for (const auto& [Frame, Plan] : FPlans) {
            Play(Frame);
            if (::testing::Test::HasFatalFailure()) return;
        }
    }
    TFrame F(int AIndex) const { return Game->GetFrame(AIndex); }
    const std::vector<int32_t>& Seeds() const { return *FSeeds; }

    std::unique_ptr<TPinmarch> Game;

  private:
    std::map<int, TPlan> FPlans;
    std::shared_ptr<std::vector<int32_t>> FSeeds;
};

// Plans for frames 1..9 all of one shape.
inline std::map<int, TPlan> Frames1To9(const TPlan& AShape) {
    std::map<int, TPlan> Out;
    for (int F = 1; F <= 9; ++F)
        Out[F] = AShape;
    return Out;
}

} // namespace enginetest
