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
#pragma once

#include <cstddef>
#include <span>
#include <utility>

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

} // namespace records
