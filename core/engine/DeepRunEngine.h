#pragma once

#include "core/base/DeepRunTypes.h"
#include "core/engine/EngineTiming.h"
#include "core/marketplace/Fetcher.h"
#include "core/marketplace/MarketplaceProtocol.h"
#include "core/store/RunStore.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orbisel::core {

// Runs a deep run stored in a RunStore: plans each depth level as an ordered
// list of queries, asks them with `concurrency` requests in flight, and merges
// the answers strictly in query order, so the results do not depend on
// timing. Each merge is committed with the answers it used.
//
// A word is counted once per answer (HTTP response) that returned it
// (出现次数, see OccurrenceRule): a PC suggestion's refinements belong to its PC
// answer, each long-tail answer counts on its own. Words are the same word
// when equal after trimming, ASCII case folding and full-width space folding,
// and the first spelling is kept.
class DeepRunEngine {
public:
    DeepRunEngine(RunStore &store, long long runId, MarketplaceEndpoints endpoints = marketplaceEndpoints());
    ~DeepRunEngine();
    DeepRunEngine(const DeepRunEngine &) = delete;
    DeepRunEngine &operator=(const DeepRunEngine &) = delete;

    void setTiming(const EngineTiming &timing);
    void setFetcher(Fetcher fetcher);

    // Runs (or resumes) the run until it ends; blocks; call it from a worker
    // thread. Callbacks come from the calling thread (progress throttled to a
    // few per second, plus once at the end).
    RunOutcome run(const std::function<void(const RunProgress &)> &onProgress = {},
                   const std::function<void(const ResultDelta &)> &onResults = {});
    // Thread-safe: no new requests, the requests in flight finish, everything is committed.
    void requestStop();

    // After run(): the store's failure when the outcome is StoreFailed or Locked.
    const std::optional<StoreError> &storeError() const;
    // Requests sent by the last run() (stored and cached answers excluded).
    long long requestsSent() const;

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace orbisel::core
