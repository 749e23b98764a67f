// The tenth frame: its regular part, the bonus ball after a spare, the two after a
// strike, and a deck running out on the way.
#include "engine_harness.h"

using namespace enginetest;

namespace {

// Frames 1..9 are gutter frames (four misses each), frame 10 plays APlan.
TScriptedGame Tenth(const TPlan& APlan) {
    auto Plans = Frames1To9(Open(0, 0));
    Plans[10] = APlan;
    return TScriptedGame(Plans);
}

void PlayToTenth(TScriptedGame& G) {
    for (int F = 1; F <= 9; ++F)
        G.Play(F);
    ASSERT_EQ(G.Game->CurrentFrame(), 10);
    G.Game->SetFrameJustChanged(false);
}

void ExpectFreshRack(const TFrame& F) {
    EXPECT_EQ(F.PinsDown, 0);
    for (int P = 1; P <= 10; ++P)
        EXPECT_EQ(F.Pins[P], TPinPosition{}) << "pin " << P;
}

} // namespace

TEST(TenthFrame, OpenEndsTheGame) {
    auto G = Tenth(Open(3, 7));
    PlayToTenth(G);
    G.Play(10);
    EXPECT_TRUE(G.Game->GameOver());
    const TFrame F = G.F(10);
    EXPECT_EQ(F.FrameResult, frOpen);
    EXPECT_EQ(F.Score, 7);
    EXPECT_EQ(F.Frame10InitialPins, 7);
    EXPECT_EQ(F.RunningTotal, 7);
    EXPECT_EQ(G.Game->Frame10BonusBalls(), 0);
    EXPECT_EQ(G.Game->TotalScore(), 7);
    EXPECT_FALSE(G.Game->FrameJustChanged());
}

TEST(TenthFrame, SpareGetsOneBonusBallOnAFreshRack) {
    auto G = Tenth(Then(Spare(4), TPlan().Pins(1, 6).Misses(2)));
    PlayToTenth(G);
    G.Play(10, 0, 12); // the regular part: 4 pins, 2 misses, 6 pins
    EXPECT_FALSE(G.Game->GameOver());
    EXPECT_TRUE(G.Game->FrameJustChanged());
    EXPECT_EQ(G.Game->Frame10BonusBalls(), 1);
    TFrame F = G.F(10);
    EXPECT_EQ(F.FrameResult, frSpare);
    EXPECT_EQ(F.Ball1PinsDown, 4);
    EXPECT_EQ(F.Frame10InitialPins, 10);
    EXPECT_FALSE(F.MissesFilled[1]);
    EXPECT_FALSE(F.MissesFilled[2]);
    EXPECT_EQ(F.Misses[1], TCard{});
    ExpectFreshRack(F);
    EXPECT_EQ(F.Score, 0);
    EXPECT_EQ(G.Game->CurrentCard(), C(1, sDiamonds));

    G.Play(10, 12, 19); // 6 pins and the first bonus miss
    EXPECT_FALSE(G.Game->GameOver());
    G.Play(10, 19); // the second miss ends it
    EXPECT_TRUE(G.Game->GameOver());
    F = G.F(10);
    EXPECT_EQ(F.Frame10Bonus1, 6);
    EXPECT_EQ(F.Frame10Bonus2, 0);
    EXPECT_EQ(F.Frame10BonusPins, 6);
    EXPECT_EQ(F.Score, 16);
    EXPECT_EQ(F.RunningTotal, 16);
    EXPECT_EQ(G.Game->Frame10BonusBalls(), 0);
    EXPECT_EQ(G.Game->TotalScore(), 16);
}

TEST(TenthFrame, SpareBonusBallEndsAtTenPins) {
    auto G = Tenth(Then(Spare(9), Strike()));
    PlayToTenth(G);
    G.Play(10);
    EXPECT_TRUE(G.Game->GameOver());
    EXPECT_EQ(G.F(10).Score, 20);
    EXPECT_EQ(G.Game->TotalScore(), 20);
}

TEST(TenthFrame, SpareBonusBallUsesSlotsOneAndTwoOnly) {
    // A third miss in the regular part stays in slot 3; the bonus ball has slots 1 and 2.
    auto G = Tenth(Then(TPlan().Pins(1, 4).Misses(3).Pins(5, 10), TPlan().Pins(1, 2).Misses(2)));
    PlayToTenth(G);
    G.Play(10, 0, 13);
    ASSERT_EQ(G.Game->Frame10BonusBalls(), 1);
    EXPECT_TRUE(G.F(10).MissesFilled[3]);
    G.Play(10, 13);
    EXPECT_TRUE(G.Game->GameOver());
    const TFrame F = G.F(10);
    EXPECT_EQ((std::array<bool, 5>{false, true, true, true, false}), F.MissesFilled);
    EXPECT_EQ(F.Score, 12);
}

TEST(TenthFrame, StrikeTakenWithOneMissLeavesBothBonusSlotsFree) {
    auto G = Tenth(Then(TPlan().Misses(1).Pins(1, 10), Then(Strike(), Strike())));
    PlayToTenth(G);
    G.Play(10, 0, 11);
    EXPECT_TRUE(G.Game->FrameJustChanged());
    EXPECT_EQ(G.Game->Frame10BonusBalls(), 2);
    TFrame F = G.F(10);
    EXPECT_EQ(F.FrameResult, frStrike);
    EXPECT_EQ(F.Ball1PinsDown, 10);
    EXPECT_EQ(F.Frame10InitialPins, 10);
    EXPECT_FALSE(F.MissesFilled[1]);
    EXPECT_FALSE(F.MissesFilled[2]);
    EXPECT_EQ(F.Misses[1], TCard{});
    ExpectFreshRack(F);
    G.Game->SetFrameJustChanged(false);

    G.Play(10, 11, 21); // first bonus ball: ten pins, the rack is reset
    EXPECT_FALSE(G.Game->GameOver());
    EXPECT_TRUE(G.Game->FrameJustChanged());
    F = G.F(10);
    EXPECT_EQ(F.Frame10Bonus1, 10);
    ExpectFreshRack(F);
    G.Play(10, 21);
    EXPECT_TRUE(G.Game->GameOver());
    F = G.F(10);
    EXPECT_EQ(F.Frame10Bonus2, 10);
    EXPECT_EQ(F.Frame10BonusPins, 20);
    EXPECT_EQ(F.Score, 30);
    EXPECT_EQ(G.Game->TotalScore(), 30);
}

TEST(TenthFrame, StrikeWithAnOpenFirstBonusBallKeepsTheRack) {
    auto G = Tenth(Then(Strike(), TPlan().Pins(1, 3).Misses(2).Pins(4, 6).Misses(2)));
    PlayToTenth(G);
    G.Play(10, 0, 10);
    G.Game->SetFrameJustChanged(false);
    G.Play(10, 10, 15); // 3 pins, 2 misses: the first bonus ball is over
    TFrame F = G.F(10);
    EXPECT_EQ(F.Frame10Bonus1, 3);
    EXPECT_EQ(F.PinsDown, 3);
    EXPECT_TRUE(F.Pins[3].Filled);
    EXPECT_FALSE(G.Game->FrameJustChanged());
    EXPECT_FALSE(G.Game->GameOver());
    EXPECT_EQ(G.Game->TotalScore(), 0);
    G.Play(10, 15, 19); // 3 more pins and the miss in slot 3
    EXPECT_FALSE(G.Game->GameOver());
    EXPECT_TRUE(G.F(10).MissesFilled[3]);
    G.Play(10, 19); // slot 4 ends it
    EXPECT_TRUE(G.Game->GameOver());
    F = G.F(10);
    EXPECT_EQ(F.Frame10Bonus2, 3); // 6 on the rack, 3 of them from the first bonus ball
    EXPECT_EQ(F.Frame10BonusPins, 6);
    EXPECT_EQ(F.Score, 16);
    EXPECT_EQ(G.Game->TotalScore(), 16);
}

TEST(TenthFrame, StrikeWithAnOpenFirstBallThenClearingTheRack) {
    auto G = Tenth(Then(Strike(), TPlan().Pins(1, 3).Misses(2).Pins(4, 10)));
    PlayToTenth(G);
    G.Play(10);
    EXPECT_TRUE(G.Game->GameOver());
    EXPECT_EQ(G.F(10).Frame10Bonus1, 3);
    EXPECT_EQ(G.F(10).Frame10Bonus2, 7);
    EXPECT_EQ(G.F(10).Score, 20);
}

TEST(TenthFrame, FirstBonusBallWithTwoMissesAndNoPinsGoesOn) {
    // Strike; two misses with no pins leave Frame10Bonus1 at 0, so the first bonus ball
    // ends again with the next placed card.
    auto G = Tenth(Then(Strike(), TPlan().Misses(2).Pins(1, 1).Pins(2, 3).Misses(2)));
    PlayToTenth(G);
    G.Play(10, 0, 12);
    TFrame F = G.F(10);
    EXPECT_EQ(F.Frame10Bonus1, 0);
    EXPECT_TRUE(F.MissesFilled[1]);
    EXPECT_TRUE(F.MissesFilled[2]);
    EXPECT_EQ(G.Game->Frame10BonusBalls(), 2);
    EXPECT_FALSE(G.Game->GameOver());
    // "Already 4 misses!": the miss is refused and nothing changes.
    const TCard Card = G.Game->CurrentCard();
    EXPECT_FALSE(G.Game->PlaceMiss());
    EXPECT_EQ(G.F(10), F);
    EXPECT_EQ(G.Game->CurrentCard(), Card);

    G.Play(10, 12, 13); // one pin ends the first bonus ball again
    F = G.F(10);
    EXPECT_EQ(F.Frame10Bonus1, 1);
    EXPECT_FALSE(G.Game->GameOver());
    G.Play(10, 13, 16); // two more pins and a miss into slot 3
    EXPECT_TRUE(G.F(10).MissesFilled[3]);
    EXPECT_FALSE(G.Game->GameOver());
    G.Play(10, 16);
    EXPECT_TRUE(G.Game->GameOver());
    F = G.F(10);
    EXPECT_EQ(F.Frame10Bonus2, 2);
    EXPECT_EQ(F.Frame10BonusPins, 3); // all the pins of the bonus rack
    EXPECT_EQ(F.Score, 13);
}

TEST(TenthFrame, ClearedFirstBonusBallGivesTheSecondAllFreeSlots) {
    // Three misses before clearing the rack: still a strike (no pins at the second miss).
    auto G = Tenth(Then(TPlan().Misses(3).Pins(1, 10), Then(Strike(), TPlan().Misses(4))));
    PlayToTenth(G);
    G.Play(10, 0, 13);
    TFrame F = G.F(10);
    EXPECT_EQ(F.FrameResult, frStrike);
    EXPECT_EQ(F.Ball1PinsDown, 10);
    EXPECT_TRUE(F.MissesFilled[3]); // only slots 1 and 2 are cleared for the bonus balls
    G.Play(10, 13, 23);
    F = G.F(10);
    EXPECT_EQ(F.Frame10Bonus1, 10);
    for (int K = 1; K <= 4; ++K)
        EXPECT_FALSE(F.MissesFilled[K]) << "slot " << K;
    G.Play(10, 23, 26);
    EXPECT_FALSE(G.Game->GameOver()); // three misses, slot 4 still free
    G.Play(10, 26);
    EXPECT_TRUE(G.Game->GameOver());
    F = G.F(10);
    EXPECT_EQ(F.Frame10Bonus2, 0);
    EXPECT_EQ(F.Score, 20);
}

TEST(TenthFrame, SecondBonusBallFillsSlotsTheFirstLeftFree) {
    auto G = Tenth(Then(Strike(), TPlan().Misses(1).Pins(1, 10).Misses(3)));
    PlayToTenth(G);
    G.Play(10, 0, 21);
    TFrame F = G.F(10);
    EXPECT_EQ(F.Frame10Bonus1, 10);
    EXPECT_TRUE(F.MissesFilled[1]); // the first bonus ball's miss stays
    G.Play(10, 21, 23);             // slots 2 and 3
    EXPECT_FALSE(G.Game->GameOver());
    EXPECT_TRUE(G.F(10).MissesFilled[3]);
    G.Play(10, 23); // slot 4
    EXPECT_TRUE(G.Game->GameOver());
    EXPECT_EQ(G.F(10).Score, 20);
}

TEST(TenthFrame, MissesOfAStrikesSecondBallKeepTheirSlotsOnTheSameRack) {
    // A regular-part miss in slot 3 is not cleared; after an open first bonus ball the
    // second one has only slot 4.
    auto G = Tenth(Then(TPlan().Misses(3).Pins(1, 10), TPlan().Pins(1, 4).Misses(3)));
    PlayToTenth(G);
    G.Play(10);
    EXPECT_TRUE(G.Game->GameOver());
    const TFrame F = G.F(10);
    EXPECT_EQ(F.Frame10Bonus1, 4);
    EXPECT_EQ(F.Frame10Bonus2, 0);
    EXPECT_EQ(F.Score, 14);
}

TEST(TenthFrame, DeckRunningOutAtTheEndOfTheFirstBonusBallScoresIt) {
    auto G = Tenth(Then(Strike(), TPlan().Pins(1, 2).Misses(2)));
    PlayToTenth(G);
    G.Play(10);
    EXPECT_TRUE(G.Game->GameOver());
    const TFrame F = G.F(10);
    EXPECT_EQ(F.Frame10Bonus1, 2);
    EXPECT_EQ(F.Frame10Bonus2, 0);
    EXPECT_EQ(F.Frame10BonusPins, 2);
    EXPECT_EQ(F.Score, 12);
    EXPECT_EQ(F.RunningTotal, 12);
    EXPECT_EQ(G.Game->Frame10BonusBalls(), 0);
    EXPECT_EQ(G.Game->TotalScore(), 12);
}

TEST(TenthFrame, DeckRunningOutInsideABonusBallLeavesFrameTenUnscored) {
    auto Plans = Frames1To9(Open(1, 2));
    Plans[10] = Then(Strike(), TPlan().Pins(1, 2));
    TScriptedGame G(Plans);
    G.PlayAll();
    EXPECT_TRUE(G.Game->GameOver());
    EXPECT_EQ(G.Game->Frame10BonusBalls(), 2);
    EXPECT_EQ(G.F(10).Score, 0);
    EXPECT_EQ(G.F(10).RunningTotal, 0);
    EXPECT_EQ(G.Game->TotalScore(), 18);
}

TEST(TenthFrame, ARealDeckOutlastsAnyRegularPart) {
    // Every frame uses at most 44 cards, so the bonus balls always begin: a player who
    // covers whenever possible and misses only when forced still reaches them.
    for (int32_t Day = 0; Day < 40; ++Day) {
        TPinmarch Game(TDeck{Day * 7919});
        int Guard = 0;
        while (!Game.GameOver() && Guard++ < 1000) {
            bool Done = false;
            for (int P = 1; P <= 10 && !Done; ++P)
                Done = Game.PlaceCard(P);
            if (!Done) {
                ASSERT_TRUE(Game.PlaceMiss());
            }
        }
        ASSERT_TRUE(Game.GameOver());
        const TFrame F = Game.GetFrame(10);
        EXPECT_NE(F.FrameResult, frIncomplete) << "day seed " << Day * 7919;
    }
}
