// Cards, the shared generator, the shuffled deck, and the day seed with its "kegora.cfg".
#include "game/cardgame.h"

#include "common/seams.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace game;

namespace {

// Outputs after seeding: raw ones, or of RandomBelow(ARange) for a positive ARange.
std::vector<int64_t> Draws(int32_t ASeed, int ACount, int32_t ARange = 0) {
    SetRandomSeed(ASeed);
    std::vector<int64_t> out(ACount);
    for (int64_t& x : out)
        x = ARange > 0 ? RandomBelow(ARange) : NextRandom32();
    return out;
}

// The deck in dealing order as rank and suit letters: "4C7CAD...".
std::string Deal(TDeck ADeck) {
    std::string out;
    for (TCard c; ADeck.HasCards();) // the display character, then the suit
        c = ADeck.DrawCard(), out += std::string(1, c.DisplayChar) + "CDHS"[c.Suit];
    return out;
}

long Entries(const std::string& ADir) {
    return std::distance(std::filesystem::directory_iterator(ADir), {});
}

} // namespace

TEST(Generator, CheckValuesAndSeeding) {
    using V = std::vector<int64_t>;
    EXPECT_EQ(Draws(12345, 3), (V{0x89F4BEFD, 0x94E95A78, 0x7A8293BC}));
    EXPECT_EQ(Draws(12345, 3, 52), (V{28, 30, 24}));
    // A negative seed starts from its unsigned pattern, 2^32 + seed.
    EXPECT_EQ(Draws(-1, 3), (V{0x13BDBE29, 0x894D4F2D, 0xA2D85227}));
    // 2^30 + 1 rejects about a quarter of the draws (two of these).
    EXPECT_EQ(Draws(1, 8, (1 << 30) + 1), (V{423776366, 355778752, 158645448, 267056938, 179189801,
                                             1046626330, 714615019, 672418724}));
    // Every assignment starts afresh, also of the complement a draw leaves as public seed.
    SetRandomSeed(12345);
    NextRandom32();
    EXPECT_EQ(RandomSeed(), ~12345);
    SetRandomSeed(~12345);
    const int64_t complement = NextRandom32();
    EXPECT_EQ(complement, Draws(~12345, 1)[0]);
    // A range of 0 or less gives 0 and still uses up an output.
    SetRandomSeed(99);
    const int32_t zeros = RandomBelow(0) + RandomBelow(-5);
    const int64_t third = NextRandom32();
    EXPECT_EQ(std::make_pair(zeros, third), std::make_pair(0, Draws(99, 3)[2]));
}

TEST(Deck, ShuffledOrdersAndExhaustion) {
    SetRandomSeed(3); // whatever used the generator before
    NextRandom32();
    EXPECT_EQ(Deal(TDeck(12345)), "4C7CAD9D5C7D6H3STDAS7SJCKHAH6D5H8H5D2C9C8CTS4S5S2SKC6SQHTCKDTH"
                                  "9HJSAC3C7HQC4D8DKS9S2HQDQSJH3D6C2D8SJD4H3H");
    EXPECT_EQ(Deal(TDeck(-5)), "7S5S8D3H3S6SQDKSADQSQCTS2C5HKHTDJS8CAC9D6C9S8HAS6H2H5CTC7C4HJC"
                               "5D9H2DTHKD4D7H9CJD8SJH4S2SAH4CQH3C3D7DKC6D");
    EXPECT_EQ(Deal(TDeck(296145149)), "KHQH5SAS7CQS9D6H9S4H7D3HQC8S2D7S3SKDAH3DQD2CKC8DJH2S5CTSJC"
                                      "JD8CAD4CTD6C5DTH4D7H4S3CKS5H6STC2H6DJS8H9H9CAC");
    for (int r = 0; r <= 14; ++r)
        EXPECT_EQ(GetCardDisplayChar(static_cast<uint8_t>(r)), "?A23456789TJQK?"[r]);
    TDeck deck(8);
    for (int i = 0; i < 52; ++i)
        deck.DrawCard();
    EXPECT_THROW(deck.DrawCard(), EDeckExhausted);
    EXPECT_EQ(Deal(TDeck::FromCards(-7, {{sHearts, 2, '2'}, {sClubs, 13, 'K'}})), "2HKC");
    EXPECT_THROW(TDeck::FromCards(1, std::vector<TCard>(53)), std::invalid_argument);
}

TEST(DaySeed, DaysSince1900Times100000PlusTheIdFromItsFileOr12345) {
    const common::TDateTime day = common::EncodeDate(2025, 9, 13);
    EXPECT_EQ(DailySeedFor(day, 12345), 296145049);
    EXPECT_EQ(DailySeedFor(day + 0.9999, 12345), 296145049);
    EXPECT_EQ(DailySeedFor(day + 1, 12345), 296145049 + 100000);
    EXPECT_EQ(DailySeedFor(common::EncodeDate(1900, 1, 1) + 0.75, 54321), 54321);
    EXPECT_EQ(DailySeedFor(common::EncodeDate(1900, 1, 2), 54321), 154321);
    EXPECT_EQ(DailySeedFor(day, -7), 296132697);
    EXPECT_EQ(DailySeedFor(day, INT32_MAX), static_cast<int32_t>(2443616351u));
    common::Seams().Now = common::EncodeDateTime(2025, 9, 13, 8, 15, 42);
    const auto fresh = Draws(static_cast<int32_t>(common::UnixTimeNow()), 1, 89999)[0] + 10000;
    // The file's content (nullptr: no file) and the id it gives (0: a new one, stored).
    const std::pair<const char*, int32_t> cases[] = {
        {nullptr, 0},         {"0\n", 0},           {"", 0},
        {"hello\n", 0},       {"12ab\n", 0},        {"-\n", 0},
        {"-7\n", -7},         {"99999999999\n", 0}, {"12345\n", 12345},
        {"5\n", 5},           {"+31", 31},          {"77\r\n", 77},
        {"123456\n", 123456}, {"  42 junk\n", 42},  {"-2147483648\n", INT32_MIN}};
    for (const auto& [content, known] : cases) {
        support::ScratchDir dir(true);
        if (content) dir.Write(BBS_ID_FILE, content);
        SetRandomSeed(1); // a new id must seed from the clock itself
        const auto id = static_cast<int32_t>(known ? known : fresh);
        SCOPED_TRACE(content ? content : "no file");
        EXPECT_EQ(GetDailySeed(day + 0.3), DailySeedFor(day, id));
        EXPECT_EQ(GetDailySeed(day + 1), DailySeedFor(day + 1, id));
        EXPECT_EQ(dir.Read(BBS_ID_FILE), known ? content : std::to_string(fresh) + "\n");
        EXPECT_EQ(Entries(dir.Path()), 1);
    }
    common::ResetSeams();
    // An id file that can be neither read nor replaced: id 12345, and nothing left behind (a
    // read-only directory: Reliability.FullDiskAndReadOnlyDirectory).
    support::ScratchDir dir(true);
    std::filesystem::create_directory(BBS_ID_FILE);
    EXPECT_EQ(GetDailySeed(day), 296145049);
    EXPECT_EQ(GetDailySeed(day + 1), 296145049 + 100000);
    EXPECT_EQ(Entries(dir.Path()), 1);
    EXPECT_TRUE(std::filesystem::is_empty(BBS_ID_FILE));
}
