#include "deepmining/ShownRowsModel.h"

namespace orbisel::deepmining {

void ShownRowsModel::showView(const View &current, View next, std::size_t storedRows,
                              const std::function<void(View)> &install) {
    const auto hint = next.size() == current.size() ? QAbstractItemModel::VerticalSortHint
                                                    : QAbstractItemModel::NoLayoutChangeHint;
    emit layoutAboutToBeChanged({}, hint);
    const QModelIndexList persistent = persistentIndexList();
    std::vector<int> storedOf;
    storedOf.reserve(static_cast<std::size_t>(persistent.size()));
    for (const QModelIndex &index : persistent)
        storedOf.push_back(static_cast<int>(current[static_cast<std::size_t>(index.row())]));
    std::vector<int> position;
    if (!persistent.isEmpty()) {
        position.assign(storedRows, -1);
        for (std::size_t i = 0; i < next.size(); ++i)
            position[next[i]] = static_cast<int>(i);
    }
    install(std::move(next));
    if (!persistent.isEmpty()) {
        QModelIndexList moved;
        moved.reserve(persistent.size());
        for (qsizetype i = 0; i < persistent.size(); ++i) {
            const int at = position[static_cast<std::size_t>(storedOf[static_cast<std::size_t>(i)])];
            moved.push_back(at < 0 ? QModelIndex() : createIndex(at, persistent[i].column()));
        }
        changePersistentIndexList(persistent, moved);
    }
    emit layoutChanged({}, hint);
}

} // namespace orbisel::deepmining
