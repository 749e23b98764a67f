// The caller's channel, chosen once at start-up: the telnet socket the board passed, standard
// input and output (a board's pipes or terminal), or the local console (the sysop's terminal).
// It sends, receives, waits and tells whether the caller is still there; nothing in it blocks
// except Wait, and Wait always wakes for a hang-up signal too (process.h).
//
// Promises:
// - Send and Receive never wait: a socket is used with MSG_DONTWAIT; standard I/O is polled
//   first and written at most a pipe buffer at a time, so a signal always ends a blocked write.
// - A terminal on standard input is raw for the whole session: the caller's terminal (a board
//   running standard-I/O doors on a pty) with its signal keys off, so Ctrl-C is a key; the
//   local console with them on. The terminal is given back on Close, at exit and when Ctrl-C
//   or Ctrl-\ ends the program; the local console also gets its attributes reset and its
//   screen cleared then.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

namespace harbex {

enum class TChannelKind { Socket, StdIO, Local };
enum class TWaitResult { Ready, Signal, Timeout };

class TChannel {
  public:
    // The socket is made blocking (other programs may share it) and is then used without waiting.
    static TChannel Socket(int AFd);
    static TChannel StdIO(int AIn, int AOut, TChannelKind AKind = TChannelKind::StdIO);

    TChannelKind Kind() const { return FKind; }
    int InFd() const { return FIn; }
    int OutFd() const { return FOut; }
    bool Open() const { return FOut >= 0; }
    // The input has ended or failed: the caller has gone (or the board closed the pipe).
    bool InputEnded() const { return FInputEnded; }
    // A send failed: the caller has gone.
    bool OutputLost() const { return FOutputLost; }

    // Bytes taken now (0: no room now); -1 when the caller is gone or the channel is closed.
    ssize_t Send(std::string_view ABytes);
    // Bytes received now into ABuffer (0: none now); -1 once the input has ended.
    ssize_t Receive(char* ABuffer, size_t ASize);
    // Waits up to AMs milliseconds (0: only looks) for input, or for room to send when
    // AForOutput, or for a hang-up signal. An ended input is not waited for.
    TWaitResult Wait(bool AForOutput, int AMs) const;
    // Sends all of ABytes, waiting for room as long as it takes. Before each wait (at least
    // once a second) and at once when a hang-up signal arrives, Stalled is called (the door
    // checks its limits there and may end the session); when it returns false the rest is dropped.
    // False when not everything was sent.
    bool SendAll(std::string_view ABytes);
    bool (*Stalled)(bool ASignal) = nullptr;
    // Gives the terminal back; closes a socket (shut down first when ADisconnect). Idempotent;
    // sends after it are dropped.
    void Close(bool ADisconnect);

  private:
    TChannelKind FKind = TChannelKind::StdIO;
    int FIn = -1, FOut = -1;
    bool FInputEnded = false, FOutputLost = false;
};

} // namespace harbex
