// DOOR.SYS reader over arbitrary file contents.
#include "dropfile_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    static fuzz::MemFile file;
    const std::string data = fuzz::Bytes(AData, ASize);
    file.Set(data);
    harbex::TDoorDropInfo info = fuzz::Marked();
    FUZZ_CHECK(harbex::ReadDoorSysInto(file.Path(), info));
    const fuzz::RefLines ref(data);
    const std::string com = ref[1];
    const int32_t comNum = com.size() > 4 ? harbex::StrToIntDef(com.substr(3, com.size() - 4), 0) : 0;
    FUZZ_CHECK(info.ComNum == comNum);
    FUZZ_CHECK(info.ComType == (comNum > 0 ? 1 : 77));
    FUZZ_CHECK(info.Node == ref.Int(4, 0));
    FUZZ_CHECK(info.Baud == ref.Int(5, 38400));
    FUZZ_CHECK(info.RealName == ref[10]);
    FUZZ_CHECK(info.Access == ref.Int(15, 0));
    FUZZ_CHECK(info.MaxSeconds == ref.Int(18, 0));
    FUZZ_CHECK(info.Emulation == (harbex::UpperCase(ref[20]) == "GR" ? harbex::etANSI : harbex::etASCII));
    FUZZ_CHECK(info.RecPos == fuzz::ZeroBased(ref.Int(26, 1)));
    FUZZ_CHECK(info.Alias == ref[36]);
    return 0;
}
