#include "harbex/console.h"

#include <unistd.h>

#include "common/fileio.h"
#include "harbex/ansi.h"
#include "harbex/consolescreen.h"

namespace harbex {
namespace {

uint8_t gAttr = 7;

bool StdoutIsTerminal() {
    return ::isatty(1) == 1;
}

} // namespace

uint8_t ConsoleGetAttr() {
    return gAttr;
}

void ConsoleSetAttr(uint8_t AAttr) {
    gAttr = AAttr;
}

void ConsoleReset() {
    gAttr = 7;
}

// The screen image always follows; standard output gets the text directly unless the
// image is already being drawn there.
void ConsoleClrScr() {
    ScrClrScr();
    if (!ScrMirrorActive() && StdoutIsTerminal())
        common::WriteFull(1, AnsiSgr(gAttr) + "\x1b[2J\x1b[1;1H");
}

void ConsoleWrite(const std::string& AText) {
    ScrWrite(AText);
    if (ScrMirrorActive()) return;
    common::WriteFull(1, StdoutIsTerminal() ? AnsiSgr(gAttr) + AText : AText);
}

void ConsoleWriteLn(const std::string& AText) {
    ConsoleWrite(AText + "\r\n");
}

} // namespace harbex
