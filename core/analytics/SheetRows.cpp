#include "core/analytics/SheetRows.h"

#include "web/Numbers.h"

namespace orbisel::core {

SheetRows::SheetRows(std::string_view fileName) {
    m_table.period = periodInFileName(fileName);
    m_fileNamePeriod = m_table.period.has_value();
}

bool SheetRows::wantsMore() const {
    return m_headerFound || m_lastRow < kHeaderSearchRows;
}

std::size_t SheetRows::columnsWanted() const {
    if (!m_headerFound)
        return kMaxSheetColumns;
    std::size_t last = m_wordColumn;
    for (const auto &[column, figure] : m_figureColumns)
        last = std::max(last, column);
    return last + 1;
}

void SheetRows::add(long long number, std::span<const SheetCell> cells) {
    m_lastRow = number;
    if (m_headerFound) {
        addWordRow(number, cells);
        return;
    }
    if (number > kHeaderSearchRows)
        return;
    if (takeHeader(cells)) {
        m_headerFound = true;
        m_table.headerRow = number;
        return;
    }
    if (!m_notePeriod) {
        std::string note;
        for (const SheetCell &cell : cells)
            if (cell.kind == SheetCell::Kind::Text)
                note += cell.text + ' ';
        m_notePeriod = periodInText(note);
    }
}

bool SheetRows::takeHeader(std::span<const SheetCell> cells) {
    std::optional<std::size_t> word;
    std::vector<std::pair<std::size_t, AnalyticsFigure>> figures;
    for (std::size_t column = 0; column < cells.size(); ++column) {
        if (cells[column].kind != SheetCell::Kind::Text)
            continue;
        const std::string_view header = trimCellText(cells[column].text);
        if (isAnalyticsWordHeader(header)) {
            if (!word)
                word = column;
        } else if (const std::optional<AnalyticsFigure> figure = analyticsFigureOfHeader(header)) {
            // The first column of a figure counts.
            bool known = false;
            for (const auto &entry : figures)
                known = known || entry.second == *figure;
            if (!known)
                figures.emplace_back(column, *figure);
        }
    }
    if (!word || figures.empty())
        return false;
    m_wordColumn = *word;
    m_figureColumns = std::move(figures);
    return true;
}

void SheetRows::addWordRow(long long number, std::span<const SheetCell> cells) {
    static const SheetCell empty;
    auto at = [&](std::size_t column) -> const SheetCell & {
        return column < cells.size() ? cells[column] : empty;
    };
    AnalyticsRow row;
    const SheetCell &word = at(m_wordColumn);
    if (word.kind == SheetCell::Kind::Number)
        row.word = formatNumber(word.number);
    else
        row.word = std::string(trimCellText(word.text));
    if (row.word.empty())
        return; // a blank or closing row, no word row
    row.sourceRow = number;
    for (const auto &[column, figure] : m_figureColumns) {
        const SheetCell &cell = at(column);
        std::optional<double> &value = row.figures[static_cast<std::size_t>(figure)];
        if (cell.kind == SheetCell::Kind::Number) {
            value = cell.number;
        } else if (cell.kind == SheetCell::Kind::Text) {
            const FigureText parsed = parseFigureText(cell.text);
            if (parsed.kind == FigureTextKind::Invalid) {
                m_table.refusedRows.push_back(number);
                return;
            }
            if (parsed.kind == FigureTextKind::Number)
                value = parsed.value;
        }
    }
    m_table.rows.push_back(std::move(row));
}

AnalyticsResult SheetRows::finish() {
    if (!m_headerFound)
        return Failure{AnalyticsError{AnalyticsErrorKind::NoHeader, {}}};
    if (!m_fileNamePeriod)
        m_table.period = m_notePeriod;
    return std::move(m_table);
}

} // namespace orbisel::core
