#include "deepmining/RootWordChart.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QHorizontalBarSeries>
#include <QTextDocument>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace orbisel::deepmining {

namespace {

constexpr std::size_t kShownRoots = 30;
// Qt Charts draws a bar's name as "..." unless the bar's slot holds the text with padding
// above and below; thirty such slots are taller than the tab, so the chart scrolls instead.
constexpr int kCategoryPadding = 10;
constexpr int kChartFrameHeight = 120; // title, value axis and margins

// The height of the tallest name as the chart lays it out (as a text document).
int tallestLabel(const QFont &font, const QStringList &names) {
    QTextDocument document;
    document.setDefaultFont(font);
    int tallest = 0;
    for (const QString &name : names) {
        document.setPlainText(name);
        tallest = std::max(tallest, static_cast<int>(std::ceil(document.size().height())));
    }
    return tallest;
}

// The entries with the most result words (equal counts by word), most first.
std::vector<const core::RootWordEntry *> topEntries(const std::vector<core::RootWordEntry> &all,
                                                    bool withSeedRoots) {
    std::vector<const core::RootWordEntry *> top;
    top.reserve(all.size());
    for (const core::RootWordEntry &entry : all)
        if (withSeedRoots || !entry.inSeeds)
            top.push_back(&entry);
    const std::size_t shown = std::min(kShownRoots, top.size());
    std::partial_sort(top.begin(), top.begin() + static_cast<std::ptrdiff_t>(shown), top.end(),
                      [](const auto *a, const auto *b) {
                          return a->resultWords != b->resultWords ? a->resultWords > b->resultWords
                                                                  : a->word < b->word;
                      });
    top.resize(shown);
    return top;
}

// Whole-number ticks: counts of words.
QValueAxis *countAxis(long long largest) {
    auto *counts = new QValueAxis;
    const long long step = std::max<long long>(1, (largest + 4) / 5);
    counts->setRange(0, static_cast<qreal>((largest + step - 1) / step * step));
    counts->setTickType(QValueAxis::TicksDynamic);
    counts->setTickAnchor(0);
    counts->setTickInterval(static_cast<qreal>(step));
    counts->setLabelFormat(QStringLiteral("%d"));
    return counts;
}

} // namespace

RootWordChart::RootWordChart(QWidget *parent) : QChartView(parent) {}

void RootWordChart::showEntries(const std::vector<core::RootWordEntry> &entries, bool withSeedRoots) {
    const auto top = topEntries(entries, withSeedRoots);
    auto *chart = new QChart;
    chart->setTitle(withSeedRoots ? QStringLiteral("词数最多的 30 个词根")
                                  : QStringLiteral("词数最多的 30 个词根（不含种子词）"));
    chart->legend()->hide();
    auto *set = new QBarSet(QStringLiteral("词数"));
    QStringList categories;
    long long largest = 1;
    for (auto it = top.rbegin(); it != top.rend(); ++it) { // largest at the top
        *set << static_cast<qreal>((*it)->resultWords);
        categories << QString::fromStdString((*it)->word);
        largest = std::max(largest, (*it)->resultWords);
    }
    auto *series = new QHorizontalBarSeries;
    series->append(set);
    chart->addSeries(series);
    auto *names = new QBarCategoryAxis;
    names->append(categories);
    chart->addAxis(names, Qt::AlignLeft);
    series->attachAxis(names);
    setMinimumHeight(static_cast<int>(categories.size()) *
                         (tallestLabel(names->labelsFont(), categories) + kCategoryPadding) +
                     kChartFrameHeight);
    QValueAxis *counts = countAxis(largest);
    chart->addAxis(counts, Qt::AlignBottom);
    series->attachAxis(counts);
    connect(set, &QBarSet::clicked, this, [this, categories](int index) {
        if (index >= 0 && index < categories.size())
            emit rootClicked(categories[index]);
    });
    QChart *old = this->chart();
    setChart(chart);
    delete old;
}

} // namespace orbisel::deepmining
