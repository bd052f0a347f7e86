#include "core/analytics/AnalyticsFile.h"
#include "core/analytics/SheetRows.h"

#include "web/Encoding.h"

#include <QStringDecoder>

namespace orbisel::core {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool isUtf8(std::string_view bytes) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    [[maybe_unused]] const QString text = decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return !decoder.hasError();
}

// ASCII, or a lead byte 0x81-0xFE with a trail byte 0x40-0xFE other than 0x7F.
bool isGbk(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80)
            continue;
        if (lead == 0x80 || lead == 0xFF || i + 1 == bytes.size())
            return false;
        const auto trail = static_cast<unsigned char>(bytes[++i]);
        if (trail < 0x40 || trail == 0x7F || trail == 0xFF)
            return false;
    }
    return true;
}

// Whether the line has a cell, cut at the delimiter, that names the word column.
bool namesWordColumn(std::string_view line, char delimiter) {
    for (std::size_t start = 0; start <= line.size();) {
        const std::size_t end = std::min(line.find(delimiter, start), line.size());
        std::string_view cell = trimCellText(line.substr(start, end - start));
        if (cell.size() >= 2 && cell.front() == '"' && cell.back() == '"')
            cell = trimCellText(cell.substr(1, cell.size() - 2));
        if (isAnalyticsWordHeader(cell))
            return true;
        start = end + 1;
    }
    return false;
}

// Tab when the first line with a word column header has it between tabs, else comma.
char delimiterOf(std::string_view text) {
    std::size_t start = 0;
    for (long long line = 0; line < kHeaderSearchRows && start < text.size(); ++line) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view l = text.substr(start, end - start);
        if (namesWordColumn(l, '\t'))
            return '\t';
        if (namesWordColumn(l, ','))
            return ',';
        start = end + 1;
    }
    return ',';
}

} // namespace

AnalyticsResult readAnalyticsCsv(std::string_view bytes, std::string_view fileName) {
    if (bytes.starts_with(kBom))
        bytes.remove_prefix(kBom.size());
    if (bytes.find('\0') != std::string_view::npos)
        return Failure{AnalyticsError{AnalyticsErrorKind::UnknownFormat, "binary data"}};
    std::string converted;
    if (!isUtf8(bytes)) {
        if (!isGbk(bytes))
            return Failure{AnalyticsError{AnalyticsErrorKind::UnknownFormat, "text neither UTF-8 nor GBK"}};
        converted = gbkToUtf8(bytes);
        bytes = converted;
    }
    const char delimiter = delimiterOf(bytes);

    // RFC 4180 records: quoted fields may hold delimiters, doubled quotes and line breaks.
    SheetRows rows(fileName);
    std::vector<SheetCell> cells;
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    long long record = 0;
    while (i < n && rows.wantsMore()) {
        if (++record > kMaxSheetRows)
            return Failure{AnalyticsError{AnalyticsErrorKind::TooManyRows, {}}};
        cells.clear();
        for (;;) {
            SheetCell cell;
            std::string &field = cell.text;
            if (i < n && bytes[i] == '"') {
                for (++i; i < n; ++i) {
                    if (bytes[i] != '"') {
                        field += bytes[i];
                    } else if (i + 1 < n && bytes[i + 1] == '"') {
                        field += '"';
                        ++i;
                    } else {
                        ++i;
                        break;
                    }
                }
            }
            const std::size_t end = std::min(bytes.find_first_of(std::string{delimiter, '\r', '\n'}, i), n);
            field.append(bytes.substr(i, end - i));
            i = end;
            if (!field.empty())
                cell.kind = SheetCell::Kind::Text;
            if (cells.size() < rows.columnsWanted())
                cells.push_back(std::move(cell));
            if (i < n && bytes[i] == delimiter) {
                ++i;
                continue;
            }
            break;
        }
        if (i < n && bytes[i] == '\r')
            ++i;
        if (i < n && bytes[i] == '\n')
            ++i;
        rows.add(record, cells);
    }
    return rows.finish();
}

} // namespace orbisel::core
