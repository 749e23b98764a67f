#include "harbex/doorstartup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <climits>

#include "common/datetime.h"
#include "common/fileio.h"
#include "common/seams.h"
#include "harbex/comm.h"
#include "harbex/console.h"
#include "harbex/crt2.h"
#include "harbex/door.h"
#include "harbex/doorinput.h"
#include "harbex/dropfiles.h"
#include "harbex/process.h"
#include "harbex/stringutils.h"

namespace harbex {

// The start-up hooks with their defaults (declared with the other hooks in door.h).
TDoorProc DoorOnLocalLogin = DefaultOnLocalLogin;
TDoorProc DoorOnUsage = DefaultOnUsage;

namespace {

std::string gProgramPath;

void MessageLine(const std::string& AText) {
    common::WriteFull(common::Seams().Messages, AText + "\r\n");
}

// A start-up failure: the message between empty lines on a cleared local
// console, a pause so the sysop can read it, and the end. A failure of the
// board's set-up (AProblem given) ends with code 1 and says so in one line on
// standard error; a caller who has already gone is an orderly end.
[[noreturn]] void StartupFailure(const std::string& AProblem, const std::string& ALine1,
                                 const std::string& ALine2 = "") {
    ConsoleClrScr();
    MessageLine("");
    MessageLine(ALine1);
    if (!ALine2.empty()) MessageLine(ALine2);
    MessageLine("");
    if (!AProblem.empty()) common::WriteFull(2, DoorProgramFileName() + ": " + AProblem + "\n");
    common::SleepMs(2500);
    Halt(AProblem.empty() ? 0 : 1);
}

// What a name may hold: letters, code page 437's accented ones included, spaces, and the "?"
// that stands for a character code page 437 cannot show.
const std::string& NameCharacters() {
    static const std::string chars = [] {
        std::string s = "qwertyuiopasdfghjklzxcvbnmQWERTYUIOPASDFGHJKLZXCVBNM ?\xE1";
        for (int c = 0x80; c <= 0xA5; ++c)
            if (c < 0x9B || c > 0x9F) s += static_cast<char>(c); // not the currency signs
        return s;
    }();
    return chars;
}

// The caller's character set, before anything is drawn.
void ChooseCharset(const TDoorCommandLine& ACommandLine) {
    const std::string& forced = ACommandLine.Charset;
    std::string how = " (set by -E)";
    if (forced == "utf8" || forced == "utf-8") {
        DoorSession.Charset = TCharset::utf8;
    } else if (forced == "cp437") {
        DoorSession.Charset = TCharset::cp437;
    } else if (ACommandLine.Local) {
        DoorSession.Charset = CharsetOfLocale();
    } else if (DoorDropInfo.Emulation != etASCII) {
        int ms = 0;
        DoorSession.Charset = DoorProbeCharset(ms);
        how = ms < 0 ? " (no answer within " + std::to_string(PROBE_WAIT_MS) + " ms)"
                     : " (answered in " + std::to_string(ms) + " ms)";
    } else {
        return; // an ASCII caller's terminal is not asked
    }
    if (!StdIO && !ACommandLine.Local) // the local console is the sysop's, not the caller's
        ConsoleWriteLn(std::string("  Caller's terminal: ") +
                       (DoorSession.Charset == TCharset::utf8 ? "UTF-8" : "code page 437") + how);
}

// The name of a caller the board did not name, asked like the local login asks the sysop.
void AskCallerName() {
    DoorTextAttr(pcLightGrey);
    DoorClrScr();
    DoorWriteLn();
    DoorWriteLn();
    DoorWriteLn("  |0BWelcome! Your name shows in the standings of this board.|07");
    DoorWriteLn();
    std::string name;
    while (name.empty()) {
        DoorWrite("  |0AName or handle |0F:|07 ");
        name = DoorInput("", NameCharacters(), 0, 40, 40, 31);
        name.erase(0, name.find_first_not_of(' '));
        name.erase(name.find_last_not_of(' ') + 1);
    }
    DoorDropInfo.RealName = DoorDropInfo.Alias = name;
}

// True when the path names something that exists and is not a directory.
bool DropFileExists(const std::string& APath) {
    struct stat st {};
    return ::stat(APath.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

// Picks and runs the reader whose name the path contains; false when none fits.
bool ReadDropFile(const std::string& APath) {
    if (!DropFileExists(APath)) return false;
    const std::string upper = UpperCase(APath);
    if (upper.find("DOOR32.SYS") != std::string::npos) {
        ReadDoor32(APath);
    } else if (upper.find("DOOR.SYS") != std::string::npos) {
        ReadDoorSys(APath);
    } else if (upper.find("DORINFO") != std::string::npos) {
        ReadDorinfo(APath);
    } else if (upper.find("INFO.") != std::string::npos) {
        ReadLordInfo(APath);
    } else {
        return false;
    }
    return true;
}

// The channel a drop file asks for.
void ResolveChannel(bool AForceStdIO) {
    const int type = DoorDropInfo.ComType;
    if (type == 0) {
        StdIO = true;
    } else if (type == 1 || type == 2) {
        if (AForceStdIO) {
            StdIO = true;
        } else if (DoorDropInfo.ComNum >= 0) {
            StdIO = false;
        } else if (DoorDropInfo.ComNum == -1) {
            StdIO = true;
        } else {
            StartupFailure("invalid comm number " + std::to_string(DoorDropInfo.ComNum) +
                               " in the drop file",
                           "  Invalid comm number: " + std::to_string(DoorDropInfo.ComNum));
        }
    }
    // 3 or more: StdIO keeps its value.
}

} // namespace

const std::string& DoorProgramPath() {
    return gProgramPath;
}

std::string DoorProgramFileName() {
    const std::size_t slash = gProgramPath.find_last_of('/');
    return slash == std::string::npos ? gProgramPath : gProgramPath.substr(slash + 1);
}

TDoorCommandLine DoorParseCommandLine(const std::vector<std::string>& AParams) {
    TDoorCommandLine cl;
    for (const std::string& arg : AParams) {
        if (arg.size() < 2 || (arg[0] != '-' && arg[0] != '/')) continue;
        const char letter = UpperCase(std::string(1, arg[1]))[0];
        const std::string value = arg.substr(2);
        switch (letter) {
        case '?':
            cl.Local = false;
            break;
        case 'L':
            break;
        case 'D':
            cl.Local = false;
            cl.DropFile = value;
            break;
        case 'N':
            cl.Node = StrToIntDef(value, 0);
            break;
        case 'S':
            cl.Local = false;
            cl.Socket = StrToIntDef(value, -1);
            break;
        case 'X':
            cl.ForceStdIO = true;
            break;
        case 'E':
            cl.Charset = value;
            for (char& c : cl.Charset)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            break;
        default:
            if (DoorOnCLP)
                DoorOnCLP(letter, value);
            else if (cl.Unknown.empty())
                cl.Unknown = arg;
            break;
        }
    }
    return cl;
}

void DoorStartup(int argc, const char* const* argv) {
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i)
        args.emplace_back(argv[i] ? argv[i] : "");
    DoorStartup(args);
}

void DoorStartup(const std::vector<std::string>& AArgs) {
    InstallProcessSignals();
    gProgramPath = AArgs.empty() ? std::string() : AArgs[0];
    if (gProgramPath.empty()) {
        char buf[PATH_MAX];
        const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
        if (n > 0) gProgramPath.assign(buf, static_cast<std::size_t>(n));
    }
    const TDoorCommandLine cl = DoorParseCommandLine(
        AArgs.size() > 1 ? std::vector<std::string>(AArgs.begin() + 1, AArgs.end())
                         : std::vector<std::string>());

    if (!cl.Unknown.empty())
        StartupFailure("unknown switch " + cl.Unknown + " (" + DoorProgramFileName() +
                           " -? lists them)",
                       "  Unknown switch: " + cl.Unknown);
    if (!cl.Charset.empty() && cl.Charset != "auto" && cl.Charset != "utf8" &&
        cl.Charset != "utf-8" && cl.Charset != "cp437")
        StartupFailure("unknown character set -E" + cl.Charset + " (utf8, cp437 or auto)",
                       "  Unknown character set: -E" + cl.Charset);
    // Mode selection: the first rule that applies.
    if (cl.Local) {
        DoorDropInfo.Node = cl.Node;
        StdIO = true;
        DoorOpenStdChannel(TChannelKind::Local); // raw for the whole session
        ChooseCharset(cl);
        if (DoorOnLocalLogin) {
            DoorOnLocalLogin();
            DoorClrScr();
        }
    } else if (cl.Socket >= 0 && cl.Node > 0) {
        DoorDropInfo.ComNum = cl.Socket;
        DoorDropInfo.ComType = 2;
        DoorDropInfo.Node = cl.Node;
        StdIO = false;
    } else if (cl.Socket == -1 && cl.Node > 0) {
        DoorDropInfo.ComNum = -1;
        DoorDropInfo.ComType = 2;
        DoorDropInfo.Node = cl.Node;
        StdIO = true;
    } else if (!cl.DropFile.empty()) {
        if (!ReadDropFile(cl.DropFile)) {
            StartupFailure("drop file missing or not supported: " + cl.DropFile,
                           "  Drop File Does Not Exist Or Is Not Supported:", "  " + cl.DropFile);
        }
        ResolveChannel(cl.ForceStdIO);
    } else {
        if (DoorOnUsage) DoorOnUsage();
        Halt(0);
    }

    // A standard-I/O session that a board started: the terminal, if any, is the caller's.
    if (!cl.Local && StdIO) DoorOpenStdChannel(TChannelKind::StdIO);

    // Completing the session records; time counts from here, after the login.
    DoorLastKey.Time = DoorClockNow();
    DoorSession.TimeOn = DoorClockNow();
    DoorDropInfo.RealNameOrAlias =
        DoorDropInfo.RealName.empty() ? DoorDropInfo.Alias : DoorDropInfo.RealName;
    DoorDropInfo.AliasOrRealName =
        DoorDropInfo.Alias.empty() ? DoorDropInfo.RealName : DoorDropInfo.Alias;

    if (!StdIO) {
        if (!DoorOpenComm()) StartupFailure("", "  No Carrier Detected");
        OldExitProc = GetExitProc();
        SetExitProc(NewExitProc);
        DoorSession.Events = true;
        DoorSession.EventsTime = 0;
    }
    if (!cl.Local) ChooseCharset(cl);
    if (!StdIO) DoorClrScr();
    if (!cl.Local && DoorDropInfo.AliasOrRealName.empty()) {
        AskCallerName();
        DoorDropInfo.RealNameOrAlias = DoorDropInfo.AliasOrRealName = DoorDropInfo.Alias;
        DoorClrScr();
    }
}

bool DoorOpenComm() {
    if (StdIO) return true;
    CommOpen(DoorDropInfo.ComNum);
    DoorWatchSocketSends();
    return CommCarrier();
}

void DoorClose(bool ADisconnect) {
    if (!StdIO) CommClose(ADisconnect);
}

void DoorShutdown() {
    DoorClose(false);
    DoorCloseStdChannel();
    DoorLiteBarOptions.clear();
    DoorLiteBarOptions.shrink_to_fit();
}

void NewExitProc() {
    SetExitProc(OldExitProc);
    DoorTextAttr(pcLightGrey);
    DoorCursorDown(255);
    DoorCursorLeft(255);
    if (!StdIO) DoorClose(false);
}

void DefaultOnLocalLogin() {
    DoorTextAttr(pcLightGrey);
    DoorClrScr();
    DoorWriteLn();
    DoorWriteLn();
    DoorWriteLn("  |1F  LOCAL LOGIN - FOR NODE " + std::to_string(DoorDropInfo.Node) + "|07");
    DoorWriteLn();
    DoorWriteLn();
    DoorWriteLn("  |09Run " + DoorProgramFileName() + " /? for command-line usage help|07");
    DoorWriteLn();
    std::string name;
    do {
        DoorWrite("  |0AName or handle |0F:|07 ");
        name = DoorInput("SYSOP", NameCharacters(), 0, 40, 40, 31);
    } while (name.empty());
    DoorDropInfo.RealName = name;
    DoorDropInfo.Alias = name;
}

void DefaultOnUsage() {
    const std::string exe = DoorProgramFileName();
    ConsoleClrScr();
    const std::string lines[] = {
        "",
        " USAGE: " + exe + " [SWITCHES]   (a switch starts with - or /)",
        "",
        " From a drop file, DOOR32.SYS, DOOR.SYS, DORINFO*.DEF or INFO.* (by its name)",
        "  -D<file>     the drop file, for example: " + exe + " -D/bbs/node1/DOOR32.SYS",
        "  -X           standard input and output instead of the drop file's socket",
        "",
        " From switches",
        "  -N<node>     the node number",
        "  -S<socket>   the caller's telnet socket, a descriptor the door inherits:",
        "               " + exe + " -N1 -S3",
        "  -Sx          the caller on standard input and output: " + exe + " -N1 -Sx",
        "",
        " Local mode on this terminal, asking for a name: " + exe + " (or " + exe + " -L)",
        "",
        "  -E<set>      the caller's character set: utf8, cp437 or auto (the default:",
        "               the caller's terminal is asked; local mode follows the locale)",
        "  -?           this screen",
        "",
        " Exit code 0 when a session ends, the caller's hang-up and time-out included;",
        " 1 when the door cannot start or cannot write a data file.",
        "",
    };
    for (const std::string& line : lines)
        MessageLine(line);
    Halt(0);
}

} // namespace harbex
