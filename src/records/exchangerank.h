// The ranking procedure of the standings and the all-time records.
//
// Highest first by an exchange procedure whose handling of equal keys is part
// of the result: for each position i from 0 to n-2, and for each j from i+1 to
// n-1 in increasing order, swap the whole items i and j when key(i) < key(j).
//
// Pass i changes only positions i..n-1, so after the first P passes positions
// 0..P-1 already hold their final items. ExchangeRank with APlaces = P runs just
// those passes (n*P comparisons instead of n*n/2): positions 0..P-1 are exactly
// those of the full procedure, the rest are left in an unspecified order.
//
// Items whose key is below the P-th largest key never reach positions 0..P-1,
// and leaving them out changes nothing there: a pass moves items only along its
// chain of rising keys, where every smaller key comes before the larger ones,
// so the larger keys move among themselves as in a pass over them alone. To rank
// only the first P of many items, rank those whose key is at least PlaceKey.
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <limits>
#include <span>
#include <utility>
#include <vector>

namespace records {

template <class T, class TKey>
void ExchangeRank(std::span<T> AItems, TKey AKey,
                  std::size_t APlaces = static_cast<std::size_t>(-1)) {
    const std::size_t n = AItems.size();
    if (n < 2) return;
    const std::size_t passes = APlaces < n - 1 ? APlaces : n - 1;
    for (std::size_t i = 0; i < passes; ++i) {
        auto best = AKey(AItems[i]);
        for (std::size_t j = i + 1; j < n; ++j) {
            const auto k = AKey(AItems[j]);
            if (best < k) {
                using std::swap;
                swap(AItems[i], AItems[j]);
                best = k;
            }
        }
    }
}

// The APlaces-th largest key of AItems (APlaces >= 1), counting equal keys
// apart; the lowest value of the key's type when there are fewer items.
template <class TRange, class TKey>
auto PlaceKey(const TRange& AItems, TKey AKey, std::size_t APlaces) {
    using TValue = decltype(AKey(*std::begin(AItems)));
    std::vector<TValue> top; // a heap of the largest keys so far, smallest first
    top.reserve(APlaces);
    for (const auto& item : AItems) {
        const TValue key = AKey(item);
        if (top.size() < APlaces) {
            top.push_back(key);
            std::push_heap(top.begin(), top.end(), std::greater<>{});
        } else if (top.front() < key) {
            std::pop_heap(top.begin(), top.end(), std::greater<>{});
            top.back() = key;
            std::push_heap(top.begin(), top.end(), std::greater<>{});
        }
    }
    return top.size() < APlaces ? std::numeric_limits<TValue>::lowest() : top.front();
}

} // namespace records
