#include "harbex/consolescreen.h"

#include <unistd.h>

#include <algorithm>
#include <array>

#include "common/fileio.h"
#include "common/seams.h"
#include "harbex/ansi.h"
#include "harbex/charset.h"
#include "harbex/console.h"
#include "harbex/door.h"

namespace harbex {
namespace {

struct TCell {
    char Ch = ' ';
    uint8_t Attr = 7;
};

// The screen image with its cursor, window and what still has to be drawn.
struct TScreen {
    std::array<std::array<TCell, SCREEN_COLS>, SCREEN_ROWS> Cells{};
    TScreenWindow Win;
    int Col = 1, Row = 1; // absolute cursor
    bool CursorVisible = true;
    std::array<bool, SCREEN_ROWS> Dirty{};
    bool CursorDirty = false;
    int UpdateDepth = 0;
};
TScreen gScr;

int MirrorFd() {
    if (common::Seams().LocalScreen) return *common::Seams().LocalScreen;
    if (StdIO) return -1; // standard output is the caller's channel
    static const int tty = ::isatty(1) == 1 ? 1 : -1;
    return tty;
}

// Draws what changed on the sysop's terminal.
void Flush() {
    if (gScr.UpdateDepth > 0) return;
    const int fd = MirrorFd();
    if (fd < 0) {
        gScr.Dirty.fill(false);
        gScr.CursorDirty = false;
        return;
    }
    static const bool utf8 = CharsetOfLocale() == TCharset::utf8; // the sysop's terminal
    std::string out;
    for (int r = 0; r < SCREEN_ROWS; ++r) {
        if (!gScr.Dirty[static_cast<size_t>(r)]) continue;
        out += "\x1b[" + std::to_string(r + 1) + ";1H";
        int last = -1;
        for (const TCell& c : gScr.Cells[static_cast<size_t>(r)]) {
            if (c.Attr != last) {
                out += AnsiSgr(c.Attr);
                last = c.Attr;
            }
            if (utf8)
                out += Utf8(Cp437ToUnicode(static_cast<uint8_t>(c.Ch)));
            else
                out += c.Ch;
        }
    }
    if (!out.empty() || gScr.CursorDirty) {
        out += "\x1b[" + std::to_string(gScr.Row) + ";" + std::to_string(gScr.Col) + "H";
        out += gScr.CursorVisible ? "\x1b[?25h" : "\x1b[?25l";
        common::WriteFull(fd, out);
    }
    gScr.Dirty.fill(false);
    gScr.CursorDirty = false;
}

TCell& At(int AX, int AY) {
    return gScr.Cells[static_cast<size_t>(AY - 1)][static_cast<size_t>(AX - 1)];
}

void ClearRect(int ALeft, int ATop, int ARight, int ABottom) {
    const uint8_t a = ConsoleGetAttr();
    for (int y = ATop; y <= ABottom; ++y) {
        for (int x = ALeft; x <= ARight; ++x)
            At(x, y) = TCell{' ', a};
        gScr.Dirty[static_cast<size_t>(y - 1)] = true;
    }
}

// Rows ATop..ABottom of the window move up by one; the bottom row is cleared.
void ScrollUp(int ATop, int ABottom) {
    for (int y = ATop; y < ABottom; ++y) {
        for (int x = gScr.Win.Left; x <= gScr.Win.Right; ++x)
            At(x, y) = At(x, y + 1);
        gScr.Dirty[static_cast<size_t>(y - 1)] = true;
    }
    ClearRect(gScr.Win.Left, ABottom, gScr.Win.Right, ABottom);
}

void ScrollDown(int ATop, int ABottom) {
    for (int y = ABottom; y > ATop; --y) {
        for (int x = gScr.Win.Left; x <= gScr.Win.Right; ++x)
            At(x, y) = At(x, y - 1);
        gScr.Dirty[static_cast<size_t>(y - 1)] = true;
    }
    ClearRect(gScr.Win.Left, ATop, gScr.Win.Right, ATop);
}

void LineFeed() {
    if (gScr.Row < gScr.Win.Bottom)
        ++gScr.Row;
    else
        ScrollUp(gScr.Win.Top, gScr.Win.Bottom);
}

bool OnScreen(int AX, int AY) {
    return AX >= 1 && AX <= SCREEN_COLS && AY >= 1 && AY <= SCREEN_ROWS;
}

} // namespace

int ScrWhereX() {
    return gScr.Col - gScr.Win.Left + 1;
}
int ScrWhereY() {
    return gScr.Row - gScr.Win.Top + 1;
}

void ScrGotoXY(int AX, int AY) {
    if (AX < 1 || AY < 1 || AX > gScr.Win.Right - gScr.Win.Left + 1 ||
        AY > gScr.Win.Bottom - gScr.Win.Top + 1)
        return;
    gScr.Col = gScr.Win.Left + AX - 1;
    gScr.Row = gScr.Win.Top + AY - 1;
    gScr.CursorDirty = true;
    Flush();
}

int ScrCursorCol() {
    return gScr.Col;
}
int ScrCursorRow() {
    return gScr.Row;
}

void ScrSetCursorAbs(int ACol, int ARow) {
    gScr.Col = std::clamp(ACol, 1, SCREEN_COLS);
    gScr.Row = std::clamp(ARow, 1, SCREEN_ROWS);
    gScr.CursorDirty = true;
    Flush();
}

TScreenWindow ScrGetWindow() {
    return gScr.Win;
}

void ScrWindow(int ALeft, int ATop, int ARight, int ABottom) {
    if (ALeft < 1 || ATop < 1 || ARight > SCREEN_COLS || ABottom > SCREEN_ROWS || ALeft > ARight ||
        ATop > ABottom)
        return;
    gScr.Win = TScreenWindow{ALeft, ATop, ARight, ABottom};
    gScr.Col = ALeft;
    gScr.Row = ATop;
    gScr.CursorDirty = true;
    Flush();
}

void ScrClrScr() {
    ClearRect(gScr.Win.Left, gScr.Win.Top, gScr.Win.Right, gScr.Win.Bottom);
    gScr.Col = gScr.Win.Left;
    gScr.Row = gScr.Win.Top;
    gScr.CursorDirty = true;
    Flush();
}

void ScrClrEol() {
    ClearRect(gScr.Col, gScr.Row, gScr.Win.Right, gScr.Row);
    Flush();
}

void ScrInsLine() {
    ScrollDown(gScr.Row, gScr.Win.Bottom);
    Flush();
}

void ScrDelLine() {
    ScrollUp(gScr.Row, gScr.Win.Bottom);
    Flush();
}

void ScrWrite(const std::string& AText) {
    const uint8_t a = ConsoleGetAttr();
    for (const char c : AText) {
        switch (c) {
        case '\r':
            gScr.Col = gScr.Win.Left;
            break;
        case '\n':
            LineFeed();
            break;
        case '\b':
            if (gScr.Col > gScr.Win.Left) --gScr.Col;
            break;
        case '\a':
            break;
        default:
            At(gScr.Col, gScr.Row) = TCell{c, a};
            gScr.Dirty[static_cast<size_t>(gScr.Row - 1)] = true;
            if (gScr.Col < gScr.Win.Right) {
                ++gScr.Col;
            } else {
                gScr.Col = gScr.Win.Left;
                LineFeed();
            }
        }
    }
    gScr.CursorDirty = true;
    Flush();
}

char ScrGetChar(int AX, int AY) {
    return OnScreen(AX, AY) ? At(AX, AY).Ch : ' ';
}

uint8_t ScrGetAttr(int AX, int AY) {
    return OnScreen(AX, AY) ? At(AX, AY).Attr : 7;
}

void ScrPutCell(int AX, int AY, char ACh, uint8_t AAttr) {
    if (!OnScreen(AX, AY)) return;
    At(AX, AY) = TCell{ACh, AAttr};
    gScr.Dirty[static_cast<size_t>(AY - 1)] = true;
    Flush();
}

void ScrShowCursor(bool AShow) {
    gScr.CursorVisible = AShow;
    gScr.CursorDirty = true;
    Flush();
}

bool ScrCursorVisible() {
    return gScr.CursorVisible;
}

void ScrHighVideo() {
    ConsoleSetAttr(static_cast<uint8_t>(ConsoleGetAttr() | 0x08));
}
void ScrLowVideo() {
    ConsoleSetAttr(static_cast<uint8_t>(ConsoleGetAttr() & ~0x08));
}

void ScrBeginUpdate() {
    ++gScr.UpdateDepth;
}

void ScrEndUpdate() {
    if (gScr.UpdateDepth > 0 && --gScr.UpdateDepth == 0) Flush();
}

void ScrReset() {
    gScr = TScreen{};
    gScr.Dirty.fill(true);
    gScr.CursorDirty = true;
    Flush();
}

bool ScrMirrorActive() {
    return MirrorFd() >= 0;
}

} // namespace harbex
