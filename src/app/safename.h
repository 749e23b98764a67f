// Showing player names safely. A name is whatever bytes the board passed, and other callers
// see it on their screens and in the bulletins, so before it is shown every control byte
// (0-31 and 127) becomes "?", one for one so columns keep their widths, and it is written
// with the door's inline colour codes switched off, so "|0C" in a name is three characters
// and not a colour. Stored names are never changed.
#pragma once

#include <string>

namespace kegora {

// AName with each byte 0-31 and 127 replaced by "?".
std::string SafeName(const std::string& AName);

// AName made safe, followed by spaces and cut to exactly AWidth characters.
std::string NameColumn(const std::string& AName, int AWidth);

// Writes AText to the caller byte for byte: pipe and grave-accent codes are not interpreted.
void DoorWriteLiteral(const std::string& AText);

// True when a name as the play log stores it (its first 40 bytes) belongs to APlayer; the
// store matches names the same way.
bool IsPlayersName(const std::string& AStoredName, const std::string& APlayer);

} // namespace kegora
