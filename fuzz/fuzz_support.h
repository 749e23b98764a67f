// Helpers shared by the fuzz targets: a failed property aborts with a message (libFuzzer
// then keeps the input as a crash), in-memory files with a path, a private scratch
// directory on a memory file system.
#pragma once

#include <dirent.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

[[noreturn]] inline void Fail(const char* AFile, int ALine, const char* AWhat) {
    std::fprintf(stderr, "property failed at %s:%d: %s\n", AFile, ALine, AWhat);
    std::fflush(stderr);
    std::abort();
}

#define FUZZ_CHECK(cond) \
    do { \
        if (!(cond)) ::fuzz::Fail(__FILE__, __LINE__, #cond); \
    } while (0)

inline std::string Bytes(const uint8_t* AData, size_t ASize) {
    return std::string(reinterpret_cast<const char*>(AData), ASize);
}

// A regular file held in memory, reachable by a path (/proc/self/fd/N), rewritten per input.
class MemFile {
  public:
    MemFile() {
        FFd = ::memfd_create("fuzz", 0);
        if (FFd < 0) Fail(__FILE__, __LINE__, "memfd_create");
        FPath = "/proc/self/fd/" + std::to_string(FFd);
    }
    void Set(const std::string& AContent) {
        if (::ftruncate(FFd, 0) != 0) Fail(__FILE__, __LINE__, "ftruncate");
        if (!AContent.empty() &&
            ::pwrite(FFd, AContent.data(), AContent.size(), 0) != static_cast<ssize_t>(AContent.size()))
            Fail(__FILE__, __LINE__, "pwrite");
    }
    const std::string& Path() const { return FPath; }

  private:
    int FFd = -1;
    std::string FPath;
};

// Changes into a fresh directory (on /dev/shm when it is there) for the whole run.
inline void EnterScratchDir() {
    static bool done = false;
    if (done) return;
    done = true;
    std::string base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string templ = base + "/pinmarch-fuzz-XXXXXX";
    if (::mkdtemp(templ.data()) == nullptr || ::chdir(templ.c_str()) != 0)
        Fail(__FILE__, __LINE__, "scratch directory");
    // Removed at exit with everything in it.
    static std::string dir = templ;
    std::atexit([] {
        if (DIR* d = ::opendir(".")) {
            while (dirent* e = ::readdir(d))
                if (e->d_name[0] != '.') ::unlink(e->d_name);
            ::closedir(d);
        }
        if (::chdir("/") == 0) ::rmdir(dir.c_str());
    });
}

inline void WriteFile(const char* AName, const std::string& AContent) {
    FILE* f = std::fopen(AName, "wb");
    if (!f) Fail(__FILE__, __LINE__, "fopen");
    if (!AContent.empty() && std::fwrite(AContent.data(), 1, AContent.size(), f) != AContent.size())
        Fail(__FILE__, __LINE__, "fwrite");
    std::fclose(f);
}

}  // namespace fuzz
