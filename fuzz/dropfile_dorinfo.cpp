// DORINFO*.DEF reader over arbitrary file contents.
#include "dropfile_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    static fuzz::MemFile file;
    const std::string data = fuzz::Bytes(AData, ASize);
    file.Set(data);
    harbex::TDoorDropInfo info = fuzz::Marked();
    FUZZ_CHECK(harbex::ReadDorinfoInto(file.Path(), info));
    const fuzz::RefLines ref(data);
    const std::string com = ref[4];
    const int32_t comNum = com.size() > 3 ? harbex::StrToIntDef(com.substr(3), 0) : 0;
    FUZZ_CHECK(info.ComNum == comNum);
    FUZZ_CHECK(info.ComType == (comNum > 0 ? 1 : 77));
    const std::string baud = ref[5];
    const size_t space = baud.find(' ');
    FUZZ_CHECK(info.Baud == harbex::StrToIntDef(space == std::string::npos ? "" : baud.substr(0, space), 38400));
    FUZZ_CHECK(info.Alias == ref[7]);
    FUZZ_CHECK(info.RealName == (ref[8].empty() ? ref[7] : ref[7] + " " + ref[8]));
    FUZZ_CHECK(info.Emulation == (ref.Int(10, 1) == 1 ? harbex::etANSI : harbex::etASCII));
    FUZZ_CHECK(info.Access == ref.Int(11, 0));
    FUZZ_CHECK(info.MaxSeconds == fuzz::Minutes(ref.Int(12, 0)));
    FUZZ_CHECK(info.Node == 7777 && info.RecPos == 7777);
    return 0;
}
