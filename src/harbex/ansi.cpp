#include "harbex/ansi.h"

#include <algorithm>
#include <climits>

#include "harbex/console.h"
#include "harbex/consolescreen.h"
#include "harbex/crt2.h"

namespace harbex {

const int32_t AnsiColours[8] = {0, 4, 2, 6, 1, 5, 3, 7};

namespace {
const std::string ESC = "\x1b[";

std::string Num(int AValue) {
    return std::to_string(AValue);
}

} // namespace

std::string AnsiTextColour(uint8_t AColour) {
    const int c = AColour % 16;
    if (c < 8)
        return ESC + "0;" + Num(30 + AnsiColours[c]) + "m" + AnsiTextBackground(GetTextAttr() >> 4);
    return ESC + "1;" + Num(30 + AnsiColours[c - 8]) + "m";
}

std::string AnsiTextBackground(uint8_t AColour) {
    return ESC + Num(40 + AnsiColours[AColour % 8]) + "m";
}

std::string AnsiTextAttr(uint8_t AAttr) {
    return AnsiTextColour(static_cast<uint8_t>(AAttr & 15)) +
           AnsiTextBackground(static_cast<uint8_t>(AAttr >> 4)) + (AAttr & 0x80 ? ESC + "5m" : "");
}

std::string AnsiBlink(bool ABlink) {
    if (ABlink) return ESC + "5m";
    const uint8_t t = GetTextAttr();
    return ESC + "0m" + AnsiTextBackground(static_cast<uint8_t>(t >> 4)) +
           AnsiTextColour(static_cast<uint8_t>(t & 15));
}

std::string AnsiSgr(uint8_t AAttr) {
    return ESC + "0;" + (AAttr & 0x08 ? "1;" : "") + (AAttr & 0x80 ? "5;" : "") +
           Num(30 + AnsiColours[AAttr & 7]) + ";" + Num(40 + AnsiColours[(AAttr >> 4) & 7]) + "m";
}

std::string AnsiClrEol() {
    return ESC + "K";
}
std::string AnsiClrScr() {
    return ESC + "2J" + AnsiGotoXY(1, 1);
}
std::string AnsiCursorUp(uint8_t ACount) {
    return ESC + Num(ACount) + "A";
}
std::string AnsiCursorDown(uint8_t ACount) {
    return ESC + Num(ACount) + "B";
}
std::string AnsiCursorRight(uint8_t ACount) {
    return ESC + Num(ACount) + "C";
}
std::string AnsiCursorLeft(uint8_t ACount) {
    return ESC + Num(ACount) + "D";
}
std::string AnsiCursorSave() {
    return ESC + "s";
}
std::string AnsiCursorRestore() {
    return ESC + "u";
}
std::string AnsiGotoXY(uint8_t AX, uint8_t AY) {
    return ESC + Num(AY) + ";" + Num(AX) + "f";
}

std::string AnsiGotoX(uint8_t AX) {
    std::string s = AnsiCursorLeft(255);
    if (AX > 1) s += AnsiCursorRight(static_cast<uint8_t>(AX - 1));
    return s;
}

std::string AnsiGotoY(uint8_t AY) {
    std::string s = AnsiCursorUp(255);
    if (AY > 1) s += AnsiCursorDown(static_cast<uint8_t>(AY - 1));
    return s;
}

// ---- ANSI interpreter -------------------------------------------------------------

TAnsiParserState AnsiParserState = TAnsiParserState::None;
std::string AnsiBuffer;
std::vector<int32_t> AnsiParams = {0};
uint16_t AnsiXY = 0x0101;
uint8_t AnsiAttr = 7;

namespace {

// Decimal value of the parameter text; 0 when it is not a number in the 32-bit range.
int32_t ParamValue(const std::string& AText) {
    int64_t v = 0;
    if (AText.empty()) return 0;
    for (const char c : AText) {
        if (c < '0' || c > '9') return 0;
        v = v * 10 + (c - '0');
        if (v > INT32_MAX) return 0;
    }
    return static_cast<int32_t>(v);
}

void EndParam() {
    AddAnsiParam(ParamValue(AnsiBuffer));
    AnsiBuffer = "0";
}

void Rendition(int32_t AParam) {
    const uint8_t tracked = GetTextAttr();
    switch (AParam) {
    case 0:
        ConsoleSetAttr(pcLightGrey);
        break;
    case 1:
        ScrHighVideo();
        break;
    case 22:
        ScrLowVideo();
        break;
    case 5:
    case 6:
        SetTextAttr(static_cast<uint8_t>(tracked | 0x80));
        break;
    case 25:
        SetTextAttr(static_cast<uint8_t>(tracked & 0x7F));
        break;
    case 7:
    case 27:
        SetTextAttr(static_cast<uint8_t>(((tracked & 0x70) >> 4) + ((tracked & 7) << 4)));
        break;
    case 8:
        AnsiAttr = tracked;
        SetTextAttr(0);
        break;
    case 28:
        SetTextAttr(AnsiAttr);
        break;
    default:
        if (AParam >= 30 && AParam <= 37) {
            int colour = AnsiColours[AParam - 30];
            if ((tracked & 0x0F) > 7) colour += 8;
            SetTextColour(static_cast<uint8_t>(colour));
        } else if (AParam >= 40 && AParam <= 47) {
            SetTextBackground(static_cast<uint8_t>(AnsiColours[AParam - 40]));
        }
        break;
    }
}

} // namespace

void AddAnsiParam(int32_t AValue) {
    AnsiParams.push_back(AValue);
}

void HandleCode(char ACode) {
    if (ACode < 'A' || ACode > 'u') return;
    const int32_t p1 = AnsiParams.size() > 1 ? AnsiParams[1] : 0;
    const int32_t p2 = AnsiParams.size() > 2 ? AnsiParams[2] : 0;
    const TScreenWindow w = ScrGetWindow();
    const int width = w.Right - w.Left + 1;
    const int height = w.Bottom - w.Top + 1;
    // Counts beyond the window change nothing more, so they are bounded to its size.
    const int n = p1 < 1 ? 1 : static_cast<int>(std::min<int32_t>(p1, 1000));
    const int x = ScrWhereX(), y = ScrWhereY();
    switch (ACode) {
    case 'A':
        ScrGotoXY(x, std::max(y - n, 1));
        break;
    case 'B':
        ScrGotoXY(x, std::min(y + n, height));
        break;
    case 'C':
        ScrGotoXY(std::min(x + n, width), y);
        break;
    case 'D':
        ScrGotoXY(std::max(x - n, 1), y);
        break;
    case 'E':
        ScrGotoXY(1, std::min(y + n, height));
        break;
    case 'F':
        ScrGotoXY(1, std::max(y - n, 1));
        break;
    case 'G':
        if (n <= width) ScrGotoXY(n, y);
        break;
    case 'H':
    case 'f': {
        const int row = p1 < 1 ? 1 : static_cast<int>(std::min<int32_t>(p1, 1000));
        const int col = p2 < 1 ? 1 : static_cast<int>(std::min<int32_t>(p2, 1000));
        ScrGotoXY(col, row);
        break;
    }
    case 'J':
        if (p1 == 2) ScrClrScr();
        break;
    case 'K':
        if (p1 == 0) ScrClrEol();
        break;
    case 'L':
        for (int i = 0; i < std::min(n, height); ++i)
            ScrInsLine();
        break;
    case 'M':
        for (int i = 0; i < std::min(n, height); ++i)
            ScrDelLine();
        break;
    case 'h':
        if (p1 == 25) ScrShowCursor(true);
        break;
    case 'l':
        if (p1 == 25) ScrShowCursor(false);
        break;
    case 's':
        AnsiXY = static_cast<uint16_t>((x & 0xFF) | ((y & 0xFF) << 8));
        break;
    case 'u':
        ScrGotoXY(AnsiXY & 0xFF, AnsiXY >> 8);
        break;
    case 'm':
        for (size_t i = 1; i < AnsiParams.size(); ++i)
            Rendition(AnsiParams[i]);
        break;
    default:
        break; // S, T, n and the rest: nothing
    }
}

void AnsiWrite(const std::string& AText) {
    std::string pending;
    ScrBeginUpdate();
    for (const char c : AText) {
        switch (AnsiParserState) {
        case TAnsiParserState::None:
            if (c == '\x1b') {
                ScrWrite(pending);
                pending.clear();
                AnsiParserState = TAnsiParserState::HaveEscape;
            } else {
                pending += c;
            }
            break;
        case TAnsiParserState::HaveEscape:
            if (c == '[') {
                AnsiBuffer = "0";
                AnsiParams.assign(1, 0);
                AnsiParserState = TAnsiParserState::HaveBracket;
            } else {
                AnsiParserState = TAnsiParserState::None; // ESC and c are both dropped
            }
            break;
        case TAnsiParserState::HaveBracket:
            if (c == ' ' || c == '<' || c == '=' || c == '>' || c == '?') break;
            if (c >= '0' && c <= '9') {
                if (AnsiBuffer.size() < 16)
                    AnsiBuffer += c; // longer is out of range anyway
                else
                    AnsiBuffer = "x"; // marks "not a number"
                break;
            }
            EndParam();
            if (c != ';') {
                HandleCode(c);
                AnsiParserState = TAnsiParserState::None;
            }
            break;
        }
    }
    ScrWrite(pending);
    ScrEndUpdate();
}

void AnsiWriteLn(const std::string& AText) {
    AnsiWrite(AText + "\r\n");
}

void AnsiResetInterpreter() {
    AnsiParserState = TAnsiParserState::None;
    AnsiBuffer.clear();
    AnsiParams.assign(1, 0);
    AnsiXY = 0x0101;
    AnsiAttr = 7;
}

} // namespace harbex
