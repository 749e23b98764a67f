#include "game/pinmarchengine.h"

#include <utility>

namespace game {

namespace {

TDeck ShuffledDeck(int32_t ASeed) {
    return TDeck(ASeed);
}

// Seed of frame AFrame's deck: the day seed plus 100 per frame, wrapping in 32 bits.
int32_t FrameSeed(int32_t ABaseSeed, int32_t AFrame) {
    return static_cast<int32_t>(static_cast<uint32_t>(ABaseSeed) +
                                100u * static_cast<uint32_t>(AFrame));
}

} // namespace

TPinmarch::TPinmarch(const TDeck& ADeck) : TPinmarch(ADeck, ShuffledDeck) {}

TPinmarch::TPinmarch(const TDeck& ADeck, TDeckSource ADeckSource)
    : FDeckSource(ADeckSource ? std::move(ADeckSource) : TDeckSource(ShuffledDeck)),
      FDeck(FDeckSource(FrameSeed(ADeck.Seed(), 1))), FBaseSeed(ADeck.Seed()) {
    ResetGame();
}

TPinmarch::~TPinmarch() = default;

TDeck TPinmarch::MakeDeck(int32_t AFrame) const {
    return FDeckSource(FrameSeed(FBaseSeed, AFrame));
}

void TPinmarch::StartNewGame() {
    // A restarted game deals frame 1's deck from its first card again, exactly as the
    // first start did.
    FDeck = MakeDeck(1);
    ResetGame();
}

void TPinmarch::ResetGame() {
    FCurrentFrame = 1;
    FGameOver = false;
    FTotalScore = 0;
    FFrame10BonusBalls = 0;
    FFrameJustChanged = false;
    FCurrentCard = TCard{};
    FFrames.fill(TFrame{});
    if (FDeck.HasCards())
        DrawNextCard();
    else
        FGameOver = true;
}

void TPinmarch::DrawNextCard() {
    if (FDeck.HasCards() && !FGameOver)
        FCurrentCard = FDeck.DrawCard();
    else
        FGameOver = true;
}

TFrame TPinmarch::GetFrame(int AIndex) const {
    if (AIndex < 1 || AIndex > 10) return TFrame{};
    return FFrames[AIndex];
}

// ---- Moves ---------------------------------------------------------------------------------

bool TPinmarch::CanPlaceCard(int APosition) const {
    if (FGameOver) return false;
    if (APosition < 1 || APosition > 10) return false;
    const TFrame& F = Cur();
    const int R = FCurrentCard.Rank;
    // A rank already on the table may only cover that card.
    for (int I = 1; I <= 10; ++I)
        if (F.Pins[I].Filled && F.Pins[I].Card.Rank == R) return I == APosition;
    // A card never covers a different rank.
    if (F.Pins[APosition].Filled) return false;
    // Ranks rise strictly with the pin number.
    for (int I = 1; I <= 10; ++I) {
        if (!F.Pins[I].Filled) continue;
        if (I < APosition && R < F.Pins[I].Card.Rank) return false;
        if (I > APosition && R > F.Pins[I].Card.Rank) return false;
    }
    return true;
}

bool TPinmarch::PlaceCard(int APosition) {
    if (!CanPlaceCard(APosition)) return false;
    TPinPosition& Pin = Cur().Pins[APosition];
    if (Pin.Filled) {
        Pin.CoveredCard = Pin.Card;
        Pin.HasCovered = true;
        Pin.Card = FCurrentCard;
    } else {
        Pin.Card = FCurrentCard;
        Pin.Filled = true;
        ++Cur().PinsDown;
    }
    AfterMove();
    return true;
}

bool TPinmarch::PlaceMiss() {
    if (FGameOver) return false;
    TFrame& F = Cur();
    int MaxMisses = 4;
    if (FCurrentFrame == 10 && FFrame10BonusBalls == 1) MaxMisses = 2;
    if (FCurrentFrame == 10 && FFrame10BonusBalls == 2) MaxMisses = F.Frame10Bonus1 == 0 ? 2 : 4;
    int K = 0;
    for (int I = 1; I <= MaxMisses; ++I) {
        if (!F.MissesFilled[I]) {
            K = I;
            break;
        }
    }
    if (K == 0) return false;
    F.Misses[K] = FCurrentCard;
    F.MissesFilled[K] = true;
    // Ball 1 ends with the second miss.
    if (K == 2 && FFrame10BonusBalls == 0) F.Ball1PinsDown = F.PinsDown;
    AfterMove();
    return true;
}

// After a card went to a pin or a miss slot: end the frame, or deal the next card.
void TPinmarch::AfterMove() {
    if (IsFrameComplete())
        EndCurrentFrame();
    else if (FDeck.HasCards())
        DrawNextCard();
    else
        FGameOver = true;
}

bool TPinmarch::IsFrameComplete() const {
    const TFrame& F = Cur();
    if (F.PinsDown == 10) return true;
    const bool ShortBall =
        FCurrentFrame == 10 &&
        (FFrame10BonusBalls == 1 || (FFrame10BonusBalls == 2 && F.Frame10Bonus1 == 0));
    return ShortBall ? F.MissesFilled[2] : F.MissesFilled[4];
}

// ---- Frame transitions ---------------------------------------------------------------------

void TPinmarch::ClearRack() {
    for (int I = 1; I <= 10; ++I)
        Cur().Pins[I] = TPinPosition{};
    Cur().PinsDown = 0;
}

void TPinmarch::ClearMissSlot(int ASlot) {
    Cur().Misses[ASlot] = TCard{};
    Cur().MissesFilled[ASlot] = false;
}

void TPinmarch::EndCurrentFrame() {
    TFrame& F = Cur();
    if (FCurrentFrame < 10) {
        ClassifyFrame();
        F.Score = F.PinsDown;
        ScoreUpdate();
        NextFrame();
        return;
    }

    switch (FFrame10BonusBalls) {
    case 0: // end of the regular part of frame 10
        F.Frame10InitialPins = F.PinsDown;
        if (F.PinsDown < 10) {
            F.FrameResult = frOpen;
            F.Score = F.PinsDown;
        } else if (F.Ball1PinsDown >= 1 && F.Ball1PinsDown <= 9) {
            F.FrameResult = frSpare;
            FFrame10BonusBalls = 1;
            ClearMissSlot(1);
            ClearMissSlot(2);
            ClearRack();
            FFrameJustChanged = true;
            if (FDeck.HasCards()) {
                DrawNextCard();
                return;
            }
        } else {
            F.FrameResult = frStrike;
            F.Ball1PinsDown = 10;
            FFrame10BonusBalls = 2;
            ClearMissSlot(1);
            ClearMissSlot(2);
            ClearRack();
            F.Frame10BonusPins = 0;
            F.Frame10Bonus1 = 0;
            F.Frame10Bonus2 = 0;
            FFrameJustChanged = true;
            if (FDeck.HasCards()) {
                DrawNextCard();
                return;
            }
        }
        break;

    case 1: // end of the single bonus ball after a spare
        F.Frame10Bonus1 = F.PinsDown;
        F.Frame10Bonus2 = 0;
        F.Frame10BonusPins = F.PinsDown;
        F.Score = F.Frame10InitialPins + F.Frame10BonusPins;
        FFrame10BonusBalls = 0;
        FGameOver = true;
        break;

    default: // two bonus balls after a strike
        if (F.Frame10Bonus1 == 0) {
            // End of the first bonus ball.
            F.Frame10Bonus1 = F.PinsDown;
            if (F.Frame10Bonus1 == 10) {
                ClearRack();
                F.Frame10Bonus2 = 0;
                ClearMissSlot(3);
                ClearMissSlot(4);
                FFrameJustChanged = true;
            }
            // Otherwise the second ball goes on with the same rack and misses 3 and 4.
            if (FDeck.HasCards()) {
                DrawNextCard();
                return;
            }
            F.Frame10Bonus2 = 0;
            F.Frame10BonusPins = F.Frame10Bonus1;
        } else {
            // End of the second bonus ball; without a fresh rack its pins are the rise.
            F.Frame10Bonus2 = F.Frame10Bonus1 == 10 ? F.PinsDown : F.PinsDown - F.Frame10Bonus1;
            F.Frame10BonusPins = F.Frame10Bonus1 + F.Frame10Bonus2;
        }
        F.Score = F.Frame10InitialPins + F.Frame10BonusPins;
        FFrame10BonusBalls = 0;
        FGameOver = true;
        break;
    }

    ScoreUpdate();
    FGameOver = true;
}

void TPinmarch::NextFrame() {
    if (FCurrentFrame >= 10) return;
    ++FCurrentFrame;
    FFrameJustChanged = true;
    TFrame& F = Cur();
    for (int I = 1; I <= 10; ++I)
        F.Pins[I] = TPinPosition{};
    for (int I = 1; I <= 4; ++I)
        ClearMissSlot(I);
    F.PinsDown = 0;
    F.Ball1PinsDown = 0;
    F.FrameResult = frIncomplete;
    FDeck = MakeDeck(FCurrentFrame);
    if (FDeck.HasCards())
        DrawNextCard();
    else
        FGameOver = true;
}

// ---- Scoring -------------------------------------------------------------------------------

void TPinmarch::ClassifyFrame() {
    TFrame& F = Cur();
    if (F.PinsDown < 10) {
        F.FrameResult = frOpen;
    } else if (F.Ball1PinsDown >= 1 && F.Ball1PinsDown <= 9) {
        F.FrameResult = frSpare;
    } else {
        // Cleared before the second miss, or after a second miss taken with no pins down.
        F.FrameResult = frStrike;
        F.Ball1PinsDown = 10;
    }
}

void TPinmarch::ScoreUpdate() {
    CalculateFrameScore();
    UpdateRunningTotal();
}

void TPinmarch::CalculateFrameScore() {
    const int Fi = FCurrentFrame;
    TFrame& F = FFrames[Fi];
    if (Fi < 10) F.Score = F.PinsDown;
    // What ball 1 of this frame earns a spare (or a double strike) before it.
    const int Ball1Bonus = F.Ball1PinsDown >= 1 ? F.Ball1PinsDown
                           : !F.MissesFilled[3] ? F.PinsDown
                                                : 0;
    if (Fi > 1) {
        TFrame& Prev = FFrames[Fi - 1];
        if (Prev.FrameResult == frSpare)
            Prev.Score += Ball1Bonus;
        else if (Prev.FrameResult == frStrike)
            Prev.Score += F.PinsDown;
    }
    if (Fi > 2 && FFrames[Fi - 2].FrameResult == frStrike &&
        FFrames[Fi - 1].FrameResult == frStrike)
        FFrames[Fi - 2].Score += Ball1Bonus;
}

void TPinmarch::UpdateRunningTotal() {
    FTotalScore = 0;
    for (int I = 1; I <= FCurrentFrame; ++I) {
        TFrame& F = FFrames[I];
        FTotalScore += F.Score;
        bool Shown = false;
        if (I == 10) {
            Shown = F.FrameResult != frIncomplete && FFrame10BonusBalls == 0;
        } else {
            switch (F.FrameResult) {
            case frOpen:
                Shown = true;
                break;
            case frSpare:
                Shown = FCurrentFrame > I &&
                        (FFrames[I + 1].Ball1PinsDown >= 1 || FFrames[I + 1].PinsDown >= 1);
                break;
            case frStrike:
                if (FCurrentFrame > I) {
                    const TFrame& Next = FFrames[I + 1];
                    if (Next.FrameResult == frStrike) {
                        if (I < 9)
                            Shown = I + 1 < FCurrentFrame && (FFrames[I + 2].Ball1PinsDown > 0 ||
                                                              FFrames[I + 2].PinsDown > 0);
                        else
                            Shown = Next.FrameResult != frIncomplete || Next.Ball1PinsDown >= 1;
                    } else {
                        Shown = Next.FrameResult != frIncomplete;
                    }
                }
                break;
            default:
                break;
            }
        }
        F.RunningTotal = Shown ? FTotalScore : 0;
    }
}

} // namespace game
