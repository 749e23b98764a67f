// The comm channel: the caller's telnet socket inherited from the BBS, as a byte interface
// for door programs (the door's own key reader decodes the same channel into keys).
//
// Sends are complete: the door waits for room (and ends the session from there when a
// hang-up signal comes or a limit passes, see TChannel::SendAll); a send that fails marks the
// carrier lost and never raises SIGPIPE. Receives never block: CommCharAvail receives at most
// 1024 bytes when its buffer is empty, removes telnet commands and folds line ends, also
// across receives (CR LF, CR NUL, CR and LF each become one CR). The carrier, once lost,
// stays lost; CommPeekChar/CommReadChar on an empty buffer return 0.
#pragma once

#include <cstdint>
#include <string>

#include "harbex/channel.h"

namespace harbex {

constexpr uint8_t IAC = 255;
constexpr uint8_t WILL = 251;
constexpr uint8_t OPT_BINARY = 0;
constexpr uint8_t OPT_ECHO = 1;
constexpr uint8_t OPT_SGA = 3;

// Opens the channel on a connected descriptor: makes it blocking, then sends
// IAC WILL BINARY, IAC WILL ECHO, IAC WILL SGA (255 251 0 255 251 1 255 251 3).
void CommOpen(int32_t ACommNumber);
// Closes the descriptor (shutting it down both ways first when ADisconnect). Idempotent;
// sends on a closed channel are dropped.
void CommClose(bool ADisconnect);
bool CommCarrier();
// The socket channel itself.
TChannel& CommChannel();
// Is a received byte waiting? Receives once when the buffer is empty; never waits.
bool CommCharAvail();
// First buffered byte (kept / removed); 0 when none is there.
char CommPeekChar();
char CommReadChar();
// Telnet-escaped send: every 255 doubled.
void CommWrite(const std::string& AText);
void CommWriteRaw(const std::string& AText);
void CommWriteBlock(const void* ABlock, int32_t ABlockLen);
void CommFlushOutBuffer();
void CommPurgeOutBuffer();
void CommSetBaud(int32_t ABaud);

// Back to the initial state (closed, carrier true, buffer empty).
void CommReset();

} // namespace harbex
