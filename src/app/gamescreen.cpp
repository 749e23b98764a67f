#include "app/gamescreen.h"

#include "app/cards.h"
#include "app/screens.h"
#include "harbex/door.h"

namespace kegora {

using namespace harbex;

game::TPinmarch* Game = nullptr;
int32_t CursorPosition = 5;

namespace {

void GotoXY(int32_t AX, int32_t AY) {
    DoorGotoXY(static_cast<uint8_t>(AX), static_cast<uint8_t>(AY));
}

// The five-character box of an empty pin or a free miss slot, with its label.
void DrawEmptyBox(int32_t AX, int32_t AY, uint8_t AAttr, char ALabel) {
    using namespace cp437;
    WriteAt(AX, AY, AAttr, TopLeft + Repeat(Horizontal, 3) + TopRight);
    WriteAt(AX, AY + 1, AAttr, std::string{Vertical, ' ', ALabel, ' ', Vertical});
    WriteAt(AX, AY + 2, AAttr, BottomLeft + Repeat(Horizontal, 3) + BottomRight);
}

game::TFrame CurrentFrameOfGame() {
    return Game->GetFrame(Game->CurrentFrame());
}

int32_t FrameColumn(int32_t AFrame) {
    return 20 + 6 * (AFrame - 1);
}

std::string Num(int32_t AValue) {
    return std::to_string(AValue);
}

// " " + n, or " -" for 0 (the two-character cells of row 2).
std::string PinsCell(int32_t APins) {
    return APins == 0 ? " -" : " " + Num(APins);
}

std::string TotalCell(int32_t ATotal, bool AFrame10) {
    std::string t = Num(ATotal);
    if (AFrame10) {
        if (t.size() == 1) return "  " + t + "   ";
        if (t.size() == 2) return "  " + t + "  ";
        return " " + t.substr(0, 3) + "  ";
    }
    if (t.size() == 1) return " " + t + "  ";
    if (t.size() == 2) return " " + t + " ";
    if (t.size() == 3) return t + " ";
    return t.substr(0, 4);
}

bool TotalShown(const game::TPinmarch& AGame, int32_t AFrame) {
    using namespace game;
    const TFrame f = AGame.GetFrame(AFrame);
    if (AFrame > AGame.CurrentFrame() || f.RunningTotal < 1) return false;
    if (AFrame == 10) return true;
    const TFrame next = AGame.GetFrame(AFrame + 1);
    switch (f.FrameResult) {
    case frStrike:
        return AGame.CurrentFrame() > AFrame &&
               (next.FrameResult != frIncomplete || next.Ball1PinsDown >= 1);
    case frSpare:
        return AGame.CurrentFrame() > AFrame && (next.Ball1PinsDown >= 1 || next.PinsDown >= 1);
    case frOpen:
        return true;
    default:
        return false;
    }
}

} // namespace

void GetPinCoordinates(int32_t APosition, int32_t& X, int32_t& Y) {
    static const int32_t kX[11] = {0, 37, 33, 41, 29, 37, 45, 25, 33, 41, 49};
    static const int32_t kY[11] = {0, 18, 14, 14, 10, 10, 10, 6, 6, 6, 6};
    if (APosition < 1 || APosition > 10) return;
    X = kX[APosition];
    Y = kY[APosition];
}

std::string RankText(int32_t ARank) {
    switch (ARank) {
    case 1:
        return "Ace (1)";
    case 11:
        return "Jack (11)";
    case 12:
        return "Queen (12)";
    case 13:
        return "King (13)";
    default:
        return "Rank: " + Num(ARank);
    }
}

TScoreCells ScoreSheetCells(const game::TPinmarch& AGame, int32_t AFrame) {
    using namespace game;
    const TFrame f = AGame.GetFrame(AFrame);
    const int32_t cf = AGame.CurrentFrame();
    const int32_t b = f.Ball1PinsDown;
    TScoreCells cells;
    if (AFrame < 10) {
        cells.Ball1 = "  ";
        cells.Ball2 = "  ";
        if (AFrame <= cf) {
            switch (f.FrameResult) {
            case frIncomplete:
                if (b >= 1) cells.Ball1 = " " + Num(b);
                break;
            case frStrike:
                cells.Ball2 = " X";
                break;
            case frSpare:
                cells.Ball1 = PinsCell(b);
                cells.Ball2 = " /";
                break;
            case frOpen:
                cells.Ball1 = PinsCell(b);
                cells.Ball2 = PinsCell(f.PinsDown - b);
                break;
            }
        }
    } else {
        const int32_t b1 = f.Frame10Bonus1;
        const int32_t b2 = f.Frame10Bonus2;
        cells.Ball1 = "  ";
        cells.Ball2 = "   ";
        if (AFrame <= cf) {
            switch (f.FrameResult) {
            case frIncomplete:
                if (b >= 1) cells.Ball1 = " " + Num(b);
                break;
            case frStrike:
                cells.Ball1 = " X";
                if (AGame.Frame10BonusBalls() > 0) {
                    cells.Ball2 = "   ";
                } else if (b1 == 10) {
                    cells.Ball2 = "X" + (b2 == 10 ? std::string("X ")
                                         : b2 > 0 ? Num(b2) + " "
                                                  : std::string("- "));
                } else if (b1 > 0 && b1 + b2 == 10) {
                    cells.Ball2 = Num(b1) + "/ ";
                } else if (b1 >= 1) {
                    cells.Ball2 = Num(b1) + (b2 >= 1 ? Num(b2) : std::string("-")) + " ";
                } else {
                    cells.Ball2 = b2 == 10 ? std::string("-X ")
                                  : b2 > 0 ? "-" + Num(b2) + " "
                                           : std::string("-- ");
                }
                break;
            case frSpare:
                cells.Ball1 = PinsCell(b);
                if (AGame.Frame10BonusBalls() > 0)
                    cells.Ball2 = "/  ";
                else
                    cells.Ball2 = "/" + (b1 == 10 ? std::string("X ")
                                         : b1 > 0 ? Num(b1) + " "
                                                  : std::string("- "));
                break;
            case frOpen: {
                const int32_t second = f.Frame10InitialPins - b;
                cells.Ball1 = PinsCell(b);
                cells.Ball2 = (second == 0 ? std::string("-") : Num(second)) + "  ";
                break;
            }
            }
        }
    }
    const bool frame10 = AFrame == 10;
    cells.Total = TotalShown(AGame, AFrame) ? TotalCell(f.RunningTotal, frame10)
                                            : Repeat(' ', frame10 ? 6 : 4);
    return cells;
}

void DrawBowlingScores() {
    using namespace cp437;
    WriteAt(2, 1, 31, Vertical + std::string(" Frame Number ") + Vertical);
    for (int32_t i = 1; i <= 10; ++i)
        WriteAt(FrameColumn(i), 1, 30, i < 10 ? "  " + Num(i) + "   " : std::string("  10  "));

    WriteAt(2, 2, 31, Vertical + std::string(" Frame  Score ") + Vertical);
    for (int32_t i = 1; i <= 10; ++i) {
        const TScoreCells cells = ScoreSheetCells(*Game, i);
        WriteAt(FrameColumn(i), 2, 112, cells.Ball1);
        DoorTextAttr(15);
        DoorWrite(cells.Ball2);
        if (i == 10) {
            DoorTextAttr(112);
            DoorWrite(" ");
        }
        DoorTextAttr(7);
        DoorWrite(i == 10 ? " " : "  "); // frame 10 ends at column 80
    }

    WriteAt(2, 3, 31, Vertical + std::string(" Running  Tot ") + Vertical);
    for (int32_t i = 1; i <= 10; ++i) {
        WriteAt(FrameColumn(i), 3, 112, ScoreSheetCells(*Game, i).Total);
        DoorTextAttr(7);
        DoorWrite(i == 10 ? " " : "  ");
    }
}

void DrawPinLayout() {
    using namespace cp437;
    WriteAt(20, 4, 23, DoubleTopLeft + Repeat(DoubleHorizontal, 38) + DoubleTopRight);
    DoorTextBackground(0);
    for (int32_t y = 5; y <= 20; ++y) {
        GotoXY(21, y);
        DoorWrite(Repeat(' ', 37));
    }
    DoorTextAttr(23);
    for (int32_t y = 5; y <= 20; ++y) {
        GotoXY(20, y);
        DoorWrite(std::string(1, DoubleVertical));
        GotoXY(59, y);
        DoorWrite(std::string(1, DoubleVertical));
    }
    for (int32_t pin : {7, 8, 9, 10, 4, 5, 6, 2, 3, 1}) {
        int32_t x = 0, y = 0;
        GetPinCoordinates(pin, x, y);
        DrawPinPosition(pin, x, y);
    }
    WriteAt(20, 21, 23, DoubleBottomLeft + Repeat(DoubleHorizontal, 38) + DoubleBottomRight);
}

void DrawPinPosition(int32_t APosition, int32_t AX, int32_t AY) {
    if (APosition < 1 || APosition > 10) return;
    const game::TPinPosition pin = CurrentFrameOfGame().Pins[static_cast<size_t>(APosition)];
    if (pin.Filled) {
        DrawCard(pin.Card, AX, AY);
        return;
    }
    DrawEmptyBox(AX, AY, 30, APosition == 10 ? '0' : static_cast<char>('0' + APosition));
}

void DrawCursor(int32_t APosition, bool AVisible) {
    if (APosition < 1 || APosition > 10) return;
    int32_t x = 0, y = 0;
    GetPinCoordinates(APosition, x, y);
    GotoXY(x + 1, y + 1);
    if (AVisible) {
        DoorTextAttr(143); // a blinking block
        DoorWrite(std::string(1, cp437::FullBlock));
        DoorTextAttr(7); // nothing drawn after it blinks
    } else if (!CurrentFrameOfGame().Pins[static_cast<size_t>(APosition)].Filled) {
        DoorTextAttr(30);
        DoorWrite(" ");
    } else {
        DoorTextBackground(7);
        DoorWrite(" ");
    }
}

void DrawCurrentCard() {
    WriteAt(3, 7, 15, "Current Card:");
    const game::TCard card = Game->CurrentCard();
    DrawCard(card, 5, 9);
    WriteAt(5, 13, 7, RankText(card.Rank));
}

void DrawMisses() {
    const game::TFrame frame = CurrentFrameOfGame();
    const bool bonus = Game->CurrentFrame() == 10 && Game->Frame10BonusBalls() > 0;
    WriteAt(65, 7, 15, "Misses:");
    if (bonus)
        WriteAt(65, 6, 30, "BONUS ROLL!");
    else
        WriteAt(65, 6, 7, Repeat(' ', 11));
    static const int32_t kSlotX[5] = {0, 65, 71, 65, 71};
    static const int32_t kSlotY[5] = {0, 9, 9, 13, 13};
    for (size_t k = 1; k <= 4; ++k) {
        if (frame.MissesFilled[k])
            DrawCard(frame.Misses[k], kSlotX[k], kSlotY[k]);
        else
            DrawEmptyBox(kSlotX[k], kSlotY[k], 8, static_cast<char>('0' + k));
    }
    WriteAt(65, 17, 7, bonus ? "Bonus Ball" : frame.MissesFilled[2] ? "Ball 2    " : "Ball 1    ");
}

void DrawGameScreen() {
    DoorClrScr();
    DoorTextBackground(0);
    DoorTextAttr(7);
    for (int32_t y = 4; y <= 21; ++y) {
        GotoXY(1, y);
        DoorWrite(Repeat(' ', 80));
    }
    DrawBowlingScores();
    DrawPinLayout();
    DrawCurrentCard();
    DrawMisses();
    DrawCursor(CursorPosition, true);
    WriteAt(2, 23, 7, "Frame " + Num(Game->CurrentFrame()) + "/10");
    WriteAt(20, 23, 14, "[2468] Move  [5] Place  [Space/Enter] Miss");
    WriteAt(20, 24, 6, "[R]edraw  [S]cores  [H]elp  [Q]uit");
}

void UpdatePinPosition(int32_t APosition) {
    int32_t x = 0, y = 0;
    GetPinCoordinates(APosition, x, y);
    DrawPinPosition(APosition, x, y);
}

void UpdateCurrentCard() {
    DoorTextBackground(0);
    GotoXY(5, 7);
    DoorWrite(Repeat(' ', 14));
    for (int32_t y = 8; y <= 12; ++y) {
        GotoXY(5, y);
        DoorWrite(Repeat(' ', 5));
    }
    GotoXY(5, 13);
    DoorWrite(Repeat(' ', 14));
    DrawCurrentCard();
}

void UpdateMisses() {
    DrawMisses();
}

} // namespace kegora
