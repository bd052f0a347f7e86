#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Brand names from the results pages' 品牌 groups, and which brand a word names.
namespace orbisel::core {

// The aliases of a 品牌 entry: "NANFANG BLACK SESAME/南方黑芝麻" gives both sides of
// each "/", trimmed; an alias of fewer than two characters is dropped.
std::vector<std::string> brandAliases(std::string_view entry);

// Whether `word` contains `alias`, ASCII letters in either case; an alias starting or
// ending with an ASCII letter does not match inside a longer run of ASCII letters
// ("nike" is in "nike鞋" and "nike2024", not in "nikeair").
bool containsAlias(std::string_view word, std::string_view alias);

struct BrandMatch {
    std::string entry; // the 品牌 entry as the page gives it
    std::string alias; // the alias the word contains
    bool operator==(const BrandMatch &) const = default;
};

class BrandList {
public:
    BrandList() = default;
    // Entries of one or more pages (repeats, in any letter case, kept once). An entry
    // sharing an alias with one of the seller's own brands is left out, so a word naming
    // it is never flagged; a "not a brand" name is removed from every entry's aliases.
    explicit BrandList(const std::vector<std::string> &entries, const std::vector<std::string> &ownBrands = {},
                       const std::vector<std::string> &notBrands = {});

    // The entry whose alias the word contains, the longest alias (in characters) when
    // several do, the earlier entry on a tie.
    std::optional<BrandMatch> brandIn(std::string_view word) const;

    std::size_t size() const { return m_brands.size(); }

private:
    struct Brand {
        std::string entry;
        std::vector<std::string> aliases; // as the entry gives them
        std::vector<std::string> keys;    // the aliases with ASCII letters lower-cased
    };
    // An alias by the first two bytes of its key, so that a word is searched at each of its
    // positions for the aliases starting there only.
    struct AliasRef {
        std::size_t brand = 0;
        std::size_t alias = 0;
        std::size_t characters = 0;
    };
    std::vector<Brand> m_brands;
    std::unordered_map<std::uint16_t, std::vector<AliasRef>> m_byStart;
};

} // namespace orbisel::core
