// Bowling scoring: frame results, bonuses, the tenth frame's score, running totals, and
// whole games played through the public operations alone.
#include "engine_harness.h"

#include <random>

using namespace enginetest;

namespace {

std::vector<int32_t> Scores(const TScriptedGame& G, int ALast) {
    std::vector<int32_t> Out;
    for (int F = 1; F <= ALast; ++F)
        Out.push_back(G.F(F).Score);
    return Out;
}
std::vector<int32_t> Totals(const TScriptedGame& G, int ALast) {
    std::vector<int32_t> Out;
    for (int F = 1; F <= ALast; ++F)
        Out.push_back(G.F(F).RunningTotal);
    return Out;
}

} // namespace

TEST(Scoring, StrikeThenOpenFrame) {
    TScriptedGame G({{1, Strike()}, {2, Open(4, 7)}});
    G.Play(1);
    EXPECT_EQ(G.F(1).FrameResult, frStrike);
    EXPECT_EQ(G.F(1).Ball1PinsDown, 10);
    EXPECT_EQ(G.F(1).RunningTotal, 0); // not shown until the next frame ends
    EXPECT_EQ(G.Game->TotalScore(), 10);
    G.Play(2);
    EXPECT_EQ(Scores(G, 2), (std::vector<int32_t>{17, 7}));
    EXPECT_EQ(Totals(G, 2), (std::vector<int32_t>{17, 24}));
    EXPECT_EQ(G.F(2).Ball1PinsDown, 4);
    EXPECT_EQ(G.Game->TotalScore(), 24);
}

TEST(Scoring, SpareEarnsTheNextBall1) {
    TScriptedGame G({{1, Spare(6)}, {2, Open(3, 5)}});
    G.Play(1);
    EXPECT_EQ(G.F(1).FrameResult, frSpare);
    EXPECT_EQ(G.F(1).Ball1PinsDown, 6);
    EXPECT_EQ(G.F(1).RunningTotal, 0);
    G.Play(2);
    EXPECT_EQ(Scores(G, 2), (std::vector<int32_t>{13, 5}));
    EXPECT_EQ(Totals(G, 2), (std::vector<int32_t>{13, 18}));
}

TEST(Scoring, SpareThenStrikeScores20) {
    TScriptedGame G({{1, Spare(2)}, {2, Strike()}, {3, Open(1, 1)}});
    G.Play(1);
    G.Play(2);
    EXPECT_EQ(G.F(1).Score, 20);
    EXPECT_EQ(G.F(1).RunningTotal, 20);
    EXPECT_EQ(G.F(2).RunningTotal, 0);
    G.Play(3);
    EXPECT_EQ(Scores(G, 3), (std::vector<int32_t>{20, 11, 1}));
    EXPECT_EQ(Totals(G, 3), (std::vector<int32_t>{20, 31, 32}));
}

TEST(Scoring, TwoStrikesThenAnOpenFrame) {
    TScriptedGame G({{1, Strike()}, {2, Strike()}, {3, Open(5, 8)}});
    G.Play(1);
    G.Play(2);
    EXPECT_EQ(Scores(G, 2), (std::vector<int32_t>{20, 10}));
    EXPECT_EQ(Totals(G, 2), (std::vector<int32_t>{0, 0}));
    G.Play(3);
    EXPECT_EQ(Scores(G, 3), (std::vector<int32_t>{25, 18, 8}));
    EXPECT_EQ(Totals(G, 3), (std::vector<int32_t>{25, 43, 51}));
    EXPECT_EQ(G.Game->TotalScore(), 51);
}

TEST(Scoring, RackClearedAfterTwoMissesAtZeroIsAStrike) {
    TScriptedGame G({{1, TPlan().Misses(2).Pins(1, 10)}, {2, Open(2, 3)}});
    G.Play(1);
    EXPECT_EQ(G.F(1).FrameResult, frStrike);
    EXPECT_EQ(G.F(1).Ball1PinsDown, 10);
    G.Play(2);
    EXPECT_EQ(G.F(1).Score, 13);
}

TEST(Scoring, SpareBeforeAZeroBall1GetsNothing) {
    // Ball 1 of frame 2 knocks nothing down; its later pins are not a spare bonus.
    TScriptedGame G({{1, Spare(5)}, {2, Open(0, 4)}});
    G.PlayAll();
    EXPECT_EQ(Scores(G, 2), (std::vector<int32_t>{10, 4}));
    EXPECT_EQ(Totals(G, 2), (std::vector<int32_t>{10, 14}));
}

TEST(Scoring, RunningTotalsStayBlankBeforeAGutterFrame) {
    // A spare or a double strike shows its total only once a later frame has pins down;
    // after a frame with no pins at all it stays blank while later frames show theirs.
    TScriptedGame G({{1, Spare(5)}, {2, Open(0, 0)}, {3, Open(1, 1)}});
    G.PlayAll();
    EXPECT_EQ(Scores(G, 3), (std::vector<int32_t>{10, 0, 1}));
    EXPECT_EQ(Totals(G, 3), (std::vector<int32_t>{0, 10, 11}));

    TScriptedGame H({{1, Strike()}, {2, Strike()}, {3, Open(0, 0)}, {4, Open(2, 2)}});
    H.PlayAll();
    EXPECT_EQ(Scores(H, 4), (std::vector<int32_t>{20, 10, 0, 2}));
    EXPECT_EQ(Totals(H, 4), (std::vector<int32_t>{0, 30, 30, 32}));
}

TEST(Scoring, StrikeInNineThenOpenTen) {
    auto Plans = Frames1To9(Open(0, 0));
    Plans[9] = Strike();
    Plans[10] = Open(4, 6);
    TScriptedGame G(Plans);
    G.PlayAll();
    EXPECT_TRUE(G.Game->GameOver());
    EXPECT_EQ(G.F(9).Score, 16);
    EXPECT_EQ(G.F(10).Score, 6);
    EXPECT_EQ(G.F(9).RunningTotal, 16);
    EXPECT_EQ(G.F(10).RunningTotal, 22);
    EXPECT_EQ(G.Game->TotalScore(), 22);
}

TEST(Scoring, StrikesInEightAndNineThenOpenTen) {
    auto Plans = Frames1To9(Open(0, 0));
    Plans[8] = Strike();
    Plans[9] = Strike();
    Plans[10] = Open(4, 7);
    TScriptedGame G(Plans);
    G.PlayAll();
    EXPECT_EQ(G.F(8).Score, 24);
    EXPECT_EQ(G.F(9).Score, 17);
    EXPECT_EQ(G.F(10).Score, 7);
    EXPECT_EQ(G.Game->TotalScore(), 48);
    EXPECT_EQ(G.F(10).RunningTotal, 48);
}

TEST(Scoring, AllStrikesTotal290) {
    auto Plans = Frames1To9(Strike());
    Plans[10] = Then(Strike(), Then(Strike(), Strike()));
    TScriptedGame G(Plans);
    G.PlayAll();
    ASSERT_TRUE(G.Game->GameOver());
    EXPECT_EQ(Scores(G, 10), (std::vector<int32_t>{30, 30, 30, 30, 30, 30, 30, 30, 20, 30}));
    EXPECT_EQ(Totals(G, 10), (std::vector<int32_t>{30, 60, 90, 120, 150, 180, 210, 240, 260, 290}));
    EXPECT_EQ(G.Game->TotalScore(), 290);
    EXPECT_EQ(G.F(10).Frame10Bonus1, 10);
    EXPECT_EQ(G.F(10).Frame10Bonus2, 10);
    EXPECT_EQ(G.F(10).Frame10BonusPins, 20);
}

TEST(Scoring, NoRunningTotalChangesDuringBonusBalls) {
    auto Plans = Frames1To9(Open(1, 2));
    Plans[9] = Strike();
    Plans[10] = Then(Strike(), TPlan().Pins(1, 3).Misses(2).Pins(4, 5).Misses(2));
    TScriptedGame G(Plans);
    for (int F = 1; F <= 9; ++F)
        G.Play(F);
    const std::vector<int32_t> Before = Totals(G, 10);
    EXPECT_EQ(G.Game->TotalScore(), 26);
    EXPECT_EQ(G.F(9).RunningTotal, 0);
    // Through the regular part and the first bonus ball nothing is rescored.
    G.Play(10, 0, 15);
    EXPECT_EQ(G.F(10).Frame10Bonus1, 3);
    EXPECT_EQ(Totals(G, 10), Before);
    EXPECT_EQ(Scores(G, 9), (std::vector<int32_t>{2, 2, 2, 2, 2, 2, 2, 2, 10}));
    EXPECT_EQ(G.Game->TotalScore(), 26);
    G.Play(10, 15);
    ASSERT_TRUE(G.Game->GameOver());
    // Frame 9 gets frame 10's pins as they stand: the bonus rack's 5.
    EXPECT_EQ(G.F(9).Score, 15);
    EXPECT_EQ(G.F(10).Score, 15);
    EXPECT_EQ(G.F(9).RunningTotal, 31);
    EXPECT_EQ(G.F(10).RunningTotal, 46);
    EXPECT_EQ(G.Game->TotalScore(), 46);
}

TEST(Scoring, SpareInNineStaysBlankUntilTheBonusBallIsOver) {
    auto Plans = Frames1To9(Open(0, 0));
    Plans[9] = Spare(7);
    Plans[10] = Then(Spare(3), TPlan().Pins(1, 6).Misses(2));
    TScriptedGame G(Plans);
    for (int F = 1; F <= 9; ++F)
        G.Play(F);
    G.Play(10, 0, 12);
    ASSERT_EQ(G.Game->Frame10BonusBalls(), 1);
    EXPECT_EQ(G.F(9).RunningTotal, 0);
    EXPECT_EQ(G.F(9).Score, 10);
    G.Play(10, 12);
    ASSERT_TRUE(G.Game->GameOver());
    EXPECT_EQ(G.F(9).Score, 13); // ball 1 of frame 10
    EXPECT_EQ(G.F(10).Score, 16);
    EXPECT_EQ(G.F(9).RunningTotal, 13);
    EXPECT_EQ(G.F(10).RunningTotal, 29);
}

TEST(Scoring, StrikeInNineBeforeATenthFrameSpareGetsTheBonusRack) {
    // Frame 9 receives frame 10's PinsDown at the end, which is the bonus rack's count.
    auto Plans = Frames1To9(Open(0, 0));
    Plans[9] = Strike();
    Plans[10] = Then(Spare(3), TPlan().Pins(1, 6).Misses(2));
    TScriptedGame G(Plans);
    G.PlayAll();
    EXPECT_EQ(G.F(9).Score, 16);
    EXPECT_EQ(G.F(10).Score, 16);
    EXPECT_EQ(G.Game->TotalScore(), 32);
}

TEST(Scoring, QuittingKeepsTheTotalOfTheLastFrameEnd) {
    auto Plans = Frames1To9(Open(1, 2));
    Plans[5] = Strike();
    Plans[6] = Strike();
    TScriptedGame G(Plans);
    for (int F = 1; F <= 6; ++F)
        G.Play(F);
    G.Play(7, 0, 3);
    G.Game->SetGameOver(true);
    EXPECT_EQ(G.Game->CurrentFrame(), 7);
    EXPECT_EQ(G.Game->TotalScore(), 38); // 4 x 2, then 20 and 10 without their pending bonuses
    EXPECT_EQ(G.F(7).Score, 0);
}

// ---- Whole games through the public operations -------------------------------------------

namespace {

struct TGameLog {
    std::vector<TFrame> Frames;
    int32_t Total = 0;
    int32_t BonusBallsLeft = 0;
    int Moves = 0;
};

// Plays one game with random legal moves; checks the engine's invariants after each move.
TGameLog PlayRandomGame(int32_t ADaySeed, uint32_t AChoices) {
    std::mt19937 Rng(AChoices);
    TPinmarch Game(TDeck{ADaySeed});
    TGameLog Log;
    int32_t LastTotal = 0;
    while (!Game.GameOver() && Log.Moves < 1000) {
        std::vector<int> Legal;
        for (int P = 1; P <= 10; ++P)
            if (Game.CanPlaceCard(P)) Legal.push_back(P);
        const bool Miss = Legal.empty() || Rng() % 5 == 0;
        const bool Ok = Miss ? Game.PlaceMiss() : Game.PlaceCard(Legal[Rng() % Legal.size()]);
        if (!Ok) {
            // Only a miss can be refused here, and then a placement must exist.
            EXPECT_TRUE(Miss);
            if (Legal.empty()) {
                ADD_FAILURE() << "no move possible, seed " << ADaySeed;
                break;
            }
            EXPECT_TRUE(Game.PlaceCard(Legal.front()));
        }
        ++Log.Moves;
        const TFrame F = Game.GetFrame(Game.CurrentFrame());
        int Filled = 0, LastRank = 0;
        for (int P = 1; P <= 10; ++P) {
            if (!F.Pins[P].Filled) continue;
            ++Filled;
            EXPECT_GT(F.Pins[P].Card.Rank, LastRank) << "ranks must rise, seed " << ADaySeed;
            LastRank = F.Pins[P].Card.Rank;
        }
        EXPECT_EQ(Filled, F.PinsDown);
        EXPECT_GE(Game.TotalScore(), LastTotal); // scores only grow
        LastTotal = Game.TotalScore();
    }
    EXPECT_TRUE(Game.GameOver()) << "seed " << ADaySeed;
    for (int I = 1; I <= 10; ++I)
        Log.Frames.push_back(Game.GetFrame(I));
    Log.Total = Game.TotalScore();
    Log.BonusBallsLeft = Game.Frame10BonusBalls();
    return Log;
}

} // namespace

TEST(WholeGames, RandomPlayAlwaysFinishesWithAConsistentScore) {
    for (int32_t Seed : {0, 1, -1, 296145049, INT32_MAX, INT32_MIN, 12345, 987654321}) {
        for (uint32_t Choices = 1; Choices <= 25; ++Choices) {
            const TGameLog Log = PlayRandomGame(Seed, Choices);
            ASSERT_FALSE(::testing::Test::HasFailure()) << "seed " << Seed;
            int32_t Sum = 0;
            for (const TFrame& F : Log.Frames) {
                Sum += F.Score;
                EXPECT_GE(F.Score, 0);
                EXPECT_LE(F.Score, 30);
            }
            EXPECT_EQ(Sum, Log.Total);
            EXPECT_GE(Log.Total, 0);
            EXPECT_LE(Log.Total, 300);
            const TFrame& Tenth = Log.Frames[9];
            ASSERT_NE(Tenth.FrameResult, frIncomplete);
            if (Tenth.FrameResult == frOpen) {
                EXPECT_EQ(Tenth.Score, Tenth.PinsDown);
            }
            if (Log.BonusBallsLeft == 0) {
                // A finished tenth frame shows the game's total.
                EXPECT_EQ(Tenth.RunningTotal, Log.Total);
            } else {
                // The deck ran out inside a bonus ball: frame 10 stays unscored.
                EXPECT_EQ(Tenth.Score, 0);
                EXPECT_EQ(Tenth.RunningTotal, 0);
            }
        }
    }
}

TEST(WholeGames, SameSeedAndSameMovesGiveTheSameGame) {
    const TGameLog A = PlayRandomGame(296145049, 7);
    const TGameLog B = PlayRandomGame(296145049, 7);
    EXPECT_EQ(A.Frames, B.Frames);
    EXPECT_EQ(A.Total, B.Total);
    const TGameLog C = PlayRandomGame(296145149, 7);
    EXPECT_NE(A.Frames, C.Frames);
}
