#include "web/TableSheet.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <utility>
#include <xlsxwriter.h>

namespace orbisel {

namespace {

// Room for the margins, and in the header also for the filter button.
constexpr int kCellPadding = 1;
constexpr int kHeaderPadding = 3;

// East Asian wide and full-width code points.
constexpr std::array<std::pair<char32_t, char32_t>, 12> kWideRanges = {{
    {0x1100, 0x115F},
    {0x2E80, 0x303E},
    {0x3041, 0x33FF},
    {0x3400, 0x4DBF},
    {0x4E00, 0x9FFF},
    {0xA000, 0xA4CF},
    {0xAC00, 0xD7A3},
    {0xF900, 0xFAFF},
    {0xFE30, 0xFE4F},
    {0xFF00, 0xFF60},
    {0xFFE0, 0xFFE6},
    {0x20000, 0x3FFFD},
}};

bool isWide(char32_t c) {
    if (c >= 0x4E00 && c <= 0x9FFF) // the common case: 汉字
        return true;
    return c >= kWideRanges.front().first &&
           std::any_of(kWideRanges.begin(), kWideRanges.end(),
                       [c](const auto &range) { return c >= range.first && c <= range.second; });
}

// The code point starting at text[i] and its length; a broken sequence is one byte.
std::pair<char32_t, std::size_t> decode(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (length == 1 || i + length > text.size())
        return {lead, 1};
    char32_t c = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80)
            return {lead, 1};
        c = (c << 6) | (next & 0x3F);
    }
    return {c, length};
}

} // namespace

int displayWidth(std::string_view utf8) {
    int width = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        if (static_cast<unsigned char>(utf8[i]) < 0x80) {
            ++width;
            ++i;
            continue;
        }
        const auto [c, length] = decode(utf8, i);
        width += isWide(c) ? 2 : 1;
        i += length;
    }
    return width;
}

void TableSheet::measure(std::uint32_t row, std::uint16_t column, int width) {
    if (m_widths.size() <= column)
        m_widths.resize(column + 1u, 0);
    width += row == 0 ? kHeaderPadding : kCellPadding;
    m_widths[column] = std::max(m_widths[column], std::min(width, kMaxColumnWidth));
    m_lastRow = std::max(m_lastRow, row);
    m_empty = false;
}

bool TableSheet::text(std::uint32_t row, std::uint16_t column, std::string_view utf8) {
    measure(row, column, displayWidth(utf8));
    m_cell.assign(utf8);
    return worksheet_write_string(m_sheet, row, column, m_cell.c_str(), nullptr) == LXW_NO_ERROR;
}

bool TableSheet::number(std::uint32_t row, std::uint16_t column, double value) {
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    measure(row, column, static_cast<int>(end - digits));
    return worksheet_write_number(m_sheet, row, column, value, nullptr) == LXW_NO_ERROR;
}

bool TableSheet::finish() {
    if (m_empty)
        return true;
    worksheet_freeze_panes(m_sheet, 1, 0);
    const auto lastColumn = static_cast<lxw_col_t>(m_widths.size() - 1);
    bool ok = worksheet_autofilter(m_sheet, 0, 0, m_lastRow, lastColumn) == LXW_NO_ERROR;
    for (lxw_col_t column = 0; ok && column <= lastColumn; ++column)
        ok = m_widths[column] == 0 || // no cell: the default width
             worksheet_set_column(m_sheet, column, column, m_widths[column], nullptr) == LXW_NO_ERROR;
    return ok;
}

} // namespace orbisel
