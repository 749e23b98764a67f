#include "harbex/keydecoder.h"

#include <algorithm>

namespace harbex {

namespace {

constexpr char ESC = 27;
constexpr uint8_t IAC = 255, WILL = 251, WONT = 252, DO = 253, DONT = 254, SB = 250, SE = 240;

// "ESC [ n ~" keys: xterm, VT220, PuTTY, SyncTERM.
int TildeKey(int AParam) {
    switch (AParam) {
    case 1:
    case 7:
        return scHome;
    case 2:
        return scIns;
    case 3:
        return scDel;
    case 4:
    case 8:
        return scEnd;
    case 5:
        return scPgUp;
    case 6:
        return scPgDn;
    case 23:
        return scF11;
    case 24:
        return scF12;
    default:
        if (AParam >= 11 && AParam <= 15) return scF1 + (AParam - 11);
        if (AParam >= 17 && AParam <= 21) return scF6 + (AParam - 17);
        return -1;
    }
}

} // namespace

std::string TTelnetFilter::Feed(std::string_view AIn) {
    std::string out;
    out.reserve(AIn.size());
    for (const char ch : AIn) {
        const auto b = static_cast<uint8_t>(ch);
        switch (FState) {
        case sData:
            if (b == IAC)
                FState = sIAC;
            else
                out += ch;
            break;
        case sIAC:
            if (b == IAC) out += ch;
            FState = b == WILL || b == WONT || b == DO || b == DONT ? sOption
                     : b == SB                                      ? sSub
                                                                    : sData;
            break;
        case sOption:
            FState = sData;
            break;
        case sSub:
            if (b == IAC) FState = sSubIAC;
            break;
        case sSubIAC: // IAC SE ends the sub-negotiation; IAC IAC is a data byte inside it
            FState = b == SE ? sData : sSub;
            break;
        }
    }
    return out;
}

std::string TLineEnds::Feed(std::string_view AIn) {
    std::string out;
    for (const char c : AIn) {
        if ((c == '\n' || c == '\0') && FAfterCR) {
            FAfterCR = false;
            continue;
        }
        FAfterCR = c == '\r';
        out += c == '\n' ? '\r' : c;
    }
    return out;
}

void TKeyDecoder::FeedText(std::string_view AText) {
    if (FUtf8) {
        for (const char c : FReader.Translate(AText))
            Byte(c);
    } else {
        for (const char c : AText)
            Byte(c);
    }
}

void TKeyDecoder::Byte(char AByte) {
    const auto u = static_cast<unsigned char>(AByte);
    if (FSeq.size() == 1) { // after an ESC
        if (AByte == '[' || AByte == 'O') {
            FSeq += AByte;
            return;
        }
        FSeq.clear();
        FKeys.push_back({ESC, false}); // the ESC is a key; the byte counts on its own
    } else if (!FSeq.empty()) {
        if (FSeq[1] == 'O' || FSeq == "\x1b[[") return EndSequence(AByte);
        if (FSeq.size() == 2 && AByte == '[') { // the Linux console's "ESC [ [ A" to "E"
            FSeq += AByte;
            return;
        }
        if (u >= 0x20 && u <= 0x3F) { // parameters and intermediates
            if (FSeq.size() < 32) FSeq += AByte;
            return;
        }
        if (u >= 0x40 && u <= 0x7E) return EndSequence(AByte);
        FSeq.clear(); // not a sequence after all: dropped; the byte counts on its own
    }
    if (AByte == ESC) {
        FAfterCR = false;
        FSeq.assign(1, ESC);
        return;
    }
    if ((AByte == '\n' || AByte == '\0') && FAfterCR) {
        FAfterCR = false; // the CR already stood for this line end
        return;
    }
    FAfterCR = AByte == '\r';
    FKeys.push_back({AByte == '\n' ? '\r' : AByte, false});
}

void TKeyDecoder::EndSequence(char AFinal) {
    const bool csi = FSeq[1] == '[';
    int param = -1; // the first parameter, -1 when there is none
    for (size_t i = 2; csi && i < FSeq.size() && FSeq[i] >= '0' && FSeq[i] <= '9'; ++i)
        param = std::min((param < 0 ? 0 : param * 10) + (FSeq[i] - '0'),
                         10000); // all past 24 are unknown
    int code = -1;
    if (csi && AFinal == 'R' && FReportsDue > 0 && FSeq.find(';') != std::string::npos) {
        --FReportsDue; // a late cursor-position report
    } else if (FSeq == "\x1b[[") {
        if (AFinal >= 'A' && AFinal <= 'E') code = scF1 + (AFinal - 'A');
    } else {
        switch (AFinal) {
        case 'A':
            code = scUp;
            break;
        case 'B':
            code = scDown;
            break;
        case 'C':
            code = scRight;
            break;
        case 'D':
            code = scLeft;
            break;
        case 'H':
            code = scHome;
            break;
        case 'F':
            code = scEnd;
            break;
        case 'P':
        case 'Q':
        case 'R':
        case 'S': // VT100 F1-F4, and xterm's with a modifier
            if (param <= 1) code = scF1 + (AFinal - 'P');
            break;
        case '~':
            code = csi ? TildeKey(param) : -1;
            break;
        case 'K':
            code = csi && param < 0 ? scEnd : -1;
            break; // SyncTERM's End, PgUp, PgDn, Ins
        case 'V':
            code = csi && param < 0 ? scPgUp : -1;
            break;
        case 'U':
            code = csi && param < 0 ? scPgDn : -1;
            break;
        case '@':
            code = csi && param < 0 ? scIns : -1;
            break;
        default:
            break;
        }
    }
    FSeq.clear();
    if (code >= 0) FKeys.push_back({static_cast<char>(code), true});
}

void TKeyDecoder::Flush() {
    if (FSeq == "\x1b") FKeys.push_back({ESC, false});
    FSeq.clear();
}

TKey TKeyDecoder::TakeKey() {
    if (FKeys.empty()) return {};
    const TKey k = FKeys.front();
    FKeys.pop_front();
    return k;
}

} // namespace harbex
