#include "harbex/stringutils.h"

#include <gtest/gtest.h>

using namespace harbex;

TEST(Durations, WorkedExample3725) {
    EXPECT_EQ(SecToDHMS(3725), "0d 1h 2m 5s");
    EXPECT_EQ(SecToHMS(3725), "01:02:05");
    EXPECT_EQ(SecToHM(3725), "01:02");
    EXPECT_EQ(SecToMS(3725), "62:05");
}

TEST(Durations, ZeroAndOneOfEachUnit) {
    EXPECT_EQ(SecToDHMS(0), "0d 0h 0m 0s");
    EXPECT_EQ(SecToDHMS(86400 + 3600 + 60 + 1), "1d 1h 1m 1s");
    EXPECT_EQ(SecToHMS(0), "00:00:00");
    EXPECT_EQ(SecToHM(0), "00:00");
    EXPECT_EQ(SecToMS(0), "00:00");
}

TEST(Durations, SecondsAreDroppedNotRoundedAndUnitsAreNotCapped) {
    EXPECT_EQ(SecToMS(59), "00:59");
    EXPECT_EQ(SecToHM(59), "00:00");
    EXPECT_EQ(SecToHM(3599), "00:59");
    EXPECT_EQ(SecToHMS(360000), "100:00:00");
    EXPECT_EQ(SecToHM(360000), "100:00");
    EXPECT_EQ(SecToMS(6000), "100:00");
    EXPECT_EQ(SecToDHMS(10 * 86400 + 23 * 3600 + 59 * 60 + 59), "10d 23h 59m 59s");
}

TEST(Durations, NegativeInputsFormatComponentByComponent) {
    EXPECT_EQ(SecToMS(-5), "00:-5");
    EXPECT_EQ(SecToMS(-65), "-1:-5");
    EXPECT_EQ(SecToHMS(-3725), "-1:-2:-5");
    EXPECT_EQ(SecToHM(-3725), "-1:-2");
    EXPECT_EQ(SecToDHMS(-90061), "-1d -1h -1m -1s");
    EXPECT_EQ(SecToMS(-600), "-10:00");
}

TEST(Durations, ExtremesOfTheRange) {
    EXPECT_EQ(SecToDHMS(2147483647), "24855d 3h 14m 7s");
    EXPECT_EQ(SecToHMS(-2147483647 - 1), "-596523:-14:-8");
}

TEST(Tokens, EmptyTextHasOneEmptyField) {
    const TTokens t = StrToTok("", ',');
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0], "");
    EXPECT_EQ(t[1], "");
}

TEST(Tokens, AdjacentAndEdgeDelimitersGiveEmptyFields) {
    EXPECT_EQ(StrToTok("a,b,,c", ','), (TTokens{"", "a", "b", "", "c"}));
    EXPECT_EQ(StrToTok(",a", ','), (TTokens{"", "", "a"}));
    EXPECT_EQ(StrToTok("a,", ','), (TTokens{"", "a", ""}));
    EXPECT_EQ(StrToTok(",", ','), (TTokens{"", "", ""}));
    EXPECT_EQ(StrToTok("abc", ','), (TTokens{"", "abc"}));
    EXPECT_EQ(StrToTok("x y z", ' '), (TTokens{"", "x", "y", "z"}));
}

TEST(Tokens, OtherDelimitersAreOrdinaryCharacters) {
    EXPECT_EQ(StrToTok("a;b,c", ';'), (TTokens{"", "a", "b,c"}));
}

TEST(Tokens, JoinFromStartIndex) {
    const TTokens t = StrToTok("a,b,,c", ',');
    EXPECT_EQ(TokToStr(t, ','), "a,b,,c");
    EXPECT_EQ(TokToStr(t, ',', 1), "a,b,,c");
    EXPECT_EQ(TokToStr(t, ',', 2), "b,,c");
    EXPECT_EQ(TokToStr(t, ',', 4), "c");
    EXPECT_EQ(TokToStr(t, ',', 5), "");
    EXPECT_EQ(TokToStr(t, ',', 0), ",a,b,,c");
    EXPECT_EQ(TokToStr(t, ';'), "a;b;;c");
    EXPECT_EQ(TokToStr(t, ',', -3), ",a,b,,c");
    EXPECT_EQ(TokToStr(TTokens{}, ','), "");
}

TEST(Tokens, RoundTrip) {
    for (const std::string s : {"", ",", ",,", "a", "a,b", ",a,", "a,,b,", "one,two,three"}) {
        EXPECT_EQ(TokToStr(StrToTok(s, ','), ','), s) << s;
    }
}

TEST(Base64, DecodesWithAndWithoutPadding) {
    EXPECT_EQ(Base64Decode(""), "");
    EXPECT_EQ(Base64Decode("TWFu"), "Man");
    EXPECT_EQ(Base64Decode("TWE="), "Ma");
    EXPECT_EQ(Base64Decode("TQ=="), "M");
    EXPECT_EQ(Base64Decode("TWE"), "Ma");
    EXPECT_EQ(Base64Decode("TQ"), "M");
    EXPECT_EQ(Base64Decode("aGVsbG8gd29ybGQ="), "hello world");
}

TEST(Base64, IgnoresLineBreaksAndForeignCharacters) {
    EXPECT_EQ(Base64Decode("aGVs\r\nbG8g\nd29y bGQ="), "hello world");
    EXPECT_EQ(Base64Decode("T*W.F-u"), "Man");
}

TEST(Base64, DecodesAllByteValues) {
    EXPECT_EQ(Base64Decode("AP8A/w=="), std::string("\x00\xff\x00\xff", 4));
    EXPECT_EQ(Base64Decode("+/+/"), "\xfb\xff\xbf");
}

TEST(Base64, StopsAtPadding) {
    EXPECT_EQ(Base64Decode("TQ==TWFu"), "M");
}

TEST(DecimalConversion, AcceptsSignedDecimalsOnly) {
    EXPECT_EQ(StrToIntDef("0", 9), 0);
    EXPECT_EQ(StrToIntDef("38400", 9), 38400);
    EXPECT_EQ(StrToIntDef("-1", 9), -1);
    EXPECT_EQ(StrToIntDef("+5", 9), 5);
    EXPECT_EQ(StrToIntDef("  7", 9), 7);
    EXPECT_EQ(StrToIntDef("2147483647", 9), 2147483647);
    EXPECT_EQ(StrToIntDef("-2147483648", 9), -2147483647 - 1);
    for (const std::string bad : {"", " ", "-", "+", "abc", "1a", "7 ", "2147483648",
                                  "-2147483649", "99999999999999999999", "0x10", "$10", "1.5"}) {
        EXPECT_EQ(StrToIntDef(bad, 9), 9) << bad;
    }
}

TEST(LetterCase, OnlyAsciiLettersChange) {
    EXPECT_EQ(UpperCase("door32.sys"), "DOOR32.SYS");
    EXPECT_EQ(UpperCase("Gr \x81\xe9z"), "GR \x81\xe9Z");
}
