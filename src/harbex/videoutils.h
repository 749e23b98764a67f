// Direct access to the local console's screen image: writing a string at a cell in a given
// attribute without disturbing the cursor, window or colours (FastWrite), reading and
// changing single cells, saving and restoring the whole 80x25 screen, absolute cursor
// position and visibility, and the default status bar. Coordinates are 1-based on the
// whole screen whatever the window; nothing here reaches the caller.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace harbex {

struct TCharInfo {
    char Ch = ' ';
    uint8_t Attr = 7;
};
// Rows 1-25 of columns 1-80, stored 0-based: Buffer[row - 1][column - 1].
using TScreenBuffer = std::array<std::array<TCharInfo, 80>, 25>;

// Writes ALine at (AX, AY) in AAttr, cut at column 80, and on row 25 at column 79 (the
// bottom-right cell is never written). Nothing when AX is outside 1-80 or AY outside 1-25.
// Bytes are written as glyphs. Leaves the cursor and window as they were; the console
// attribute ends as the tracked attribute.
void FastWrite(const std::string& ALine, uint8_t AX, uint8_t AY, uint8_t AAttr);
char GetCharAt(uint8_t AX, uint8_t AY);                // ' ' outside the screen
uint8_t GetAttrAt(uint8_t AX, uint8_t AY);             // 7 outside the screen
void SetCharAt(char ACh, uint8_t AX, uint8_t AY);      // keeps the cell's attribute
void SetAttrAt(uint8_t AAttr, uint8_t AX, uint8_t AY); // keeps the cell's character
void ScreenSave(TScreenBuffer& AScreenBuffer);
// FastWrite of every cell in row-major order (so all but (80, 25) are rewritten).
void ScreenRestore(const TScreenBuffer& AScreenBuffer);
uint16_t ScreenSizeX(); // 80
uint16_t ScreenSizeY(); // 25
// Cursor as (column - 1) in the low byte and (row - 1) in the high byte.
uint16_t WhereXYAbs();
void GotoXYAbs(uint16_t AXY);
void CursorHide();
void CursorShow();

} // namespace harbex
