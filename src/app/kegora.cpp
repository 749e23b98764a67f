// kegora: the Pinmarch door. main runs the door session from start-up to the return to the
// board: start-up, the rebuild of missing all-time records, the intro screen and the main
// menu, then the bulletins and shutdown. An error that escapes the screens (a data file that
// cannot be read or written) ends the door cleanly: one line on the local console naming the
// file and the reason, the session closed without hanging up on the caller, exit code 1.
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <string>

#include "app/bulletins.h"
#include "app/mainmenu.h"
#include "app/screens.h"
#include "game/cardgame.h"
#include "harbex/door.h"
#include "harbex/doorstartup.h"
#include "records/dailyplay.h"

namespace {

bool FileExists(const char* AName) {
    return ::access(AName, F_OK) == 0;
}

void RebuildMissingAllTimeRecords() {
    if (FileExists(records::ALL_TIME_FILE_NAME) || !FileExists(records::PLAY_LOG_FILE_NAME)) return;
    harbex::DoorClrScr();
    harbex::DoorGotoXY(20, 12);
    harbex::DoorTextAttr(14);
    harbex::DoorWrite("Building all-time records from history...");
    records::TDailyTracker tracker;
    tracker.RebuildAllTimeRecords();
}

void RunDoor(int argc, char** argv) {
    harbex::DoorStartup(argc, argv);
    harbex::DoorProgramNameAndVersion = kegora::ProgramNameAndVersion();
    RebuildMissingAllTimeRecords();
    game::RandomizeFromClock();
    kegora::ShowIntroScreen();
    // The bulletins are written when the menu returns and also when an error escapes it (the
    // error then goes on); ends by carrier loss, idle or time-up never get here.
    std::exception_ptr menuError;
    try {
        kegora::ShowMainMenu();
    } catch (...) {
        menuError = std::current_exception();
    }
    try {
        kegora::CreateBulletinFiles();
    } catch (...) {
        // With an error already on its way out, that one is reported: a broken play log
        // fails the bulletins too, and the console gets one line.
        if (!menuError) throw;
    }
    if (menuError) std::rethrow_exception(menuError);
    harbex::DoorShutdown();
}

void ReportFailure(const std::string& AReason) {
    std::fprintf(stderr, "%s: stopped: %s\n", kegora::GAME_NAME, AReason.c_str());
    std::fflush(stderr);
}

} // namespace

int main(int argc, char** argv) {
    try {
        RunDoor(argc, argv);
        return 0;
    } catch (const records::EPlayRecordIOError& e) {
        ReportFailure("cannot use \"" + e.FileName() + "\": " + e.Reason());
    } catch (const std::exception& e) {
        ReportFailure(e.what());
    }
    // The caller learns why the door is gone before the board takes them back.
    harbex::DoorTextAttr(7);
    harbex::DoorWrite("\r\n\r\n  Pinmarch is not available right now (the sysop has been told). "
                      "Returning...\r\n");
    harbex::DoorShutdown();
    return 1;
}
