// The text helpers over arbitrary bytes: the tokeniser and its inverse, the Base64 decoder
// and the decimal parser, each against an independent reference; the duration formats
// over every 32-bit value that the input spells.
#include <cstring>

#include "fuzz_support.h"
#include "harbex/stringutils.h"

namespace {

std::string RefBase64(const std::string& AIn) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::vector<int> sextets;
    for (char c : AIn) {
        if (c == '=') break;
        const char* p = c ? std::strchr(kAlphabet, c) : nullptr;
        if (p) sextets.push_back(static_cast<int>(p - kAlphabet));
    }
    std::string out;
    const size_t bits = sextets.size() * 6;
    for (size_t byte = 0; byte + 1 <= bits / 8; ++byte) {
        int v = 0;
        for (size_t b = 0; b < 8; ++b) {
            const size_t bit = byte * 8 + b;
            v = (v << 1) | ((sextets[bit / 6] >> (5 - bit % 6)) & 1);
        }
        out += static_cast<char>(v);
    }
    return out;
}

bool RefInt(const std::string& S, int32_t& AValue) {
    size_t i = 0;
    while (i < S.size() && (S[i] == ' ' || S[i] == '\t')) ++i;
    bool neg = false;
    if (i < S.size() && (S[i] == '+' || S[i] == '-')) neg = S[i++] == '-';
    if (i >= S.size()) return false;
    // Digits only, then the value with leading zeros skipped and at most 10 digits left.
    for (size_t j = i; j < S.size(); ++j)
        if (S[j] < '0' || S[j] > '9') return false;
    while (i + 1 < S.size() && S[i] == '0') ++i;
    if (S.size() - i > 10) return false;
    const long long v = std::stoll(S.substr(i)) * (neg ? -1 : 1);
    if (v < INT32_MIN || v > INT32_MAX) return false;
    AValue = static_cast<int32_t>(v);
    return true;
}

// "[-]h:mm:ss"-style text back to seconds (each part may carry its own sign).
long long Parts(const std::string& S, char ASep, std::vector<long long> AWeights) {
    long long total = 0;
    size_t start = 0;
    for (size_t k = 0; k < AWeights.size(); ++k) {
        const size_t end = k + 1 < AWeights.size() ? S.find(ASep, start) : S.size();
        FUZZ_CHECK(end != std::string::npos);
        total += std::stoll(S.substr(start, end - start)) * AWeights[k];
        start = end + 1;
    }
    return total;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    if (ASize < 1) return 0;
    const char delim = static_cast<char>(AData[0]);
    const std::string text = fuzz::Bytes(AData + 1, ASize - 1);

    const harbex::TTokens toks = harbex::StrToTok(text, delim);
    FUZZ_CHECK(toks.size() >= 2 && toks[0].empty());
    size_t delims = 0;
    for (char c : text) delims += c == delim;
    FUZZ_CHECK(toks.size() - 1 == delims + 1);
    for (size_t i = 1; i < toks.size(); ++i) FUZZ_CHECK(toks[i].find(delim) == std::string::npos);
    FUZZ_CHECK(harbex::TokToStr(toks, delim) == text);
    const int start = static_cast<int>(delim) % 5 - 1;  // -1 .. 3, also past the end
    std::string joined;
    const size_t first = static_cast<size_t>(std::max(start, 0));
    for (size_t i = first; i < toks.size(); ++i) {
        if (i > first) joined += delim;
        joined += toks[i];
    }
    FUZZ_CHECK(harbex::TokToStr(toks, delim, start) == joined);

    FUZZ_CHECK(harbex::Base64Decode(text) == RefBase64(text));

    int32_t ref = 0;
    const int32_t def = -424242;
    const int32_t got = harbex::StrToIntDef(text, def);
    if (RefInt(text, ref)) FUZZ_CHECK(got == ref);
    else FUZZ_CHECK(got == def);

    if (text.size() >= 4) {
        int32_t sec;
        std::memcpy(&sec, text.data(), 4);
        FUZZ_CHECK(Parts(harbex::SecToHMS(sec), ':', {3600, 60, 1}) == sec);
        FUZZ_CHECK(Parts(harbex::SecToMS(sec), ':', {60, 1}) == sec);
        const std::string hm = harbex::SecToHM(sec);
        FUZZ_CHECK(Parts(hm, ':', {3600, 60}) == sec - sec % 60);
        long long d = 0, h = 0, m = 0, s = 0;
        int used = 0;
        const std::string dhms = harbex::SecToDHMS(sec);
        FUZZ_CHECK(std::sscanf(dhms.c_str(), "%lldd %lldh %lldm %llds%n", &d, &h, &m, &s, &used) == 4);
        FUZZ_CHECK(static_cast<size_t>(used) == dhms.size());
        FUZZ_CHECK(d * 86400 + h * 3600 + m * 60 + s == sec);
    }
    return 0;
}
