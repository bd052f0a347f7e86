#include "core/competition/BrandList.h"

#include <algorithm>
#include <unordered_set>

namespace orbisel::core {
namespace {

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char &c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// ASCII white space, the no-break space and the ideographic space.
std::size_t spaceAt(std::string_view text, std::size_t i) {
    const char c = text[i];
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v')
        return 1;
    if (text.substr(i).starts_with("\xC2\xA0"))
        return 2;
    if (text.substr(i).starts_with("\xE3\x80\x80"))
        return 3;
    return 0;
}

std::size_t spaceEndingAt(std::string_view text) {
    for (const std::size_t length : {std::size_t{1}, std::size_t{2}, std::size_t{3}}) {
        if (text.size() >= length && spaceAt(text, text.size() - length) == length)
            return length;
    }
    return 0;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty()) {
        const std::size_t n = spaceAt(text, 0);
        if (n == 0)
            break;
        text.remove_prefix(n);
    }
    while (!text.empty()) {
        const std::size_t n = spaceEndingAt(text);
        if (n == 0)
            break;
        text.remove_suffix(n);
    }
    return text;
}

// Characters of UTF-8 text (bytes that do not continue a sequence).
std::size_t characters(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(
        text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// Whether the key found at `at` in the word is not inside a longer run of ASCII letters.
bool standsAlone(std::string_view word, std::size_t at, std::string_view key) {
    const std::size_t end = at + key.size();
    if (isAsciiLetter(key.front()) && at > 0 && isAsciiLetter(word[at - 1]))
        return false;
    return !(isAsciiLetter(key.back()) && end < word.size() && isAsciiLetter(word[end]));
}

// Both sides lower-cased already.
bool containsKey(std::string_view word, std::string_view key) {
    if (key.empty())
        return false;
    for (std::size_t at = word.find(key); at != std::string_view::npos; at = word.find(key, at + 1)) {
        if (standsAlone(word, at, key))
            return true;
    }
    return false;
}

std::uint16_t startOf(std::string_view key) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(key[0]) << 8 | static_cast<unsigned char>(key[1]));
}

std::unordered_set<std::string> keysOf(const std::vector<std::string> &names) {
    std::unordered_set<std::string> keys;
    for (const std::string &name : names) {
        for (const std::string &alias : brandAliases(name))
            keys.insert(lowered(alias));
    }
    return keys;
}

} // namespace

std::vector<std::string> brandAliases(std::string_view entry) {
    std::vector<std::string> aliases;
    while (true) {
        const std::size_t slash = entry.find('/');
        const std::string_view alias = trimmed(entry.substr(0, slash));
        if (characters(alias) >= 2)
            aliases.emplace_back(alias);
        if (slash == std::string_view::npos)
            break;
        entry.remove_prefix(slash + 1);
    }
    return aliases;
}

bool containsAlias(std::string_view word, std::string_view alias) {
    return containsKey(lowered(word), lowered(alias));
}

BrandList::BrandList(const std::vector<std::string> &entries, const std::vector<std::string> &ownBrands,
                     const std::vector<std::string> &notBrands) {
    const std::unordered_set<std::string> own = keysOf(ownBrands);
    const std::unordered_set<std::string> removed = keysOf(notBrands);
    std::unordered_set<std::string> seen;
    for (const std::string &entry : entries) {
        if (!seen.insert(lowered(trimmed(entry))).second)
            continue;
        Brand brand{std::string(trimmed(entry)), {}, {}};
        bool ownBrand = false;
        for (const std::string &alias : brandAliases(entry)) {
            std::string key = lowered(alias);
            ownBrand = ownBrand || own.contains(key);
            if (removed.contains(key) || std::find(brand.keys.begin(), brand.keys.end(), key) != brand.keys.end())
                continue;
            brand.aliases.push_back(alias);
            brand.keys.push_back(std::move(key));
        }
        if (ownBrand || brand.keys.empty())
            continue;
        for (std::size_t i = 0; i < brand.keys.size(); ++i)
            m_byStart[startOf(brand.keys[i])].push_back({m_brands.size(), i, characters(brand.keys[i])});
        m_brands.push_back(std::move(brand));
    }
}

std::optional<BrandMatch> BrandList::brandIn(std::string_view word) const {
    const std::string key = lowered(word);
    const AliasRef *best = nullptr;
    const auto better = [&best](const AliasRef &ref) {
        return !best || ref.characters > best->characters ||
               (ref.characters == best->characters &&
                (ref.brand < best->brand || (ref.brand == best->brand && ref.alias < best->alias)));
    };
    for (std::size_t at = 0; at + 1 < key.size(); ++at) {
        const auto bucket = m_byStart.find(startOf(key.substr(at, 2)));
        if (bucket == m_byStart.end())
            continue;
        for (const AliasRef &ref : bucket->second) {
            const std::string &alias = m_brands[ref.brand].keys[ref.alias];
            if (better(ref) && key.compare(at, alias.size(), alias) == 0 && standsAlone(key, at, alias))
                best = &ref;
        }
    }
    if (!best)
        return std::nullopt;
    return BrandMatch{m_brands[best->brand].entry, m_brands[best->brand].aliases[best->alias]};
}

} // namespace orbisel::core
