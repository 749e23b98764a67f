#include "harbex/targetplatform.h"

namespace harbex {

// The processor this build is for, as Debian names its architectures; ARM builds are the ones
// a Raspberry Pi runs.
#if defined(__x86_64__)
#define PINMARCH_CPU "x86-64", "amd64"
#elif defined(__aarch64__)
#define PINMARCH_CPU "64-bit ARM", "arm64"
#elif defined(__arm__)
#define PINMARCH_CPU "32-bit ARM", "armhf"
#elif defined(__i386__)
#define PINMARCH_CPU "x86", "i386"
#elif defined(__riscv)
#define PINMARCH_CPU "RISC-V", "riscv64"
#else
#define PINMARCH_CPU "an unknown processor", "unknown"
#endif

namespace {
constexpr const char* kCpu[2] = {PINMARCH_CPU};
constexpr bool kArm = kCpu[1][0] == 'a' && kCpu[1][1] == 'r';
} // namespace

const TTargetPlatform Target = kArm ? tpRPI : tpLinux;
const std::string TargetOSName = std::string("Linux on ") + kCpu[0];
const std::string TargetOSTag = kCpu[1];

bool IsWindows() {
    return false;
}
bool IsLinux() {
    return true;
}
bool IsRaspberryPi() {
    return Target == tpRPI;
}
bool IsMSDOS() {
    return false;
}

std::string BuildInfo() {
    return "Compiled for " + TargetOSName + " (" + TargetOSTag + ")";
}

} // namespace harbex
