// The caller's terminal for tests: an 80x25 grid of cells, each a code page 437 byte and a PC
// attribute (bits 0-3 foreground, 4-6 background, 7 blink), fed with the bytes a door sends. It
// knows what a door uses: cursor moves and positioning, save/restore, erase display/line, SGR
// colours, the auto-wrap and cursor-visibility modes, CR/LF/BS/TAB and scrolling. Bytes below 32
// other than ESC, CR, LF, BS, TAB, BEL and NUL are glyphs (the card suits are 3-6). Written apart
// from the door kit, so the two check each other. Also: the telnet commands a door sends, and
// code page 437 as UTF-8 for readable screens.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace e2e {

inline std::string Cp437ToUtf8(uint8_t b) {
    static const char16_t kLow[32] = {
        0x0020, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8, 0x25CB, 0x25D9,
        0x2642, 0x2640, 0x266A, 0x266B, 0x263C, 0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7,
        0x25AC, 0x21A8, 0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC};
    static const char16_t kHigh[128] = {
        0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8,
        0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2,
        0x00FB, 0x00F9, 0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1,
        0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD,
        0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562,
        0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534,
        0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560,
        0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
        0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393,
        0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6,
        0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248, 0x00B0,
        0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};
    const char32_t cp = b < 32 ? kLow[b] : b < 127 ? b : b == 127 ? 0x2302 : kHigh[b - 128];
    if (cp < 0x80) return std::string(1, static_cast<char>(cp));
    if (cp < 0x800)
        return {static_cast<char>(0xC0 | (cp >> 6)), static_cast<char>(0x80 | (cp & 0x3F))};
    return {static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
            static_cast<char>(0x80 | (cp & 0x3F))};
}

inline std::string Cp437ToUtf8(std::string_view ABytes) {
    std::string s;
    for (char c : ABytes)
        s += Cp437ToUtf8(static_cast<uint8_t>(c));
    return s;
}

class Terminal {
  public:
    static constexpr int kCols = 80, kRows = 25;
    struct Cell {
        uint8_t Ch = ' ', Attr = 7;
    };
    // A UTF-8 terminal: each character takes one cell, kept as the code page 437 byte that
    // shows it (a character code page 437 lacks shows as 0xFE, the block).
    bool Utf8 = false;
    void Feed(std::string_view ABytes) {
        for (char c : ABytes) {
            const uint8_t b = static_cast<uint8_t>(c);
            if (!Utf8 || FState != 0 || b < 0x80) {
                Put(b);
            } else if ((b & 0xC0) == 0x80 && FNeed > 0) {
                FCode = FCode << 6 | (b & 0x3F);
                if (--FNeed == 0) Put(CellOf(FCode));
            } else {
                FNeed = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1, FCode = b & (0x3F >> FNeed);
            }
        }
    }
    // The answers a terminal sends back (to cursor-position requests, ESC [ 6 n) since the last
    // call.
    std::string TakeAnswers() { return std::exchange(FAnswers, ""); }
    const Cell& At(int ACol, int ARow) const { return FCells.at(ARow - 1).at(ACol - 1); }
    std::string Row(int ARow) const { // the row's bytes
        std::string s;
        for (const Cell& c : FCells.at(ARow - 1))
            s += static_cast<char>(c.Ch);
        return s;
    }
    bool Contains(std::string_view AText) const {
        for (int y = 1; y <= kRows; ++y)
            if (Row(y).find(AText) != std::string::npos) return true;
        return false;
    }
    int CursorX() const { return FX; }
    int CursorY() const { return FY; }
    bool CursorVisible() const { return FCursorVisible; }

  private:
    void Put(uint8_t b) {
        if (FState == 1) { // after ESC
            FState = 0;
            if (b == '[') {
                FState = 2;
                FParams.assign(1, -1);
                FPrivate = false;
            } else if (b == '7' || b == '8') {
                Execute(b == '7' ? 's' : 'u');
            }
            return;
        }
        if (FState == 2) return PutCsi(b);
        if (b == 27) return void(FState = 1);
        if (b == 13 || b == 8 || b == 9) FPending = false;
        if (b == 13) return void(FX = 1);
        if (b == 8) return void(FX = std::max(1, FX - 1));
        if (b == 9) return void(FX = std::min(kCols, (FX - 1) / 8 * 8 + 9));
        if (b == 10) return LineFeed();
        if (b == 7 || b == 0) return;
        if (FPending) FX = 1, LineFeed(); // deferred wrap (VT100, xterm): before the next glyph
        FCells[FY - 1][FX - 1] = Cell{b, Attr()};
        FPending = FX == kCols && FAutoWrap;
        if (FX < kCols) ++FX;
    }
    uint8_t Attr() const {
        const int fg = FFg + (FBold ? 8 : 0);
        return static_cast<uint8_t>((FBlink ? 0x80 : 0) |
                                    (FReverse ? FFg << 4 | FBg : FBg << 4 | fg));
    }
    void LineFeed() {
        FPending = false;
        if (FY < kRows) return void(++FY);
        std::rotate(FCells.begin(), FCells.begin() + 1, FCells.end());
        FCells[kRows - 1].fill(Cell{' ', Attr()});
    }
    void MoveTo(int AX, int AY) {
        FX = std::clamp(AX, 1, kCols);
        FY = std::clamp(AY, 1, kRows);
        FPending = false;
    }
    int Param(size_t AIndex, int ADefault) const {
        return AIndex < FParams.size() && FParams[AIndex] >= 0 ? FParams[AIndex] : ADefault;
    }
    void PutCsi(uint8_t b) {
        if (b >= '0' && b <= '9')
            FParams.back() = std::min(std::max(FParams.back(), 0) * 10 + (b - '0'), 9999);
        else if (b == ';')
            FParams.push_back(-1);
        else if (b == '?')
            FPrivate = true;
        else if (b >= 0x40 && b <= 0x7E)
            FState = 0, Execute(b);
    }
    void Erase(int AX1, int AY1, int AX2, int AY2) { // inclusive, in reading order
        for (int y = AY1; y <= AY2; ++y)
            for (int x = y == AY1 ? AX1 : 1; x <= (y == AY2 ? AX2 : kCols); ++x)
                FCells[y - 1][x - 1] = Cell{' ', Attr()};
    }
    void Execute(uint8_t ACode) {
        const int n = std::max(1, Param(0, 1)), mode = Param(0, 0);
        if (ACode == 'A' || ACode == 'B') MoveTo(FX, ACode == 'A' ? FY - n : FY + n);
        if (ACode == 'C' || ACode == 'D') MoveTo(ACode == 'C' ? FX + n : FX - n, FY);
        if (ACode == 'H' || ACode == 'f') MoveTo(Param(1, 1), Param(0, 1));
        if (ACode == 'J' && mode == 2) Erase(1, 1, kCols, kRows);
        if (ACode == 'J' && mode < 2) mode ? Erase(1, 1, FX, FY) : Erase(FX, FY, kCols, kRows);
        if (ACode == 'K') Erase(mode == 0 ? FX : 1, FY, mode == 1 ? FX : kCols, FY);
        if (ACode == 's') FSavedX = FX, FSavedY = FY;
        if (ACode == 'u') MoveTo(FSavedX, FSavedY);
        for (int p : ACode == 'h' || ACode == 'l' ? FParams : std::vector<int>{}) {
            if (FPrivate && p == 7) FAutoWrap = ACode == 'h', FPending = false;
            if (FPrivate && p == 25) FCursorVisible = ACode == 'h';
        }
        if (ACode == 'n' && mode == 6)
            FAnswers += "\x1b[" + std::to_string(FY) + ";" + std::to_string(FX) + "R";
        for (size_t i = 0; ACode == 'm' && i < FParams.size(); ++i)
            Sgr(Param(i, 0));
    }
    void Sgr(int p) {
        static const int kAnsiToPc[8] = {0, 4, 2, 6, 1, 5, 3, 7};
        if (p == 0)
            FFg = 7, FBg = 0, FBold = FBlink = FReverse = false;
        else if (p == 1 || p == 22)
            FBold = p == 1;
        else if (p == 5 || p == 25)
            FBlink = p == 5;
        else if (p == 7 || p == 27)
            FReverse = p == 7;
        else if (p >= 30 && p <= 37)
            FFg = kAnsiToPc[p - 30];
        else if (p >= 40 && p <= 47)
            FBg = kAnsiToPc[p - 40];
    }

    static uint8_t CellOf(char32_t ACode) {
        for (int b = 1; b < 256; ++b) {
            const std::string u = Cp437ToUtf8(static_cast<uint8_t>(b));
            char32_t c = static_cast<uint8_t>(u[0]) & (u.size() == 1   ? 0x7F
                                                       : u.size() == 2 ? 0x1F
                                                                       : 0x0F);
            for (size_t i = 1; i < u.size(); ++i)
                c = c << 6 | (static_cast<uint8_t>(u[i]) & 0x3F);
            if (c == ACode) return static_cast<uint8_t>(b);
        }
        return 0xFE;
    }

    std::string FAnswers;
    char32_t FCode = 0;
    int FNeed = 0;
    std::array<std::array<Cell, kCols>, kRows> FCells{};
    int FX = 1, FY = 1, FSavedX = 1, FSavedY = 1, FFg = 7, FBg = 0, FState = 0;
    bool FBold = false, FBlink = false, FReverse = false, FAutoWrap = true, FPending = false;
    bool FCursorVisible = true, FPrivate = false;
    std::vector<int> FParams;
};

// What a door sends without its telnet commands: IAC IAC is one 255, option offers and
// sub-negotiations are skipped; a command split between two reads is handled.
class TelnetStrip {
  public:
    std::string Feed(std::string_view ABytes) {
        std::string out;
        for (char c : ABytes) {
            const uint8_t b = static_cast<uint8_t>(c);
            if (FState == 0 && b != 255)
                out += c;
            else if (FState == 0)
                FState = 1;
            else if (FState == 1 && b == 255)
                out += c, FState = 0;
            else if (FState == 1)
                FState = b >= 251 ? 2 : b == 250 ? 3 : 0;
            else if (FState == 2)
                FState = 0;
            else if (FState == 3)
                FState = b == 255 ? 4 : 3;
            else
                FState = b == 240 ? 0 : 3;
        }
        return out;
    }

  private:
    int FState = 0;
};

} // namespace e2e
