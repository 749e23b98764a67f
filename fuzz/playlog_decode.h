// The play log decoded here on its own, at the record offsets (name length at 0, name bytes
// 1-40, date at 48, score at 56, frames at 60), whole records only: the reference the store
// targets check the store against.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace fuzz {

struct Rec {
    std::string Name;
    double Date;
    int32_t Score;
    int32_t Frames;
};

std::vector<Rec> Decode(const std::string& ALog) {
    std::vector<Rec> out;
    for (size_t off = 0; off + 64 <= ALog.size(); off += 64) {
        const char* p = ALog.data() + off;
        Rec r;
        r.Name.assign(p + 1, std::min<size_t>(static_cast<uint8_t>(p[0]), 40));
        std::memcpy(&r.Date, p + 48, 8);
        std::memcpy(&r.Score, p + 56, 4);
        std::memcpy(&r.Frames, p + 60, 4);
        out.push_back(r);
    }
    return out;
}

}  // namespace fuzz
