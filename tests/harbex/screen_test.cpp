// The local console's screen image driven by the ANSI interpreter, direct cell access,
// save/restore and the status bar.
#include <gtest/gtest.h>

#include <unistd.h>

#include "common/datetime.h"
#include "harbex/ansi.h"
#include "harbex/console.h"
#include "harbex/consolescreen.h"
#include "harbex/crt2.h"
#include "harbex/door.h"
#include "harbex/videoutils.h"

using namespace harbex;

namespace {

class ScreenTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DoorResetForTests();
        ScrSetMirror(-1);
        ConsoleSetAttr(7);
        SetTextAttr(7);
        ScrReset();
        AnsiResetInterpreter();
    }
    void TearDown() override {
        ScrReset();
        ScrSetMirrorAuto();
        DoorResetForTests();
    }
    // The characters of a row from column AFrom, AWidth long.
    static std::string Row(int AY, int AFrom = 1, int AWidth = 10) {
        std::string s;
        for (int x = AFrom; x < AFrom + AWidth; ++x) s += GetCharAt(static_cast<uint8_t>(x), static_cast<uint8_t>(AY));
        return s;
    }
    static std::pair<int, int> Cursor() { return {ScrWhereX(), ScrWhereY()}; }
};

using XY = std::pair<int, int>;

} // namespace

TEST_F(ScreenTest, PlainTextThenHomeThenText) {
    AnsiWrite("ab\x1b[1;1Hc");
    EXPECT_EQ(Row(1, 1, 3), "cb ");
    EXPECT_EQ(Cursor(), XY(2, 1));
}

TEST_F(ScreenTest, EscapeWithOtherByteIsDropped) {
    AnsiWrite("\x1bXhello");
    EXPECT_EQ(Row(1, 1, 6), "hello ");
}

TEST_F(ScreenTest, CursorPositioning) {
    AnsiWrite("\x1b[5;7H");
    EXPECT_EQ(Cursor(), XY(7, 5));
    AnsiWrite("\x1b[H");
    EXPECT_EQ(Cursor(), XY(1, 1));
    AnsiWrite("\x1b[5H");
    EXPECT_EQ(Cursor(), XY(1, 5));
    AnsiWrite("\x1b[;5H");
    EXPECT_EQ(Cursor(), XY(5, 1));
    AnsiWrite("\x1b[3;4f");
    EXPECT_EQ(Cursor(), XY(4, 3));
    AnsiWrite("\x1b[99C");
    EXPECT_EQ(Cursor(), XY(80, 3)) << "stops at the window's last column";
    AnsiWrite("\x1b[99G");
    EXPECT_EQ(Cursor(), XY(80, 3)) << "ignored beyond the window";
    AnsiWrite("\x1b[10G");
    EXPECT_EQ(Cursor(), XY(10, 3));
    AnsiWrite("\x1b[99A");
    EXPECT_EQ(Cursor(), XY(10, 1));
    AnsiWrite("\x1b[B");
    EXPECT_EQ(Cursor(), XY(10, 2)) << "no parameter counts as one";
    AnsiWrite("\x1b[0B");
    EXPECT_EQ(Cursor(), XY(10, 3)) << "0 counts as one";
    AnsiWrite("\x1b[99B");
    EXPECT_EQ(Cursor(), XY(10, 25));
    AnsiWrite("\x1b[4D");
    EXPECT_EQ(Cursor(), XY(6, 25));
    AnsiWrite("\x1b[2F");
    EXPECT_EQ(Cursor(), XY(1, 23));
    AnsiWrite("\x1b[E");
    EXPECT_EQ(Cursor(), XY(1, 24));
    AnsiWrite("\x1b[7;9H\x1b[s\x1b[H\x1b[u");
    EXPECT_EQ(Cursor(), XY(9, 7));
    AnsiWrite("\x1b[?25l");
    EXPECT_FALSE(ScrCursorVisible());
    AnsiWrite("\x1b[?25h");
    EXPECT_TRUE(ScrCursorVisible());
    AnsiWrite("\x1b[99999999999H");  // out-of-range number counts as 0
    EXPECT_EQ(Cursor(), XY(1, 1));
}

TEST_F(ScreenTest, OnlyTwoJClears) {
    AnsiWrite("xyz\x1b[1J\x1b[0J\x1b[J");
    EXPECT_EQ(Row(1, 1, 3), "xyz");
    AnsiWrite("\x1b[2J");
    EXPECT_EQ(Row(1, 1, 3), "   ");
    EXPECT_EQ(Cursor(), XY(1, 1));
}

TEST_F(ScreenTest, ClearToEndOfLineOnlyWithZero) {
    AnsiWrite("abcdef\x1b[4G\x1b[1K");
    EXPECT_EQ(Row(1, 1, 6), "abcdef");
    AnsiWrite("\x1b[K");
    EXPECT_EQ(Row(1, 1, 6), "abc   ");
}

TEST_F(ScreenTest, SplitSequenceAndColours) {
    AnsiWrite("\x1b[3");
    AnsiWrite("1mR");
    EXPECT_EQ(GetAttrAt(1, 1), 0x04) << "red";
    EXPECT_EQ(GetTextAttr(), 0x04);
    AnsiWrite("\x1b[44mB");
    EXPECT_EQ(GetAttrAt(2, 1), 0x14) << "ANSI 44 is PC blue";
    AnsiWrite("\x1b[0mN");
    EXPECT_EQ(GetAttrAt(3, 1), 0x07) << "reset changes the console attribute only";
    EXPECT_EQ(GetTextAttr(), 0x14);
}

TEST_F(ScreenTest, BrightnessOrderQuirk) {
    AnsiWrite("\x1b[31;1mA");
    EXPECT_EQ(GetAttrAt(1, 1), 0x0C) << "bright red";
    SetTextAttr(7);
    AnsiWrite("\x1b[1;31mB");
    EXPECT_EQ(GetAttrAt(2, 1), 0x04) << "dark red: the colour takes the tracked brightness";
    SetTextAttr(0x0F);
    AnsiWrite("\x1b[32mC");
    EXPECT_EQ(GetAttrAt(3, 1), 0x0A) << "bright tracked foreground keeps colours bright";
    AnsiWrite("\x1b[22mD");
    EXPECT_EQ(GetAttrAt(4, 1), 0x02);
}

TEST_F(ScreenTest, ConcealAndRestore) {
    SetTextAttr(0x1E);
    AnsiWrite("\x1b[8m");
    EXPECT_EQ(GetTextAttr(), 0x00);
    AnsiWrite("\x1b[28m");
    EXPECT_EQ(GetTextAttr(), 0x1E);
    AnsiWrite("\x1b[7m");
    EXPECT_EQ(GetTextAttr(), 0x61) << "swapped, bright dropped";
    AnsiWrite("\x1b[5m");
    EXPECT_EQ(GetTextAttr(), 0xE1);
    AnsiWrite("\x1b[25m");
    EXPECT_EQ(GetTextAttr(), 0x61);
    AnsiWrite("\x1b[2;3;4;9;38;39;48;99m");
    EXPECT_EQ(GetTextAttr(), 0x61) << "unsupported renditions do nothing";
}

TEST_F(ScreenTest, WrapScrollInsertDelete) {
    AnsiWrite("\x1b[25;79HXYZ");
    EXPECT_EQ(GetCharAt(79, 24), 'X') << "writing the bottom-right cell scrolled the screen";
    EXPECT_EQ(GetCharAt(80, 24), 'Y');
    EXPECT_EQ(GetCharAt(1, 25), 'Z');
    ScrReset();
    AnsiWrite("l1\r\nl2\r\nl3\x1b[2;1H\x1b[L");
    EXPECT_EQ(Row(1, 1, 2), "l1");
    EXPECT_EQ(Row(2, 1, 2), "  ");
    EXPECT_EQ(Row(3, 1, 2), "l2");
    EXPECT_EQ(Row(4, 1, 2), "l3");
    AnsiWrite("\x1b[2M");
    EXPECT_EQ(Row(2, 1, 2), "l3");
    EXPECT_EQ(Row(3, 1, 2), "  ");
    AnsiWriteLn("");
    EXPECT_EQ(Cursor(), XY(1, 3));
}

TEST_F(ScreenTest, WindowConfinesTheCursor) {
    ScrWindow(11, 6, 20, 8);
    AnsiWrite("\x1b[99;99H");
    EXPECT_EQ(Cursor(), XY(1, 1)) << "outside the window: ignored";
    AnsiWrite("0123456789abc");
    EXPECT_EQ(GetCharAt(11, 6), '0');
    EXPECT_EQ(GetCharAt(20, 6), '9');
    EXPECT_EQ(GetCharAt(11, 7), 'a') << "wraps inside the window";
    AnsiWrite("\x1b[2J");
    EXPECT_EQ(GetCharAt(11, 6), ' ');
    ScrWindow(1, 1, 80, 25);
}

TEST_F(ScreenTest, FastWriteCutsAtTheEdges) {
    AnsiWrite("\x1b[3;3H");
    FastWrite("ABCDEFGHIJ", 75, 10, 0x1F);
    EXPECT_EQ(Row(10, 75, 6), "ABCDEF");
    EXPECT_EQ(GetAttrAt(75, 10), 0x1F);
    EXPECT_EQ(GetCharAt(1, 11), ' ') << "nothing wrapped";
    FastWrite("ABCDEFGHIJ", 75, 25, 0x1F);
    EXPECT_EQ(Row(25, 75, 6), "ABCDE ");
    EXPECT_EQ(GetCharAt(80, 24), ' ') << "no scroll";
    FastWrite("Z", 0, 5, 7);
    FastWrite("Z", 5, 26, 7);
    FastWrite("Z", 81, 1, 7);
    for (int y = 1; y <= 25; ++y) EXPECT_EQ(Row(y, 1, 80).find('Z'), std::string::npos);
    EXPECT_EQ(Cursor(), XY(3, 3));
    EXPECT_EQ(GetTextAttr(), 7);
}

TEST_F(ScreenTest, CellAccessAndOutOfRange) {
    EXPECT_EQ(GetCharAt(81, 1), ' ');
    EXPECT_EQ(GetAttrAt(1, 0), 7);
    SetCharAt('Q', 80, 25);
    EXPECT_EQ(GetCharAt(80, 25), 'Q');
    EXPECT_EQ(GetCharAt(80, 24), ' ') << "a single cell never scrolls";
    SetAttrAt(0x4E, 80, 25);
    EXPECT_EQ(GetAttrAt(80, 25), 0x4E);
    EXPECT_EQ(GetCharAt(80, 25), 'Q');
    SetCharAt('R', 80, 25);
    EXPECT_EQ(GetAttrAt(80, 25), 0x4E) << "the cell keeps its attribute";
    SetCharAt('x', 0, 1);
    SetAttrAt(1, 1, 26);
    EXPECT_EQ(ScreenSizeX(), 80);
    EXPECT_EQ(ScreenSizeY(), 25);
    AnsiWrite("\x1b[12;34H");
    EXPECT_EQ(WhereXYAbs(), (33 | (11 << 8)));
    GotoXYAbs(static_cast<uint16_t>(4 | (19 << 8)));
    EXPECT_EQ(Cursor(), XY(5, 20));
    CursorHide();
    EXPECT_FALSE(ScrCursorVisible());
    CursorShow();
    EXPECT_TRUE(ScrCursorVisible());
}

TEST_F(ScreenTest, SaveAndRestoreRewriteAllButTheLastCell) {
    for (int y = 1; y <= 25; ++y)
        for (int x = 1; x <= 80; ++x)
            ScrPutCell(x, y, static_cast<char>('A' + (x + y) % 26), static_cast<uint8_t>((x * y) & 0x7F));
    TScreenBuffer saved;
    ScreenSave(saved);
    EXPECT_EQ(saved[0][0].Ch, 'C');
    EXPECT_EQ(saved[24][79].Attr, (80 * 25) & 0x7F);
    ScrReset();
    ScreenRestore(saved);
    int differing = 0;
    for (int y = 1; y <= 25; ++y)
        for (int x = 1; x <= 80; ++x) {
            const auto& c = saved[static_cast<size_t>(y - 1)][static_cast<size_t>(x - 1)];
            if (GetCharAt(static_cast<uint8_t>(x), static_cast<uint8_t>(y)) != c.Ch ||
                GetAttrAt(static_cast<uint8_t>(x), static_cast<uint8_t>(y)) != c.Attr)
                ++differing;
        }
    EXPECT_EQ(differing, 1);
    EXPECT_EQ(GetCharAt(80, 25), ' ');
}

TEST_F(ScreenTest, StatusBarCellsAndAttributes) {
    common::SetFakeMonotonicMs(1'000'000);
    DoorDropInfo.RealName = "Ann Smith";
    DoorDropInfo.MaxSeconds = 3600;
    DoorSession.TimeOn = DoorClockNow();
    DoorLastKey.Time = DoorClockNow();
    common::AdvanceFakeMonotonicMs(125'000);
    ASSERT_EQ(DoorOnStatusBar, &DefaultOnStatusBar);
    DoorOnStatusBar();
    common::ClearFakeMonotonicMs();
    EXPECT_EQ(GetCharAt(1, 25), '\xfe');
    EXPECT_EQ(GetAttrAt(1, 25), 30);
    EXPECT_EQ(GetCharAt(29, 25), '\xfe');
    EXPECT_EQ(GetCharAt(49, 25), '\xfe');
    EXPECT_EQ(GetCharAt(63, 25), '\xfe');
    EXPECT_EQ(GetCharAt(80, 25), ' ') << "the bottom-right cell is never written";
    EXPECT_EQ(GetAttrAt(2, 25), 30);
    EXPECT_EQ(Row(25, 3, 22), "Ann Smith             ");
    EXPECT_EQ(GetAttrAt(3, 25), 31);
    EXPECT_EQ(GetAttrAt(24, 25), 31);
    EXPECT_EQ(GetAttrAt(25, 25), 30);
    EXPECT_EQ(Row(25, 31, 16), "Harbex v13.09.02");
    EXPECT_EQ(Row(25, 51, 11), "Idle: 02:05");
    EXPECT_EQ(Row(25, 65, 14), "Left: 00:57:55");
    EXPECT_EQ(GetAttrAt(65, 25), 31);
    EXPECT_EQ(Row(24, 1, 80), std::string(80, ' ')) << "only row 25";
}

TEST_F(ScreenTest, DrawnOnTheSysopTerminalOnlyWhenItIsNotTheCaller) {
    int p[2];
    ASSERT_EQ(::pipe(p), 0);
    ScrSetMirror(p[1]);
    EXPECT_TRUE(ScrMirrorActive());
    AnsiWrite("\x1b[3;5Hhi");
    char buf[2048];
    const ssize_t n = ::read(p[0], buf, sizeof buf);
    ASSERT_GT(n, 0);
    const std::string drawn(buf, static_cast<size_t>(n));
    EXPECT_NE(drawn.find("\x1b[3;1H"), std::string::npos) << "the changed row is drawn";
    EXPECT_NE(drawn.find("    hi"), std::string::npos);
    EXPECT_NE(drawn.find("\x1b[3;7H"), std::string::npos) << "then the cursor placed";
    ::close(p[0]);
    ::close(p[1]);

    ScrSetMirrorAuto();
    StdIO = true;
    EXPECT_FALSE(ScrMirrorActive()) << "standard output is the caller's channel";
    StdIO = false;
    EXPECT_EQ(ScrMirrorActive(), ::isatty(1) == 1);
}
