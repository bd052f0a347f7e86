#include "deepmining/RootWordCollector.h"

#include "orbisel/config.h"

#include <cstdint>
#include <mutex>

namespace orbisel::deepmining {

std::shared_future<core::SegmentDictionary::Loaded> rootWordDictionary() {
    static const std::shared_future<core::SegmentDictionary::Loaded> loaded =
        std::async(std::launch::async, [] {
            return core::SegmentDictionary::load(config::kRootWordDictionary);
        }).share();
    return loaded;
}

struct RootWordCollector::Shared {
    std::shared_future<core::SegmentDictionary::Loaded> dictionary = rootWordDictionary();
    mutable std::recursive_mutex mutex;
    std::uint64_t generation = 0;
    std::vector<std::string> userWords;
    std::vector<std::string> seeds;
    std::shared_ptr<core::RootWordTable> table; // made with the first rows
    std::string error;

    // The table of the generation, made when missing; none when the generation is over or
    // there is no dictionary.
    std::shared_ptr<core::RootWordTable> tableOf(std::uint64_t of) {
        const auto &loaded = dictionary.get(); // waits for the load, outside the lock
        std::lock_guard guard(mutex);
        if (generation != of)
            return nullptr;
        if (!loaded.dictionary) {
            error = loaded.error;
            return nullptr;
        }
        if (!table)
            table = std::make_shared<core::RootWordTable>(
                core::RootWordSetup{loaded.dictionary, userWords, seeds});
        return table;
    }
};

RootWordCollector::RootWordCollector() : m_shared(std::make_shared<Shared>()) {}

void RootWordCollector::reset(std::vector<std::string> userWords, std::vector<std::string> seeds) {
    std::lock_guard guard(m_shared->mutex);
    ++m_shared->generation;
    m_shared->table.reset();
    m_shared->userWords = std::move(userWords);
    m_shared->seeds = std::move(seeds);
}

std::function<void(const core::ResultDelta &)> RootWordCollector::rowsHook() {
    std::uint64_t generation = 0;
    {
        std::lock_guard guard(m_shared->mutex);
        generation = m_shared->generation;
    }
    // Words are cut before the table is locked: the GUI thread reads it meanwhile.
    return [shared = m_shared, generation](const core::ResultDelta &delta) {
        const std::shared_ptr<core::RootWordTable> table = shared->tableOf(generation);
        if (!table)
            return;
        std::vector<std::vector<std::string>> cut;
        cut.reserve(delta.added.size());
        for (const core::ResultRow &row : delta.added)
            cut.push_back(table->cut(row.word));
        std::lock_guard guard(shared->mutex);
        if (shared->generation != generation)
            return;
        for (std::size_t i = 0; i < delta.added.size(); ++i)
            table->addRow(std::move(cut[i]), delta.added[i]);
        for (const auto &[at, row] : delta.changed)
            table->updateRow(at, row);
    };
}

std::vector<core::RootWordEntry> RootWordCollector::entries() const {
    std::lock_guard guard(m_shared->mutex);
    return m_shared->table ? m_shared->table->entries() : std::vector<core::RootWordEntry>{};
}

std::string RootWordCollector::error() const {
    std::lock_guard guard(m_shared->mutex);
    return m_shared->error;
}

std::function<bool(std::size_t)> RootWordCollector::rowFilter(const std::string &root) const {
    int id = -1;
    {
        std::lock_guard guard(m_shared->mutex);
        if (m_shared->table)
            id = m_shared->table->index().rootId(root);
    }
    return [shared = m_shared, id](std::size_t row) {
        std::lock_guard guard(shared->mutex);
        return shared->table && shared->table->index().rowContains(row, id);
    };
}

} // namespace orbisel::deepmining
