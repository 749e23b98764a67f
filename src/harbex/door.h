// The door kit's session core: the process-wide records of the caller and the session,
// the replaceable event hooks, and the operations every screen uses to talk to the
// caller — DoorWrite with pipe codes, cursor/screen/colour operations, key input with
// cursor-key decoding, and the event pump that ends the session on carrier loss, idle
// time-out or time-up.
//
// Promises:
// - Everything here has its default from program start (constant initialisation), before
//   any code runs; DoorStartup (start-up module) fills the records.
// - Every byte for the caller goes through DoorWrite: to standard output in standard-I/O
//   mode, else through the comm channel. A caller who is gone never kills the process: a
//   failed write marks the carrier lost and the hang-up path runs at the next key wait.
// - Key waits block in poll() on the channel and the hang-up wake descriptor (no busy loop)
//   and run the pump at least and at most once a second while they last. Output that waits
//   for a caller who stopped reading waits the same way: a hang-up signal, the idle limit or
//   the time limit ends the session from there (a farewell that cannot be sent is dropped).
// - Keys come from one decoder (keydecoder.h) whatever the channel.
// - The caller's terminal shows code page 437 or UTF-8 (DoorSession.Charset): for a UTF-8
//   terminal every byte of text DoorWrite sends is translated to the character code page 437
//   shows for it, and the caller's UTF-8 comes back as code page 437 keys (charset.h). The
//   door itself only ever sees code page 437.
// - Session time stamps (DoorSession.TimeOn, EventsTime, DoorLastKey.Time) are taken with
//   DoorClockNow(), a date-time that advances with the monotonic clock (common/seams.h);
//   wall-clock jumps never end or extend a session.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/datetime.h"
#include "harbex/channel.h"
#include "harbex/charset.h"
#include "harbex/keydecoder.h"
#include "harbex/process.h"

namespace harbex {

using common::TDateTime;

// ---- Records ---------------------------------------------------------------

enum TDoorEmulationType : int32_t { etANSI = 0, etASCII = 1 };

// The caller as the BBS describes it.
struct TDoorDropInfo {
    int32_t Access = 0;
    std::string Alias;
    std::string AliasOrRealName; // Alias, or RealName when the alias is empty
    int32_t Baud = 0;
    bool Clean = false;
    int32_t ComNum = 0;  // socket descriptor; -1 selects standard I/O
    uint8_t ComType = 0; // 0 local, 1 serial/other, 2 telnet socket, 3 "WC5"
    TDoorEmulationType Emulation = etANSI;
    bool Fairy = false;
    int32_t MaxSeconds = 3600;
    int32_t Node = 0;
    std::string RealName;
    std::string RealNameOrAlias; // RealName, or Alias when the real name is empty
    int32_t RecPos = 0;
    bool Registered = false;
};

// The running session.
struct TDoorSession {
    bool DoIdleCheck = true;
    bool Events = false;                // the event pump runs; true once the comm channel is open
    TDateTime EventsTime = 0;           // when the pump last did its work
    int32_t MaxIdle = 300;              // seconds
    bool PipeWrite = true;              // DoorWrite interprets pipe codes
    bool VeskWrite = false;             // DoorWrite interprets grave-accent codes
    TDateTime TimeOn = 0;               // start of the session
    TCharset Charset = TCharset::cp437; // what the caller's terminal shows
};

enum TDoorLastKeyType : int32_t { lkNone = 0, lkSysop = 1, lkUser = 2 };

// The last key read by DoorReadKey.
struct TDoorLastKey {
    char Ch = 0;           // the key; for an extended key its scan code
    bool Extended = false; // cursor key given by its scan code
    TDoorLastKeyType Location = lkNone;
    TDateTime Time = 0; // when it was read: start of the idle interval
};

// Paging prompt texts, exported for door programs (the kit reads none of them).
struct TDoorMorePrompts {
    std::string ASCII = " <MORE>";
    std::string ANSI = " |0A<|02MORE|0A>";
    int32_t ANSITextLength = 7;
};

// Extended key codes (PC scan codes) for the cursor keys; all of them in keydecoder.h.
constexpr char KEY_UP = scUp;       // 'H'
constexpr char KEY_DOWN = scDown;   // 'P'
constexpr char KEY_RIGHT = scRight; // 'M'
constexpr char KEY_LEFT = scLeft;   // 'K'

// ---- Module state ------------------------------------------------------------

extern TDoorDropInfo DoorDropInfo;
extern TDoorSession DoorSession;
extern TDoorLastKey DoorLastKey;
extern std::string DoorProgramNameAndVersion;       // "Harbex v13.09.02"
extern int32_t DoorLiteBarIndex;                    // 0
extern std::vector<std::string> DoorLiteBarOptions; // empty; DoorShutdown clears it
extern TDoorMorePrompts DoorMorePrompts;
extern bool StdIO;            // true: talk through standard I/O
extern bool DisplayingSixel;  // true only while a Sixel file is sent
extern TExitProc OldExitProc; // kept while the kit's exit procedure is in

// ---- Event hooks -------------------------------------------------------------
// Plain procedure pointers; nullptr means "none" and the call is skipped.

using TDoorOnCLP = void (*)(char AKey, const std::string& AValue);
using TDoorProc = void (*)();
using TDoorOnSysopKey = bool (*)(char AKey);
using TDoorOnWarning = void (*)(uint8_t AMinutes);

extern TDoorOnCLP DoorOnCLP;                // none
extern TDoorProc DoorOnHangup;              // DefaultOnHangup
extern TDoorProc DoorOnLocalLogin;          // DefaultOnLocalLogin (start-up module)
extern TDoorProc DoorOnStatusBar;           // DefaultOnStatusBar (local screen tools)
extern TDoorOnSysopKey DoorOnSysopKey;      // none
extern TDoorProc DoorOnTimeOut;             // DefaultOnTimeOut
extern TDoorOnWarning DoorOnTimeOutWarning; // DefaultOnTimeOutWarning
extern TDoorProc DoorOnTimeUp;              // DefaultOnTimeUp
extern TDoorOnWarning DoorOnTimeUpWarning;  // DefaultOnTimeUpWarning
extern TDoorProc DoorOnUsage;               // DefaultOnUsage (start-up module)

// Default ending hooks: farewell, 2500 ms pause, Halt(0).
// DefaultOnHangup writes only to the local console (the caller is gone);
// DefaultOnTimeOut / DefaultOnTimeUp write to the caller through DoorWrite.
void DefaultOnHangup();
void DefaultOnTimeOut();
void DefaultOnTimeUp();
// Default warnings, on the caller's bottom row (25) without disturbing the screen above it, the
// cursor or the colour in force: one minute before the idle limit, and at five minutes and one
// minute of time left. The next key the caller presses clears the row again.
void DefaultOnTimeOutWarning(uint8_t AMinutes);
void DefaultOnTimeUpWarning(uint8_t AMinutes);
// Draws the local status bar on row 25 of the local screen only (name, program, idle and
// time left); nothing goes to the caller. Defined with the screen tools (videoutils).
void DefaultOnStatusBar();

// ---- Session queries ---------------------------------------------------------

bool DoorStdIO(); // the StdIO flag
// True in standard-I/O mode while input and output work and no hang-up signal came;
// in socket mode CommCarrier() (and no hang-up signal).
bool DoorCarrier();

// The session clock (see the header comment).
TDateTime DoorClockNow();
// Whole seconds between two date-times, without sign, truncated.
int32_t DoorSecondsBetween(TDateTime A, TDateTime B);
int32_t DoorSecondsIdle(); // since DoorLastKey.Time
int32_t DoorSecondsLeft(); // DoorDropInfo.MaxSeconds - seconds since DoorSession.TimeOn

// ---- Output --------------------------------------------------------------------

// Writes AText with pipe-code translation (when DoorSession.PipeWrite) to the caller.
void DoorWrite(const std::string& AText);
void DoorWriteLn();                         // "\r\n"
void DoorWriteLn(const std::string& AText); // AText + "\r\n", translated as one text
// Moves to the column centring AText on 80 columns (same row) and writes it.
void DoorWriteCentered(const std::string& AText);

void DoorClrScr();
void DoorClrEol();
void DoorCursorUp(uint8_t ACount);
void DoorCursorDown(uint8_t ACount);
void DoorCursorRight(uint8_t ACount);
void DoorCursorLeft(uint8_t ACount);
void DoorCursorSave();
void DoorCursorRestore();
void DoorGotoXY(uint8_t AX, uint8_t AY);
void DoorGotoX(uint8_t AX);
void DoorGotoY(uint8_t AY);

// Colour: update the tracked attribute (crt2), then send the sequence. An attribute with the
// blink bit blinks; the next one without it ends the blinking.
void DoorTextAttr(uint8_t AAttr);
void DoorTextColour(uint8_t AColour);
void DoorTextBackground(uint8_t AColour);
void DoorTextColourAndBlink(uint8_t AColour, bool ABlink);

// ---- Key input and the event pump ---------------------------------------------

// Runs the pump, then tells whether a key is waiting. Never waits; leaves DoorLastKey.
bool DoorKeyPressed();
// Waits for one key (extended keys decoded to their scan codes, DoorLastKey.Extended set),
// records it in DoorLastKey and returns it. A lone ESC is the key 27 after half a second.
char DoorReadKey();
// The event pump: at most once a second checks carrier, idle and time limits and calls
// the hooks. Does nothing while DoorSession.Events is false.
void DoorDoEvents();

} // namespace harbex

namespace harbex {

// ---- The channel and the kit's state ---------------------------------------------------
// Chooses standard I/O (common::Seams().StdIn / StdOut) as the channel of a standard-I/O
// session (AKind StdIO) or of local mode (AKind Local); start-up calls it once.
void DoorOpenStdChannel(TChannelKind AKind);
// Gives the standard-I/O channel's terminal back (DoorShutdown); later output is dropped.
void DoorCloseStdChannel();
// Output on the comm channel waits for a caller who stops reading as DoorWrite does: a
// hang-up signal, the idle limit or the time limit ends the session from there.
void DoorWatchSocketSends();
// Asks the caller's terminal which character set it shows (charset.h: a cursor-position
// request, a test character, a second request) and waits at most PROBE_WAIT_MS for both
// answers; no answer means code page 437. The probe's traces are erased from the line it was
// sent on. Keys the caller typed meanwhile are kept. Returns the set judged and how long the
// answers took (-1: they did not come).
TCharset DoorProbeCharset(int& AAnswerMs);
constexpr int PROBE_WAIT_MS = 1000;
// Back to the state of program start: the records and hooks above, the channel and key
// decoder, the tracked attribute, the comm channel, the local screen and the process state.
// The seams (common/seams.h) are reset apart.
void DoorReset();

} // namespace harbex
