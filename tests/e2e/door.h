// Runs the real `kegora` the way a board and a caller do, in a data directory the test owns:
// over one end of a socketpair (-N1 -S<fd>, or a drop file naming it), over pipes as standard
// input and output, or on a pseudo-terminal (local mode, or a board that runs standard-I/O
// doors on a terminal). Keys go in as bytes; what comes out is rendered on a Terminal. The
// door's clock starts at a pinned local time (PINMARCH_NOW). Every wait is bounded; the
// destructor kills a door that still runs.
#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "e2e/terminal.h"

namespace e2e {

enum class Channel { Socket, Pipes, Pty };

struct Launch {
    std::string Dir{}; // the data directory (the door's working directory)
    Channel Via = Channel::Socket;
    std::vector<std::string> Args{}; // "{SOCKET}" and "{DIR}" substituted; empty: the default
                                     // of the channel (-N1 -S{SOCKET}, -N1 -Sx, none)
    std::string Now = "2025-09-23 10:00:00"; // the door's local time at start; empty: real
    long long FileSizeLimit = -1;            // RLIMIT_FSIZE in bytes, as on a full disk
    bool Unprivileged = false;               // as user 65534 when we are root, so permissions bind
    std::vector<std::string> Command{};      // another program instead of the door (found on PATH)
    std::vector<std::string> Env{};          // added to the environment
    // The caller's terminal: code page 437 or UTF-8, and whether it answers cursor-position
    // requests (BBS clients and terminal emulators do).
    bool Utf8 = false, Answers = true;
    int SendBuffer = 0; // the door's socket send buffer in bytes (0: the default)
};

// Substitutes {SOCKET} and {DIR} in a text (drop files use it too).
std::string Substitute(std::string AText, int ASocket, const std::string& ADir);

class Door {
  public:
    explicit Door(const Launch& ALaunch);
    ~Door();
    Door(const Door&) = delete;
    Door& operator=(const Door&) = delete;

    // The descriptor number the door's socket has inside the door (for drop files).
    static constexpr int kDoorSocket = 3;

    void Send(std::string_view AKeys); // as the caller's keys; reads output meanwhile
    void Pump(int AMs);                // reads what arrives within AMs
    bool WaitFor(const std::function<bool()>& APred, int AMs = 8000);
    bool WaitForText(std::string_view AText, int AMs = 8000);
    bool WaitQuiet(int AQuietMs, int AMaxMs = 8000);
    std::optional<int> WaitExit(int AMs = 8000); // exit code, 128 + signal for a signal
    bool Running();
    pid_t Pid() const { return FPid; }
    void Hangup(); // the caller's end closes (carrier loss, or end of input)

    Terminal& Screen() { return FScreen; }
    const std::string& Received() const { return FReceived; } // telnet commands removed
    const std::string& Console() const { return FConsole; }   // stdout in socket mode
    const std::string& Errors() const { return FErrors; }
    std::string Describe(); // screen, console and errors, for failure messages

  private:
    void ReadAll(int AWaitMs);
    bool Reap(bool ABlock);

    Channel FVia;
    pid_t FPid = -1;
    std::optional<int> FExit;
    int FCaller = -1, FOutput = -1, FConsoleFd = -1, FErrorFd = -1;
    bool FSocket = true, FAnswers = true;
    Terminal FScreen;
    TelnetStrip FTelnet;
    std::string FReceived, FConsole, FErrors;
};

long long NowMs();
std::string KegoraPath();
std::string FindOnPath(const std::string& AName); // empty when not found
std::string DataPath(const std::string& AName);   // a file of the shipped data/ folder
// True when doors started with Unprivileged are bound by file permissions.
bool CanDropPrivileges();

} // namespace e2e
