#include "harbex/targetplatform.h"

namespace harbex {

const TTargetPlatform Target = tpRPI;
const std::string TargetOSName = "Raspberry Pi (Linux on ARM)";
const std::string TargetOSTag = "RPI";

bool IsWindows() { return false; }
bool IsLinux() { return true; }
bool IsRaspberryPi() { return true; }
bool IsMSDOS() { return false; }

std::string BuildInfo() { return "Compiled for " + TargetOSName + " (" + TargetOSTag + ")"; }

} // namespace harbex
