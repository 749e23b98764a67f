// The comm channel: the caller's telnet socket inherited from the BBS.
//
// Sends are blocking and complete (retried until every byte is taken or the peer is
// gone); a failed send marks the carrier lost, never raises SIGPIPE. Receives never
// block: CommCharAvail polls with a zero timeout, receives at most 1024 bytes, removes
// telnet commands (IAC IAC is one data byte 255; negotiations and sub-negotiations are
// consumed silently, also when split across receives) and folds line ends within each
// receive (CR LF -> CR, CR NUL -> CR, LF -> CR). The carrier, once lost, stays lost;
// CommPeekChar/CommReadChar on an empty buffer then return 0 at once.
#pragma once

#include <cstdint>
#include <string>

namespace harbex {

constexpr uint8_t IAC = 255;
constexpr uint8_t WILL = 251;
constexpr uint8_t WONT = 252;
constexpr uint8_t DO = 253;
constexpr uint8_t DONT = 254;
constexpr uint8_t SB = 250;
constexpr uint8_t SE = 240;
constexpr uint8_t OPT_BINARY = 0;
constexpr uint8_t OPT_ECHO = 1;
constexpr uint8_t OPT_SGA = 3;

// Telnet receive filter: a pure state machine, bytes in, data bytes out; its state
// carries a command split across two receives.
class TTelnetFilter {
  public:
    std::string Feed(const std::string& AIn);
    void Reset() { FState = sData; }

  private:
    enum TState { sData, sIAC, sOption, sSub, sSubIAC };
    TState FState = sData;
};

// Line-end folding of one received block: CR LF -> CR, then CR NUL -> CR, then LF -> CR.
std::string FoldLineEnds(const std::string& AIn);

// Opens the channel on a connected descriptor: makes it blocking, then sends
// IAC WILL BINARY, IAC WILL ECHO, IAC WILL SGA (255 251 0 255 251 1 255 251 3).
void CommOpen(int32_t ACommNumber);
// Closes the descriptor (shutting it down both ways first when ADisconnect). Idempotent;
// sends on a closed channel are dropped.
void CommClose(bool ADisconnect);
bool CommCarrier();
// The descriptor in use, -1 when closed.
int32_t CommHandle();
// Is a received byte waiting? Receives once when the buffer is empty; never waits.
bool CommCharAvail();
// First buffered byte (kept / removed); waits briefly for one when the buffer is empty and
// the carrier is up; 0 when none can come.
char CommPeekChar();
char CommReadChar();
// Telnet-escaped send: every 255 doubled.
void CommWrite(const std::string& AText);
void CommWriteRaw(const std::string& AText);
void CommWriteBlock(const void* ABlock, int32_t ABlockLen);
void CommFlushOutBuffer();
void CommPurgeOutBuffer();
void CommSetBaud(int32_t ABaud);

// Back to the initial state (closed, carrier true, buffer empty); for tests.
void CommReset();

} // namespace harbex
