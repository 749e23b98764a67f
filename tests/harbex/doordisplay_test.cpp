#include "harbex/doordisplay.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <poll.h>
#include <unistd.h>

#include <thread>

#include "harbex/door.h"
#include "sockettest.h"
#include "testfiles.h"

using namespace harbex;

namespace {

class DisplayFileTest : public testing_caller::SocketSessionTest {
  protected:
    std::string Show(const std::string& AContent) {
        const std::string path = FDir.Write("show.ans", AContent);
        Sent();
        DoorDisplayFile(path);
        return Sent();
    }
    testing_files::TTempDir FDir;
};

// Runs in the directory for its lifetime.
class TChdir {
  public:
    explicit TChdir(const std::string& ADir) {
        if (!::getcwd(FOld, sizeof FOld)) FOld[0] = 0;
        EXPECT_EQ(::chdir(ADir.c_str()), 0);
    }
    ~TChdir() {
        if (FOld[0]) {
            EXPECT_EQ(::chdir(FOld), 0);
        }
    }

  private:
    char FOld[4096];
};

} // namespace

TEST_F(DisplayFileTest, EveryLineEndArrivesAsCrLfAndNoneAfterTheLastLine) {
    EXPECT_EQ(Show("one\ntwo\n"), "one\r\ntwo");
    EXPECT_EQ(Show("one\r\ntwo\r\n"), "one\r\ntwo");
    EXPECT_EQ(Show("one\rtwo\r"), "one\r\ntwo");
    EXPECT_EQ(Show("one\ntwo"), "one\r\ntwo");
    EXPECT_EQ(Show("one\r\n\r\ntwo\n\n"), "one\r\n\r\ntwo\r\n");
    EXPECT_EQ(Show("\n"), "");
    EXPECT_EQ(Show("\n\nx"), "\r\n\r\nx");
}

TEST_F(DisplayFileTest, EmptyFileSendsNothing) { EXPECT_EQ(Show(""), ""); }

TEST_F(DisplayFileTest, CtrlZIsAnOrdinaryCharacter) {
    EXPECT_EQ(Show("art\x1a" "SAUCE00\nmore"), "art\x1aSAUCE00\r\nmore");
}

TEST_F(DisplayFileTest, PipeCodesTranslatedAnsiPassedThrough) {
    EXPECT_EQ(Show("|0FHi\n\x1b[1;31mRed"), "\x1b[1;37m\x1b[40mHi\r\n\x1b[1;31mRed");
    // A code split by a line end is not one code.
    EXPECT_EQ(Show("|0\nF"), "|0\r\nF");
}

TEST_F(DisplayFileTest, SixelDisplayLeavesCodesAlone) {
    const std::string path = FDir.Write("pic.six", "\x1bPq|0F`k\n#0;2;0;0;0\x1b\\");
    Sent();
    DoorDisplaySixel(path);
    EXPECT_EQ(Sent(), "\x1bPq|0F`k\r\n#0;2;0;0;0\x1b\\");
    EXPECT_FALSE(DisplayingSixel);
    DoorWrite("|0F");
    EXPECT_EQ(Sent(), "\x1b[1;37m\x1b[40m") << "codes work again afterwards";
}

TEST_F(DisplayFileTest, LongFileIsSentWhole) {
    std::string content, expected;
    for (int i = 0; i < 3000; ++i) {
        const std::string line = "line " + std::to_string(i) + std::string(70, '.');
        content += line + "\r\n";
        expected += line + (i < 2999 ? "\r\n" : "");
    }
    const std::string path = FDir.Write("long.ans", content);
    Sent();
    // The caller reads while the door sends: more than a socket buffer's worth.
    std::string got;
    std::thread reader([&] {
        char buf[8192];
        while (got.size() < expected.size()) {
            pollfd p{FFds[1], POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0) break;
            const ssize_t n = ::read(FFds[1], buf, sizeof buf);
            if (n <= 0) break;
            got.append(buf, static_cast<std::size_t>(n));
        }
    });
    DoorDisplayFile(path);
    reader.join();
    EXPECT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected);
}

TEST_F(DisplayFileTest, MissingFileIsReportedAndOneKeyAwaited) {
    TChdir cd(FDir.Path());
    Caller().Script({"xy"});
    Sent();
    DoorDisplayFile("intro.ans");
    EXPECT_EQ(Sent(), "Error reading \"intro.ans\": File not found\r\nHit a key to continue\r\n");
    EXPECT_EQ(Caller().Snapshots.size(), 1u);
    EXPECT_EQ(DoorLastKey.Ch, 'x') << "exactly one key is read";
    EXPECT_TRUE(CommCharAvail()) << "the second key is left for the next read";
}

TEST_F(DisplayFileTest, DirectoryIsReported) {
    const std::string dir = FDir.Path() + "/art";
    ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0);
    Caller().Script({" "});
    Sent();
    DoorDisplayFile(dir);
    EXPECT_EQ(Sent(), "Error reading \"" + dir + "\": Is a directory\r\nHit a key to continue\r\n");
}

TEST_F(DisplayFileTest, FifoIsReportedWithoutBlocking) {
    const std::string fifo = FDir.Path() + "/pipe.ans";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    Caller().Script({" "});
    Sent();
    DoorDisplayFile(fifo);
    EXPECT_EQ(Sent(),
              "Error reading \"" + fifo + "\": Not a regular file\r\nHit a key to continue\r\n");
}

TEST_F(DisplayFileTest, UnreadableFileIsReported) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not apply to root";
    const std::string path = FDir.Write("locked.ans", "secret");
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    Caller().Script({" "});
    Sent();
    DoorDisplayFile(path);
    EXPECT_EQ(Sent(), "Error reading \"" + path + "\": Access denied\r\nHit a key to continue\r\n");
}
