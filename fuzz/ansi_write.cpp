// The local console's ANSI interpreter (AnsiWrite) over arbitrary bytes, as a display
// file or art would bring them. The interpreter keeps its state between calls, so the
// same bytes split into two calls must leave exactly the same screen, cursor, attribute
// and interpreter state as one call; the cursor always stays inside the window.
#include <array>
#include <vector>

#include "fuzz_support.h"
#include "harbex/ansi.h"
#include "harbex/console.h"
#include "harbex/consolescreen.h"
#include "harbex/crt2.h"

namespace {

struct State {
    std::vector<uint8_t> Cells;
    int X, Y, Col, Row;
    bool Visible;
    uint8_t TextAttr, ConsoleAttr;
    harbex::TAnsiParserState Parser;
    std::string Buffer;
    std::vector<int32_t> Params;
    uint16_t XY;
    uint8_t SavedAttr;
    bool operator==(const State&) const = default;
};

State Snapshot() {
    State s;
    for (int y = 1; y <= harbex::SCREEN_ROWS; ++y)
        for (int x = 1; x <= harbex::SCREEN_COLS; ++x) {
            s.Cells.push_back(static_cast<uint8_t>(harbex::ScrGetChar(x, y)));
            s.Cells.push_back(harbex::ScrGetAttr(x, y));
        }
    s.X = harbex::ScrWhereX();
    s.Y = harbex::ScrWhereY();
    s.Col = harbex::ScrCursorCol();
    s.Row = harbex::ScrCursorRow();
    s.Visible = harbex::ScrCursorVisible();
    s.TextAttr = harbex::GetTextAttr();
    s.ConsoleAttr = harbex::ConsoleGetAttr();
    s.Parser = harbex::AnsiParserState;
    s.Buffer = harbex::AnsiBuffer;
    s.Params = harbex::AnsiParams;
    s.XY = harbex::AnsiXY;
    s.SavedAttr = harbex::AnsiAttr;
    return s;
}

void Reset() {
    harbex::ScrReset();
    harbex::AnsiResetInterpreter();
    harbex::SetTextAttr(7);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    static bool init = false;
    if (!init) {
        init = true;
        harbex::ScrSetMirror(-1);  // the image only; nothing is drawn on a terminal
    }
    if (ASize < 1) return 0;
    const std::string text = fuzz::Bytes(AData + 1, ASize - 1);
    const size_t cut = AData[0] % (text.size() + 1);

    Reset();
    harbex::AnsiWrite(text);
    const State one = Snapshot();
    FUZZ_CHECK(one.Col >= 1 && one.Col <= harbex::SCREEN_COLS);
    FUZZ_CHECK(one.Row >= 1 && one.Row <= harbex::SCREEN_ROWS);
    const harbex::TScreenWindow w = harbex::ScrGetWindow();
    FUZZ_CHECK(one.X >= 1 && one.X <= w.Right - w.Left + 1);
    FUZZ_CHECK(one.Y >= 1 && one.Y <= w.Bottom - w.Top + 1);

    Reset();
    harbex::AnsiWrite(text.substr(0, cut));
    harbex::AnsiWrite(text.substr(cut));
    FUZZ_CHECK(Snapshot() == one);
    return 0;
}
