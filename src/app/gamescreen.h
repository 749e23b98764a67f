// The screen on which a day's game is played: a three-row bowling score sheet on top, the
// lane box with the ten pins as a triangle in the middle, the current card on the left,
// the four miss slots and the ball indicator on the right, the key help at the bottom.
// Every routine reads only the engine `Game` and `CursorPosition` and writes through the
// kit's output operations; the play loop calls the full redraw or the partial updates.
#pragma once

#include <cstdint>
#include <string>

#include "game/pinmarchengine.h"

namespace kegora {

// The engine of the game in progress (owned by PlayGameForDate; null between games) and the
// pin under the cursor (1-10, 5 at the start of every game).
extern game::TPinmarch* Game;
extern int32_t CursorPosition;

// Top-left corner of a pin's picture; X and Y are left unchanged outside 1-10.
void GetPinCoordinates(int32_t APosition, int32_t& X, int32_t& Y);

// The full redraw.
void DrawGameScreen();
void DrawBowlingScores();
void DrawPinLayout();
void DrawPinPosition(int32_t APosition, int32_t AX, int32_t AY);
void DrawCursor(int32_t APosition, bool AVisible);
void DrawCurrentCard();
void DrawMisses();

// Partial updates after a move that did not change the rack.
void UpdatePinPosition(int32_t APosition);
void UpdateCurrentCard();
void UpdateMisses();

// The rank in words: "Ace (1)", "Jack (11)", "Queen (12)", "King (13)", else "Rank: n".
std::string RankText(int32_t ARank);

// Score-sheet cells of frame AFrame (1-10) for the engine's state, as drawn on rows 2 and 3:
// the ball-1 cell (2 characters), the ball-2 cell (frames 1-9, 2 characters) or the middle
// part (frame 10, 3 characters), and the running-total cell (4 characters, 6 in frame 10).
struct TScoreCells {
    std::string Ball1;
    std::string Ball2;
    std::string Total;
};
TScoreCells ScoreSheetCells(const game::TPinmarch& AGame, int32_t AFrame);

} // namespace kegora
