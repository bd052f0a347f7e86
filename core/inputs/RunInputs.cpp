#include "core/inputs/RunInputs.h"

#include "core/base/SourceNames.h"
#include "core/base/WordText.h"
#include "core/inputs/Expansion.h"

#include <array>
#include <filesystem>

namespace orbisel::core {

namespace {

constexpr std::array<std::string_view, kExpansionCount> kExpansionNames = {"letters", "digits", "modifiers",
                                                                           "questions"};

RunInputError inputError(RunInputErrorKind kind, std::string detail = {}) {
    return RunInputError{kind, {SeedsErrorKind::NoSeeds, {}}, std::move(detail)};
}

std::optional<RunInputError> checkBounds(const DeepRunOptions &o) {
    const auto outside = [](int value, int low, int high) { return value < low || value > high; };
    if (o.sources == 0)
        return inputError(RunInputErrorKind::NoSources);
    if (outside(o.depth, kMinDepth, kMaxDepth))
        return inputError(RunInputErrorKind::DepthOutOfRange, std::to_string(o.depth));
    if (outside(o.concurrency, kMinConcurrency, kMaxConcurrency))
        return inputError(RunInputErrorKind::ConcurrencyOutOfRange, std::to_string(o.concurrency));
    if (outside(o.minChars, 0, kMaxCharsBound) || outside(o.maxChars, 0, kMaxCharsBound))
        return inputError(RunInputErrorKind::CharsOutOfRange);
    if (o.maxChars > 0 && o.minChars > o.maxChars)
        return inputError(RunInputErrorKind::MinAboveMax);
    return std::nullopt;
}

Result<std::vector<std::string>, SeedsError> readSeeds(const RunInputs &inputs) {
    if (!inputs.seedsFile.empty())
        return readSeedsFile(inputs.seedsFile);
    auto seeds = inputs.seedList.empty() ? parseSeeds(inputs.seedText) : distinctSeeds(inputs.seedList);
    if (seeds.ok() && seeds.value().empty())
        return Failure{SeedsError{SeedsErrorKind::NoSeeds, {}}};
    return seeds;
}

// The user's modifier words; none when the file is missing or holds no word.
Result<std::vector<std::string>, SeedsError> readModifiers(const std::string &given) {
    const std::string path = given.empty() ? userModifiersPath() : given;
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return std::vector<std::string>{};
    auto words = readSeedsFile(path);
    if (!words.ok() && words.error().kind == SeedsErrorKind::NoSeeds)
        return std::vector<std::string>{};
    return words;
}

// Each name of the list as its index in `names`.
template <std::size_t N>
Result<unsigned, std::string> nameBits(std::string_view list, const std::array<std::string_view, N> &names) {
    unsigned bits = 0;
    for (const std::string &item : splitList(list)) {
        std::size_t i = 0;
        while (i < N && names[i] != item)
            ++i;
        if (i == N)
            return Failure{item};
        bits |= 1u << i;
    }
    return bits;
}

} // namespace

Result<DeepRunOptions, RunInputError> buildRunOptions(const RunInputs &inputs) {
    DeepRunOptions options = inputs.options;
    if (auto problem = checkBounds(options))
        return Failure{*problem};
    auto seeds = readSeeds(inputs);
    if (!seeds.ok())
        return Failure{RunInputError{RunInputErrorKind::Seeds, seeds.error(), {}}};
    options.seeds = std::move(seeds).value();
    options.include = splitList(inputs.include);
    options.exclude = splitList(inputs.exclude);
    options.modifiers.clear();
    if (options.expansions & expansionBit(Expansion::Modifiers)) {
        auto modifiers = readModifiers(inputs.modifiersFile);
        if (!modifiers.ok())
            return Failure{RunInputError{RunInputErrorKind::Modifiers, modifiers.error(), {}}};
        options.modifiers = std::move(modifiers).value();
    }
    return options;
}

std::string_view expansionName(Expansion expansion) {
    return kExpansionNames[static_cast<std::size_t>(expansion)];
}

Result<DeepSourceSet, RunInputError> parseSourceNames(std::string_view list) {
    const auto bits = nameBits(list, kSourceNames);
    if (!bits.ok())
        return Failure{inputError(RunInputErrorKind::UnknownSource, bits.error())};
    if (bits.value() == 0)
        return Failure{inputError(RunInputErrorKind::NoSources)};
    return static_cast<DeepSourceSet>(bits.value());
}

Result<ExpansionSet, RunInputError> parseExpansionNames(std::string_view list) {
    const auto bits = nameBits(list, kExpansionNames);
    if (!bits.ok())
        return Failure{inputError(RunInputErrorKind::UnknownExpansion, bits.error())};
    return static_cast<ExpansionSet>(bits.value());
}

} // namespace orbisel::core
