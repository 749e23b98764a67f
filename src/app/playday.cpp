#include "app/playday.h"

#include <memory>

#include "app/gamescreen.h"
#include "app/screens.h"
#include "game/cardgame.h"
#include "game/pinmarchengine.h"
#include "harbex/door.h"
#include "records/dailyplay.h"

namespace kegora {

using namespace harbex;

namespace {

bool gQuit = false; // the caller ended the game in progress

void GotoXY(int32_t AX, int32_t AY) {
    DoorGotoXY(static_cast<uint8_t>(AX), static_cast<uint8_t>(AY));
}

char UpperCase(char AKey) {
    return (AKey >= 'a' && AKey <= 'z') ? static_cast<char>(AKey - 'a' + 'A') : AKey;
}

void MoveCursorTo(int32_t APosition) {
    DrawCursor(CursorPosition, false);
    CursorPosition = APosition;
    DrawCursor(CursorPosition, true);
}

void AfterPlacement() {
    UpdatePinPosition(CursorPosition);
    UpdateCurrentCard();
    DrawBowlingScores();
    DrawCursor(CursorPosition, true);
}

void AfterMiss() {
    UpdateMisses();
    UpdateCurrentCard();
    DrawBowlingScores();
    DrawCursor(CursorPosition, true);
}

void FrameLine(const std::string& ASuffix) {
    GotoXY(2, 23);
    DoorTextAttr(7);
    DoorWrite("Frame " + std::to_string(Game->CurrentFrame()) + ASuffix);
}

void QuitPrompt() {
    GotoXY(20, 22);
    DoorTextBackground(0);
    DoorWrite(Repeat(' ', 40));
    GotoXY(30, 22);
    DoorTextAttr(14);
    DoorWrite("Really quit? (Y/N)");
    const char answer = UpperCase(DoorReadKey());
    GotoXY(30, 22);
    DoorWrite(Repeat(' ', 19));
    if (answer == 'Y' && !DoorLastKey.Extended) {
        gQuit = true;
        Game->SetGameOver(true);
    }
}

// The result box over the lane; the ball and bonus labels beside it are over too.
void DrawResultBox(int32_t AScore, bool AQuit) {
    using namespace cp437;
    WriteAt(65, 6, 7, Repeat(' ', 11));
    WriteAt(65, 17, 7, Repeat(' ', 10));
    for (int32_t y = 10; y <= 14; ++y) {
        GotoXY(25, y);
        DoorTextBackground(0);
        DoorWrite(Repeat(' ', 30));
    }
    const std::string side(1, DoubleVertical);
    GotoXY(25, 10);
    DoorTextAttr(31);
    DoorWrite(DoubleTopLeft + Repeat(DoubleHorizontal, 28) + DoubleTopRight);
    GotoXY(25, 11);
    DoorTextAttr(31);
    DoorWrite(side);
    DoorTextAttr(15);
    DoorWrite(AQuit ? "      GAME ENDED EARLY      " : "       GAME COMPLETE!       ");
    DoorTextAttr(31);
    DoorWrite(side);
    GotoXY(25, 12);
    DoorTextAttr(31);
    DoorWrite(side);
    DoorTextAttr(15);
    DoorWrite("      Final Score: ");
    std::string score = std::to_string(AScore);
    if (score.size() < 3) score.insert(0, 3 - score.size(), ' ');
    DoorTextAttr(14);
    DoorWrite(score + "      ");
    DoorTextAttr(31);
    DoorWrite(side);
    GotoXY(25, 13);
    DoorTextAttr(31);
    DoorWrite(side);
    DoorTextAttr(7);
    DoorWrite("  Press any key to continue ");
    DoorTextAttr(31);
    DoorWrite(side);
    GotoXY(25, 14);
    DoorTextAttr(31);
    DoorWrite(DoubleBottomLeft + Repeat(DoubleHorizontal, 28) + DoubleBottomRight);
}

// Clears the program-wide game state on every way out of a game.
struct TGameScope {
    ~TGameScope() { Game = nullptr; }
};

} // namespace

int32_t CursorMove(int32_t APosition, char AKey) {
    static const int32_t kUp[11] = {0, 2, 4, 5, 7, 8, 9, 1, 1, 1, 1};
    static const int32_t kDown[11] = {0, 8, 1, 1, 2, 3, 3, 4, 5, 6, 6};
    static const int32_t kLeft[11] = {0, 1, 3, 2, 6, 4, 5, 10, 7, 8, 9};
    static const int32_t kRight[11] = {0, 1, 3, 2, 5, 6, 4, 8, 9, 10, 7};
    if (APosition < 1 || APosition > 10) return APosition;
    switch (AKey) {
    case '8':
        return kUp[APosition];
    case '2':
        return kDown[APosition];
    case '4':
        return kLeft[APosition];
    case '6':
        return kRight[APosition];
    default:
        return APosition;
    }
}

void HandlePlayerInput() {
    char key = DoorReadKey();
    if (DoorLastKey.Extended) {
        switch (key) {
        case KEY_UP:
            key = '8';
            break;
        case KEY_LEFT:
            key = '4';
            break;
        case KEY_RIGHT:
            key = '6';
            break;
        case KEY_DOWN:
            key = '2';
            break;
        default:
            return; // other special keys of the local keyboard mean nothing here
        }
    }
    key = UpperCase(key);
    switch (key) {
    case '8':
    case '2':
    case '4':
    case '6':
        MoveCursorTo(CursorMove(CursorPosition, key));
        break;
    case '1':
    case '3':
    case '7':
    case '9':
        MoveCursorTo(key - '0');
        break;
    case '0':
        MoveCursorTo(10);
        break;
    case '5':
        if (!Game->PlaceCard(CursorPosition)) break;
        if (Game->FrameJustChanged()) {
            Game->SetFrameJustChanged(false);
            DrawGameScreen();
        } else {
            AfterPlacement();
        }
        break;
    case 13:
    case ' ':
        if (!Game->PlaceMiss()) {
            GotoXY(2, 23);
            DoorTextAttr(12);
            DoorWrite("Already 4 misses!");
            common::SleepMs(1000);
            FrameLine("/10        ");
        } else if (Game->FrameJustChanged()) {
            Game->SetFrameJustChanged(false);
            DrawGameScreen();
        } else {
            AfterMiss();
        }
        break;
    case 'R':
    case 'S':
        DrawGameScreen();
        break;
    case 'H':
        ShowInstructions();
        DrawGameScreen();
        break;
    case 'Q':
        QuitPrompt();
        break;
    default:
        break;
    }
}

void PlayGameForDate(common::TDateTime ADate) {
    const int32_t seed = game::GetDailySeed(ADate);
    auto gameDeck = std::make_unique<game::TDeck>(seed);
    auto engine = std::make_unique<game::TPinmarch>(*gameDeck);
    const std::string player = PlayerName();
    records::TDailyTracker tracker;
    CursorPosition = 5;
    gQuit = false;
    TGameScope scope;
    Game = engine.get();

    DoorClrScr();
    DoorTextBackground(0);
    DoorTextAttr(7);
    DrawGameScreen();
    while (!Game->GameOver())
        HandlePlayerInput();

    tracker.RecordPlay(player, ADate, Game->TotalScore(), Game->CurrentFrame());
    tracker.UpdateAllTimeRecords(player, ADate, Game->TotalScore());
    DrawResultBox(Game->TotalScore(), gQuit);
    DoorReadKey();
}

} // namespace kegora
