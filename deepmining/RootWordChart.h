#pragma once

#include "core/insight/RootWordIndex.h"

#include <QChartView>
#include <vector>

namespace orbisel::deepmining {

// The bar chart of the 30 root words in most result words, those of the seeds left out unless
// asked for; a click on a bar names its word.
class RootWordChart : public QChartView {
    Q_OBJECT
public:
    explicit RootWordChart(QWidget *parent = nullptr);
    void showEntries(const std::vector<core::RootWordEntry> &entries, bool withSeedRoots);

signals:
    void rootClicked(const QString &root);
};

} // namespace orbisel::deepmining
