// DOOR32.SYS reader over arbitrary file contents.
#include "dropfile_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    static fuzz::MemFile file;
    const std::string data = fuzz::Bytes(AData, ASize);
    file.Set(data);
    harbex::TDoorDropInfo info = fuzz::Marked();
    FUZZ_CHECK(harbex::ReadDoor32Into(file.Path(), info));
    const fuzz::RefLines ref(data);
    FUZZ_CHECK(info.ComType == static_cast<uint8_t>(ref.Int(1, 0) & 0xFF));
    FUZZ_CHECK(info.ComNum == ref.Int(2, -1));
    FUZZ_CHECK(info.Baud == ref.Int(3, 38400));
    FUZZ_CHECK(info.RecPos == fuzz::ZeroBased(ref.Int(5, 1)));
    FUZZ_CHECK(info.RealName == ref[6]);
    FUZZ_CHECK(info.Alias == ref[7]);
    FUZZ_CHECK(info.Access == ref.Int(8, 0));
    FUZZ_CHECK(info.MaxSeconds == fuzz::Minutes(ref.Int(9, 0)));
    FUZZ_CHECK(info.Emulation == (ref.Int(10, 1) == 0 ? harbex::etASCII : harbex::etANSI));
    FUZZ_CHECK(info.Node == ref.Int(11, 0));
    return 0;
}
