// The shipped menu art must fit the menu drawn over it: rows 1-23 only, nothing that makes a
// terminal wrap or scroll, and the menu window (columns 24-56 of rows 13-20) left empty.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "e2e/vterm.h"

namespace e2e {
namespace {

std::string ReadArt() {
    std::ifstream in(PINMARCH_DATA_DIR "/intro.ans", std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The bytes a caller receives from the door's display of the file: each line, then CR LF
// between lines (line ends CR, LF or CR LF in the file).
std::string AsDisplayed(const std::string& AFile) {
    std::string out, line;
    size_t i = 0;
    bool first = true;
    while (i < AFile.size()) {
        size_t end = AFile.find_first_of("\r\n", i);
        line = AFile.substr(i, end == std::string::npos ? std::string::npos : end - i);
        if (!first) out += "\r\n";
        out += line;
        first = false;
        if (end == std::string::npos) break;
        i = end + 1;
        if (AFile[end] == '\r' && i < AFile.size() && AFile[i] == '\n') ++i;
    }
    return out;
}

TEST(IntroArt, FitsTheMenuLayoutOnEveryKindOfTerminal) {
    const std::string art = ReadArt();
    ASSERT_GT(art.size(), 1000u) << "data/intro.ans is missing or empty";
    EXPECT_EQ(art.find('\x1a'), std::string::npos) << "no end-of-file marker: it would be sent as text";
    for (auto style : {VirtualScreen::WrapStyle::kDeferred, VirtualScreen::WrapStyle::kImmediate}) {
        VirtualScreen s(style);
        s.Feed("\x1b[2J\x1b[1;1f");
        s.Feed(AsDisplayed(art));
        EXPECT_EQ(s.Scrolls(), 0) << s.Dump();
        EXPECT_LE(s.CursorY(), 23);
        for (int y = 13; y <= 20; ++y)
            for (int x = 23; x <= 57; ++x) {
                EXPECT_EQ(s.Ch(x, y), ' ') << x << "," << y;
                EXPECT_EQ(s.Attr(x, y) & 0x70, 0) << x << "," << y;
            }
        for (int y = 24; y <= 25; ++y) EXPECT_EQ(s.Row(y), std::string(80, ' '));
        int used = 0;
        for (int y = 1; y <= 23; ++y)
            for (int x = 1; x <= 80; ++x) used += s.Ch(x, y) != ' ' || (s.Attr(x, y) & 0x70) != 0;
        EXPECT_GT(used, 600) << "the art should fill the screen around the menu";
        // Column 80 is never written, so no terminal wraps a line of the art.
        for (int y = 1; y <= 25; ++y) EXPECT_EQ(s.At(80, y), Cell{}) << y;
    }
}

}  // namespace
}  // namespace e2e
