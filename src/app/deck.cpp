#include "app/deck.h"

#include "harbex/door.h"

namespace kegora {

namespace {

std::string Seq(const char* ABody) {
    return std::string(1, ESC) + ABody;
}

} // namespace

std::array<std::string, 3> DiagonalMiniCardRows(char Rank, char Suit, bool IsRed) {
    const std::string tail = Seq("[37;40m");
    if (IsRed) {
        return {Seq("[0m") + Seq("[31;47m") + Rank + Suit + Seq("[30m") + "   " + tail,
                Seq("[30;47m") + "  " + Seq("[31m") + Suit + Seq("[30m") + "  " + tail,
                Seq("[30;47m") + "   " + Seq("[31m") + Suit + Rank + tail};
    }
    return {Seq("[0m") + Seq("[30;47m") + Rank + Suit + "   " + tail,
            Seq("[30;47m") + "  " + Suit + "  " + tail,
            Seq("[30;47m") + "   " + Suit + Rank + tail};
}

void DrawDiagonalMiniCard(int32_t LocationX, int32_t LocationY, char Rank, char Suit, bool IsRed) {
    const auto rows = DiagonalMiniCardRows(Rank, Suit, IsRed);
    for (int row = 0; row < 3; ++row) {
        harbex::DoorGotoXY(static_cast<uint8_t>(LocationX), static_cast<uint8_t>(LocationY + row));
        harbex::DoorWrite(rows[static_cast<size_t>(row)]);
    }
}

#define KEGORA_CARD(Name, RankChar, SuitChar, Red)                                                 \
    void Name(int32_t LocationX, int32_t LocationY) {                                              \
        DrawDiagonalMiniCard(LocationX, LocationY, RankChar, SuitChar, Red);                       \
    }

#define KEGORA_DEFINE_SUIT(SuitName, SuitChar, Red)                                                \
    KEGORA_CARD(DrawAceOf##SuitName, 'A', SuitChar, Red)                                           \
    KEGORA_CARD(Draw2Of##SuitName, '2', SuitChar, Red)                                             \
    KEGORA_CARD(Draw3Of##SuitName, '3', SuitChar, Red)                                             \
    KEGORA_CARD(Draw4Of##SuitName, '4', SuitChar, Red)                                             \
    KEGORA_CARD(Draw5Of##SuitName, '5', SuitChar, Red)                                             \
    KEGORA_CARD(Draw6Of##SuitName, '6', SuitChar, Red)                                             \
    KEGORA_CARD(Draw7Of##SuitName, '7', SuitChar, Red)                                             \
    KEGORA_CARD(Draw8Of##SuitName, '8', SuitChar, Red)                                             \
    KEGORA_CARD(Draw9Of##SuitName, '9', SuitChar, Red)                                             \
    KEGORA_CARD(Draw10Of##SuitName, 'T', SuitChar, Red)                                            \
    KEGORA_CARD(DrawJackOf##SuitName, 'J', SuitChar, Red)                                          \
    KEGORA_CARD(DrawQueenOf##SuitName, 'Q', SuitChar, Red)                                         \
    KEGORA_CARD(DrawKingOf##SuitName, 'K', SuitChar, Red)

KEGORA_DEFINE_SUIT(Clubs, SUIT_CLUB, false)
KEGORA_DEFINE_SUIT(Diamonds, SUIT_DIAMOND, true)
KEGORA_DEFINE_SUIT(Hearts, SUIT_HEART, true)
KEGORA_DEFINE_SUIT(Spades, SUIT_SPADE, false)

#undef KEGORA_DEFINE_SUIT
#undef KEGORA_CARD

#define KEGORA_SUIT_ROW(SuitName)                                                                  \
    TCardProc{DrawAceOf##SuitName}, Draw2Of##SuitName, Draw3Of##SuitName, Draw4Of##SuitName,       \
        Draw5Of##SuitName, Draw6Of##SuitName, Draw7Of##SuitName, Draw8Of##SuitName,                \
        Draw9Of##SuitName, Draw10Of##SuitName, DrawJackOf##SuitName, DrawQueenOf##SuitName,        \
        DrawKingOf##SuitName

const std::array<std::array<TCardProc, 13>, 4> CardProcs = {{
    {KEGORA_SUIT_ROW(Clubs)},
    {KEGORA_SUIT_ROW(Diamonds)},
    {KEGORA_SUIT_ROW(Hearts)},
    {KEGORA_SUIT_ROW(Spades)},
}};

#undef KEGORA_SUIT_ROW

} // namespace kegora
