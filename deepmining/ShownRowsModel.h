#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <functional>
#include <vector>

namespace orbisel::deepmining {

// A table model over stored rows shown in an order of their own (the view: the
// stored row of each shown row).
class ShownRowsModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

protected:
    using View = std::vector<std::uint32_t>;
    // Swaps the shown order `current` for `next` through `install`, keeping
    // persistent indexes (selection, current cell) on their stored rows.
    void showView(const View &current, View next, std::size_t storedRows,
                  const std::function<void(View)> &install);
};

} // namespace orbisel::deepmining
