// Small open-addressing hash indexes used by the scans that group records:
// player names (byte strings of at most 40 bytes) and 64-bit keys, each mapped
// to a dense index in order of first insertion. Memory grows with the number
// of distinct keys, never with the number of records looked up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace records {

inline uint64_t MixHash(uint64_t AValue) {
    AValue ^= AValue >> 33;
    AValue *= 0xff51afd7ed558ccdULL;
    AValue ^= AValue >> 33;
    AValue *= 0xc4ceb9fe1a85ec53ULL;
    AValue ^= AValue >> 33;
    return AValue;
}

// Hash of a name of at most 40 bytes, eight bytes at a time.
inline uint64_t NameHash(std::string_view AName) {
    unsigned char buf[48] = {};
    const std::size_t len = AName.size() < 40 ? AName.size() : 40;
    if (len > 0) std::memcpy(buf, AName.data(), len);
    uint64_t h = 0x9E3779B97F4A7C15ULL ^ len;
    for (std::size_t i = 0; i < len; i += 8) {
        uint64_t w = 0;
        for (std::size_t b = 0; b < 8; ++b) w |= static_cast<uint64_t>(buf[i + b]) << (8 * b);
        h = (h ^ w) * 0x100000001b3ULL;
        h ^= h >> 29;
    }
    return MixHash(h);
}

class TNameIndex {
public:
    static constexpr uint32_t NONE = 0xFFFFFFFFu;

    uint32_t Find(std::string_view AName, uint64_t AHash) const {
        if (FSlots.empty()) return NONE;
        for (std::size_t s = AHash & FMask;; s = (s + 1) & FMask) {
            const uint32_t v = FSlots[s];
            if (v == 0) return NONE;
            if (FHashes[v - 1] == AHash && FNames[v - 1] == AName) return v - 1;
        }
    }
    // AName must not be present yet.
    uint32_t Insert(std::string_view AName, uint64_t AHash) {
        if ((FNames.size() + 1) * 2 > FSlots.size()) Grow();
        const auto index = static_cast<uint32_t>(FNames.size());
        FNames.emplace_back(AName);
        FHashes.push_back(AHash);
        Place(index);
        return index;
    }
    std::size_t Size() const { return FNames.size(); }
    const std::string& Name(uint32_t AIndex) const { return FNames[AIndex]; }

private:
    void Place(uint32_t AIndex) {
        std::size_t s = FHashes[AIndex] & FMask;
        while (FSlots[s] != 0) s = (s + 1) & FMask;
        FSlots[s] = AIndex + 1;
    }
    void Grow() {
        const std::size_t size = FSlots.empty() ? 64 : FSlots.size() * 2;
        FSlots.assign(size, 0);
        FMask = size - 1;
        for (uint32_t i = 0; i < FNames.size(); ++i) Place(i);
    }

    std::vector<std::string> FNames;
    std::vector<uint64_t> FHashes;
    std::vector<uint32_t> FSlots; // index + 1; 0 = empty
    std::size_t FMask = 0;
};

class TKeyIndex {
public:
    static constexpr uint32_t NONE = 0xFFFFFFFFu;

    uint32_t Find(uint64_t AKey) const {
        if (FSlots.empty()) return NONE;
        for (std::size_t s = MixHash(AKey) & FMask;; s = (s + 1) & FMask) {
            const uint32_t v = FSlots[s];
            if (v == 0) return NONE;
            if (FKeys[v - 1] == AKey) return v - 1;
        }
    }
    // AKey must not be present yet.
    uint32_t Insert(uint64_t AKey) {
        if ((FKeys.size() + 1) * 2 > FSlots.size()) Grow();
        const auto index = static_cast<uint32_t>(FKeys.size());
        FKeys.push_back(AKey);
        Place(index);
        return index;
    }
    std::size_t Size() const { return FKeys.size(); }

private:
    void Place(uint32_t AIndex) {
        std::size_t s = MixHash(FKeys[AIndex]) & FMask;
        while (FSlots[s] != 0) s = (s + 1) & FMask;
        FSlots[s] = AIndex + 1;
    }
    void Grow() {
        const std::size_t size = FSlots.empty() ? 64 : FSlots.size() * 2;
        FSlots.assign(size, 0);
        FMask = size - 1;
        for (uint32_t i = 0; i < FKeys.size(); ++i) Place(i);
    }

    std::vector<uint64_t> FKeys;
    std::vector<uint32_t> FSlots;
    std::size_t FMask = 0;
};

} // namespace records
