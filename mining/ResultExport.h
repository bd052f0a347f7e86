#pragma once

#include "app/FileDialogs.h"
#include "mining/ExportRows.h"

namespace orbisel {

// Writes the header and the rows to the file at `path`: CSV (UTF-8 with BOM)
// when the path contains ".csv", otherwise an .xlsx workbook. An existing file
// is replaced only by a complete new one. On failure a message box tells the
// user and the result is false. Input is dispatched between seeds, so the
// arrays must not change meanwhile.
bool exportResults(const QString &path, const TextArray &seedLog, const HarvestArrays &harvest);
// The same for the latest mining run (a snapshot of seedLog and harvest).
bool exportResults(const QString &path);

// The save dialog of the export, offering lastPath.
SaveDialogRequest exportDialogRequest(const QString &lastPath);
// Click on "导出结果": asks for a file, remembers it in lastPath and exports.
void exportButtonClicked(QString &lastPath);

} // namespace orbisel
