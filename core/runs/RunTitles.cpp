#include "core/runs/RunTitles.h"

#include <algorithm>
#include <cmath>

namespace orbisel::core {
namespace {

double heatFigure(long long tenths) {
    return oneDecimal(static_cast<double>(tenths) / kHeatTenths);
}

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

Result<TitleInput, TitleInputError> loadTitleInput(const StoredRun &run, const std::string &seed) {
    auto options = run.options();
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
    auto read = run.forEachRow([&heat](const ResultRow &row) {
        heat.add(row);
        return true;
    });
    if (!read.ok())
        return storeFailure(read.error());
    input.words = heat.words();
    return input;
}

Result<TitleInput, TitleInputError> loadTitleInput(RunStore &store, long long runId,
                                                   const std::string &seed) {
    auto run = StoredRun::open(store, runId);
    if (!run.ok())
        return storeFailure(run.error());
    return loadTitleInput(run.value(), seed);
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
