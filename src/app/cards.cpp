#include "app/cards.h"

#include "app/deck.h"

namespace kegora {

void DrawCard(const game::TCard& ACard, int32_t AX, int32_t AY) {
    const int suit = static_cast<int>(ACard.Suit);
    if (suit < 0 || suit > 3 || ACard.Rank < 1 || ACard.Rank > 13) return;
    CardProcs[static_cast<size_t>(suit)][static_cast<size_t>(ACard.Rank - 1)](AX, AY);
}

bool RandomCardPositionRejected(int32_t AX, int32_t AY) {
    const bool titleBox = AX + 4 >= 20 && AX <= 59 && AY + 2 >= 10 && AY <= 13;
    const bool promptLine = AX + 4 >= 28 && AX <= 55 && AY + 2 >= 15 && AY <= 15;
    return titleBox || promptLine;
}

void DrawRandomCard() {
    int32_t x = 0;
    int32_t y = 0;
    do {
        x = game::RandomBelow(73) + 3;
        y = game::RandomBelow(20) + 2;
    } while (RandomCardPositionRejected(x, y));
    static const game::TSuit kSuits[4] = {game::sClubs, game::sDiamonds, game::sHearts,
                                          game::sSpades};
    game::TCard card;
    card.Suit = kSuits[game::RandomBelow(4)];
    card.Rank = static_cast<uint8_t>(game::RandomBelow(13) + 1);
    card.DisplayChar = game::GetCardDisplayChar(card.Rank);
    DrawCard(card, x, y);
}

} // namespace kegora
