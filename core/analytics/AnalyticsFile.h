#pragma once

#include "core/analytics/AnalyticsTable.h"

#include <string>
#include <string_view>

namespace orbisel::core {

enum class AnalyticsFormat { Xls, Xlsx, Text };
// The format of a file's first bytes: an OLE2 compound file is .xls, a zip
// archive .xlsx, anything else text (.csv).
AnalyticsFormat analyticsFormatOf(std::string_view firstBytes);

// Reads an analytics export, its format decided by its content (not its name).
// The file name gives the period when it holds "YYYY-MM-DD_YYYY-MM-DD".
AnalyticsResult readAnalyticsFile(const std::string &path);

// The readers of each format. `fileName` serves only for the period.
// .xls through freexl, which reads from a path. Numeric cells are taken as numbers;
// freexl does not tell a cell's number format, so a percent-formatted numeric cell
// gives its fraction (0.1234), unlike .xlsx.
AnalyticsResult readAnalyticsXls(const std::string &path, std::string_view fileName);
// .xlsx from memory: the first worksheet of xl/workbook.xml, its shared strings
// and the percent formats of its styles.
AnalyticsResult readAnalyticsXlsx(std::string_view bytes, std::string_view fileName);
// Text: UTF-8 (with or without byte-order mark) or GBK, comma- or tab-separated (tab
// when the header's word column stands between tabs); RFC 4180 quoting. A row
// number is the record's, as a spreadsheet shows it.
AnalyticsResult readAnalyticsCsv(std::string_view bytes, std::string_view fileName);

} // namespace orbisel::core
