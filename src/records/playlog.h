// File access of the play-record store, shared by every node of a board.
//
// TPlayLog is one short open-use-close step on the play log: it opens the file
// read-write, takes an fcntl advisory lock (shared for a scan, exclusive for an
// append or an update of the records file), reads whole 64-byte records in large
// buffered blocks (for a long scan, ahead of it in a second thread) and appends
// one record as a single write at the true end of the file. ReplaceFile writes
// a whole file through a temporary file that is renamed over the old one, so
// readers see either the old or the new content.
//
// fcntl locks belong to the process and are all dropped when any descriptor of
// the file is closed, so one operation uses one TPlayLog and never opens the
// log a second time while it holds the lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace records {

// The one error type of the store: a file could not be opened, locked, read,
// written or closed. Carries the file name and the system's reason.
class EPlayRecordIOError : public std::runtime_error {
  public:
    // AErrorCode is an errno value; the reason is its strerror text.
    EPlayRecordIOError(const std::string& AFileName, int AErrorCode);
    const std::string& FileName() const { return FFileName; }
    const std::string& Reason() const { return FReason; }
    int ErrorCode() const { return FErrorCode; }

  private:
    std::string FFileName;
    std::string FReason;
    int FErrorCode;
};

inline constexpr std::size_t PLAY_RECORD_SIZE = 64;

class TPlayLog {
  public:
    enum TLockKind { lkShared, lkExclusive };
    // Records read per system call during a scan (128 KiB).
    static constexpr std::size_t BLOCK_RECORDS = 2048;

    explicit TPlayLog(std::string AFileName);
    ~TPlayLog(); // closes quietly when Close was not reached (error paths)
    TPlayLog(const TPlayLog&) = delete;
    TPlayLog& operator=(const TPlayLog&) = delete;

    enum TOpenMode {
        omRead,           // reading only
        omReadWrite,      // reading and writing, the file must exist
        omReadWriteCreate // reading and writing, created empty when missing
    };
    // Opens the file. Result false (nothing opened) when it does not exist and
    // the mode does not create it.
    bool Open(TOpenMode AMode);
    // Waits for the advisory lock over the whole file.
    void Lock(TLockKind AKind);
    // Closes the file (dropping the lock); reports a failing close.
    void Close();

    // Whole records in the file now (a trailing partial record does not count).
    uint64_t RecordCount();

    // Calls AVisit(const uint8_t* ARecord) for every whole record from the
    // start, in file order, until it returns false. The record count is taken
    // once at the start; the buffer is reused, so memory stays constant.
    template <class TVisit> void Scan(TVisit&& AVisit);
    // The same, with the file read ahead by a second thread so that copying it
    // out of the page cache overlaps the visits: for long scans that do real
    // work per record. Uses a fixed ring of READ_AHEAD_BLOCKS buffers; a log
    // of less than READ_AHEAD_MIN_RECORDS, or a system that cannot start a
    // thread, is read as Scan does.
    template <class TVisit> void ScanReadingAhead(TVisit&& AVisit);
    static constexpr std::size_t READ_AHEAD_BLOCKS = 4;
    static constexpr std::size_t READ_AHEAD_BLOCK_RECORDS = 1024; // 64 KiB
    static constexpr uint64_t READ_AHEAD_MIN_RECORDS = 16 * BLOCK_RECORDS;

    // Cuts a trailing partial record back to the last whole record, then
    // writes ARecord (PLAY_RECORD_SIZE bytes) at the end. Call under lkExclusive.
    void Append(const uint8_t* ARecord);

    const std::string& FileName() const { return FFileName; }

  private:
    class TReadAhead;

    // Scan over the first ATotal records.
    template <class TVisit> void ScanRecords(uint64_t ATotal, TVisit& AVisit);
    // Reads up to ABytes at AOffset; fewer only at end of file.
    std::size_t ReadAt(uint8_t* ABuffer, std::size_t ABytes, uint64_t AOffset);
    // The same, reporting a failure by its errno value (AError) instead of raising it.
    std::size_t ReadAt(uint8_t* ABuffer, std::size_t ABytes, uint64_t AOffset, int& AError);
    void StartSequential();
    [[noreturn]] void Fail(int AErrorCode) const;

    std::string FFileName;
    int FFd = -1;
    std::unique_ptr<uint8_t[]> FBuffer;
};

template <class TVisit> void TPlayLog::Scan(TVisit&& AVisit) {
    ScanRecords(RecordCount(), AVisit);
}

template <class TVisit> void TPlayLog::ScanRecords(uint64_t ATotal, TVisit& AVisit) {
    if (ATotal == 0) return;
    StartSequential();
    if (!FBuffer) FBuffer = std::make_unique<uint8_t[]>(BLOCK_RECORDS * PLAY_RECORD_SIZE);
    uint64_t done = 0;
    while (done < ATotal) {
        const uint64_t want = ATotal - done < BLOCK_RECORDS ? ATotal - done : BLOCK_RECORDS;
        const std::size_t got =
            ReadAt(FBuffer.get(), static_cast<std::size_t>(want) * PLAY_RECORD_SIZE,
                   done * PLAY_RECORD_SIZE) /
            PLAY_RECORD_SIZE;
        for (std::size_t i = 0; i < got; ++i)
            if (!AVisit(static_cast<const uint8_t*>(FBuffer.get() + i * PLAY_RECORD_SIZE))) return;
        if (got < want) return; // the file shrank under us: stop at what is there
        done += got;
    }
}

// The blocks of a scan, read by a second thread into a ring of buffers ahead
// of the scan. Next raises the error of a failed read when the scan reaches
// that block, as a read in the scanning thread would.
class TPlayLog::TReadAhead {
  public:
    // Starts the thread; false from Started when it could not be started.
    TReadAhead(TPlayLog& ALog, uint64_t ARecords);
    ~TReadAhead(); // stops the thread and waits for it
    TReadAhead(const TReadAhead&) = delete;
    TReadAhead& operator=(const TReadAhead&) = delete;
    bool Started() const;
    // The next block's whole records (ACount of them), the previous block
    // being done with; nullptr after the last block.
    const uint8_t* Next(std::size_t& ACount);

  private:
    struct TState;
    std::unique_ptr<TState> FState;
};

template <class TVisit> void TPlayLog::ScanReadingAhead(TVisit&& AVisit) {
    const uint64_t total = RecordCount();
    if (total < READ_AHEAD_MIN_RECORDS) return ScanRecords(total, AVisit);
    StartSequential();
    TReadAhead ahead(*this, total);
    if (!ahead.Started()) return ScanRecords(total, AVisit);
    std::size_t count;
    while (const uint8_t* block = ahead.Next(count))
        for (std::size_t i = 0; i < count; ++i)
            if (!AVisit(block + i * PLAY_RECORD_SIZE)) return;
}

// Writes ASize bytes as the whole new content of AFileName: a temporary file in
// the same directory is written, flushed to disk and renamed over the old file.
// Keeps the old file's permission bits. On failure the old file is untouched,
// the temporary file removed, and EPlayRecordIOError names AFileName.
void ReplaceFile(const std::string& AFileName, const uint8_t* AData, std::size_t ASize);

// Reads the first ASize bytes of AFileName into AData. Result: 1 when read,
// 0 when the file is shorter, -1 when it does not exist. Other failures raise
// EPlayRecordIOError.
int ReadFilePrefix(const std::string& AFileName, uint8_t* AData, std::size_t ASize);

} // namespace records
