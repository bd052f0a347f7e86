#include "ledger/LedgerExport.h"

#include "app/Program.h"
#include "ledger/LedgerWorkbook.h"
#include "web/Gbk.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QUrl>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace orbisel {
namespace {

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

void setSpreadsheetHandlerProbe(std::function<bool()> probe) {
    std::lock_guard lock(exportState().mutex);
    exportState().probe = std::move(probe);
}

void waitForLedgerExports() {
    std::unique_lock lock(exportState().mutex);
    exportState().idle.wait(lock, [] { return exportState().running == 0; });
}

} // namespace orbisel
