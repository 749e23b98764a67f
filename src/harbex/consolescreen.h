// The local console's screen: an 80x25 image of cells (character byte + PC attribute)
// with a cursor, a window to which cursor coordinates, clearing, scrolling and line
// insertion apply, and cursor visibility. Text written at the cursor uses the console
// attribute (console.h) and wraps and scrolls inside the window.
//
// The image is always kept in memory. It is drawn on the sysop's terminal only when that
// terminal is not the caller's channel: socket mode (StdIO false) with standard output on
// a terminal. In standard-I/O mode nothing reaches the caller from it.
#pragma once

#include <cstdint>
#include <string>

namespace harbex {

constexpr int SCREEN_COLS = 80;
constexpr int SCREEN_ROWS = 25;

// Window bounds on the whole screen, 1-based, inclusive.
struct TScreenWindow {
    int Left = 1, Top = 1, Right = SCREEN_COLS, Bottom = SCREEN_ROWS;
};

// Cursor within the current window (1-based).
int ScrWhereX();
int ScrWhereY();
// Moves within the current window; ignored when outside it.
void ScrGotoXY(int AX, int AY);
// Cursor on the whole screen (1-based).
int ScrCursorCol();
int ScrCursorRow();
void ScrSetCursorAbs(int ACol, int ARow); // clamped to the screen

TScreenWindow ScrGetWindow();
// Sets the window (ignored unless 1 <= left <= right <= 80 and 1 <= top <= bottom <= 25)
// and homes the cursor in it.
void ScrWindow(int ALeft, int ATop, int ARight, int ABottom);

void ScrClrScr();  // clears the window in the console attribute, cursor home
void ScrClrEol();  // cursor to the window's right edge
void ScrInsLine(); // blank line at the cursor row, rows below move down
void ScrDelLine(); // cursor row removed, rows below move up
// Writes at the cursor: CR to column 1, LF one row down, BS one column left, BEL nothing,
// every other byte a glyph; wraps at the window's right edge, scrolls at its bottom.
void ScrWrite(const std::string& AText);

// Direct cell access on the whole screen; outside 1-80 x 1-25 reads give a space and
// attribute 7, writes do nothing. Never moves the cursor or scrolls.
char ScrGetChar(int AX, int AY);
uint8_t ScrGetAttr(int AX, int AY);
void ScrPutCell(int AX, int AY, char ACh, uint8_t AAttr);

void ScrShowCursor(bool AShow);
bool ScrCursorVisible();

// Console attribute variants: bright sets bit 3, dim clears it.
void ScrHighVideo();
void ScrLowVideo();

// Batches drawing: between Begin and the matching End nothing is drawn; End draws all
// that changed at once. Nests.
void ScrBeginUpdate();
void ScrEndUpdate();

// Whole-screen reset: blank cells in attribute 7, full window, cursor home and visible.
void ScrReset();
// True when the image is being drawn on the sysop's terminal.
bool ScrMirrorActive();

} // namespace harbex
