#include "core/tables/ComparisonTable.h"

#include "core/base/WordValue.h"

#include <numeric>

namespace orbisel::core {
namespace {

TableCell count(std::optional<long long> value) {
    return value ? TableCell(*value) : TableCell();
}

TableCell figure(std::optional<double> value) {
    return value ? TableCell(oneDecimal(*value)) : TableCell();
}

// The key a number column orders by; none for an empty cell.
std::optional<std::uint64_t> numberKeyOf(const TableCell &cell) {
    if (const auto *whole = std::get_if<long long>(&cell))
        return numberKey(*whole);
    if (const auto *decimal = std::get_if<double>(&cell))
        return numberKey(*decimal);
    return std::nullopt;
}

} // namespace

std::string_view stateText(ComparisonState state) {
    switch (state) {
    case ComparisonState::Added:
        return "新增";
    case ComparisonState::Kept:
        return "保留";
    case ComparisonState::Gone:
        break;
    }
    return "消失";
}

TableCell comparisonCell(const ComparedWord &word, int column) {
    switch (column) {
    case CompareWord:
        return std::string_view(word.word);
    case CompareState:
        return stateText(word.state);
    case CompareOldListings:
        return count(word.oldListings);
    case CompareNewListings:
        return count(word.newListings);
    case CompareListingsChange:
        return count(word.listingsChange());
    case CompareListingsPercent:
        return figure(word.listingsChangePercent());
    case CompareOldHeat:
        return figure(word.oldHeat);
    case CompareNewHeat:
        return figure(word.newHeat);
    case CompareHeatChange:
        return figure(word.heatChange());
    default:
        return {};
    }
}

ComparisonTable::View ComparisonTable::setComparison(std::shared_ptr<const RunComparison> comparison) {
    m_comparison = std::move(comparison);
    m_sortColumn = kComparisonOrder;
    m_descending = false;
    m_wordOrder.clear();
    return filtered(sorted());
}

ComparisonTable::View ComparisonTable::sort(int column, bool descending) {
    m_sortColumn = column >= 0 && column < kComparisonColumnCount ? column : kComparisonOrder;
    m_descending = descending;
    return filtered(sorted());
}

std::optional<ComparisonTable::View> ComparisonTable::setTextFilter(std::string_view text) {
    if (!m_textFilter.set(text))
        return std::nullopt;
    return filtered(m_sorted);
}

ComparisonTable::View ComparisonTable::sorted() {
    const auto n = static_cast<std::uint32_t>(storedRowCount());
    const auto wordOf = [this](std::uint32_t row) { return word(row); };
    if (m_sortColumn == CompareWord) {
        if (m_wordOrder.size() != n) {
            m_wordOrder.resize(n);
            std::iota(m_wordOrder.begin(), m_wordOrder.end(), 0u);
            orderByWord(m_wordOrder.begin(), m_wordOrder.end(), 0, wordOf);
        }
        m_sorted = m_wordOrder;
        if (m_descending)
            reverseByWord(m_sorted, wordOf);
        return m_sorted;
    }
    m_sorted.resize(n);
    std::iota(m_sorted.begin(), m_sorted.end(), 0u);
    if (m_sortColumn == kComparisonOrder)
        return m_sorted;
    std::vector<KeyedRow> keyed(n);
    for (std::uint32_t row = 0; row < n; ++row) {
        const ComparedWord &w = storedRow(row);
        if (m_sortColumn == CompareState) {
            const auto rank = static_cast<std::uint64_t>(w.state);
            keyed[row] = {m_descending ? ~rank : rank, row};
        } else {
            keyed[row] = {emptyLastKey(numberKeyOf(comparisonCell(w, m_sortColumn)), m_descending), row};
        }
    }
    sortByKey(keyed);
    for (std::uint32_t i = 0; i < n; ++i)
        m_sorted[i] = keyed[i].row;
    return m_sorted;
}

ComparisonTable::View ComparisonTable::filtered(const View &sorted) const {
    if (m_textFilter.empty())
        return sorted;
    View view;
    for (std::uint32_t row : sorted)
        if (m_textFilter.accepts(word(row)))
            view.push_back(row);
    return view;
}

} // namespace orbisel::core
