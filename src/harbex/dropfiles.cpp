#include "harbex/dropfiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "harbex/stringutils.h"

namespace harbex {

// ---- TTextLineReader ---------------------------------------------------------

TTextLineReader::TTextLineReader(const std::string& AFileName, std::size_t ALineMax,
                                 std::size_t AFileMax)
    : FLineMax(ALineMax), FFileMax(AFileMax) {
    // O_NONBLOCK: opening a FIFO without a writer must not wait.
    const int fd = ::open(AFileName.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        FError = errno;
        return;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        FError = errno;
        ::close(fd);
        return;
    }
    if (!S_ISREG(st.st_mode)) {
        FError = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        FNotRegular = true;
        ::close(fd);
        return;
    }
    FFd = fd;
}

TTextLineReader::~TTextLineReader() {
    if (FFd >= 0) ::close(FFd);
}

bool TTextLineReader::Fill() {
    if (FFd < 0 || FEof) return false;
    if (FTotal >= FFileMax) {
        FEof = true;
        return false;
    }
    char chunk[4096];
    std::size_t want = sizeof chunk;
    if (FFileMax - FTotal < want) want = FFileMax - FTotal;
    ssize_t n;
    do {
        n = ::read(FFd, chunk, want);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) {
        if (n < 0) FError = errno;
        FEof = true;
        return false;
    }
    FTotal += static_cast<std::size_t>(n);
    FBuffer.erase(0, FPos);
    FPos = 0;
    FBuffer.append(chunk, static_cast<std::size_t>(n));
    return true;
}

int TTextLineReader::PeekByte() {
    if (FPos >= FBuffer.size() && !Fill()) return -1;
    return static_cast<unsigned char>(FBuffer[FPos]);
}

bool TTextLineReader::AtEnd() {
    return PeekByte() < 0;
}

std::string TTextLineReader::ReadLine() {
    std::string line;
    for (;;) {
        const int c = PeekByte();
        if (c < 0) break;
        ++FPos;
        if (c == '\n') break;
        if (c == '\r') {
            if (PeekByte() == '\n') ++FPos;
            break;
        }
        if (line.size() < FLineMax) line.push_back(static_cast<char>(c));
    }
    return line;
}

// ---- Readers -----------------------------------------------------------------

namespace {

// Reads the lines of one drop file; past the end every line is empty.
class TDropLines {
  public:
    explicit TDropLines(const std::string& AFileName)
        : FReader(AFileName, kDropLineMax, kDropFileMax) {}
    bool IsOpen() const { return FReader.IsOpen(); }
    std::string Next() { return FReader.ReadLine(); }
    void Skip(int ACount) {
        for (int i = 0; i < ACount; ++i)
            FReader.ReadLine();
    }

  private:
    TTextLineReader FReader;
};

// Copy(S, AIndex, ACount) of a 1-based string: characters from AIndex on, at most
// ACount of them; empty for a count below 1 or an index past the end.
std::string Copy(const std::string& S, int AIndex, int ACount) {
    if (AIndex < 1) AIndex = 1;
    if (ACount < 1 || static_cast<std::size_t>(AIndex) > S.size()) return std::string();
    return S.substr(static_cast<std::size_t>(AIndex - 1), static_cast<std::size_t>(ACount));
}

// The comm type is one byte wide; larger values keep their low byte.
uint8_t ComTypeOf(int32_t AValue) {
    return static_cast<uint8_t>(AValue & 0xFF);
}

// Seconds from a count of minutes, held within the 32-bit range.
int32_t MinutesToSeconds(int32_t AMinutes) {
    const int64_t s = static_cast<int64_t>(AMinutes) * 60;
    if (s > INT32_MAX) return INT32_MAX;
    if (s < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(s);
}

// Record numbers in the files count from 1, the field from 0.
int32_t OneBasedToZeroBased(int32_t AValue) {
    return AValue == INT32_MIN ? AValue : AValue - 1;
}

} // namespace

bool ReadDoor32Into(const std::string& AFileName, TDoorDropInfo& AInfo) {
    TDropLines f(AFileName);
    if (!f.IsOpen()) return false;
    AInfo.ComType = ComTypeOf(StrToIntDef(f.Next(), 0));
    AInfo.ComNum = StrToIntDef(f.Next(), -1);
    AInfo.Baud = StrToIntDef(f.Next(), 38400);
    f.Skip(1);
    AInfo.RecPos = OneBasedToZeroBased(StrToIntDef(f.Next(), 1));
    AInfo.RealName = f.Next();
    AInfo.Alias = f.Next();
    AInfo.Access = StrToIntDef(f.Next(), 0);
    AInfo.MaxSeconds = MinutesToSeconds(StrToIntDef(f.Next(), 0));
    AInfo.Emulation = StrToIntDef(f.Next(), 1) == 0 ? etASCII : etANSI;
    AInfo.Node = StrToIntDef(f.Next(), 0);
    return true;
}

bool ReadDoorSysInto(const std::string& AFileName, TDoorDropInfo& AInfo) {
    TDropLines f(AFileName);
    if (!f.IsOpen()) return false;
    for (int line = 1; line <= 52; ++line) {
        const std::string s = f.Next();
        switch (line) {
        case 1: {
            // "COM1:" - the digits between "COM" and the closing colon.
            AInfo.ComNum = StrToIntDef(Copy(s, 4, static_cast<int>(s.size()) - 4), 0);
            if (AInfo.ComNum > 0) AInfo.ComType = 1;
            break;
        }
        case 4:
            AInfo.Node = StrToIntDef(s, 0);
            break;
        case 5:
            AInfo.Baud = StrToIntDef(s, 38400);
            break;
        case 10:
            AInfo.RealName = s;
            break;
        case 15:
            AInfo.Access = StrToIntDef(s, 0);
            break;
        case 18:
            AInfo.MaxSeconds = StrToIntDef(s, 0);
            break;
        case 20:
            AInfo.Emulation = UpperCase(s) == "GR" ? etANSI : etASCII;
            break;
        case 26:
            AInfo.RecPos = OneBasedToZeroBased(StrToIntDef(s, 1));
            break;
        case 36:
            AInfo.Alias = s;
            break;
        default:
            break;
        }
    }
    return true;
}

bool ReadDorinfoInto(const std::string& AFileName, TDoorDropInfo& AInfo) {
    TDropLines f(AFileName);
    if (!f.IsOpen()) return false;
    f.Skip(3);
    {
        // "COM1" - the characters after "COM".
        const std::string s = f.Next();
        AInfo.ComNum = StrToIntDef(Copy(s, 4, static_cast<int>(s.size()) - 3), 0);
        if (AInfo.ComNum > 0) AInfo.ComType = 1;
    }
    {
        // "38400 BAUD,N,8,1" - the text before the first space.
        const std::string s = f.Next();
        const std::size_t space = s.find(' ');
        AInfo.Baud =
            StrToIntDef(space == std::string::npos ? std::string() : s.substr(0, space), 38400);
    }
    f.Skip(1);
    AInfo.Alias = f.Next();
    {
        const std::string last = f.Next();
        AInfo.RealName = last.empty() ? AInfo.Alias : AInfo.Alias + " " + last;
    }
    f.Skip(1);
    AInfo.Emulation = StrToIntDef(f.Next(), 1) == 1 ? etANSI : etASCII;
    AInfo.Access = StrToIntDef(f.Next(), 0);
    AInfo.MaxSeconds = MinutesToSeconds(StrToIntDef(f.Next(), 0));
    f.Skip(1);
    return true;
}

bool ReadLordInfoInto(const std::string& AFileName, TDoorDropInfo& AInfo) {
    TDropLines f(AFileName);
    if (!f.IsOpen()) return false;
    AInfo.RecPos = StrToIntDef(f.Next(), 0);
    AInfo.Emulation = StrToIntDef(f.Next(), 3) == 3 ? etANSI : etASCII;
    f.Skip(1);
    AInfo.Fairy = UpperCase(f.Next()) == "FAIRY YES";
    AInfo.MaxSeconds = MinutesToSeconds(StrToIntDef(f.Next(), 0));
    AInfo.Alias = f.Next();
    AInfo.RealName = f.Next();
    {
        const std::string last = f.Next();
        if (!last.empty()) AInfo.RealName += " " + last;
    }
    AInfo.ComNum = StrToIntDef(f.Next(), 0);
    AInfo.Baud = StrToIntDef(f.Next(), 38400);
    f.Skip(1);
    {
        const std::string t = UpperCase(f.Next());
        AInfo.ComType = t == "LOCAL" ? 0 : t == "TELNET" ? 2 : t == "WC5" ? 3 : 1;
    }
    AInfo.Registered = UpperCase(f.Next()) == "REGISTERED";
    AInfo.Clean = UpperCase(f.Next()) == "CLEAN MODE ON";
    return true;
}

void ReadDoor32(const std::string& AFileName) {
    ReadDoor32Into(AFileName, DoorDropInfo);
}
void ReadDoorSys(const std::string& AFileName) {
    ReadDoorSysInto(AFileName, DoorDropInfo);
}
void ReadDorinfo(const std::string& AFileName) {
    ReadDorinfoInto(AFileName, DoorDropInfo);
}
void ReadLordInfo(const std::string& AFileName) {
    ReadLordInfoInto(AFileName, DoorDropInfo);
}

} // namespace harbex
