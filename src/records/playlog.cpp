#include "records/playlog.h"

#include "common/fileio.h"

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <signal.h>
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
    int error = 0;
    const std::size_t got = ReadAt(ABuffer, ABytes, AOffset, error);
    if (error != 0) Fail(error);
    return got;
}

std::size_t TPlayLog::ReadAt(uint8_t* ABuffer, std::size_t ABytes, uint64_t AOffset, int& AError) {
    std::size_t got = 0;
    while (got < ABytes) {
        const ssize_t n =
            ::pread(FFd, ABuffer + got, ABytes - got, static_cast<off_t>(AOffset + got));
        if (n < 0) {
            if (errno == EINTR) continue;
            AError = errno;
            break;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

// ---- Reading ahead ----------------------------------------------------------------

// Block b of the scan goes to buffer b % BLOCKS once the scan is done with
// block b - BLOCKS. A thread that finds nothing to do yields the processor for
// a short while before it goes to sleep, because the other thread nearly always
// moves on within that time: so the two seldom wake each other, which costs
// more than the work on a block.
struct TPlayLog::TReadAhead::TState {
    static constexpr std::size_t BLOCKS = READ_AHEAD_BLOCKS;
    static constexpr std::size_t RECORDS_PER_BLOCK = READ_AHEAD_BLOCK_RECORDS;
    static constexpr std::size_t BLOCK_BYTES = RECORDS_PER_BLOCK * PLAY_RECORD_SIZE;
    static constexpr std::size_t CACHE_LINE = 64;
    static constexpr int READER_SPINS = 100; // yields before sleeping
    static constexpr int SCAN_SPINS = 100;

    TPlayLog& Log;
    const uint64_t Records;
    const uint64_t Blocks;
    std::unique_ptr<uint8_t[]> Storage;
    uint8_t* Buffers; // BLOCKS buffers of BLOCK_BYTES in Storage, on a cache line boundary

    // Written by the reader before it counts the block in Read.
    std::size_t Counts[BLOCKS] = {}; // whole records read into each buffer
    int Error = 0;                   // of the read of the last block when it failed

    std::atomic<uint64_t> Read{0};                            // blocks the reader is done with
    std::atomic<uint64_t> End{UINT64_MAX};                    // blocks there will be, once known
    std::atomic<uint64_t> Done{0};                            // blocks the scan is done with
    std::atomic<bool> Stop{false};                            // the scan ended early
    std::atomic<bool> ReaderSleeps{false}, ScanSleeps{false}; // one waits for Wake
    uint64_t Given = 0; // blocks handed to the scan (the scanning thread's own)
    std::mutex Lock;
    std::condition_variable Wake;
    std::thread Reader;

    TState(TPlayLog& ALog, uint64_t ARecords)
        : Log(ALog), Records(ARecords),
          Blocks((ARecords + RECORDS_PER_BLOCK - 1) / RECORDS_PER_BLOCK),
          Storage(new uint8_t[BLOCKS * BLOCK_BYTES + CACHE_LINE]),
          Buffers(Storage.get() +
                  (CACHE_LINE - reinterpret_cast<std::uintptr_t>(Storage.get()) % CACHE_LINE) %
                      CACHE_LINE) {}

    // Returns once AReady() holds: at once if it comes true within ASpins
    // yields, else asleep until AAwake() holds too (which implies AReady()).
    // ASleeps tells the other thread to wake this one.
    template <class TReady, class TAwake>
    void Await(std::atomic<bool>& ASleeps, int ASpins, TReady AReady, TAwake AAwake) {
        for (int i = 0; i < ASpins; ++i) {
            if (AReady()) return;
            std::this_thread::yield();
        }
        std::unique_lock<std::mutex> hold(Lock);
        ASleeps = true;
        Wake.wait(hold, AAwake);
        ASleeps = false;
    }
    // After a change that the thread marked by ASleeps may be waiting for. (The
    // change and the flag are sequentially consistent, so either the waiting
    // thread sees the change before it sleeps or this one sees the flag.)
    void WakeUp(const std::atomic<bool>& ASleeps) {
        if (!ASleeps) return;
        std::lock_guard<std::mutex> hold(Lock);
        Wake.notify_all();
    }

    void Run() noexcept {
        for (uint64_t b = 0; b < Blocks; ++b) {
            // Asleep, the reader waits for half of the buffers, to be woken seldom.
            Await(
                ReaderSleeps, READER_SPINS, [&] { return Stop || b - Done < BLOCKS; },
                [&] { return Stop || b - Done <= BLOCKS / 2; });
            if (Stop) return;
            const uint64_t first = b * RECORDS_PER_BLOCK;
            const uint64_t want =
                Records - first < RECORDS_PER_BLOCK ? Records - first : RECORDS_PER_BLOCK;
            int error = 0;
            const std::size_t got = Log.ReadAt(Buffers + (b % BLOCKS) * BLOCK_BYTES,
                                               static_cast<std::size_t>(want) * PLAY_RECORD_SIZE,
                                               first * PLAY_RECORD_SIZE, error) /
                                    PLAY_RECORD_SIZE;
            Counts[b % BLOCKS] = error != 0 ? 0 : got;
            // A failed read stops here; a short one (the file shrank) ends the scan.
            const bool last = error != 0 || got < want || b + 1 == Blocks;
            if (last) {
                Error = error;
                End = b + 1;
            }
            Read = b + 1;
            WakeUp(ScanSleeps);
            if (last) return;
        }
    }
};

TPlayLog::TReadAhead::TReadAhead(TPlayLog& ALog, uint64_t ARecords)
    : FState(std::make_unique<TState>(ALog, ARecords)) {
    // The reader takes no signals: they stay with the threads that expect them.
    sigset_t all, old;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &old);
    try {
        FState->Reader = std::thread([state = FState.get()] { state->Run(); });
    } catch (const std::exception&) {
        // Not started (no thread, or no memory for one): the caller reads the log itself.
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

TPlayLog::TReadAhead::~TReadAhead() {
    if (!FState->Reader.joinable()) return;
    FState->Stop = true;
    FState->WakeUp(FState->ReaderSleeps);
    FState->Reader.join();
}

bool TPlayLog::TReadAhead::Started() const {
    return FState->Reader.joinable();
}

const uint8_t* TPlayLog::TReadAhead::Next(std::size_t& ACount) {
    TState& s = *FState;
    if (s.Given > 0) { // the block given last time is done with
        s.Done = s.Given;
        if (s.Read - s.Given <= TState::BLOCKS / 2) s.WakeUp(s.ReaderSleeps);
    }
    const auto ready = [&] { return s.Read > s.Given || s.End == s.Given; };
    s.Await(s.ScanSleeps, TState::SCAN_SPINS, ready, ready);
    if (s.End == s.Given) return nullptr;
    const std::size_t slot = s.Given % TState::BLOCKS;
    if (++s.Given == s.End && s.Error != 0) s.Log.Fail(s.Error);
    ACount = s.Counts[slot];
    return s.Buffers + slot * TState::BLOCK_BYTES;
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
