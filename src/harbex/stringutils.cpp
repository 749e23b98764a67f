#include "harbex/stringutils.h"

#include "harbex/ansi.h"

#include <cstddef>

namespace harbex {

namespace {

std::string Pad2(int32_t AValue) {
    std::string s = std::to_string(AValue);
    while (s.size() < 2)
        s.insert(s.begin(), '0');
    return s;
}

int Base64Value(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

} // namespace

std::string SecToDHMS(int32_t ASec) {
    const int32_t d = ASec / 86400;
    int32_t rest = ASec % 86400;
    const int32_t h = rest / 3600;
    rest %= 3600;
    const int32_t m = rest / 60;
    const int32_t s = rest % 60;
    return std::to_string(d) + "d " + std::to_string(h) + "h " + std::to_string(m) + "m " +
           std::to_string(s) + "s";
}

std::string SecToHMS(int32_t ASec) {
    const int32_t h = ASec / 3600;
    const int32_t rest = ASec % 3600;
    return Pad2(h) + ":" + Pad2(rest / 60) + ":" + Pad2(rest % 60);
}

std::string SecToHM(int32_t ASec) {
    return Pad2(ASec / 3600) + ":" + Pad2((ASec % 3600) / 60);
}

std::string SecToMS(int32_t ASec) {
    return Pad2(ASec / 60) + ":" + Pad2(ASec % 60);
}

TTokens StrToTok(const std::string& AText, char ADelim) {
    TTokens result(1); // entry 0 stays empty
    std::size_t start = 0;
    for (;;) {
        const std::size_t pos = AText.find(ADelim, start);
        if (pos == std::string::npos) {
            result.push_back(AText.substr(start));
            break;
        }
        result.push_back(AText.substr(start, pos - start));
        start = pos + 1;
    }
    return result;
}

std::string TokToStr(const TTokens& ATokens, char ADelim) {
    return TokToStr(ATokens, ADelim, 1);
}

std::string TokToStr(const TTokens& ATokens, char ADelim, int AStartIndex) {
    std::string result;
    if (AStartIndex < 0) AStartIndex = 0;
    const std::size_t start = static_cast<std::size_t>(AStartIndex);
    if (start >= ATokens.size()) return result;
    result = ATokens[start];
    for (std::size_t i = start + 1; i < ATokens.size(); ++i) {
        result += ADelim;
        result += ATokens[i];
    }
    return result;
}

std::string Base64Decode(const std::string& ABase64) {
    std::string out;
    out.reserve(ABase64.size() * 3 / 4);
    uint32_t bits = 0;
    int count = 0;
    for (const char ch : ABase64) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '=') break;
        const int v = Base64Value(c);
        if (v < 0) continue;
        bits = ((bits << 6) | static_cast<uint32_t>(v)) & 0xFFFFFFu;
        count += 6;
        if (count >= 8) {
            count -= 8;
            out.push_back(static_cast<char>((bits >> count) & 0xFF));
        }
    }
    return out;
}

int32_t StrToIntDef(const std::string& AText, int32_t ADefault) {
    std::size_t i = 0;
    while (i < AText.size() && (AText[i] == ' ' || AText[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < AText.size() && (AText[i] == '+' || AText[i] == '-')) {
        negative = AText[i] == '-';
        ++i;
    }
    if (i >= AText.size()) return ADefault;
    int64_t value = 0;
    for (; i < AText.size(); ++i) {
        const char c = AText[i];
        if (c < '0' || c > '9') return ADefault;
        value = value * 10 + (c - '0');
        if (value > 2147483648LL) return ADefault;
    }
    if (negative) value = -value;
    if (value > 2147483647LL) return ADefault;
    return static_cast<int32_t>(value);
}

std::string UpperCase(const std::string& AText) {
    std::string s = AText;
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return s;
}

namespace {
int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
} // namespace

std::string PipeToAnsi(const std::string& AText) {
    if (AText.size() < 3) return AText;
    std::string out;
    out.reserve(AText.size() + 16);
    const size_t n = AText.size();
    size_t i = 0;
    while (i < n) {
        const char c = AText[i];
        if (c == '|' && i + 2 < n) {
            const int hi = HexDigit(AText[i + 1]);
            const int lo = HexDigit(AText[i + 2]);
            if (hi >= 0 && lo >= 0) {
                int value = hi * 16 + lo;
                if (value > 127) value -= 128;
                out += AnsiTextAttr(static_cast<uint8_t>(value));
                i += 3;
                continue;
            }
        }
        out += c;
        ++i;
    }
    return out;
}

std::string VeskStrip(const std::string& AText) {
    std::string out;
    out.reserve(AText.size());
    size_t i = 0;
    while (i < AText.size()) {
        if (AText[i] != '`') {
            out += AText[i++];
        } else if (i + 1 >= AText.size()) {
            ++i;
        } else if (AText[i + 1] == 'r') {
            i += 3;
        } else {
            i += 2;
        }
    }
    return out;
}

} // namespace harbex
