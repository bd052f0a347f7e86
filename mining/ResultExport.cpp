#include "mining/ResultExport.h"

#include "app/GlobalState.h"
#include "app/Program.h"
#include "app/Responsive.h"
#include "core/files/ResultWriters.h"
#include "web/CsvField.h"
#include "web/Encoding.h"
#include "web/Gbk.h"
#include "web/SaveFile.h"
#include "web/TableSheet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <xlsxwriter.h>

namespace orbisel {
namespace {

const char *const kHeaderUtf8[3] = {"关键词", "搜索结果", "类别"};

void appendCsvRow(std::string &out, std::string_view a, std::string_view b, std::string_view c) {
    appendCsvField(out, a);
    out += ',';
    appendCsvField(out, b);
    out += ',';
    appendCsvField(out, c);
    out += "\r\n";
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
    std::string out = "\xEF\xBB\xBF";
    appendCsvRow(out, kHeaderUtf8[0], kHeaderUtf8[1], kHeaderUtf8[2]);
    SeedUtf8 seed;
    forEachExportRow(
        seedLog, harvest,
        [&](const ExportRow &row) {
            appendCsvRow(out, seed.of(row.seed), gbkToUtf8(row.word), exportLabelUtf8(row.kind));
            return true;
        },
        pumpPendingInput);
    return waitResponsive([&] { return saveFileAtomically(path, out, ParentFolder::MustExist); });
}

enum class XlsxResult { Written, Failed, TooManyRows };

XlsxResult writeXlsx(const std::string &path, const TextArray &seedLog, const HarvestArrays &harvest) {
    bool tooManyRows = false;
    const bool replaced = core::replaceWithWorkbook(
        path,
        [&](lxw_worksheet *worksheet) {
            TableSheet sheet(worksheet);
            bool ok = true;
            lxw_row_t row = 0;
            auto writeRow = [&](std::string_view a, std::string_view b, std::string_view c) {
                ok = sheet.text(row, 0, a) && sheet.text(row, 1, b) && sheet.text(row, 2, c);
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
                        return writeRow(seed.of(r.seed), gbkToUtf8(r.word), exportLabelUtf8(r.kind));
                    },
                    pumpPendingInput);
            return ok && sheet.finish();
        },
        // Input keeps flowing while the zip file is assembled.
        [](const std::function<bool()> &close) { return waitResponsive(close); });
    if (replaced)
        return XlsxResult::Written;
    return tooManyRows ? XlsxResult::TooManyRows : XlsxResult::Failed;
}

} // namespace

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
