// A scratch directory for one test: made fresh under $TMPDIR (or /tmp), removed with its
// contents when the test passed, kept and named on standard error when it failed. Optionally
// the current directory while it lives, since the door and its store work in the current
// directory.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace support {

// The bytes of a file; empty when it cannot be read.
inline std::string ReadFile(const std::string& APath) {
    std::ifstream f(APath, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

class ScratchDir {
  public:
    explicit ScratchDir(bool AEnter = false) {
        const char* tmp = std::getenv("TMPDIR");
        std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/pinmarch-XXXXXX";
        if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp: " + tmpl);
        FPath = tmpl;
        if (AEnter) {
            FOld = std::filesystem::current_path();
            std::filesystem::current_path(FPath);
        }
    }
    ~ScratchDir() {
        std::error_code ec;
        if (!FOld.empty()) std::filesystem::current_path(FOld, ec);
        if (::testing::Test::HasFailure()) {
            std::fprintf(stderr, "kept for inspection: %s\n", FPath.c_str());
            return;
        }
        // Directories a test made read-only must be writable again to be removed.
        for (auto it = std::filesystem::recursive_directory_iterator(FPath, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
            if (it->is_directory(ec))
                std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::add, ec);
        std::filesystem::permissions(FPath, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(FPath, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& Path() const { return FPath; }
    std::string File(const std::string& AName) const { return FPath + "/" + AName; }

    // Writes the bytes to AName in the directory; returns the full path.
    std::string Write(const std::string& AName, const std::string& ABytes) const {
        const std::string path = File(AName);
        std::ofstream f(path, std::ios::binary | std::ios::trunc);
        f.write(ABytes.data(), static_cast<std::streamsize>(ABytes.size()));
        if (!f) throw std::runtime_error("cannot write " + path);
        return path;
    }
    // The bytes of AName; empty when it is missing.
    std::string Read(const std::string& AName) const { return ReadFile(File(AName)); }
    bool Exists(const std::string& AName) const { return std::filesystem::exists(File(AName)); }

  private:
    std::string FPath;
    std::filesystem::path FOld;
};

} // namespace support
