// Cards, the seeded 52-card deck, the one pseudo-random generator of the process and
// the seed of a day's game.
//
// Everything here is deterministic: a deck shuffled from a given seed has the same order
// on every run and machine, so every caller on one installation who plays a given date
// gets the same cards. The day seed combines the calendar date with the installation's
// BBS id, kept in "kegora.cfg" in the current directory.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "common/datetime.h"

namespace game {

// Stored as a 32-bit value in the data the game shares.
enum TSuit : int32_t { sClubs = 0, sDiamonds = 1, sHearts = 2, sSpades = 3 };

// A playing card. The all-zero card (clubs, rank 0, character 0) is the empty-card value
// the engine puts in empty pin and miss slots.
struct TCard {
    TSuit Suit = sClubs;
    uint8_t Rank = 0;     // 1 Ace .. 13 King
    char DisplayChar = 0; // GetCardDisplayChar(Rank) for every dealt card

    bool operator==(const TCard&) const = default;
};

// "A", "2".."9", "T", "J", "Q", "K" for ranks 1..13; '?' for any other value.
char GetCardDisplayChar(uint8_t ARank);

// Raised by TDeck::DrawCard on an exhausted deck; what() is "No more cards in deck".
class EDeckExhausted : public std::runtime_error {
  public:
    EDeckExhausted();
};

// 52 cards shuffled from a seed, dealt from index 0 up.
class TDeck {
  public:
    static constexpr int CardCount = 52;

    // Builds the unshuffled order (clubs, diamonds, hearts, spades, each Ace to King;
    // index = suit * 13 + rank - 1), shuffles it from ASeed and gets ready to deal.
    explicit TDeck(int32_t ASeed);

    // A deck that deals exactly ACards in the given order and then is exhausted; more
    // than 52 cards throw std::invalid_argument. Seed() reports ASeed. For replays and
    // tests that need chosen cards; the game itself always shuffles.
    static TDeck FromCards(int32_t ASeed, const std::vector<TCard>& ACards);

    // The next card. Throws EDeckExhausted when no card is left.
    TCard DrawCard();
    // True while cards are left to deal.
    bool HasCards() const { return FCurrentCard < CardCount; }
    // The seed the deck was shuffled with.
    int32_t Seed() const { return FSeed; }
    // Cards dealt so far (0..52).
    int32_t CardsDealt() const { return FCurrentCard; }

  private:
    TDeck() = default;
    void InitializeDeck();
    void ShuffleDeck();

    std::array<TCard, CardCount> FCards{};
    int32_t FCurrentCard = 0;
    int32_t FSeed = 0;
};

// ---- The shared pseudo-random generator -----------------------------------------------
// One xoshiro128** generator for the whole process, initialised by SplitMix64 from a
// 32-bit seed. Seeding is lazy: SetRandomSeed only records the seed, and the next draw
// re-initialises the state from it, every time a seed is assigned (the same value again
// included), so a seed always starts its own sequence afresh.

// Assigns the seed; the next draw starts that seed's sequence.
void SetRandomSeed(int32_t ASeed);
// The public seed as it stands: the value last assigned until the next draw applies it,
// then its bitwise complement.
int32_t RandomSeed();
// Next raw 32-bit output.
uint32_t NextRandom32();
// Uniform integer 0..ARange-1 (Lemire's multiply-and-reject). For ARange <= 0 the
// result is 0, and one output is still used up.
int32_t RandomBelow(int32_t ARange);
// Seeds from the clock: seconds since 1970-01-01 00:00 UTC, cut to 32 bits.
void RandomizeFromClock();

// ---- The day seed ----------------------------------------------------------------------

// File of the installation's BBS id in the current directory.
inline constexpr const char* BBS_ID_FILE = "kegora.cfg";
// BBS id used for a game when a new id cannot be stored.
inline constexpr int32_t FALLBACK_BBS_ID = 12345;

// Seed of the day's game for ADate: whole days since 1900-01-01 times 100000 plus the
// BBS id, cut to 32 bits. Reads "kegora.cfg" on every call. When the file is missing or
// does not hold a usable non-zero number, a new id in 10000..99998 is drawn (the
// generator is seeded from the clock first), stored and used at once; when it cannot be
// stored, 12345 is used for this call and nothing is left behind. An existing non-zero
// id is never rewritten, even outside 10000..99998 or negative. Never reports errors.
int32_t GetDailySeed(common::TDateTime ADate);

// The day-seed arithmetic alone, for a known BBS id.
int32_t DailySeedFor(common::TDateTime ADate, int32_t ABbsId);

} // namespace game
