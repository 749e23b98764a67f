// The frame engine: placement, covers, misses, frame ends, the tenth frame's bonus balls,
// frame decks and deck exhaustion.
#include "engine_harness.h"

using namespace enginetest;

namespace {

// A game whose frame 1 deals exactly ACards.
TScriptedGame Frame1(std::vector<TCard> ACards) {
    TPlan P;
    P.Cards = std::move(ACards);
    return TScriptedGame({{1, P}});
}

std::vector<int> PlaceablePins(const TPinmarch& AGame) {
    std::vector<int> Out;
    for (int P = 1; P <= 10; ++P)
        if (AGame.CanPlaceCard(P)) Out.push_back(P);
    return Out;
}

const std::vector<int> kAllPins{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};

} // namespace

// ---- Placement rule ------------------------------------------------------------------------

TEST(Placement, EmptyRackTakesAnyCardAnywhere) {
    for (int Rank : {1, 7, 13}) {
        auto G = Frame1({C(Rank)});
        EXPECT_EQ(PlaceablePins(*G.Game), kAllPins) << "rank " << Rank;
        EXPECT_FALSE(G.Game->CanPlaceCard(0));
        EXPECT_FALSE(G.Game->CanPlaceCard(11));
        EXPECT_FALSE(G.Game->CanPlaceCard(-3));
        EXPECT_FALSE(G.Game->PlaceCard(0));
        EXPECT_FALSE(G.Game->PlaceCard(11));
    }
}

TEST(Placement, RanksMustRiseWithThePinNumber) {
    auto G = Frame1({C(5), C(7), C(2), C(13), C(1)});
    ASSERT_TRUE(G.Game->PlaceCard(3));
    EXPECT_EQ(PlaceablePins(*G.Game), (std::vector<int>{4, 5, 6, 7, 8, 9, 10})); // the 7
    ASSERT_TRUE(G.Game->PlaceMiss());
    EXPECT_EQ(PlaceablePins(*G.Game), (std::vector<int>{1, 2})); // the 2
    ASSERT_TRUE(G.Game->PlaceMiss());
    EXPECT_EQ(PlaceablePins(*G.Game), (std::vector<int>{4, 5, 6, 7, 8, 9, 10})); // King
    ASSERT_TRUE(G.Game->PlaceCard(10));
    EXPECT_EQ(PlaceablePins(*G.Game), (std::vector<int>{1, 2})); // Ace
}

TEST(Placement, AGapThatCannotHoldTheRankForcesAMiss) {
    auto G = Frame1({C(5), C(7), C(6), C(3)});
    ASSERT_TRUE(G.Game->PlaceCard(3));
    ASSERT_TRUE(G.Game->PlaceCard(4));
    EXPECT_TRUE(PlaceablePins(*G.Game).empty());
    const TFrame Before = G.F(1);
    for (int P = 0; P <= 11; ++P)
        EXPECT_FALSE(G.Game->PlaceCard(P));
    EXPECT_EQ(G.F(1), Before);
    EXPECT_EQ(G.Game->CurrentCard(), C(6));
    ASSERT_TRUE(G.Game->PlaceMiss());
    EXPECT_EQ(G.F(1).Misses[1], C(6));
    EXPECT_EQ(G.Game->CurrentCard(), C(3));
}

TEST(Placement, ASameRankCardOnlyCoversItsTwin) {
    auto G = Frame1({C(7, sClubs), C(7, sHearts), C(7, sSpades), C(2)});
    ASSERT_TRUE(G.Game->PlaceCard(6));
    EXPECT_EQ(PlaceablePins(*G.Game), std::vector<int>{6});
    EXPECT_FALSE(G.Game->PlaceCard(5));
    EXPECT_FALSE(G.Game->PlaceCard(7));
    ASSERT_TRUE(G.Game->PlaceCard(6));
    TFrame F = G.F(1);
    EXPECT_EQ(F.Pins[6].Card, C(7, sHearts));
    EXPECT_EQ(F.Pins[6].CoveredCard, C(7, sClubs));
    EXPECT_TRUE(F.Pins[6].HasCovered);
    EXPECT_TRUE(F.Pins[6].Filled);
    EXPECT_EQ(F.PinsDown, 1);
    // A second cover hides the card that lay on top.
    ASSERT_TRUE(G.Game->PlaceCard(6));
    F = G.F(1);
    EXPECT_EQ(F.Pins[6].Card, C(7, sSpades));
    EXPECT_EQ(F.Pins[6].CoveredCard, C(7, sHearts));
    EXPECT_EQ(F.PinsDown, 1);
    // A different rank never lands on a filled pin.
    EXPECT_FALSE(G.Game->CanPlaceCard(6));
}

TEST(Placement, PlacedCardsAreRecordedAndTheNextCardDealt) {
    auto G = Frame1({C(4, sHearts), C(9, sDiamonds), C(1)});
    ASSERT_TRUE(G.Game->PlaceCard(2));
    ASSERT_TRUE(G.Game->PlaceCard(8));
    const TFrame F = G.F(1);
    EXPECT_EQ(F.Pins[2].Card, C(4, sHearts));
    EXPECT_EQ(F.Pins[8].Card, C(9, sDiamonds));
    EXPECT_FALSE(F.Pins[2].HasCovered);
    EXPECT_EQ(F.Pins[2].CoveredCard, TCard{});
    EXPECT_EQ(F.PinsDown, 2);
    EXPECT_EQ(F.Pins[0], TPinPosition{});
    EXPECT_EQ(G.Game->CurrentCard(), C(1));
    EXPECT_FALSE(G.Game->FrameJustChanged());
}

// ---- Misses and the end of a frame ---------------------------------------------------------

TEST(Misses, SecondMissFixesBall1EvenAtZero) {
    auto G = Frame1({C(13), C(13), C(1), C(2), C(13), C(3)});
    ASSERT_TRUE(G.Game->PlaceMiss());
    EXPECT_EQ(G.F(1).Ball1PinsDown, 0);
    ASSERT_TRUE(G.Game->PlaceMiss());
    EXPECT_EQ(G.F(1).Ball1PinsDown, 0);
    ASSERT_TRUE(G.Game->PlaceCard(1));
    ASSERT_TRUE(G.Game->PlaceCard(2));
    ASSERT_TRUE(G.Game->PlaceMiss()); // third miss: no change
    EXPECT_EQ(G.F(1).Ball1PinsDown, 0);
    EXPECT_EQ(G.F(1).MissesFilled, (std::array<bool, 5>{false, true, true, true, false}));
}

TEST(Misses, LaterMissesDoNotMoveBall1) {
    auto G = Frame1({C(1), C(13), C(13), C(2), C(13), C(3), C(13)});
    ASSERT_TRUE(G.Game->PlaceCard(1));
    ASSERT_TRUE(G.Game->PlaceMiss());
    EXPECT_EQ(G.F(1).Ball1PinsDown, 0); // one miss: ball 1 still going
    ASSERT_TRUE(G.Game->PlaceMiss());
    EXPECT_EQ(G.F(1).Ball1PinsDown, 1);
    ASSERT_TRUE(G.Game->PlaceCard(2));
    ASSERT_TRUE(G.Game->PlaceMiss());
    ASSERT_TRUE(G.Game->PlaceCard(3));
    EXPECT_EQ(G.F(1).Ball1PinsDown, 1);
    ASSERT_TRUE(G.Game->PlaceMiss()); // fourth: the frame ends open
    EXPECT_EQ(G.Game->CurrentFrame(), 2);
    EXPECT_EQ(G.F(1).Ball1PinsDown, 1);
    EXPECT_EQ(G.F(1).PinsDown, 3);
    EXPECT_EQ(G.F(1).FrameResult, frOpen);
}

TEST(Misses, MissCardsFillTheLowestSlots) {
    auto G = Frame1({C(9, sHearts), C(3), C(10, sDiamonds)});
    ASSERT_TRUE(G.Game->PlaceMiss());
    ASSERT_TRUE(G.Game->PlaceCard(5));
    ASSERT_TRUE(G.Game->PlaceMiss());
    const TFrame F = G.F(1);
    EXPECT_EQ(F.Misses[1], C(9, sHearts));
    EXPECT_EQ(F.Misses[2], C(10, sDiamonds));
    EXPECT_EQ(F.Misses[3], TCard{});
    EXPECT_EQ(F.Ball1PinsDown, 1);
}

TEST(FrameEnd, FourthMissEndsTheFrameWithFewPins) {
    TScriptedGame G({{1, Open(0, 0)}, {2, Open(3, 4)}});
    G.Play(1);
    EXPECT_EQ(G.Game->CurrentFrame(), 2);
    EXPECT_TRUE(G.Game->FrameJustChanged());
    EXPECT_EQ(G.F(1).FrameResult, frOpen);
    EXPECT_EQ(G.F(1).PinsDown, 0);
    // The new frame starts empty, dealt from its own deck.
    const TFrame F2 = G.F(2);
    EXPECT_EQ(F2.PinsDown, 0);
    EXPECT_EQ(F2.FrameResult, frIncomplete);
    for (int P = 1; P <= 10; ++P)
        EXPECT_FALSE(F2.Pins[P].Filled);
    for (int K = 1; K <= 4; ++K)
        EXPECT_FALSE(F2.MissesFilled[K]);
    EXPECT_EQ(G.Game->CurrentCard(), C(1, sDiamonds)); // first card of frame 2's plan
}

TEST(FrameEnd, TenthPinEndsTheFrameWhateverTheMisses) {
    TScriptedGame G({{1, TPlan().Misses(1).Pins(1, 4).Misses(2).Pins(5, 10)}, {2, Strike()}});
    G.Play(1);
    EXPECT_EQ(G.Game->CurrentFrame(), 2);
    EXPECT_EQ(G.F(1).PinsDown, 10);
    EXPECT_EQ(G.F(1).FrameResult, frSpare);
    EXPECT_EQ(G.F(1).Ball1PinsDown, 4);
    EXPECT_TRUE(G.F(1).MissesFilled[3]);
    EXPECT_FALSE(G.F(1).MissesFilled[4]);
    G.Play(2);
    EXPECT_EQ(G.Game->CurrentFrame(), 3);
    EXPECT_EQ(G.F(2).FrameResult, frStrike);
}

TEST(FrameEnd, FrameJustChangedIsReadableAndClearable) {
    TScriptedGame G({{1, Strike()}, {2, Strike()}});
    EXPECT_FALSE(G.Game->FrameJustChanged());
    G.Play(1, 0, 9);
    EXPECT_FALSE(G.Game->FrameJustChanged());
    G.Play(1, 9);
    EXPECT_TRUE(G.Game->FrameJustChanged());
    G.Game->SetFrameJustChanged(false);
    EXPECT_FALSE(G.Game->FrameJustChanged());
    G.Play(2, 0, 3);
    EXPECT_FALSE(G.Game->FrameJustChanged());
}

// ---- Frame decks ---------------------------------------------------------------------------

TEST(FrameDecks, EachFrameGetsDaySeedPlus100TimesItsNumber) {
    TScriptedGame G(Frames1To9(Strike()), 5000);
    G.PlayAll();
    ASSERT_EQ(G.Game->CurrentFrame(), 10);
    EXPECT_EQ(G.Seeds(),
              (std::vector<int32_t>{5100, 5200, 5300, 5400, 5500, 5600, 5700, 5800, 5900, 6000}));
    EXPECT_EQ(G.Game->BaseSeed(), 5000);
}

TEST(FrameDecks, FrameSeedsWrapIn32Bits) {
    const int32_t Base = INT32_MAX - 250;
    TScriptedGame G({{1, Open(0, 0)}, {2, Open(0, 0)}, {3, Open(0, 0)}}, Base);
    G.PlayAll();
    ASSERT_EQ(G.Seeds().size(), 4u);
    EXPECT_EQ(G.Seeds()[0], INT32_MAX - 150);
    EXPECT_EQ(G.Seeds()[1], INT32_MAX - 50);
    EXPECT_EQ(G.Seeds()[2], INT32_MIN + 49);
    EXPECT_EQ(G.Seeds()[3], INT32_MIN + 149);
}

TEST(FrameDecks, ShuffledDecksDealFromTheirFirstCardWhateverWasUsedBefore) {
    const int32_t Day = 296145049;
    TPinmarch Game(TDeck{Day});
    EXPECT_EQ(Game.BaseSeed(), Day);
    TDeck Frame1(Day + 100);
    EXPECT_EQ(Game.CurrentCard(), Frame1.DrawCard());
    // Frame 1: four misses.
    for (int I = 0; I < 4; ++I)
        ASSERT_TRUE(Game.PlaceMiss());
    ASSERT_EQ(Game.CurrentFrame(), 2);
    TDeck Frame2(Day + 200);
    EXPECT_EQ(Game.CurrentCard(), Frame2.DrawCard());
    // Frame 3 after a frame that used more cards.
    int Guard = 0;
    while (Game.CurrentFrame() == 2 && Guard++ < 60) {
        bool Placed = false;
        for (int P = 1; P <= 10 && !Placed; ++P)
            Placed = Game.PlaceCard(P);
        if (!Placed) {
            ASSERT_TRUE(Game.PlaceMiss());
        }
    }
    ASSERT_EQ(Game.CurrentFrame(), 3);
    TDeck Frame3(Day + 300);
    EXPECT_EQ(Game.CurrentCard(), Frame3.DrawCard());
}

TEST(FrameDecks, TheDayDeckIsOnlyReadForItsSeed) {
    TDeck Day(777);
    Day.DrawCard();
    Day.DrawCard();
    TPinmarch Game(Day);
    EXPECT_EQ(Day.CardsDealt(), 2);
    EXPECT_EQ(Game.CurrentCard(), TDeck(877).DrawCard());
}

// ---- Deck exhaustion, quitting, restarting -------------------------------------------------

TEST(Exhaustion, ARunningOutDeckEndsTheGameUnscored) {
    TScriptedGame G({{1, Open(2, 5)}, {2, TPlan().Pins(1, 3)}});
    G.PlayAll();
    EXPECT_TRUE(G.Game->GameOver());
    EXPECT_EQ(G.Game->CurrentFrame(), 2);
    EXPECT_EQ(G.F(2).PinsDown, 3);
    EXPECT_EQ(G.F(2).FrameResult, frIncomplete);
    EXPECT_EQ(G.F(2).Score, 0);
    EXPECT_EQ(G.Game->TotalScore(), 5);
    // Nothing more happens once the game is over.
    const TFrame Before = G.F(2);
    EXPECT_FALSE(G.Game->PlaceCard(4));
    EXPECT_FALSE(G.Game->PlaceMiss());
    EXPECT_EQ(G.F(2), Before);
}

TEST(Exhaustion, AnEmptyFrameDeckEndsTheGameAtTheFrameChange) {
    TScriptedGame G({{1, Strike()}, {2, TPlan()}});
    G.Play(1);
    EXPECT_TRUE(G.Game->GameOver());
    EXPECT_EQ(G.Game->CurrentFrame(), 2);
    EXPECT_EQ(G.F(1).Score, 10);
    EXPECT_EQ(G.Game->TotalScore(), 10);
}

TEST(Exhaustion, AnEmptyFirstDeckMeansGameOverAtOnce) {
    TScriptedGame G({{1, TPlan()}});
    EXPECT_TRUE(G.Game->GameOver());
    EXPECT_EQ(G.Game->CurrentFrame(), 1);
    EXPECT_FALSE(G.Game->PlaceMiss());
}

TEST(Quit, SetGameOverStopsTheGameAndKeepsTheScore) {
    TScriptedGame G({{1, Open(3, 6)}, {2, Strike()}});
    G.Play(1);
    G.Play(2, 0, 5);
    G.Game->SetGameOver(true);
    EXPECT_TRUE(G.Game->GameOver());
    EXPECT_EQ(G.Game->TotalScore(), 6);
    EXPECT_EQ(G.Game->CurrentFrame(), 2);
    EXPECT_FALSE(G.Game->PlaceCard(6));
    EXPECT_FALSE(G.Game->CanPlaceCard(6));
    EXPECT_EQ(G.F(2).PinsDown, 5);
}

TEST(Frames, GetFrameOutsideOneToTenIsAllZero) {
    TScriptedGame G({{1, Strike()}});
    G.Play(1);
    EXPECT_EQ(G.Game->GetFrame(0), TFrame{});
    EXPECT_EQ(G.Game->GetFrame(11), TFrame{});
    EXPECT_EQ(G.Game->GetFrame(-1), TFrame{});
    EXPECT_NE(G.Game->GetFrame(1), TFrame{});
}

TEST(Frames, StartNewGameDealsFrameOneAgain) {
    TPinmarch Game(TDeck{4242});
    const TCard First = Game.CurrentCard();
    for (int I = 0; I < 4; ++I)
        ASSERT_TRUE(Game.PlaceMiss());
    ASSERT_TRUE(Game.PlaceMiss());
    Game.SetGameOver(true);
    Game.StartNewGame();
    EXPECT_FALSE(Game.GameOver());
    EXPECT_EQ(Game.CurrentFrame(), 1);
    EXPECT_EQ(Game.CurrentCard(), First);
    EXPECT_EQ(Game.GetFrame(1), TFrame{});
    EXPECT_EQ(Game.GetFrame(2), TFrame{});
    EXPECT_EQ(Game.TotalScore(), 0);
}
