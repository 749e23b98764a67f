// The game screen and the play loop's keys on prepared decks: score-sheet cells for the
// scoring examples and the tenth frame, the refused miss, partial updates, and the helpers
// the intro and the menu use.
#include "app/gamescreen.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

#include "app/cards.h"
#include "app/door_line.h"
#include "app/playday.h"
#include "app/screens.h"
#include "common/datetime.h"

namespace {

using apptest::DoorLine;
using game::TCard;
using game::TDeck;
using game::TPinmarch;

TCard C(int ARank, game::TSuit ASuit = game::sHearts) {
    TCard c;
    c.Suit = ASuit;
    c.Rank = static_cast<uint8_t>(ARank);
    c.DisplayChar = game::GetCardDisplayChar(c.Rank);
    return c;
}

// Ace to ten: laid on pins 1 to 10 in order they clear the rack.
std::vector<TCard> Ranks(int AFrom, int ATo) {
    std::vector<TCard> cards;
    for (int r = AFrom; r <= ATo; ++r) cards.push_back(C(r));
    return cards;
}

std::vector<TCard> Join(std::vector<TCard> A, const std::vector<TCard>& B) {
    A.insert(A.end(), B.begin(), B.end());
    return A;
}

// An engine whose frame f deals exactly AFrames[f] (four sevens for frames not given).
std::unique_ptr<TPinmarch> Prepared(std::map<int, std::vector<TCard>> AFrames) {
    const TDeck day = TDeck::FromCards(0, {});
    auto source = [AFrames](int32_t ASeed) {
        auto it = AFrames.find(ASeed / 100);
        return TDeck::FromCards(ASeed, it != AFrames.end() ? it->second : std::vector<TCard>(4, C(7)));
    };
    return std::make_unique<TPinmarch>(day, source);
}

void Lay(TPinmarch& AGame, int AFromPin, int ACount) {
    for (int i = 0; i < ACount; ++i) ASSERT_TRUE(AGame.PlaceCard(AFromPin + i));
}
void Miss(TPinmarch& AGame, int ACount) {
    for (int i = 0; i < ACount; ++i) ASSERT_TRUE(AGame.PlaceMiss());
}

// Installs an engine as the game in progress for the drawing routines.
struct Playing {
    explicit Playing(TPinmarch& AGame) {
        kegora::Game = &AGame;
        kegora::CursorPosition = 5;
    }
    ~Playing() { kegora::Game = nullptr; }
};

TEST(ScoreSheet, StrikeThenOpenFrameShowsMarksAndTotals) {
    // Frame 1 a strike; frame 2 has 4 pins at its second miss and 7 at the end.
    auto g = Prepared({{1, Ranks(1, 10)}, {2, Join(Ranks(1, 4), Join({C(13), C(13)}, Join(Ranks(5, 7), {C(13), C(13)})))}});
    Lay(*g, 1, 10);
    Lay(*g, 1, 4);
    Miss(*g, 2);
    Lay(*g, 5, 3);
    Miss(*g, 2);
    ASSERT_EQ(g->CurrentFrame(), 3);
    auto f1 = kegora::ScoreSheetCells(*g, 1);
    auto f2 = kegora::ScoreSheetCells(*g, 2);
    EXPECT_EQ(f1.Ball1 + f1.Ball2, "   X");
    EXPECT_EQ(f1.Total, " 17 ");
    EXPECT_EQ(f2.Ball1 + f2.Ball2, " 4 3");
    EXPECT_EQ(f2.Total, " 24 ");
    auto f3 = kegora::ScoreSheetCells(*g, 3);
    EXPECT_EQ(f3.Ball1 + f3.Ball2 + f3.Total, std::string(8, ' '));

    DoorLine line;
    Playing playing(*g);
    kegora::DrawBowlingScores();
    line.Take();
    auto& s = line.Screen;
    EXPECT_EQ(s.Text(20, 2, 12), "   X   4 3  ");
    EXPECT_EQ(s.Attr(20, 2), 0x70);
    EXPECT_EQ(s.Attr(22, 2), 0x0F);
    EXPECT_EQ(s.Attr(24, 2), 0x07);
    EXPECT_EQ(s.Text(20, 3, 10), " 17    24 ");
    EXPECT_EQ(s.Attr(21, 3), 0x70);
    EXPECT_EQ(s.Text(20, 1, 6), "  1   ");
    EXPECT_EQ(s.Attr(20, 1), 0x1E);
    EXPECT_EQ(s.Text(74, 1, 6), "  10  ");
    EXPECT_EQ(s.Text(2, 2, 16), "\xb3 Frame  Score \xb3");
    EXPECT_EQ(s.Attr(2, 2), 0x1F);
}

TEST(ScoreSheet, FrameInProgressShowsBallOneOnlyAfterTheSecondMiss) {
    auto g = Prepared({{1, Join(Ranks(1, 3), std::vector<TCard>(4, C(13)))}, {2, std::vector<TCard>(6, C(13))}});
    Lay(*g, 1, 3);
    EXPECT_EQ(kegora::ScoreSheetCells(*g, 1).Ball1, "  ");
    Miss(*g, 1);
    EXPECT_EQ(kegora::ScoreSheetCells(*g, 1).Ball1, "  ");
    Miss(*g, 1);
    EXPECT_EQ(kegora::ScoreSheetCells(*g, 1).Ball1, " 3");
    Miss(*g, 2);  // open frame of 3: " 3" and " -"
    EXPECT_EQ(kegora::ScoreSheetCells(*g, 1).Ball1 + kegora::ScoreSheetCells(*g, 1).Ball2, " 3 -");
    // Frame 2: two misses with no pins keep the cell blank; an open 0 has a blank total.
    Miss(*g, 2);
    EXPECT_EQ(kegora::ScoreSheetCells(*g, 2).Ball1, "  ");
    Miss(*g, 2);
    auto f2 = kegora::ScoreSheetCells(*g, 2);
    EXPECT_EQ(f2.Ball1 + f2.Ball2, " - -");
    EXPECT_EQ(f2.Total, " 3  ");  // running total 3 carried on, shown
    auto g2 = Prepared({});
    Miss(*g2, 4);
    EXPECT_EQ(kegora::ScoreSheetCells(*g2, 1).Total, "    ");  // total 0: blank
}

TEST(ScoreSheet, SpareWaitsForTheNextFramesFirstPins) {
    // Frame 1: 6 pins, two misses, then the rest: a spare. Frame 2 just begun: no total yet.
    auto g = Prepared({{1, Join(Ranks(1, 6), Join({C(13), C(13)}, Ranks(7, 10)))}, {2, Join(Ranks(1, 3), {C(13), C(13), C(13), C(13)})}});
    Lay(*g, 1, 6);
    Miss(*g, 2);
    Lay(*g, 7, 4);
    ASSERT_EQ(g->CurrentFrame(), 2);
    auto f1 = kegora::ScoreSheetCells(*g, 1);
    EXPECT_EQ(f1.Ball1 + f1.Ball2, " 6 /");
    EXPECT_EQ(f1.Total, "    ");
    Lay(*g, 1, 3);
    Miss(*g, 2);
    EXPECT_EQ(kegora::ScoreSheetCells(*g, 2).Ball1, " 3");
    EXPECT_EQ(kegora::ScoreSheetCells(*g, 1).Total, "    ");  // credited when frame 2 ends
    Miss(*g, 2);
    EXPECT_EQ(kegora::ScoreSheetCells(*g, 1).Total, " 13 ");
    EXPECT_EQ(kegora::ScoreSheetCells(*g, 2).Total, " 16 ");
}

// Nine frames of four misses, then frame 10 as given.
std::unique_ptr<TPinmarch> TenthFrame(const std::vector<TCard>& ACards) {
    auto g = Prepared({{10, ACards}});
    for (int f = 1; f <= 9; ++f)
        for (int i = 0; i < 4; ++i) g->PlaceMiss();
    EXPECT_EQ(g->CurrentFrame(), 10);
    return g;
}

TEST(ScoreSheet, TenthFrameStrikeWithBonusBalls) {
    auto g = TenthFrame(Join(Ranks(1, 10), Join(Ranks(1, 10), Join(Ranks(1, 3), std::vector<TCard>(4, C(13))))));
    Lay(*g, 1, 10);
    EXPECT_EQ(g->Frame10BonusBalls(), 2);
    auto cells = kegora::ScoreSheetCells(*g, 10);
    EXPECT_EQ(cells.Ball1 + cells.Ball2, " X   ");
    EXPECT_EQ(cells.Total, std::string(6, ' '));
    {
        DoorLine line;
        Playing playing(*g);
        kegora::DrawMisses();
        line.Take();
        EXPECT_EQ(line.Screen.Text(65, 6, 11), "BONUS ROLL!");
        EXPECT_EQ(line.Screen.Attr(65, 6), 0x1E);
        EXPECT_EQ(line.Screen.Text(65, 17, 10), "Bonus Ball");
    }
    Lay(*g, 1, 10);  // first bonus ball clears the rack
    Lay(*g, 1, 3);
    Miss(*g, 4);
    ASSERT_TRUE(g->GameOver());
    cells = kegora::ScoreSheetCells(*g, 10);
    EXPECT_EQ(cells.Ball1 + cells.Ball2, " XX3 ");
    EXPECT_EQ(cells.Total, "  23  ");

    DoorLine line;
    Playing playing(*g);
    kegora::DrawBowlingScores();
    line.Take();
    // The frame-10 cell is 8 wide from column 74: its last blank falls past column 80.
    EXPECT_EQ(line.Screen.Text(74, 2, 7), " XX3   ");
    EXPECT_EQ(line.Screen.Attr(79, 2), 0x70);
    EXPECT_EQ(line.Screen.Text(74, 3, 6), "  23  ");
}

TEST(ScoreSheet, TenthFrameSpareAndOpen) {
    auto spare = TenthFrame(Join(Ranks(1, 4), Join({C(13), C(13)}, Join(Ranks(5, 10), Join(Ranks(1, 5), {C(13), C(13)})))));
    Lay(*spare, 1, 4);
    Miss(*spare, 2);
    Lay(*spare, 5, 6);
    EXPECT_EQ(kegora::ScoreSheetCells(*spare, 10).Ball2, "/  ");
    Lay(*spare, 1, 5);
    Miss(*spare, 2);
    ASSERT_TRUE(spare->GameOver());
    auto cells = kegora::ScoreSheetCells(*spare, 10);
    EXPECT_EQ(cells.Ball1 + cells.Ball2, " 4/5 ");
    EXPECT_EQ(cells.Total, "  15  ");

    auto open = TenthFrame(Join(Ranks(1, 2), Join({C(13), C(13)}, Join(Ranks(3, 7), {C(13), C(13)}))));
    Lay(*open, 1, 2);
    Miss(*open, 2);
    Lay(*open, 3, 5);
    Miss(*open, 2);
    ASSERT_TRUE(open->GameOver());
    cells = kegora::ScoreSheetCells(*open, 10);
    EXPECT_EQ(cells.Ball1 + cells.Ball2, " 25  ");
    EXPECT_EQ(cells.Total, "  7   ");
}

TEST(PlayLoop, RefusedMissShowsTheMessageForOneSecondAndRestoresTheFrameLine) {
    // Strike in frame 10, then the first bonus ball ends with two misses and no pins: the next
    // miss is refused.
    auto g = TenthFrame(Join(Ranks(1, 10), Join({C(13), C(13)}, Ranks(1, 5))));
    Lay(*g, 1, 10);
    Miss(*g, 2);
    ASSERT_FALSE(g->GameOver());
    static std::vector<int> sleeps;
    sleeps.clear();
    common::SetSleepHook([](int AMs) { sleeps.push_back(AMs); });
    DoorLine line;
    Playing playing(*g);
    line.Keys(" ");
    kegora::HandlePlayerInput();
    common::SetSleepHook(nullptr);
    const std::string sent = line.Take();
    const size_t message = sent.find("Already 4 misses!");
    ASSERT_NE(message, std::string::npos);
    EXPECT_NE(sent.find("Frame 10/10        ", message), std::string::npos);
    EXPECT_EQ(sleeps, std::vector<int>{1000});
    EXPECT_EQ(line.Screen.Text(2, 23, 19), "Frame 10/10        ");
    EXPECT_EQ(line.Screen.Attr(2, 23), 0x07);
}

TEST(PlayLoop, PlacementUpdatesPinCardAndCursorWithoutAFullRedraw) {
    auto g = Prepared({{1, Ranks(1, 10)}});
    DoorLine line;
    Playing playing(*g);
    kegora::DrawGameScreen();
    line.Keys("7" "5");  // jump to pin 7, lay the ace there
    kegora::HandlePlayerInput();
    kegora::HandlePlayerInput();
    const std::string sent = line.Take();
    EXPECT_EQ(sent.find("\x1b[2J"), sent.rfind("\x1b[2J"));  // only the first full redraw cleared
    auto& s = line.Screen;
    EXPECT_EQ(s.Text(25, 6, 2), "A\x03");
    EXPECT_EQ(s.Ch(26, 7), 0xDB);  // the cursor stays on the pin, over the card
    EXPECT_EQ(s.Attr(26, 7), 0x0F);
    EXPECT_EQ(s.Text(5, 9, 2), "2\x03");
    EXPECT_EQ(s.Text(5, 13, 10), "Rank: 2   ");
    EXPECT_EQ(kegora::CursorPosition, 7);
    line.Keys("9");  // moving away leaves the card's cell white again
    kegora::HandlePlayerInput();
    line.Take();
    EXPECT_EQ(s.Ch(26, 7), ' ');
    EXPECT_EQ(s.Attr(26, 7) & 0x70, 0x70);
}

TEST(PlayLoop, CursorTables) {
    const int up[] = {2, 4, 5, 7, 8, 9, 1, 1, 1, 1};
    const int down[] = {8, 1, 1, 2, 3, 3, 4, 5, 6, 6};
    const int left[] = {1, 3, 2, 6, 4, 5, 10, 7, 8, 9};
    const int right[] = {1, 3, 2, 5, 6, 4, 8, 9, 10, 7};
    for (int p = 1; p <= 10; ++p) {
        EXPECT_EQ(kegora::CursorMove(p, '8'), up[p - 1]) << p;
        EXPECT_EQ(kegora::CursorMove(p, '2'), down[p - 1]) << p;
        EXPECT_EQ(kegora::CursorMove(p, '4'), left[p - 1]) << p;
        EXPECT_EQ(kegora::CursorMove(p, '6'), right[p - 1]) << p;
    }
}

TEST(Screens, WriteCenteredAndRankWords) {
    DoorLine line;
    kegora::WriteCentered(7, 14, "0123456789");
    line.Take();
    EXPECT_EQ(line.Screen.Text(35, 7, 10), "0123456789");
    EXPECT_EQ(line.Screen.Attr(35, 7), 0x0E);
    EXPECT_EQ(kegora::RankText(1), "Ace (1)");
    EXPECT_EQ(kegora::RankText(10), "Rank: 10");
    EXPECT_EQ(kegora::RankText(13), "King (13)");
    EXPECT_EQ(kegora::ProgramNameAndVersion(), "Pinmarch v2025.9.13");
}

TEST(Cards, DrawCardIgnoresRanksAndSuitsOutsideTheDeck) {
    DoorLine line;
    TCard c = C(0);
    kegora::DrawCard(c, 10, 10);
    c.Rank = 14;
    kegora::DrawCard(c, 10, 10);
    c = C(5);
    c.Suit = static_cast<game::TSuit>(4);
    kegora::DrawCard(c, 10, 10);
    EXPECT_EQ(line.Take(), "");
    kegora::DrawCard(C(12, game::sSpades), 10, 10);
    line.Take();
    EXPECT_EQ(line.Screen.Text(10, 10, 2), "Q\x06");
}

TEST(Cards, RandomCardsKeepOffTheTitleBoxAndThePrompt) {
    EXPECT_FALSE(kegora::RandomCardPositionRejected(21, 14));
    EXPECT_TRUE(kegora::RandomCardPositionRejected(16, 8));   // touches column 20, row 10
    EXPECT_FALSE(kegora::RandomCardPositionRejected(15, 8));
    EXPECT_TRUE(kegora::RandomCardPositionRejected(59, 13));
    EXPECT_FALSE(kegora::RandomCardPositionRejected(60, 13));
    EXPECT_TRUE(kegora::RandomCardPositionRejected(24, 15));  // prompt line, column 28
    EXPECT_FALSE(kegora::RandomCardPositionRejected(23, 15));
    EXPECT_FALSE(kegora::RandomCardPositionRejected(56, 15));

    DoorLine line;
    line.Screen.Feed("\x1b[44m\x1b[2J");
    game::SetRandomSeed(12345);
    for (int i = 0; i < 400; ++i) kegora::DrawRandomCard();
    line.Take();
    int covered = 0;
    for (int y = 1; y <= 25; ++y)
        for (int x = 1; x <= 80; ++x) {
            const bool white = (line.Screen.Attr(x, y) & 0x70) == 0x70;
            covered += white;
            const bool box = x >= 20 && x <= 59 && y >= 10 && y <= 13;
            const bool prompt = x >= 28 && x <= 55 && y == 15;
            if (box || prompt || y == 1 || y > 23 || x < 3) {
                EXPECT_FALSE(white) << x << "," << y;
            }
        }
    EXPECT_GT(covered, 1000);
}

} // namespace

namespace {

// The intro adds cards until a key arrives: a sleep hook counts the pauses and lets the
// caller's key arrive after the tenth card of the waiting loop.
int gSleeps = 0;
int gKeyAfter = 0;
apptest::DoorLine* gLine = nullptr;

TEST(Screens, IntroAddsCardsUntilAKeyAndRedrawsTheTitleBoxEveryFifthCard) {
    DoorLine line;
    gLine = &line;
    gSleeps = 0;
    gKeyAfter = 15 + 10;
    common::SetSleepHook([](int) {
        if (++gSleeps == gKeyAfter) gLine->Keys("x");
    });
    kegora::ShowIntroScreen();
    common::SetSleepHook(nullptr);
    gLine = nullptr;
    const std::string sent = line.Take();
    size_t cards = 0, boxes = 0;
    for (size_t at = sent.find("\x1b[0m"); at != std::string::npos; at = sent.find("\x1b[0m", at + 1)) ++cards;
    for (size_t at = sent.find("PINMARCH"); at != std::string::npos; at = sent.find("PINMARCH", at + 1)) ++boxes;
    EXPECT_EQ(gSleeps, 25);  // 15 cards with 100 ms pauses, then 10 with 200 ms pauses
    EXPECT_EQ(cards, 25u);
    EXPECT_EQ(boxes, 3u);  // once, then after the 5th and the 10th added card
    EXPECT_EQ(line.Screen.Text(20, 11, 40), "\xba" + std::string(15, ' ') + "PINMARCH" + std::string(15, ' ') + "\xba");
    EXPECT_EQ(line.Screen.Text(25, 15, 31), "...Press any key to continue...");
}

} // namespace
