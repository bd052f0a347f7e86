#include "core/engine/RunRows.h"

#include "core/base/WordText.h"

namespace orbisel::core {

void RunRows::clear() {
    m_rows.clear();
    m_index.clear(1024);
}

void RunRows::restore(RunRow row) {
    row.hash = hashKey(comparisonKey(row.word));
    m_rows.push_back(std::move(row));
    index(m_rows.size() - 1);
}

void RunRows::answerStarts() {
    ++m_answer;
    if (m_rule == OccurrenceRule::PerAnswer)
        ++m_stamp;
}

void RunRows::sourceStarts() {
    if (m_rule == OccurrenceRule::PerQueryAndSource)
        ++m_stamp;
}

RunRows::Added RunRows::add(std::string_view word, std::string_view key, const Found &found,
                            const Origin &origin) {
    const std::uint64_t hash = hashKey(key);
    if (const long long at = find(key, hash); at >= 0) {
        RunRow &row = m_rows[static_cast<std::size_t>(at)];
        row.sources |= sourceBit(found.source);
        if (found.listings && *found.listings > row.listings)
            row.listings = *found.listings;
        if (row.stamp != m_stamp) {
            row.stamp = m_stamp;
            ++row.occurrences;
        }
        row.popularity.earn(m_answer, found.earning);
        return {static_cast<std::size_t>(at), false};
    }
    RunRow row;
    row.word = trimmedWord(word);
    row.hash = hash;
    row.listings = found.listings.value_or(-1);
    row.popularity.earn(m_answer, found.earning);
    row.occurrences = 1;
    row.seed = origin.seed;
    row.parent = origin.parent;
    row.stamp = m_stamp;
    row.sources = sourceBit(found.source);
    row.depth = static_cast<std::uint8_t>(origin.depth);
    m_rows.push_back(std::move(row));
    index(m_rows.size() - 1);
    return {m_rows.size() - 1, true};
}

long long RunRows::find(std::string_view key, std::uint64_t hash) const {
    const std::uint32_t found = m_index.find(hash, [&](std::uint32_t at) {
        const RunRow &row = m_rows[at];
        return row.hash == hash && comparisonKey(row.word) == key;
    });
    return static_cast<long long>(found) - 1;
}

// The row just appended.
void RunRows::index(std::size_t row) {
    m_index.add(m_rows[row].hash, [this](std::uint32_t at) { return m_rows[at].hash; });
}

} // namespace orbisel::core
