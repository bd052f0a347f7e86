#include "core/tables/ResultTable.h"

#include "core/base/SourceNames.h"
#include "core/base/WordText.h"
#include "core/tables/TableOrder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <string.h>

namespace orbisel::core {
namespace {

// Rank of each source set by its text, so sorting by 来源 follows what is shown.
const std::array<std::uint8_t, 1u << kDeepSourceCount> &sourceRanks() {
    static const auto ranks = [] {
        std::array<std::uint8_t, 1u << kDeepSourceCount> order{};
        for (unsigned i = 0; i < order.size(); ++i)
            order[i] = static_cast<std::uint8_t>(i);
        std::sort(order.begin(), order.end(), [](std::uint8_t a, std::uint8_t b) {
            return std::make_pair(sourceLabelsText(a), a) < std::make_pair(sourceLabelsText(b), b);
        });
        std::array<std::uint8_t, 1u << kDeepSourceCount> rank{};
        for (unsigned i = 0; i < order.size(); ++i)
            rank[order[i]] = static_cast<std::uint8_t>(i);
        return rank;
    }();
    return ranks;
}

int compareText(std::string_view a, std::string_view b) {
    const int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

template <class T> int compareValue(T a, T b) {
    return a < b ? -1 : b < a ? 1 : 0;
}

// A key that orders non-negative doubles as their values.
std::uint64_t orderKey(double value) {
    return std::bit_cast<std::uint64_t>(std::max(value, 0.0));
}

} // namespace

std::uint32_t ResultTable::Interned::add(const std::string &text) {
    auto [it, added] = m_ids.try_emplace(text, static_cast<std::uint32_t>(m_texts.size()));
    if (added)
        m_texts.push_back(&it->first);
    return it->second;
}

void ResultTable::Interned::clear() {
    m_ids.clear();
    m_texts.clear();
}

std::string_view ResultTable::word(std::size_t row) const {
    return std::string_view(m_wordBytes).substr(m_wordStart[row], m_wordStart[row + 1] - m_wordStart[row]);
}

ResultRow ResultTable::storedRow(std::size_t row) const {
    ResultRow out;
    out.word = std::string(word(row));
    out.seed = m_seeds.at(m_seed[row]);
    out.sources = m_sources[row];
    if (m_listings[row] >= 0)
        out.listings = m_listings[row];
    out.depth = m_depth[row];
    out.parent = m_parents.at(m_parent[row]);
    out.occurrences = m_occurrences[row];
    out.popularity = popularity(row);
    return out;
}

void ResultTable::storeRow(std::uint32_t row, const ResultRow &value) {
    m_seed[row] = m_seeds.add(value.seed);
    m_parent[row] = m_parents.add(value.parent);
    m_sources[row] = value.sources;
    m_depth[row] = static_cast<std::uint8_t>(std::clamp(value.depth, 0, 255));
    m_listings[row] = value.listings ? std::max<long long>(*value.listings, 0) : -1;
    m_occurrences[row] = value.occurrences;
    m_popularity[row] = value.popularity ? std::max(*value.popularity, 0.0) : -1;
}

std::optional<double> ResultTable::popularity(std::size_t row) const {
    return m_popularity[row] < 0 ? std::nullopt : std::optional<double>(m_popularity[row]);
}

std::optional<double> ResultTable::opportunityRatio(std::size_t row) const {
    const std::optional<double> sum = popularity(row);
    return sum ? core::opportunityRatio(*sum, listings(row)) : std::nullopt;
}

std::optional<double> ResultTable::heat(std::size_t row) const {
    const std::optional<double> sum = popularity(row);
    return sum ? std::optional<double>(m_scale.heat(*sum)) : std::nullopt;
}

std::optional<double> ResultTable::opportunity(std::size_t row) const {
    const std::optional<double> sum = popularity(row);
    return sum ? m_scale.opportunity(*sum, listings(row)) : std::nullopt;
}

// The scale again from every row: a larger 商品数 lowers a row's 机会 ratio, and
// the largest may be the one that fell.
void ResultTable::rescale() {
    m_scale = ValueScale();
    for (std::size_t row = 0; row < storedRowCount(); ++row)
        if (m_popularity[row] >= 0)
            m_scale.add(m_popularity[row], listings(row));
}

bool ResultTable::accepts(std::uint32_t row) const {
    if (!m_textFilter.empty() && !m_textFilter.accepts(word(row)))
        return false;
    return !m_rowFilter || m_rowFilter(row);
}

int ResultTable::compareColumn(std::uint32_t a, std::uint32_t b) const {
    switch (m_sortColumn) {
    case Word:
        return compareText(word(a), word(b));
    case Seed:
        return compareText(m_seeds.at(m_seed[a]), m_seeds.at(m_seed[b]));
    case Sources:
        return compareValue(sourceRanks()[m_sources[a]], sourceRanks()[m_sources[b]]);
    case Listings:
        return compareValue(m_listings[a], m_listings[b]);
    case Depth:
        return compareValue(m_depth[a], m_depth[b]);
    case Parent:
        return compareText(m_parents.at(m_parent[a]), m_parents.at(m_parent[b]));
    case Occurrences:
        return compareValue(m_occurrences[a], m_occurrences[b]);
    case Heat:
        return compareValue(m_popularity[a], m_popularity[b]);
    case Opportunity:
        return compareValue(opportunityRatio(a).value_or(-1), opportunityRatio(b).value_or(-1));
    default:
        return 0;
    }
}

bool ResultTable::emptyInSortColumn(std::uint32_t row) const {
    switch (m_sortColumn) {
    case Listings:
        return m_listings[row] < 0;
    case Heat:
        return m_popularity[row] < 0;
    case Opportunity:
        return !opportunityRatio(row);
    default:
        return false;
    }
}

// The shown order: the sort column in the chosen direction, an empty 商品数, 热度 or 机会
// last either way, ties in result order.
bool ResultTable::less(std::uint32_t a, std::uint32_t b) const {
    if (const bool emptyA = emptyInSortColumn(a); emptyA != emptyInSortColumn(b))
        return !emptyA;
    int c = compareColumn(a, b);
    if (m_descending)
        c = -c;
    return c != 0 ? c < 0 : a < b;
}

void ResultTable::sortAll() {
    const auto n = static_cast<std::uint32_t>(storedRowCount());
    m_sorted.resize(n);
    for (std::uint32_t i = 0; i < n; ++i)
        m_sorted[i] = i;
    if (m_sortColumn == kResultOrder)
        return;
    // A 64-bit key per row decides almost every comparison; only equal word prefixes
    // fall back to comparing the rest of the words.
    std::vector<std::uint32_t> seedRank;
    std::vector<std::uint32_t> parentRank;
    auto rankOf = [](const Interned &pool) {
        std::vector<std::uint32_t> ids(pool.size());
        for (std::uint32_t i = 0; i < ids.size(); ++i)
            ids[i] = i;
        std::sort(ids.begin(), ids.end(),
                  [&](std::uint32_t a, std::uint32_t b) { return pool.at(a) < pool.at(b); });
        std::vector<std::uint32_t> rank(ids.size());
        for (std::uint32_t i = 0; i < ids.size(); ++i)
            rank[ids[i]] = i;
        return rank;
    };
    if (m_sortColumn == Seed)
        seedRank = rankOf(m_seeds);
    if (m_sortColumn == Parent)
        parentRank = rankOf(m_parents);
    const bool descending = m_descending;
    auto keyOf = [&](std::uint32_t row) -> std::uint64_t {
        std::uint64_t key = 0;
        switch (m_sortColumn) {
        case Word:
            key = prefixKey(word(row));
            break;
        case Seed:
            key = seedRank[m_seed[row]];
            break;
        case Sources:
            key = sourceRanks()[m_sources[row]];
            break;
        case Listings:
            return emptyLastKey(m_listings[row] < 0 ? std::nullopt
                                                    : std::optional<std::uint64_t>(m_listings[row]),
                                descending);
        case Depth:
            key = m_depth[row];
            break;
        case Parent:
            key = parentRank[m_parent[row]];
            break;
        case Occurrences:
            key = static_cast<std::uint64_t>(std::max<std::int64_t>(m_occurrences[row], 0));
            break;
        case Heat:
        case Opportunity: {
            const std::optional<double> value =
                m_sortColumn == Heat ? popularity(row) : opportunityRatio(row);
            if (!value)
                return UINT64_MAX;
            key = orderKey(*value);
            return descending ? UINT64_MAX - 1 - key : key;
        }
        }
        return descending ? ~key : key;
    };
    if (m_sortColumn == Word) {
        sortByWord();
        return;
    }
    std::vector<KeyedRow> keyed(n);
    for (std::uint32_t i = 0; i < n; ++i)
        keyed[i] = {keyOf(i), i};
    sortByKey(keyed);
    for (std::uint32_t i = 0; i < n; ++i)
        m_sorted[i] = keyed[i].row;
}

// Which stored rows the filters accept, in one pass over the words in storage order.
std::vector<std::uint8_t> ResultTable::acceptedRows() const {
    const std::size_t n = storedRowCount();
    std::vector<std::uint8_t> accepted(n, m_textFilter.empty() ? 1 : 0);
    if (!m_textFilter.empty()) {
        // A row whose word has no capital ASCII letter matches its folded self: find the
        // folded needle in the bytes of every word at once.
        const char *bytes = m_wordBytes.data();
        const std::size_t size = m_wordBytes.size();
        std::size_t at = 0;
        std::size_t row = 0;
        while (at < size) {
            const std::string &needle = m_textFilter.folded();
            const void *hit = memmem(bytes + at, size - at, needle.data(), needle.size());
            if (!hit)
                break;
            const auto offset = static_cast<std::size_t>(static_cast<const char *>(hit) - bytes);
            while (m_wordStart[row + 1] <= offset)
                ++row;
            if (offset + needle.size() <= m_wordStart[row + 1]) {
                accepted[row] = 1;
                at = m_wordStart[row + 1];
            } else {
                at = offset + 1;
            }
        }
        for (std::uint32_t capitalised : m_rowsWithCapitals)
            accepted[capitalised] = m_textFilter.accepts(word(capitalised));
    }
    if (m_rowFilter)
        for (std::size_t i = 0; i < n; ++i)
            accepted[i] = accepted[i] && m_rowFilter(i);
    return accepted;
}

// The rows in 关键词 order is kept once computed: later rows are merged in, and the
// descending order is its reverse (ties back in result order).
void ResultTable::sortByWord() {
    const auto n = static_cast<std::uint32_t>(storedRowCount());
    const auto covered = static_cast<std::uint32_t>(m_wordOrder.size());
    if (covered < n) {
        std::vector<std::uint32_t> added = wordOrderOf(covered, n);
        const auto middle = static_cast<std::ptrdiff_t>(m_wordOrder.size());
        m_wordOrder.insert(m_wordOrder.end(), added.begin(), added.end());
        std::inplace_merge(m_wordOrder.begin(), m_wordOrder.begin() + middle, m_wordOrder.end(),
                           [this](std::uint32_t a, std::uint32_t b) {
                               const int c = compareText(word(a), word(b));
                               return c != 0 ? c < 0 : a < b;
                           });
    }
    m_sorted = m_wordOrder;
    if (m_descending)
        reverseByWord(m_sorted, [this](std::uint32_t row) { return word(row); });
}

// Rows [first, last) in ascending 关键词 order, ties in result order.
std::vector<std::uint32_t> ResultTable::wordOrderOf(std::uint32_t first, std::uint32_t last) const {
    std::vector<std::uint32_t> rows(last - first);
    for (std::uint32_t i = first; i < last; ++i)
        rows[i - first] = i;
    orderByWord(rows.begin(), rows.end(), 0, [this](std::uint32_t row) { return word(row); });
    return rows;
}

ResultTable::ViewChange ResultTable::rebuiltView() const {
    ViewChange change;
    if (m_textFilter.empty() && !m_rowFilter) {
        change.view = m_sorted;
        return change;
    }
    const std::vector<std::uint8_t> accepted = acceptedRows();
    std::vector<std::uint32_t> view;
    view.reserve(m_sorted.size());
    for (std::uint32_t row : m_sorted)
        if (accepted[row])
            view.push_back(row);
    change.view = std::move(view);
    return change;
}

ResultTable::ViewChange ResultTable::sort(int column, bool descending) {
    m_sortColumn = column >= 0 && column < ColumnCount ? column : kResultOrder;
    m_descending = descending;
    sortAll();
    return rebuiltView();
}

ResultTable::ViewChange ResultTable::setTextFilter(std::string_view text) {
    if (!m_textFilter.set(text))
        return {};
    return rebuiltView();
}

ResultTable::ViewChange ResultTable::setRowFilter(std::function<bool(std::size_t)> accepts) {
    m_rowFilter = std::move(accepts);
    return rebuiltView();
}

void ResultTable::clear() {
    m_wordBytes.clear();
    m_wordStart.assign(1, 0);
    m_wordOrder.clear();
    m_rowsWithCapitals.clear();
    m_seeds.clear();
    m_parents.clear();
    m_seed.clear();
    m_parent.clear();
    m_sources.clear();
    m_depth.clear();
    m_listings.clear();
    m_occurrences.clear();
    m_popularity.clear();
    m_scale = ValueScale();
    m_sorted.clear();
    m_view.clear();
}

ResultTable::ViewChange ResultTable::appendRows(const std::vector<ResultRow> &rows) {
    if (rows.empty())
        return {};
    const auto first = static_cast<std::uint32_t>(storedRowCount());
    const std::size_t total = first + rows.size();
    m_seed.resize(total);
    m_parent.resize(total);
    m_sources.resize(total);
    m_depth.resize(total);
    m_listings.resize(total);
    m_occurrences.resize(total);
    m_popularity.resize(total);
    const ValueScale scaleBefore = m_scale;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        m_wordBytes += rows[i].word;
        m_wordStart.push_back(m_wordBytes.size());
        if (std::any_of(rows[i].word.begin(), rows[i].word.end(), [](char c) { return isAsciiCapital(c); }))
            m_rowsWithCapitals.push_back(first + static_cast<std::uint32_t>(i));
        storeRow(first + static_cast<std::uint32_t>(i), rows[i]);
        if (rows[i].popularity)
            m_scale.add(m_popularity[first + i], listings(first + i));
    }
    // A new largest sum or 机会 ratio changes the figures of the rows shown already.
    const bool rescaled = first > 0 && m_scale != scaleBefore;
    std::vector<std::uint32_t> added(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        added[i] = first + static_cast<std::uint32_t>(i);
    if (m_sortColumn != kResultOrder) {
        ViewChange change = insertSorted(std::move(added), false);
        change.valuesChanged = rescaled;
        return change;
    }
    m_sorted.insert(m_sorted.end(), added.begin(), added.end());
    ViewChange change;
    change.valuesChanged = rescaled;
    for (std::uint32_t row : added)
        if (accepts(row))
            change.appended.push_back(row);
    return change;
}

// Merges rows into the sorted order: new rows, or stored rows whose sort value changed
// (taken out of their old place first).
ResultTable::ViewChange ResultTable::insertSorted(std::vector<std::uint32_t> rows, bool moving) {
    auto byShownOrder = [this](std::uint32_t a, std::uint32_t b) { return less(a, b); };
    std::vector<std::uint32_t> view = m_view;
    if (moving) {
        std::vector<std::uint32_t> byId = rows;
        std::sort(byId.begin(), byId.end());
        auto isMoving = [&](std::uint32_t row) { return std::binary_search(byId.begin(), byId.end(), row); };
        std::erase_if(m_sorted, isMoving);
        std::erase_if(view, isMoving);
    }
    std::sort(rows.begin(), rows.end(), byShownOrder);
    const auto middle = static_cast<std::ptrdiff_t>(m_sorted.size());
    m_sorted.insert(m_sorted.end(), rows.begin(), rows.end());
    std::inplace_merge(m_sorted.begin(), m_sorted.begin() + middle, m_sorted.end(), byShownOrder);
    std::vector<std::uint32_t> shown;
    for (std::uint32_t row : rows)
        if (accepts(row))
            shown.push_back(row);
    const auto viewMiddle = static_cast<std::ptrdiff_t>(view.size());
    view.insert(view.end(), shown.begin(), shown.end());
    std::inplace_merge(view.begin(), view.begin() + viewMiddle, view.end(), byShownOrder);
    ViewChange change;
    change.view = std::move(view);
    return change;
}

ResultTable::ViewChange ResultTable::changeRows(const std::vector<std::pair<std::size_t, ResultRow>> &rows) {
    std::vector<std::uint32_t> changed;
    bool lowered = false; // a row's 机会 ratio or sum may have fallen
    for (const auto &[row, value] : rows) {
        if (row >= storedRowCount())
            continue;
        const std::optional<double> sumBefore = popularity(row);
        const std::optional<long long> listingsBefore = listings(row);
        storeRow(static_cast<std::uint32_t>(row), value);
        changed.push_back(static_cast<std::uint32_t>(row));
        lowered = lowered || (sumBefore && (listings(row) != listingsBefore || popularity(row) < sumBefore));
        if (!lowered && value.popularity)
            m_scale.add(m_popularity[row], listings(row));
    }
    if (lowered)
        rescale();
    if (changed.empty())
        return {};
    // The word decides the text and root filters and the 关键词 order; it never changes,
    // so only rows sorted by another column may move.
    if (m_sortColumn != kResultOrder && m_sortColumn != Word) {
        std::sort(changed.begin(), changed.end());
        changed.erase(std::unique(changed.begin(), changed.end()), changed.end());
        return insertSorted(std::move(changed), true);
    }
    ViewChange change;
    change.valuesChanged = true;
    return change;
}

std::optional<long long> ResultTable::listings(std::size_t row) const {
    return m_listings[row] < 0 ? std::nullopt : std::optional<long long>(m_listings[row]);
}
} // namespace orbisel::core
