// What the socket launcher and the pty relay both need to start a door: a monotonic clock for
// their deadlines, and the environment that runs the door under the clock library at a pinned
// "now".
#pragma once

#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

namespace e2e {

inline long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

inline std::string FindFakeTimeLibrary() {
  for (const char* dir : {"/usr/lib/x86_64-linux-gnu/faketime", "/usr/lib/aarch64-linux-gnu/faketime",
                          "/usr/lib/arm-linux-gnueabihf/faketime", "/usr/lib/faketime",
                          "/usr/local/lib/faketime"}) {
    const std::string path = std::string(dir) + "/libfaketime.so.1";
    if (access(path.c_str(), R_OK) == 0) return path;
  }
  throw std::runtime_error("libfaketime not found: install the Debian package faketime");
}

// Adds the variables that pin the door's clock at AFakeTime (seconds since 1970, as text);
// nothing when AFakeTime is empty.
inline void AddFakeClock(std::vector<std::string>& AEnv, const std::string& AFakeTime) {
  if (AFakeTime.empty()) return;
  AEnv.push_back("LD_PRELOAD=" + FindFakeTimeLibrary());
  AEnv.push_back("FAKETIME=@" + AFakeTime);
  AEnv.push_back("DONT_FAKE_MONOTONIC=1");
  AEnv.push_back("FAKETIME_NO_CACHE=1");
  // A sanitizer build must accept the clock library loaded ahead of its runtime.
  AEnv.push_back("ASAN_OPTIONS=verify_asan_link_order=0");
}

}  // namespace e2e
