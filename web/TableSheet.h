#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct lxw_worksheet;

namespace orbisel {

// The width of text in a spreadsheet's column units: two for an East Asian wide
// or full-width character (汉字, full-width punctuation), one for any other.
int displayWidth(std::string_view utf8);

// A table written into a worksheet row by row, its header in the first row,
// and laid out by finish(): the header row frozen, an autofilter over the
// table, and every column as wide as its widest cell (a header cell leaves room
// for the filter button), at most kMaxColumnWidth. finish() changes only the
// sheet's settings, so it may follow the rows of a constant-memory workbook.
class TableSheet {
public:
    static constexpr int kMaxColumnWidth = 60;

    explicit TableSheet(lxw_worksheet *sheet) : m_sheet(sheet) {}

    // False when the cell was not written. Rows come in order, as constant memory requires.
    bool text(std::uint32_t row, std::uint16_t column, std::string_view utf8);
    bool number(std::uint32_t row, std::uint16_t column, double value);
    // After the last row; false when the layout could not be set.
    bool finish();

private:
    void measure(std::uint32_t row, std::uint16_t column, int width);

    lxw_worksheet *m_sheet;
    std::vector<int> m_widths;
    std::uint32_t m_lastRow = 0;
    bool m_empty = true;
    std::string m_cell; // the text as the library takes it, NUL-terminated
};

} // namespace orbisel
