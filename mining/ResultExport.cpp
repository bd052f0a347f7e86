#include "mining/ResultExport.h"

#include "app/Program.h"
#include "app/Responsive.h"
#include "core/ResultWriters.h"
#include "web/Encoding.h"
#include "web/Gbk.h"
#include "web/SaveFile.h"
#include "web/TextRules.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <xlsxwriter.h>

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
const char *const kHeaderUtf8[3] = {"关键词", "搜索结果", "类别"};

void appendCsvField(QByteArray &out, std::string_view utf8) {
    if (utf8.find_first_of(",\"\r\n") == std::string_view::npos) {
        out.append(utf8.data(), static_cast<qsizetype>(utf8.size()));
        return;
    }
    out.append('"');
    for (char c : utf8) {
        if (c == '"')
            out.append('"');
        out.append(c);
    }
    out.append('"');
}

void appendCsvRow(QByteArray &out, std::string_view a, std::string_view b, std::string_view c) {
    appendCsvField(out, a);
    out.append(',');
    appendCsvField(out, b);
    out.append(',');
    appendCsvField(out, c);
    out.append("\r\n");
}

// Converts the seed of consecutive rows once.
class SeedUtf8 {
public:
    const Text &of(std::string_view seed) {
        if (!m_valid || seed.data() != m_seed.data() || seed.size() != m_seed.size()) {
            m_seed = seed;
            m_utf8 = gbkToUtf8(seed);
            m_valid = true;
        }
        return m_utf8;
    }

private:
    std::string_view m_seed;
    Text m_utf8;
    bool m_valid = false;
};

bool writeCsv(const std::string &path, const TextArray &seedLog, const HarvestArrays &harvest) {
    QByteArray out;
    out.append("\xEF\xBB\xBF");
    appendCsvRow(out, kHeaderUtf8[0], kHeaderUtf8[1], kHeaderUtf8[2]);
    SeedUtf8 seed;
    forEachExportRow(
        seedLog, harvest,
        [&](const ExportRow &row) {
            appendCsvRow(out, seed.of(row.seed), gbkToUtf8(row.word),
                         kLabelsUtf8[static_cast<size_t>(row.kind)]);
            return true;
        },
        pumpPendingInput);
    return waitResponsive([&] {
        return saveFileAtomically(path, std::string_view(out.constData(), static_cast<size_t>(out.size())),
                                  ParentFolder::MustExist);
    });
}

enum class XlsxResult { Written, Failed, TooManyRows };

XlsxResult writeXlsx(const std::string &path, const TextArray &seedLog, const HarvestArrays &harvest) {
    bool tooManyRows = false;
    const bool replaced = core::replaceWithWorkbook(
        path,
        [&](lxw_worksheet *sheet) {
            bool ok = true;
            lxw_row_t row = 0;
            auto writeRow = [&](const char *a, const char *b, const char *c) {
                ok = worksheet_write_string(sheet, row, 0, a, nullptr) == LXW_NO_ERROR &&
                     worksheet_write_string(sheet, row, 1, b, nullptr) == LXW_NO_ERROR &&
                     worksheet_write_string(sheet, row, 2, c, nullptr) == LXW_NO_ERROR;
                ++row;
                return ok;
            };
            writeRow(kHeaderUtf8[0], kHeaderUtf8[1], kHeaderUtf8[2]);
            SeedUtf8 seed;
            if (ok)
                forEachExportRow(
                    seedLog, harvest,
                    [&](const ExportRow &r) {
                        if (row >= LXW_ROW_MAX) {
                            tooManyRows = true;
                            ok = false;
                            return false;
                        }
                        return writeRow(seed.of(r.seed).c_str(), gbkToUtf8(r.word).c_str(),
                                        kLabelsUtf8[static_cast<size_t>(r.kind)]);
                    },
                    pumpPendingInput);
            return ok;
        },
        // Input keeps flowing while the zip file is assembled.
        [](const std::function<bool()> &close) { return waitResponsive(close); });
    if (replaced)
        return XlsxResult::Written;
    return tooManyRows ? XlsxResult::TooManyRows : XlsxResult::Failed;
}

} // namespace

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

bool exportResults(const QString &path, const TextArray &seedLog, const HarvestArrays &harvest) {
    const std::string file = QFile::encodeName(QFileInfo(path).absoluteFilePath()).toStdString();
    bool written = false;
    if (path.contains(QLatin1String(".csv"))) {
        written = writeCsv(file, seedLog, harvest);
    } else {
        const XlsxResult result = writeXlsx(file, seedLog, harvest);
        if (result == XlsxResult::TooManyRows) {
            messageBox(gbk("导出失败：结果超过Excel工作表的最大行数1048576，请导出为CSV文件"));
            return false;
        }
        written = result == XlsxResult::Written;
    }
    if (!written)
        messageBox(gbk("导出失败：无法写入文件\n") + toGbk(QDir::toNativeSeparators(path)));
    return written;
}

bool exportResults(const QString &path) {
    // A copy: handlers that run between seeds cannot change what is written.
    const TextArray seedLog = globalState().seedLog;
    const HarvestArrays harvest = globalState().harvest;
    return exportResults(path, seedLog, harvest);
}

SaveDialogRequest exportDialogRequest(const QString &lastPath) {
    return {.title = gbk("保存文件"),
            .filter = gbk("Excel文档(*.xlsx)|*.xlsx|Excel文档(*.CSV)|*.csv"),
            .defaultExtension = "xlsx",
            .initialPath = lastPath};
}

void exportButtonClicked(QString &lastPath) {
    const std::optional<QString> path = askSaveFileName(exportDialogRequest(lastPath));
    if (!path || path->isEmpty())
        return;
    lastPath = *path;
    exportResults(*path);
}

} // namespace orbisel
