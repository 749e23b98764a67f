// Grouping records by player name in one pass: a name as a fixed-size key
// (its first 40 bytes zero-padded, and its length), built straight from a
// record in a scan buffer without copying into a string, and an open-addressing
// index from keys to dense numbers in order of first insertion. Memory grows
// with the number of distinct names, never with the number of lookups.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace records {

// For each name length 0..40, the masks that keep the name's bytes of the five
// words in memory order and clear the rest (a table, so no branches per record).
struct TNameMasks {
    uint64_t Masks[41][5];
    constexpr TNameMasks() : Masks{} {
        for (int len = 0; len <= 40; ++len)
            for (int w = 0; w < 5; ++w)
                for (int j = 0; j < 8; ++j)
                    if (8 * w + j < len) Masks[len][w] |= uint64_t{0xFF} << ByteShift(j);
    }
    // Where memory byte AByte of a word sits in the host's order, in bits.
    static constexpr int ByteShift(int AByte) {
        return 8 * (std::endian::native == std::endian::little ? AByte : 7 - AByte);
    }
};

inline constexpr TNameMasks NAME_MASKS{};

struct TNameKey {
    uint64_t Words[5]; // the name's bytes in host order, zero after the name
    uint64_t Length;

    // From a length-prefixed name field (1 length byte + 40 name bytes, all
    // readable); a length above 40 counts as 40, bytes after the name are ignored.
    static TNameKey FromField(const uint8_t* AField) {
        TNameKey k;
        k.Length = AField[0] < 40 ? AField[0] : 40;
        const uint64_t* mask = NAME_MASKS.Masks[k.Length];
        for (int i = 0; i < 5; ++i) {
            uint64_t word;
            std::memcpy(&word, AField + 1 + 8 * i, 8);
            k.Words[i] = word & mask[i];
        }
        return k;
    }
    // The first 40 bytes of AName.
    static TNameKey FromName(std::string_view AName) {
        TNameKey k{};
        k.Length = AName.size() < 40 ? AName.size() : 40;
        if (k.Length > 0) std::memcpy(k.Words, AName.data(), k.Length);
        return k;
    }
    // A multiplicative hash: every bit of the key reaches the top bits, which
    // are the ones TNameIndex uses; the low bits are poorly mixed.
    uint64_t Hash() const {
        return Words[0] * 0x9E3779B97F4A7C15ULL + Words[1] * 0xC2B2AE3D27D4EB4FULL +
               Words[2] * 0x165667B19E3779F9ULL + Words[3] * 0xD6E8FEB86659FD93ULL +
               Words[4] * 0xFF51AFD7ED558CCDULL + Length * 0xC4CEB9FE1A85EC53ULL;
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

// Slots hold a key's number + 1 (0 = empty) and are taken from the top bits of
// the hash, probing linearly. At most one slot in LOAD_FACTOR is used, so a
// lookup nearly always ends at its first slot. An empty slot points at entry 0
// of the key list, a placeholder: so the probe loop reads the key of a slot
// before it tests for an empty one, and should the placeholder match, the
// number it gives, 0 - 1, is NONE all the same.
class TNameIndex {
  public:
    static constexpr uint32_t NONE = 0xFFFFFFFFu;

    TNameIndex() : FKeys{Placeholder()}, FSlots(MIN_SLOTS, 0), FShift(64 - MIN_SLOT_BITS) {}

    uint32_t Find(const TNameKey& AKey, uint64_t AHash) const {
        const std::size_t mask = FSlots.size() - 1;
        for (std::size_t s = AHash >> FShift;; s = (s + 1) & mask) {
            const uint32_t at = FSlots[s];
            if (FKeys[at] == AKey) return at - 1;
            if (at == 0) return NONE;
        }
    }
    // AKey must not be present yet.
    uint32_t Insert(const TNameKey& AKey, uint64_t AHash) {
        const auto index = static_cast<uint32_t>(FKeys.size() - 1);
        FKeys.push_back(AKey);
        if (Size() * LOAD_FACTOR > FSlots.size())
            Grow();
        else
            Place(index, AHash);
        return index;
    }
    std::size_t Size() const { return FKeys.size() - 1; }
    std::string Name(uint32_t AIndex) const { return FKeys[AIndex + 1].Name(); }

  private:
    static constexpr std::size_t LOAD_FACTOR = 8; // slots per key, at least
    static constexpr unsigned MIN_SLOT_BITS = 6;
    static constexpr std::size_t MIN_SLOTS = std::size_t{1} << MIN_SLOT_BITS;

    static TNameKey Placeholder() {
        TNameKey k{};
        k.Length = 0xFF;
        return k;
    }
    void Place(uint32_t AIndex, uint64_t AHash) {
        const std::size_t mask = FSlots.size() - 1;
        std::size_t s = AHash >> FShift;
        while (FSlots[s] != 0)
            s = (s + 1) & mask;
        FSlots[s] = AIndex + 1;
    }
    void Grow() {
        FSlots.assign(FSlots.size() * 2, 0);
        --FShift;
        for (uint32_t i = 0; i < Size(); ++i)
            Place(i, FKeys[i + 1].Hash());
    }

    std::vector<TNameKey> FKeys; // [0] the placeholder, [i + 1] key number i
    std::vector<uint32_t> FSlots;
    unsigned FShift; // 64 - log2 of the slot count
};

} // namespace records
