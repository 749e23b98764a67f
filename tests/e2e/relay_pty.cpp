#include "e2e/relay_pty.h"
#include "e2e/launch_env.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace e2e {
namespace {

namespace fs = std::filesystem;

void SetNonBlocking(int AFd) { fcntl(AFd, F_SETFL, fcntl(AFd, F_GETFL) | O_NONBLOCK); }

}  // namespace

// ---- ScratchDir ---------------------------------------------------------------------------

ScratchDir::ScratchDir() {
  char pattern[] = "/tmp/pinmarch-field-XXXXXX";
  if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
  FPath = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  if (std::getenv("PINMARCH_E2E_KEEP") == nullptr) fs::remove_all(FPath, ec);
}

void ScratchDir::Write(const std::string& AName, const std::string& AContents) const {
  std::ofstream out(FPath + "/" + AName, std::ios::binary);
  out << AContents;
  if (!out) throw std::runtime_error("cannot write " + AName);
}

std::string ScratchDir::Read(const std::string& AName) const {
  std::ifstream in(FPath + "/" + AName, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool ScratchDir::Exists(const std::string& AName) const { return fs::exists(FPath + "/" + AName); }

// ---- Environment, programs, ports ---------------------------------------------------------

std::vector<std::string> DoorEnvironment(const std::string& APathFirst, const std::string& AFakeTime) {
  std::vector<std::string> env;
  std::string path = "/usr/local/bin:/usr/bin:/bin";
  for (char** e = environ; *e; ++e) {
    const std::string v = *e;
    if (v.rfind("PATH=", 0) == 0) {
      path = v.substr(5);
      continue;
    }
    if (v.rfind("LD_PRELOAD=", 0) == 0 || v.rfind("FAKETIME", 0) == 0 || v.rfind("TZ=", 0) == 0 ||
        v.rfind("DONT_FAKE", 0) == 0 || v.rfind("TERM=", 0) == 0 ||
        (!AFakeTime.empty() && v.rfind("ASAN_OPTIONS=", 0) == 0))
      continue;
    env.push_back(v);
  }
  env.push_back("PATH=" + (APathFirst.empty() ? path : APathFirst + ":" + path));
  env.push_back("TZ=UTC");
  env.push_back("TERM=ansi");
  AddFakeClock(env, AFakeTime);
  return env;
}

std::string FindOnPath(const std::string& AName) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  dirs += ":/usr/sbin:/sbin";
  std::stringstream in(dirs);
  std::string dir;
  while (std::getline(in, dir, ':')) {
    if (dir.empty()) continue;
    const std::string candidate = dir + "/" + AName;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "";
}

int FreeLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket failed");
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t len = sizeof addr;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    close(fd);
    throw std::runtime_error("no free loopback port");
  }
  close(fd);
  return ntohs(addr.sin_port);
}

bool WaitListening(int APort, int ATimeoutMs) {
  char want[32];
  std::snprintf(want, sizeof want, "0100007F:%04X", APort);
  const long long deadline = NowMs() + ATimeoutMs;
  do {
    std::ifstream in("/proc/net/tcp");
    std::string line;
    while (std::getline(in, line)) {
      std::istringstream fields(line);
      std::string slot, local, remote, state;
      fields >> slot >> local >> remote >> state;
      if (local == want && state == "0A") return true;  // 0A: LISTEN
    }
    usleep(20000);
  } while (NowMs() < deadline);
  return false;
}

size_t CountOf(const std::string& AHaystack, std::string_view ANeedle, size_t AFrom) {
  size_t n = 0;
  for (size_t at = AHaystack.find(ANeedle, AFrom); at != std::string::npos;
       at = AHaystack.find(ANeedle, at + ANeedle.size()))
    ++n;
  return n;
}

std::string KegoraExecutable() { return KEGORA_EXECUTABLE; }
std::string SourceDir() { return PINMARCH_DATA_DIR "/.."; }

// ---- ChildProcess ---------------------------------------------------------------------------

ChildProcess::ChildProcess(const ProcessLaunch& ALaunch) : FHasPty(ALaunch.OnPty) {
  signal(SIGPIPE, SIG_IGN);
  int errPipe[2] = {-1, -1};
  int outPipe[2] = {-1, -1};
  std::string slaveName;
  if (FHasPty) {
    FTerminal = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (FTerminal < 0 || grantpt(FTerminal) != 0 || unlockpt(FTerminal) != 0)
      throw std::runtime_error("no pseudo-terminal");
    const char* name = ptsname(FTerminal);
    if (!name) throw std::runtime_error("ptsname failed");
    slaveName = name;
  } else if (pipe2(outPipe, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe failed");
  }
  if ((!FHasPty || ALaunch.ErrorsApart) && pipe2(errPipe, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe failed");

  std::vector<std::string> args = ALaunch.Argv, env = ALaunch.Env;
  std::vector<char*> argv, envp;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  FPid = fork();
  if (FPid < 0) throw std::runtime_error("fork failed");
  if (FPid == 0) {
    setsid();  // its own session and process group: ended as one by its id
    if (!ALaunch.Dir.empty() && chdir(ALaunch.Dir.c_str()) != 0) _exit(126);
    if (FHasPty) {
      const int slave = open(slaveName.c_str(), O_RDWR);  // becomes the controlling terminal
      if (slave < 0) _exit(125);
      ioctl(slave, TIOCSCTTY, 0);
      winsize ws{};
      ws.ws_row = VirtualScreen::kRows;
      ws.ws_col = VirtualScreen::kCols;
      ioctl(slave, TIOCSWINSZ, &ws);
      dup2(slave, 0);
      dup2(slave, 1);
      dup2(ALaunch.ErrorsApart ? errPipe[1] : slave, 2);
      if (slave > 2) close(slave);
    } else {
      const int devnull = open("/dev/null", O_RDWR);
      dup2(devnull, 0);
      dup2(outPipe[1], 1);
      dup2(errPipe[1], 2);
    }
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  if (!FHasPty) {
    close(outPipe[1]);
    FTerminal = outPipe[0];
  }
  if (errPipe[1] >= 0) close(errPipe[1]);
  FErrorFd = errPipe[0];
  SetNonBlocking(FTerminal);
  if (FErrorFd >= 0) SetNonBlocking(FErrorFd);
}

ChildProcess::~ChildProcess() {
  Stop();
  for (int fd : {FTerminal, FErrorFd})
    if (fd >= 0) close(fd);
}

void ChildProcess::Stop() {
  if (FPid <= 0 || FReaped) return;
  if (!FExited) {
    kill(-FPid, SIGTERM);
    if (!WaitExit(1000)) kill(-FPid, SIGKILL);
  }
  // The leader is not reaped yet, so its id still names this group only: end whatever it
  // forked and left behind, then reap it.
  kill(-FPid, SIGKILL);
  waitpid(FPid, nullptr, 0);
  FExited = FReaped = true;
}

void ChildProcess::Hangup() {
  if (FHasPty && FTerminal >= 0) {
    close(FTerminal);
    FTerminal = -1;
  }
}

void ChildProcess::Send(std::string_view ABytes) {
  if (!FHasPty || FTerminal < 0) return;
  size_t done = 0;
  const long long deadline = NowMs() + 5000;
  while (done < ABytes.size() && NowMs() < deadline) {
    const ssize_t n = write(FTerminal, ABytes.data() + done, ABytes.size() - done);
    if (n > 0)
      done += static_cast<size_t>(n);
    else if (n < 0 && (errno == EAGAIN || errno == EINTR))
      Pump(5);
    else
      break;
  }
}

void ChildProcess::Drain(int& AFd, std::string& ATarget, bool AScreen) {
  char buf[4096];
  for (;;) {
    const ssize_t n = read(AFd, buf, sizeof buf);
    if (n > 0) {
      ATarget.append(buf, static_cast<size_t>(n));
      if (AScreen) FScreen.Feed(std::string_view(buf, static_cast<size_t>(n)));
      continue;
    }
    // A pty master reports EIO once no process holds the slave any more; it stays open so
    // the terminal's modes can still be read.
    if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
      if (&AFd == &FTerminal && FHasPty) {
        FTerminalEnded = true;
      } else {
        close(AFd);
        AFd = -1;
      }
    }
    return;
  }
}

void ChildProcess::Pump(int AMs) {
  const long long deadline = NowMs() + AMs;
  do {
    pollfd fds[2];
    int* owners[2];
    nfds_t count = 0;
    if (FTerminal >= 0 && !FTerminalEnded) {
      fds[count] = {FTerminal, POLLIN, 0};
      owners[count++] = &FTerminal;
    }
    if (FErrorFd >= 0) {
      fds[count] = {FErrorFd, POLLIN, 0};
      owners[count++] = &FErrorFd;
    }
    const int wait = static_cast<int>(std::max(0LL, deadline - NowMs()));
    if (count == 0) {
      if (wait > 0) usleep(static_cast<useconds_t>(std::min(wait, 10)) * 1000);
      continue;
    }
    if (poll(fds, count, wait) <= 0) continue;
    for (nfds_t i = 0; i < count; ++i) {
      if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      if (owners[i] == &FTerminal)
        Drain(FTerminal, FOutput, true);
      else
        Drain(FErrorFd, FErrors, false);
    }
    return;
  } while (NowMs() < deadline);
}

bool ChildProcess::WaitFor(const std::function<bool()>& APred, int ATimeoutMs) {
  const long long deadline = NowMs() + ATimeoutMs;
  for (;;) {
    if (APred()) return true;
    const long long left = deadline - NowMs();
    if (left <= 0) return false;
    Pump(static_cast<int>(std::min(left, 50LL)));
  }
}

bool ChildProcess::WaitForText(std::string_view AText, int ATimeoutMs) {
  return WaitFor([&] { return FScreen.Contains(AText); }, ATimeoutMs);
}

bool ChildProcess::WaitQuiet(int AQuietMs, int AMaxMs) {
  const long long deadline = NowMs() + AMaxMs;
  for (;;) {
    const size_t before = FOutput.size() + FErrors.size();
    const long long quietUntil = NowMs() + AQuietMs;
    while (NowMs() < quietUntil) {
      Pump(static_cast<int>(std::max(1LL, quietUntil - NowMs())));
      if (FOutput.size() + FErrors.size() != before) break;
    }
    if (FOutput.size() + FErrors.size() == before) return true;
    if (NowMs() >= deadline) return false;
  }
}

bool ChildProcess::Running() {
  if (FExited) return false;
  siginfo_t info{};
  // WNOWAIT: seen but not reaped, so the process group id stays ours until Stop.
  if (waitid(P_PID, static_cast<id_t>(FPid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
      info.si_pid == FPid) {
    FExited = true;
    FExitCode = info.si_code == CLD_EXITED ? info.si_status : 128 + info.si_status;
    return false;
  }
  return true;
}

std::optional<int> ChildProcess::WaitExit(int ATimeoutMs) {
  const long long deadline = NowMs() + ATimeoutMs;
  while (Running()) {
    if (NowMs() >= deadline) return std::nullopt;
    Pump(10);
  }
  Pump(0);
  return FExitCode;
}

std::optional<termios> ChildProcess::TerminalModes() const {
  termios t{};
  if (!FHasPty || FTerminal < 0 || tcgetattr(FTerminal, &t) != 0) return std::nullopt;
  return t;
}

std::string ChildProcess::Describe() const {
  std::string s = "---- screen ----\n" + FScreen.Dump();
  if (!FErrors.empty()) s += "---- standard error ----\n" + FErrors + "\n";
  return s;
}

}  // namespace e2e
