#pragma once

#include "core/analytics/AnalyticsTable.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

// What every format's reader hands on: the cells of a sheet, row by row.
namespace orbisel::core {

struct SheetCell {
    enum class Kind { Empty, Text, Number };
    Kind kind = Kind::Empty;
    std::string text;  // UTF-8, Text cells
    double number = 0; // Number cells, percent-styled ones already times 100
};

inline constexpr std::size_t kMaxSheetColumns = 16384;

// Builds the table from the rows of a sheet: finds the header among the first
// rows, maps its columns and reads each row after it. The period comes from the
// file name, else from a note row above the header.
class SheetRows {
public:
    explicit SheetRows(std::string_view fileName);

    // Rows come in increasing order; `number` is 1-based, rows left out are empty.
    void add(long long number, std::span<const SheetCell> cells);
    // False once the header search has failed: later rows cannot change the outcome.
    bool wantsMore() const;
    // Cells at this column index or beyond are not looked at (all before the header).
    std::size_t columnsWanted() const;
    AnalyticsResult finish();

private:
    bool takeHeader(std::span<const SheetCell> cells);
    void addWordRow(long long number, std::span<const SheetCell> cells);

    AnalyticsTable m_table;
    std::optional<AnalyticsPeriod> m_notePeriod;
    bool m_fileNamePeriod = false;
    bool m_headerFound = false;
    long long m_lastRow = 0;
    std::size_t m_wordColumn = 0;
    std::vector<std::pair<std::size_t, AnalyticsFigure>> m_figureColumns;
};

} // namespace orbisel::core
