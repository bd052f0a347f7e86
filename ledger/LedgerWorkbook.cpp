#include "ledger/LedgerWorkbook.h"

#include "orbisel/config.h"
#include "web/Encoding.h"
#include "web/SaveFile.h"
#include "web/TableSheet.h"

#include <QProcess>
#include <xlsxwriter.h>

namespace orbisel {
namespace {

constexpr char kXlsxMimeType[] = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet";

} // namespace

bool writeLedgerWorkbook(const QString &path, const LedgerContent &content) {
    return replaceFileAtomically(path.toStdString(), [&content](const std::string &tempPath) {
        lxw_workbook_options options{};
        options.constant_memory = LXW_FALSE;
        lxw_workbook *workbook = workbook_new_opt(tempPath.c_str(), &options);
        if (!workbook)
            return false;
        std::string title = "用循环取高级表格数据到电子表格";
        lxw_doc_properties properties{};
        properties.title = title.data();
        workbook_set_properties(workbook, &properties);
        lxw_worksheet *worksheet = workbook_add_worksheet(workbook, nullptr);
        bool ok = worksheet != nullptr;
        TableSheet sheet(worksheet);
        for (int r = 0; ok && r < content.rows; ++r)
            for (int c = 0; ok && c < content.columns; ++c) {
                const Text &cell = content.cell(r, c);
                if (!cell.empty())
                    ok = sheet.text(static_cast<lxw_row_t>(r), static_cast<lxw_col_t>(c), gbkToUtf8(cell));
            }
        ok = ok && sheet.finish();
        const bool closed = workbook_close(workbook) == LXW_NO_ERROR; // frees the workbook in every case
        return ok && closed;
    });
}

bool desktopHasSpreadsheetHandler() {
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), QString::fromLatin1(kXlsxMimeType)});
    if (!query.waitForStarted(config::kSpreadsheetProbeTimeoutMs))
        return false;
    if (!query.waitForFinished(config::kSpreadsheetProbeTimeoutMs)) {
        query.kill();
        query.waitForFinished(config::kSpreadsheetProbeTimeoutMs);
        return false;
    }
    return query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0 &&
           !query.readAllStandardOutput().trimmed().isEmpty();
}

} // namespace orbisel
