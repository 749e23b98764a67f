// Small file and descriptor helpers, one of each for the whole program: a descriptor owner, a
// scope guard, the full-write loop, and the atomic replace and first-writer-wins creation of
// whole files.
//
// Promises:
// - WriteFull writes every byte or reports why not; EINTR is retried, a short write goes on
//   from where it stopped, a write that takes nothing counts as a full disk (ENOSPC).
// - TAtomicFile / AtomicReplace: readers of the path see the old content or the new one, never
//   a mix; the new file keeps the old one's permission bits; after a failure the old file is as
//   it was and no temporary file is left behind. The new content is on disk (file and directory
//   synced) when Commit returns.
// - PublishOnce: the first of several writers racing for a missing path wins; every other
//   writer leaves it as the winner wrote it. The path never shows a partial content.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace common {

// Owns one descriptor and closes it once.
class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int AFd) : FFd(AFd) {}
    UniqueFd(UniqueFd&& AOther) noexcept : FFd(AOther.Release()) {}
    UniqueFd& operator=(UniqueFd&& AOther) noexcept {
        Reset(AOther.Release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { Reset(); }

    int Get() const { return FFd; }
    explicit operator bool() const { return FFd >= 0; }
    int Release() { return std::exchange(FFd, -1); }
    // Closes the descriptor held (if any) and takes AFd; returns close's error (0 when fine).
    int Reset(int AFd = -1);

  private:
    int FFd = -1;
};

// Runs a function when the scope ends, unless dismissed.
template <class F> class ScopeGuard {
  public:
    explicit ScopeGuard(F AFn) : FFn(std::move(AFn)) {}
    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;
    ~ScopeGuard() {
        if (FActive) FFn();
    }
    void Dismiss() { FActive = false; }

  private:
    F FFn;
    bool FActive = true;
};

// Writes all of AData to AFd. Returns 0, or the errno of the failure.
int WriteFull(int AFd, std::string_view AData);

// A whole new content for a file, made in a temporary file of the same directory (mkstemp)
// and renamed over the path by Commit. The destructor removes an uncommitted temporary file.
class TAtomicFile {
  public:
    explicit TAtomicFile(std::string APath) : FPath(std::move(APath)) {}
    TAtomicFile(const TAtomicFile&) = delete;
    TAtomicFile& operator=(const TAtomicFile&) = delete;
    ~TAtomicFile();
    // Writes AData as the whole content of the temporary file and syncs it. 0 or errno.
    int Write(std::string_view AData);
    // Renames the written temporary file over the path and syncs the directory. 0 or errno.
    int Commit();

  private:
    std::string FPath, FTemp;
};

// TAtomicFile in one step. 0 or errno.
int AtomicReplace(const std::string& APath, std::string_view AData);

// Creates APath with AData unless it exists: the content goes to a synced temporary file that
// is linked to the path, so the first writer wins. Returns 0 when this call created it, EEXIST
// when the path was already there, another errno on failure.
int PublishOnce(const std::string& APath, std::string_view AData);

} // namespace common
