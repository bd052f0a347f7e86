#pragma once

#include "core/files/TableWriter.h"
#include "core/insight/RunComparison.h"
#include "core/tables/TableOrder.h"
#include "core/tables/TextFilter.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace orbisel::core {

// The columns of a comparison, in every table and file.
enum ComparisonColumn {
    CompareWord,            // 关键词
    CompareState,           // 状态
    CompareOldListings,     // 前商品数
    CompareNewListings,     // 后商品数
    CompareListingsChange,  // 商品数变化
    CompareListingsPercent, // 变化率 (%)
    CompareOldHeat,         // 前热度
    CompareNewHeat,         // 后热度
    CompareHeatChange,      // 热度变化
    kComparisonColumnCount
};
inline constexpr std::string_view kComparisonColumns[kComparisonColumnCount] = {
    "关键词", "状态", "前商品数", "后商品数", "商品数变化", "变化率", "前热度", "后热度", "热度变化"};
// 关键词 and 状态; the others hold numbers.
constexpr bool isTextColumn(int column) {
    return column == CompareWord || column == CompareState;
}

// 新增, 保留 or 消失.
std::string_view stateText(ComparisonState state);

// One cell as tables and files show it: empty, text, a whole number or a
// figure rounded to one decimal (变化率 in percent).
TableCell comparisonCell(const ComparedWord &word, int column);

// A comparison as a table sortable by every column (numbers empty last either
// way, ties in the comparison's order) and filtered by a text in its words.
// Stored rows are the comparison's words (0, 1, …); the view is the accepted
// ones in the shown order. Sorting and filtering return the new view for a
// presenter to install (setView), or none when it stays.
class ComparisonTable {
public:
    static constexpr int kComparisonOrder = -1;
    using View = std::vector<std::uint32_t>;

    // Shows the comparison in its own order, the filter kept.
    View setComparison(std::shared_ptr<const RunComparison> comparison);
    View sort(int column, bool descending);
    std::optional<View> setTextFilter(std::string_view text);
    void setView(View view) { m_view = std::move(view); }

    const View &view() const { return m_view; }
    int sortColumn() const { return m_sortColumn; }
    bool descending() const { return m_descending; }
    const std::shared_ptr<const RunComparison> &comparison() const { return m_comparison; }
    std::size_t storedRowCount() const { return m_comparison ? m_comparison->words.size() : 0; }
    const ComparedWord &storedRow(std::size_t row) const { return m_comparison->words[row]; }

private:
    std::string_view word(std::uint32_t row) const { return m_comparison->words[row].word; }
    View sorted();
    View filtered(const View &sorted) const;

    std::shared_ptr<const RunComparison> m_comparison;
    int m_sortColumn = kComparisonOrder;
    bool m_descending = false;
    TextFilter m_textFilter;
    View m_sorted;    // every stored row in the shown order
    View m_wordOrder; // the rows in ascending 关键词 order, once needed
    View m_view;
};

} // namespace orbisel::core
