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
    std::unique_ptr<core::RootWordIndex> index;
    std::string error;
};

RootWordCollector::RootWordCollector() : m_shared(std::make_shared<Shared>()) {}

void RootWordCollector::reset() {
    std::lock_guard guard(m_shared->mutex);
    ++m_shared->generation;
    m_shared->index.reset();
}

std::function<void(const core::ResultDelta &)> RootWordCollector::rowsHook() {
    std::uint64_t generation = 0;
    {
        std::lock_guard guard(m_shared->mutex);
        generation = m_shared->generation;
    }
    // Words are cut before the index is locked: the GUI thread reads it meanwhile.
    return [shared = m_shared, generation](const core::ResultDelta &delta) {
        const auto &loaded = shared->dictionary.get();
        std::vector<std::vector<std::string>> cut;
        if (loaded.dictionary) {
            cut.reserve(delta.added.size());
            for (const core::ResultRow &row : delta.added)
                cut.push_back(core::segmentWords(*loaded.dictionary, row.word));
        }
        std::lock_guard guard(shared->mutex);
        if (shared->generation != generation)
            return;
        if (!loaded.dictionary) {
            shared->error = loaded.error;
            return;
        }
        if (!shared->index)
            shared->index = std::make_unique<core::RootWordIndex>(loaded.dictionary);
        for (std::size_t i = 0; i < delta.added.size(); ++i)
            shared->index->addSegmentedRow(std::move(cut[i]), delta.added[i].listings);
        for (const auto &[at, row] : delta.changed)
            shared->index->setListings(at, row.listings);
    };
}

std::vector<core::RootWordEntry> RootWordCollector::entries() const {
    std::lock_guard guard(m_shared->mutex);
    return m_shared->index ? m_shared->index->entries() : std::vector<core::RootWordEntry>{};
}

std::string RootWordCollector::error() const {
    std::lock_guard guard(m_shared->mutex);
    return m_shared->error;
}

std::function<bool(std::size_t)> RootWordCollector::rowFilter(const std::string &root) const {
    int id = -1;
    {
        std::lock_guard guard(m_shared->mutex);
        if (m_shared->index)
            id = m_shared->index->rootId(root);
    }
    return [shared = m_shared, id](std::size_t row) {
        std::lock_guard guard(shared->mutex);
        return shared->index && shared->index->rowContains(row, id);
    };
}

} // namespace orbisel::deepmining
