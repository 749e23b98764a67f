// Character sets of the caller's terminal. The door draws in code page 437 (the IBM PC's set:
// line drawing, card suits, accented letters); a UTF-8 terminal gets every byte of text as the
// Unicode character that code page 437 shows for it, control-range glyphs included (the suits
// are bytes 3 to 6). Escape sequences and the control bytes a terminal acts on pass unchanged,
// so a screen looks the same, cell for cell, in either set.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace harbex {

enum class TCharset { cp437, utf8 };

// The Unicode code point code page 437 shows for a byte.
char32_t Cp437ToUnicode(uint8_t AByte);
// The byte of code page 437 that shows a code point; '?' when none does. Bytes 1-31 and 127
// answer for their glyphs (U+263A ... U+2302); plain ASCII answers for itself.
uint8_t UnicodeToCp437(char32_t ACodePoint);
// A code point as UTF-8.
std::string Utf8(char32_t ACodePoint);

// Code page 437 text to UTF-8 as a stream: its state carries an escape sequence split between
// two calls. ESC, CR, LF, BS, TAB, BEL and NUL are controls and pass as they are; so does every
// byte of an escape sequence (ESC [ ... final byte, or ESC and one byte).
class TUtf8Writer {
  public:
    std::string Translate(std::string_view AText);

  private:
    enum { sText, sEscape, sCsi } FState = sText;
};

// UTF-8 from the caller to code page 437 as a stream: a multi-byte character becomes the one
// byte that shows it, or '?' when code page 437 has no glyph for it; bytes that cannot start or
// continue a character become '?'. A character split between two calls is held until it is
// whole. ASCII passes unchanged, so escape sequences and telnet-free control bytes do too.
class TUtf8Reader {
  public:
    std::string Translate(std::string_view ABytes);
    bool Pending() const { return FNeed > 0; } // part of a character is held

  private:
    char32_t FCode = 0;
    int FNeed = 0;
};

// The character set the locale names: UTF-8 when the first of LC_ALL, LC_CTYPE and LANG that is
// set and not empty names UTF-8 (as "en_GB.UTF-8" or "C.utf8" do), else code page 437.
TCharset CharsetOfLocale();

// Judges the answers of a terminal to the probe: a cursor-position request, a test character
// sent as UTF-8 (two bytes, one column), and a second request. AReplies is what came back; the
// terminal is UTF-8 when the column moved by one, code page 437 when it moved by two (each byte
// a glyph). Returns false until both answers are there; AOther receives the bytes that were not
// part of an answer (keys the caller typed meanwhile), AAnswers (when given) how many answers
// were there.
bool JudgeProbe(std::string_view AReplies, TCharset& ACharset, std::string& AOther,
                int* AAnswers = nullptr);
// What the probe sends: the request, the test character, the request again; and what undoes its
// traces on a terminal that showed them (back to the line's start, the line cleared).
extern const std::string PROBE_REQUEST;
extern const std::string PROBE_CLEANUP;

} // namespace harbex
