// Names as other callers see them: control bytes become "?" one for one, columns are padded
// and cut, and names go to the caller without colour-code translation.
#include <gtest/gtest.h>

#include "app/door_line.h"
#include "app/safename.h"

namespace {

TEST(SafeName, ControlBytesBecomeQuestionMarksOneForOne) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const std::string safe = kegora::SafeName(all);
    ASSERT_EQ(safe.size(), 256u);
    for (int b = 0; b < 256; ++b) {
        const bool control = b < 32 || b == 127;
        EXPECT_EQ(static_cast<unsigned char>(safe[static_cast<std::size_t>(b)]),
                  control ? '?' : b)
            << "byte " << b;
    }
    EXPECT_EQ(kegora::SafeName(""), "");
}

TEST(SafeName, NameColumnPadsCutsAndMakesSafe) {
    EXPECT_EQ(kegora::NameColumn("Ann", 6), "Ann   ");
    EXPECT_EQ(kegora::NameColumn("Annabelle", 4), "Anna");
    EXPECT_EQ(kegora::NameColumn("A\tB", 4), "A?B ");
    EXPECT_EQ(kegora::NameColumn("", 3), "   ");
}

TEST(SafeName, IsPlayersNameComparesExactlyOverTheStoredForty) {
    EXPECT_TRUE(kegora::IsPlayersName("Ann", "Ann"));
    EXPECT_FALSE(kegora::IsPlayersName("ann", "Ann"));
    EXPECT_FALSE(kegora::IsPlayersName("Ann", "Ann "));
    const std::string longName(45, 'x');
    EXPECT_TRUE(kegora::IsPlayersName(longName.substr(0, 40), longName));
    EXPECT_FALSE(kegora::IsPlayersName(longName.substr(0, 39), longName));
}

TEST(SafeName, LiteralWriteSendsPipeCodesAsTextAndRestoresTheSwitch) {
    apptest::DoorLine line;
    ASSERT_TRUE(harbex::DoorSession.PipeWrite);
    kegora::DoorWriteLiteral("Red|04Bob");
    EXPECT_EQ(line.Take(), "Red|04Bob");
    EXPECT_TRUE(harbex::DoorSession.PipeWrite);
    harbex::DoorWrite("|04");
    EXPECT_NE(line.Take(), "|04");  // ordinary texts still translate
}

} // namespace
