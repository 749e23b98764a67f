// The local console: the sysop's side of standard input and output.
//
// Keyboard: when standard input is a terminal it is put in raw mode (no echo, no line
// buffering) for key reads and restored on every way out (normal end, Halt, SIGINT,
// SIGHUP, SIGTERM). Keys come one byte at a time; the terminal's special keys arrive as 0
// followed by a PC scan code (Up 72, Down 80, Left 75, Right 77, Home 71, End 79, PgUp 73,
// PgDn 81, Ins 82, Del 83, F1-F10 59-68, F11 133, F12 134). Line ends are folded to CR per
// read (CR LF, CR NUL, LF -> CR). End of input or a read error is reported, never waited on.
//
// Attribute: the console's own text attribute (starts 7); writes to the local screen use
// it. Local-screen output (clear, messages) reaches standard output only while it is a
// terminal, so a board's log or pipe never receives stray escape sequences.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

namespace harbex {

// Turns terminal input bytes into keys (pure state machine, no I/O). Special keys become
// the two bytes 0, scan code. A lone ESC is held until Flush() says no more bytes came.
class TConsoleKeyDecoder {
  public:
    void Feed(const std::string& ABytes);
    // No follow-up came in time: a pending ESC (and what followed it) is delivered as keys.
    void Flush();
    bool Pending() const { return !FSeq.empty(); }  // holds an unfinished sequence
    bool HasKey() const { return !FKeys.empty(); }
    char TakeKey();
    void Clear();

  private:
    void FeedByte(char AByte);
    void FinishSequence();
    std::string FSeq;        // an escape sequence under way, starting with ESC
    bool FLastCR = false;    // the previous byte of this read was a CR (line-end folding)
    std::deque<char> FKeys;
};

// ---- Keyboard ------------------------------------------------------------------
// Is a key waiting? Reads what standard input has without waiting.
bool ConsoleKeyPressed();
// Next key (0 then scan code for special keys); waits for one. Returns 0 at once once the
// input has ended with nothing left.
char ConsoleReadKey();
// Standard input reached its end or failed (the caller hung up when it is a pipe).
bool ConsoleInputEnded();
// Waits until standard input may have a key, at most AMs milliseconds (also wakes on a
// hang-up signal).
void ConsoleWaitInput(int AMs);
// Raw mode on the terminal on standard input (no effect when it is not a terminal). The key
// reads above switch it on for their own duration only and restore the terminal after.
void ConsoleRawMode(bool AOn);
// The terminal on standard input is the caller's (a standard-I/O door that a board runs on a
// pseudo-terminal): raw from now until ConsoleRawMode(false) or the end of the program, so
// keys typed while the door draws are neither echoed nor held back, and with signal keys
// off, so Ctrl-C, Ctrl-Z and Ctrl-\ arrive as keys 3, 26 and 28. No effect when standard
// input is not a terminal.
void ConsoleCallerTerminal();
// Uses AFd instead of standard input and forgets queued keys (tests; -1 back to 0).
void ConsoleSetInputFd(int AFd);

// ---- Attribute and local screen ---------------------------------------------------
uint8_t ConsoleGetAttr();
void ConsoleSetAttr(uint8_t AAttr);
// Clears the local screen in the console attribute and homes the cursor (screen image and,
// where it is not already drawn from the image, standard output).
void ConsoleClrScr();
// Writes text to the local screen (standard output) in the console attribute.
void ConsoleWrite(const std::string& AText);
void ConsoleWriteLn(const std::string& AText = "");

// Writes all bytes to a descriptor, retrying short writes; false on failure (no SIGPIPE).
bool WriteAllFd(int AFd, const std::string& AText);

} // namespace harbex
