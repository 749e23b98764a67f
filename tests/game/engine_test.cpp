// The frame engine and its scoring against a reference game written from the rules, after
// every move: scripted games with known score sheets, and thousands of random games.
#include "game/pinmarchengine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <sstream>

using namespace game;

namespace {

// One game as the rules describe it, kept in the engine's public frame records.
struct TRefGame {
    TPinmarch::TDeckSource DeckOf;
    int32_t Base;
    TDeck Deck{0};
    TCard Current;
    int Frame = 1, BonusBalls = 0, Total = 0;
    bool Over = false, Changed = false;
    TFrame Fr[11];

    TRefGame(TPinmarch::TDeckSource ADeckOf, int32_t ABase) : DeckOf(ADeckOf), Base(ABase) {
        NewDeck();
    }
    TFrame& F() { return Fr[Frame]; }
    void NewDeck() { // day seed + 100 x frame, wrapping in 32 bits
        Deck = DeckOf(static_cast<int32_t>(static_cast<uint32_t>(Base) + 100u * Frame));
        Deal();
    }
    void Deal() {
        Over = !Deck.HasCards();
        if (!Over) Current = Deck.DrawCard();
    }
    // The filled pins rise strictly; a rank on the table may only be covered.
    bool Legal(int P) const {
        if (P < 1 || P > 10) return false;
        int below = 0, above = 14;
        for (int i = 1; i <= 10; ++i) {
            const TPinPosition& pin = Fr[Frame].Pins[i];
            if (!pin.Filled) continue;
            if (pin.Card.Rank == Current.Rank) return i == P;
            if (i < P) below = std::max<int>(below, pin.Card.Rank);
            if (i > P) above = std::min<int>(above, pin.Card.Rank);
        }
        return !Fr[Frame].Pins[P].Filled && below < Current.Rank && Current.Rank < above;
    }
    bool Place(int P) {
        if (Over || !Legal(P)) return false;
        TPinPosition& pin = F().Pins[P];
        if (!pin.Filled) ++F().PinsDown;
        pin = {Current, true, pin.Filled ? pin.Card : TCard{}, pin.Filled};
        return AfterMove();
    }
    // Two misses a ball; the first bonus ball of two ends for good only with a pin down.
    bool ShortBall() const {
        return Frame == 10 && (BonusBalls == 1 || (BonusBalls == 2 && Fr[10].Frame10Bonus1 == 0));
    }
    bool Miss() {
        int k = 1;
        while (k <= (ShortBall() ? 2 : 4) && F().MissesFilled[k])
            ++k;
        if (Over || k > (ShortBall() ? 2 : 4)) return false;
        F().Misses[k] = Current;
        F().MissesFilled[k] = true;
        if (k == 2 && BonusBalls == 0) F().Ball1PinsDown = F().PinsDown;
        return AfterMove();
    }
    bool AfterMove() {
        F().PinsDown == 10 || F().MissesFilled[ShortBall() ? 2 : 4] ? BallOver() : Deal();
        return true;
    }
    void Clear(int AFirstSlot, int ALastSlot) {
        std::fill(std::begin(F().Pins), std::end(F().Pins), TPinPosition{});
        F().PinsDown = 0;
        for (int k = AFirstSlot; k <= ALastSlot; ++k)
            F().Misses[k] = {}, F().MissesFilled[k] = false;
        Changed = true;
    }
    void BallOver() {
        TFrame& f = F();
        if (BonusBalls == 0) { // the regular part of a frame
            const bool spare = f.Ball1PinsDown >= 1 && f.Ball1PinsDown <= 9;
            f.FrameResult = f.PinsDown < 10 ? frOpen : spare ? frSpare : frStrike;
            if (f.FrameResult == frStrike) f.Ball1PinsDown = 10;
            if (Frame < 10) {
                ScoreSheet();
                ++Frame;
                Changed = true;
                return NewDeck();
            }
            f.Frame10InitialPins = f.PinsDown;
            if (f.FrameResult != frOpen) { // bonus balls on a fresh rack
                BonusBalls = spare ? 1 : 2;
                Clear(1, 2);
                if (Deck.HasCards()) return Deal();
            }
        } else if (BonusBalls == 2 && f.Frame10Bonus1 == 0) { // the first of two
            f.Frame10Bonus1 = f.PinsDown;
            if (f.PinsDown == 10) Clear(3, 4);
            if (Deck.HasCards()) return Deal();
            BonusBalls = 0;
        } else if (BonusBalls == 1) { // the one bonus ball after a spare
            f.Frame10Bonus1 = f.PinsDown;
            BonusBalls = 0;
        } else { // the second of two: on the same rack it counts the pins it added
            f.Frame10Bonus2 = f.Frame10Bonus1 == 10 ? f.PinsDown : f.PinsDown - f.Frame10Bonus1;
            BonusBalls = 0;
        }
        f.Frame10BonusPins = f.Frame10Bonus1 + f.Frame10Bonus2;
        ScoreSheet();
        Over = true;
    }
    // Bowling: a spare earns the next frame's ball 1, a strike the whole next frame and,
    // after a second strike, ball 1 of the frame after that. Ball 1 of a frame with no pin
    // at its second miss is worth its pins while its third miss is untaken.
    void ScoreSheet() {
        auto ball1 = [](const TFrame& g) {
            return g.Ball1PinsDown >= 1 ? g.Ball1PinsDown : g.MissesFilled[3] ? 0 : g.PinsDown;
        };
        auto anyPin = [](const TFrame& g) { return g.Ball1PinsDown > 0 || g.PinsDown > 0; };
        Total = 0;
        for (int i = 1; i <= Frame; ++i) { // n and n2: the next two frames, if they ended
            TFrame &f = Fr[i], &n = Fr[std::min(i + 1, 10)], &n2 = Fr[std::min(i + 2, 10)];
            const bool next = i < Frame, next2 = i + 1 < Frame, spare = f.FrameResult == frSpare;
            const bool strike = f.FrameResult == frStrike;
            const bool two = strike && n.FrameResult == frStrike;
            const int own = i < 10 ? f.PinsDown : f.Frame10InitialPins + f.Frame10BonusPins;
            f.Score = i == 10 && BonusBalls ? 0 : own;
            f.Score += next ? (spare ? ball1(n) : strike ? n.PinsDown : 0) : 0;
            f.Score += next2 && two ? ball1(n2) : 0;
            Total += f.Score;
            const bool shown = i == 10  ? f.FrameResult != frIncomplete && BonusBalls == 0
                               : spare  ? next && anyPin(n)
                               : strike ? next && (!two || i == 9 || (next2 && anyPin(n2)))
                                        : f.FrameResult == frOpen;
            f.RunningTotal = shown ? Total : 0;
        }
    }
};

// Everything the screen can read of the engine, against the reference.
void ExpectSame(TPinmarch& AGame, TRefGame& ARef) {
    ASSERT_EQ(std::make_tuple(AGame.GameOver(), AGame.CurrentFrame(), AGame.TotalScore(),
                              AGame.Frame10BonusBalls(), AGame.FrameJustChanged()),
              std::make_tuple(ARef.Over, ARef.Frame, ARef.Total, ARef.BonusBalls, ARef.Changed));
    AGame.SetFrameJustChanged(false), ARef.Changed = false;
    for (int p = 0; p <= 11 && !ARef.Over; ++p) {
        ASSERT_EQ(AGame.CurrentCard(), ARef.Current);
        ASSERT_EQ(AGame.CanPlaceCard(p), ARef.Legal(p)) << "pin " << p;
    }
    for (int i = 1; i <= 10; ++i) {
        const TFrame f = AGame.GetFrame(i);
        ASSERT_EQ(f, ARef.Fr[i]) << "frame " << i;
        for (int p = 1, rank = 0; p <= 10; rank = std::max<int>(rank, f.Pins[p++].Card.Rank))
            ASSERT_TRUE(!f.Pins[p].Filled || f.Pins[p].Card.Rank > rank) << "ranks rise " << i;
    }
}

// A move on both games (pin 1..10, or 0 for a miss): whether it was accepted.
bool Move(TPinmarch& AGame, TRefGame& ARef, int APin) {
    const bool got = APin == 0 ? AGame.PlaceMiss() : AGame.PlaceCard(APin);
    EXPECT_EQ(got, APin == 0 ? ARef.Miss() : ARef.Place(APin)) << "pin " << APin;
    ExpectSame(AGame, ARef);
    return got;
}

// The scripted games of cases/games.txt, each checked against the reference after every move
// and against its score sheet at the end.
TEST(Engine, ScriptedGamesScoreAsTheirSheets) {
    const std::string here = __FILE__;
    std::ifstream table(here.substr(0, here.rfind('/')) + "/cases/games.txt");
    auto pinOf = [](char m) { return m == 'x' || m == '!' ? 0 : m == '0' ? 10 : m - '0'; };
    int games = 0;
    for (std::string line, moves, scores, totals; std::getline(table, line);) {
        if (line[0] == '#') continue;
        SCOPED_TRACE(line);
        std::istringstream fields(line);
        std::getline(std::getline(std::getline(fields, moves, '\t'), scores, '\t'), totals, '\t');
        std::istringstream in(moves);
        const std::vector<std::string> frames{std::istream_iterator<std::string>(in), {}};
        auto deckOf = [&](int32_t ASeed) {
            std::vector<TCard> cards;
            for (char m :
                 ASeed / 100 <= static_cast<int>(frames.size()) ? frames[ASeed / 100 - 1] : "")
                if (const uint8_t rank = m == 'x' ? 13 : pinOf(m); m != '!')
                    cards.push_back({sHearts, rank, GetCardDisplayChar(rank)});
            return TDeck::FromCards(ASeed, cards);
        };
        TPinmarch game(TDeck::FromCards(0, {}), deckOf);
        TRefGame ref(deckOf, 0);
        for (const std::string& frame : frames)
            for (char m : frame) {
                ASSERT_EQ(Move(game, ref, pinOf(m)), m != '!');
                if (HasFatalFailure()) return;
            }
        std::string sheet[2];
        for (int i = 1; i <= 10; ++i) {
            sheet[0] += (i > 1 ? " " : "") + std::to_string(game.GetFrame(i).Score);
            sheet[1] += (i > 1 ? " " : "") + std::to_string(game.GetFrame(i).RunningTotal);
        }
        EXPECT_EQ(sheet[0], scores);
        EXPECT_EQ(sheet[1], totals);
        EXPECT_TRUE(game.GetFrame(0) == TFrame{} && game.GetFrame(11) == TFrame{});
        ++games;
    }
    EXPECT_GE(games, 16);
}

// Random games on shuffled decks, half of them kind ones (the first 12 to 41 cards sorted by
// rank), played in styles that change with the rack: 0 lays anywhere, 1 aims each rank at
// its part of the rack and misses what does not fit, 2 and 3 aim and miss at random.
TEST(Engine, RandomGamesFollowTheRules) {
    std::mt19937 rng(20250913);
    std::map<std::string, int> seen;
    for (int n = 0; n < 2000; ++n) {
        const int32_t base = n == 0 ? INT32_MAX - 150 : static_cast<int32_t>(rng());
        const int quitAt = rng() % 50 == 0 ? static_cast<int>(rng() % 120) : -1;
        auto deckOf = [kind = n % 2 == 1](int32_t ASeed) {
            TDeck deck(ASeed);
            std::vector<TCard> cards;
            while (kind && deck.HasCards())
                cards.push_back(deck.DrawCard());
            std::stable_sort(cards.begin(), cards.begin() + (kind ? 12 + ASeed % 30u : 0),
                             [](TCard a, TCard b) { return a.Rank < b.Rank; });
            return kind ? TDeck::FromCards(ASeed, cards) : deck;
        };
        TPinmarch game(TDeck(base), deckOf);
        TRefGame ref(deckOf, base);
        for (int moves = 0; !ref.Over && moves != quitAt; ++moves) {
            std::vector<int> legal;
            for (int p = 1; p <= 10; ++p)
                if (ref.Legal(p)) legal.push_back(p);
            const int aim = (ref.Current.Rank * 10 + 12) / 13;
            const int style = (n + ref.Frame + ref.BonusBalls) % 4;
            std::sort(legal.begin(), legal.end(),
                      [&](int a, int b) { return std::abs(a - aim) < std::abs(b - aim); });
            const unsigned chance = style == 2 ? 1 : style < 2 ? 0 : ref.F().PinsDown == 0 ? 5 : 2;
            const bool miss = legal.empty() || (style == 1 && std::abs(legal[0] - aim) > 1) ||
                              rng() % 10 < chance;
            int pin = miss ? 0 : style == 0 ? legal[rng() % legal.size()] : legal[0];
            if (rng() % 30 == 0) pin = 1 + static_cast<int>(rng() % 10); // maybe against the rules
            if (!Move(game, ref, pin) && pin == 0) Move(game, ref, legal.at(0)); // refused
            if (HasFatalFailure()) return;
        }
        if (!ref.Over) game.SetGameOver(true), ref.Over = true, seen["quit"]++; // the caller quits
        ASSERT_FALSE(Move(game, ref, 0) || Move(game, ref, 1));                 // the game is over
        seen[std::to_string(game.GetFrame(10).FrameResult)]++;
        if (n % 100 == 0) game.StartNewGame(), ref = TRefGame(deckOf, base), ExpectSame(game, ref);
    }
    for (const char* kind : {"quit", "1", "2", "3"}) // 1 to 3: frame 10's results
        EXPECT_GE(seen[kind], 5) << kind;
}

} // namespace
