// The drop-file readers over any file (the first byte picks the format) against lines split here:
// text fields hold their lines, numbers are what StrToIntDef makes of them, other fields untouched.
#include "harbex/dropfiles.h"
#include "fuzz.h"
#include "harbex/stringutils.h"
#include <algorithm>
#include <tuple>

using namespace harbex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    if (ASize < 1) return 0;
    fuzz::EnterScratchDir();
    std::string data = fuzz::Bytes(AData + 1, ASize - 1), cur;
    fuzz::WriteFile("DROP", data);
    data.resize(std::min(data.size(), kDropFileMax));
    std::vector<std::string> L(1); // L[n]: line n (LF, CR LF or CR end it), empty past the end
    for (size_t i = 0; i < data.size(); ++i)
        if (data[i] != '\n' && data[i] != '\r')
            cur += cur.size() < kDropLineMax ? data.substr(i, 1) : "";
        else
            i += data[i] == '\r' && i + 1 < data.size() && data[i + 1] == '\n', L.push_back(cur),
                cur.clear();
    if (!data.empty() && data.back() != '\n' && data.back() != '\r') L.push_back(cur);
    L.resize(std::max<size_t>(L.size(), 53));
    const auto I = [&](int n, int32_t d) { return StrToIntDef(L[n], d); };
    const auto Min = [&](int n) {
        return static_cast<int32_t>(std::clamp<int64_t>(60LL * I(n, 0), INT32_MIN, INT32_MAX));
    };
    const auto One = [&](int n) { return I(n, 1) == INT32_MIN ? INT32_MIN : I(n, 1) - 1; };
    const auto Up = [&](int n) { return UpperCase(L[n]); };
    TDoorDropInfo got{77, "a", "b", 77, true, 77, 77, etASCII, true, 77, 77, "c", "d", 77, true},
        e = got;
    if (AData[0] % 4 == 0) {
        FUZZ_CHECK(ReadDoor32Into("DROP", got));
        e.ComType = static_cast<uint8_t>(I(1, 0)), e.ComNum = I(2, -1), e.Baud = I(3, 38400),
        e.RecPos = One(5);
        e.RealName = L[6], e.Alias = L[7], e.Access = I(8, 0), e.MaxSeconds = Min(9),
        e.Node = I(11, 0);
        e.Emulation = I(10, 1) == 0 ? etASCII : etANSI;
    } else if (AData[0] % 4 == 1) {
        FUZZ_CHECK(ReadDoorSysInto("DROP", got));
        e.ComNum = StrToIntDef(L[1].size() > 4 ? L[1].substr(3, L[1].size() - 4) : "", 0),
        e.Node = I(4, 0);
        e.ComType = e.ComNum > 0 ? 1 : 77, e.Baud = I(5, 38400), e.RealName = L[10],
        e.Access = I(15, 0);
        e.MaxSeconds = I(18, 0), e.Emulation = Up(20) == "GR" ? etANSI : etASCII,
        e.RecPos = One(26), e.Alias = L[36];
    } else if (AData[0] % 4 == 2) {
        FUZZ_CHECK(ReadDorinfoInto("DROP", got));
        e.ComNum = StrToIntDef(L[4].size() > 3 ? L[4].substr(3) : "", 0),
        e.ComType = e.ComNum > 0 ? 1 : 77;
        e.Baud = StrToIntDef(
            L[5].find(' ') == std::string::npos ? "" : L[5].substr(0, L[5].find(' ')), 38400);
        e.Alias = L[7], e.RealName = L[8].empty() ? L[7] : L[7] + " " + L[8],
        e.Emulation = I(10, 1) == 1 ? etANSI : etASCII;
        e.Access = I(11, 0), e.MaxSeconds = Min(12);
    } else {
        FUZZ_CHECK(ReadLordInfoInto("DROP", got));
        e.RecPos = I(1, 0), e.Emulation = I(2, 3) == 3 ? etANSI : etASCII,
        e.Fairy = Up(4) == "FAIRY YES", e.MaxSeconds = Min(5);
        e.Alias = L[6], e.RealName = L[7] + (L[8].empty() ? "" : " " + L[8]), e.ComNum = I(9, 0),
        e.Baud = I(10, 38400);
        e.ComType = Up(12) == "LOCAL" ? 0 : Up(12) == "TELNET" ? 2 : Up(12) == "WC5" ? 3 : 1;
        e.Registered = Up(13) == "REGISTERED", e.Clean = Up(14) == "CLEAN MODE ON";
    }
    const auto all = [](const TDoorDropInfo& d) {
        return std::tie(d.Access, d.Alias, d.AliasOrRealName, d.Baud, d.Clean, d.ComNum, d.ComType,
                        d.Emulation, d.Fairy, d.MaxSeconds, d.Node, d.RealName, d.RealNameOrAlias,
                        d.RecPos, d.Registered);
    };
    FUZZ_CHECK(all(got) == all(e));
    return 0;
}
