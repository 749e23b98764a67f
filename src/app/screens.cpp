#include "app/screens.h"

#include "app/cards.h"
#include "common/datetime.h"
#include "game/cardgame.h"
#include "harbex/door.h"

namespace kegora {

using namespace harbex;

namespace {

// AText centred in a field of AWidth characters, the odd blank on the left.
std::string CentredField(const std::string& AText, int AWidth) {
    const int pad = AWidth - static_cast<int>(AText.size());
    const int right = pad / 2;
    return Repeat(' ', pad - right) + AText + Repeat(' ', right);
}

} // namespace

void WriteAt(int32_t AX, int32_t AY, uint8_t AAttr, const std::string& AText) {
    DoorGotoXY(static_cast<uint8_t>(AX), static_cast<uint8_t>(AY));
    DoorTextAttr(AAttr);
    DoorWrite(AText);
}

std::string ProgramNameAndVersion() {
    return std::string(GAME_NAME) + " v" + VERSION;
}

std::string PlayerName() {
    return DoorDropInfo.Alias.empty() ? DoorDropInfo.RealName : DoorDropInfo.Alias;
}

int32_t Min(int32_t A, int32_t B) {
    return A < B ? A : B;
}

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
    WriteAt(20, 10, 31, DoubleTopLeft + Repeat(DoubleHorizontal, 38) + DoubleTopRight);
    WriteAt(20, 11, 31, std::string(1, DoubleVertical));
    DoorTextAttr(30);
    DoorWrite(CentredField("PINMARCH", 38));
    DoorTextAttr(31);
    DoorWrite(std::string(1, DoubleVertical));
    WriteAt(20, 12, 31,
            DoubleVertical + CentredField(std::string("v") + VERSION, 38) + DoubleVertical);
    DoorGotoXY(20, 13);
    DoorWrite(DoubleBottomLeft + Repeat(DoubleHorizontal, 38) + DoubleBottomRight);
    WriteAt(25, 15, 14, "...Press any key to continue...");
}

void ShowIntroScreen() {
    game::RandomizeFromClock();
    DoorClrScr();
    DrawTitleBox();
    // A caller who has gone ends the opening cards at once, not only the wait below.
    for (int i = 0; i < 15 && DoorCarrier(); ++i) {
        DrawRandomCard();
        common::SleepMs(100);
        (void)DoorKeyPressed(); // looks at the input (an end is noticed); a key stays queued
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
    WriteAt(5, 5, 31, "HOW TO PLAY PINMARCH");
    WriteAt(5, 7, 15, "1. Cards must be placed in ascending order (Ace=1, King=13)");
    WriteAt(5, 8, 15, "2. You can cover cards of the same rank (e.g., 7");
    DoorTextColour(12);
    DoorWrite(std::string(1, cp437::Heart));
    DoorTextColour(15);
    DoorWrite(" on 7");
    DoorTextColour(12);
    DoorWrite(std::string(1, cp437::Diamond));
    DoorTextColour(15);
    DoorWrite(")");
    WriteAt(5, 9, 15, "3. Once placed, a card sets ordering constraints:");
    WriteAt(7, 10, 14, "- Lower positions must have LOWER or EQUAL ranks");
    WriteAt(7, 11, 14, "- Higher positions must have HIGHER or EQUAL ranks");
    WriteAt(5, 13, 10, "CONTROLS:");
    WriteAt(7, 14, 10, "- Arrow keys or 2/4/6/8: Move cursor   1/3/7/9/0: Jump to pin 1/3/7/9/10");
    WriteAt(7, 15, 10, "- 5: Place card at cursor      Space or Enter: Take a miss");
    WriteAt(7, 16, 10, "  (Pin labels are not keys: 2, 4, 6 and 8 move the cursor, 5 places.)");
    WriteAt(7, 17, 10, "- R: Redraw screen  H: This help  Q: Quit the game");
    WriteAt(5, 19, 11, "SCORING:");
    WriteAt(7, 20, 11, "- Strike: All 10 pins 1/2 frame (10 + next 2 balls)");
    WriteAt(7, 21, 11, "- Spare: All 10 pins in frame (10 + next ball)");
    WriteAt(7, 22, 11, "- Open: Less than 10 pins (just pin count)");
    WriteAt(25, 24, 15, "Press any key to continue...");
    DoorReadKey();
}

void ShowAbout() {
    DoorClrScr();
    DrawBorder(true);
    std::string heading = "=== ABOUT PINMARCH ===";
    heading += Repeat(' ', 54 - static_cast<int>(heading.size()));
    WriteAt(18, 2, 31, heading);
    WriteAt(5, 5, 14,
            ProgramNameAndVersion() + " - written by the Pinmarch developers for Linux boards.");
    WriteAt(5, 7, 15, "Pinmarch follows in the footsteps of the card-game doors that");
    WriteAt(5, 8, 15, "callers of the bulletin-board days played between messages,");
    WriteAt(5, 9, 15, "racing each other for the best hand of the day.");
    WriteAt(5, 11, 15, "Every caller gets the same set of cards each day, so each day");
    WriteAt(5, 12, 15, "is a small tournament: play your cards well and try to have");
    WriteAt(5, 13, 15, "the best game of the day!");
    WriteAt(5, 15, 10, "Daily winners and monthly winners determined by most pins");
    WriteAt(5, 16, 10, "dropped in a month.");
    WriteAt(5, 18, 11, "Thanks to every sysop who keeps a board running, and to");
    WriteAt(5, 19, 11, "every caller who drops by to knock down a few pins.");
    WriteAt(5, 21, 14, "Contact: ");
    DoorTextAttr(15);
    DoorWrite("leave a message for the sysop of this board.");
    WriteAt(5, 22, 15, "Your sysop can pass questions and ideas on to the developers.");
    WriteAt(25, 25, 15, "Press any key to continue...");
    DoorReadKey();
}

} // namespace kegora
