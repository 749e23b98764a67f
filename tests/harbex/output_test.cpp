// What the caller receives: DoorWrite with pipe and grave-accent codes, colours built on the
// tracked attribute, cursor moves, display files, and the line input and light-bar widgets.
#include <sys/stat.h>

#include <functional>
#include <map>
#include <thread>

#include "harbex/doordisplay.h"
#include "harbex/doorinput.h"
#include "kit.h"
#include "support/scratch.h"

using namespace kit;

TEST_F(Door, EveryCallSendsExactlyTheseBytes) {
    Session();
    const auto n = [](const std::string& s) { return static_cast<uint8_t>(std::stoi(s)); };
    // clang-format off
#define OP(name, ...) {name, [&](const std::string& a) { (void)a, __VA_ARGS__; }}
    const std::map<std::string, std::function<void(const std::string&)>> ops = {
        OP("Write", DoorWrite(a)), OP("WriteLn", DoorWriteLn(a)), OP("NewLine", DoorWriteLn()),
        OP("Centered", DoorWriteCentered(a)), OP("Pipe", DoorSession.PipeWrite = a == "1"),
        OP("Vesk", DoorSession.VeskWrite = a == "1"), OP("Sixel", DisplayingSixel = a == "1"),
        OP("Attr", DoorTextAttr(n(a))), OP("Colour", DoorTextColour(n(a))),
        OP("Background", DoorTextBackground(n(a))),
        OP("Blink", DoorTextColourAndBlink(n(a), a.back() == '1')),
        OP("ClrScr", DoorClrScr()), OP("ClrEol", DoorClrEol()), OP("Save", DoorCursorSave()),
        OP("Restore", DoorCursorRestore()), OP("Up", DoorCursorUp(n(a))),
        OP("Down", DoorCursorDown(n(a))), OP("Right", DoorCursorRight(n(a))),
        OP("Left", DoorCursorLeft(n(a))), OP("GotoX", DoorGotoX(n(a))),
        OP("GotoY", DoorGotoY(n(a))), OP("GotoXY", DoorGotoXY(n(a), n(a.substr(a.find(' ')))))};
#undef OP
    // clang-format on
    for (const auto& c : Cases("output")) {
        for (size_t i = 0; i + 1 < c.size(); ++i) // a call: its name, a space and its arguments
            ops.at(c[i].substr(0, c[i].find(' ')))(
                c[i].size() > c[i].find(' ') ? c[i].substr(c[i].find(' ') + 1) : "");
        EXPECT_EQ(Sent(), c.back()) << c[0];
    }
    EXPECT_EQ(gSleptMs, 500 + 100 + 900) << "`l, `w and the spinner's nine frames";
    Type("zq");
    const std::string green = "\x1b[0;32m\x1b[40m\x1b[0m\x1b[40m\x1b[0;32m\x1b[40m", back(8, '\b');
    EXPECT_EQ((DoorWrite("`k"), Sent()), "\x1b[40m  " + green +
                                             "<\x1b[1;32m\x1b[0m\x1b[40m\x1b[1;32mMORE" + green +
                                             ">" + back + std::string(8, ' ') + back);
    EXPECT_EQ(DoorReadKey(), 'q') << "the prompt took one key";
    EXPECT_EQ((DisplayingSixel = true, (DoorWrite("`k|0F"), Sent())), "`k|0F");
}

TEST_F(Door, DisplayFilesLineByLine) {
    support::ScratchDir dir(true);
    Session();
    for (const auto& c : Cases("display"))
        EXPECT_EQ((DoorDisplayFile(dir.Write("show.ans", c[0])), Sent()), c[1]) << c[0];
    DoorSession.VeskWrite = true;
    DoorDisplaySixel(dir.Write("pic.six", "\x1bPq|0F`k\n#0;2\x1b\\"));
    EXPECT_EQ((DoorWrite("|0F"), Sent()), "\x1bPq|0F`k\r\n#0;2\x1b\\\x1b[1;37m\x1b[40m")
        << "codes work again after";
    std::string text, want, got; // more than the socket takes at once, with bytes 255 to double
    for (int i = 0; i < 3000; ++i)
        text += "line \xff" + std::to_string(i) + std::string(70, '.') + "\n";
    for (const char c : text.substr(0, text.size() - 1))
        want += c == '\n' ? "\r\n" : c == '\xff' ? "\xff\xff" : std::string(1, c);
    std::thread reader([&] {
        for (pollfd p{Sock[1], POLLIN, 0}; got.size() < want.size() && ::poll(&p, 1, 5000) > 0;)
            got += ReadAll(p.fd);
    });
    DoorDisplayFile(dir.Write("long.ans", text));
    reader.join();
    EXPECT_TRUE(got == want) << got.size() << " of " << want.size() << " bytes";
    ::mkdir(dir.File("art").c_str(), 0700), ::mkfifo(dir.File("pipe.ans").c_str(), 0600);
    for (const auto& [name, reason] : std::vector<std::pair<std::string, std::string>>{
             {"intro.ans", "File not found"},
             {dir.File("art"), "Is a directory"},
             {dir.File("pipe.ans"), "Not a regular file"}}) {
        Type("xy");
        DoorDisplayFile(name);
        EXPECT_EQ(Sent(),
                  "Error reading \"" + name + "\": " + reason + "\r\nHit a key to continue\r\n");
        EXPECT_EQ(DoorReadKey(), 'y') << "exactly one key was read";
    }
}

TEST_F(Door, LineInputAndLightBarDrivenByKeys) {
    Session();
    const std::map<std::string, std::string> sets = {{"ALPHA", DOOR_INPUT_CHARS_ALPHA},
                                                     {"NUMERIC", DOOR_INPUT_CHARS_NUMERIC},
                                                     {"ALL", DOOR_INPUT_CHARS_ALL},
                                                     {"FILENAME", DOOR_INPUT_CHARS_FILENAME}};
    for (const auto& c : Cases("input")) {
        DoorTextAttr(0x0E), Sent(), Type(c[5]);
        const auto n = [&](int i) {
            return static_cast<uint8_t>(std::stoi(c[static_cast<size_t>(i)]));
        };
        EXPECT_EQ(DoorInput(c[0], sets.at(c[1]), c[2].empty() ? '\0' : c[2][0], n(3), n(4), 31),
                  c[6])
            << c[5];
        const std::string bytes = Sent();
        EXPECT_EQ(bytes, c[7].empty() ? bytes : c[7]) << c[5];
    }
    for (const auto& c : Cases("litebar")) {
        DoorLiteBarOptions = c[0].empty() ? std::vector<std::string>{} : Split(c[0], ',');
        DoorLiteBarIndex = std::stoi(c[1]), Type(c[3]);
        const bool chosen = DoorLiteBar(std::stoi(c[2]));
        EXPECT_EQ(std::to_string(chosen) + " " + std::to_string(DoorLiteBarIndex),
                  c[4] + " " + c[5])
            << c[3];
        const std::string bytes = Sent();
        EXPECT_EQ(bytes, c[6].empty() ? bytes : c[6]) << c[3];
    }
}
