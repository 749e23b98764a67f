// Code page 437 and UTF-8: the table, text on its way out, keys on their way in, the locale and
// the terminal's answer to the probe.
#include <gtest/gtest.h>

#include <cstdlib>

#include "harbex/charset.h"
#include "kit.h"

using namespace kit;
const char* const kLocale[] = {"LC_ALL", "LC_CTYPE", "LANG"};

TEST(Charset, TableTextAndKeys) {
    const std::pair<uint8_t, char32_t> glyphs[] = {{0x01, 0x263A}, {0x03, 0x2665}, {0x06, 0x2660},
                                                   {0x41, 'A'},    {0x7F, 0x2302}, {0x81, 0x00FC},
                                                   {0xB3, 0x2502}, {0xC9, 0x2554}, {0xDB, 0x2588},
                                                   {0xE1, 0x00DF}, {0xFF, 0x00A0}};
    for (const auto& [byte, code] : glyphs) {
        EXPECT_EQ(Cp437ToUnicode(byte), code) << int(byte);
        EXPECT_EQ(UnicodeToCp437(code), byte) << int(byte);
    }
    int distinct = 0; // every byte but NUL shows its own character
    for (int b = 1; b < 256; ++b)
        distinct += UnicodeToCp437(Cp437ToUnicode(static_cast<uint8_t>(b))) == b;
    EXPECT_EQ(distinct, 255);
    EXPECT_EQ(UnicodeToCp437(0x20AC), '?') << "the euro sign has no glyph";

    // Out: glyphs translated, controls and escape sequences as they are, also split between calls.
    const std::string text = "\x1b[1;37m\xC9\xCD\r\n\x03\x1b[5;10f\x06 A\b\x1b"
                             "7\x7F";
    const std::string want = "\x1b[1;37m\u2554\u2550\r\n\u2665\x1b[5;10f\u2660 A\b\x1b"
                             "7\u2302";
    for (size_t cut = 0; cut <= text.size(); ++cut) {
        TUtf8Writer w;
        const std::string first = w.Translate(text.substr(0, cut));
        EXPECT_EQ(first + w.Translate(text.substr(cut)), want) << cut;
    }
    // In: a name in UTF-8 arrives in code page 437, whatever the split; what has no glyph is "?".
    const std::string keys = "J\u00FCrgen \u20AC\xFF\x1b[A\xC3", got = "J\x81rgen ??\x1b[A";
    for (size_t cut = 0; cut <= keys.size(); ++cut) {
        TUtf8Reader r;
        const std::string first = r.Translate(keys.substr(0, cut));
        EXPECT_EQ(first + r.Translate(keys.substr(cut)), got) << cut;
        EXPECT_TRUE(r.Pending());
    }
}

TEST(Charset, LocaleAndProbe) {
    for (const auto& l : Cases("locale")) {
        for (size_t i = 0; i < 3; ++i)
            l[i] == "-" ? unsetenv(kLocale[i]) : setenv(kLocale[i], l[i].c_str(), 1);
        EXPECT_EQ(CharsetOfLocale() == TCharset::utf8, l[3] == "utf8") << l[2];
    }
    for (const auto& a : Cases("probe")) {
        TCharset got = TCharset::cp437;
        std::string other;
        EXPECT_EQ(JudgeProbe(a[0], got, other), a[1] == "1") << a[0];
        EXPECT_EQ(got == TCharset::utf8, a[2] == "utf8") << a[0];
        EXPECT_EQ(other, a[3]) << a[0];
    }
}
