// Grouping records by player name in one pass: a name as a fixed-size key
// (its first 40 bytes zero-padded, and its length), built straight from a
// record in a scan buffer without copying into a string, and an open-addressing
// index from keys to dense numbers in order of first insertion. Memory grows
// with the number of distinct names, never with the number of lookups.
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

// For each name length 0..40, the masks that keep the name's bytes of the five
// words in memory order and clear the rest (a table, so no branches per record).
struct TNameMasks {
    uint64_t Masks[41][5];
    TNameMasks() {
        for (int len = 0; len <= 40; ++len)
            for (int w = 0; w < 5; ++w) {
                unsigned char b[8];
                for (int j = 0; j < 8; ++j)
                    b[j] = 8 * w + j < len ? 0xFF : 0x00;
                std::memcpy(&Masks[len][w], b, 8);
            }
    }
};

inline const TNameMasks& KeepMasks() {
    static const TNameMasks masks;
    return masks;
}

struct TNameKey {
    uint64_t Words[5]; // the name's bytes in host order, zero after the name
    uint64_t Length;

    // From a length-prefixed name field (1 length byte + 40 name bytes, all
    // readable); a length above 40 counts as 40, bytes after the name are ignored.
    static TNameKey FromField(const uint8_t* AField) {
        TNameKey k;
        k.Length = AField[0] < 40 ? AField[0] : 40;
        std::memcpy(k.Words, AField + 1, 40);
        const uint64_t* mask = KeepMasks().Masks[k.Length];
        for (int i = 0; i < 5; ++i)
            k.Words[i] &= mask[i];
        return k;
    }
    // The first 40 bytes of AName.
    static TNameKey FromName(std::string_view AName) {
        TNameKey k{};
        k.Length = AName.size() < 40 ? AName.size() : 40;
        if (k.Length > 0) std::memcpy(k.Words, AName.data(), k.Length);
        return k;
    }
    uint64_t Hash() const {
        const uint64_t h = Words[0] * 0x9E3779B97F4A7C15ULL + Words[1] * 0xC2B2AE3D27D4EB4FULL +
                           Words[2] * 0x165667B19E3779F9ULL + Words[3] * 0xD6E8FEB86659FD93ULL +
                           Words[4] * 0xFF51AFD7ED558CCDULL + Length;
        return MixHash(h);
    }
    bool operator==(const TNameKey& AOther) const {
        return ((Words[0] ^ AOther.Words[0]) | (Words[1] ^ AOther.Words[1]) |
                (Words[2] ^ AOther.Words[2]) | (Words[3] ^ AOther.Words[3]) |
                (Words[4] ^ AOther.Words[4]) | (Length ^ AOther.Length)) == 0;
    }
    std::string Name() const {
        char b[40];
        std::memcpy(b, Words, 40);
        return std::string(b, Length);
    }
};

class TNameIndex {
  public:
    static constexpr uint32_t NONE = 0xFFFFFFFFu;

    uint32_t Find(const TNameKey& AKey, uint64_t AHash) const {
        if (FSlots.empty()) return NONE;
        const auto tag = static_cast<uint32_t>(AHash >> 32);
        for (std::size_t s = AHash & FMask;; s = (s + 1) & FMask) {
            const TSlot slot = FSlots[s];
            if (slot.Index == 0) return NONE;
            if (slot.Tag == tag && FKeys[slot.Index - 1] == AKey) return slot.Index - 1;
        }
    }
    // AKey must not be present yet.
    uint32_t Insert(const TNameKey& AKey, uint64_t AHash) {
        if ((FKeys.size() + 1) * 2 > FSlots.size()) Grow();
        const auto index = static_cast<uint32_t>(FKeys.size());
        FKeys.push_back(AKey);
        FHashes.push_back(AHash);
        Place(index);
        return index;
    }
    std::size_t Size() const { return FKeys.size(); }
    std::string Name(uint32_t AIndex) const { return FKeys[AIndex].Name(); }

  private:
    struct TSlot {
        uint32_t Tag;   // high half of the hash
        uint32_t Index; // index + 1; 0 = empty
    };
    void Place(uint32_t AIndex) {
        const uint64_t hash = FHashes[AIndex];
        std::size_t s = hash & FMask;
        while (FSlots[s].Index != 0)
            s = (s + 1) & FMask;
        FSlots[s] = {static_cast<uint32_t>(hash >> 32), AIndex + 1};
    }
    void Grow() {
        const std::size_t size = FSlots.empty() ? 64 : FSlots.size() * 2;
        FSlots.assign(size, TSlot{0, 0});
        FMask = size - 1;
        for (uint32_t i = 0; i < FKeys.size(); ++i)
            Place(i);
    }

    std::vector<TNameKey> FKeys;
    std::vector<uint64_t> FHashes;
    std::vector<TSlot> FSlots;
    std::size_t FMask = 0;
};

} // namespace records
