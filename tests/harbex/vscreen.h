// A small ANSI terminal for the kit's tests: renders the bytes a caller receives
// onto 80x25 cells (character and PC attribute) so tests assert what the caller
// would see. Understands printable bytes with wrap and scroll, CR, LF, BS, and
// CSI A B C D H f J K s u m.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

namespace testing_screen {

class TVirtualScreen {
  public:
    static constexpr int kCols = 80;
    static constexpr int kRows = 25;

    TVirtualScreen() : FChars(kCols * kRows, ' '), FAttrs(kCols * kRows, 7) {}

    void Feed(const std::string& ABytes) {
        for (const char c : ABytes) FeedByte(static_cast<unsigned char>(c));
    }

    // Cursor, 1-based.
    int X() const { return FX + 1; }
    int Y() const { return FY + 1; }
    // The current SGR attribute.
    int Attr() const { return ((FBlink ? 1 : 0) << 7) | (FBg << 4) | (FFg + (FBold ? 8 : 0)); }

    char CharAt(int AX, int AY) const { return FChars[Index(AX, AY)]; }
    int AttrAt(int AX, int AY) const { return FAttrs[Index(AX, AY)]; }
    // ALen characters of row AY from column AX.
    std::string Text(int AX, int AY, int ALen) const {
        std::string s;
        for (int x = AX; x < AX + ALen && x <= kCols; ++x) s.push_back(CharAt(x, AY));
        return s;
    }
    // The whole row without trailing spaces.
    std::string Row(int AY) const {
        std::string s = Text(1, AY, kCols);
        while (!s.empty() && s.back() == ' ') s.pop_back();
        return s;
    }

  private:
    static int Index(int AX, int AY) { return (AY - 1) * kCols + (AX - 1); }

    void FeedByte(unsigned char c) {
        if (FState == 1) {
            if (c == '[') {
                FState = 2;
                FParams.clear();
                FCur.clear();
            } else {
                FState = 0;
            }
            return;
        }
        if (FState == 2) {
            if (c >= '0' && c <= '9') {
                FCur.push_back(static_cast<char>(c));
            } else if (c == ';') {
                FParams.push_back(FCur.empty() ? -1 : std::stoi(FCur));
                FCur.clear();
            } else if (c == '?' || c == '=' || c == '<' || c == '>' || c == ' ') {
            } else {
                FParams.push_back(FCur.empty() ? -1 : std::stoi(FCur));
                FState = 0;
                Csi(static_cast<char>(c));
            }
            return;
        }
        switch (c) {
        case 27: FState = 1; return;
        case '\r': FX = 0; return;
        case '\n': LineFeed(); return;
        case '\b':
            if (FX > 0) --FX;
            return;
        default: break;
        }
        if (FX >= kCols) {
            FX = 0;
            LineFeed();
        }
        FChars[FY * kCols + FX] = static_cast<char>(c);
        FAttrs[FY * kCols + FX] = Attr();
        ++FX;
    }

    void LineFeed() {
        if (FY < kRows - 1) {
            ++FY;
            return;
        }
        FChars.erase(FChars.begin(), FChars.begin() + kCols);
        FChars.insert(FChars.end(), kCols, ' ');
        FAttrs.erase(FAttrs.begin(), FAttrs.begin() + kCols);
        FAttrs.insert(FAttrs.end(), kCols, 7);
    }

    int P(std::size_t i, int ADefault) const {
        return i < FParams.size() && FParams[i] >= 0 ? FParams[i] : ADefault;
    }

    static int Clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

    void Csi(char ACode) {
        const int n = P(0, 1) < 1 ? 1 : P(0, 1);
        switch (ACode) {
        case 'A': FY = Clamp(FY - n, 0, kRows - 1); break;
        case 'B': FY = Clamp(FY + n, 0, kRows - 1); break;
        case 'C': FX = Clamp(FX + n, 0, kCols - 1); break;
        case 'D': FX = Clamp(FX - n, 0, kCols - 1); break;
        case 'H':
        case 'f':
            FY = Clamp(P(0, 1) - 1, 0, kRows - 1);
            FX = Clamp(P(1, 1) - 1, 0, kCols - 1);
            break;
        case 'J':
            if (P(0, 0) == 2) {
                std::fill(FChars.begin(), FChars.end(), ' ');
                std::fill(FAttrs.begin(), FAttrs.end(), Attr());
            }
            break;
        case 'K':
            for (int x = FX; x < kCols; ++x) {
                FChars[FY * kCols + x] = ' ';
                FAttrs[FY * kCols + x] = Attr();
            }
            break;
        case 's': FSavedX = FX, FSavedY = FY; break;
        case 'u': FX = FSavedX, FY = FSavedY; break;
        case 'm':
            for (std::size_t i = 0; i < FParams.size(); ++i) Sgr(P(i, 0));
            break;
        default: break;
        }
    }

    void Sgr(int p) {
        static const int kPc[8] = {0, 4, 2, 6, 1, 5, 3, 7};
        if (p == 0) {
            FFg = 7, FBg = 0, FBold = false, FBlink = false;
        } else if (p == 1) {
            FBold = true;
        } else if (p == 5) {
            FBlink = true;
        } else if (p >= 30 && p <= 37) {
            FFg = kPc[p - 30];
        } else if (p >= 40 && p <= 47) {
            FBg = kPc[p - 40];
        }
    }

    std::vector<char> FChars;
    std::vector<int> FAttrs;
    int FX = 0, FY = 0, FSavedX = 0, FSavedY = 0;
    int FFg = 7, FBg = 0;
    bool FBold = false, FBlink = false;
    int FState = 0;
    std::vector<int> FParams;
    std::string FCur;
};

} // namespace testing_screen
