#include "core/RunTitles.h"

#include <algorithm>
#include <cmath>

namespace orbisel::core {
namespace {

int heatTenths(double heat) {
    return static_cast<int>(std::lround(oneDecimal(std::min(heat, 100.0)) * kHeatTenths));
}

double heatFigure(long long tenths) {
    return oneDecimal(static_cast<double>(tenths) / kHeatTenths);
}

} // namespace

void SeedWordHeat::add(const ResultRow &row) {
    const double estimate = kRefinementEarning * static_cast<double>(row.occurrences);
    if (row.popularity) {
        m_sums.add(*row.popularity, row.listings);
        m_anySum = true;
    }
    m_estimates.add(estimate, row.listings);
    if (row.seed == m_seed)
        m_kept.push_back({row.word, row.popularity, estimate});
}

std::vector<RunWord> SeedWordHeat::words() const {
    const ValueScale &estimateScale = m_anySum ? m_sums : m_estimates;
    std::vector<RunWord> words;
    words.reserve(m_kept.size());
    for (const Kept &kept : m_kept) {
        const double heat =
            kept.popularity ? m_sums.heat(*kept.popularity) : estimateScale.heat(kept.estimate);
        words.push_back({kept.word, heatTenths(heat), m_seed});
    }
    return words;
}

namespace {

// Errors are built in place: GCC 12 at -O3 reads parts of an aggregate temporary as uninitialised.
Failure<TitleInputError> inputFailure(TitleInputErrorKind kind) {
    Failure<TitleInputError> failure{};
    failure.error.kind = kind;
    return failure;
}

Failure<TitleInputError> storeFailure(const StoreError &error) {
    Failure<TitleInputError> failure = inputFailure(TitleInputErrorKind::Store);
    failure.error.store = error;
    return failure;
}

Failure<TitleInputError> listFailure(TitleInputErrorKind kind, const WordListError &error) {
    Failure<TitleInputError> failure = inputFailure(kind);
    failure.error.list = error;
    return failure;
}

} // namespace

Result<TitleInput, TitleInputError> loadTitleInput(RunStore &store, long long runId,
                                                   const std::string &seed) {
    auto options = store.options(runId);
    if (!options.ok())
        return storeFailure(options.error());
    TitleInput input;
    input.seeds = std::move(options.value().seeds);
    if (std::find(input.seeds.begin(), input.seeds.end(), seed) == input.seeds.end()) {
        Failure<TitleInputError> failure = inputFailure(TitleInputErrorKind::UnknownSeed);
        failure.error.seed = seed;
        failure.error.seeds = input.seeds;
        return failure;
    }

    auto dictionary = readOptionalWordList(userDictionaryPath());
    if (!dictionary.ok())
        return listFailure(TitleInputErrorKind::UserDictionary, dictionary.error());
    input.dictionary = std::move(dictionary.value());
    auto banned = readOptionalWordList(userBannedWordsPath());
    if (!banned.ok())
        return listFailure(TitleInputErrorKind::BannedWords, banned.error());
    input.banned = builtinBannedWords();
    input.banned.insert(input.banned.end(), banned.value().begin(), banned.value().end());

    SeedWordHeat heat(seed);
    auto read = store.forEachResult(runId, [&heat](const ResultRow &row) {
        heat.add(row);
        return true;
    });
    if (!read.ok())
        return storeFailure(read.error());
    input.words = heat.words();
    return input;
}

std::shared_ptr<const TitleIndex> titleIndexOf(std::shared_ptr<const SegmentDictionary> dictionary,
                                               const TitleInput &input) {
    return std::make_shared<const TitleIndex>(std::move(dictionary), PinnedWords(input.dictionary),
                                              input.banned, input.words, input.seeds);
}

Result<void, WriteError> writeTitles(const std::string &path, const TitleSet &titles, bool explain) {
    std::vector<TableColumn> columns{{"标题"},
                                     {"字节", ColumnKind::Number},
                                     {"字数", ColumnKind::Number},
                                     {"价值", ColumnKind::Number},
                                     {"覆盖词数", ColumnKind::Number}};
    std::vector<std::string> rootColumns;
    if (explain)
        for (const RootWordUse &use : titles.explanation)
            rootColumns.push_back("词根：" + use.rootWord);
    for (const std::string &name : rootColumns)
        columns.push_back({name, ColumnKind::Number});
    return writeTable(path, columns, [&](const CellVisitor &visit) {
        std::vector<TableCell> cells;
        for (std::size_t t = 0; t < titles.titles.size(); ++t) {
            const Title &title = titles.titles[t];
            cells = {std::string_view(title.text), static_cast<long long>(title.bytes),
                     static_cast<long long>(title.characters), heatFigure(title.value),
                     static_cast<long long>(title.coveredWords)};
            for (std::size_t r = 0; r < rootColumns.size(); ++r)
                cells.emplace_back(titles.explanation[r].inTitle.at(t) ? 1LL : 0LL);
            if (!visit(cells))
                break;
        }
        return true;
    });
}

} // namespace orbisel::core
