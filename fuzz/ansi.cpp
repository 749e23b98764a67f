// The ANSI interpreter over any text cut in two where the first byte says: two calls leave the same
// screen, cursor and colours as one (its state persists), and the cursor stays in the window.
#include "harbex/ansi.h"
#include "common/seams.h"
#include "fuzz.h"
#include "harbex/console.h"
#include "harbex/consolescreen.h"
#include "harbex/crt2.h"

using namespace harbex;

static std::string Screen() { // every cell, the cursor, its visibility and both attributes
    std::string s;
    for (int y = 1; y <= SCREEN_ROWS; ++y)
        for (int x = 1; x <= SCREEN_COLS; ++x)
            s += ScrGetChar(x, y), s += static_cast<char>(ScrGetAttr(x, y));
    const auto [left, top, right, bottom] = ScrGetWindow();
    FUZZ_CHECK(ScrWhereX() >= 1 && ScrWhereX() <= right - left + 1 && ScrWhereY() >= 1 &&
               ScrWhereY() <= bottom - top + 1);
    return s + std::to_string(ScrCursorCol()) + "," + std::to_string(ScrCursorRow()) +
           std::to_string(ScrCursorVisible()) + std::to_string(GetTextAttr()) + "/" +
           std::to_string(ConsoleGetAttr());
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    if (ASize < 1) return 0;
    const std::string text = fuzz::Bytes(AData + 1, ASize - 1);
    common::Seams().LocalScreen = -1, ScrReset(), AnsiResetInterpreter(), SetTextAttr(7),
    AnsiWrite(text);
    const std::string one = Screen();
    ScrReset(), AnsiResetInterpreter(), SetTextAttr(7);
    AnsiWrite(text.substr(0, AData[0] % (text.size() + 1))),
        AnsiWrite(text.substr(AData[0] % (text.size() + 1)));
    FUZZ_CHECK(Screen() == one);
    return 0;
}
