// The day seed and the BBS id file. Every test runs in its own fresh directory.
#include "game/cardgame.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace game;
namespace fs = std::filesystem;

namespace {

const common::TDateTime kSep13 = common::EncodeDate(2025, 9, 13);

class DailySeedTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char Template[] = "/tmp/pm_dayseed_XXXXXX";
        ASSERT_NE(::mkdtemp(Template), nullptr);
        FDir = Template;
        FOld = fs::current_path();
        fs::current_path(FDir);
        // Pin the clock so a new id is predictable.
        common::PinNow(common::EncodeDateTime(2025, 9, 13, 8, 15, 42));
    }
    void TearDown() override {
        common::UnpinNow();
        fs::current_path(FOld);
        std::error_code Ec;
        fs::permissions(FDir, fs::perms::owner_all, fs::perm_options::add, Ec);
        fs::remove_all(FDir, Ec);
    }

    static void WriteCfg(const std::string& AText) {
        std::ofstream(BBS_ID_FILE, std::ios::binary) << AText;
    }
    static std::string ReadCfg() {
        std::ifstream In(BBS_ID_FILE, std::ios::binary);
        std::stringstream Ss;
        Ss << In.rdbuf();
        return Ss.str();
    }
    // The id a new file gets with the pinned clock: the generator seeded from the Unix
    // seconds, then 10000 + a draw below 89999.
    static int32_t ExpectedNewId() {
        SetRandomSeed(static_cast<int32_t>(common::UnixTimeNow()));
        return RandomBelow(89999) + 10000;
    }
    // Names in the directory, to prove nothing was left behind.
    std::set<std::string> Entries() const {
        std::set<std::string> Out;
        for (const auto& E : fs::directory_iterator(FDir))
            Out.insert(E.path().filename());
        return Out;
    }

    fs::path FDir, FOld;
};

} // namespace

TEST(DaySeed, WorkedExampleWhateverTheTimeOfDay) {
    EXPECT_EQ(DailySeedFor(kSep13, 12345), 296145049);
    EXPECT_EQ(DailySeedFor(kSep13, 12345), 0x11A6D099);
    EXPECT_EQ(DailySeedFor(common::EncodeDateTime(2025, 9, 13, 12, 0, 0), 12345), 296145049);
    EXPECT_EQ(DailySeedFor(common::EncodeDateTime(2025, 9, 13, 23, 59, 59, 999), 12345), 296145049);
    EXPECT_EQ(DailySeedFor(common::EncodeDate(2025, 9, 14), 12345), 296145049 + 100000);
}

TEST(DaySeed, DayCountStartsAtFirstOfJanuary1900) {
    EXPECT_EQ(DailySeedFor(common::EncodeDate(1900, 1, 1), 54321), 54321);
    EXPECT_EQ(DailySeedFor(common::EncodeDateTime(1900, 1, 1, 18, 0, 0), 54321), 54321);
    EXPECT_EQ(DailySeedFor(common::EncodeDate(1900, 1, 2), 54321), 154321);
}

TEST(DaySeed, NegativeAndLargeIdsWrapIn32Bits) {
    // 45911 * 100000 - 7 = 4591099993, low 32 bits 296132697.
    EXPECT_EQ(DailySeedFor(kSep13, -7), 296132697);
    // 4591100000 + 2147483647 = 6738583647 -> 6738583647 - 4294967296 = 2443616351 -> negative.
    EXPECT_EQ(DailySeedFor(kSep13, INT32_MAX), static_cast<int32_t>(2443616351u));
}

TEST_F(DailySeedTest, ExistingIdIsUsedAndLeftAlone) {
    WriteCfg("12345\n");
    EXPECT_EQ(GetDailySeed(kSep13 + 0.3), 296145049);
    EXPECT_EQ(GetDailySeed(kSep13 + 0.9), 296145049);
    EXPECT_EQ(ReadCfg(), "12345\n");
}

TEST_F(DailySeedTest, MissingFileIsCreatedWithANewIdUsedAtOnce) {
    const int32_t Want = ExpectedNewId();
    ASSERT_GE(Want, 10000);
    ASSERT_LE(Want, 99998);
    SetRandomSeed(1); // the file's creation must reseed from the clock itself
    EXPECT_EQ(GetDailySeed(kSep13), DailySeedFor(kSep13, Want));
    EXPECT_EQ(ReadCfg(), std::to_string(Want) + "\n");
    EXPECT_EQ(Entries(), std::set<std::string>{"kegora.cfg"});
    // From then on the file is only read, whatever the clock says.
    common::PinNow(common::EncodeDateTime(2025, 10, 1, 9, 0, 0));
    EXPECT_EQ(GetDailySeed(kSep13), DailySeedFor(kSep13, Want));
    EXPECT_EQ(ReadCfg(), std::to_string(Want) + "\n");
}

TEST_F(DailySeedTest, UnusableContentIsReplacedByANewId) {
    for (const std::string Content :
         {"0\n", "", "hello\n", "12ab\n", "   \n\n", "-\n", "99999999999\n", "0x10\n"}) {
        WriteCfg(Content);
        const int32_t Want = ExpectedNewId();
        EXPECT_EQ(GetDailySeed(kSep13), DailySeedFor(kSep13, Want))
            << "content '" << Content << "'";
        EXPECT_EQ(ReadCfg(), std::to_string(Want) + "\n") << "content '" << Content << "'";
    }
}

TEST_F(DailySeedTest, UsableNonZeroIdsAreNeverRewritten) {
    struct Case {
        std::string Content;
        int32_t Id;
    };
    for (const Case& C :
         {Case{"-7\n", -7}, Case{"5\n", 5}, Case{"123456\n", 123456}, Case{"99999\n", 99999},
          Case{"  42\n", 42}, Case{"\n 42 junk\n", 42}, Case{"+31\n", 31},
          Case{"2147483647", INT32_MAX}, Case{"-2147483648\n", INT32_MIN}, Case{"77\r\n", 77}}) {
        WriteCfg(C.Content);
        EXPECT_EQ(GetDailySeed(kSep13), DailySeedFor(kSep13, C.Id))
            << "content '" << C.Content << "'";
        EXPECT_EQ(ReadCfg(), C.Content);
    }
}

TEST_F(DailySeedTest, UnwritableIdFileGives12345AndLeavesNothing) {
    // A directory in the file's place can be neither read as a number nor replaced.
    ASSERT_TRUE(fs::create_directory(BBS_ID_FILE));
    const std::set<std::string> Before = Entries();
    EXPECT_EQ(GetDailySeed(kSep13), 296145049);
    EXPECT_EQ(GetDailySeed(kSep13 + 0.5), 296145049);
    EXPECT_EQ(GetDailySeed(kSep13 + 1), 296145049 + 100000);
    EXPECT_EQ(Entries(), Before);
    EXPECT_TRUE(fs::is_directory(BBS_ID_FILE));
    EXPECT_TRUE(fs::is_empty(BBS_ID_FILE));
}

TEST_F(DailySeedTest, ReadOnlyDirectoryGives12345) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only directories";
    fs::permissions(FDir, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(GetDailySeed(kSep13), 296145049);
    EXPECT_EQ(GetDailySeed(kSep13), 296145049);
    fs::permissions(FDir, fs::perms::owner_all);
    EXPECT_TRUE(Entries().empty());
}
