// The main module's small screens and drawing routines: the program's name and version,
// the player's name, the screen border with its title row, centred text, the intro screen
// with its title box and scattered cards, the instructions and the about screen.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace kegora {

inline constexpr char GAME_NAME[] = "Pinmarch";
inline constexpr char VERSION[] = "2025.9.13";

// "Pinmarch v2025.9.13".
std::string ProgramNameAndVersion();

// The caller as every screen names them: the drop file's alias, or the real name when the
// alias is empty.
std::string PlayerName();

int32_t Min(int32_t A, int32_t B);

// Moves to column (80 - length) div 2 of row Y, sets Attr and writes Text.
void WriteCentered(int32_t Y, uint8_t Attr, const std::string& Text);

// The screen border: the top line across row 1, and with AShowTitle the title row 2
// ("P I N M A R C H") and the line under it on row 3.
void DrawBorder(bool AShowTitle);

// The intro's title box (columns 20-59, rows 10-13) and its prompt on row 15.
void DrawTitleBox();

// Title box and random cards until the caller presses a key (the key is discarded).
void ShowIntroScreen();

// How to play; waits for a key.
void ShowInstructions();

// About the game; waits for a key.
void ShowAbout();

// ---- Code page 437 bytes used by the screens ----
namespace cp437 {
inline constexpr char DoubleTopLeft = '\xC9';     // 201
inline constexpr char DoubleHorizontal = '\xCD';  // 205
inline constexpr char DoubleTopRight = '\xBB';    // 187
inline constexpr char DoubleVertical = '\xBA';    // 186
inline constexpr char DoubleBottomLeft = '\xC8';  // 200
inline constexpr char DoubleBottomRight = '\xBC'; // 188
inline constexpr char TopLeft = '\xDA';           // 218
inline constexpr char Horizontal = '\xC4';        // 196
inline constexpr char TopRight = '\xBF';          // 191
inline constexpr char Vertical = '\xB3';          // 179
inline constexpr char BottomLeft = '\xC0';        // 192
inline constexpr char BottomRight = '\xD9';       // 217
inline constexpr char FullBlock = '\xDB';         // 219
inline constexpr char Heart = '\x03';
inline constexpr char Diamond = '\x04';
} // namespace cp437

// Moves to (AX, AY), sets AAttr and writes AText: the screens' usual way to put a text in place.
void WriteAt(int32_t AX, int32_t AY, uint8_t AAttr, const std::string& AText);

// printf-style formatting of a short screen text (at most 127 bytes).
template <class... TArgs> std::string FormatText(const char* APattern, TArgs... AArgs) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, APattern, AArgs...);
    return buffer;
}

// A text of ACount copies of AChar.
inline std::string Repeat(char AChar, int ACount) {
    return std::string(static_cast<size_t>(ACount > 0 ? ACount : 0), AChar);
}

} // namespace kegora
