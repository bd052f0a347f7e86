#pragma once

class QTableView;

namespace orbisel::deepmining {

// Gives each column of the 结果 table the width of a typical cell (a word of ten
// characters, two kinds of words, a seven-digit count) or of its header, whichever
// is wider, so that every column shows in the window's opening size.
void fitResultColumns(QTableView *table);

} // namespace orbisel::deepmining
