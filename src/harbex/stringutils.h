// Small text helpers shared by the door kit and door programs: fixed duration
// formats, a one-character-delimiter tokeniser with its inverse, a forgiving
// Base64 decoder, and the decimal and letter-case conversions the kit's
// readers use. All functions are pure; none reports errors.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace harbex {

// Fields of a split text. Entry 0 is always empty; fields sit at 1..N, so the
// highest index (size() - 1) is the number of fields.
using TTokens = std::vector<std::string>;

// Durations in seconds. Division truncates toward zero and remainders keep the
// sign of the dividend, so negative inputs are formatted component by component.
//   SecToDHMS(3725) = "0d 1h 2m 5s"     SecToHMS(3725) = "01:02:05"
//   SecToHM(3725)   = "01:02"           SecToMS(3725)  = "62:05"
// Two-digit parts are padded to at least two characters, never cut.
std::string SecToDHMS(int32_t ASec);
std::string SecToHMS(int32_t ASec);
std::string SecToHM(int32_t ASec);
std::string SecToMS(int32_t ASec);

// Splits AText at every ADelim. An empty text gives one empty field; adjacent
// delimiters give an empty field; a delimiter at either end gives an empty
// first or last field.
TTokens StrToTok(const std::string& AText, char ADelim);
// Joins entries AStartIndex..highest with ADelim between them; empty when
// AStartIndex is above the highest index. A negative start counts as 0.
// TokToStr(StrToTok(S, D), D) == S.
std::string TokToStr(const TTokens& ATokens, char ADelim);
std::string TokToStr(const TTokens& ATokens, char ADelim, int AStartIndex);

// Decodes Base64 (A-Z a-z 0-9 + /). Characters outside the alphabet, such as
// line breaks, are skipped; decoding ends at the first "=" pad. Bits left over
// at the end that do not make a whole byte are dropped.
std::string Base64Decode(const std::string& ABase64);

// The text as a signed 32-bit decimal integer: optional leading blanks, an
// optional sign and at least one digit, nothing after them. Anything else,
// including an empty text or a value outside the 32-bit range, gives ADefault.
int32_t StrToIntDef(const std::string& AText, int32_t ADefault);

// ASCII letter-case conversion; other bytes are copied unchanged.
std::string UpperCase(const std::string& AText);

// Inline colour codes of the kit's writer (DoorWrite):
// Pipe codes to sequences: "|" + two hex digits (either case) becomes AnsiTextAttr of the
// value with the blink bit dropped; anything else, and texts under 3 bytes, are copied.
std::string PipeToAnsi(const std::string& AText);
// The text with grave-accent (Vesk) codes removed: an accent and the character after it,
// "`r" and the two after it, a trailing lone accent. Pipe codes are not touched.
std::string VeskStrip(const std::string& AText);

} // namespace harbex
