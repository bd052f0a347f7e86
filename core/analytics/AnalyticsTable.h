#pragma once

#include "core/base/Result.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The marketplace's own analytics exports (搜索词 tables of .xls, .xlsx or .csv
// files): the rows read from one file, and why a file could not be read.
namespace orbisel::core {

// The figures an export may carry, each from one or more header names. 搜索人气,
// 搜索热度, 点击人气 and 交易指数 are the marketplace's indices, kept as given.
enum class AnalyticsFigure {
    SearchPopularity, // 搜索人气
    SearchHeat,       // 搜索热度
    ClickRate,        // 点击率, percent
    ClickPopularity,  // 点击人气
    TradeIndex,       // 交易指数
    ConversionRate,   // 转化率, percent
    ItemCount,        // 官方商品数
    MallClickShare,   // 商城点击占比, percent
    ExpressPrice,     // 直通车价
};
inline constexpr std::size_t kAnalyticsFigureCount = 9;

// The figure's own name (搜索人气, ..., 直通车价).
std::string_view analyticsFigureName(AnalyticsFigure figure);
// The figure a header cell (trimmed) names, if any.
std::optional<AnalyticsFigure> analyticsFigureOfHeader(std::string_view header);
// Whether a header cell (trimmed) names the word column: 搜索词 or 关键词.
bool isAnalyticsWordHeader(std::string_view header);

struct AnalyticsRow {
    std::string word;        // UTF-8, trimmed
    long long sourceRow = 0; // 1-based row of the file
    std::array<std::optional<double>, kAnalyticsFigureCount> figures;

    std::optional<double> figure(AnalyticsFigure f) const { return figures[static_cast<std::size_t>(f)]; }
    bool operator==(const AnalyticsRow &) const = default;
};

// Dates as YYYY-MM-DD.
struct AnalyticsPeriod {
    std::string from;
    std::string to;
    bool operator==(const AnalyticsPeriod &) const = default;
};

struct AnalyticsTable {
    std::optional<AnalyticsPeriod> period;
    std::vector<AnalyticsRow> rows;     // in file order; rows without a word are left out
    std::vector<long long> refusedRows; // 1-based rows with a figure cell that is no number
    long long headerRow = 0;            // 1-based

    std::size_t rowsRead() const { return rows.size(); }
    std::size_t refusedCount() const { return refusedRows.size(); }
};

enum class AnalyticsErrorKind {
    CannotRead,         // the file could not be opened or read
    UnknownFormat,      // neither .xls, .xlsx nor text
    Damaged,            // a broken compound file, zip, or XML part
    EntryTooLarge,      // a zip entry over 256 MB uncompressed (or a whole file over 256 MB)
    CompressionTooHigh, // a zip entry compressed more than 200 : 1
    TooManyRows,        // a sheet over 1,048,576 rows
    DocumentType,       // an XML part with a document type declaration
    NoHeader,           // no header row among the first rows
};
struct AnalyticsError {
    AnalyticsErrorKind kind = AnalyticsErrorKind::CannotRead;
    std::string detail; // the part, entry or system reason, when there is one
};

// Short English text of the error ("zip entry xl/worksheets/sheet1.xml is compressed
// more than 200 : 1"), for one line that names the file.
std::string describe(const AnalyticsError &error);

using AnalyticsResult = Result<AnalyticsTable, AnalyticsError>;

// Limits on what a file may make the reader unpack or hold.
inline constexpr unsigned long long kMaxEntryBytes = 256ull * 1024 * 1024;
inline constexpr unsigned long long kMaxCompressionRatio = 200;
inline constexpr long long kMaxSheetRows = 1048576;
// The header is the first of this many rows holding a word and a figure column.
inline constexpr long long kHeaderSearchRows = 10;

// The text of a cell trimmed of ASCII white space and full-width spaces.
std::string_view trimCellText(std::string_view text);

// A figure cell given as text: thousands separators ("5,652.00"), a percent sign
// ("12.34%" is 12.34), "-" or blank for no figure. Nothing for any other text.
enum class FigureTextKind { Number, Blank, Invalid };
struct FigureText {
    FigureTextKind kind = FigureTextKind::Invalid;
    double value = 0;
};
FigureText parseFigureText(std::string_view text);

// The period of a note row holding two dates YYYY-MM-DD ("统计时间：2026-11-01 ~
// 2026-11-30"): its first two valid dates.
std::optional<AnalyticsPeriod> periodInText(std::string_view text);
// The period of a file name holding "YYYY-MM-DD_YYYY-MM-DD" (folders ignored).
std::optional<AnalyticsPeriod> periodInFileName(std::string_view path);

} // namespace orbisel::core
