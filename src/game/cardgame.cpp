#include "game/cardgame.h"

#include "common/fileio.h"

#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace game {

// ---- Cards and decks ---------------------------------------------------------------------

char GetCardDisplayChar(uint8_t ARank) {
    static constexpr char kChars[] = "A23456789TJQK";
    if (ARank >= 1 && ARank <= 13) return kChars[ARank - 1];
    return '?';
}

EDeckExhausted::EDeckExhausted() : std::runtime_error("No more cards in deck") {}

TDeck::TDeck(int32_t ASeed) : FSeed(ASeed) {
    InitializeDeck();
    ShuffleDeck();
    FCurrentCard = 0;
}

TDeck TDeck::FromCards(int32_t ASeed, const std::vector<TCard>& ACards) {
    if (ACards.size() > static_cast<size_t>(CardCount))
        throw std::invalid_argument("a deck holds at most 52 cards");
    TDeck Deck;
    Deck.FSeed = ASeed;
    // The cards sit at the top of the array so that "index 52 = exhausted" still holds.
    Deck.FCurrentCard = CardCount - static_cast<int32_t>(ACards.size());
    for (size_t I = 0; I < ACards.size(); ++I)
        Deck.FCards[Deck.FCurrentCard + I] = ACards[I];
    return Deck;
}

void TDeck::InitializeDeck() {
    for (int S = 0; S < 4; ++S) {
        for (int R = 1; R <= 13; ++R) {
            TCard& Card = FCards[S * 13 + R - 1];
            Card.Suit = static_cast<TSuit>(S);
            Card.Rank = static_cast<uint8_t>(R);
            Card.DisplayChar = GetCardDisplayChar(Card.Rank);
        }
    }
}

void TDeck::ShuffleDeck() {
    SetRandomSeed(FSeed);
    for (int I = CardCount - 1; I >= 1; --I) {
        const int J = RandomBelow(I + 1);
        std::swap(FCards[I], FCards[J]);
    }
}

TCard TDeck::DrawCard() {
    if (!HasCards()) throw EDeckExhausted();
    return FCards[FCurrentCard++];
}

// ---- The generator -----------------------------------------------------------------------

namespace {

struct TGenerator {
    uint32_t S[4] = {0, 0, 0, 0};
    int32_t PublicSeed = 0;
    int32_t AppliedSeed = 0;
    // Set by every seed assignment (and at start), so the next draw initialises the
    // state even when the new seed happens to equal the complement stored by the last
    // draw, and so the state is never the all-zero one xoshiro cannot leave.
    bool SeedPending = true;
};

TGenerator gGen;

uint64_t SplitMix64Next(uint64_t& AState) {
    uint64_t Z = (AState += 0x9E3779B97F4A7C15ULL);
    Z = (Z ^ (Z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    Z = (Z ^ (Z >> 27)) * 0x94D049BB133111EBULL;
    return Z ^ (Z >> 31);
}

constexpr uint32_t Rotl(uint32_t AX, int AK) {
    return (AX << AK) | (AX >> (32 - AK));
}

void InitialiseState(int32_t ASeed) {
    // The seed's 32-bit pattern, zero-extended: a negative seed counts as 2^32 + seed.
    uint64_t State = static_cast<uint32_t>(ASeed);
    const uint64_t Z1 = SplitMix64Next(State);
    const uint64_t Z2 = SplitMix64Next(State);
    gGen.S[0] = static_cast<uint32_t>(Z1);
    gGen.S[1] = static_cast<uint32_t>(Z1 >> 32);
    gGen.S[2] = static_cast<uint32_t>(Z2);
    gGen.S[3] = static_cast<uint32_t>(Z2 >> 32);
}

} // namespace

void SetRandomSeed(int32_t ASeed) {
    gGen.PublicSeed = ASeed;
    gGen.SeedPending = true;
}

int32_t RandomSeed() {
    return gGen.PublicSeed;
}

uint32_t NextRandom32() {
    if (gGen.SeedPending || gGen.PublicSeed != gGen.AppliedSeed) {
        InitialiseState(gGen.PublicSeed);
        gGen.PublicSeed = ~gGen.PublicSeed;
        gGen.AppliedSeed = gGen.PublicSeed;
        gGen.SeedPending = false;
    }
    uint32_t* S = gGen.S;
    const uint32_t Result = Rotl(S[1] * 5, 7) * 9;
    const uint32_t T = S[1] << 9;
    S[2] ^= S[0];
    S[3] ^= S[1];
    S[1] ^= S[2];
    S[0] ^= S[3];
    S[2] ^= T;
    S[3] = Rotl(S[3], 11);
    return Result;
}

int32_t RandomBelow(int32_t ARange) {
    if (ARange <= 0) {
        NextRandom32();
        return 0;
    }
    const uint32_t N = static_cast<uint32_t>(ARange);
    uint64_t M = static_cast<uint64_t>(NextRandom32()) * N;
    if (static_cast<uint32_t>(M) < N) {
        const uint32_t T = static_cast<uint32_t>(-N) % N; // (2^32 - n) mod n
        while (static_cast<uint32_t>(M) < T)
            M = static_cast<uint64_t>(NextRandom32()) * N;
    }
    return static_cast<int32_t>(M >> 32);
}

void RandomizeFromClock() {
    SetRandomSeed(static_cast<int32_t>(static_cast<uint32_t>(common::UnixTimeNow())));
}

// ---- The day seed ------------------------------------------------------------------------

namespace {

// Reads the BBS id: a signed decimal number after any blanks (line ends included), ending
// at a blank or the end of the file. Anything else - no file, a read error, no number,
// a number with trailing garbage or out of 32-bit range - reads as 0.
int32_t ReadBbsId() {
    const int Fd = ::open(BBS_ID_FILE, O_RDONLY | O_CLOEXEC);
    if (Fd < 0) return 0;
    enum { stSkip, stSign, stDigits, stDone, stBad } State = stSkip;
    bool Negative = false;
    int64_t Value = 0;
    char Buf[512];
    while (State != stDone && State != stBad) {
        const ssize_t Got = ::read(Fd, Buf, sizeof Buf);
        if (Got < 0) {
            if (errno == EINTR) continue;
            State = stBad;
            break;
        }
        if (Got == 0) break; // end of file
        for (ssize_t I = 0; I < Got && State != stDone && State != stBad; ++I) {
            const unsigned char C = static_cast<unsigned char>(Buf[I]);
            const bool Blank = C <= ' ';
            switch (State) {
            case stSkip:
                if (Blank) break;
                if (C == '-' || C == '+') {
                    Negative = C == '-';
                    State = stSign;
                } else if (C >= '0' && C <= '9') {
                    Value = C - '0';
                    State = stDigits;
                } else {
                    State = stBad;
                }
                break;
            case stSign:
                if (C >= '0' && C <= '9') {
                    Value = C - '0';
                    State = stDigits;
                } else {
                    State = stBad;
                }
                break;
            case stDigits:
                if (Blank) {
                    State = stDone;
                } else if (C >= '0' && C <= '9') {
                    Value = Value * 10 + (C - '0');
                    if (Value > 2147483648LL) State = stBad;
                } else {
                    State = stBad;
                }
                break;
            default:
                break;
            }
        }
    }
    ::close(Fd);
    if (State != stDigits && State != stDone) return 0;
    if (Negative) Value = -Value;
    if (Value < INT32_MIN || Value > INT32_MAX) return 0;
    return static_cast<int32_t>(Value);
}

} // namespace

int32_t DailySeedFor(common::TDateTime ADate, int32_t ABbsId) {
    // Whole days since 1900-01-01 00:00 (day 0), truncated toward zero. Values far outside
    // the calendar are clamped so the conversion stays defined.
    double Days = std::trunc(ADate - common::EncodeDate(1900, 1, 1));
    if (!(Days >= -1e12)) Days = -1e12; // also catches NaN
    if (Days > 1e12) Days = 1e12;
    const uint64_t Seed = static_cast<uint64_t>(static_cast<int64_t>(Days)) * 100000u +
                          static_cast<uint64_t>(static_cast<int64_t>(ABbsId));
    return static_cast<int32_t>(static_cast<uint32_t>(Seed));
}

int32_t GetDailySeed(common::TDateTime ADate) {
    int32_t BbsId = ReadBbsId();
    if (BbsId != 0) return DailySeedFor(ADate, BbsId);
    // A new id as one decimal line. The first node to create the file wins and every other
    // node reads its id; a damaged file is replaced. Any failure deals the fallback id's cards.
    RandomizeFromClock();
    BbsId = RandomBelow(89999) + 10000;
    const std::string Text = std::to_string(BbsId) + "\n";
    int Err = common::PublishOnce(BBS_ID_FILE, Text);
    if (Err == EEXIST) {
        if (const int32_t Theirs = ReadBbsId(); Theirs != 0) return DailySeedFor(ADate, Theirs);
        Err = common::AtomicReplace(BBS_ID_FILE, Text);
    }
    return DailySeedFor(ADate, Err == 0 ? BbsId : FALLBACK_BBS_ID);
}

} // namespace game
