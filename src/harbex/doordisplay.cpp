#include "harbex/doordisplay.h"

#include <cerrno>
#include <cstring>

#include "harbex/door.h"
#include "harbex/dropfiles.h"

namespace harbex {

namespace {

// The reason shown to the caller for a file that could not be read.
std::string ErrorText(int AErrno, bool ANotRegular) {
    if (ANotRegular && AErrno != EISDIR) return "Not a regular file";
    switch (AErrno) {
    case ENOENT:
        return "File not found";
    case ENOTDIR:
        return "Path not found";
    case EACCES:
    case EPERM:
        return "Access denied";
    default:
        return std::strerror(AErrno);
    }
}

} // namespace

void DoorDisplayFile(const std::string& AFileName) {
    TTextLineReader file(AFileName, std::string::npos, std::string::npos);
    bool lineOpen = false; // something was sent since the last line end
    if (file.IsOpen()) {
        while (!file.AtEnd()) {
            const std::string line = file.ReadLine();
            DoorWrite(line);
            lineOpen = !line.empty();
            if (!file.AtEnd()) {
                DoorWriteLn();
                lineOpen = false;
            }
        }
    }
    if (file.Error() != 0) {
        if (lineOpen) DoorWriteLn();
        DoorWriteLn("Error reading \"" + AFileName +
                    "\": " + ErrorText(file.Error(), file.NotRegularFile()));
        DoorWriteLn("Hit a key to continue");
        DoorReadKey();
    }
}

void DoorDisplaySixel(const std::string& AFileName) {
    struct TSixelScope {
        TSixelScope() { DisplayingSixel = true; }
        ~TSixelScope() { DisplayingSixel = false; }
    } scope;
    DoorDisplayFile(AFileName);
}

} // namespace harbex
