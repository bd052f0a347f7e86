#include "cli/TitleText.h"

#include <algorithm>

namespace orbisel::cli {
namespace {

std::string joined(const std::vector<std::string> &words) {
    std::string text;
    for (const std::string &word : words)
        text += (text.empty() ? "" : ", ") + word;
    return text;
}

std::string wordListProblem(const char *list, const core::WordListError &error) {
    const std::string where = std::string(list) + " " + error.detail + " line " + std::to_string(error.line);
    switch (error.kind) {
    case core::WordListErrorKind::ControlCharacter:
        return where + ": a control character (NUL, tab, ...) in a word";
    case core::WordListErrorKind::BadEncoding:
        return where + ": neither UTF-8 nor GBK text";
    default:
        return std::string("cannot read ") + list + " " + error.detail;
    }
}

} // namespace

std::string tenthsText(long long tenths) {
    const std::string sign = tenths < 0 ? "-" : "";
    const long long magnitude = tenths < 0 ? -tenths : tenths;
    return sign + std::to_string(magnitude / core::kHeatTenths) + "." +
           std::to_string(magnitude % core::kHeatTenths);
}

std::string titleLines(const core::TitleSet &titles, bool explain) {
    std::string text;
    for (const core::Title &title : titles.titles)
        text += title.text + "\n";
    if (!explain)
        return text;
    text += "\n词根\t价值";
    for (std::size_t i = 1; i <= titles.titles.size(); ++i) {
        text += '\t'; // appended apart: GCC 12 at -O3 misreads "\t" + std::string as overlapping
        text += std::to_string(i);
    }
    text += "\n";
    for (const core::RootWordUse &use : titles.explanation) {
        text += use.rootWord + "\t" + tenthsText(use.value);
        for (bool held : use.inTitle)
            text += held ? "\t✓" : "\t-";
        text += "\n";
    }
    return text;
}

std::string titleInputProblem(const core::TitleInputError &error) {
    switch (error.kind) {
    case core::TitleInputErrorKind::UnknownSeed:
        return "the run has no seed '" + error.seed + "' (its seeds: " + joined(error.seeds) + ")";
    case core::TitleInputErrorKind::UserDictionary:
        return wordListProblem("the user dictionary", error.list);
    case core::TitleInputErrorKind::BannedWords:
        return wordListProblem("the banned words", error.list);
    case core::TitleInputErrorKind::Store:
        break;
    }
    return "the run store failed";
}

std::string titleProblem(const core::TitleError &error, const core::TitleRequest &request) {
    const std::string limit = std::to_string(request.byteLimit);
    switch (error.kind) {
    case core::TitleErrorKind::UnknownSeed:
        return "the run has no seed '" + error.word + "'";
    case core::TitleErrorKind::MustWordTooLong: {
        const std::vector<std::string> must = request.mustWords.value_or(std::vector{request.seed});
        const bool one = std::find(must.begin(), must.end(), error.word) != must.end();
        return (one ? "the must word '" : "the must words together '") + error.word + "' take" +
               (one ? "s " : " ") + std::to_string(core::titleBytes(error.word)) +
               " bytes, more than --limit " + limit;
    }
    case core::TitleErrorKind::MustWordForbidden:
        break;
    }
    const char *kind = error.avoided ? "avoided" : "banned";
    return "the must word '" + error.word + "' holds the " + kind + " word '" + error.forbidden + "'";
}

} // namespace orbisel::cli
