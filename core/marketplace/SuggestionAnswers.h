#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The five extractions of MarketplaceSource, on UTF-8 answers parsed with Qt's
// JSON reader: the same rules (markup and spaces cleaning, arrow composition,
// the related block), plus the listing count beside each suggestion.
namespace orbisel::core {

struct FoundWord {
    std::string word;
    std::optional<long long> listings; // second element of the `result` entry
};

// Words of a suggestion answer (`result[i][0]`, cleaned); nullopt when the
// answer is not JSON. PC and mobile words drop ASCII spaces, long-tail words keep them.
std::optional<std::vector<FoundWord>> suggestionWords(std::string_view answer, bool removeSpaces);

// A PC answer: its suggestions and, per suggestion, the arrow words
// (the cleaned suggestion followed by each title of the magic groups whose
// index names it, 1-based).
struct PcAnswer {
    std::vector<FoundWord> suggestions;
    std::vector<std::vector<std::string>> arrows; // one list per suggestion
};
std::optional<PcAnswer> readPcAnswer(std::string_view answer);

// Words of the search page's related block (`data.words[i].text`, unchanged);
// nullopt when the page has no block or it is not JSON.
std::optional<std::vector<std::string>> relatedWords(std::string_view page);

// Markup (<b>, </b>, any letter case) and, when asked, ASCII spaces removed.
std::string cleanSuggestion(std::string_view text, bool removeSpaces);

} // namespace orbisel::core
