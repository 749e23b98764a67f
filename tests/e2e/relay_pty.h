// Running the door the way real boards and real clients do: a program on a pseudo-terminal
// (a stdio door under a board's relay, or the telnet client a caller types into), helper
// programs in the background (the socat relay of the one-line trial), scratch data
// directories and free loopback ports. Everything here is bounded in time, and every
// process started here is ended by its own id (its process group) when its owner goes.
#pragma once

#include <sys/types.h>
#include <termios.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "e2e/vterm.h"

namespace e2e {

// A temporary directory, removed with its contents at the end (PINMARCH_E2E_KEEP keeps it).
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& Path() const { return FPath; }
  void Write(const std::string& AName, const std::string& AContents) const;
  std::string Read(const std::string& AName) const;
  bool Exists(const std::string& AName) const;

 private:
  std::string FPath;
};

// The environment of this process with the clock fakes taken out, TZ=UTC, PATH starting with
// APathFirst (when given), and libfaketime set to AFakeTime ("2025-09-13 10:00:00") when given.
std::vector<std::string> DoorEnvironment(const std::string& APathFirst, const std::string& AFakeTime = "");

// The full path of a program found on PATH, or empty.
std::string FindOnPath(const std::string& AName);

// A loopback TCP port nobody listens on right now.
int FreeLoopbackPort();
// True once something listens on 127.0.0.1:APort (read from /proc/net/tcp, without
// connecting, so a forking server starts nothing); false after ATimeoutMs.
bool WaitListening(int APort, int ATimeoutMs);

struct ProcessLaunch {
  std::vector<std::string> Argv;  // Argv[0] is a path
  std::vector<std::string> Env;
  std::string Dir;
  // On a pseudo-terminal of 80x25 (standard input, output and error on its slave, which becomes
  // the controlling terminal of a new session); otherwise standard input is /dev/null and the
  // output goes to pipes.
  bool OnPty = true;
  // With OnPty: standard error goes to a pipe instead of the terminal.
  bool ErrorsApart = false;
};

// A started program: its terminal or standard output rendered on a VirtualScreen, its
// standard error kept apart. The destructor kills its whole process group if it still runs.
class ChildProcess {
 public:
  explicit ChildProcess(const ProcessLaunch& ALaunch);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Types bytes on the terminal (or nothing without one).
  void Send(std::string_view ABytes);
  // Reads what arrives within AMs milliseconds; returns early once something came.
  void Pump(int AMs);
  bool WaitFor(const std::function<bool()>& APred, int ATimeoutMs = 5000);
  bool WaitForText(std::string_view AText, int ATimeoutMs = 5000);
  // Pumps until nothing arrived for AQuietMs; false when output still flows after AMaxMs.
  bool WaitQuiet(int AQuietMs = 250, int AMaxMs = 8000);
  // The exit code (128 + signal) once ended, or nothing after ATimeoutMs.
  std::optional<int> WaitExit(int ATimeoutMs = 5000);
  bool Running();
  // Closes the terminal's master side, as a board does when its caller hangs up.
  void Hangup();
  // Ends the process group (SIGTERM, then SIGKILL after a short grace) and reaps the process.
  void Stop();

  pid_t Pid() const { return FPid; }
  VirtualScreen& Screen() { return FScreen; }
  // Every byte of the terminal (or standard output) / of standard error.
  const std::string& Output() const { return FOutput; }
  const std::string& Errors() const { return FErrors; }
  // The modes of the pseudo-terminal (as its slave side has them), also after the end.
  std::optional<termios> TerminalModes() const;
  std::string Describe() const;

 private:
  void Drain(int& AFd, std::string& ATarget, bool AScreen);
  pid_t FPid = -1;
  bool FExited = false;
  bool FReaped = false;
  int FExitCode = -1;
  int FTerminal = -1;  // pty master, or the read end of standard output
  int FErrorFd = -1;
  bool FHasPty = true;
  bool FTerminalEnded = false;  // the pty's slave side is closed by everyone
  VirtualScreen FScreen;
  std::string FOutput, FErrors;
};

// Occurrences of ANeedle in AHaystack from offset AFrom on.
size_t CountOf(const std::string& AHaystack, std::string_view ANeedle, size_t AFrom = 0);

// Where the build put the executable and the source tree.
std::string KegoraExecutable();
std::string SourceDir();

}  // namespace e2e
