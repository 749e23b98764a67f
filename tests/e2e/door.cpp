#include "e2e/door.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

#include "support/text.h"

extern char** environ;

namespace e2e {
namespace {

constexpr uid_t kNobody = 65534;

bool DropPrivileges() {
    if (geteuid() != 0) return true;
    return setgroups(0, nullptr) == 0 && setgid(kNobody) == 0 && setuid(kNobody) == 0;
}

void ReplaceAll(std::string& s, const std::string& from, const std::string& to) {
    for (size_t pos = s.find(from); pos != std::string::npos; pos = s.find(from, pos + to.size()))
        s.replace(pos, from.size(), to);
}

} // namespace

long long NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string KegoraPath() {
    return KEGORA_EXECUTABLE;
}
std::string DataPath(const std::string& AName) {
    return PINMARCH_DATA_DIR "/" + AName;
}

std::string FindOnPath(const std::string& AName) {
    if (AName.find('/') != std::string::npos) return AName;
    const char* path = std::getenv("PATH");
    for (const std::string& dir : support::Split(path ? path : "/usr/bin:/bin", ':'))
        if (access((dir + "/" + AName).c_str(), X_OK) == 0) return dir + "/" + AName;
    return "";
}

bool CanDropPrivileges() {
    const pid_t pid = fork();
    if (pid == 0) _exit(DropPrivileges() ? 0 : 1);
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

std::string Substitute(std::string AText, int ASocket, const std::string& ADir) {
    ReplaceAll(AText, "{SOCKET}", std::to_string(ASocket));
    ReplaceAll(AText, "{DIR}", ADir);
    return AText;
}

Door::Door(const Launch& ALaunch)
    : FVia(ALaunch.Via), FSocket(ALaunch.Via == Channel::Socket), FAnswers(ALaunch.Answers) {
    FScreen.Utf8 = ALaunch.Utf8;
    signal(SIGPIPE, SIG_IGN); // a door that has gone must not kill the test
    std::vector<std::string> args{KegoraPath()};
    if (!ALaunch.Command.empty())
        args = ALaunch.Command, args[0] = FindOnPath(args[0]);
    else if (ALaunch.Args.empty() && ALaunch.Via != Channel::Pty)
        args.insert(args.end(), {"-N1", FSocket ? "-S{SOCKET}" : "-Sx"});
    for (const std::string& a : ALaunch.Args)
        args.push_back(a);
    for (std::string& a : args)
        a = Substitute(a, kDoorSocket, ALaunch.Dir);
    std::vector<std::string> env;
    auto replaced = [&](std::string_view AEntry) {
        const std::string_view name = AEntry.substr(0, AEntry.find('=') + 1);
        if (name == "PINMARCH_NOW=" || name == "LANG=" || name == "LC_ALL=" || name == "LC_CTYPE=")
            return true;
        for (const std::string& e : ALaunch.Env)
            if (e.rfind(name, 0) == 0) return true;
        return false;
    };
    for (char** e = environ; *e; ++e)
        if (!replaced(*e)) env.emplace_back(*e);
    if (!ALaunch.Now.empty()) env.push_back("PINMARCH_NOW=" + ALaunch.Now);
    if (ALaunch.Utf8) env.push_back("LANG=C.UTF-8"); // the locale of a UTF-8 console
    env.insert(env.end(), ALaunch.Env.begin(), ALaunch.Env.end());
    std::vector<char*> argv, envp;
    for (auto& a : args)
        argv.push_back(a.data());
    for (auto& e : env)
        envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);

    // The executable is opened here and run by descriptor, so an unprivileged door need not
    // reach it through the directories above it.
    const int opened = open(args[0].c_str(), O_RDONLY | O_CLOEXEC);
    const int exe = opened < 0 ? -1 : fcntl(opened, F_DUPFD_CLOEXEC, 20); // clear of fd 3
    if (opened >= 0) close(opened);
    int err[2], door[2] = {-1, -1}, out[2] = {-1, -1};
    if (exe < 0 || pipe2(err, O_CLOEXEC) != 0) throw std::runtime_error("cannot start " + args[0]);
    if (ALaunch.Via == Channel::Socket) {
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, door) != 0 ||
            pipe2(out, O_CLOEXEC) != 0)
            throw std::runtime_error("socketpair");
        FCaller = FOutput = door[0];
        FConsoleFd = out[0];
        if (ALaunch.SendBuffer > 0)
            setsockopt(door[1], SOL_SOCKET, SO_SNDBUF, &ALaunch.SendBuffer, sizeof(int));
    } else if (ALaunch.Via == Channel::Pipes) {
        if (pipe2(door, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
        FCaller = door[1];
        FOutput = out[0];
    }
    auto child = [&] {
        if (chdir(ALaunch.Dir.c_str()) != 0) _exit(126);
        if (ALaunch.FileSizeLimit >= 0) {
            const rlimit limit{static_cast<rlim_t>(ALaunch.FileSizeLimit),
                               static_cast<rlim_t>(ALaunch.FileSizeLimit)};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(125);
        }
        if (ALaunch.Unprivileged && !DropPrivileges()) _exit(125);
        if (ALaunch.Via == Channel::Socket) {
            dup2(open("/dev/null", O_RDONLY), 0);
            dup2(out[1], 1);
            if (dup2(door[1], kDoorSocket) < 0 || fcntl(kDoorSocket, F_SETFD, 0) != 0) _exit(124);
        } else if (ALaunch.Via == Channel::Pipes) {
            dup2(door[0], 0);
            dup2(out[1], 1);
        }
        dup2(err[1], 2);
        fexecve(exe, argv.data(), envp.data());
        _exit(127);
    };
    if (ALaunch.Via == Channel::Pty) {
        winsize ws{25, 80, 0, 0};
        FPid = forkpty(&FCaller, nullptr, nullptr, &ws);
        if (FPid == 0) child();
        FOutput = FCaller;
    } else {
        FPid = fork();
        if (FPid == 0) child();
    }
    if (FPid < 0) throw std::runtime_error("fork");
    FErrorFd = err[0];
    for (int fd : {exe, err[1], ALaunch.Via == Channel::Pipes ? door[0] : door[1], out[1]})
        if (fd >= 0) close(fd);
    for (int fd : {FCaller, FOutput, FConsoleFd, FErrorFd})
        if (fd >= 0) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

Door::~Door() {
    if (!FExit && FPid > 0) {
        kill(FPid, SIGKILL);
        waitpid(FPid, nullptr, 0);
    }
    for (int fd : {FCaller, FOutput == FCaller ? -1 : FOutput, FConsoleFd, FErrorFd})
        if (fd >= 0) close(fd);
}

bool Door::Reap(bool ABlock) {
    if (FExit) return true;
    int status = 0;
    if (waitpid(FPid, &status, ABlock ? 0 : WNOHANG) != FPid) return false;
    FExit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return true;
}

void Door::ReadAll(int AWaitMs) {
    pollfd p[3];
    int* fds[3] = {&FOutput, &FConsoleFd, &FErrorFd};
    std::string* into[3] = {&FReceived, &FConsole, &FErrors};
    nfds_t n = 0;
    for (int* fd : fds)
        p[n++] = {*fd, POLLIN, 0};
    if (poll(p, n, AWaitMs) <= 0) return;
    for (int i = 0; i < 3; ++i) {
        if (*fds[i] < 0 || !(p[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        char buf[65536];
        const ssize_t got = read(*fds[i], buf, sizeof buf);
        if (got > 0 && i == 0) {
            const std::string data = FSocket ? FTelnet.Feed({buf, static_cast<size_t>(got)})
                                             : std::string(buf, static_cast<size_t>(got));
            FReceived += data;
            FScreen.Feed(data);
            const std::string answers = FScreen.TakeAnswers();
            if (FAnswers && !answers.empty() && FCaller >= 0)
                (void)!write(FCaller, answers.data(), answers.size());
        } else if (got > 0) {
            into[i]->append(buf, static_cast<size_t>(got));
        } else if (got == 0 || errno != EAGAIN) {
            // The stream ended: stop polling it (our end of the socket stays open for Send).
            if (*fds[i] != FCaller) close(*fds[i]);
            *fds[i] = -1;
        }
    }
}

void Door::Pump(int AMs) {
    const long long end = NowMs() + AMs;
    do
        ReadAll(static_cast<int>(std::max(0LL, end - NowMs())));
    while (NowMs() < end);
}

void Door::Send(std::string_view AKeys) {
    long long deadline = NowMs() + 5000;
    while (!AKeys.empty() && FCaller >= 0 && NowMs() < deadline) {
        const ssize_t n = write(FCaller, AKeys.data(), AKeys.size());
        if (n > 0)
            AKeys.remove_prefix(static_cast<size_t>(n)), deadline = NowMs() + 5000;
        else if (n < 0 && errno == EAGAIN)
            ReadAll(5);
        else
            break;
    }
    ReadAll(0);
}

bool Door::WaitFor(const std::function<bool()>& APred, int AMs) {
    const long long end = NowMs() + AMs;
    while (!APred()) {
        if (NowMs() >= end) return false;
        ReadAll(10);
    }
    return true;
}

bool Door::WaitForText(std::string_view AText, int AMs) {
    return WaitFor([&] { return FScreen.Contains(AText); }, AMs);
}

bool Door::WaitQuiet(int AQuietMs, int AMaxMs) {
    const long long end = NowMs() + AMaxMs;
    long long last = NowMs();
    for (size_t seen = FReceived.size(); NowMs() < end; ReadAll(5)) {
        if (FReceived.size() != seen) seen = FReceived.size(), last = NowMs();
        if (NowMs() - last >= AQuietMs) return true;
    }
    return false;
}

std::optional<int> Door::WaitExit(int AMs) {
    WaitFor([&] { return Reap(false); }, AMs);
    if (FExit) ReadAll(0);
    return FExit;
}

bool Door::Running() {
    return !Reap(false);
}

void Door::Hangup() {
    if (FCaller < 0) return;
    if (FVia == Channel::Socket) return void(shutdown(FCaller, SHUT_RDWR));
    close(FCaller); // the door's input ends; a pty's master closing hangs its terminal up
    if (FOutput == FCaller) FOutput = -1;
    FCaller = -1;
}

std::string Door::Describe() {
    std::string s = "screen:\n";
    for (int y = 1; y <= Terminal::kRows; ++y) {
        s += (y < 10 ? " " : "") + std::to_string(y) + "|" + Cp437ToUtf8(FScreen.Row(y)) + "|\n";
    }
    return s + "console: " + FConsole + "\nerrors: " + FErrors + "\n";
}

} // namespace e2e
