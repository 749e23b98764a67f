// INFO.* reader over arbitrary file contents.
#include "dropfile_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    static fuzz::MemFile file;
    const std::string data = fuzz::Bytes(AData, ASize);
    file.Set(data);
    harbex::TDoorDropInfo info = fuzz::Marked();
    FUZZ_CHECK(harbex::ReadLordInfoInto(file.Path(), info));
    const fuzz::RefLines ref(data);
    FUZZ_CHECK(info.RecPos == ref.Int(1, 0));
    FUZZ_CHECK(info.Emulation == (ref.Int(2, 3) == 3 ? harbex::etANSI : harbex::etASCII));
    FUZZ_CHECK(info.Fairy == (harbex::UpperCase(ref[4]) == "FAIRY YES"));
    FUZZ_CHECK(info.MaxSeconds == fuzz::Minutes(ref.Int(5, 0)));
    FUZZ_CHECK(info.Alias == ref[6]);
    FUZZ_CHECK(info.RealName == (ref[8].empty() ? ref[7] : ref[7] + " " + ref[8]));
    FUZZ_CHECK(info.ComNum == ref.Int(9, 0));
    FUZZ_CHECK(info.Baud == ref.Int(10, 38400));
    const std::string t = harbex::UpperCase(ref[12]);
    FUZZ_CHECK(info.ComType == (t == "LOCAL" ? 0 : t == "TELNET" ? 2 : t == "WC5" ? 3 : 1));
    FUZZ_CHECK(info.Registered == (harbex::UpperCase(ref[13]) == "REGISTERED"));
    FUZZ_CHECK(info.Clean == (harbex::UpperCase(ref[14]) == "CLEAN MODE ON"));
    return 0;
}
