#pragma once

// The ledger file ("temp.txt" in the user's data folder) holds the whole ledger
// grid. Format, version 1 (all numbers are unsigned decimal ASCII, lines end in LF):
//
//   ORBISEL-LEDGER 1
//   rows <R>
//   columns <C>
//   widths <w0> <w1> ... <wC-1>        (column widths in pixels; "widths" alone when C is 0)
//   <n>:<n bytes of cell text>         (R x C times, row by row, each followed by one LF)
//   end <SHA-1 of every byte before "end", 40 lower-case hex digits>
//
// Cell texts are the grid's GBK bytes, stored raw with their byte length, so tabs,
// CR, LF, quotes and any other byte come back unchanged. The file ends right after
// the end line; anything missing, extra or not matching the checksum makes the whole
// file damaged. A file is written only through saveFileAtomically (temporary file,
// then rename), so a crash or a full disk leaves the previous file whole.

#include "web/Text.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace orbisel {

// The grid's whole content: rows x columns cell texts, row by row, and the widths.
struct LedgerContent {
    int rows = 0;
    int columns = 0;
    std::vector<Text> cells; // rows * columns, row-major
    std::vector<int> widths; // one per column

    const Text &cell(int row, int column) const { return cells[static_cast<size_t>(row * columns + column)]; }
    bool operator==(const LedgerContent &) const = default;
};

QByteArray encodeLedger(const LedgerContent &content);
// Nothing when the bytes are not one whole, intact ledger file.
std::optional<LedgerContent> decodeLedger(const QByteArray &bytes);

// <user data folder>/temp.txt
QString ledgerFilePath();

bool saveLedgerFile(const QString &path, const LedgerContent &content);

struct LedgerLoadResult {
    enum class Status { Loaded, Missing, Damaged } status = Status::Missing;
    std::optional<LedgerContent> content; // when Loaded
    QString movedTo; // when Damaged: where the file was put aside (empty if it could not be)
};
// Reads the ledger file. A file that cannot be read or decoded is renamed to
// "<path>.damaged-<yyyyMMdd-hhmmss>" so that the next save cannot overwrite it.
LedgerLoadResult loadLedgerFile(const QString &path);

} // namespace orbisel
