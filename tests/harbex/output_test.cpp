// DoorWrite, pipe codes, the sequence builders and colour tracking, byte for byte as the
// caller receives them over a socket.
#include "harness.h"

#include "harbex/ansi.h"
#include "harbex/crt2.h"
#include "harbex/targetplatform.h"

using namespace harbex;

namespace {
class OutputTest : public testkit::SocketSession {};
const std::string E = "\x1b[";
} // namespace

TEST_F(OutputTest, PipeCodesWithTrackedLightGrey) {
    EXPECT_EQ(Sent("|0F"), E + "1;37m" + E + "40m");
    EXPECT_EQ(Sent("|1E"), E + "1;33m" + E + "44m");
    EXPECT_EQ(Sent("|07"), E + "0;37m" + E + "40m" + E + "40m");
    EXPECT_EQ(Sent("|8F"), E + "1;37m" + E + "40m");
    EXPECT_EQ(Sent("|ZZ"), "|ZZ");
    EXPECT_EQ(Sent("|FF"), E + "1;37m" + E + "47m");
    EXPECT_EQ(Sent("|1f"), Sent("|1F"));
    EXPECT_EQ(Sent("|G1"), "|G1");
    EXPECT_EQ(GetTextAttr(), 7) << "pipe codes never change the tracked attribute";
}

TEST_F(OutputTest, ShortTextsAndTrailingBarsAreCopied) {
    EXPECT_EQ(Sent("|1"), "|1");
    EXPECT_EQ(Sent("abc|0"), "abc|0");
    EXPECT_EQ(Sent("x|0"), "x|0");
    EXPECT_EQ(Sent("||0F"), "|" + E + "1;37m" + E + "40m");
    EXPECT_EQ(Sent("A|0Fb|07c"), "A" + E + "1;37m" + E + "40mb" + E + "0;37m" + E + "40m" + E + "40mc");
    EXPECT_EQ(Sent(""), "");
}

TEST_F(OutputTest, PipeCodesOffWhenSwitchedOffOrDuringSixel) {
    DoorSession.PipeWrite = false;
    EXPECT_EQ(Sent("|0F"), "|0F");
    DoorSession.PipeWrite = true;
    DisplayingSixel = true;
    EXPECT_EQ(Sent("|0F"), "|0F");
}

TEST_F(OutputTest, ColourBuildersWorkedValues) {
    EXPECT_EQ(AnsiTextColour(14), E + "1;33m");
    EXPECT_EQ(AnsiTextColour(30), E + "1;33m") << "colours reduce modulo 16";
    EXPECT_EQ(AnsiTextAttr(0x1E), E + "1;33m" + E + "44m");
    SetTextAttr(7);
    EXPECT_EQ(AnsiTextAttr(7), E + "0;37m" + E + "40m" + E + "40m");
    SetTextAttr(0x17);  // blue background tracked
    EXPECT_EQ(AnsiTextColour(7), E + "0;37m" + E + "44m");
    EXPECT_EQ(AnsiTextBackground(9), E + "44m");
    for (int c = 0; c < 8; ++c)
        EXPECT_EQ(AnsiTextBackground(static_cast<uint8_t>(c)), E + std::to_string(40 + AnsiColours[c]) + "m");
    EXPECT_EQ(AnsiBlink(true), E + "5m");
    EXPECT_EQ(AnsiBlink(false), E + "0m" + E + "44m" + E + "0;37m" + E + "44m");
}

TEST_F(OutputTest, ColourOperationsTrackAndSend) {
    Sent("|1F");
    EXPECT_EQ(GetTextAttr(), 7);
    DoorTextColour(7);
    EXPECT_EQ(Drain(), E + "0;37m" + E + "40m") << "the background returns to black";

    DoorTextAttr(0x9E);
    EXPECT_EQ(Drain(), E + "1;33m" + E + "44m") << "no blink sequence";
    EXPECT_EQ(GetTextAttr(), 0x9E);

    DoorTextColour(2);  // (2 and 0x8F) or (0x9E and 0x70)
    EXPECT_EQ(GetTextAttr(), 0x12);
    EXPECT_EQ(Drain(), E + "0;32m" + E + "44m");

    DoorTextBackground(3);
    EXPECT_EQ(GetTextAttr(), 0x32);
    EXPECT_EQ(Drain(), E + "46m");
    DoorTextBackground(12);  // only three bits reach the background
    EXPECT_EQ(GetTextAttr(), 0x42);
    EXPECT_EQ(Drain(), E + "41m");
}

TEST_F(OutputTest, ColourAndBlinkAsTwoWrites) {
    DoorTextAttr(7);
    Drain();
    DoorTextColourAndBlink(2, false);
    EXPECT_EQ(Drain(), E + "0;32m" + E + "40m" + E + "0m" + E + "40m" + E + "0;32m" + E + "40m");
    EXPECT_EQ(GetTextAttr(), 0x02);
    DoorTextColourAndBlink(14, true);
    EXPECT_EQ(Drain(), E + "1;33m" + E + "5m");
    EXPECT_EQ(GetTextAttr(), 0x0E) << "the tracked attribute takes the colour as DoorTextColour does";
}

TEST_F(OutputTest, CursorAndScreenSequences) {
    DoorClrScr();
    EXPECT_EQ(Drain(), E + "2J" + E + "1;1f");
    DoorCursorUp(3);
    DoorCursorDown(0);
    DoorCursorRight(255);
    DoorCursorLeft(12);
    EXPECT_EQ(Drain(), E + "3A" + E + "0B" + E + "255C" + E + "12D");
    DoorCursorSave();
    DoorCursorRestore();
    DoorClrEol();
    EXPECT_EQ(Drain(), E + "s" + E + "u" + E + "K");
    DoorGotoXY(5, 12);
    EXPECT_EQ(Drain(), E + "12;5f") << "row first";
    DoorGotoX(0);
    EXPECT_EQ(Drain(), E + "255D");
    DoorGotoX(1);
    EXPECT_EQ(Drain(), E + "255D");
    DoorGotoX(2);
    EXPECT_EQ(Drain(), E + "255D" + E + "1C");
    DoorGotoY(1);
    EXPECT_EQ(Drain(), E + "255A");
    DoorGotoY(24);
    EXPECT_EQ(Drain(), E + "255A" + E + "23B");
    EXPECT_EQ(GetTextAttr(), 7) << "cursor moves leave the attribute alone";
}

TEST_F(OutputTest, WriteLnAndCentering) {
    DoorWriteLn("");
    EXPECT_EQ(Drain(), "\r\n");
    DoorWriteLn();
    EXPECT_EQ(Drain(), "\r\n");
    DoorWriteLn("a|0");  // the line end joins before translation: "|0\r" is not a code
    EXPECT_EQ(Drain(), "a|0\r\n");
    DoorWriteLn("|0");   // "|0\r" is three characters but not hex
    EXPECT_EQ(Drain(), "|0\r\n");

    DoorWriteCentered("0123456789");
    EXPECT_EQ(Drain(), E + "255D" + E + "34C" + "0123456789") << "column 35";
    const std::string t80(80, 'x'), t81(81, 'y'), t82(82, 'z');
    DoorWriteCentered(t80);
    EXPECT_EQ(Drain(), E + "255D" + t80);
    DoorWriteCentered(t81);
    EXPECT_EQ(Drain(), E + "255D" + t81);
    DoorWriteCentered(t82);
    EXPECT_EQ(Drain(), E + "255D" + E + "254C" + t82) << "column -1 taken as its low byte 255";
    DoorWriteCentered("|0Fab");  // pipe codes count as visible characters
    EXPECT_EQ(Drain(), E + "255D" + E + "36C" + E + "1;37m" + E + "40m" + "ab");  // column 37
    DoorWriteCentered("`1`2ab");  // with grave-accent codes off they count too
    EXPECT_EQ(Drain(), E + "255D" + E + "36C" + "`1`2ab");
}

TEST_F(OutputTest, IacBytesAreDoubledOnTheWire) {
    EXPECT_EQ(Sent(std::string("A\xff" "B", 3)), std::string("A\xff\xff" "B", 4));
    EXPECT_EQ(Sent(std::string("\r\n\0x", 4)), std::string("\r\n\0x", 4)) << "CR, LF and NUL unchanged";
}

TEST(TargetPlatform, ConstantsOfThisBuild) {
    EXPECT_EQ(Target, tpRPI);
    EXPECT_EQ(static_cast<int>(tpMSDOS), 5);
    EXPECT_EQ(BuildInfo(), "Compiled for Raspberry Pi (Linux on ARM) (RPI)");
    EXPECT_TRUE(IsLinux());
    EXPECT_TRUE(IsRaspberryPi());
    EXPECT_FALSE(IsWindows());
    EXPECT_FALSE(IsMSDOS());
}

TEST(SessionRecords, DefaultsAtProgramStart) {
    DoorResetForTests();
    EXPECT_EQ(DoorDropInfo.MaxSeconds, 3600);
    EXPECT_EQ(DoorDropInfo.ComNum, 0);
    EXPECT_EQ(DoorDropInfo.Emulation, etANSI);
    EXPECT_TRUE(DoorDropInfo.Alias.empty());
    EXPECT_TRUE(DoorSession.DoIdleCheck);
    EXPECT_FALSE(DoorSession.Events);
    EXPECT_EQ(DoorSession.MaxIdle, 300);
    EXPECT_TRUE(DoorSession.PipeWrite);
    EXPECT_FALSE(DoorSession.VeskWrite);
    EXPECT_EQ(DoorLastKey.Location, lkNone);
    EXPECT_EQ(DoorLastKey.Ch, 0);
    EXPECT_EQ(DoorProgramNameAndVersion, "Harbex v13.09.02");
    EXPECT_EQ(DoorMorePrompts.ASCII, " <MORE>");
    EXPECT_EQ(DoorMorePrompts.ANSI, " |0A<|02MORE|0A>");
    EXPECT_EQ(DoorMorePrompts.ANSITextLength, 7);
    EXPECT_TRUE(StdIO);
    EXPECT_TRUE(DoorStdIO());
    EXPECT_EQ(DoorOnHangup, &DefaultOnHangup);
    EXPECT_EQ(DoorOnTimeOut, &DefaultOnTimeOut);
    EXPECT_EQ(DoorOnTimeUp, &DefaultOnTimeUp);
    EXPECT_EQ(DoorOnTimeOutWarning, nullptr);
    EXPECT_EQ(DoorOnTimeUpWarning, nullptr);
    EXPECT_EQ(DoorOnCLP, nullptr);
    EXPECT_EQ(DoorOnSysopKey, nullptr);
}
