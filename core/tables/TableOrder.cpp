#include "core/tables/TableOrder.h"

#include "core/base/WordText.h"

#include <array>
#include <bit>
#include <cstring>
#include <utility>

namespace orbisel::core {
namespace {

// Stable: eight byte-wide counting passes, skipping a byte every key shares.
void radixSortByKey(std::vector<KeyedRow> &items) {
    const std::size_t n = items.size();
    std::vector<std::array<std::uint32_t, 256>> counts(8, std::array<std::uint32_t, 256>{});
    for (const KeyedRow &item : items)
        for (unsigned b = 0; b < 8; ++b)
            ++counts[b][(item.key >> (8 * b)) & 0xFF];
    std::vector<KeyedRow> scratch(n);
    for (unsigned b = 0; b < 8; ++b) {
        auto &count = counts[b];
        if (std::find(count.begin(), count.end(), n) != count.end())
            continue;
        std::uint32_t at = 0;
        for (std::uint32_t &c : count)
            at += std::exchange(c, at);
        for (const KeyedRow &item : items)
            scratch[count[(item.key >> (8 * b)) & 0xFF]++] = item;
        items.swap(scratch);
    }
}

} // namespace

void sortByKey(std::vector<KeyedRow> &items) {
    // Rows come in stored order, so the stable radix sort keeps ties by row.
    constexpr std::size_t kRadixFrom = 2048;
    const bool inRowOrder = std::is_sorted(
        items.begin(), items.end(), [](const KeyedRow &a, const KeyedRow &b) { return a.row < b.row; });
    if (items.size() >= kRadixFrom && inRowOrder) {
        radixSortByKey(items);
        return;
    }
    std::sort(items.begin(), items.end(), [](const KeyedRow &a, const KeyedRow &b) {
        return a.key != b.key ? a.key < b.key : a.row < b.row;
    });
}

std::uint64_t emptyLastKey(std::optional<std::uint64_t> key, bool descending) {
    if (!key)
        return UINT64_MAX;
    return descending ? UINT64_MAX - 1 - *key : std::min(*key, UINT64_MAX - 1);
}

std::uint64_t numberKey(long long value) {
    return static_cast<std::uint64_t>(value) ^ (1ull << 63);
}

std::uint64_t numberKey(double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value == 0 ? 0.0 : value);
    return bits & (1ull << 63) ? ~bits : bits | (1ull << 63);
}

std::uint64_t prefixKey(std::string_view text) {
    std::uint64_t key = 0;
    if (text.size() >= 8 && std::endian::native == std::endian::little) {
        std::memcpy(&key, text.data(), 8);
        return __builtin_bswap64(key);
    }
    for (std::size_t i = 0; i < 8; ++i)
        key = (key << 8) | (i < text.size() ? static_cast<unsigned char>(text[i]) : 0u);
    return key;
}

} // namespace orbisel::core
