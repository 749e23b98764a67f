#include "app/screens.h"

#include "app/cards.h"
#include "common/datetime.h"
#include "game/cardgame.h"
#include "harbex/door.h"

namespace kegora {

using namespace harbex;

namespace {

void At(int AX, int AY, uint8_t AAttr, const std::string& AText) {
    DoorGotoXY(static_cast<uint8_t>(AX), static_cast<uint8_t>(AY));
    DoorTextAttr(AAttr);
    DoorWrite(AText);
}

// AText centred in a field of AWidth characters, the odd blank on the left.
std::string CentredField(const std::string& AText, int AWidth) {
    const int pad = AWidth - static_cast<int>(AText.size());
    const int right = pad / 2;
    return Repeat(' ', pad - right) + AText + Repeat(' ', right);
}

} // namespace

std::string ProgramNameAndVersion() { return std::string(GAME_NAME) + " v" + VERSION; }

std::string PlayerName() {
    return DoorDropInfo.Alias.empty() ? DoorDropInfo.RealName : DoorDropInfo.Alias;
}

int32_t Min(int32_t A, int32_t B) { return A < B ? A : B; }

void WriteCentered(int32_t Y, uint8_t Attr, const std::string& Text) {
    const int32_t column = (80 - static_cast<int32_t>(Text.size())) / 2;
    DoorGotoXY(static_cast<uint8_t>(column), static_cast<uint8_t>(Y));
    DoorTextAttr(Attr);
    DoorWrite(Text);
}

void DrawBorder(bool AShowTitle) {
    using namespace cp437;
    DoorTextAttr(31);
    DoorGotoXY(1, 1);
    DoorWrite(DoubleTopLeft + Repeat(DoubleHorizontal, 78) + DoubleTopRight);
    if (!AShowTitle) return;
    DoorGotoXY(1, 2);
    DoorWrite(std::string{DoubleVertical, ' '});
    DoorTextAttr(30);
    DoorWrite(CentredField("P I N M A R C H", 76));
    DoorTextAttr(31);
    DoorWrite(std::string{' ', DoubleVertical});
    DoorGotoXY(1, 3);
    DoorWrite(DoubleBottomLeft + Repeat(DoubleHorizontal, 78) + DoubleBottomRight);
}

void DrawTitleBox() {
    using namespace cp437;
    At(20, 10, 31, DoubleTopLeft + Repeat(DoubleHorizontal, 38) + DoubleTopRight);
    At(20, 11, 31, std::string(1, DoubleVertical));
    DoorTextAttr(30);
    DoorWrite(CentredField("PINMARCH", 38));
    DoorTextAttr(31);
    DoorWrite(std::string(1, DoubleVertical));
    At(20, 12, 31, DoubleVertical + CentredField(std::string("v") + VERSION, 38) + DoubleVertical);
    DoorGotoXY(20, 13);
    DoorWrite(DoubleBottomLeft + Repeat(DoubleHorizontal, 38) + DoubleBottomRight);
    At(25, 15, 14, "...Press any key to continue...");
}

void ShowIntroScreen() {
    game::RandomizeFromClock();
    DoorClrScr();
    DrawTitleBox();
    for (int i = 0; i < 15; ++i) {
        DrawRandomCard();
        common::SleepMs(100);
    }
    int counter = 0;
    // A caller who is gone ends the wait too: the key read below then takes the hang-up path
    // (in standard-I/O mode no event pump would ever notice).
    while (!DoorKeyPressed() && DoorCarrier()) {
        DrawRandomCard();
        ++counter;
        if (counter % 5 == 0) DrawTitleBox();
        common::SleepMs(200);
    }
    DoorReadKey();
}

void ShowInstructions() {
    DoorClrScr();
    DrawBorder(true);
    At(5, 5, 31, "HOW TO PLAY PINMARCH");
    At(5, 7, 15, "1. Cards must be placed in ascending order (Ace=1, King=13)");
    At(5, 8, 15, "2. You can cover cards of the same rank (e.g., 7");
    DoorTextColour(12);
    DoorWrite(std::string(1, cp437::Heart));
    DoorTextColour(15);
    DoorWrite(" on 7");
    DoorTextColour(12);
    DoorWrite(std::string(1, cp437::Diamond));
    DoorTextColour(15);
    DoorWrite(")");
    At(5, 9, 15, "3. Once placed, a card sets ordering constraints:");
    At(7, 10, 14, "- Lower positions must have LOWER or EQUAL ranks");
    At(7, 11, 14, "- Higher positions must have HIGHER or EQUAL ranks");
    At(5, 13, 10, "CONTROLS:");
    At(7, 14, 10, "- 2/4/6/8: Move cursor (numpad style)");
    At(7, 15, 10, "- Space: Place card at cursor");
    At(7, 16, 10, "- Enter: Take a strategic miss/ball");
    At(7, 17, 10, "- R: Redraw screen  H: This help");
    At(5, 19, 11, "SCORING:");
    At(7, 20, 11, "- Strike: All 10 pins 1/2 frame (10 + next 2 balls)");
    At(7, 21, 11, "- Spare: All 10 pins in frame (10 + next ball)");
    At(7, 22, 11, "- Open: Less than 10 pins (just pin count)");
    At(25, 24, 15, "Press any key to continue...");
    DoorReadKey();
}

void ShowAbout() {
    DoorClrScr();
    DrawBorder(true);
    std::string heading = "=== ABOUT PINMARCH ===";
    heading += Repeat(' ', 54 - static_cast<int>(heading.size()));
    At(18, 2, 31, heading);
    At(5, 5, 14, ProgramNameAndVersion() + " - written by the Pinmarch developers for Linux boards.");
    At(5, 7, 15, "Pinmarch follows in the footsteps of the card-game doors that");
    At(5, 8, 15, "callers of the bulletin-board days played between messages,");
    At(5, 9, 15, "racing each other for the best hand of the day.");
    At(5, 11, 15, "Every caller gets the same set of cards each day, so each day");
    At(5, 12, 15, "is a small tournament: play your cards well and try to have");
    At(5, 13, 15, "the best game of the day!");
    At(5, 15, 10, "Daily winners and monthly winners determined by most pins");
    At(5, 16, 10, "dropped in a month.");
    At(5, 18, 11, "Thanks to every sysop who keeps a board running, and to");
    At(5, 19, 11, "every caller who drops by to knock down a few pins.");
    At(5, 21, 14, "Contact: ");
    DoorTextAttr(15);
    DoorWrite("leave a message for the sysop of this board.");
    At(5, 22, 15, "Your sysop can pass questions and ideas on to the developers.");
    At(25, 25, 15, "Press any key to continue...");
    DoorReadKey();
}

} // namespace kegora
