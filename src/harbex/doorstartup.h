// Session start-up and shutdown. DoorStartup reads the command line, picks local,
// socket, standard-I/O or drop-file mode, reads the drop file, completes the
// session records and opens the comm channel; DoorShutdown ends the session
// without hanging up on the caller.
//
// Promises:
// - DoorStartup returns only with a ready session and its channel chosen. Every failure
//   prints its message to standard output (common::Seams().Messages), waits 2500 ms
//   (common::SleepMs) and ends the process: no usable drop file, a comm handle below -1 and an
//   unknown switch with Halt(1) and one line on standard error naming the problem; no carrier (the
//   caller has already gone) with Halt(0). The usage screen ends with Halt(0) at once.
// - A caller whose name the board did not give (command-line start without a drop
//   file, or an empty name in the drop file) is asked for one, as local mode asks the
//   sysop: no session runs without a name.
// - The exit procedure NewExitProc is installed exactly when the comm channel was
//   opened; it restores the previous exit procedure, resets the caller's attribute
//   to 7, moves the cursor to the bottom-left corner and closes the channel
//   without disconnecting.
// - In standard-I/O mode the event pump stays off and no exit procedure is added.
// - The caller's character set is chosen before anything is drawn: forced by -E, else the
//   locale's in local mode, else asked of the caller's terminal (DoorProbeCharset; not for
//   an ASCII caller, whose terminal would show the question). In socket mode the choice shows
//   on the local console. An -E the kit does not know is a start-up failure (Halt(1)).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace harbex {

// What the command line asked for.
struct TDoorCommandLine {
    std::string DropFile;    // D
    bool ForceStdIO = false; // X
    bool Local = true;       // false once D, S or ? was seen
    int32_t Node = 0;        // N; 0 when not a number
    int32_t Socket = -99;    // S; -1 when not a number
    std::string Unknown;     // the first switch nobody understood (DoorOnCLP unset)
    std::string Charset;     // E: "utf8", "cp437" or "auto" (also when empty)
};

// Parses the arguments (without the program path). Switches start with "-" or "/"
// and carry their value right after the letter (-N1, /DC:\BBS\DOOR32.SYS); the
// letter is case-insensitive. E forces the caller's character set (-Eutf8, -Ecp437; -Eauto
// asks the terminal, the default for callers; local mode follows the locale). L asks for local mode
// (the default without D, S or ?). Unknown letters go to DoorOnCLP when it is set; otherwise the
// first is kept in Unknown.
TDoorCommandLine DoorParseCommandLine(const std::vector<std::string>& AParams);

// The whole start-up. argv[0] is the program's path (its file name shows on the
// login and usage screens); the other entries are the switches.
void DoorStartup(int argc, const char* const* argv);
void DoorStartup(const std::vector<std::string>& AArgs);

// DoorClose(false), then the light-bar options are freed; a terminal on standard input is
// given back (local mode: attributes reset and the screen cleared).
void DoorShutdown();
// Closes the comm channel (shutting the socket down first when ADisconnect); does
// nothing in standard-I/O mode or when the channel is already closed.
void DoorClose(bool ADisconnect);
// Standard-I/O mode: true at once. Otherwise opens the channel on
// DoorDropInfo.ComNum and returns the carrier.
bool DoorOpenComm();

// Default hooks: the local login screen (asks for a name, "SYSOP" by default) and
// the usage screen (ends the process with Halt(0)).
void DefaultOnLocalLogin();
void DefaultOnUsage();

// The kit's exit procedure; DoorStartup installs it when it opens the channel.
void NewExitProc();

// The program's path as given to DoorStartup, and its file-name part.
const std::string& DoorProgramPath();
std::string DoorProgramFileName();

} // namespace harbex
