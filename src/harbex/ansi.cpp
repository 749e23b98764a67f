#include "harbex/ansi.h"

#include "harbex/crt2.h"

namespace harbex {

const int32_t AnsiColours[8] = {0, 4, 2, 6, 1, 5, 3, 7};

namespace {
const std::string ESC = "\x1b[";

std::string Num(int AValue) { return std::to_string(AValue); }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
} // namespace

std::string AnsiTextColour(uint8_t AColour) {
    const int c = AColour % 16;
    if (c < 8) return ESC + "0;" + Num(30 + AnsiColours[c]) + "m" + AnsiTextBackground(GetTextAttr() >> 4);
    return ESC + "1;" + Num(30 + AnsiColours[c - 8]) + "m";
}

std::string AnsiTextBackground(uint8_t AColour) { return ESC + Num(40 + AnsiColours[AColour % 8]) + "m"; }

std::string AnsiTextAttr(uint8_t AAttr) {
    return AnsiTextColour(static_cast<uint8_t>(AAttr & 15)) + AnsiTextBackground(static_cast<uint8_t>(AAttr >> 4));
}

std::string AnsiBlink(bool ABlink) {
    if (ABlink) return ESC + "5m";
    const uint8_t t = GetTextAttr();
    return ESC + "0m" + AnsiTextBackground(static_cast<uint8_t>(t >> 4)) +
           AnsiTextColour(static_cast<uint8_t>(t & 15));
}

std::string AnsiClrEol() { return ESC + "K"; }
std::string AnsiClrScr() { return ESC + "2J" + AnsiGotoXY(1, 1); }
std::string AnsiCursorUp(uint8_t ACount) { return ESC + Num(ACount) + "A"; }
std::string AnsiCursorDown(uint8_t ACount) { return ESC + Num(ACount) + "B"; }
std::string AnsiCursorRight(uint8_t ACount) { return ESC + Num(ACount) + "C"; }
std::string AnsiCursorLeft(uint8_t ACount) { return ESC + Num(ACount) + "D"; }
std::string AnsiCursorSave() { return ESC + "s"; }
std::string AnsiCursorRestore() { return ESC + "u"; }
std::string AnsiGotoXY(uint8_t AX, uint8_t AY) { return ESC + Num(AY) + ";" + Num(AX) + "f"; }

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

std::string PipeToAnsi(const std::string& AText) {
    if (AText.size() < 3) return AText;
    std::string out;
    out.reserve(AText.size() + 16);
    const size_t n = AText.size();
    size_t i = 0;
    while (i < n) {
        const char c = AText[i];
        if (c == '|' && i + 2 < n) {
            const int hi = HexDigit(AText[i + 1]);
            const int lo = HexDigit(AText[i + 2]);
            if (hi >= 0 && lo >= 0) {
                int value = hi * 16 + lo;
                if (value > 127) value -= 128;
                out += AnsiTextAttr(static_cast<uint8_t>(value));
                i += 3;
                continue;
            }
        }
        out += c;
        ++i;
    }
    return out;
}

} // namespace harbex
