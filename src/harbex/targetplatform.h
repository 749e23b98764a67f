// Build target constants: which platform this build of the kit is for, as shown in the
// main menu's footer. Constant answers of the build; nothing here changes at run time.
#pragma once

#include <cstdint>
#include <string>

namespace harbex {

enum TTargetPlatform : int32_t {
    tpUnknown = 0,
    tpWin32 = 1,
    tpWin64 = 2,
    tpLinux = 3,
    tpRPI = 4,
    tpMSDOS = 5,
};

extern const TTargetPlatform Target;       // tpRPI
extern const std::string TargetOSName;     // "Raspberry Pi (Linux on ARM)"
extern const std::string TargetOSTag;      // "RPI"

bool IsWindows();      // false
bool IsLinux();        // true
bool IsRaspberryPi();  // true
bool IsMSDOS();        // false

// "Compiled for " + TargetOSName + " (" + TargetOSTag + ")".
std::string BuildInfo();

} // namespace harbex
