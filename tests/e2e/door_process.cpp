#include "e2e/door_process.h"
#include "e2e/launch_env.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
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

void ReplaceAll(std::string& s, const std::string& from, const std::string& to) {
  for (size_t pos = s.find(from); pos != std::string::npos; pos = s.find(from, pos + to.size()))
    s.replace(pos, from.size(), to);
}

constexpr uid_t kUnprivilegedId = 65534;

// In a child before exec: gives up root for user and group 65534. False when not possible.
bool DropPrivileges() {
  if (geteuid() != 0) return true;
  return setgroups(0, nullptr) == 0 && setgid(kUnprivilegedId) == 0 && setuid(kUnprivilegedId) == 0 &&
         geteuid() == kUnprivilegedId;
}

void WriteWholeFile(const std::string& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary);
  out << contents;
  if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace

std::string KegoraPath() { return KEGORA_EXECUTABLE; }
std::string IntroArtPath() { return PINMARCH_DATA_DIR "/intro.ans"; }

bool CanRunUnprivileged() {
  if (geteuid() != 0) return true;
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) _exit(DropPrivileges() ? 0 : 1);
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

DoorProcess::DoorProcess(const DoorLaunch& ALaunch) {
  if (ALaunch.SharedDir.empty()) {
    char pattern[] = "/tmp/pinmarch-e2e-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    FDir = pattern;
  } else {
    FDir = ALaunch.SharedDir;
    FOwnDir = false;
  }
  if (ALaunch.WithIntro)
    fs::copy_file(IntroArtPath(), FDir + "/intro.ans", fs::copy_options::skip_existing);

  FSocket = ALaunch.LaunchMode != DoorLaunch::Mode::kStdIO;
  int doorIn = -1, doorOut = -1, doorSocket = -1;
  int consolePipe[2] = {-1, -1}, errorPipe[2] = {-1, -1};
  if (pipe2(errorPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  if (FSocket) {
    int sv[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0)
      throw std::runtime_error("socketpair failed");
    FCallerFd = FOutputFd = sv[0];
    doorSocket = sv[1];
    if (pipe2(consolePipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    FConsoleFd = consolePipe[0];
    doorOut = consolePipe[1];
  } else {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0)
      throw std::runtime_error("pipe failed");
    doorIn = in[0];
    FCallerFd = in[1];
    FOutputFd = out[0];
    doorOut = out[1];
  }
  FErrorFd = errorPipe[0];
  // A write to a door that has gone must not kill the test.
  signal(SIGPIPE, SIG_IGN);

  std::string socketText = std::to_string(doorSocket);
  std::vector<std::string> args = ALaunch.Wrapper;
  args.push_back(KegoraPath());
  if (!ALaunch.Args.empty()) {
    for (auto a : ALaunch.Args) {
      ReplaceAll(a, "{SOCKET}", socketText);
      args.push_back(a);
    }
  } else if (ALaunch.LaunchMode == DoorLaunch::Mode::kSocket) {
    args.push_back("-N" + std::to_string(ALaunch.Node));
    args.push_back("-S" + socketText);
  } else if (ALaunch.LaunchMode == DoorLaunch::Mode::kStdIO) {
    args.push_back("-N" + std::to_string(ALaunch.Node));
    args.push_back("-S-1");
  } else {
    args.push_back("-D" + FDir + "/" + ALaunch.DropFileName);
  }
  for (auto [name, contents] : ALaunch.Files) {
    ReplaceAll(contents, "{SOCKET}", socketText);
    WriteWholeFile(FDir + "/" + name, contents);
  }
  if (ALaunch.Prepare) ALaunch.Prepare(FDir);

  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string v = *e;
    if (v.rfind("LD_PRELOAD=", 0) == 0 || v.rfind("FAKETIME", 0) == 0 || v.rfind("TZ=", 0) == 0 ||
        (!ALaunch.FakeTime.empty() && v.rfind("ASAN_OPTIONS=", 0) == 0))
      continue;
    env.push_back(v);
  }
  env.push_back("TZ=UTC");
  AddFakeClock(env, ALaunch.FakeTime);
  std::vector<char*> argv, envp;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  FStartMs = NowMs();
  FPid = fork();
  if (FPid < 0) throw std::runtime_error("fork failed");
  if (FPid == 0) {
    if (chdir(FDir.c_str()) != 0) _exit(126);
    if (ALaunch.FileSizeLimit) {
      const struct rlimit limit = {static_cast<rlim_t>(*ALaunch.FileSizeLimit),
                                   static_cast<rlim_t>(*ALaunch.FileSizeLimit)};
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(125);
    }
    if (ALaunch.Unprivileged && !DropPrivileges()) _exit(125);
    int devnull = open("/dev/null", O_RDWR);
    dup2(doorIn >= 0 ? doorIn : devnull, 0);
    dup2(doorOut, 1);
    dup2(errorPipe[1], 2);
    if (doorSocket >= 0) {
      int flags = fcntl(doorSocket, F_GETFD);
      fcntl(doorSocket, F_SETFD, flags & ~FD_CLOEXEC);
    }
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  for (int fd : {doorIn, doorOut, doorSocket, errorPipe[1]})
    if (fd >= 0) close(fd);
  for (int fd : {FCallerFd, FOutputFd, FConsoleFd, FErrorFd})
    if (fd >= 0) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

DoorProcess::~DoorProcess() {
  if (FPid > 0 && !FExited) {
    kill(FPid, SIGKILL);
    waitpid(FPid, nullptr, 0);
  }
  if (FOutputFd >= 0 && FOutputFd != FCallerFd) close(FOutputFd);
  for (int fd : {FCallerFd, FConsoleFd, FErrorFd})
    if (fd >= 0) close(fd);
  // Debugging aid: PINMARCH_E2E_CAPTURE=<file> keeps the caller's stream of the last door.
  if (const char* capture = std::getenv("PINMARCH_E2E_CAPTURE")) {
    std::ofstream out(capture, std::ios::binary);
    out << FReceived;
  }
  std::error_code ec;
  if (FOwnDir && !FDir.empty() && std::getenv("PINMARCH_E2E_KEEP") == nullptr) fs::remove_all(FDir, ec);
}

long long DoorProcess::ElapsedMs() const { return NowMs() - FStartMs; }

size_t DoorProcess::Send(std::string_view AKeys) {
  size_t done = 0;
  long long deadline = NowMs() + 5000;
  while (done < AKeys.size() && FCallerFd >= 0 && NowMs() < deadline) {
    ssize_t n = write(FCallerFd, AKeys.data() + done, AKeys.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      deadline = NowMs() + 5000;
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      Pump(5);
    } else {
      break;  // the door has gone
    }
  }
  return done;
}

void DoorProcess::ReadFrom(int& AFd, std::string& ATarget, bool ACallerStream) {
  char buf[4096];
  for (;;) {
    ssize_t n = read(AFd, buf, sizeof buf);
    if (n > 0) {
      std::string_view chunk(buf, static_cast<size_t>(n));
      if (ACallerStream) {
        FRaw.append(chunk);
        std::string clean = FSocket ? FTelnet.Feed(chunk) : std::string(chunk);
        FReceived += clean;
        FScreen.Feed(clean);
      } else {
        ATarget.append(chunk);
      }
      continue;
    }
    if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
      // End of stream. The caller's socket stays open for sending until Hangup.
      if (AFd == FCallerFd) {
        FOutputEnded = true;
      } else {
        close(AFd);
        AFd = -1;
      }
    }
    return;
  }
}

void DoorProcess::Pump(int AMs) {
  long long deadline = NowMs() + AMs;
  do {
    struct pollfd fds[3];
    int* owners[3];
    int count = 0;
    if (FOutputFd >= 0 && !FOutputEnded) {
      fds[count] = {FOutputFd, POLLIN, 0};
      owners[count++] = &FOutputFd;
    }
    if (FConsoleFd >= 0) {
      fds[count] = {FConsoleFd, POLLIN, 0};
      owners[count++] = &FConsoleFd;
    }
    if (FErrorFd >= 0) {
      fds[count] = {FErrorFd, POLLIN, 0};
      owners[count++] = &FErrorFd;
    }
    int wait = static_cast<int>(std::max(0LL, deadline - NowMs()));
    if (count == 0) {
      if (wait > 0) usleep(static_cast<useconds_t>(std::min(wait, 10)) * 1000);
      continue;
    }
    int r = poll(fds, static_cast<nfds_t>(count), wait);
    if (r <= 0) continue;
    for (int i = 0; i < count; ++i) {
      if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      int* fd = owners[i];
      if (fd == &FOutputFd)
        ReadFrom(FOutputFd, FReceived, true);
      else if (fd == &FConsoleFd)
        ReadFrom(FConsoleFd, FConsole, false);
      else
        ReadFrom(FErrorFd, FErrors, false);
    }
    return;  // something arrived: let the caller look at it
  } while (NowMs() < deadline);
}

bool DoorProcess::WaitFor(const std::function<bool()>& APred, int ATimeoutMs) {
  long long deadline = NowMs() + ATimeoutMs;
  for (;;) {
    if (APred()) return true;
    long long left = deadline - NowMs();
    if (left <= 0) return false;
    Pump(static_cast<int>(std::min(left, 50LL)));
  }
}

bool DoorProcess::WaitForText(std::string_view AText, int ATimeoutMs) {
  return WaitFor([&] { return FScreen.Contains(AText); }, ATimeoutMs);
}

bool DoorProcess::WaitQuiet(int AQuietMs, int AMaxMs) {
  long long deadline = NowMs() + AMaxMs;
  for (;;) {
    size_t before = FRaw.size() + FConsole.size() + FErrors.size();
    long long quietUntil = NowMs() + AQuietMs;
    while (NowMs() < quietUntil) {
      Pump(static_cast<int>(std::max(1LL, quietUntil - NowMs())));
      if (FRaw.size() + FConsole.size() + FErrors.size() != before) break;
    }
    if (FRaw.size() + FConsole.size() + FErrors.size() == before) return true;
    if (NowMs() >= deadline) return false;
  }
}

bool DoorProcess::Running() {
  if (FExited) return false;
  int status = 0;
  pid_t r = waitpid(FPid, &status, WNOHANG);
  if (r == FPid) {
    FExited = true;
    FExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
  }
  return true;
}

std::optional<int> DoorProcess::WaitExit(int ATimeoutMs) {
  long long deadline = NowMs() + ATimeoutMs;
  while (Running()) {
    if (NowMs() >= deadline) return std::nullopt;
    Pump(10);
  }
  Pump(0);  // what was still in flight
  return FExitCode;
}

void DoorProcess::Hangup() {
  if (FCallerFd >= 0) {
    if (FOutputFd == FCallerFd) FOutputFd = -1;
    close(FCallerFd);
    FCallerFd = -1;
  }
}

bool DoorProcess::FileExists(const std::string& AName) const { return fs::exists(FDir + "/" + AName); }

std::string DoorProcess::ReadFile(const std::string& AName) const {
  std::ifstream in(FDir + "/" + AName, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string DoorProcess::Describe() const {
  std::string s = "---- caller's screen ----\n" + FScreen.Dump();
  if (!FConsole.empty()) s += "---- local console ----\n" + FConsole + "\n";
  if (!FErrors.empty()) s += "---- standard error ----\n" + FErrors + "\n";
  return s;
}

}  // namespace e2e
