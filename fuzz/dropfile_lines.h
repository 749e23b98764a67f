// The drop-file readers checked against an independent line splitter: every text field a
// reader stores must be exactly the line (or lines) its format puts there, and every
// number field must be what the decimal parser makes of its line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "harbex/door.h"
#include "harbex/dropfiles.h"
#include "harbex/stringutils.h"

namespace fuzz {

// Lines end at LF, CR LF or a lone CR; each keeps at most kDropLineMax bytes; at most
// kDropFileMax bytes are read. Line n (1-based) past the end is empty.
class RefLines {
  public:
    explicit RefLines(std::string AData) {
        if (AData.size() > harbex::kDropFileMax) AData.resize(harbex::kDropFileMax);
        std::string cur;
        bool open = false;
        for (size_t i = 0; i < AData.size(); ++i) {
            const char c = AData[i];
            if (c == '\n' || c == '\r') {
                if (c == '\r' && i + 1 < AData.size() && AData[i + 1] == '\n') ++i;
                FLines.push_back(cur);
                cur.clear();
                open = false;
                continue;
            }
            open = true;
            if (cur.size() < harbex::kDropLineMax) cur += c;
        }
        if (open) FLines.push_back(cur);
    }
    std::string operator[](size_t AOneBased) const {
        return AOneBased >= 1 && AOneBased <= FLines.size() ? FLines[AOneBased - 1] : std::string();
    }
    int32_t Int(size_t AOneBased, int32_t ADefault) const {
        return harbex::StrToIntDef((*this)[AOneBased], ADefault);
    }

  private:
    std::vector<std::string> FLines;
};

inline int32_t Minutes(int32_t AMinutes) {
    const int64_t s = static_cast<int64_t>(AMinutes) * 60;
    return s > INT32_MAX ? INT32_MAX : s < INT32_MIN ? INT32_MIN : static_cast<int32_t>(s);
}

inline int32_t ZeroBased(int32_t AValue) { return AValue == INT32_MIN ? AValue : AValue - 1; }

// A record with every field set to a marker, so untouched fields can be recognised.
inline harbex::TDoorDropInfo Marked() {
    harbex::TDoorDropInfo i;
    i.Access = 7777;
    i.Alias = "marker-alias";
    i.Baud = 7777;
    i.ComNum = 7777;
    i.ComType = 77;
    i.MaxSeconds = 7777;
    i.Node = 7777;
    i.RealName = "marker-real";
    i.RecPos = 7777;
    return i;
}

}  // namespace fuzz
