#include "records/playlog.h"

#include "common/fileio.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace records {

EPlayRecordIOError::EPlayRecordIOError(const std::string& AFileName, int AErrorCode)
    : std::runtime_error(AFileName + ": " + std::strerror(AErrorCode)), FFileName(AFileName),
      FReason(std::strerror(AErrorCode)), FErrorCode(AErrorCode) {}

namespace {

int OpenRetrying(const char* APath, int AFlags, mode_t AMode) {
    int fd;
    do {
        fd = ::open(APath, AFlags | O_CLOEXEC, AMode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

TPlayLog::TPlayLog(std::string AFileName) : FFileName(std::move(AFileName)) {}

TPlayLog::~TPlayLog() {
    if (FFd >= 0) ::close(FFd);
}

void TPlayLog::Fail(int AErrorCode) const {
    throw EPlayRecordIOError(FFileName, AErrorCode);
}

bool TPlayLog::Open(TOpenMode AMode) {
    const int flags = AMode == omRead ? O_RDONLY : AMode == omReadWrite ? O_RDWR : O_RDWR | O_CREAT;
    FFd = OpenRetrying(FFileName.c_str(), flags, 0666);
    if (FFd >= 0) return true;
    if (errno == ENOENT && AMode != omReadWriteCreate) return false;
    Fail(errno);
}

void TPlayLog::Lock(TLockKind AKind) {
    struct flock fl {};
    fl.l_type = AKind == lkShared ? F_RDLCK : F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 0; // the whole file, however far it grows
    while (::fcntl(FFd, F_SETLKW, &fl) < 0) {
        if (errno != EINTR) Fail(errno);
    }
}

void TPlayLog::Close() {
    const int fd = std::exchange(FFd, -1);
    if (fd >= 0 && ::close(fd) < 0 && errno != EINTR) Fail(errno);
}

uint64_t TPlayLog::RecordCount() {
    struct stat st {};
    if (::fstat(FFd, &st) < 0) Fail(errno);
    if (!S_ISREG(st.st_mode)) Fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    return static_cast<uint64_t>(st.st_size) / PLAY_RECORD_SIZE;
}

void TPlayLog::StartSequential() {
    // Only a hint to the kernel's read-ahead; its result does not matter.
    (void)::posix_fadvise(FFd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

std::size_t TPlayLog::ReadAt(uint8_t* ABuffer, std::size_t ABytes, uint64_t AOffset) {
    std::size_t got = 0;
    while (got < ABytes) {
        const ssize_t n =
            ::pread(FFd, ABuffer + got, ABytes - got, static_cast<off_t>(AOffset + got));
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail(errno);
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

void TPlayLog::Append(const uint8_t* ARecord) {
    struct stat st {};
    if (::fstat(FFd, &st) < 0) Fail(errno);
    if (!S_ISREG(st.st_mode)) Fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    const off_t end = st.st_size - st.st_size % static_cast<off_t>(PLAY_RECORD_SIZE);
    if (end != st.st_size && ::ftruncate(FFd, end) < 0) Fail(errno);
    int err = ::lseek(FFd, end, SEEK_SET) < 0 ? errno : 0;
    if (err == 0)
        err = common::WriteFull(FFd, {reinterpret_cast<const char*>(ARecord), PLAY_RECORD_SIZE});
    if (err != 0) {
        // Never leave a torn record behind: cut back to the last whole one.
        (void)!::ftruncate(FFd, end);
        Fail(err);
    }
}

void ReplaceFile(const std::string& AFileName, const uint8_t* AData, std::size_t ASize) {
    const int err = common::AtomicReplace(AFileName, {reinterpret_cast<const char*>(AData), ASize});
    if (err != 0) throw EPlayRecordIOError(AFileName, err);
}

int ReadFilePrefix(const std::string& AFileName, uint8_t* AData, std::size_t ASize) {
    const int fd = OpenRetrying(AFileName.c_str(), O_RDONLY, 0);
    if (fd < 0) {
        if (errno == ENOENT) return -1;
        throw EPlayRecordIOError(AFileName, errno);
    }
    std::size_t got = 0;
    int err = 0;
    while (got < ASize) {
        const ssize_t n = ::read(fd, AData + got, ASize - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            break;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    if (::close(fd) < 0 && err == 0 && errno != EINTR) err = errno;
    if (err != 0) throw EPlayRecordIOError(AFileName, err);
    return got == ASize ? 1 : 0;
}

} // namespace records
