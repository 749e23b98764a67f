#include "app/mainmenu.h"

#include <string>

#include "app/calendar.h"
#include "app/dayscores.h"
#include "app/playday.h"
#include "app/screens.h"
#include "app/standings.h"
#include "common/datetime.h"
#include "harbex/door.h"
#include "harbex/doordisplay.h"
#include "harbex/targetplatform.h"
#include "records/dailyplay.h"

namespace kegora {

using namespace harbex;

namespace {

constexpr int32_t YMenu = 12; // the row above the first menu line
constexpr int32_t MenuColumn = 24;

void GotoXY(int32_t AX, int32_t AY) {
    DoorGotoXY(static_cast<uint8_t>(AX), static_cast<uint8_t>(AY));
}

// "[", the key, "]" and the rest of the label in the menu's colours, at the cursor.
void WriteChoice(char AKey, const std::string& ARest, const std::string& AOpen = "[") {
    DoorTextAttr(11);
    DoorWrite(AOpen);
    DoorTextAttr(14);
    DoorWrite(std::string(1, AKey));
    DoorTextAttr(11);
    DoorWrite("]");
    DoorTextAttr(15);
    DoorWrite(ARest);
}

void DrawFooter() {
    GotoXY(1, 24);
    DoorTextBackground(2);
    DoorWrite("\x1b[?7l");
    DoorWrite(Repeat(' ', 80));
    GotoXY(1, 24);
    DoorTextColour(0);
    DoorWriteCentered(" " + BuildInfo());
    DoorWrite("\x1b[?7h");
    DoorTextBackground(0);
}

} // namespace

void DrawMainMenu(bool AAlreadyPlayedToday) {
    DoorClrScr();
    DoorDisplayFile(INTRO_ART_FILE);
    DrawFooter();
    for (int32_t row = 13; row <= 20; ++row) {
        GotoXY(MenuColumn, row);
        DoorWrite(Repeat(' ', 33));
    }

    GotoXY(MenuColumn, YMenu + 1);
    if (AAlreadyPlayedToday) {
        DoorTextAttr(8);
        DoorWrite("[");
        DoorTextAttr(7);
        DoorWrite("P");
        DoorTextAttr(8);
        DoorWrite("]");
        DoorTextAttr(7);
        DoorWrite("lay Today's Game ");
        DoorTextAttr(10);
        DoorWrite("(COMPLETED)");
    } else {
        WriteChoice('P', "lay Today's Game");
    }
    GotoXY(MenuColumn, YMenu + 2);
    WriteChoice('C', "alendar - View/Play Other Days");
    GotoXY(MenuColumn, YMenu + 3);
    WriteChoice('D', "aily Winners This Month");
    GotoXY(MenuColumn, YMenu + 4);
    WriteChoice('M', "onthly Champions");
    GotoXY(MenuColumn, YMenu + 5);
    WriteChoice('R', "ecent & All-Time Champions");
    GotoXY(MenuColumn, YMenu + 6);
    WriteChoice('I', "nstructions");
    WriteChoice('V', "iew Single Day", "  [");
    GotoXY(MenuColumn, YMenu + 7);
    WriteChoice('Q', "uit to BBS   ");
    WriteChoice('A', "bout");
    GotoXY(MenuColumn, YMenu + 8);
    DoorTextAttr(14);
    DoorWrite("Your choice: ");
}

void ShowMainMenu() {
    records::TDailyTracker tracker;
    const std::string player = PlayerName();
    bool done = false;
    while (!done) {
        const bool alreadyPlayedToday = tracker.HasPlayedDate(player, common::Today());
        DrawMainMenu(alreadyPlayedToday);
        char choice = DoorReadKey();
        if (DoorLastKey.Extended) continue; // special keys of the local keyboard choose nothing
        if (choice >= 'a' && choice <= 'z') choice = static_cast<char>(choice - 'a' + 'A');
        switch (choice) {
        case 'P':
            if (!alreadyPlayedToday) PlayGameForDate(common::Today());
            break;
        case 'C':
            ShowCalendar();
            break;
        case 'D':
            ShowDailyWinnersScreen();
            break;
        case 'M':
            ShowMonthlyChampions();
            break;
        case 'R':
            ShowRecentAndAllTimeChampions();
            break;
        case 'I':
            ShowInstructions();
            break;
        case 'V':
            ViewSingleDay();
            break;
        case 'A':
            ShowAbout();
            break;
        case 'Q':
            done = true;
            break;
        default:
            break; // anything else: the menu is drawn again
        }
    }
}

} // namespace kegora
