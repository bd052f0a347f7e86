#include "ledger/LedgerExport.h"

#include "app/Program.h"
#include "orbisel/config.h"
#include "web/Encoding.h"
#include "web/Gbk.h"
#include "web/SaveFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <xlsxwriter.h>

namespace orbisel {
namespace {

constexpr char kXlsxMimeType[] = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet";

struct ExportState {
    std::mutex mutex;
    std::condition_variable idle;
    int running = 0;
    std::function<bool()> probe;
};

ExportState &exportState() {
    static ExportState s;
    return s;
}

// Runs the function on the GUI thread, after the handler that is running there.
void onGuiThread(std::function<void()> work) {
    if (QCoreApplication *app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, std::move(work), Qt::QueuedConnection);
}

void runExport(const LedgerContent &snapshot) {
    std::function<bool()> probe;
    {
        std::lock_guard lock(exportState().mutex);
        probe = exportState().probe;
    }
    if (!(probe ? probe() : desktopHasSpreadsheetHandler())) {
        onGuiThread([] { messageBox(gbk("Excel 程序创建失败！可能没有安装Excel2000")); });
        return;
    }
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/orbisel-ledger-XXXXXX"));
    folder.setAutoRemove(false); // the spreadsheet application opens the file after this thread ends
    const QString path = folder.isValid() ? folder.filePath(QStringLiteral("账本.xlsx")) : QString();
    if (path.isEmpty() || !writeLedgerWorkbook(path, snapshot)) {
        onGuiThread([] { messageBox(gbk("导出失败，无法写入临时文件夹")); });
        return;
    }
    // A file address in ASCII (percent-encoded), so that any character of the path survives.
    onGuiThread([address = QUrl::fromLocalFile(path).toEncoded().toStdString()] {
        openAddress(address);
        messageBox(gbk("已经导出"));
    });
}

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
        lxw_worksheet *sheet = workbook_add_worksheet(workbook, nullptr);
        bool ok = sheet != nullptr;
        for (int r = 0; ok && r < content.rows; ++r)
            for (int c = 0; ok && c < content.columns; ++c) {
                const Text &cell = content.cell(r, c);
                if (cell.empty())
                    continue;
                const std::string utf8 = gbkToUtf8(cell);
                ok = worksheet_write_string(sheet, static_cast<lxw_row_t>(r), static_cast<lxw_col_t>(c),
                                            utf8.c_str(), nullptr) == LXW_NO_ERROR;
            }
        const bool closed = workbook_close(workbook) == LXW_NO_ERROR; // frees the workbook in every case
        return ok && closed;
    });
}

void startLedgerExport(LedgerContent snapshot) {
    {
        std::lock_guard lock(exportState().mutex);
        ++exportState().running;
    }
    std::thread([snapshot = std::move(snapshot)] {
        runExport(snapshot);
        std::lock_guard lock(exportState().mutex);
        --exportState().running;
        exportState().idle.notify_all();
    }).detach();
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

void setSpreadsheetHandlerProbe(std::function<bool()> probe) {
    std::lock_guard lock(exportState().mutex);
    exportState().probe = std::move(probe);
}

void waitForLedgerExports() {
    std::unique_lock lock(exportState().mutex);
    exportState().idle.wait(lock, [] { return exportState().running == 0; });
}

} // namespace orbisel
