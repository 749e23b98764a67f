// The card pictures: exact bytes for the documented examples, and every one of the 52
// procedures rendered on the test terminal.
#include "app/deck.h"

#include <gtest/gtest.h>

#include "harbex/crt2.h"
#include "app/door_line.h"

namespace {

using apptest::DoorLine;

const std::string E = "\x1b";

TEST(DeckArt, TenOfDiamondsSendsTheDocumentedBytes) {
    DoorLine line;
    kegora::Draw10OfDiamonds(1, 1);
    const std::string sent = line.Take();
    const std::string row0 = E + "[1;1f" + E + "[0m" + E + "[31;47mT\x04" + E + "[30m   " + E + "[37;40m";
    const std::string row1 = E + "[2;1f" + E + "[30;47m  " + E + "[31m\x04" + E + "[30m  " + E + "[37;40m";
    const std::string row2 = E + "[3;1f" + E + "[30;47m   " + E + "[31m\x04T" + E + "[37;40m";
    EXPECT_EQ(sent, row0 + row1 + row2);
}

TEST(DeckArt, BlackCardsUseNoRedSequence) {
    DoorLine line;
    kegora::DrawKingOfSpades(10, 4);
    const std::string sent = line.Take();
    EXPECT_EQ(sent.find("31"), std::string::npos);
    for (int y = 4; y <= 6; ++y)
        for (int x = 10; x <= 14; ++x) EXPECT_EQ(line.Screen.Attr(x, y), 0x70) << x << "," << y;
    EXPECT_EQ(line.Screen.Text(10, 4, 5), "K\x06   ");
    EXPECT_EQ(line.Screen.Text(10, 5, 5), "  \x06  ");
    EXPECT_EQ(line.Screen.Text(10, 6, 5), "   \x06K");
}

// Every procedure of the table draws its own rank and suit along the diagonal, in its colour,
// on a white face, and leaves light grey on black behind without touching the tracked attribute.
TEST(DeckArt, EveryCardProcedureDrawsItsCard) {
    const char ranks[] = "A23456789TJQK";
    const char suits[] = {kegora::SUIT_CLUB, kegora::SUIT_DIAMOND, kegora::SUIT_HEART, kegora::SUIT_SPADE};
    for (int s = 0; s < 4; ++s) {
        for (int r = 0; r < 13; ++r) {
            DoorLine line;
            harbex::SetTextAttr(0x1E);
            line.Screen.Feed("\x1b[44m\x1b[2J");  // a blue screen shows any cell the card misses
            const int x = 3 + r * 6, y = 2 + s * 5;
            kegora::CardProcs[static_cast<size_t>(s)][static_cast<size_t>(r)](x, y);
            line.Take();
            const bool red = s == 1 || s == 2;
            const uint8_t ink = red ? 0x74 : 0x70;
            SCOPED_TRACE(std::string("card ") + ranks[r] + " suit " + std::to_string(s));
            const std::string face[3] = {std::string{ranks[r], suits[s], ' ', ' ', ' '},
                                         std::string{' ', ' ', suits[s], ' ', ' '},
                                         std::string{' ', ' ', ' ', suits[s], ranks[r]}};
            for (int dy = 0; dy < 3; ++dy) {
                EXPECT_EQ(line.Screen.Text(x, y + dy, 5), face[dy]);
                for (int dx = 0; dx < 5; ++dx) {
                    const bool marked = face[dy][static_cast<size_t>(dx)] != ' ';
                    EXPECT_EQ(line.Screen.Attr(x + dx, y + dy), marked ? ink : 0x70) << dx << "," << dy;
                }
            }
            EXPECT_EQ(line.Screen.Attr(x + 5, y), 0x17);  // nothing beyond the card
            EXPECT_EQ(line.Screen.Attr(x - 1, y + 1), 0x17);
            EXPECT_EQ(line.Screen.CurrentAttr(), 0x07);
            EXPECT_EQ(harbex::GetTextAttr(), 0x1E);
        }
    }
}

TEST(DeckArt, NamedProceduresMatchTheirCards) {
    DoorLine line;
    kegora::Draw7OfHearts(20, 10);
    kegora::DrawQueenOfSpades(30, 10);
    kegora::DrawAceOfClubs(40, 10);
    kegora::DrawJackOfDiamonds(50, 10);
    line.Take();
    EXPECT_EQ(line.Screen.Text(20, 10, 2), "7\x03");
    EXPECT_EQ(line.Screen.Text(30, 10, 2), "Q\x06");
    EXPECT_EQ(line.Screen.Text(40, 10, 2), "A\x05");
    EXPECT_EQ(line.Screen.Text(50, 10, 2), "J\x04");
    EXPECT_EQ(line.Screen.Attr(20, 10), 0x74);
    EXPECT_EQ(line.Screen.Attr(30, 10), 0x70);
}

} // namespace
