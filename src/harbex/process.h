// Process end and process-wide signals.
//
// Halt(code) is the one way the kit ends the program: it runs the exit procedure chain
// (the procedure installed with SetExitProc; a procedure that wants its predecessor to
// run puts it back with SetExitProc before returning, as the kit's own does), then exits
// with the code. The chain also runs once when the program ends by returning from main.
// Tests replace the final exit with SetHaltHook(HaltByThrowing) and catch EHalt.
//
// Signals: SIGPIPE is ignored (a caller who is gone never kills the door; failed writes
// are seen as errors instead). SIGXFSZ is ignored too: a data file that would grow past the
// file-size limit fails its write with EFBIG, reported like a full disk, instead of the
// process being killed in the middle of the write. SIGHUP and SIGTERM only raise the
// hang-up flag, which the key wait treats as a lost carrier; nothing is interrupted in the
// middle of a file write.
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
// (or hands ACode to the halt hook when one is set; should the hook return, the process
// exits anyway).
[[noreturn]] void Halt(int ACode);

// Test seam: replaces the final process exit of Halt. A null hook restores the real exit.
using THaltHook = void (*)(int ACode);
void SetHaltHook(THaltHook AHook);

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

// Puts SIGPIPE, SIGXFSZ, SIGHUP and SIGTERM back to their defaults and forgets the
// installation, as in a freshly started process (tests).
void ResetProcessSignals();

// True once SIGHUP or SIGTERM arrived (or RaiseHangupSignal was called).
bool HangupSignalled();
// Raises the flag as a signal would (also for tests); ClearHangupSignal lowers it (tests).
void RaiseHangupSignal();
void ClearHangupSignal();

// A descriptor that becomes readable when a hang-up signal arrives, so a poll() on the
// input can include it and wake at once; -1 when it could not be created.
int HangupWakeFd();

} // namespace harbex
