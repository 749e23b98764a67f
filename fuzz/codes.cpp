// Codes and text utilities over any text after a first byte (the tracked attribute and delimiter):
// pipe codes and DoorWrite (both code systems on, "`k" reading /dev/zero) against a translation
// here; grave accents stripped; tokens and decimals against references; Base64 just decoded.
#include "common/seams.h"
#include "fuzz.h"
#include "harbex/ansi.h"
#include "harbex/crt2.h"
#include "harbex/door.h"
#include "harbex/stringutils.h"
#include <algorithm>
#include <charconv>
#include <fcntl.h>
#include <sys/mman.h>

using namespace harbex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    static const int out = ::memfd_create("door-output", 0), keys = ::open("/dev/zero", O_RDONLY);
    if (ASize < 1) return 0;
    const std::string text = fuzz::Bytes(AData + 1, ASize - 1),
                      hex = "0123456789abcdef0123456789ABCDEF";
    DoorReset(), common::ResetSeams(), SetTextAttr(AData[0]), common::Seams().StdIn = keys,
                                                              common::Seams().Sleep = [](int) {};
    std::string pipes; // "|" and two hex digits: the attribute without its blink bit
    for (size_t i = 0, h, l; i < text.size(); ++i)
        if (text[i] == '|' && i + 2 < text.size() && (h = hex.find(text[i + 1])) < 32 &&
            (l = hex.find(text[i + 2])) < 32)
            pipes += AnsiTextAttr(static_cast<uint8_t>((h % 16 * 16 + l % 16) & 0x7F)), i += 2;
        else
            pipes += text[i];
    FUZZ_CHECK(PipeToAnsi(text) == (text.size() < 3 ? text : pipes) && ::ftruncate(out, 0) == 0 &&
               !::lseek(out, 0, SEEK_SET));
    common::Seams().StdOut = out, DoorSession.VeskWrite = true, DoorWrite(text);
    const std::string sent = fuzz::ReadFile("/proc/self/fd/" + std::to_string(out));
    FUZZ_CHECK(text.find('`') != std::string::npos || sent == (text.size() < 3 ? text : pipes));
    FUZZ_CHECK(VeskStrip(text).find('`') == std::string::npos);
    const char delim = static_cast<char>(AData[0]);
    const TTokens toks = StrToTok(text, delim);
    FUZZ_CHECK(toks[0].empty() &&
               toks.size() == 2 + static_cast<size_t>(std::count(text.begin(), text.end(), delim)));
    FUZZ_CHECK(TokToStr(toks, delim) == text && TokToStr(toks, delim, 0) == delim + text);
    Base64Decode(text); // for the sanitizers; its results are tested by the unit tests
    int64_t v = 0;      // decimals: blanks, a sign, digits and nothing else, within 32 bits
    const size_t at = std::min(text.find_first_not_of(" \t"), text.size());
    const size_t d = at + (at < text.size() && (text[at] == '+' || text[at] == '-'));
    const auto [end, error] = std::from_chars(text.data() + d, text.data() + text.size(), v);
    v = at < text.size() && text[at] == '-' ? -v : v;
    const bool ok = d < text.size() && text[d] >= '0' && text[d] <= '9' && error == std::errc() &&
                    end == text.data() + text.size() && v >= INT32_MIN && v <= INT32_MAX;
    FUZZ_CHECK(StrToIntDef(text, -4242) == (ok ? v : -4242));
    return 0;
}
