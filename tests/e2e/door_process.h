// Runs the real `kegora` executable the way a board and a caller do: in a fresh temporary
// directory, with one end of a socketpair as its inherited socket (-N1 -S<fd>), with pipes as
// standard input and output (-N1 -S-1), or from a drop file that names the socket. Keys go in
// as bytes; bytes coming out are stripped of telnet commands and rendered on a VirtualScreen.
// Every wait is bounded; the destructor kills a door that is still running and removes the
// directory. "Today" can be chosen through libfaketime.
#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "e2e/vterm.h"

namespace e2e {

struct DoorLaunch {
  enum class Mode {
    kSocket,    // -N<node> -S<fd>
    kStdIO,     // -N<node> -S-1, standard input and output are pipes
    kDropFile,  // -D<dir>/<DropFileName>; "{SOCKET}" in the drop file becomes the socket number
  };
  Mode LaunchMode = Mode::kSocket;
  int Node = 1;
  // Local date and time the door sees at start ("2025-09-13 10:00:00"); the clock runs on from
  // there. Empty: the real clock.
  std::string FakeTime;
  // Copy the shipped data/intro.ans into the directory.
  bool WithIntro = true;
  // Files created in the directory before the start: (name, contents).
  std::vector<std::pair<std::string, std::string>> Files;
  std::string DropFileName = "DOOR32.SYS";
  // Arguments used instead of the mode's own when not empty ("{SOCKET}" is substituted).
  std::vector<std::string> Args;
  // Programs put before the executable (a memory checker, for example): absolute path first.
  std::vector<std::string> Wrapper;
  // A data directory shared with other doors, made and removed by the test; empty: a fresh
  // temporary directory of this door's own. The intro art is copied only when missing.
  std::string SharedDir;
  // RLIMIT_FSIZE in bytes, set in the door's process before the start: no file can grow
  // past it, as on a full disk.
  std::optional<unsigned long long> FileSizeLimit;
  // Runs the door as user and group 65534 when the tests run as root, so that file
  // permissions bind it (see CanRunUnprivileged).
  bool Unprivileged = false;
  // Called with the directory after the files are written, just before the start.
  std::function<void(const std::string&)> Prepare;
};

class DoorProcess {
 public:
  explicit DoorProcess(const DoorLaunch& ALaunch);
  ~DoorProcess();
  DoorProcess(const DoorProcess&) = delete;
  DoorProcess& operator=(const DoorProcess&) = delete;

  // Sends bytes as the caller's keys, reading the door's output while the socket is full;
  // gives up after 5 s without progress. Result: the bytes sent.
  size_t Send(std::string_view AKeys);
  // Reads whatever arrives within AMs milliseconds (at least one poll).
  void Pump(int AMs);
  // Pumps until APred holds; false after ATimeoutMs.
  bool WaitFor(const std::function<bool()>& APred, int ATimeoutMs = 5000);
  bool WaitForText(std::string_view AText, int ATimeoutMs = 5000);
  // Pumps until nothing has arrived for AQuietMs; false when output still flows after AMaxMs.
  bool WaitQuiet(int AQuietMs = 200, int AMaxMs = 5000);
  // The exit code once the door has ended (128 + signal for a signal), or nothing after
  // ATimeoutMs. Output that arrives meanwhile is still read.
  std::optional<int> WaitExit(int ATimeoutMs = 5000);
  bool Running();
  // The door's process id (signals from tests).
  pid_t Pid() const { return FPid; }
  // Closes the caller's end of the connection (carrier loss).
  void Hangup();

  VirtualScreen& Screen() { return FScreen; }
  // Everything the caller received, telnet commands removed / exactly as sent.
  const std::string& Received() const { return FReceived; }
  const std::string& ReceivedRaw() const { return FRaw; }
  const TelnetFilter& Telnet() const { return FTelnet; }
  // The local console (standard output in socket mode) and standard error.
  const std::string& Console() const { return FConsole; }
  const std::string& Errors() const { return FErrors; }
  // Milliseconds since the start.
  long long ElapsedMs() const;

  const std::string& Dir() const { return FDir; }
  bool FileExists(const std::string& AName) const;
  std::string ReadFile(const std::string& AName) const;

  // Screen dump plus console and error output, for failure messages.
  std::string Describe() const;

 private:
  void ReadFrom(int& AFd, std::string& ATarget, bool ACallerStream);

  std::string FDir;
  pid_t FPid = -1;
  int FExitCode = -1;
  bool FExited = false;
  int FCallerFd = -1;   // our end of the socket, or the write end of the door's stdin
  int FOutputFd = -1;   // our end of the socket, or the read end of the door's stdout
  int FConsoleFd = -1;  // the door's stdout in socket mode
  int FErrorFd = -1;
  bool FSocket = true;
  bool FOwnDir = true;
  bool FOutputEnded = false;  // the socket's peer has shut its side
  long long FStartMs = 0;
  VirtualScreen FScreen;
  TelnetFilter FTelnet;
  std::string FReceived, FRaw, FConsole, FErrors;
};

// Whether a door started with Unprivileged is bound by file permissions: true when the tests
// do not run as root, or when a child process can switch to user and group 65534.
bool CanRunUnprivileged();

// Where the build put the executable and where the shipped art lives.
std::string KegoraPath();
std::string IntroArtPath();

}  // namespace e2e
