// Colour codes in text for the caller: pipe codes (PipeToAnsi) against an independent
// reference, and DoorWrite with pipe and grave-accent codes both on, writing to a memory
// file (the "`k" code reads a key from /dev/zero; pauses are skipped). Text without any
// code character reaches the caller unchanged; stripping grave-accent codes leaves none.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include "common/datetime.h"
#include "fuzz_support.h"
#include "harbex/ansi.h"
#include "harbex/console.h"
#include "harbex/crt2.h"
#include "harbex/door.h"
#include "harbex/stringutils.h"

namespace {

int Hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string RefPipe(const std::string& S) {
    if (S.size() < 3) return S;
    std::string out;
    for (size_t i = 0; i < S.size();) {
        if (S[i] == '|' && i + 2 < S.size() && Hex(S[i + 1]) >= 0 && Hex(S[i + 2]) >= 0) {
            out += harbex::AnsiTextAttr(static_cast<uint8_t>((Hex(S[i + 1]) * 16 + Hex(S[i + 2])) & 0x7F));
            i += 3;
        } else {
            out += S[i++];
        }
    }
    return out;
}

std::string ReadAll(int AFd) {
    std::string out;
    char buf[65536];
    off_t off = 0;
    for (;;) {
        const ssize_t n = ::pread(AFd, buf, sizeof buf, off);
        if (n <= 0) break;
        out.append(buf, static_cast<size_t>(n));
        off += n;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    static int outFd = -1;
    static int keysFd = -1;
    if (outFd < 0) {
        outFd = ::memfd_create("door-output", 0);
        keysFd = ::open("/dev/zero", O_RDONLY);
        if (outFd < 0 || keysFd < 0) fuzz::Fail(__FILE__, __LINE__, "set-up");
        common::SetSleepHook([](int) {});
    }
    if (ASize < 1) return 0;
    const uint8_t attr = AData[0];
    const std::string text = fuzz::Bytes(AData + 1, ASize - 1);

    harbex::SetTextAttr(attr);
    FUZZ_CHECK(harbex::PipeToAnsi(text) == RefPipe(text));
    FUZZ_CHECK(harbex::GetTextAttr() == attr);  // pipe codes never change the tracked attribute

    const std::string stripped = harbex::VeskStrip(text);
    FUZZ_CHECK(stripped.size() <= text.size());
    FUZZ_CHECK(stripped.find('`') == std::string::npos);

    harbex::DoorResetForTests();
    harbex::SetTextAttr(attr);
    harbex::ConsoleSetInputFd(keysFd);
    if (::ftruncate(outFd, 0) != 0) fuzz::Fail(__FILE__, __LINE__, "ftruncate");
    ::lseek(outFd, 0, SEEK_SET);
    harbex::DoorSetOutputFd(outFd);
    harbex::DoorSession.VeskWrite = true;
    harbex::DoorWrite(text);
    const std::string sent = ReadAll(outFd);
    if (text.find_first_of("|`") == std::string::npos) FUZZ_CHECK(sent == text);
    if (text.find('`') == std::string::npos) FUZZ_CHECK(sent == RefPipe(text));
    harbex::DoorSetOutputFd(1);
    harbex::ConsoleSetInputFd(-1);
    return 0;
}
