// Grave-accent (Vesk) codes in DoorWrite, byte for byte as the caller receives them.
#include "harness.h"

#include "harbex/crt2.h"
#include "harbex/stringutils.h"

using namespace harbex;

namespace {

int gSlept = 0;

class VeskTest : public testkit::SocketSession {
  protected:
    void SetUp() override {
        SocketSession::SetUp();
        DoorSession.VeskWrite = true;
        gSlept = 0;
        common::SetSleepHook([](int AMs) { gSlept += AMs; });
        SetInputWaitHook(testkit::FakeWait);
    }
};

const std::string E = "\x1b[";
// DoorTextColourAndBlink(colour, false) over a black tracked background.
std::string DarkNoBlink(int AAnsi) {
    return E + "0;" + std::to_string(AAnsi) + "m" + E + "40m" + E + "0m" + E + "40m" + E + "0;" + std::to_string(AAnsi) +
           "m" + E + "40m";
}
std::string BrightNoBlink(int AAnsi) {
    return E + "1;" + std::to_string(AAnsi) + "m" + E + "0m" + E + "40m" + E + "1;" + std::to_string(AAnsi) + "m";
}

} // namespace

TEST_F(VeskTest, EdgeCases) {
    EXPECT_EQ(Sent("`"), "`") << "a one-character text is sent unchanged";
    EXPECT_EQ(Sent("ab`"), "ab");
    EXPECT_EQ(Sent("`r9x"), "x");
    EXPECT_EQ(Sent("`Zx"), "x");
    EXPECT_EQ(Sent("`r"), "");
    EXPECT_EQ(Sent("a`r"), "a");
    EXPECT_EQ(Sent("``x"), "x") << "a pair of accents is an unknown code";
}

TEST_F(VeskTest, ColourCodesGoThroughTheTrackedAttribute) {
    EXPECT_EQ(Sent("`2"), DarkNoBlink(32));
    EXPECT_EQ(GetTextAttr(), 0x02);
    EXPECT_EQ(Sent("`0"), BrightNoBlink(32));
    EXPECT_EQ(GetTextAttr(), 0x0A);
    EXPECT_EQ(Sent("`%"), BrightNoBlink(37));
    EXPECT_EQ(Sent("`*"), DarkNoBlink(30));
    EXPECT_EQ(GetTextAttr(), 0x00);
    EXPECT_EQ(Sent("`y"), E + "1;33m" + E + "5m");
    EXPECT_EQ(Sent("`b"), E + "0;31m" + E + "40m" + E + "5m");
    EXPECT_EQ(Sent("`r3"), E + "46m");
    EXPECT_EQ(GetTextAttr(), 0x34);
    EXPECT_EQ(Sent("a`9b"), "a" + E + "1;34m" + E + "0m" + E + "46m" + E + "1;34m" + "b");
}

TEST_F(VeskTest, SmallActions) {
    EXPECT_EQ(Sent("a`db`xc`\\d"), "a\bb c\r\nd");
    EXPECT_EQ(Sent("`c"), E + "0;37m" + E + "40m" + E + "40m" + E + "2J" + E + "1;1f" + "\r\n\r\n");
    EXPECT_EQ(GetTextAttr(), 7);
    EXPECT_EQ(Sent("`l`w"), "");
    EXPECT_EQ(gSlept, 600);
}

TEST_F(VeskTest, PipeCodesInsideSegments) {
    EXPECT_EQ(Sent("|0Fa`xb"), E + "1;37m" + E + "40m" + "a b");
}

TEST_F(VeskTest, SpinnerFramesAndPauses) {
    const std::string got = Sent("`|");
    EXPECT_EQ(got, "|\b\\\b-\b/\b|\b\\\b-\b/\b|\b \b");
    EXPECT_EQ(gSlept, 900);
}

TEST_F(VeskTest, PagingPromptWaitsForAKeyThenErases) {
    Type("z");
    const std::string got = Sent("`k");
    const std::string prompt = E + "40m" + "  " + DarkNoBlink(32) + "<" + BrightNoBlink(32) + "MORE" + DarkNoBlink(32) + ">";
    EXPECT_EQ(got, prompt + "\b\b\b\b\b\b\b\b        \b\b\b\b\b\b\b\b");
    EXPECT_EQ(DoorLastKey.Ch, 'z') << "the key was read (and discarded)";
}

TEST_F(VeskTest, NothingTranslatedDuringSixel) {
    DisplayingSixel = true;
    EXPECT_EQ(Sent("`k|0F"), "`k|0F");
}

TEST_F(VeskTest, StripAndCentering) {
    EXPECT_EQ(VeskStrip("`r1ab`2c`"), "abc");
    EXPECT_EQ(VeskStrip("`rx"), "");
    EXPECT_EQ(VeskStrip("|0F`%x"), "|0Fx") << "pipe codes are not touched";
    DoorWriteCentered("`2abcdefghij");  // ten visible characters: column 35
    EXPECT_EQ(Drain(), E + "255D" + E + "34C" + DarkNoBlink(32) + "abcdefghij");
}
