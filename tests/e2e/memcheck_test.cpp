// A whole session under valgrind memcheck: intro, menu, a game played to its end, the result
// box, the standings screens, the menu again and the quit with its bulletins. No memory error
// and no leak of any kind may be reported.
#include <gtest/gtest.h>

#include <unistd.h>

#include "e2e/door_process.h"
#include "e2e/hardening_support.h"

namespace e2e {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

constexpr const char* kValgrind = "/usr/bin/valgrind";

TEST(MemoryCheck, AWholeGameUnderMemcheckHasNoErrorAndNoLeak) {
    if (kSanitized) GTEST_SKIP() << "the sanitizer build cannot run under valgrind";
    if (access(kValgrind, X_OK) != 0) GTEST_SKIP() << "valgrind is not installed (.ci/run installs it)";
    DoorLaunch l;
    l.Files = {{"kegora.cfg", "24680\n"}};
    l.Wrapper = {kValgrind, "-q", "--error-exitcode=99", "--leak-check=full",
                 "--show-leak-kinds=definite,indirect,possible",
                 "--errors-for-leak-kinds=definite,indirect,possible", "--log-fd=2"};
    DoorProcess door(l);
    ASSERT_TRUE(hardening::ToMenu(door, 60000));
    ASSERT_TRUE(hardening::PlayMissGame(door, 60000));
    door.Send(" ");
    ASSERT_TRUE(door.WaitForText("(COMPLETED)", 60000)) << door.Describe();
    door.WaitQuiet(200, 30000);
    for (const char* key : {"d", "m", "r"}) {
        door.Send(key);
        ASSERT_TRUE(door.WaitForText("Press any key to continue...", 60000)) << key << "\n" << door.Describe();
        door.WaitQuiet(200, 30000);
        // A screen may have more than one page: a key each until the menu is back.
        for (int page = 0; page < 3 && !door.Screen().Contains("Your choice: "); ++page) {
            door.Send(" ");
            door.WaitFor([&] { return door.Screen().Contains("Your choice: ") ||
                                      !door.Screen().Contains("Press any key to continue..."); }, 60000);
            door.WaitQuiet(300, 30000);
        }
        ASSERT_TRUE(door.Screen().Contains("Your choice: ")) << door.Describe();
    }
    door.Send("c");
    ASSERT_TRUE(door.WaitForText("Enter day to play", 60000)) << door.Describe();
    door.Send("0\r");
    ASSERT_TRUE(door.WaitForText("Your choice: ", 60000)) << door.Describe();
    door.WaitQuiet(200, 30000);
    door.Send("q");
    const auto code = door.WaitExit(90000);
    ASSERT_TRUE(code.has_value()) << door.Describe();
    EXPECT_EQ(*code, 0) << door.Errors();
    EXPECT_EQ(door.Errors().find("=="), std::string::npos) << door.Errors();
    EXPECT_EQ(door.ReadFile("pmchplay.dat").size(), 64u);
    EXPECT_EQ(door.ReadFile("pmchrec.dat").size(), 1200u);
    EXPECT_TRUE(door.FileExists("pmchwin.ans"));
    EXPECT_TRUE(door.FileExists("pmchwin.asc"));
}

}  // namespace
}  // namespace e2e
