// The tools the kit offers door programs: text utilities, and the local console's screen
// image with its ANSI interpreter, cell access, save and restore, and status bar.
#include <functional>
#include <map>

#include "harbex/ansi.h"
#include "harbex/consolescreen.h"
#include "harbex/stringutils.h"
#include "harbex/videoutils.h"
#include "kit.h"

using namespace kit;

namespace {
std::string Cell(int AX, int AY) {
    const auto x = static_cast<uint8_t>(AX), y = static_cast<uint8_t>(AY);
    return GetCharAt(x, y) + std::to_string(GetAttrAt(x, y));
}
std::string At() {
    return std::to_string((WhereXYAbs() & 0xFF) + 1) + "," +
           std::to_string((WhereXYAbs() >> 8) + 1);
}
std::string Fields(const TTokens& T) {
    return TokToStr(T, '|', 0) + " #" + std::to_string(T.size());
}
class Screen : public ::testing::Test {
  protected:
    void SetUp() override { DoorReset(), common::Seams().LocalScreen = -1; }
    void TearDown() override { DoorReset(), common::ResetSeams(); }
};
} // namespace

TEST(TextUtilities, EveryCase) {
    const auto i = [](const std::string& s) { return static_cast<int32_t>(std::stol(s)); };
    // clang-format off
#define FN(name, ...) {name, [&](const std::vector<std::string>& c) { return __VA_ARGS__; }}
    const std::map<std::string, std::function<std::string(const std::vector<std::string>&)>> f = {
        FN("DHMS", SecToDHMS(i(c[1]))), FN("HMS", SecToHMS(i(c[1]))), FN("HM", SecToHM(i(c[1]))),
        FN("MS", SecToMS(i(c[1]))), FN("Join", TokToStr(StrToTok(c[1], ','), c[3][0], i(c[2]))),
        FN("Tok", Fields(StrToTok(c[1], c[2][0]))), FN("Base64", Base64Decode(c[1])),
        FN("Upper", UpperCase(c[1])), FN("Int", std::to_string(StrToIntDef(c[1], 9))),
        FN("VeskStrip", VeskStrip(c[1]))};
#undef FN
    // clang-format on
    for (const auto& c : Cases("text"))
        EXPECT_EQ(f.at(c[0])(c), c.back()) << c[0] << " " << c[1];
    EXPECT_EQ(TokToStr(TTokens{}, ','), "");
}

TEST_F(Screen, AnsiInterpreterRowsInOrder) {
    for (const auto& c : Cases("ansi"))
        EXPECT_EQ((AnsiWrite(c[0]), At() + " " + Cell(std::stoi(c[2]), std::stoi(c[3]))),
                  c[1] + " " + c[4])
            << c[0];
    EXPECT_EQ(GetCharAt(2, 2) + std::to_string(ScrCursorVisible()), "31")
        << "l3 moved up; cursor shown";
    SetTextAttr(0x0F);
    AnsiWrite("\x1b[3;1H\x1b[32mC\x1b[22mD");
    EXPECT_EQ(Cell(1, 3) + Cell(2, 3), "C10D2")
        << "a bright tracked colour keeps 30-37 bright; 22 dims";
    std::string tracked; // concealed and restored, swapped, blinking; unknown renditions do nothing
    for (const char* in : {"\x1b[8m", "\x1b[28m", "\x1b[44m\x1b[7m", "\x1b[5m", "\x1b[25m",
                           "\x1b[2;3;4;9;38;48;99m"})
        tracked += std::to_string((AnsiWrite(in), GetTextAttr())) + " ";
    EXPECT_EQ(tracked, "0 10 33 161 33 33 ");
    ScrWindow(11, 6, 20, 8);
    AnsiWrite("\x1b[99;99H0123456789abc");
    EXPECT_EQ(Cell(11, 6) + Cell(20, 6) + Cell(11, 7), "033933a33") << "wraps inside the window";
    EXPECT_EQ((AnsiWrite("\x1b[2J"), Cell(11, 6) + Cell(1, 3)), " 33C10")
        << "clears only the window";
}

TEST_F(Screen, CellsSaveRestoreAndStatusBar) {
    AnsiWrite("\x1b[3;3H");
    FastWrite("ABCDEFGHIJ", 75, 10, 0x1F), FastWrite("ABCDEFGHIJ", 75, 25, 0x1E);
    FastWrite("Z", 0, 5, 7), FastWrite("Z", 5, 26, 7), FastWrite("Z", 81, 1, 7);
    EXPECT_EQ(Cell(75, 10) + Cell(80, 10) + Cell(1, 11) + Cell(79, 25) + Cell(80, 25) +
                  Cell(81, 1) + Cell(1, 0),
              "A31F31 7E30 7 7 7");
    SetCharAt('Q', 80, 25), SetAttrAt(0x4E, 80, 25), SetCharAt('R', 80, 25), SetCharAt('x', 0, 1),
        SetAttrAt(1, 1, 26);
    EXPECT_EQ(Cell(80, 25) + Cell(80, 24), "R78 7") << "the bottom-right cell written, no scroll";
    EXPECT_EQ(At() + std::to_string(GetTextAttr()), "3,37") << "cursor and colours untouched";
    GotoXYAbs(static_cast<uint16_t>(4 | (19 << 8)));
    EXPECT_EQ(At(), "5,20");
    TScreenBuffer saved; // restored by FastWrite cell by cell: all but the bottom-right one
    ScreenSave(saved), FastWrite("QQQQQQ", 75, 10, 7), FastWrite("QQ", 78, 25, 7),
        SetCharAt('z', 80, 25);
    ScreenRestore(saved);
    EXPECT_EQ(Cell(75, 10) + Cell(80, 10) + Cell(79, 25) + Cell(80, 25) + Cell(80, 24),
              "A31F31E30z78 7");
    common::Seams().MonotonicMs = 1'000'000;
    DoorDropInfo.RealName = "Ann Smith", DoorSession.TimeOn = DoorLastKey.Time = DoorClockNow();
    Advance(125'000);
    DoorOnStatusBar(), common::ResetSeams();
    std::string bar;
    for (int x = 1; x <= 80; ++x)
        bar += GetCharAt(static_cast<uint8_t>(x), 25);
    EXPECT_EQ(bar, "\xfe Ann Smith" + std::string(17, ' ') +
                       "\xfe Harbex v13.09.02  \xfe Idle: 02:05 \xfe Left: "
                       "00:57:55 z");
    EXPECT_EQ(Cell(2, 25) + Cell(3, 25) + Cell(24, 25) + Cell(25, 25) + Cell(31, 25) + Cell(65, 25),
              " 30A31 31 30H31L31");
}
