// The test terminal itself: if it renders wrongly, every screen assertion is worthless.
#include "e2e/vterm.h"

#include <gtest/gtest.h>

namespace e2e {
namespace {

TEST(VirtualScreen, PrintsTextAndFollowsLineEnds) {
  VirtualScreen s;
  s.Feed("ab\r\ncd");
  EXPECT_EQ(s.Text(1, 1, 2), "ab");
  EXPECT_EQ(s.Text(1, 2, 2), "cd");
  EXPECT_EQ(s.CursorX(), 3);
  EXPECT_EQ(s.CursorY(), 2);
  s.Feed("\b\bX\tY");
  EXPECT_EQ(s.Text(1, 2, 2), "Xd");
  EXPECT_EQ(s.Ch(9, 2), 'Y');  // tab stops every 8 columns
}

TEST(VirtualScreen, PositionsTheCursorRowFirstWithDefaultsAndClamping) {
  VirtualScreen s;
  s.Feed("\x1b[12;20fA");
  EXPECT_EQ(s.Ch(20, 12), 'A');
  s.Feed("\x1b[HB\x1b[5HC\x1b[;5HD");
  EXPECT_EQ(s.Ch(1, 1), 'B');
  EXPECT_EQ(s.Ch(1, 5), 'C');
  EXPECT_EQ(s.Ch(5, 1), 'D');
  s.Feed("\x1b[99;99H");
  EXPECT_EQ(s.CursorX(), 80);
  EXPECT_EQ(s.CursorY(), 25);
  s.Feed("\x1b[3;3H\x1b[2A\x1b[255D");
  EXPECT_EQ(s.CursorX(), 1);
  EXPECT_EQ(s.CursorY(), 1);
  s.Feed("\x1b[4B\x1b[9C");
  EXPECT_EQ(s.CursorX(), 10);
  EXPECT_EQ(s.CursorY(), 5);
  s.Feed("\x1b[s\x1b[20;20H\x1b[u");
  EXPECT_EQ(s.CursorX(), 10);
  EXPECT_EQ(s.CursorY(), 5);
}

TEST(VirtualScreen, MapsColourSequencesToPcAttributes) {
  VirtualScreen s;
  s.Feed("\x1b[1;33m\x1b[44mA");  // yellow on blue
  EXPECT_EQ(s.Attr(1, 1), 0x1E);
  s.Feed("\x1b[0;37m\x1b[40m\x1b[40mB");  // the kit's light grey: reset clears bold
  EXPECT_EQ(s.Attr(2, 1), 0x07);
  s.Feed("\x1b[0m\x1b[31;47mC\x1b[30mD\x1b[37;40mE");
  EXPECT_EQ(s.Attr(3, 1), 0x74);  // red on white
  EXPECT_EQ(s.Attr(4, 1), 0x70);  // black on white
  EXPECT_EQ(s.Attr(5, 1), 0x07);
  s.Feed("\x1b[1;30mF\x1b[5mG\x1b[0mH\x1b[7mI\x1b[27;22mJ");
  EXPECT_EQ(s.Attr(6, 1), 0x08);  // dark grey
  EXPECT_EQ(s.Attr(7, 1), 0x88);  // blink bit
  EXPECT_EQ(s.Attr(8, 1), 0x07);
  EXPECT_EQ(s.Attr(9, 1), 0x70);  // reverse
  EXPECT_EQ(s.Attr(10, 1), 0x07);
}

TEST(VirtualScreen, ErasesWithTheCurrentBackground) {
  VirtualScreen s;
  s.Feed("hello\x1b[2;1Hworld");
  s.Feed("\x1b[42m\x1b[2J");
  EXPECT_EQ(s.Row(1), std::string(80, ' '));
  EXPECT_EQ(s.Attr(40, 12), 0x27);
  s.Feed("\x1b[0m\x1b[1;1Habcdef\x1b[1;3H\x1b[K");
  EXPECT_EQ(s.Text(1, 1, 6), "ab    ");
}

TEST(VirtualScreen, WrapsAfterTheLastColumnAndHonoursAutoWrapOff) {
  VirtualScreen s;
  s.Feed(std::string(80, 'x'));
  EXPECT_EQ(s.CursorY(), 1);  // deferred: still on row 1
  s.Feed("y");
  EXPECT_EQ(s.Ch(1, 2), 'y');
  s.Feed("\x1b[?7l\x1b[3;79Habcd\x1b[?7h");
  EXPECT_EQ(s.Text(79, 3, 2), "ad");  // the last column is overwritten
  EXPECT_EQ(s.Ch(1, 4), ' ');
  EXPECT_FALSE(s.Contains("b"));
}

TEST(VirtualScreen, ScrollsAtTheBottomRow) {
  VirtualScreen s;
  s.Feed("top\x1b[25;1Hbottom\r\n");
  EXPECT_EQ(s.Scrolls(), 1);
  EXPECT_EQ(s.Text(1, 24, 6), "bottom");
  EXPECT_FALSE(s.Contains("top"));

  VirtualScreen ansiSys(VirtualScreen::WrapStyle::kImmediate);
  ansiSys.Feed("\x1b[25;80HZ");
  EXPECT_EQ(ansiSys.Scrolls(), 1);
  EXPECT_EQ(ansiSys.Ch(80, 24), 'Z');
}

TEST(VirtualScreen, PrintsControlBytesAsGlyphsAndSurvivesSplitSequences) {
  VirtualScreen s;
  s.Feed(std::string("\x03\x04\x05\x06\xdb\xcd", 6));
  EXPECT_EQ(s.Text(1, 1, 6), std::string("\x03\x04\x05\x06\xdb\xcd", 6));
  s.Feed("\x1b[3");
  s.Feed("1mR");
  EXPECT_EQ(s.Attr(7, 1), 0x04);
  EXPECT_EQ(Cp437ToUtf8(3), "\xe2\x99\xa5");  // heart
  EXPECT_EQ(Cp437ToUtf8(0xC9), "\xe2\x95\x94");
}

TEST(TelnetFilter, RecordsOffersAndUnescapesIac) {
  TelnetFilter t;
  std::string out = t.Feed(std::string("\xff\xfb\x00\xff", 4));
  out += t.Feed(std::string("\xfb\x01" "A\xff\xff" "B", 6));
  EXPECT_EQ(out, "A\xff" "B");
  ASSERT_EQ(t.Options().size(), 2u);
  EXPECT_EQ(t.Options()[0].Verb, 251);
  EXPECT_EQ(t.Options()[0].Opt, 0);
  EXPECT_EQ(t.Options()[1].Opt, 1);
  EXPECT_EQ(t.Feed(std::string("\xff\xfa\x18\x01\xff\xf0z", 7)), "z");
}

}  // namespace
}  // namespace e2e
