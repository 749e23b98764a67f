#include "game/cardgame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <vector>

using namespace game;

namespace {

std::vector<uint32_t> Draws(int32_t ASeed, int ACount) {
    SetRandomSeed(ASeed);
    std::vector<uint32_t> Out;
    for (int I = 0; I < ACount; ++I)
        Out.push_back(NextRandom32());
    return Out;
}

std::vector<TCard> DealAll(TDeck& ADeck) {
    std::vector<TCard> Out;
    while (ADeck.HasCards())
        Out.push_back(ADeck.DrawCard());
    return Out;
}

TCard Card(TSuit ASuit, int ARank) {
    return TCard{ASuit, static_cast<uint8_t>(ARank),
                 GetCardDisplayChar(static_cast<uint8_t>(ARank))};
}

} // namespace

// ---- The generator -------------------------------------------------------------------------

TEST(Generator, CheckValuesAfterSeed12345) {
    EXPECT_EQ(Draws(12345, 3), (std::vector<uint32_t>{0x89F4BEFDu, 0x94E95A78u, 0x7A8293BCu}));
    SetRandomSeed(12345);
    EXPECT_EQ(RandomBelow(52), 28);
    EXPECT_EQ(RandomBelow(52), 30);
    EXPECT_EQ(RandomBelow(52), 24);
}

TEST(Generator, NegativeSeedStartsFromItsUnsignedPattern) {
    // Values from an independent model of SplitMix64 + xoshiro128** fed 2^32 + seed.
    EXPECT_EQ(Draws(-1, 3), (std::vector<uint32_t>{0x13BDBE29u, 0x894D4F2Du, 0xA2D85227u}));
    EXPECT_EQ(Draws(-12345, 3), (std::vector<uint32_t>{0x613CBFC7u, 0xBBEC3E44u, 0x31C9D5ECu}));
}

TEST(Generator, SameSeedAgainRestartsTheSequence) {
    const auto First = Draws(777, 5);
    SetRandomSeed(777);
    NextRandom32();
    NextRandom32();
    EXPECT_EQ(Draws(777, 5), First);
    // Without a new assignment the sequence just goes on.
    SetRandomSeed(777);
    for (int I = 0; I < 5; ++I)
        NextRandom32();
    EXPECT_NE(NextRandom32(), First[0]);
}

TEST(Generator, PublicSeedTurnsIntoItsComplementAtTheFirstDraw) {
    SetRandomSeed(12345);
    EXPECT_EQ(RandomSeed(), 12345);
    NextRandom32();
    EXPECT_EQ(RandomSeed(), ~12345);
    NextRandom32();
    EXPECT_EQ(RandomSeed(), ~12345);
}

TEST(Generator, AssigningTheStoredComplementStillRestarts) {
    // After a draw the public seed holds ~12345; assigning exactly that value must start
    // the sequence of ~12345, not carry on with 12345's.
    const auto Fresh = Draws(~12345, 3);
    SetRandomSeed(12345);
    NextRandom32();
    EXPECT_EQ(Draws(~12345, 3), Fresh);
}

TEST(Generator, RandomBelowEdgeRanges) {
    // Range 0 gives 0 and still uses up one output.
    const auto Plain = Draws(99, 2);
    SetRandomSeed(99);
    EXPECT_EQ(RandomBelow(0), 0);
    EXPECT_EQ(NextRandom32(), Plain[1]);
    // Negative ranges are treated like 0.
    SetRandomSeed(99);
    EXPECT_EQ(RandomBelow(-5), 0);
    EXPECT_EQ(NextRandom32(), Plain[1]);
    SetRandomSeed(5);
    for (int I = 0; I < 100; ++I)
        EXPECT_EQ(RandomBelow(1), 0);
}

TEST(Generator, RandomBelowRejectsTheBiasedZone) {
    // n = 2^30 + 1 rejects about a quarter of the draws; values from an independent model
    // of the multiply-and-reject method (two draws rejected along the way).
    SetRandomSeed(1);
    const std::vector<int32_t> Want{423776366, 355778752,  158645448, 267056938,
                                    179189801, 1046626330, 714615019, 672418724};
    std::vector<int32_t> Got;
    for (int I = 0; I < 8; ++I)
        Got.push_back(RandomBelow((1 << 30) + 1));
    EXPECT_EQ(Got, Want);
}

TEST(Generator, RandomBelowStaysInRangeAndCoversIt) {
    SetRandomSeed(4242);
    std::set<int32_t> Seen;
    for (int I = 0; I < 2000; ++I) {
        const int32_t V = RandomBelow(13);
        ASSERT_GE(V, 0);
        ASSERT_LT(V, 13);
        Seen.insert(V);
    }
    EXPECT_EQ(Seen.size(), 13u);
    for (int I = 0; I < 2000; ++I) {
        const int32_t V = RandomBelow(INT32_MAX);
        ASSERT_GE(V, 0);
        ASSERT_LT(V, INT32_MAX);
    }
}

TEST(Generator, RandomizeFromClockUsesUnixSecondsCutTo32Bits) {
    common::PinNow(common::EncodeDateTime(2025, 9, 13, 14, 30, 5));
    const int64_t Secs = common::UnixTimeNow();
    RandomizeFromClock();
    const uint32_t A = NextRandom32();
    EXPECT_EQ(A, Draws(static_cast<int32_t>(Secs), 1)[0]);

    // Past 2038 the seconds no longer fit in 31 bits; the low 32 bits are used.
    common::PinNow(common::EncodeDate(2040, 1, 1));
    ASSERT_EQ(common::UnixTimeNow(), 2208988800LL);
    RandomizeFromClock();
    EXPECT_EQ(RandomSeed(), static_cast<int32_t>(2208988800u));
    const uint32_t B = NextRandom32();
    EXPECT_EQ(B, Draws(static_cast<int32_t>(2208988800u), 1)[0]);
    common::UnpinNow();
}

// ---- Cards and decks -----------------------------------------------------------------------

TEST(Cards, DisplayCharacters) {
    const std::string Want = "A23456789TJQK";
    for (int R = 1; R <= 13; ++R)
        EXPECT_EQ(GetCardDisplayChar(static_cast<uint8_t>(R)), Want[R - 1]);
    EXPECT_EQ(GetCardDisplayChar(0), '?');
    EXPECT_EQ(GetCardDisplayChar(14), '?');
    EXPECT_EQ(GetCardDisplayChar(255), '?');
}

TEST(Cards, EmptyCardIsAllZero) {
    const TCard Empty;
    EXPECT_EQ(Empty.Suit, sClubs);
    EXPECT_EQ(Empty.Rank, 0);
    EXPECT_EQ(Empty.DisplayChar, 0);
    EXPECT_EQ(static_cast<int32_t>(sSpades), 3);
    EXPECT_EQ(static_cast<int32_t>(sDiamonds), 1);
}

TEST(Deck, ShuffledOrderMatchesTheModel) {
    // First cards of three decks from an independent model of the top-down Fisher-Yates
    // shuffle over the suit-by-suit, Ace-to-King order.
    TDeck A(12345);
    const std::vector<TCard> WantA{Card(sClubs, 4),    Card(sClubs, 7), Card(sDiamonds, 1),
                                   Card(sDiamonds, 9), Card(sClubs, 5), Card(sDiamonds, 7),
                                   Card(sHearts, 6),   Card(sSpades, 3)};
    for (const TCard& C : WantA)
        EXPECT_EQ(A.DrawCard(), C);

    TDeck B(296145149); // the worked example's day seed + 100: frame 1 of that day
    const std::vector<TCard> WantB{Card(sHearts, 13),  Card(sHearts, 12), Card(sSpades, 5),
                                   Card(sSpades, 1),   Card(sClubs, 7),   Card(sSpades, 12),
                                   Card(sDiamonds, 9), Card(sHearts, 6)};
    for (const TCard& C : WantB)
        EXPECT_EQ(B.DrawCard(), C);

    TDeck C(-5);
    const std::vector<TCard> WantC{Card(sSpades, 7),    Card(sSpades, 5), Card(sDiamonds, 8),
                                   Card(sHearts, 3),    Card(sSpades, 3), Card(sSpades, 6),
                                   Card(sDiamonds, 12), Card(sSpades, 13)};
    for (const TCard& X : WantC)
        EXPECT_EQ(C.DrawCard(), X);
}

TEST(Deck, IsAPermutationWithDisplayCharacters) {
    for (int32_t Seed : {0, 1, -1, 12345, INT32_MIN, INT32_MAX}) {
        TDeck D(Seed);
        EXPECT_EQ(D.Seed(), Seed);
        std::set<int> Seen;
        for (const TCard& C : DealAll(D)) {
            ASSERT_GE(C.Rank, 1);
            ASSERT_LE(C.Rank, 13);
            ASSERT_EQ(C.DisplayChar, GetCardDisplayChar(C.Rank));
            Seen.insert(static_cast<int>(C.Suit) * 13 + C.Rank - 1);
        }
        EXPECT_EQ(Seen.size(), 52u) << "seed " << Seed;
    }
}

TEST(Deck, SameSeedSameOrderWhateverRanBefore) {
    TDeck A(31337);
    SetRandomSeed(1);
    for (int I = 0; I < 17; ++I)
        NextRandom32();
    TDeck B(31337);
    TDeck Other(31338);
    const auto CardsA = DealAll(A);
    EXPECT_EQ(CardsA, DealAll(B));
    EXPECT_NE(CardsA, DealAll(Other));
}

TEST(Deck, ExhaustionAfter52Cards) {
    TDeck D(8);
    for (int I = 0; I < 52; ++I) {
        ASSERT_TRUE(D.HasCards());
        EXPECT_EQ(D.CardsDealt(), I);
        D.DrawCard();
    }
    EXPECT_FALSE(D.HasCards());
    EXPECT_EQ(D.CardsDealt(), 52);
    try {
        D.DrawCard();
        FAIL() << "drawing from an exhausted deck must fail";
    } catch (const EDeckExhausted& E) {
        EXPECT_STREQ(E.what(), "No more cards in deck");
    }
    EXPECT_FALSE(D.HasCards());
}

TEST(Deck, PreparedDeckDealsItsCardsThenRunsOut) {
    const std::vector<TCard> Cards{Card(sHearts, 2), Card(sSpades, 13), Card(sClubs, 1)};
    TDeck D = TDeck::FromCards(-77, Cards);
    EXPECT_EQ(D.Seed(), -77);
    EXPECT_EQ(DealAll(D), Cards);
    EXPECT_THROW(D.DrawCard(), EDeckExhausted);
    EXPECT_FALSE(TDeck::FromCards(1, {}).HasCards());
    EXPECT_THROW(TDeck::FromCards(1, std::vector<TCard>(53, Card(sClubs, 1))),
                 std::invalid_argument);
}
