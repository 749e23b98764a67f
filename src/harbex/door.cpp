#include "harbex/door.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <poll.h>

#include <utility>

#include "harbex/ansi.h"
#include "harbex/comm.h"
#include "harbex/console.h"
#include "harbex/crt2.h"
#include "harbex/stringutils.h"

namespace harbex {

// ---- Module state with its program-start defaults --------------------------------

TDoorDropInfo DoorDropInfo;
TDoorSession DoorSession;
TDoorLastKey DoorLastKey;
std::string DoorProgramNameAndVersion = "Harbex v13.09.02";
int32_t DoorLiteBarIndex = 0;
std::vector<std::string> DoorLiteBarOptions;
TDoorMorePrompts DoorMorePrompts;
bool StdIO = true;
bool DisplayingSixel = false;
TExitProc OldExitProc = nullptr;

TDoorOnCLP DoorOnCLP = nullptr;
TDoorProc DoorOnHangup = DefaultOnHangup;
TDoorProc DoorOnStatusBar = DefaultOnStatusBar;
TDoorOnSysopKey DoorOnSysopKey = nullptr;
TDoorProc DoorOnTimeOut = DefaultOnTimeOut;
TDoorOnWarning DoorOnTimeOutWarning = DefaultOnTimeOutWarning;
TDoorProc DoorOnTimeUp = DefaultOnTimeUp;
TDoorOnWarning DoorOnTimeUpWarning = DefaultOnTimeUpWarning;

namespace {

int gOutFd = 1;
bool gWarningShown = false;  // a warning stands on the caller's row 25
bool gOutputLost = false;  // a write to standard output failed: the caller is gone
TInputWaitHook gWaitHook = nullptr;

bool gClockAnchored = false;
TDateTime gAnchorWall = 0;
int64_t gAnchorMono = 0;

constexpr double kMsPerDay = 86400000.0;

int64_t MsBetween(TDateTime A, TDateTime B) { return std::llround(std::fabs(A - B) * kMsPerDay); }

// Blocks until input may be there, at most AMs milliseconds (or a hang-up signal).
void WaitForInput(int AMs) {
    if (gWaitHook) {
        gWaitHook(AMs);
        return;
    }
    if (AMs <= 0) return;
    if (StdIO) {
        ConsoleWaitInput(AMs);
        return;
    }
    pollfd p[2];
    nfds_t n = 0;
    const int wake = HangupWakeFd();
    if (wake >= 0) p[n++] = {wake, POLLIN, 0};
    if (HangupSignalled()) return;
    // A lost carrier makes the socket readable for ever; then only wait out the time.
    if (CommCarrier() && CommHandle() >= 0) p[n++] = {CommHandle(), POLLIN, 0};
    ::poll(p, n, AMs);
}

// Milliseconds until the pump's next tick, bounded to one second.
int MsToNextTick() {
    if (!DoorSession.Events) return 1000;
    const int64_t since = MsBetween(DoorClockNow(), DoorSession.EventsTime);
    if (since >= 1000) return 0;
    return static_cast<int>(1000 - since);
}

// The caller is gone and nothing will arrive: run the hang-up path now. A hook that
// returns (or none) leaves the wait idling until the next pump tick, never spinning.
void InputLost() {
    if (DoorOnHangup) DoorOnHangup();
    WaitForInput(std::max(MsToNextTick(), 1));
}

// True when the key wait must not wait for the pump to notice the loss.
bool LostAtOnce() {
    if (HangupSignalled()) return true;
    if (StdIO) return gOutputLost || ConsoleInputEnded();
    return !DoorSession.Events && !CommCarrier();
}

// Ten rounds of up to 50 ms for the next byte of an escape sequence.
bool WaitFollowUp() {
    for (int round = 0; round < 10; ++round) {
        if (CommCharAvail()) return true;
        WaitForInput(50);
    }
    return CommCharAvail();
}

void VeskLoop(std::string S);

} // namespace

// ---- Session queries -------------------------------------------------------------

bool DoorStdIO() { return StdIO; }

bool DoorCarrier() {
    if (HangupSignalled()) return false;
    if (StdIO) return !gOutputLost && !ConsoleInputEnded();
    return CommCarrier();
}

TDateTime DoorClockNow() {
    const int64_t mono = common::MonotonicMs();
    if (!gClockAnchored) {
        gClockAnchored = true;
        gAnchorWall = common::Now();
        gAnchorMono = mono;
    }
    return gAnchorWall + static_cast<double>(mono - gAnchorMono) / kMsPerDay;
}

int32_t DoorSecondsBetween(TDateTime A, TDateTime B) {
    const int64_t secs = MsBetween(A, B) / 1000;
    return secs > INT32_MAX ? INT32_MAX : static_cast<int32_t>(secs);  // "never" stays large
}

int32_t DoorSecondsIdle() { return DoorSecondsBetween(DoorClockNow(), DoorLastKey.Time); }

int32_t DoorSecondsLeft() {
    return DoorDropInfo.MaxSeconds - DoorSecondsBetween(DoorClockNow(), DoorSession.TimeOn);
}

// ---- Output --------------------------------------------------------------------------

void DoorWrite(const std::string& AText) {
    std::string text = AText;
    if (DoorSession.PipeWrite && !DisplayingSixel && text.size() >= 3 && text.find('|') != std::string::npos)
        text = PipeToAnsi(text);
    if (DoorSession.VeskWrite && !DisplayingSixel && text.size() >= 2 && text.find('`') != std::string::npos) {
        VeskLoop(std::move(text));
        return;
    }
    if (text.empty()) return;
    if (StdIO) {
        if (!gOutputLost && !WriteAllFd(gOutFd, text)) gOutputLost = true;
    } else {
        CommWrite(text);
    }
}

void DoorWriteLn() { DoorWrite("\r\n"); }

void DoorWriteLn(const std::string& AText) { DoorWrite(AText + "\r\n"); }

void DoorWriteCentered(const std::string& AText) {
    const size_t len = DoorSession.VeskWrite ? VeskStrip(AText).size() : AText.size();
    const long column = (80L - static_cast<long>(len)) / 2;
    DoorGotoX(static_cast<uint8_t>(column & 0xFF));
    DoorWrite(AText);
}

void DoorClrScr() { DoorWrite(AnsiClrScr()); }
void DoorClrEol() { DoorWrite(AnsiClrEol()); }
void DoorCursorUp(uint8_t ACount) { DoorWrite(AnsiCursorUp(ACount)); }
void DoorCursorDown(uint8_t ACount) { DoorWrite(AnsiCursorDown(ACount)); }
void DoorCursorRight(uint8_t ACount) { DoorWrite(AnsiCursorRight(ACount)); }
void DoorCursorLeft(uint8_t ACount) { DoorWrite(AnsiCursorLeft(ACount)); }
void DoorCursorSave() { DoorWrite(AnsiCursorSave()); }
void DoorCursorRestore() { DoorWrite(AnsiCursorRestore()); }
void DoorGotoXY(uint8_t AX, uint8_t AY) { DoorWrite(AnsiGotoXY(AX, AY)); }
void DoorGotoX(uint8_t AX) { DoorWrite(AnsiGotoX(AX)); }
void DoorGotoY(uint8_t AY) { DoorWrite(AnsiGotoY(AY)); }

void DoorTextAttr(uint8_t AAttr) {
    const bool wasBlinking = (GetTextAttr() & 0x80) != 0;
    SetTextAttr(AAttr);
    DoorWrite((wasBlinking && !(AAttr & 0x80) ? std::string("\x1b[0m") : std::string()) + AnsiTextAttr(AAttr));
}

void DoorTextColour(uint8_t AColour) {
    SetTextColour(AColour);
    DoorWrite(AnsiTextColour(AColour));
}

void DoorTextBackground(uint8_t AColour) {
    SetTextBackground(AColour);
    DoorWrite(AnsiTextBackground(AColour));
}

void DoorTextColourAndBlink(uint8_t AColour, bool ABlink) {
    SetTextColour(AColour);
    DoorWrite(AnsiTextColour(AColour));
    DoorWrite(AnsiBlink(ABlink));
}

// ---- Grave-accent codes -------------------------------------------------------------

namespace {

void VeskColour(int AColour, bool ABlink) { DoorTextColourAndBlink(static_cast<uint8_t>(AColour), ABlink); }

// Acts on the code at the start of S (S starts with a grave accent and has at least two
// characters); returns how many characters it used.
size_t VeskCode(const std::string& S) {
    const char c = S[1];
    if (c >= '1' && c <= '9') {
        VeskColour(c - '0', false);
        return 2;
    }
    switch (c) {
    case '0': VeskColour(10, false); break;
    case '!': VeskColour(11, false); break;
    case '@': VeskColour(12, false); break;
    case '#': VeskColour(13, false); break;
    case '$': VeskColour(14, false); break;
    case '%': VeskColour(15, false); break;
    case '*': VeskColour(0, false); break;
    case 'b': VeskColour(4, true); break;
    case 'y': VeskColour(14, true); break;
    case 'c':
        DoorTextAttr(7);
        DoorClrScr();
        DoorWrite("\r\n\r\n");
        break;
    case 'd': DoorWrite("\b"); break;
    case 'x': DoorWrite(" "); break;
    case '\\': DoorWrite("\r\n"); break;
    case 'l': common::SleepMs(500); break;
    case 'w': common::SleepMs(100); break;
    case 'k':
        DoorWrite("`r0  `2<`0MORE`2>");
        DoorReadKey();
        DoorWrite("\b\b\b\b\b\b\b\b        \b\b\b\b\b\b\b\b");
        break;
    case '|': DoorWrite("|`w`d\\`w`d-`w`d/`w`d|`w`d\\`w`d-`w`d/`w`d|`w`d `d"); break;
    case 'r':
        if (S.size() < 3) return 2;
        if (S[2] >= '0' && S[2] <= '7') DoorTextBackground(static_cast<uint8_t>(S[2] - '0'));
        return 3;
    default: break;
    }
    return 2;
}

void VeskLoop(std::string S) {
    while (!S.empty()) {
        if (S[0] != '`') {
            const size_t pos = S.find('`');
            if (pos == std::string::npos) {
                DoorWrite(S);
                S.clear();
            } else {
                DoorWrite(S.substr(0, pos));
                S.erase(0, pos);
            }
        }
        while (!S.empty() && S[0] == '`') {
            if (S.size() == 1) {
                S.clear();
                break;
            }
            S.erase(0, VeskCode(S));
        }
    }
}

} // namespace

// ---- Key input and the event pump ----------------------------------------------------

void DoorDoEvents() {
    if (!DoorSession.Events) return;
    if (DoorSecondsBetween(DoorClockNow(), DoorSession.EventsTime) < 1) return;
    if (!DoorCarrier() && DoorOnHangup) DoorOnHangup();
    if (DoorSession.DoIdleCheck && DoorSecondsIdle() > DoorSession.MaxIdle && DoorOnTimeOut) DoorOnTimeOut();
    if (DoorSession.DoIdleCheck) {
        const int32_t r = DoorSession.MaxIdle - DoorSecondsIdle();
        if (r % 60 == 1 && r / 60 <= 5 && DoorOnTimeOutWarning)
            DoorOnTimeOutWarning(static_cast<uint8_t>(r / 60));
    }
    if (DoorSecondsLeft() < 1 && DoorOnTimeUp) DoorOnTimeUp();
    const int32_t l = DoorSecondsLeft();
    if (l % 60 == 1 && l / 60 <= 5 && DoorOnTimeUpWarning) DoorOnTimeUpWarning(static_cast<uint8_t>(l / 60));
    DoorSession.EventsTime = DoorClockNow();
}

bool DoorKeyPressed() {
    InstallProcessSignals();
    DoorDoEvents();
    if (StdIO) return ConsoleKeyPressed();
    return CommCharAvail();
}

char DoorReadKey() {
    char key = 0;
    DoorLastKey.Location = lkNone;
    while (DoorLastKey.Location == lkNone) {
        while (!DoorKeyPressed()) {
            if (LostAtOnce())
                InputLost();
            else
                WaitForInput(MsToNextTick());
        }
        if (StdIO) {
            key = ConsoleReadKey();
            DoorLastKey.Extended = false;
            if (key == 0) {
                key = ConsoleReadKey();
                DoorLastKey.Extended = true;
            }
            DoorLastKey.Location = lkUser;
            continue;
        }
        if (!CommCharAvail()) continue;
        key = CommReadChar();
        if (key != 27) {
            DoorLastKey.Extended = false;
            DoorLastKey.Location = lkUser;
            continue;
        }
        if (!WaitFollowUp() || CommPeekChar() != '[') {
            DoorLastKey.Extended = false;  // the ESC itself is the key
            DoorLastKey.Location = lkUser;
            continue;
        }
        CommReadChar();  // the "["
        if (!WaitFollowUp()) continue;
        switch (CommReadChar()) {
        case 'A': key = KEY_UP; break;
        case 'B': key = KEY_DOWN; break;
        case 'C': key = KEY_RIGHT; break;
        case 'D': key = KEY_LEFT; break;
        default: continue;  // other sequences give no key
        }
        DoorLastKey.Extended = true;
        DoorLastKey.Location = lkUser;
    }
    DoorLastKey.Ch = key;
    DoorLastKey.Time = DoorClockNow();
    if (gWarningShown) {  // the caller is back: the warning goes
        gWarningShown = false;
        DoorWrite(AnsiCursorSave() + "\x1b[0m" + AnsiGotoXY(1, 25) + AnsiClrEol() + AnsiTextAttr(GetTextAttr()) +
                  AnsiCursorRestore());
    }
    return key;
}

// ---- Default ending hooks -------------------------------------------------------------

void DefaultOnHangup() {
    SetTextAttr(15);
    ConsoleClrScr();
    ConsoleWriteLn();
    ConsoleWriteLn("   Caller Dropped Carrier.  Returning To BBS...");
    common::SleepMs(2500);
    Halt(0);
}

namespace {
void EndWithMessage(const std::string& AMessage) {
    DoorTextAttr(15);
    DoorClrScr();
    DoorWriteLn();
    DoorWriteLn(AMessage);
    common::SleepMs(2500);
    Halt(0);
}
} // namespace

void DefaultOnTimeOut() { EndWithMessage("  Idle Time Limit Exceeded.  Returning To BBS..."); }

namespace {
// AText centred on row 25 in white on red, columns 2 to 79 (the last column is never written,
// so the screen cannot scroll); cursor and colour are put back as they were.
void ShowWarning(const std::string& AText) {
    const uint8_t attr = GetTextAttr();
    std::string line(78, ' ');
    line.replace((line.size() - std::min(AText.size(), line.size())) / 2, std::min(AText.size(), line.size()), AText);
    SetTextAttr(0x4F);
    DoorWrite(AnsiCursorSave() + "\x1b[0m" + AnsiGotoXY(2, 25) + AnsiTextAttr(0x4F));
    const bool pipes = std::exchange(DoorSession.PipeWrite, false), vesk = std::exchange(DoorSession.VeskWrite, false);
    DoorWrite(line);
    DoorSession.PipeWrite = pipes, DoorSession.VeskWrite = vesk;
    SetTextAttr(attr);
    DoorWrite("\x1b[0m" + AnsiTextAttr(attr) + AnsiCursorRestore());
    gWarningShown = true;
}
} // namespace

void DefaultOnTimeOutWarning(uint8_t AMinutes) {
    if (AMinutes == 1) ShowWarning("Still there? Press a key within a minute, or the door closes.");
}

void DefaultOnTimeUpWarning(uint8_t AMinutes) {
    if (AMinutes == 5 || AMinutes == 1)
        ShowWarning(AMinutes == 5 ? "Five minutes of your time are left." : "One minute of your time is left.");
}

void DefaultOnTimeUp() { EndWithMessage("  Your Time Has Expired.  Returning To BBS..."); }

// ---- Test seams ----------------------------------------------------------------------

void SetInputWaitHook(TInputWaitHook AHook) { gWaitHook = AHook; }

void DoorSetOutputFd(int AFd) {
    gOutFd = AFd;
    gOutputLost = false;
}

void DoorResetForTests() {
    DoorDropInfo = TDoorDropInfo{};
    DoorSession = TDoorSession{};
    DoorLastKey = TDoorLastKey{};
    DoorProgramNameAndVersion = "Harbex v13.09.02";
    DoorLiteBarIndex = 0;
    DoorLiteBarOptions.clear();
    DoorMorePrompts = TDoorMorePrompts{};
    StdIO = true;
    DisplayingSixel = false;
    OldExitProc = nullptr;
    DoorOnCLP = nullptr;
    DoorOnHangup = DefaultOnHangup;
    DoorOnStatusBar = DefaultOnStatusBar;
    DoorOnSysopKey = nullptr;
    DoorOnTimeOut = DefaultOnTimeOut;
    DoorOnTimeOutWarning = DefaultOnTimeOutWarning;
    DoorOnTimeUp = DefaultOnTimeUp;
    DoorOnTimeUpWarning = DefaultOnTimeUpWarning;
    gWarningShown = false;
    SetTextAttr(7);
    gOutFd = 1;
    gOutputLost = false;
    gWaitHook = nullptr;
    gClockAnchored = false;
}

} // namespace harbex
