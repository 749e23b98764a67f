#include "harbex/consolescreen.h"

#include <unistd.h>

#include <algorithm>
#include <array>

#include "harbex/console.h"
#include "harbex/door.h"

namespace harbex {
namespace {

struct TCell {
    char Ch = ' ';
    uint8_t Attr = 7;
};

std::array<std::array<TCell, SCREEN_COLS>, SCREEN_ROWS> gCells{};
TScreenWindow gWin;
int gCol = 1, gRow = 1;  // absolute cursor
bool gCursorVisible = true;
std::array<bool, SCREEN_ROWS> gDirty{};
bool gCursorDirty = false;

enum class TMirror { Auto, Forced, Off };
TMirror gMirrorMode = TMirror::Auto;
int gMirrorFd = -1;
int gStdoutIsTty = -1;  // cached isatty(1)
int gUpdateDepth = 0;

int MirrorFd() {
    switch (gMirrorMode) {
    case TMirror::Forced: return gMirrorFd;
    case TMirror::Off: return -1;
    case TMirror::Auto:
        if (StdIO) return -1;  // standard output is the caller's channel
        if (gStdoutIsTty < 0) gStdoutIsTty = ::isatty(1) == 1 ? 1 : 0;
        return gStdoutIsTty ? 1 : -1;
    }
    return -1;
}

std::string Sgr(uint8_t AAttr) {
    static const int map[8] = {0, 4, 2, 6, 1, 5, 3, 7};
    std::string s = "\x1b[0;";
    if (AAttr & 0x08) s += "1;";
    if (AAttr & 0x80) s += "5;";
    return s + std::to_string(30 + map[AAttr & 7]) + ";" + std::to_string(40 + map[(AAttr >> 4) & 7]) + "m";
}

// Draws what changed on the sysop's terminal.
void Flush() {
    if (gUpdateDepth > 0) return;
    const int fd = MirrorFd();
    if (fd < 0) {
        gDirty.fill(false);
        gCursorDirty = false;
        return;
    }
    std::string out;
    for (int r = 0; r < SCREEN_ROWS; ++r) {
        if (!gDirty[static_cast<size_t>(r)]) continue;
        out += "\x1b[" + std::to_string(r + 1) + ";1H";
        int last = -1;
        for (const TCell& c : gCells[static_cast<size_t>(r)]) {
            if (c.Attr != last) {
                out += Sgr(c.Attr);
                last = c.Attr;
            }
            out += c.Ch;
        }
    }
    if (!out.empty() || gCursorDirty) {
        out += "\x1b[" + std::to_string(gRow) + ";" + std::to_string(gCol) + "H";
        out += gCursorVisible ? "\x1b[?25h" : "\x1b[?25l";
        WriteAllFd(fd, out);
    }
    gDirty.fill(false);
    gCursorDirty = false;
}

TCell& At(int AX, int AY) { return gCells[static_cast<size_t>(AY - 1)][static_cast<size_t>(AX - 1)]; }

void ClearRect(int ALeft, int ATop, int ARight, int ABottom) {
    const uint8_t a = ConsoleGetAttr();
    for (int y = ATop; y <= ABottom; ++y) {
        for (int x = ALeft; x <= ARight; ++x) At(x, y) = TCell{' ', a};
        gDirty[static_cast<size_t>(y - 1)] = true;
    }
}

// Rows ATop..ABottom of the window move up by one; the bottom row is cleared.
void ScrollUp(int ATop, int ABottom) {
    for (int y = ATop; y < ABottom; ++y) {
        for (int x = gWin.Left; x <= gWin.Right; ++x) At(x, y) = At(x, y + 1);
        gDirty[static_cast<size_t>(y - 1)] = true;
    }
    ClearRect(gWin.Left, ABottom, gWin.Right, ABottom);
}

void ScrollDown(int ATop, int ABottom) {
    for (int y = ABottom; y > ATop; --y) {
        for (int x = gWin.Left; x <= gWin.Right; ++x) At(x, y) = At(x, y - 1);
        gDirty[static_cast<size_t>(y - 1)] = true;
    }
    ClearRect(gWin.Left, ATop, gWin.Right, ATop);
}

void LineFeed() {
    if (gRow < gWin.Bottom)
        ++gRow;
    else
        ScrollUp(gWin.Top, gWin.Bottom);
}

bool OnScreen(int AX, int AY) { return AX >= 1 && AX <= SCREEN_COLS && AY >= 1 && AY <= SCREEN_ROWS; }

} // namespace

int ScrWhereX() { return gCol - gWin.Left + 1; }
int ScrWhereY() { return gRow - gWin.Top + 1; }

void ScrGotoXY(int AX, int AY) {
    if (AX < 1 || AY < 1 || AX > gWin.Right - gWin.Left + 1 || AY > gWin.Bottom - gWin.Top + 1) return;
    gCol = gWin.Left + AX - 1;
    gRow = gWin.Top + AY - 1;
    gCursorDirty = true;
    Flush();
}

int ScrCursorCol() { return gCol; }
int ScrCursorRow() { return gRow; }

void ScrSetCursorAbs(int ACol, int ARow) {
    gCol = std::clamp(ACol, 1, SCREEN_COLS);
    gRow = std::clamp(ARow, 1, SCREEN_ROWS);
    gCursorDirty = true;
    Flush();
}

TScreenWindow ScrGetWindow() { return gWin; }

void ScrWindow(int ALeft, int ATop, int ARight, int ABottom) {
    if (ALeft < 1 || ATop < 1 || ARight > SCREEN_COLS || ABottom > SCREEN_ROWS || ALeft > ARight || ATop > ABottom)
        return;
    gWin = TScreenWindow{ALeft, ATop, ARight, ABottom};
    gCol = ALeft;
    gRow = ATop;
    gCursorDirty = true;
    Flush();
}

void ScrSetWindowBounds(const TScreenWindow& AWindow) { gWin = AWindow; }

void ScrClrScr() {
    ClearRect(gWin.Left, gWin.Top, gWin.Right, gWin.Bottom);
    gCol = gWin.Left;
    gRow = gWin.Top;
    gCursorDirty = true;
    Flush();
}

void ScrClrEol() {
    ClearRect(gCol, gRow, gWin.Right, gRow);
    Flush();
}

void ScrInsLine() {
    ScrollDown(gRow, gWin.Bottom);
    Flush();
}

void ScrDelLine() {
    ScrollUp(gRow, gWin.Bottom);
    Flush();
}

void ScrWrite(const std::string& AText) {
    const uint8_t a = ConsoleGetAttr();
    for (const char c : AText) {
        switch (c) {
        case '\r': gCol = gWin.Left; break;
        case '\n': LineFeed(); break;
        case '\b':
            if (gCol > gWin.Left) --gCol;
            break;
        case '\a': break;
        default:
            At(gCol, gRow) = TCell{c, a};
            gDirty[static_cast<size_t>(gRow - 1)] = true;
            if (gCol < gWin.Right) {
                ++gCol;
            } else {
                gCol = gWin.Left;
                LineFeed();
            }
        }
    }
    gCursorDirty = true;
    Flush();
}

char ScrGetChar(int AX, int AY) { return OnScreen(AX, AY) ? At(AX, AY).Ch : ' '; }

uint8_t ScrGetAttr(int AX, int AY) { return OnScreen(AX, AY) ? At(AX, AY).Attr : 7; }

void ScrPutCell(int AX, int AY, char ACh, uint8_t AAttr) {
    if (!OnScreen(AX, AY)) return;
    At(AX, AY) = TCell{ACh, AAttr};
    gDirty[static_cast<size_t>(AY - 1)] = true;
    Flush();
}

void ScrShowCursor(bool AShow) {
    gCursorVisible = AShow;
    gCursorDirty = true;
    Flush();
}

bool ScrCursorVisible() { return gCursorVisible; }

void ScrHighVideo() { ConsoleSetAttr(static_cast<uint8_t>(ConsoleGetAttr() | 0x08)); }
void ScrLowVideo() { ConsoleSetAttr(static_cast<uint8_t>(ConsoleGetAttr() & ~0x08)); }
void ScrNormVideo() { ConsoleSetAttr(7); }

void ScrBeginUpdate() { ++gUpdateDepth; }

void ScrEndUpdate() {
    if (gUpdateDepth > 0 && --gUpdateDepth == 0) Flush();
}

void ScrReset() {
    for (auto& row : gCells) row.fill(TCell{});
    gWin = TScreenWindow{};
    gCol = gRow = 1;
    gCursorVisible = true;
    gDirty.fill(true);
    gCursorDirty = true;
    Flush();
}

void ScrSetMirror(int AFd) {
    gMirrorMode = AFd >= 0 ? TMirror::Forced : TMirror::Off;
    gMirrorFd = AFd;
}

void ScrSetMirrorAuto() { gMirrorMode = TMirror::Auto; }

bool ScrMirrorActive() { return MirrorFd() >= 0; }

} // namespace harbex
