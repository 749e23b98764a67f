// Drop-file readers. A board writes a drop file before it launches the door: one
// value per line describing the caller and the connection. One reader per format
// (DOOR32.SYS, DOOR.SYS, DORINFO*.DEF, INFO.*), each storing what it understands
// in DoorDropInfo and leaving every other field alone.
//
// Promises:
// - A path that cannot be opened, or that names anything but a regular file (a
//   directory, a FIFO, a device), changes nothing; opening never blocks.
// - Lines end at LF, CR LF or a lone CR; the terminator is not part of the value.
// - Lines past the end of the file read as empty, so every field of a short file
//   takes its reader's default. Malformed values take their defaults too.
// - Hostile files are bounded: at most kDropLineMax bytes of a line are kept (the
//   rest of that line is skipped) and at most kDropFileMax bytes are read in all;
//   whatever lies beyond reads as end of file.
#pragma once

#include <cstddef>
#include <string>

#include "harbex/door.h"

namespace harbex {

constexpr std::size_t kDropLineMax = 4096;
constexpr std::size_t kDropFileMax = 1024 * 1024;

void ReadDoor32(const std::string& AFileName);
void ReadDoorSys(const std::string& AFileName);
void ReadDorinfo(const std::string& AFileName);
void ReadLordInfo(const std::string& AFileName);

// The same readers on any record (DoorDropInfo is what the four above fill).
// They return false, leaving AInfo untouched, when the file cannot be read.
bool ReadDoor32Into(const std::string& AFileName, TDoorDropInfo& AInfo);
bool ReadDoorSysInto(const std::string& AFileName, TDoorDropInfo& AInfo);
bool ReadDorinfoInto(const std::string& AFileName, TDoorDropInfo& AInfo);
bool ReadLordInfoInto(const std::string& AFileName, TDoorDropInfo& AInfo);

// A text file read line by line with the limits above. Opens without blocking and
// accepts regular files only.
class TTextLineReader {
  public:
    TTextLineReader(const std::string& AFileName, std::size_t ALineMax, std::size_t AFileMax);
    ~TTextLineReader();
    TTextLineReader(const TTextLineReader&) = delete;
    TTextLineReader& operator=(const TTextLineReader&) = delete;

    // False when the file could not be opened or is not a regular file; Error()
    // then holds the errno value.
    bool IsOpen() const { return FFd >= 0; }
    int Error() const { return FError; }
    // The path exists but names a directory, FIFO, device or socket.
    bool NotRegularFile() const { return FNotRegular; }
    // True once no further line can be read (end of file, read limit or read error).
    bool AtEnd();
    // The next line without its terminator; an empty text at the end.
    std::string ReadLine();

  private:
    bool Fill();    // reads more bytes into FBuffer; false at end, limit or error
    int PeekByte(); // next byte or -1 at the end

    int FFd = -1;
    int FError = 0;
    std::size_t FLineMax;
    std::size_t FFileMax;
    std::size_t FTotal = 0;
    bool FEof = false;
    bool FNotRegular = false;
    std::string FBuffer;
    std::size_t FPos = 0;
};

} // namespace harbex
