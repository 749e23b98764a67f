// Process end and process-wide signals.
//
// Halt(code) is the one way the kit ends the program: it runs the exit procedure chain
// (the procedure installed with SetExitProc; a procedure that wants its predecessor to
// run puts it back with SetExitProc before returning, as the kit's own does), then exits
// with the code. The chain also runs once when the program ends by returning from main.
// Tests replace the final exit (common::Seams().Halt = HaltByThrowing) and catch EHalt.
//
// Signals: SIGPIPE is ignored (a caller who is gone never kills the door; failed writes
// are seen as errors instead). SIGXFSZ is ignored too: a data file that would grow past the
// file-size limit fails its write with EFBIG, reported like a full disk, instead of the
// process being killed in the middle of the write. SIGHUP and SIGTERM only raise the
// hang-up flag and wake the channel's waits (without SA_RESTART, so a write blocked on a
// caller who stopped reading returns at once); the door treats the flag as a lost carrier.
// A write to a file is never interrupted by them.
#pragma once

#include <exception>
#include <string>

namespace harbex {

using TExitProc = void (*)();

// The current exit procedure (none by default).
TExitProc GetExitProc();
void SetExitProc(TExitProc AProc);

// Runs the exit procedure chain until no procedure is installed. Safe to call twice.
void RunExitProcs();

// Runs the exit procedure chain, flushes standard output and ends the process with ACode
// (or hands ACode to common::Seams().Halt when set; should it return, the process exits
// anyway).
[[noreturn]] void Halt(int ACode);

// Thrown by HaltByThrowing: Halt(code) became an exception carrying the code.
class EHalt : public std::exception {
  public:
    explicit EHalt(int ACode) : Code(ACode), FWhat("Halt(" + std::to_string(ACode) + ")") {}
    const char* what() const noexcept override { return FWhat.c_str(); }
    int Code;

  private:
    std::string FWhat;
};
[[noreturn]] void HaltByThrowing(int ACode);

// Installs the signal dispositions described above (idempotent; the kit calls it when
// it opens the channel, writes and waits for keys).
void InstallProcessSignals();

// True once SIGHUP or SIGTERM arrived (or RaiseHangupSignal was called).
bool HangupSignalled();
// Raises the flag as a signal would.
void RaiseHangupSignal();

// A descriptor that becomes readable when a hang-up signal arrives, so a poll() on the
// input can include it and wake at once; -1 when it could not be created.
int HangupWakeFd();
// Empties the wake descriptor (the flag stays raised).
void DrainHangupWake();

// Back to the state of a fresh process: no exit procedure, no hang-up, default signals.
void ProcessReset();

} // namespace harbex
