#include "harbex/doorinput.h"

#include <gtest/gtest.h>

#include "harbex/crt2.h"
#include "harbex/door.h"
#include "sockettest.h"

using namespace harbex;
using testing_caller::SocketSessionTest;

namespace {

const char CTRL_Y[] = "\x19";
const char BS[] = "\b";
const char DEL[] = "\x7f";

class DoorInputTest : public SocketSessionTest {
  protected:
    // The field's visible text: AWidth cells of row 3 from column 5.
    std::string Field(const testing_screen::TVirtualScreen& AScreen, int AWidth) {
        return AScreen.Text(5, 3, AWidth);
    }
    const testing_screen::TVirtualScreen& Snap(std::size_t i) {
        EXPECT_LT(i, Caller().Snapshots.size());
        return Caller().Snapshots.at(i).Screen;
    }
};

} // namespace

TEST_F(DoorInputTest, DefaultShownInTheFieldColourAndReturnedOnEnter) {
    DoorTextAttr(0x0E);
    DoorGotoXY(5, 3);
    Caller().Script({"\r"});
    EXPECT_EQ(DoorInput("SYSOP", DOOR_INPUT_CHARS_ALPHA, 0, 40, 40, 31), "SYSOP");
    const auto& s = Snap(0);
    EXPECT_EQ(Field(s, 40), "SYSOP" + std::string(35, ' '));
    for (int x = 5; x < 45; ++x) ASSERT_EQ(s.AttrAt(x, 3), 0x1F) << "column " << x;
    EXPECT_EQ(s.AttrAt(45, 3), 7) << "nothing drawn past the field";
    EXPECT_EQ(s.X(), 10);
    EXPECT_EQ(s.Y(), 3);
    // On return: the attribute in force before, and the start of the next line.
    Caller().Pump();
    EXPECT_EQ(Caller().Screen.X(), 1);
    EXPECT_EQ(Caller().Screen.Y(), 4);
    EXPECT_EQ(Caller().Screen.Attr(), 0x0E);
    EXPECT_EQ(GetTextAttr(), 0x0E);
}

TEST_F(DoorInputTest, EscapeReturnsTheDefaultAfterEditing) {
    DoorGotoXY(5, 3);
    Caller().Script({"ab", BS, BS, BS, "\x1b"});
    EXPECT_EQ(DoorInput("SYSOP", DOOR_INPUT_CHARS_ALPHA, 0, 40, 40, 31), "SYSOP");
    EXPECT_EQ(Field(Snap(1), 8), "SYSOPab ");
    EXPECT_EQ(Field(Snap(4), 8), "SYSO    ");
    EXPECT_EQ(Snap(4).X(), 9);
}

TEST_F(DoorInputTest, DefaultLongerThanTheMaximumIsCut) {
    DoorGotoXY(5, 3);
    Caller().Script({"\x1b"});
    EXPECT_EQ(DoorInput("12345", DOOR_INPUT_CHARS_NUMERIC, 0, 10, 2, 31), "12");
    EXPECT_EQ(Field(Snap(0), 10), "12        ");
    EXPECT_EQ(Snap(0).X(), 7);

    Caller().Snapshots.clear();
    DoorGotoXY(5, 3);
    Caller().Script({"9", "\r"});
    EXPECT_EQ(DoorInput("12345", DOOR_INPUT_CHARS_NUMERIC, 0, 10, 2, 31), "12")
        << "the cut default is already at the maximum";
}

TEST_F(DoorInputTest, ScrollsWhenLongerThanTheVisibleWidth) {
    DoorGotoXY(5, 3);
    Caller().Script({"a", "b", "c", "d", "e", "f", "g", BS, BS, BS, "\r"});
    EXPECT_EQ(DoorInput("", DOOR_INPUT_CHARS_ALPHA, 0, 5, 10, 31), "abcd");
    EXPECT_EQ(Field(Snap(0), 6), "      ");
    EXPECT_EQ(Snap(0).X(), 5);
    EXPECT_EQ(Field(Snap(5), 6), "abcde ");
    EXPECT_EQ(Snap(5).X(), 10);
    EXPECT_EQ(Field(Snap(6), 6), "bcdef ");
    EXPECT_EQ(Snap(6).X(), 10);
    EXPECT_EQ(Field(Snap(7), 6), "cdefg ") << "seven typed: the last five show";
    EXPECT_EQ(Snap(7).X(), 10) << "cursor after the fifth column";
    EXPECT_EQ(Field(Snap(8), 6), "bcdef ") << "one backspace: last five of six";
    EXPECT_EQ(Snap(8).X(), 10);
    EXPECT_EQ(Field(Snap(9), 6), "abcde ");
    EXPECT_EQ(Field(Snap(10), 6), "abcd  ");
    EXPECT_EQ(Snap(10).X(), 9);
    EXPECT_EQ(Snap(10).AttrAt(9, 3), 0x1F) << "erased cell keeps the field colour";
}

TEST_F(DoorInputTest, TypingPastTheMaximumIsIgnored) {
    DoorGotoXY(5, 3);
    Caller().Script({"abcdefghijkl", "m", "\r"});
    EXPECT_EQ(DoorInput("", DOOR_INPUT_CHARS_ALPHA, 0, 5, 10, 31), "abcdefghij");
    EXPECT_EQ(Field(Snap(1), 5), "fghij");
    EXPECT_EQ(Caller().Snapshots[2].BytesReceived, Caller().Snapshots[1].BytesReceived)
        << "a key past the maximum sends nothing";
}

TEST_F(DoorInputTest, PasswordCharacterMasksEveryTypedCharacter) {
    DoorGotoXY(5, 3);
    Caller().Script({"se", "cret", BS, "\r"});
    EXPECT_EQ(DoorInput("", DOOR_INPUT_CHARS_ALL, '*', 4, 20, 31), "secre");
    EXPECT_EQ(Field(Snap(1), 5), "**   ");
    EXPECT_EQ(Field(Snap(2), 5), "**** ") << "scrolled: four masks";
    EXPECT_EQ(Field(Snap(3), 5), "**** ");
    EXPECT_EQ(Caller().Received.find("sec"), std::string::npos) << "typed text never sent";

    Caller().Snapshots.clear();
    DoorGotoXY(5, 3);
    Caller().Script({"\r"});
    EXPECT_EQ(DoorInput("pw", DOOR_INPUT_CHARS_ALL, '#', 4, 20, 31), "pw");
    EXPECT_EQ(Field(Snap(0), 4), "##  ");
}

TEST_F(DoorInputTest, CtrlYClearsTheFieldOnceAndAgainDoesNothing) {
    DoorGotoXY(5, 3);
    Caller().Script({"abc", CTRL_Y, CTRL_Y, "\r"});
    EXPECT_EQ(DoorInput("", DOOR_INPUT_CHARS_ALPHA, 0, 6, 10, 31), "");
    EXPECT_EQ(Field(Snap(1), 6), "abc   ");
    EXPECT_EQ(Field(Snap(2), 6), "      ");
    EXPECT_EQ(Snap(2).X(), 5) << "cursor back at the first column";
    EXPECT_EQ(Caller().Snapshots[3].BytesReceived, Caller().Snapshots[2].BytesReceived);
}

TEST_F(DoorInputTest, DeleteActsExactlyLikeBackspace) {
    DoorGotoXY(5, 3);
    Caller().Script({"abcdefg", DEL, DEL, DEL, DEL, "\r"});
    EXPECT_EQ(DoorInput("", DOOR_INPUT_CHARS_ALPHA, 0, 5, 10, 31), "abc");
    EXPECT_EQ(Field(Snap(1), 6), "cdefg ");
    EXPECT_EQ(Field(Snap(2), 6), "bcdef ");
    EXPECT_EQ(Field(Snap(4), 6), "abcd  ");
    EXPECT_EQ(Field(Snap(5), 6), "abc   ");
    EXPECT_EQ(Snap(5).X(), 8);
}

TEST_F(DoorInputTest, BackspaceAndDeleteOnAnEmptyFieldDoNothing) {
    DoorGotoXY(5, 3);
    Caller().Script({BS, DEL, CTRL_Y, "x", "\r"});
    EXPECT_EQ(DoorInput("", DOOR_INPUT_CHARS_ALPHA, 0, 5, 10, 31), "x");
    EXPECT_EQ(Caller().Snapshots[3].BytesReceived, Caller().Snapshots[0].BytesReceived);
}

TEST_F(DoorInputTest, FilterDecidesWhichKeysAreTaken) {
    DoorGotoXY(5, 3);
    Caller().Script({"a1b2 3.", "\r"});
    EXPECT_EQ(DoorInput("", DOOR_INPUT_CHARS_NUMERIC, 0, 10, 10, 31), "123");
    Caller().Script({"my*file?.txt", "\r"});
    EXPECT_EQ(DoorInput("", DOOR_INPUT_CHARS_FILENAME, 0, 20, 20, 31), "myfile.txt");
}

TEST_F(DoorInputTest, CursorKeysArriveAsTheirScanCodeLetters) {
    DoorGotoXY(5, 3);
    Caller().Script({"\x1b[A", "\x1b[B", "\r"});
    EXPECT_EQ(DoorInput("", DOOR_INPUT_CHARS_ALPHA, 0, 10, 10, 31), "HP");
    Caller().Script({"\x1b[A", "1", "\r"});
    EXPECT_EQ(DoorInput("", DOOR_INPUT_CHARS_NUMERIC, 0, 10, 10, 31), "1");
}

TEST_F(DoorInputTest, EnterOnAnEmptyFieldReturnsEmptyByteForByte) {
    Caller().Script({"\r"});
    EXPECT_EQ(DoorInput("", DOOR_INPUT_CHARS_ALL, 0, 10, 10, 0x1E), "");
    EXPECT_EQ(Sent(), "\x1b[1;33m\x1b[44m"      // field colour
                      "          \x1b[10D"      // blank field, cursor to its start
                      "\x1b[0;37m\x1b[40m\x1b[40m"  // attribute 7 again
                      "\r\n");
}

TEST(DoorInputFilters, Contents) {
    EXPECT_EQ(DOOR_INPUT_CHARS_ALL.size(), 95u);
    EXPECT_EQ(DOOR_INPUT_CHARS_ALL.front(), ' ');
    EXPECT_EQ(DOOR_INPUT_CHARS_ALL.back(), '~');
    EXPECT_EQ(DOOR_INPUT_CHARS_ALPHA.size(), 52u);
    EXPECT_EQ(DOOR_INPUT_CHARS_NUMERIC, "1234567890");
    EXPECT_EQ(DOOR_INPUT_CHARS_FILENAME.size(), 87u);
    for (const char c : std::string("`/*|\"<>?"))
        EXPECT_EQ(DOOR_INPUT_CHARS_FILENAME.find(c), std::string::npos) << c;
    for (const std::string& f : {DOOR_INPUT_CHARS_ALL, DOOR_INPUT_CHARS_ALPHA,
                                 DOOR_INPUT_CHARS_NUMERIC, DOOR_INPUT_CHARS_FILENAME}) {
        EXPECT_EQ(f.find('\x7f'), std::string::npos);
        EXPECT_EQ(f.find('\b'), std::string::npos);
    }
}

// ---- Light bar ----------------------------------------------------------------------

namespace {

class LiteBarTest : public SocketSessionTest {
  protected:
    void SetUp() override {
        SocketSessionTest::SetUp();
        DoorLiteBarOptions = {"One", "Two", "Three", "Four", "Five"};
        DoorLiteBarIndex = 0;
        DoorGotoXY(10, 5);
    }
    // Row of option i (0-based) and whether it is drawn highlighted.
    static bool Lit(const testing_screen::TVirtualScreen& s, int i) {
        return s.AttrAt(10, 5 + i) == 0x1F;
    }
    const testing_screen::TVirtualScreen& Snap(std::size_t i) {
        EXPECT_LT(i, Caller().Snapshots.size());
        return Caller().Snapshots.at(i).Screen;
    }
};

} // namespace

TEST_F(LiteBarTest, DrawsOnePageAndMovesWithinIt) {
    Caller().Script({"2", "2", "2", "\r"});
    EXPECT_TRUE(DoorLiteBar(3));
    EXPECT_EQ(DoorLiteBarIndex, 2);
    const auto& first = Snap(0);
    EXPECT_EQ(first.Text(10, 5, 5), "One  ");
    EXPECT_EQ(first.Text(10, 6, 5), "Two  ");
    EXPECT_EQ(first.Text(10, 7, 5), "Three");
    EXPECT_EQ(first.Row(8), "") << "only a page of three is drawn";
    EXPECT_TRUE(Lit(first, 0));
    EXPECT_EQ(first.AttrAt(10, 6), 0x0F);
    EXPECT_FALSE(Lit(first, 2));
    EXPECT_TRUE(Lit(Snap(1), 1));
    EXPECT_FALSE(Lit(Snap(1), 0));
    EXPECT_TRUE(Lit(Snap(2), 2));
    EXPECT_FALSE(Lit(Snap(2), 1));
    EXPECT_EQ(Caller().Snapshots[3].BytesReceived, Caller().Snapshots[2].BytesReceived)
        << "\"2\" at the last row of the page does nothing";
    Caller().Pump();
    EXPECT_EQ(Caller().Screen.X(), 10) << "cursor back on the first row";
    EXPECT_EQ(Caller().Screen.Y(), 5);
    EXPECT_EQ(Caller().Screen.Row(8), "");
}

TEST_F(LiteBarTest, UpKeysAndCursorKeys) {
    DoorLiteBarIndex = 2;
    Caller().Script({"8", "\x1b[A", "8", "\x1b[B", "p", "m", "6", "k", "h", "4", "\r"});
    EXPECT_TRUE(DoorLiteBar(5));
    EXPECT_TRUE(Lit(Snap(0), 2));
    EXPECT_TRUE(Lit(Snap(1), 1));
    EXPECT_TRUE(Lit(Snap(2), 0));
    EXPECT_EQ(Caller().Snapshots[3].BytesReceived, Caller().Snapshots[2].BytesReceived)
        << "up at the top does nothing";
    EXPECT_TRUE(Lit(Snap(4), 1)) << "cursor down";
    EXPECT_TRUE(Lit(Snap(5), 2)) << "lower-case p is Down";
    EXPECT_TRUE(Lit(Snap(6), 3)) << "lower-case m is Right";
    EXPECT_TRUE(Lit(Snap(7), 4)) << "6";
    EXPECT_TRUE(Lit(Snap(8), 3)) << "lower-case k is Left";
    EXPECT_TRUE(Lit(Snap(9), 2)) << "lower-case h is Up";
    EXPECT_EQ(DoorLiteBarIndex, 1);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(Snap(9).Text(10, 5 + i, 5), Snap(0).Text(10, 5 + i, 5));
}

TEST_F(LiteBarTest, QuitReturnsFalseWithTheIndexUnchanged) {
    DoorLiteBarIndex = 1;
    Caller().Script({"x", "\x1b", "q"});
    EXPECT_FALSE(DoorLiteBar(3));
    EXPECT_EQ(DoorLiteBarIndex, 1);
    EXPECT_EQ(Caller().Snapshots[2].BytesReceived, Caller().Snapshots[0].BytesReceived)
        << "other keys and ESC do nothing";
}

TEST_F(LiteBarTest, PipeCodesInOptionsAreTranslated) {
    DoorLiteBarOptions = {"|0CRed", "Plain"};
    Caller().Script({"\r"});
    EXPECT_TRUE(DoorLiteBar(2));
    EXPECT_EQ(Snap(0).Text(10, 5, 3), "Red");
    EXPECT_EQ(Snap(0).AttrAt(10, 5), 0x0C);
}

TEST_F(LiteBarTest, EmptyListDrawsNothingAndReturnsOnEnter) {
    DoorLiteBarOptions.clear();
    DoorLiteBarIndex = 0;
    Caller().Script({"2", "8", "\r"});
    EXPECT_TRUE(DoorLiteBar(3));
    EXPECT_EQ(DoorLiteBarIndex, 0);
    for (int y = 1; y <= 25; ++y) EXPECT_EQ(Snap(0).Row(y), "") << y;
}
