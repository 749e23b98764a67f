// Temporary directories and files for the kit's tests.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace testing_files {

// A fresh directory under the system's temporary directory, removed with its
// contents when the object goes.
class TTempDir {
  public:
    TTempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "pmtestXXXXXX").string();
        if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
        FPath = tmpl;
    }
    ~TTempDir() {
        std::error_code ec;
        std::filesystem::remove_all(FPath, ec);
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::string& Path() const { return FPath; }

    // Writes AText (bytes as given) to AName in the directory; returns the full path.
    std::string Write(const std::string& AName, const std::string& AText) const {
        const std::string path = FPath + "/" + AName;
        std::ofstream f(path, std::ios::binary | std::ios::trunc);
        f.write(AText.data(), static_cast<std::streamsize>(AText.size()));
        if (!f) throw std::runtime_error("cannot write " + path);
        return path;
    }

  private:
    std::string FPath;
};

} // namespace testing_files
