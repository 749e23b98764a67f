// Cards on screen for the main program: DrawCard picks the picture of a TCard, and
// DrawRandomCard scatters random cards over the intro screen around its title box and prompt.
#pragma once

#include <cstdint>

#include "game/cardgame.h"

namespace kegora {

// Draws ACard's picture with its top-left corner at (AX, AY). A rank outside 1-13 or a suit
// outside the four draws nothing (no output at all). The display character is not used.
void DrawCard(const game::TCard& ACard, int32_t AX, int32_t AY);

// True when a card at (AX, AY), covering columns AX..AX+4 and rows AY..AY+2, would touch the
// intro's title box (columns 20-59 of rows 10-13) or its prompt line (columns 28-55 of row 15).
bool RandomCardPositionRejected(int32_t AX, int32_t AY);

// One random card at a random free place of the intro screen: draws X (3-75) and Y (2-21)
// from the shared generator until the place is free, then the suit and the rank.
void DrawRandomCard();

} // namespace kegora
