#include "ledger/LedgerWorkbook.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace orbisel {
namespace {

void writeFile(const QString &path, const QByteArray &bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// xdg-mime answers from the XDG folders, which the test points at its own.
TEST(SpreadsheetProbe, followsTheDesktopDefaultForXlsx) {
    QTemporaryDir root;
    for (const char *name : {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS"})
        qputenv(name, root.filePath(QString::fromLatin1(name)).toLocal8Bit());
    qunsetenv("XDG_CURRENT_DESKTOP");
    EXPECT_FALSE(desktopHasSpreadsheetHandler());

    writeFile(root.filePath(QStringLiteral("XDG_DATA_HOME/applications/sheet.desktop")),
              "[Desktop Entry]\nType=Application\nName=Sheet\nExec=true %f\n"
              "MimeType=application/vnd.openxmlformats-officedocument.spreadsheetml.sheet;\n");
    writeFile(root.filePath(QStringLiteral("XDG_CONFIG_HOME/mimeapps.list")),
              "[Default Applications]\n"
              "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet=sheet.desktop\n");
    EXPECT_TRUE(desktopHasSpreadsheetHandler());
}

} // namespace
} // namespace orbisel
