// ANSI (ECMA-48) sequence builders for the caller's terminal: pure functions returning
// the bytes; colour builders read the tracked attribute (crt2) but never change it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace harbex {

// PC colour 0-7 -> ANSI colour offset (30 + offset foreground, 40 + offset background).
extern const int32_t AnsiColours[8];

// 0-7: "\e[0;3Xm" + background of the tracked attribute; 8-15: "\e[1;3Xm". Modulo 16.
std::string AnsiTextColour(uint8_t AColour);
// "\e[4Xm", colour modulo 8.
std::string AnsiTextBackground(uint8_t AColour);
// AnsiTextColour(AAttr and 15) + AnsiTextBackground(AAttr shr 4), then "\e[5m" when the blink bit
// (128) is set.
std::string AnsiTextAttr(uint8_t AAttr);
// true: "\e[5m"; false: "\e[0m" + tracked background + tracked foreground.
std::string AnsiBlink(bool ABlink);
// The whole attribute in one sequence, for the sysop's terminal: "\e[0;" then "1;" when bright,
// "5;" when blinking, then "3F;4Bm".
std::string AnsiSgr(uint8_t AAttr);

std::string AnsiClrEol();                 // "\e[K"
std::string AnsiClrScr();                 // "\e[2J\e[1;1f"
std::string AnsiCursorUp(uint8_t ACount); // "\e[<n>A"
std::string AnsiCursorDown(uint8_t ACount);
std::string AnsiCursorRight(uint8_t ACount);
std::string AnsiCursorLeft(uint8_t ACount);
std::string AnsiCursorSave();                   // "\e[s"
std::string AnsiCursorRestore();                // "\e[u"
std::string AnsiGotoXY(uint8_t AX, uint8_t AY); // "\e[<y>;<x>f"
std::string AnsiGotoX(uint8_t AX);              // "\e[255D" then "\e[<x-1>C" when x > 1
std::string AnsiGotoY(uint8_t AY);              // "\e[255A" then "\e[<y-1>B" when y > 1

// ---- ANSI interpreter for the local console ---------------------------------------
// AnsiWrite shows on the local console (screen image) what an ANSI terminal would show
// for AText: plain text at the cursor in the console attribute, control sequences carried
// out with the console's cursor, clearing and colour operations. Its state persists
// between calls, so a sequence may be split over several calls. Nothing goes to the caller.

enum class TAnsiParserState : int32_t { None = 0, HaveEscape = 1, HaveBracket = 2 };

extern TAnsiParserState AnsiParserState; // None
extern std::string AnsiBuffer;           // digits of the parameter being read
extern std::vector<int32_t> AnsiParams;  // entry 0 a placeholder 0; parameters from 1
extern uint16_t AnsiXY;                  // saved cursor: column low byte, row high byte
extern uint8_t AnsiAttr;                 // attribute saved by the conceal code (7)

void AnsiWrite(const std::string& AText);
void AnsiWriteLn(const std::string& AText);
void AddAnsiParam(int32_t AValue);
// Carries out the sequence whose final character is ACode with the current AnsiParams.
void HandleCode(char ACode);
// Interpreter back to its program-start state (tests).
void AnsiResetInterpreter();

} // namespace harbex
