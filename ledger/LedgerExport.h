#pragma once

#include "ledger/LedgerFile.h"

#include <functional>

namespace orbisel {

// Starts one export on a thread of its own and returns at once. The content is a
// snapshot taken by the caller on the GUI thread. The thread writes a new workbook
// into a fresh temporary folder; the GUI thread then opens it with the desktop's
// spreadsheet application and reports "已经导出". Without a spreadsheet application
// nothing is written and the failure message is shown.
void startLedgerExport(LedgerContent snapshot);

// Replaces desktopHasSpreadsheetHandler in the exports (tests); an empty function restores it.
void setSpreadsheetHandlerProbe(std::function<bool()> probe);

// Blocks until every export thread started so far has finished (tests, orderly end).
// Their results reach the GUI thread as queued events.
void waitForLedgerExports();

} // namespace orbisel
