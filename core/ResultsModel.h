#pragma once

#include "core/DeepRunTypes.h"

#include <QAbstractTableModel>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace orbisel::core {

// The rows of a deep run as a table: a column store that grows while the run goes,
// sortable by every column and filtered by a text and by a row predicate. Stored rows
// keep their result order (0, 1, …); the view is an index vector over them.
class ResultsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Word, Seed, Sources, Listings, Depth, Parent, Occurrences, ColumnCount };
    // Sorting with no column shows the result order.
    static constexpr int kResultOrder = -1;

    explicit ResultsModel(QObject *parent = nullptr);
    ~ResultsModel() override;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Rows appended at the end of the result order.
    void appendRows(const std::vector<ResultRow> &rows);
    // Stored rows replaced in place (index in result order); unknown indexes are ignored.
    void changeRows(const std::vector<std::pair<std::size_t, ResultRow>> &rows);
    void clear();

    // Shows only words containing text, ASCII letters in either case (empty: every word).
    void setTextFilter(const QString &text);
    // Shows only stored rows the predicate accepts (empty: every row).
    void setRowFilter(std::function<bool(std::size_t storedRow)> accepts);

    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }
    std::size_t storedRowCount() const { return m_listings.size(); }
    std::size_t storedRowAt(int viewRow) const { return m_view[static_cast<std::size_t>(viewRow)]; }
    ResultRow storedRow(std::size_t row) const;
    std::string_view word(std::size_t row) const;

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
    void orderByWord(std::vector<std::uint32_t>::iterator begin, std::vector<std::uint32_t>::iterator end,
                     std::size_t depth) const;
    std::vector<std::uint8_t> acceptedRows() const;
    void rebuildView();
    void insertSorted(std::vector<std::uint32_t> rows, bool moving);
    void replaceView(std::vector<std::uint32_t> view);
    void storeRow(std::uint32_t row, const ResultRow &value);

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

    int m_sortColumn = kResultOrder;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    std::vector<std::uint32_t> m_sorted;    // every stored row in the shown order
    std::vector<std::uint32_t> m_wordOrder; // the rows sorted so far in ascending 关键词 order
    std::vector<std::uint32_t> m_view;      // the accepted ones of m_sorted
    std::string m_textFilter;               // ASCII letters folded
    bool m_textFilterHasLetters = false;
    std::function<bool(std::size_t)> m_rowFilter;
};

} // namespace orbisel::core
