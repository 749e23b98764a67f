// The fuzz targets' shared driver: a failed property aborts with its place (libFuzzer then keeps
// the input as a crash), inputs as byte strings, and files in a private scratch directory.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#define FUZZ_CHECK(c)                                                                              \
    ((c) ? (void)0                                                                                 \
         : (std::fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #c), std::abort()))
namespace fuzz {
inline std::string Bytes(const uint8_t* AData, size_t ASize) {
    return {reinterpret_cast<const char*>(AData), ASize};
}
// Changes into a fresh directory (on /dev/shm when it is there), removed when the run ends.
inline void EnterScratchDir() {
    static std::string dir;
    if (!dir.empty()) return;
    dir = std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
          "/pinmarch-fuzz-XXXXXX";
    FUZZ_CHECK(::mkdtemp(dir.data()) && ::chdir(dir.c_str()) == 0);
    std::atexit([] {
        std::error_code e;
        std::filesystem::remove_all(dir, e);
    });
}
inline void WriteFile(const std::string& AName, const std::string& AText) {
    std::ofstream(AName, std::ios::binary) << AText;
}
inline std::string ReadFile(const std::string& AName) {
    return (std::ostringstream() << std::ifstream(AName, std::ios::binary).rdbuf()).str();
}
} // namespace fuzz
