#include "harbex/door.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <poll.h>

#include <utility>

#include "common/seams.h"
#include "harbex/ansi.h"
#include "harbex/comm.h"
#include "harbex/console.h"
#include "harbex/consolescreen.h"
#include "harbex/crt2.h"
#include "harbex/doorstartup.h"
#include "harbex/keydecoder.h"
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

// How long the rest of an escape sequence may take to arrive.
constexpr int kEscapeWaitMs = 500;
constexpr double kMsPerDay = 86400000.0;

// The kit's own state besides the public records above.
struct TDoorKit {
    TChannel StdChannel;       // standard I/O or the local console, once chosen
    bool StdChosen = false;    // StdChannel was opened (it is not opened again once closed)
    TKeyDecoder Keys{false};   // the caller's bytes on their way to keys
    TUtf8Writer Utf8Out;       // the caller's output while the terminal is UTF-8
    bool KeysTelnet = false;   // Keys was made for the socket channel
    int64_t SequenceMs = 0;    // when the last byte of an unfinished escape sequence came
    bool WarningShown = false; // a warning stands on the caller's row 25
    bool Ending = false;       // a farewell is under way: output that cannot go at once is dropped
    bool OutputDead = false;   // a hang-up came while output waited: nothing more is sent
    bool ClockAnchored = false;
    TDateTime AnchorWall = 0;
    int64_t AnchorMono = 0;
};
TDoorKit gKit;

int64_t MsBetween(TDateTime A, TDateTime B) {
    return std::llround(std::fabs(A - B) * kMsPerDay);
}

// The channel of this session: the comm channel in socket mode, else standard I/O.
TChannel& Channel() {
    if (!StdIO) return CommChannel();
    if (!gKit.StdChosen) DoorOpenStdChannel(TChannelKind::StdIO);
    return gKit.StdChannel;
}

// While output waits for a caller who does not read: ends the session when a hang-up signal
// came or a limit passed (the pump's own checks, without its warnings, which would cut into
// the output). False drops the rest of the output.
bool SendStalled(bool) {
    if (gKit.Ending || gKit.OutputDead) return false;
    if (HangupSignalled()) {
        gKit.OutputDead = true;
        if (DoorOnHangup) DoorOnHangup();
        return false;
    }
    if (!DoorSession.Events) return true;
    if (DoorSession.DoIdleCheck && DoorSecondsIdle() > DoorSession.MaxIdle && DoorOnTimeOut)
        DoorOnTimeOut();
    if (DoorSecondsLeft() < 1 && DoorOnTimeUp) DoorOnTimeUp();
    return true;
}

// Milliseconds until the pump's next tick, bounded to one second.
int MsToNextTick() {
    if (!DoorSession.Events) return 1000;
    const int64_t since = MsBetween(DoorClockNow(), DoorSession.EventsTime);
    return since >= 1000 ? 0 : static_cast<int>(1000 - since);
}

// Takes in what the caller sent; an escape sequence whose wait is over ends.
// The decoder for the channel's bytes (with the telnet stage on a socket).
TKeyDecoder& KeysOf(const TChannel& AChannel) {
    const bool telnet = AChannel.Kind() == TChannelKind::Socket;
    if (gKit.KeysTelnet != telnet) gKit.Keys = TKeyDecoder(telnet), gKit.KeysTelnet = telnet;
    return gKit.Keys;
}

void ReceiveKeys() {
    TChannel& channel = Channel();
    KeysOf(channel).SetUtf8(DoorSession.Charset == TCharset::utf8);
    char buf[1024];
    for (ssize_t n = sizeof buf, round = 0; n == sizeof buf && round < 64;
         ++round) { // what is there
        if ((n = channel.Receive(buf, sizeof buf)) <= 0) break;
        gKit.Keys.Feed({buf, static_cast<size_t>(n)});
        gKit.SequenceMs = common::MonotonicMs();
    }
    if (gKit.Keys.Pending() &&
        (channel.InputEnded() || common::MonotonicMs() - gKit.SequenceMs >= kEscapeWaitMs))
        gKit.Keys.Flush(); // no more bytes can come, or they did not come in time
}

// The caller is gone and the pump will not notice it for us: a hang-up signal, or a lost
// channel while the pump is off.
bool LostAtOnce() {
    return HangupSignalled() || (!DoorSession.Events && !DoorCarrier());
}

void VeskLoop(std::string S);

} // namespace

// ---- Session queries -------------------------------------------------------------

bool DoorStdIO() {
    return StdIO;
}

bool DoorCarrier() {
    if (HangupSignalled()) return false;
    if (!StdIO) return CommCarrier();
    return !Channel().InputEnded() && !Channel().OutputLost();
}

TDateTime DoorClockNow() {
    const int64_t mono = common::MonotonicMs();
    if (!gKit.ClockAnchored) {
        gKit.ClockAnchored = true;
        gKit.AnchorWall = common::Now();
        gKit.AnchorMono = mono;
    }
    return gKit.AnchorWall + static_cast<double>(mono - gKit.AnchorMono) / kMsPerDay;
}

int32_t DoorSecondsBetween(TDateTime A, TDateTime B) {
    const int64_t secs = MsBetween(A, B) / 1000;
    return secs > INT32_MAX ? INT32_MAX : static_cast<int32_t>(secs); // "never" stays large
}

int32_t DoorSecondsIdle() {
    return DoorSecondsBetween(DoorClockNow(), DoorLastKey.Time);
}

int32_t DoorSecondsLeft() {
    return DoorDropInfo.MaxSeconds - DoorSecondsBetween(DoorClockNow(), DoorSession.TimeOn);
}

// ---- Output --------------------------------------------------------------------------

void DoorWrite(const std::string& AText) {
    std::string text = AText;
    if (DoorSession.PipeWrite && !DisplayingSixel && text.size() >= 3 &&
        text.find('|') != std::string::npos)
        text = PipeToAnsi(text);
    if (DoorSession.VeskWrite && !DisplayingSixel && text.size() >= 2 &&
        text.find('`') != std::string::npos) {
        VeskLoop(std::move(text));
        return;
    }
    if (text.empty() || gKit.OutputDead) return;
    if (DoorSession.Charset == TCharset::utf8 && !DisplayingSixel)
        text = gKit.Utf8Out.Translate(text);
    if (StdIO)
        Channel().SendAll(text);
    else
        CommWrite(text);
}

void DoorWriteLn() {
    DoorWrite("\r\n");
}

void DoorWriteLn(const std::string& AText) {
    DoorWrite(AText + "\r\n");
}

void DoorWriteCentered(const std::string& AText) {
    const size_t len = DoorSession.VeskWrite ? VeskStrip(AText).size() : AText.size();
    const long column = (80L - static_cast<long>(len)) / 2;
    DoorGotoX(static_cast<uint8_t>(column & 0xFF));
    DoorWrite(AText);
}

void DoorClrScr() {
    DoorWrite(AnsiClrScr());
}
void DoorClrEol() {
    DoorWrite(AnsiClrEol());
}
void DoorCursorUp(uint8_t ACount) {
    DoorWrite(AnsiCursorUp(ACount));
}
void DoorCursorDown(uint8_t ACount) {
    DoorWrite(AnsiCursorDown(ACount));
}
void DoorCursorRight(uint8_t ACount) {
    DoorWrite(AnsiCursorRight(ACount));
}
void DoorCursorLeft(uint8_t ACount) {
    DoorWrite(AnsiCursorLeft(ACount));
}
void DoorCursorSave() {
    DoorWrite(AnsiCursorSave());
}
void DoorCursorRestore() {
    DoorWrite(AnsiCursorRestore());
}
void DoorGotoXY(uint8_t AX, uint8_t AY) {
    DoorWrite(AnsiGotoXY(AX, AY));
}
void DoorGotoX(uint8_t AX) {
    DoorWrite(AnsiGotoX(AX));
}
void DoorGotoY(uint8_t AY) {
    DoorWrite(AnsiGotoY(AY));
}

void DoorTextAttr(uint8_t AAttr) {
    const bool wasBlinking = (GetTextAttr() & 0x80) != 0;
    SetTextAttr(AAttr);
    DoorWrite((wasBlinking && !(AAttr & 0x80) ? std::string("\x1b[0m") : std::string()) +
              AnsiTextAttr(AAttr));
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

void VeskColour(int AColour, bool ABlink) {
    DoorTextColourAndBlink(static_cast<uint8_t>(AColour), ABlink);
}

// Acts on the code at the start of S (S starts with a grave accent and has at least two
// characters); returns how many characters it used.
size_t VeskCode(const std::string& S) {
    const char c = S[1];
    if (c >= '1' && c <= '9') {
        VeskColour(c - '0', false);
        return 2;
    }
    switch (c) {
    case '0':
        VeskColour(10, false);
        break;
    case '!':
        VeskColour(11, false);
        break;
    case '@':
        VeskColour(12, false);
        break;
    case '#':
        VeskColour(13, false);
        break;
    case '$':
        VeskColour(14, false);
        break;
    case '%':
        VeskColour(15, false);
        break;
    case '*':
        VeskColour(0, false);
        break;
    case 'b':
        VeskColour(4, true);
        break;
    case 'y':
        VeskColour(14, true);
        break;
    case 'c':
        DoorTextAttr(pcLightGrey);
        DoorClrScr();
        DoorWrite("\r\n\r\n");
        break;
    case 'd':
        DoorWrite("\b");
        break;
    case 'x':
        DoorWrite(" ");
        break;
    case '\\':
        DoorWrite("\r\n");
        break;
    case 'l':
        common::SleepMs(500);
        break;
    case 'w':
        common::SleepMs(100);
        break;
    case 'k':
        DoorWrite("`r0  `2<`0MORE`2>");
        DoorReadKey();
        DoorWrite("\b\b\b\b\b\b\b\b        \b\b\b\b\b\b\b\b");
        break;
    case '|':
        DoorWrite("|`w`d\\`w`d-`w`d/`w`d|`w`d\\`w`d-`w`d/`w`d|`w`d `d");
        break;
    case 'r':
        if (S.size() < 3) return 2;
        if (S[2] >= '0' && S[2] <= '7') DoorTextBackground(static_cast<uint8_t>(S[2] - '0'));
        return 3;
    default:
        break;
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
    if (DoorSession.DoIdleCheck && DoorSecondsIdle() > DoorSession.MaxIdle && DoorOnTimeOut)
        DoorOnTimeOut();
    if (DoorSession.DoIdleCheck) {
        const int32_t r = DoorSession.MaxIdle - DoorSecondsIdle();
        if (r % 60 == 1 && r / 60 <= 5 && DoorOnTimeOutWarning)
            DoorOnTimeOutWarning(static_cast<uint8_t>(r / 60));
    }
    if (DoorSecondsLeft() < 1 && DoorOnTimeUp) DoorOnTimeUp();
    const int32_t l = DoorSecondsLeft();
    if (l % 60 == 1 && l / 60 <= 5 && DoorOnTimeUpWarning)
        DoorOnTimeUpWarning(static_cast<uint8_t>(l / 60));
    DoorSession.EventsTime = DoorClockNow();
}

bool DoorKeyPressed() {
    DoorDoEvents();
    ReceiveKeys();
    return gKit.Keys.HasKey();
}

char DoorReadKey() {
    DoorLastKey.Location = lkNone;
    while (!DoorKeyPressed()) {
        int ms = MsToNextTick();
        if (LostAtOnce()) {
            if (DoorOnHangup) DoorOnHangup();
            ms = std::max(ms, 1); // a hook that returns leaves the wait idling until the next tick
        } else if (gKit.Keys.Pending()) {
            ms = static_cast<int>(std::clamp<int64_t>(
                gKit.SequenceMs + kEscapeWaitMs - common::MonotonicMs(), 0, ms));
        }
        Channel().Wait(false, ms);
    }
    const TKey key = gKit.Keys.TakeKey();
    DoorLastKey.Ch = key.Ch;
    DoorLastKey.Extended = key.Extended;
    DoorLastKey.Location = lkUser;
    DoorLastKey.Time = DoorClockNow();
    if (gKit.WarningShown) { // the caller is back: the warning goes
        gKit.WarningShown = false;
        DoorWrite(AnsiCursorSave() + "\x1b[0m" + AnsiGotoXY(1, 25) + AnsiClrEol() +
                  AnsiTextAttr(GetTextAttr()) + AnsiCursorRestore());
    }
    return key.Ch;
}

void DoorOpenStdChannel(TChannelKind AKind) {
    gKit.StdChannel.Close(false);
    gKit.StdChannel = TChannel::StdIO(common::Seams().StdIn, common::Seams().StdOut, AKind);
    gKit.StdChannel.Stalled = SendStalled;
    gKit.StdChosen = true;
}

void DoorCloseStdChannel() {
    gKit.StdChannel.Close(false);
}

void DoorWatchSocketSends() {
    CommChannel().Stalled = SendStalled;
}

TCharset DoorProbeCharset(int& AAnswerMs) {
    TChannel& channel = Channel();
    KeysOf(channel);
    const int64_t start = common::MonotonicMs();
    channel.SendAll(PROBE_REQUEST);
    TCharset charset = TCharset::cp437;
    std::string replies, other;
    AAnswerMs = -1;
    for (int64_t left = PROBE_WAIT_MS; left > 0;
         left = start + PROBE_WAIT_MS - common::MonotonicMs()) {
        if (channel.Wait(false, static_cast<int>(left)) == TWaitResult::Signal || HangupSignalled())
            break;
        char buf[256];
        const ssize_t n = channel.Receive(buf, sizeof buf);
        if (n < 0) break; // the caller has gone
        replies += gKit.Keys.Telnet({buf, static_cast<size_t>(n)});
        if (JudgeProbe(replies, charset, other)) {
            AAnswerMs = static_cast<int>(common::MonotonicMs() - start);
            break;
        }
    }
    int answers = 0;
    JudgeProbe(replies, charset, other, &answers);
    channel.SendAll(PROBE_CLEANUP);
    gKit.Keys.ExpectReports(2 - answers); // answers that come late are not keys
    gKit.Keys.SetUtf8(charset == TCharset::utf8);
    gKit.Keys.FeedText(other); // what the caller typed meanwhile
    return charset;
}

// ---- Default ending hooks -------------------------------------------------------------

void DefaultOnHangup() {
    gKit.Ending = true;
    SetTextAttr(pcWhite);
    ConsoleClrScr();
    ConsoleWriteLn();
    ConsoleWriteLn("   Caller Dropped Carrier.  Returning To BBS...");
    common::SleepMs(2500);
    Halt(0);
}

namespace {
void EndWithMessage(const std::string& AMessage) {
    gKit.Ending = true;
    DoorTextAttr(pcWhite);
    DoorClrScr();
    DoorWriteLn();
    DoorWriteLn(AMessage);
    common::SleepMs(2500);
    Halt(0);
}
} // namespace

void DefaultOnTimeOut() {
    EndWithMessage("  Idle Time Limit Exceeded.  Returning To BBS...");
}

namespace {
// AText centred on row 25 in white on red, columns 2 to 79 (the last column is never written,
// so the screen cannot scroll); cursor and colour are put back as they were.
void ShowWarning(const std::string& AText) {
    const uint8_t attr = GetTextAttr();
    std::string line(78, ' ');
    line.replace((line.size() - std::min(AText.size(), line.size())) / 2,
                 std::min(AText.size(), line.size()), AText);
    SetTextAttr(PcAttr(pcWhite, pcRed));
    DoorWrite(AnsiCursorSave() + "\x1b[0m" + AnsiGotoXY(2, 25) +
              AnsiTextAttr(PcAttr(pcWhite, pcRed)));
    const bool pipes = std::exchange(DoorSession.PipeWrite, false),
               vesk = std::exchange(DoorSession.VeskWrite, false);
    DoorWrite(line);
    DoorSession.PipeWrite = pipes, DoorSession.VeskWrite = vesk;
    SetTextAttr(attr);
    DoorWrite("\x1b[0m" + AnsiTextAttr(attr) + AnsiCursorRestore());
    gKit.WarningShown = true;
}
} // namespace

void DefaultOnTimeOutWarning(uint8_t AMinutes) {
    if (AMinutes == 1) ShowWarning("Still there? Press a key within a minute, or the door closes.");
}

void DefaultOnTimeUpWarning(uint8_t AMinutes) {
    if (AMinutes == 5 || AMinutes == 1)
        ShowWarning(AMinutes == 5 ? "Five minutes of your time are left."
                                  : "One minute of your time is left.");
}

void DefaultOnTimeUp() {
    EndWithMessage("  Your Time Has Expired.  Returning To BBS...");
}

// ---- Reset ---------------------------------------------------------------------------------

void DoorReset() {
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
    DoorOnLocalLogin = DefaultOnLocalLogin;
    DoorOnStatusBar = DefaultOnStatusBar;
    DoorOnSysopKey = nullptr;
    DoorOnTimeOut = DefaultOnTimeOut;
    DoorOnTimeOutWarning = DefaultOnTimeOutWarning;
    DoorOnTimeUp = DefaultOnTimeUp;
    DoorOnTimeUpWarning = DefaultOnTimeUpWarning;
    DoorOnUsage = DefaultOnUsage;
    gKit.StdChannel.Close(false);
    gKit = TDoorKit{};
    CommReset();
    ConsoleReset();
    SetTextAttr(pcLightGrey);
    ProcessReset();
    ScrReset();
    AnsiResetInterpreter();
}

} // namespace harbex
