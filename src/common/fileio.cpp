#include "common/fileio.h"

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace common {

namespace {

std::string DirectoryOf(const std::string& APath) {
    const size_t slash = APath.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : APath.substr(0, slash);
}

// Syncs the directory so a rename or link in it survives a crash. File systems that cannot
// sync a directory (EINVAL) are fine.
int SyncDirectory(const std::string& APath) {
    const UniqueFd dir(::open(DirectoryOf(APath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir) return errno;
    if (::fsync(dir.Get()) != 0 && errno != EINVAL && errno != EROFS) return errno;
    return 0;
}

// A new temporary file beside APath holding AData, synced. Sets ATemp; 0 or errno.
int WriteTemporary(const std::string& APath, std::string_view AData, mode_t AMode,
                   std::string& ATemp) {
    std::string name = APath + ".XXXXXX";
    UniqueFd fd(::mkostemp(name.data(), O_CLOEXEC));
    if (!fd) return errno;
    ATemp = name;
    int err = ::fchmod(fd.Get(), AMode) != 0 ? errno : 0;
    if (err == 0) err = WriteFull(fd.Get(), AData);
    if (err == 0 && ::fsync(fd.Get()) != 0 && errno != EINVAL && errno != EROFS) err = errno;
    const int closed = fd.Reset();
    return err != 0 ? err : closed;
}

// The permission bits a new file gets: 0666 less the process's umask.
mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

int UniqueFd::Reset(int AFd) {
    const int old = std::exchange(FFd, AFd);
    if (old >= 0 && ::close(old) != 0 && errno != EINTR) return errno;
    return 0;
}

int WriteFull(int AFd, std::string_view AData) {
    while (!AData.empty()) {
        const ssize_t n = ::write(AFd, AData.data(), AData.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return ENOSPC;
        AData.remove_prefix(static_cast<size_t>(n));
    }
    return 0;
}

TAtomicFile::~TAtomicFile() {
    if (!FTemp.empty()) ::unlink(FTemp.c_str());
}

int TAtomicFile::Write(std::string_view AData) {
    if (!FTemp.empty()) ::unlink(FTemp.c_str()), FTemp.clear();
    struct stat old {};
    const mode_t mode = ::stat(FPath.c_str(), &old) == 0 ? (old.st_mode & 07777) : NewFileMode();
    return WriteTemporary(FPath, AData, mode, FTemp);
}

int TAtomicFile::Commit() {
    if (FTemp.empty()) return EINVAL;
    if (::rename(FTemp.c_str(), FPath.c_str()) != 0) return errno;
    FTemp.clear();
    return SyncDirectory(FPath);
}

int AtomicReplace(const std::string& APath, std::string_view AData) {
    TAtomicFile file(APath);
    const int err = file.Write(AData);
    return err != 0 ? err : file.Commit();
}

int PublishOnce(const std::string& APath, std::string_view AData) {
    std::string temp;
    const int err = WriteTemporary(APath, AData, NewFileMode(), temp);
    const ScopeGuard removeTemp([&] {
        if (!temp.empty()) ::unlink(temp.c_str());
    });
    if (err != 0) return err;
    if (::link(temp.c_str(), APath.c_str()) != 0) return errno;
    return SyncDirectory(APath);
}

} // namespace common
