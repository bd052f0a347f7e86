#include "mining/ExportRows.h"

#include "web/Gbk.h"
#include "web/TextRules.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

namespace orbisel {
namespace {

// Marks the positions where a character starts.
void markBoundaries(std::string_view text, std::vector<char> &boundary) {
    boundary.assign(text.size() + 1, 0);
    for (size_t i = 0; i < text.size(); i += gbkCharLength(text, i))
        boundary[i] = 1;
    boundary[text.size()] = 1;
}

// Seeds stored reversed in a byte trie: walking back from a "|" of an item
// finds every seed that ends right before it.
class SeedTrie {
public:
    SeedTrie() : m_nodes(1) {}

    void add(std::string_view seed, int id) {
        int node = 0;
        for (size_t i = seed.size(); i-- > 0;)
            node = childOrAdd(node, static_cast<unsigned char>(seed[i]));
        m_nodes[static_cast<size_t>(node)].seed = id;
    }

    // Calls found(id) for every seed s such that s + "|" occurs in text at a
    // character boundary; an id may be reported more than once.
    template <class Found>
    void match(std::string_view text, const std::vector<char> &boundary, Found &&found) const {
        for (size_t bar = text.find('|'); bar != std::string_view::npos; bar = text.find('|', bar + 1)) {
            int node = 0;
            size_t start = bar;
            for (;;) {
                const Node &n = m_nodes[static_cast<size_t>(node)];
                if (n.seed >= 0 && boundary[start])
                    found(n.seed);
                if (start == 0)
                    break;
                --start;
                node = child(node, static_cast<unsigned char>(text[start]));
                if (node < 0)
                    break;
            }
        }
    }

private:
    struct Node {
        std::vector<std::pair<unsigned char, int>> children; // sorted by byte
        int seed = -1;
    };

    int child(int node, unsigned char byte) const {
        const auto &children = m_nodes[static_cast<size_t>(node)].children;
        const auto it = std::lower_bound(children.begin(), children.end(), byte,
                                         [](const auto &entry, unsigned char b) { return entry.first < b; });
        return it != children.end() && it->first == byte ? it->second : -1;
    }

    int childOrAdd(int node, unsigned char byte) {
        auto &children = m_nodes[static_cast<size_t>(node)].children;
        const auto it = std::lower_bound(children.begin(), children.end(), byte,
                                         [](const auto &entry, unsigned char b) { return entry.first < b; });
        if (it != children.end() && it->first == byte)
            return it->second;
        const int added = static_cast<int>(m_nodes.size());
        children.insert(it, {byte, added});
        m_nodes.emplace_back(); // may move `children`; not used afterwards
        return added;
    }

    std::vector<Node> m_nodes;
};

struct ItemRef {
    std::uint8_t kind;
    std::uint32_t index;
};

const char *const kLabelsUtf8[kSourceKindCount] = {"PC下拉词", "PC箭头词", "无线下拉词", "长尾词",
                                                   "你是不是想找"};

} // namespace

const char *exportLabelUtf8(SourceKind kind) {
    return kLabelsUtf8[static_cast<size_t>(kind)];
}

const Text &exportLabel(SourceKind kind) {
    static const std::array<Text, kSourceKindCount> labels = [] {
        std::array<Text, kSourceKindCount> texts;
        for (size_t i = 0; i < texts.size(); ++i)
            texts[i] = gbk(kLabelsUtf8[i]);
        return texts;
    }();
    return labels[static_cast<size_t>(kind)];
}

std::string_view exportSeed(std::string_view entry) {
    return entry.substr(0, entry.find(','));
}

std::string_view exportWord(std::string_view item) {
    size_t after = 0;
    for (size_t i = 0; i < item.size(); i += gbkCharLength(item, i))
        if (item[i] == '|')
            after = i + 1;
    return item.substr(after);
}

void forEachExportRow(const TextArray &seedLog, const HarvestArrays &harvest,
                      const std::function<bool(const ExportRow &)> &onRow,
                      const std::function<void()> &onSeedDone) {
    // Distinct seeds, numbered, in a reversed trie.
    std::unordered_map<std::string_view, int> seedIds;
    std::vector<int> entrySeed;
    entrySeed.reserve(seedLog.size());
    SeedTrie trie;
    for (const Text &entry : seedLog) {
        const std::string_view seed = exportSeed(entry);
        const auto [it, added] = seedIds.try_emplace(seed, static_cast<int>(seedIds.size()));
        if (added)
            trie.add(seed, it->second);
        entrySeed.push_back(it->second);
    }

    // One pass over the items, in export order: the matching items of each seed.
    std::vector<std::vector<ItemRef>> matches(seedIds.size());
    std::vector<std::uint64_t> lastItem(seedIds.size(), 0);
    std::vector<char> boundary;
    std::uint64_t itemNumber = 0;
    for (size_t kind = 0; kind < harvest.size(); ++kind) {
        for (size_t index = 0; index < harvest[kind].size(); ++index) {
            const std::string_view item = harvest[kind][index];
            ++itemNumber;
            if (item.find('|') == std::string_view::npos)
                continue;
            markBoundaries(item, boundary);
            trie.match(item, boundary, [&](int seed) {
                if (lastItem[static_cast<size_t>(seed)] == itemNumber)
                    return;
                lastItem[static_cast<size_t>(seed)] = itemNumber;
                matches[static_cast<size_t>(seed)].push_back(
                    {static_cast<std::uint8_t>(kind), static_cast<std::uint32_t>(index)});
            });
        }
    }

    for (size_t e = 0; e < seedLog.size(); ++e) {
        const std::string_view seed = exportSeed(seedLog[e]);
        for (const ItemRef &ref : matches[static_cast<size_t>(entrySeed[e])]) {
            const ExportRow row{seed, exportWord(harvest[ref.kind][ref.index]),
                                static_cast<SourceKind>(ref.kind)};
            if (!onRow(row))
                return;
        }
        if (onSeedDone)
            onSeedDone();
    }
}

std::vector<ExportRow> exportRows(const TextArray &seedLog, const HarvestArrays &harvest) {
    std::vector<ExportRow> rows;
    forEachExportRow(seedLog, harvest, [&](const ExportRow &row) {
        rows.push_back(row);
        return true;
    });
    return rows;
}

} // namespace orbisel
