#include "harbex/charset.h"

#include <array>
#include <cstdlib>
#include <map>

namespace harbex {
namespace {

constexpr char16_t kLow[32] = {0x0020, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022,
                               0x25D8, 0x25CB, 0x25D9, 0x2642, 0x2640, 0x266A, 0x266B, 0x263C,
                               0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8,
                               0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC};
constexpr char16_t kHigh[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

// The bytes a terminal acts on instead of showing: NUL, BEL, BS, TAB, LF, CR, ESC.
bool IsControl(uint8_t AByte) {
    return AByte == 0 || AByte == 7 || AByte == 8 || AByte == 9 || AByte == 10 || AByte == 13 ||
           AByte == 27;
}

// One translated byte a character, as UTF-8, for the 256 bytes.
const std::array<std::string, 256>& Utf8Table() {
    static const std::array<std::string, 256> table = [] {
        std::array<std::string, 256> t;
        for (int b = 0; b < 256; ++b)
            t[b] = IsControl(static_cast<uint8_t>(b))
                       ? std::string(1, static_cast<char>(b))
                       : Utf8(Cp437ToUnicode(static_cast<uint8_t>(b)));
        return t;
    }();
    return table;
}

} // namespace

const std::string PROBE_REQUEST = "\r\x1b[6n\xC3\xA9\x1b[6n";
const std::string PROBE_CLEANUP = "\r\x1b[K";

char32_t Cp437ToUnicode(uint8_t AByte) {
    return AByte < 32     ? kLow[AByte]
           : AByte < 127  ? AByte
           : AByte == 127 ? 0x2302
                          : kHigh[AByte - 128];
}

uint8_t UnicodeToCp437(char32_t ACodePoint) {
    static const std::map<char32_t, uint8_t> reverse = [] {
        std::map<char32_t, uint8_t> m;
        for (int b = 255; b >= 1; --b)
            m[Cp437ToUnicode(static_cast<uint8_t>(b))] = static_cast<uint8_t>(b);
        return m;
    }();
    if (ACodePoint < 128) return static_cast<uint8_t>(ACodePoint);
    const auto it = reverse.find(ACodePoint);
    return it == reverse.end() ? '?' : it->second;
}

std::string Utf8(char32_t C) {
    if (C < 0x80) return std::string(1, static_cast<char>(C));
    if (C < 0x800)
        return {static_cast<char>(0xC0 | (C >> 6)), static_cast<char>(0x80 | (C & 0x3F))};
    if (C < 0x10000)
        return {static_cast<char>(0xE0 | (C >> 12)), static_cast<char>(0x80 | ((C >> 6) & 0x3F)),
                static_cast<char>(0x80 | (C & 0x3F))};
    return {static_cast<char>(0xF0 | (C >> 18)), static_cast<char>(0x80 | ((C >> 12) & 0x3F)),
            static_cast<char>(0x80 | ((C >> 6) & 0x3F)), static_cast<char>(0x80 | (C & 0x3F))};
}

std::string TUtf8Writer::Translate(std::string_view AText) {
    const auto& table = Utf8Table();
    std::string out;
    out.reserve(AText.size() * 2);
    for (const char c : AText) {
        const uint8_t b = static_cast<uint8_t>(c);
        if (FState == sText) {
            if (b == 27) FState = sEscape;
            out += table[b];
            continue;
        }
        out += c; // inside an escape sequence
        if (FState == sEscape)
            FState = b == '[' ? sCsi : sText;
        else if (b >= 0x40 && b <= 0x7E)
            FState = sText;
    }
    return out;
}

std::string TUtf8Reader::Translate(std::string_view ABytes) {
    std::string out;
    for (const char c : ABytes) {
        const uint8_t b = static_cast<uint8_t>(c);
        if (FNeed > 0 && (b & 0xC0) == 0x80) {
            FCode = (FCode << 6) | (b & 0x3F);
            if (--FNeed == 0) out += static_cast<char>(UnicodeToCp437(FCode));
            continue;
        }
        if (FNeed > 0) out += '?', FNeed = 0; // a character cut short
        if (b < 0x80)
            out += c;
        else if (b >= 0xC2 && b <= 0xDF)
            FCode = b & 0x1F, FNeed = 1;
        else if (b >= 0xE0 && b <= 0xEF)
            FCode = b & 0x0F, FNeed = 2;
        else if (b >= 0xF0 && b <= 0xF4)
            FCode = b & 0x07, FNeed = 3;
        else
            out += '?';
    }
    return out;
}

TCharset CharsetOfLocale() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (!value || !*value) continue;
        std::string v(value);
        for (char& c : v)
            c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
        return v.find("UTF-8") != std::string::npos || v.find("UTF8") != std::string::npos
                   ? TCharset::utf8
                   : TCharset::cp437;
    }
    return TCharset::cp437;
}

bool JudgeProbe(std::string_view AReplies, TCharset& ACharset, std::string& AOther, int* AAnswers) {
    int columns[2] = {0, 0}, found = 0;
    AOther.clear();
    for (size_t i = 0; i < AReplies.size();) {
        // A cursor-position answer: ESC [ row ; column R.
        size_t j = i + 2;
        int row = 0, col = 0, *field = &row;
        bool digits = false, semicolon = false;
        if (AReplies.substr(i, 2) == "\x1b[")
            for (; j < AReplies.size(); ++j) {
                const char c = AReplies[j];
                if (c >= '0' && c <= '9' && *field < 10000)
                    *field = *field * 10 + (c - '0'), digits = true;
                else if (c == ';' && !semicolon)
                    semicolon = true, field = &col;
                else
                    break;
            }
        if (digits && semicolon && j < AReplies.size() && AReplies[j] == 'R' && found < 2) {
            columns[found++] = col;
            i = j + 1;
        } else {
            AOther += AReplies[i++];
        }
    }
    if (AAnswers) *AAnswers = found;
    if (found < 2) return false;
    ACharset = columns[1] - columns[0] == 1 ? TCharset::utf8 : TCharset::cp437;
    return true;
}

} // namespace harbex
