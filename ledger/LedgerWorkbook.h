#pragma once

#include "ledger/LedgerFile.h"

#include <QString>

namespace orbisel {

// Writes every cell of the content into the first worksheet of a new .xlsx
// workbook: cell (i, j) becomes the text of the cell named by column letter j and
// row number i + 1 (the header row fills a1..f1). False when the file cannot be written.
bool writeLedgerWorkbook(const QString &path, const LedgerContent &content);

// Whether the desktop has a default application for .xlsx files (asks xdg-mime).
bool desktopHasSpreadsheetHandler();

} // namespace orbisel
