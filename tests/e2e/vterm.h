// A small ANSI terminal for tests: an 80x25 grid of cells, each a code page 437 byte and a
// PC text attribute (bits 0-3 foreground, 4-6 background, 7 blink), fed with the bytes a door
// sends. It knows the sequences a BBS door uses: cursor moves and positioning, save/restore,
// erase display/line, SGR colours (bold = bright foreground, blink, reverse, resets), the
// auto-wrap and cursor-visibility private modes, CR/LF/BS/TAB, and scrolling at the bottom.
// Bytes below 32 other than ESC, CR, LF, BS, TAB, BEL and NUL are glyphs (card suits 3-6).
// It is independent of the door kit, so the two are checked against each other.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace e2e {

struct Cell {
  uint8_t Ch = ' ';
  uint8_t Attr = 7;
  bool operator==(const Cell&) const = default;
};

// The code page 437 glyph of a byte, as UTF-8 (for readable failure messages and pictures).
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
  char32_t cp = b < 32 ? kLow[b] : b < 127 ? b : b == 127 ? 0x2302 : kHigh[b - 128];
  std::string out;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

class VirtualScreen {
 public:
  static constexpr int kCols = 80;
  static constexpr int kRows = 25;

  // How the cursor behaves after writing the last column with auto-wrap on: kDeferred (VT100 and
  // xterm: the wrap happens before the next printable byte) or kImmediate (ANSI.SYS style: the
  // cursor moves to the next line at once, scrolling on the bottom row).
  enum class WrapStyle { kDeferred, kImmediate };

  explicit VirtualScreen(WrapStyle AStyle = WrapStyle::kDeferred) : FStyle(AStyle) { Reset(); }

  void Reset() {
    for (auto& row : FCells) row.fill(Cell{});
    FX = FY = 1;
    FSavedX = FSavedY = 1;
    FFg = 7;
    FBg = 0;
    FBold = FBlink = FReverse = false;
    FAutoWrap = true;
    FCursorVisible = true;
    FPendingWrap = false;
    FState = State::kText;
    FParams.clear();
    FCurrentParam.reset();
    FPrivate = false;
    FScrolls = 0;
  }

  void Feed(std::string_view ABytes) {
    for (char c : ABytes) Put(static_cast<uint8_t>(c));
  }

  // ---- Reading the screen (1-based column, row) ----
  const Cell& At(int ACol, int ARow) const { return FCells.at(ARow - 1).at(ACol - 1); }
  uint8_t Ch(int ACol, int ARow) const { return At(ACol, ARow).Ch; }
  uint8_t Attr(int ACol, int ARow) const { return At(ACol, ARow).Attr; }
  // The 80 bytes of a row.
  std::string Row(int ARow) const { return Text(1, ARow, kCols); }
  // ALen bytes from (ACol, ARow), cut at the row's end.
  std::string Text(int ACol, int ARow, int ALen) const {
    std::string s;
    for (int x = ACol; x < ACol + ALen && x <= kCols; ++x) s += static_cast<char>(Ch(x, ARow));
    return s;
  }
  // True when every cell of the run has the attribute.
  bool AttrRun(int ACol, int ARow, int ALen, uint8_t AAttr) const {
    for (int x = ACol; x < ACol + ALen; ++x)
      if (Attr(x, ARow) != AAttr) return false;
    return true;
  }
  // First (column, row) where AText starts on one row, scanning rows top to bottom.
  std::optional<std::pair<int, int>> Find(std::string_view AText) const {
    for (int y = 1; y <= kRows; ++y) {
      auto pos = Row(y).find(AText);
      if (pos != std::string::npos) return std::make_pair(static_cast<int>(pos) + 1, y);
    }
    return std::nullopt;
  }
  bool Contains(std::string_view AText) const { return Find(AText).has_value(); }

  int CursorX() const { return FX; }
  int CursorY() const { return FY; }
  bool CursorVisible() const { return FCursorVisible; }
  bool AutoWrap() const { return FAutoWrap; }
  // The attribute that the next printed byte gets.
  uint8_t CurrentAttr() const { return ComposeAttr(); }
  // How many times the screen scrolled up since the last Reset.
  int Scrolls() const { return FScrolls; }

  // The screen as UTF-8 text, one line per row, with row numbers; for failure messages.
  std::string Dump() const {
    std::string s;
    for (int y = 1; y <= kRows; ++y) {
      char num[8];
      std::snprintf(num, sizeof num, "%2d|", y);
      s += num;
      for (int x = 1; x <= kCols; ++x) s += Cp437ToUtf8(Ch(x, y));
      s += "|\n";
    }
    char cur[48];
    std::snprintf(cur, sizeof cur, "cursor at (%d, %d)\n", FX, FY);
    s += cur;
    return s;
  }

 private:
  enum class State { kText, kEscape, kCsi };

  uint8_t ComposeAttr() const {
    int fg = FFg + (FBold ? 8 : 0);
    int bg = FBg;
    if (FReverse) {
      fg = FBg;
      bg = FFg;
    }
    return static_cast<uint8_t>((FBlink ? 0x80 : 0) | (bg << 4) | fg);
  }

  void Put(uint8_t b) {
    switch (FState) {
      case State::kText:
        PutText(b);
        return;
      case State::kEscape:
        if (b == '[') {
          FState = State::kCsi;
          FParams.clear();
          FCurrentParam.reset();
          FPrivate = false;
        } else {
          FState = State::kText;
          if (b == '7') {
            FSavedX = FX;
            FSavedY = FY;
          } else if (b == '8') {
            MoveTo(FSavedX, FSavedY);
          } else if (b == 'c') {
            Reset();
          }
        }
        return;
      case State::kCsi:
        PutCsi(b);
        return;
    }
  }

  void PutText(uint8_t b) {
    switch (b) {
      case 27:
        FState = State::kEscape;
        return;
      case 13:
        FX = 1;
        FPendingWrap = false;
        return;
      case 10:
        LineFeed();
        return;
      case 8:
        if (FX > 1) --FX;
        FPendingWrap = false;
        return;
      case 9:
        FX = std::min(kCols, ((FX - 1) / 8 + 1) * 8 + 1);
        FPendingWrap = false;
        return;
      case 7:
      case 0:
        return;
      default:
        Print(b);
    }
  }

  void Print(uint8_t b) {
    if (FPendingWrap) {
      FPendingWrap = false;
      FX = 1;
      LineFeed();
    }
    FCells[FY - 1][FX - 1] = Cell{b, ComposeAttr()};
    if (FX < kCols) {
      ++FX;
    } else if (FAutoWrap) {
      if (FStyle == WrapStyle::kDeferred) {
        FPendingWrap = true;
      } else {
        FX = 1;
        LineFeed();
      }
    }
  }

  void LineFeed() {
    FPendingWrap = false;
    if (FY < kRows) {
      ++FY;
      return;
    }
    for (int y = 0; y + 1 < kRows; ++y) FCells[y] = FCells[y + 1];
    FCells[kRows - 1].fill(Cell{' ', ComposeAttr()});
    ++FScrolls;
  }

  void MoveTo(int AX, int AY) {
    FX = std::clamp(AX, 1, kCols);
    FY = std::clamp(AY, 1, kRows);
    FPendingWrap = false;
  }

  int Param(size_t AIndex, int ADefault) const {
    if (AIndex >= FParams.size() || FParams[AIndex] < 0) return ADefault;
    return FParams[AIndex];
  }

  void PutCsi(uint8_t b) {
    if (b >= '0' && b <= '9') {
      int v = FCurrentParam.value_or(0);
      FCurrentParam = std::min(v * 10 + (b - '0'), 99999);
      return;
    }
    if (b == ';') {
      FParams.push_back(FCurrentParam.value_or(-1));
      FCurrentParam.reset();
      return;
    }
    if (b == '?' || b == '<' || b == '=' || b == '>') {
      FPrivate = FPrivate || b == '?';
      return;
    }
    if (b < 0x40 || b > 0x7E) return;  // intermediate bytes: ignored
    FParams.push_back(FCurrentParam.value_or(-1));
    FCurrentParam.reset();
    FState = State::kText;
    Execute(b);
  }

  void Erase(int AX1, int AY1, int AX2, int AY2) {
    // Inclusive range in reading order from (AX1, AY1) to (AX2, AY2).
    Cell blank{' ', ComposeAttr()};
    for (int y = AY1; y <= AY2; ++y) {
      int from = y == AY1 ? AX1 : 1;
      int to = y == AY2 ? AX2 : kCols;
      for (int x = from; x <= to; ++x) FCells[y - 1][x - 1] = blank;
    }
  }

  void Execute(uint8_t ACode) {
    int n = std::max(1, Param(0, 1));
    switch (ACode) {
      case 'A':
        MoveTo(FX, FY - n);
        break;
      case 'B':
        MoveTo(FX, FY + n);
        break;
      case 'C':
        MoveTo(FX + n, FY);
        break;
      case 'D':
        MoveTo(FX - n, FY);
        break;
      case 'E':
        MoveTo(1, FY + n);
        break;
      case 'F':
        MoveTo(1, FY - n);
        break;
      case 'G':
        MoveTo(n, FY);
        break;
      case 'H':
      case 'f':
        MoveTo(std::max(1, Param(1, 1)), std::max(1, Param(0, 1)));
        break;
      case 'J':
        switch (Param(0, 0)) {
          case 0:
            Erase(FX, FY, kCols, kRows);
            break;
          case 1:
            Erase(1, 1, FX, FY);
            break;
          case 2:
            Erase(1, 1, kCols, kRows);
            break;
        }
        break;
      case 'K':
        switch (Param(0, 0)) {
          case 0:
            Erase(FX, FY, kCols, FY);
            break;
          case 1:
            Erase(1, FY, FX, FY);
            break;
          case 2:
            Erase(1, FY, kCols, FY);
            break;
        }
        break;
      case 's':
        FSavedX = FX;
        FSavedY = FY;
        break;
      case 'u':
        MoveTo(FSavedX, FSavedY);
        break;
      case 'h':
      case 'l':
        if (FPrivate) {
          for (size_t i = 0; i < FParams.size(); ++i) {
            if (FParams[i] == 7) FAutoWrap = ACode == 'h';
            if (FParams[i] == 25) FCursorVisible = ACode == 'h';
          }
          if (!FAutoWrap) FPendingWrap = false;
        }
        break;
      case 'm':
        for (size_t i = 0; i < FParams.size(); ++i) Sgr(Param(i, 0));
        break;
      default:
        break;  // status reports, scroll regions and the rest: not used by a door
    }
  }

  void Sgr(int p) {
    static const int kAnsiToPc[8] = {0, 4, 2, 6, 1, 5, 3, 7};
    if (p == 0) {
      FFg = 7;
      FBg = 0;
      FBold = FBlink = FReverse = false;
    } else if (p == 1) {
      FBold = true;
    } else if (p == 22) {
      FBold = false;
    } else if (p == 5 || p == 6) {
      FBlink = true;
    } else if (p == 25) {
      FBlink = false;
    } else if (p == 7) {
      FReverse = true;
    } else if (p == 27) {
      FReverse = false;
    } else if (p >= 30 && p <= 37) {
      FFg = kAnsiToPc[p - 30];
    } else if (p == 39) {
      FFg = 7;
    } else if (p >= 40 && p <= 47) {
      FBg = kAnsiToPc[p - 40];
    } else if (p == 49) {
      FBg = 0;
    }
  }

  WrapStyle FStyle;
  std::array<std::array<Cell, kCols>, kRows> FCells;
  int FX = 1, FY = 1, FSavedX = 1, FSavedY = 1;
  int FFg = 7, FBg = 0;
  bool FBold = false, FBlink = false, FReverse = false;
  bool FAutoWrap = true, FCursorVisible = true, FPendingWrap = false;
  State FState = State::kText;
  std::vector<int> FParams;
  std::optional<int> FCurrentParam;
  bool FPrivate = false;
  int FScrolls = 0;
};

// Strips telnet commands from the bytes a door sends on its socket: IAC IAC becomes one 255,
// option offers (WILL/WONT/DO/DONT) are recorded, subnegotiations are skipped. Keeps its state
// between calls, so a command split over two reads is handled.
class TelnetFilter {
 public:
  struct Option {
    uint8_t Verb;
    uint8_t Opt;
  };
  std::string Feed(std::string_view ABytes) {
    std::string out;
    for (char c : ABytes) {
      uint8_t b = static_cast<uint8_t>(c);
      switch (FState) {
        case 0:
          if (b == 255)
            FState = 1;
          else
            out += c;
          break;
        case 1:  // after IAC
          if (b == 255) {
            out += c;
            FState = 0;
          } else if (b >= 251 && b <= 254) {
            FVerb = b;
            FState = 2;
          } else if (b == 250) {
            FState = 3;
          } else {
            FState = 0;  // a two-byte command
          }
          break;
        case 2:
          FOptions.push_back({FVerb, b});
          FState = 0;
          break;
        case 3:  // inside a subnegotiation
          if (b == 255) FState = 4;
          break;
        case 4:
          FState = b == 240 ? 0 : 3;
          break;
      }
    }
    return out;
  }
  const std::vector<Option>& Options() const { return FOptions; }

 private:
  int FState = 0;
  uint8_t FVerb = 0;
  std::vector<Option> FOptions;
};

}  // namespace e2e
