#include "app/safename.h"

#include "harbex/door.h"
#include "records/dailyplay.h"

namespace kegora {

std::string SafeName(const std::string& AName) {
    std::string safe = AName;
    for (char& c : safe) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 32 || b == 127) c = '?';
    }
    return safe;
}

std::string NameColumn(const std::string& AName, int AWidth) {
    if (AWidth <= 0) return {};
    const auto width = static_cast<std::size_t>(AWidth);
    std::string column = SafeName(AName.substr(0, width));
    column.resize(width, ' ');
    return column;
}

void DoorWriteLiteral(const std::string& AText) {
    const bool pipes = harbex::DoorSession.PipeWrite;
    const bool vesk = harbex::DoorSession.VeskWrite;
    harbex::DoorSession.PipeWrite = false;
    harbex::DoorSession.VeskWrite = false;
    try {
        harbex::DoorWrite(AText);
    } catch (...) {
        harbex::DoorSession.PipeWrite = pipes;
        harbex::DoorSession.VeskWrite = vesk;
        throw;
    }
    harbex::DoorSession.PipeWrite = pipes;
    harbex::DoorSession.VeskWrite = vesk;
}

bool IsPlayersName(const std::string& AStoredName, const std::string& APlayer) {
    return AStoredName == APlayer.substr(0, records::MAX_PLAYER_NAME);
}

} // namespace kegora
