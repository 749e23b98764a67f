// Card art: every playing card on screen is the same small picture, a white card five
// columns wide and three rows high with the rank and suit laid along its diagonal, red for
// hearts and diamonds, black for clubs and spades. The picture is raw ANSI written through
// DoorWrite after a DoorGotoXY per row; it resets the terminal's colours itself and leaves
// light grey on black behind, without touching the kit's tracked attribute.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kegora {

constexpr char ESC = 27;
constexpr char SUIT_HEART = 3;
constexpr char SUIT_DIAMOND = 4;
constexpr char SUIT_CLUB = 5;
constexpr char SUIT_SPADE = 6;

// The bytes of the picture's three rows (row 0 at Y, 1 at Y+1, 2 at Y+2), without the moves.
std::array<std::string, 3> DiagonalMiniCardRows(char Rank, char Suit, bool IsRed);

// Draws the picture with its top-left corner at (LocationX, LocationY); the coordinates are
// used as bytes by the cursor move.
void DrawDiagonalMiniCard(int32_t LocationX, int32_t LocationY, char Rank, char Suit, bool IsRed);

// One procedure per card of the deck.
#define KEGORA_DECLARE_SUIT(SuitName)                                                              \
    void DrawAceOf##SuitName(int32_t LocationX, int32_t LocationY);                                \
    void Draw2Of##SuitName(int32_t LocationX, int32_t LocationY);                                  \
    void Draw3Of##SuitName(int32_t LocationX, int32_t LocationY);                                  \
    void Draw4Of##SuitName(int32_t LocationX, int32_t LocationY);                                  \
    void Draw5Of##SuitName(int32_t LocationX, int32_t LocationY);                                  \
    void Draw6Of##SuitName(int32_t LocationX, int32_t LocationY);                                  \
    void Draw7Of##SuitName(int32_t LocationX, int32_t LocationY);                                  \
    void Draw8Of##SuitName(int32_t LocationX, int32_t LocationY);                                  \
    void Draw9Of##SuitName(int32_t LocationX, int32_t LocationY);                                  \
    void Draw10Of##SuitName(int32_t LocationX, int32_t LocationY);                                 \
    void DrawJackOf##SuitName(int32_t LocationX, int32_t LocationY);                               \
    void DrawQueenOf##SuitName(int32_t LocationX, int32_t LocationY);                              \
    void DrawKingOf##SuitName(int32_t LocationX, int32_t LocationY);

KEGORA_DECLARE_SUIT(Clubs)
KEGORA_DECLARE_SUIT(Diamonds)
KEGORA_DECLARE_SUIT(Hearts)
KEGORA_DECLARE_SUIT(Spades)

#undef KEGORA_DECLARE_SUIT

// The per-card procedures as a table: [suit 0 clubs, 1 diamonds, 2 hearts, 3 spades][rank - 1].
using TCardProc = void (*)(int32_t LocationX, int32_t LocationY);
extern const std::array<std::array<TCardProc, 13>, 4> CardProcs;

} // namespace kegora
