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

extern const TTargetPlatform Target;   // tpRPI on ARM, tpLinux elsewhere
extern const std::string TargetOSName; // "Linux on x86-64", "Linux on 64-bit ARM", ...
extern const std::string TargetOSTag;  // the Debian architecture: "amd64", "arm64", "armhf"

bool IsWindows();     // false
bool IsLinux();       // true
bool IsRaspberryPi(); // true for ARM builds
bool IsMSDOS();       // false

// "Compiled for " + TargetOSName + " (" + TargetOSTag + ")", for example
// "Compiled for Linux on x86-64 (amd64)".
std::string BuildInfo();

} // namespace harbex
