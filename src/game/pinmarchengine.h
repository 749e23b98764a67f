// The engine of one game of Pinmarch: it deals cards, checks and places them on the ten
// pins of a frame or takes misses, ends frames, runs the tenth frame's bonus balls and
// scores the game as ten-pin bowling.
//
// Rules it enforces:
//  - each frame has pins 1..10 and its own deck, seeded day seed + 100 * frame (32-bit
//    wrap), dealt from its first card;
//  - ranks of the filled pins rise strictly with the pin number; a card whose rank is on
//    the table may only cover that card;
//  - misses 1 and 2 belong to ball 1, misses 3 and 4 to ball 2; a frame ends at ten pins
//    or at its fourth miss; the tenth frame adds one bonus ball after a spare and two
//    after a strike, dealt from frame 10's deck;
//  - a deck running out ends the game at once, the frame in progress unscored.
//
// Indexing: frames, pins and miss slots are numbered from 1 as on the score sheet. The
// arrays in TFrame have one extra element at index 0 that is never used, so Pins[1] is
// pin 1 and Misses[4] is miss slot 4.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "game/cardgame.h"

namespace game {

// One pin position of a frame.
struct TPinPosition {
    TCard Card;              // the card showing (empty card when not filled)
    bool Filled = false;     // a card lies here: the pin is down
    TCard CoveredCard;       // the card the last cover was laid over
    bool HasCovered = false; // at least one cover happened here

    bool operator==(const TPinPosition&) const = default;
};

// Stored as a 32-bit value.
enum TFrameResult : int32_t { frIncomplete = 0, frStrike = 1, frSpare = 2, frOpen = 3 };

// One frame. Arrays are indexed 1..10 (Pins) and 1..4 (Misses, MissesFilled); index 0
// is unused and always empty.
struct TFrame {
    std::array<TPinPosition, 11> Pins{};
    std::array<TCard, 5> Misses{};
    std::array<bool, 5> MissesFilled{};
    int32_t PinsDown = 0; // positions filled in the current rack (covers do not count)
    TFrameResult FrameResult = frIncomplete;
    int32_t Score = 0;         // frame score including bonuses granted so far
    int32_t RunningTotal = 0;  // total shown under the frame; 0 = not shown yet
    int32_t Ball1PinsDown = 0; // PinsDown at the second miss outside bonus balls; 10 on a strike
    int32_t Frame10InitialPins = 0; // frame 10: pins of the regular rack at its end
    int32_t Frame10BonusPins = 0;   // frame 10: pins of all bonus balls together
    int32_t Frame10Bonus1 = 0;      // frame 10: first bonus ball (0 also = not finished yet)
    int32_t Frame10Bonus2 = 0;      // frame 10: second bonus ball

    bool operator==(const TFrame&) const = default;
};

class TPinmarch {
  public:
    // Makes the deck of a frame from its seed. The game uses shuffled decks (TDeck(seed));
    // replays and tests may supply prepared ones.
    using TDeckSource = std::function<TDeck(int32_t ASeed)>;

    // A game on the day deck ADeck: only its seed is kept (the caller still owns ADeck).
    // Frame 1's deck is dealt from at once.
    explicit TPinmarch(const TDeck& ADeck);
    TPinmarch(const TDeck& ADeck, TDeckSource ADeckSource);
    ~TPinmarch();

    TPinmarch(const TPinmarch&) = delete;
    TPinmarch& operator=(const TPinmarch&) = delete;

    // Back to frame 1 with frame 1's deck from its first card, all scores cleared.
    void StartNewGame();

    // The placement rule for the current card on pin APosition (false outside 1..10).
    bool CanPlaceCard(int APosition) const;
    // Lays the current card on APosition; false (and no change) when the rule forbids it.
    bool PlaceCard(int APosition);
    // Takes the current card as a miss; false (and no change) when no miss slot is free.
    bool PlaceMiss();
    // The completion rule of the ball or frame now in play.
    bool IsFrameComplete() const;

    // Ends the game at once (the caller quits); the score stays as the last frame end left it.
    void SetGameOver(bool AValue) { FGameOver = AValue; }

    // A copy of frame AIndex (1..10); an all-zero frame for any other index.
    TFrame GetFrame(int AIndex) const;

    int32_t CurrentFrame() const { return FCurrentFrame; }
    TCard CurrentCard() const { return FCurrentCard; }
    bool GameOver() const { return FGameOver; }
    int32_t TotalScore() const { return FTotalScore; }
    // 0 = no bonus ball in play, 1 = the bonus ball after a spare, 2 = the two after a strike.
    int32_t Frame10BonusBalls() const { return FFrame10BonusBalls; }
    int32_t BaseSeed() const { return FBaseSeed; }
    // Set whenever the rack was replaced (new frame or bonus rack); the screen clears it
    // after a full redraw.
    bool FrameJustChanged() const { return FFrameJustChanged; }
    void SetFrameJustChanged(bool AValue) { FFrameJustChanged = AValue; }

  private:
    TFrame& Cur() { return FFrames[FCurrentFrame]; }
    const TFrame& Cur() const { return FFrames[FCurrentFrame]; }
    TDeck MakeDeck(int32_t AFrame) const;
    void ResetGame();
    void DrawNextCard();
    void AfterMove();
    void EndCurrentFrame();
    void NextFrame();
    void ClassifyFrame();
    void ClearRack();
    void ClearMissSlot(int ASlot);
    void ScoreUpdate();
    void CalculateFrameScore();
    void UpdateRunningTotal();

    TDeckSource FDeckSource;
    TDeck FDeck;
    std::array<TFrame, 11> FFrames{}; // 1..10; index 0 unused
    int32_t FCurrentFrame = 1;
    TCard FCurrentCard;
    bool FGameOver = false;
    int32_t FTotalScore = 0;
    int32_t FBaseSeed = 0;
    int32_t FFrame10BonusBalls = 0;
    bool FFrameJustChanged = false;
};

} // namespace game
