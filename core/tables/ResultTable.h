#pragma once

#include "core/base/DeepRunTypes.h"
#include "core/base/WordValue.h"
#include "core/tables/TableOrder.h"
#include "core/tables/TextFilter.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace orbisel::core {

// The rows of a deep run as a column store that grows while the run goes,
// sortable by every column and filtered by a text and by a row predicate.
// Stored rows keep their result order (0, 1, …); the view is the accepted
// stored rows in the shown order.
//
// Operations that change the view return the change for a presenter to
// announce: rows appended at the end (extendView adds them), a whole new view
// (setView installs it) or changed values.
class ResultTable {
public:
    enum Column { Word, Seed, Sources, Listings, Depth, Parent, Occurrences, Heat, Opportunity, ColumnCount };
    // Sorting with no column shows the result order.
    static constexpr int kResultOrder = -1;

    struct ViewChange {
        std::vector<std::uint32_t> appended;            // shown after the current view
        std::optional<std::vector<std::uint32_t>> view; // replaces the current view
        bool valuesChanged = false;
    };

    // Rows appended at the end of the result order.
    ViewChange appendRows(const std::vector<ResultRow> &rows);
    // Stored rows replaced in place (index in result order); unknown indexes are ignored.
    ViewChange changeRows(const std::vector<std::pair<std::size_t, ResultRow>> &rows);
    void clear();

    ViewChange sort(int column, bool descending);
    // Shows only words containing the UTF-8 text, ASCII letters in either case (empty: every
    // word); nothing changes for the filter already set.
    ViewChange setTextFilter(std::string_view text);
    // Shows only stored rows the predicate accepts (empty: every row).
    ViewChange setRowFilter(std::function<bool(std::size_t storedRow)> accepts);

    void extendView(const std::vector<std::uint32_t> &rows) {
        m_view.insert(m_view.end(), rows.begin(), rows.end());
    }
    void setView(std::vector<std::uint32_t> view) { m_view = std::move(view); }

    int sortColumn() const { return m_sortColumn; }
    bool descending() const { return m_descending; }
    const std::vector<std::uint32_t> &view() const { return m_view; }
    std::size_t storedRowCount() const { return m_listings.size(); }
    ResultRow storedRow(std::size_t row) const;
    std::string_view word(std::size_t row) const;
    const std::string &seed(std::size_t row) const { return m_seeds.at(m_seed[row]); }
    const std::string &parent(std::size_t row) const { return m_parents.at(m_parent[row]); }
    DeepSourceSet sources(std::size_t row) const { return m_sources[row]; }
    std::optional<long long> listings(std::size_t row) const;
    int depth(std::size_t row) const { return m_depth[row]; }
    long long occurrences(std::size_t row) const { return m_occurrences[row]; }
    // 热度 and 机会 on the scale of the rows so far, unrounded; none without a sum
    // (机会 also none without 商品数).
    std::optional<double> heat(std::size_t row) const;
    std::optional<double> opportunity(std::size_t row) const;
    const ValueScale &scale() const { return m_scale; }

private:
    class Interned {
    public:
        std::uint32_t add(const std::string &text);
        const std::string &at(std::uint32_t id) const { return *m_texts[id]; }
        std::size_t size() const { return m_texts.size(); }
        void clear();

    private:
        std::unordered_map<std::string, std::uint32_t> m_ids;
        std::vector<const std::string *> m_texts;
    };

    bool accepts(std::uint32_t row) const;
    bool less(std::uint32_t a, std::uint32_t b) const;
    int compareColumn(std::uint32_t a, std::uint32_t b) const;
    void sortAll();
    void sortByWord();
    std::vector<std::uint32_t> wordOrderOf(std::uint32_t first, std::uint32_t last) const;
    std::vector<std::uint8_t> acceptedRows() const;
    ViewChange rebuiltView() const;
    ViewChange insertSorted(std::vector<std::uint32_t> rows, bool moving);
    void storeRow(std::uint32_t row, const ResultRow &value);
    std::optional<double> popularity(std::size_t row) const;
    std::optional<double> opportunityRatio(std::size_t row) const;
    // Whether the row has no value in the sort column (shown last either way).
    bool emptyInSortColumn(std::uint32_t row) const;
    void rescale();

    std::string m_wordBytes;
    std::vector<std::uint64_t> m_wordStart{0};
    std::vector<std::uint32_t> m_rowsWithCapitals; // words with a capital ASCII letter
    Interned m_seeds;
    Interned m_parents;
    std::vector<std::uint32_t> m_seed;
    std::vector<std::uint32_t> m_parent;
    std::vector<std::uint8_t> m_sources;
    std::vector<std::uint8_t> m_depth;
    std::vector<std::int64_t> m_listings; // -1: none
    std::vector<std::int64_t> m_occurrences;
    std::vector<double> m_popularity; // -1: none
    ValueScale m_scale;               // of every stored row

    int m_sortColumn = kResultOrder;
    bool m_descending = false;
    std::vector<std::uint32_t> m_sorted;    // every stored row in the shown order
    std::vector<std::uint32_t> m_wordOrder; // the rows sorted so far in ascending 关键词 order
    std::vector<std::uint32_t> m_view;      // the accepted ones of m_sorted
    TextFilter m_textFilter;
    std::function<bool(std::size_t)> m_rowFilter;
};

} // namespace orbisel::core
