#pragma once

class QTableView;

namespace orbisel::deepmining {

// Give each column of a word table the width of a typical cell (a word of ten characters,
// two kinds of words, a seven-digit count) or of its header, whichever is wider, so that
// every column shows in the window's opening size.
void fitResultColumns(QTableView *table);     // 结果
void fitComparisonColumns(QTableView *table); // 对比

} // namespace orbisel::deepmining
