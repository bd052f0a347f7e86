#pragma once

#include "ledger/LedgerFile.h"

#include <QString>
#include <functional>

namespace orbisel {

// Writes every cell of the content into the first worksheet of a new .xlsx
// workbook: cell (i, j) becomes the text of the cell named by column letter j and
// row number i + 1 (the header row fills a1..f1). False when the file cannot be written.
bool writeLedgerWorkbook(const QString &path, const LedgerContent &content);

// Starts one export on a thread of its own and returns at once. The content is a
// snapshot taken by the caller on the GUI thread. The thread writes a new workbook
// into a fresh temporary folder; the GUI thread then opens it with the desktop's
// spreadsheet application and reports "已经导出". Without a spreadsheet application
// nothing is written and the failure message is shown.
void startLedgerExport(LedgerContent snapshot);

// Whether the desktop has a default application for .xlsx files (asks xdg-mime).
bool desktopHasSpreadsheetHandler();
// Replaces the check above (tests); an empty function restores it.
void setSpreadsheetHandlerProbe(std::function<bool()> probe);

// Blocks until every export thread started so far has finished (tests, orderly end).
// Their results reach the GUI thread as queued events.
void waitForLedgerExports();

} // namespace orbisel
