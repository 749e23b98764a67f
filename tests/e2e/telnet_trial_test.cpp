// The lines that serve telnet callers without a board, run as written but on a free loopback port:
// the README's trial (socat) and the systemd socket unit's command (systemd-socket-activate, as
// systemd runs it) start one door per connection, and the real telnet client, typed into on a
// pseudo-terminal, gives a name and plays through the intro, the menu and a quit game. The client's
// negotiation and its CR NUL for Enter must not disturb the door: the intro waits for a real key,
// and every key draws the menu exactly once. The first caller's terminal shows code page 437, the
// second's UTF-8: the door asks and says on its console what it found.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "e2e/door.h"
#include "support/scratch.h"

namespace e2e {
namespace {

int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    bind(fd, reinterpret_cast<sockaddr*>(&a), len);
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    close(fd);
    return ntohs(a.sin_port);
}

bool Listening(int APort) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(APort));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(fd);
    return ok;
}

size_t Count(const std::string& AText, const std::string& AWhat) {
    size_t n = 0;
    for (size_t at = AText.find(AWhat); at != std::string::npos; at = AText.find(AWhat, at + 1))
        ++n;
    return n;
}

// The line that serves telnet callers: "README" is the trial line of the README, "unit" the
// systemd socket unit's command run by systemd-socket-activate, as systemd would run it.
std::string ServingLine(const std::string& AHow, int APort) {
    const bool readme = AHow == "README";
    std::ifstream in(readme ? PINMARCH_SOURCE_DIR "/README.md"
                            : PINMARCH_SOURCE_DIR "/packaging/systemd/pinmarch@.service");
    const std::string start =
        readme ? "socat TCP-LISTEN:2323,bind=127.0.0.1," : "ExecStart=/usr/bin/kegora ";
    std::string line;
    while (std::getline(in, line) && line.rfind(start, 0) != 0) {
    }
    if (line.rfind(start, 0) != 0) return "";
    if (readme) return line.replace(17, 4, std::to_string(APort));
    return "systemd-socket-activate --accept -l 127.0.0.1:" + std::to_string(APort) + " kegora " +
           line.substr(start.size());
}

TEST(TelnetTrial, TheRealTelnetClientPlaysOnEveryServingLine) {
    for (const std::string how : {"README", "unit"}) {
        SCOPED_TRACE(how);
        const std::string tool = how == "README" ? "socat" : "systemd-socket-activate";
        if (FindOnPath(tool).empty() || FindOnPath("telnet").empty()) {
            if (std::getenv("CI")) ADD_FAILURE() << tool << " and telnet are needed";
            continue; // not installed here
        }
        const int port = FreePort();
        const std::string line = ServingLine(how, port);
        ASSERT_FALSE(line.empty()) << "no serving line in the " << how;
        support::ScratchDir dir;
        std::filesystem::copy_file(DataPath("intro.ans"), dir.File("intro.ans"));
        const std::string bin = KegoraPath().substr(0, KegoraPath().rfind('/'));
        const char* path = std::getenv("PATH");
        const Launch relay{.Dir = dir.Path(),
                           .Via = Channel::Pipes,
                           .Command = {"/bin/sh", "-c", "exec " + line},
                           .Env = {"PATH=" + bin + ":" + (path ? path : "/usr/bin:/bin")}};
        Door listener(relay);
        ASSERT_TRUE(listener.WaitFor([&] { return Listening(port); })) << listener.Describe();

        const Launch client{.Dir = dir.Path(),
                            .Via = Channel::Pty,
                            .Command = {"telnet", "127.0.0.1", std::to_string(port)},
                            .Utf8 = how == "unit"};
        Door caller(client);
        ASSERT_TRUE(caller.WaitForText("Name or handle"))
            << caller.Describe(); // the board names nobody
        EXPECT_TRUE(listener.WaitForText(client.Utf8 ? "terminal: UTF-8 (answered"
                                                     : "terminal: code page 437 (answered"))
            << listener.Describe();
        caller.Send("Tel Net\r");
        ASSERT_TRUE(caller.WaitForText("...Press any key to continue...")) << caller.Describe();
        caller.Pump(1500);
        EXPECT_EQ(Count(caller.Received(), "Your choice: "), 0u) << "the intro ended without a key";
        size_t draws = 0;
        for (const char* key : {"\r", "z", "\r", "x"}) {
            caller.Send(key);
            ++draws;
            caller.WaitFor([&] { return Count(caller.Received(), "Your choice: ") >= draws; });
            caller.WaitQuiet(300);
            EXPECT_EQ(Count(caller.Received(), "Your choice: "), draws) << caller.Describe();
        }
        caller.Send("p");
        ASSERT_TRUE(caller.WaitForText("Frame 1/10")) << caller.Describe();
        caller.Send("qy");
        ASSERT_TRUE(caller.WaitForText("GAME ENDED EARLY")) << caller.Describe();
        caller.Send("xq"); // the door ends and the client with it
        EXPECT_EQ(caller.WaitExit(), std::optional<int>(0)) << caller.Describe();
        EXPECT_TRUE(dir.Exists("pmchwin.asc")) << "the door did not end normally";
    }
}

} // namespace
} // namespace e2e
