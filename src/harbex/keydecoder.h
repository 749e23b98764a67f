// The one input decoder of the door kit: the caller's bytes in, keys out. A pure state
// machine without I/O, its state kept between calls, so a sequence split across receives
// decodes as if it came in one. Three stages:
// 1. Telnet (socket channel only): IAC IAC is the data byte 255; commands, negotiations and
//    sub-negotiations are removed.
// 1a. UTF-8 (a caller whose terminal is UTF-8): each character becomes the code page 437 byte
//    that shows it, or "?" (charset.h), so a multi-byte key is one key and never stray bytes.
// 2. Line ends: CR LF, CR NUL and a lone CR are one Enter (CR, 13); a lone LF is one Enter.
// 3. Escape sequences: every CSI (ESC [ parameters, intermediates, a final byte 0x40-0x7E) and
//    SS3 (ESC O and one byte) sequence is consumed whole. The known ones give extended keys
//    (their PC scan codes, below) in the forms SyncTERM, xterm, VT100, PuTTY and the Linux
//    console send; modifiers are ignored (Ctrl+Up is Up). Unknown ones give nothing. ESC
//    followed by any other byte is the key ESC (27), then that byte; a lone ESC waits for the
//    next byte until Flush, which makes it the key ESC (an unfinished sequence is dropped).
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "harbex/charset.h"

namespace harbex {

// PC scan codes of the extended keys.
enum TScanCode : uint8_t {
    scF1 = 59,
    scF2,
    scF3,
    scF4,
    scF5,
    scF6,
    scF7,
    scF8,
    scF9,
    scF10, // 59-68
    scHome = 71,
    scUp = 72,
    scPgUp = 73,
    scLeft = 75,
    scRight = 77,
    scEnd = 79,
    scDown = 80,
    scPgDn = 81,
    scIns = 82,
    scDel = 83,
    scF11 = 133,
    scF12 = 134,
};

struct TKey {
    char Ch = 0; // the byte, or the scan code of an extended key
    bool Extended = false;
    bool operator==(const TKey&) const = default;
};

// Telnet receive filter: data bytes out; a command split across receives is carried over.
class TTelnetFilter {
  public:
    std::string Feed(std::string_view AIn);

  private:
    enum TState { sData, sIAC, sOption, sSub, sSubIAC };
    TState FState = sData;
};

// Line-end folding with its state kept across receives (stage 2 alone, for the comm channel's
// byte interface): CR LF, CR NUL, CR and LF each become one CR.
class TLineEnds {
  public:
    std::string Feed(std::string_view AIn);

  private:
    bool FAfterCR = false;
};

class TKeyDecoder {
  public:
    explicit TKeyDecoder(bool ATelnet = false) : FTelnet(ATelnet) {}
    void Feed(std::string_view ABytes) { FeedText(Telnet(ABytes)); }
    // The stages one at a time: the telnet stage alone (its data bytes are returned), and the
    // others on bytes that passed it.
    std::string Telnet(std::string_view ABytes) {
        return FTelnet ? FFilter.Feed(ABytes) : std::string(ABytes);
    }
    void FeedText(std::string_view AText);
    // The caller's terminal sends UTF-8 (stage 1a on) or code page 437.
    void SetUtf8(bool AUtf8) { FUtf8 = AUtf8; }
    // The next ACount cursor-position reports (ESC [ row ; column R) are answers to requests
    // whose wait is over: they give no key (xterm's F3 with a modifier has the same form).
    void ExpectReports(int ACount) { FReportsDue = ACount; }
    // The wait for the rest of an escape sequence is over.
    void Flush();
    bool Pending() const { return !FSeq.empty(); } // an escape sequence is unfinished
    bool HasKey() const { return !FKeys.empty(); }
    TKey TakeKey();

  private:
    void Byte(char AByte);
    void EndSequence(char AFinal);
    bool FTelnet, FUtf8 = false;
    int FReportsDue = 0;
    TTelnetFilter FFilter;
    TUtf8Reader FReader;
    bool FAfterCR = false;
    std::string FSeq; // an escape sequence under way, from its ESC
    std::deque<TKey> FKeys;
};

} // namespace harbex
