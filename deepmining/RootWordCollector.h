#pragma once

#include "core/base/DeepRunTypes.h"
#include "core/tables/RootWordTable.h"

#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

namespace orbisel::deepmining {

// The root-word dictionary, loaded once per process in the background.
std::shared_future<core::SegmentDictionary::Loaded> rootWordDictionary();

// The root words of the shown rows, kept as rows arrive: the rows hook of the run
// controller cuts them on the worker thread while the window reads the table.
class RootWordCollector {
public:
    RootWordCollector();

    // Forgets every row; rows of an earlier hook are ignored from now on. The rows to come are
    // cut keeping the user's words and the run's seeds whole.
    void reset(std::vector<std::string> userWords = {}, std::vector<std::string> seeds = {});
    // For RunController::setRowsHook.
    std::function<void(const core::ResultDelta &)> rowsHook();

    // The 词根 table (core::RootWordTable::entries).
    std::vector<core::RootWordEntry> entries() const;
    std::string error() const; // why the dictionary did not load
    // Whether a shown row contains the root word; safe while rows arrive.
    std::function<bool(std::size_t row)> rowFilter(const std::string &root) const;

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};

} // namespace orbisel::deepmining
