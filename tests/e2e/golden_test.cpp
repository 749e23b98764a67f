// Golden sessions: each file in tests/golden is a scenario, a board's launch and a caller's keys,
// with the 80x25 screens (text, attributes, cursor) the caller must see at its checkpoints and
// the files, exit code and console lines the door must leave. PINMARCH_GOLDEN=update runs the
// scenarios and writes what the door did into the files, for review like code.
//
// Scenario lines:
//   door socket|pipes|pty      the channel (socket by default)
//   args A B ...               the command line ({SOCKET}, {DIR} substituted)
//   terminals K ...            cp437, utf8 (UTF-8), mute (answers no cursor-position request):
//                              the same screens on each, one session on each (default cp437)
//   now yyyy-mm-dd hh:nn:ss    the door's clock at start (default 2025-09-23 10:00:00)
//   nointro                    no intro.ans in the data directory
//   mkdir NAME                 a directory in the data directory
//   log NAME|mm-dd-yyyy|SCORE|FRAMES   a game already in the play log
//   file NAME ... end          a text file in the data directory (CR LF line ends)
//   keys TEXT                  keys sent: \r \n \e \t \xHH \\ escapes, the rest as is
//   screen LABEL               checkpoint: t|row| x25, a|attribute runs| x25, cursor X Y
//   hangup                     the caller's end closes
//   wait MS                    lets MS milliseconds pass
//   exit CODE                  the door ends with CODE
//   stderr TEXT                standard error, line by line (none: must stay empty)
//   console TEXT               the local console (standard output) shows TEXT
//   expect NAME ... end        a file the door wrote, as text (code page 437 shown as UTF-8)
#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "e2e/door.h"
#include "records/dailyplay.h"
#include "support/scratch.h"
#include "support/text.h"

namespace e2e {
namespace {

bool Updating() {
    const char* v = std::getenv("PINMARCH_GOLDEN");
    return v && std::string(v) == "update";
}

// The screen as the scenario files hold it: 25 text rows, 25 attribute rows, the cursor.
std::vector<std::string> Picture(const Terminal& AScreen) {
    std::vector<std::string> lines;
    for (int y = 1; y <= Terminal::kRows; ++y)
        lines.push_back("t|" + Cp437ToUtf8(AScreen.Row(y)) + "|");
    for (int y = 1; y <= Terminal::kRows; ++y) {
        std::string runs;
        for (int x = 1; x <= Terminal::kCols;) {
            int n = 1;
            const uint8_t attr = AScreen.At(x, y).Attr;
            while (x + n <= Terminal::kCols && AScreen.At(x + n, y).Attr == attr)
                ++n;
            char run[16];
            std::snprintf(run, sizeof run, "%s%02x*%d", runs.empty() ? "" : " ", attr, n);
            runs += run;
            x += n;
        }
        lines.push_back("a|" + runs + "|");
    }
    lines.push_back("cursor " + std::to_string(AScreen.CursorX()) + " " +
                    std::to_string(AScreen.CursorY()));
    return lines;
}

std::string Diff(const std::vector<std::string>& AWant, const std::vector<std::string>& AGot) {
    std::string s;
    for (size_t i = 0; i < std::max(AWant.size(), AGot.size()); ++i) {
        const std::string w = i < AWant.size() ? AWant[i] : "", g = i < AGot.size() ? AGot[i] : "";
        if (w != g) s += "- " + w + "\n+ " + g + "\n";
    }
    return s;
}

class Golden : public ::testing::TestWithParam<std::string> {};

// One run of a scenario on one kind of terminal; its lines as they are to stay in the file.
std::vector<std::string> RunScenario(const std::string& APath, const std::string& ATerminal) {
    std::vector<std::string> lines = support::Lines(APath), out;
    support::ScratchDir dir;
    Launch launch{.Dir = dir.Path(), .Utf8 = ATerminal == "utf8", .Answers = ATerminal != "mute"};
    std::string log, stderrWant;
    bool intro = true;
    size_t i = 0;
    auto word = [&](const std::string& ALine, std::string& ARest) {
        const size_t sp = ALine.find(' ');
        ARest = sp == std::string::npos ? "" : ALine.substr(sp + 1);
        return ALine.substr(0, sp);
    };
    auto block = [&](std::vector<std::string>& ABody) { // lines up to "end"
        while (i < lines.size() && lines[i] != "end")
            ABody.push_back(lines[i++]);
        ++i;
    };
    // The set-up: everything before the first key, checkpoint or hang-up.
    for (; i < lines.size(); ++i) {
        std::string rest, cmd = word(lines[i], rest);
        if (cmd == "keys" || cmd == "screen" || cmd == "hangup" || cmd == "exit") break;
        out.push_back(lines[i]);
        if (cmd == "door")
            launch.Via = rest == "pty"     ? Channel::Pty
                         : rest == "pipes" ? Channel::Pipes
                                           : Channel::Socket;
        if (cmd == "args") {
            std::istringstream words(rest);
            for (std::string a; words >> a;)
                launch.Args.push_back(a);
        }
        if (cmd == "now") launch.Now = rest == "real" ? "" : rest;
        if (cmd == "nointro") intro = false;
        if (cmd == "mkdir") std::filesystem::create_directory(dir.File(rest));
        if (cmd == "log") {
            int m, d, y, score, frames; // the name may be empty, as older doors logged it
            const size_t bar = rest.find('|');
            if (std::sscanf(rest.c_str() + bar, "|%d-%d-%d|%d|%d", &m, &d, &y, &score, &frames) !=
                5) {
                ADD_FAILURE() << lines[i];
                return out;
            }
            const auto bytes = records::EncodePlayRecord(
                {rest.substr(0, bar), common::EncodeDate(y, m, d), score, frames});
            log.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        }
        if (cmd == "file") {
            std::vector<std::string> body;
            ++i;
            block(body);
            std::string text;
            for (const auto& b : body)
                text += Substitute(b, Door::kDoorSocket, dir.Path()) + "\r\n";
            dir.Write(rest, text);
            out.insert(out.end(), body.begin(), body.end());
            out.push_back("end");
            --i;
        }
    }
    if (intro) std::filesystem::copy_file(DataPath("intro.ans"), dir.File("intro.ans"));
    if (!log.empty()) dir.Write(records::PLAY_LOG_FILE_NAME, log);

    Door door(launch);
    std::optional<int> exitCode;
    for (; i < lines.size(); ++i) {
        std::string rest, cmd = word(lines[i], rest);
        out.push_back(lines[i]);
        if (cmd == "keys") door.Send(support::Unescape(rest));
        if (cmd == "hangup") door.Hangup();
        if (cmd == "wait") door.Pump(std::stoi(rest));
        if (cmd == "screen") {
            std::vector<std::string> want;
            for (size_t k = i + 1; k < lines.size() && want.size() < 51 &&
                                   (lines[k].rfind("t|", 0) == 0 || lines[k].rfind("a|", 0) == 0 ||
                                    lines[k].rfind("cursor ", 0) == 0);
                 ++k)
                want.push_back(lines[k]);
            i += want.size();
            if (Updating()) {
                door.WaitQuiet(150);
            } else {
                door.WaitFor([&] { return Picture(door.Screen()) == want; });
                door.Pump(30); // nothing more may follow
            }
            const auto got = Picture(door.Screen());
            if (!Updating()) {
                EXPECT_EQ(want, got) << "screen \"" << rest << "\" differs:\n"
                                     << Diff(want, got) << door.Describe();
            }
            const auto& keep = Updating() ? got : want;
            out.insert(out.end(), keep.begin(), keep.end());
        }
        if (cmd == "exit") {
            exitCode = door.WaitExit(10000);
            EXPECT_EQ(exitCode, std::optional<int>(std::stoi(rest))) << door.Describe();
        }
        if (cmd == "stderr") stderrWant += rest + "\n";
        if (cmd == "console") {
            EXPECT_NE(door.Console().find(rest), std::string::npos)
                << "console: " << door.Console();
        }
        if (cmd == "expect") {
            std::vector<std::string> want, got;
            ++i;
            block(want);
            --i;
            std::istringstream text(dir.Read(rest));
            for (std::string line; std::getline(text, line);)
                got.push_back(Cp437ToUtf8(line.substr(0, line.find_last_not_of('\r') + 1)));
            if (!Updating()) {
                EXPECT_EQ(want, got) << rest << " differs:\n" << Diff(want, got);
            }
            const auto& keep = Updating() ? got : want;
            out.insert(out.end(), keep.begin(), keep.end());
            out.push_back("end");
        }
    }
    if (!exitCode) door.WaitQuiet(50, 500);
    EXPECT_EQ(stderrWant, door.Errors());
    return out;
}

TEST_P(Golden, Session) {
    const std::string path = PINMARCH_GOLDEN_DIR "/" + GetParam() + ".scn";
    std::vector<std::string> terminals{"cp437"}; // "terminals K...": the same screens on each
    for (const std::string& line : support::Lines(path))
        if (line.rfind("terminals ", 0) == 0) {
            std::istringstream words(line.substr(10));
            terminals.assign(std::istream_iterator<std::string>(words), {});
        }
    for (const std::string& terminal : terminals) {
        SCOPED_TRACE("terminal " + terminal);
        const std::vector<std::string> out = RunScenario(path, terminal);
        if (!Updating()) continue;
        std::ofstream f(path, std::ios::trunc);
        for (const auto& l : out)
            f << l << "\n";
        break; // the first kind writes the screens; the others are checked against them
    }
}

std::vector<std::string> Scenarios() {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(PINMARCH_GOLDEN_DIR))
        if (e.path().extension() == ".scn") names.push_back(e.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

INSTANTIATE_TEST_SUITE_P(Scenario, Golden, ::testing::ValuesIn(Scenarios()), [](const auto& AInfo) {
    std::string n = AInfo.param;
    std::replace(n.begin(), n.end(), '-', '_');
    return n;
});

} // namespace
} // namespace e2e
