#include "app/Program.h"
#include "ledger/LedgerExport.h"
#include "ledger/LedgerFile.h"
#include "ledger/LedgerGrid.h"
#include "ledger/LedgerWindows.h"
#include "orbisel/config.h"
#include "tests/support/LocalTime.h"
#include "tests/support/ProgramSeams.h"
#include "tests/support/XlsxLayout.h"
#include "web/Clock.h"
#include "web/Encoding.h"
#include "web/Gbk.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

namespace orbisel {
namespace {

using test::utf8;

TimePoint localMoment(int hour, int minute, int second) {
    return test::localTime(2019, 1, 25, hour, minute, second);
}

struct Entry {
    const char *goods, *price, *cost, *note; // UTF-8
};

class LedgerWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        registerLedgerWindows();
        QDir(QFileInfo(ledgerFilePath()).absolutePath()).removeRecursively();
        setClockForTesting([] { return localMoment(9, 30, 0); });
        setSpreadsheetHandlerProbe([] { return true; });
    }
    void TearDown() override {
        waitForLedgerExports();
        QCoreApplication::processEvents();
        setClockForTesting({});
        setSpreadsheetHandlerProbe({});
    }

    Window *openLedger() {
        EXPECT_TRUE(loadWindow(WindowId::Ledger));
        return openWindow(WindowId::Ledger);
    }
    static LedgerGrid *grid(Window *w) { return w->widgetAs<LedgerGrid>("高级表格1"); }

    // Fills and submits the entry form, opened modeless so the test keeps control.
    void submit(const Entry &e) {
        ASSERT_TRUE(loadWindow(WindowId::LedgerEntry));
        Window *form = openWindow(WindowId::LedgerEntry);
        form->setText("编辑框1", utf8ToGbk(e.goods));
        form->setText("编辑框2", utf8ToGbk(e.price));
        form->setText("编辑框3", utf8ToGbk(e.cost));
        form->setText("编辑框4", utf8ToGbk(e.note));
        form->click("按钮1");
        QCoreApplication::processEvents();
    }

    static std::vector<std::string> rowUtf8(LedgerGrid *g, int row) {
        std::vector<std::string> out;
        for (int c = 0; c < g->columnCount(); ++c)
            out.push_back(utf8(g->cellText(row, c)));
        return out;
    }

    // Closes every window so that the next open reads the ledger file again.
    static void closeAll() { test::closeAllWindows(); }

    test::ProgramSeams seams;
};

const std::vector<std::string> kHeader{"日期", "所购商品", "本钱", "出售价格", "商品利润", "备注"};

TEST_F(LedgerWindowTest, creation_showsHeaderRowCaptionSizeAndWidths) {
    Window *w = openLedger();
    EXPECT_EQ(utf8(w->caption()), std::string("Orbisel----记账本------------------有问题联系QQ") +
                                      config::kSupportQq + std::string(20, ' '));
    EXPECT_EQ(w->size(), QSize(939, 541));
    LedgerGrid *g = grid(w);
    EXPECT_EQ(g->rowCount(), 1);
    EXPECT_EQ(rowUtf8(g, 0), kHeader);
    EXPECT_EQ(g->columnWidth(0), 180);
    EXPECT_EQ(g->columnWidth(1), 150);
    EXPECT_FALSE(w->isShown("按钮6"));
    EXPECT_FALSE(w->isShown("按钮8"));
    EXPECT_TRUE(seams.messages.empty());
    EXPECT_FALSE(QFile::exists(ledgerFilePath())); // opening alone writes nothing

    auto *menu = w->findChild<QMenu *>(QStringLiteral("菜单"));
    ASSERT_NE(menu, nullptr);
    QStringList items;
    for (QAction *a : menu->actions())
        items << a->text();
    EXPECT_EQ(items, (QStringList{"添加记录", "删除记录", "合计", "利润"}));
    EXPECT_EQ(menu->actions().first()->shortcut(), QKeySequence(Qt::Key_F1));
}

TEST_F(LedgerWindowTest, submit_appendsEntrySavesFileAndSurvivesReopening) {
    openLedger();
    submit({"连衣裙", "100", "60.50", "备注\t\"引号\""});
    EXPECT_EQ(openWindow(WindowId::LedgerEntry), nullptr); // the form closed itself
    ASSERT_EQ(seams.messages.size(), 1u);
    EXPECT_EQ(utf8(seams.messages[0].text), "已经添加");
    EXPECT_EQ(utf8(seams.messages[0].title), "爆单提醒");
    EXPECT_EQ(seams.messages[0].buttons, kMbOk);
    ASSERT_TRUE(QFile::exists(ledgerFilePath())); // the first submission creates the file

    closeAll();
    Window *w = openLedger();
    LedgerGrid *g = grid(w);
    ASSERT_EQ(g->rowCount(), 2);
    EXPECT_EQ(rowUtf8(g, 1), (std::vector<std::string>{"2019年1月25日9时30分", "连衣裙", "60.50", "100",
                                                       "39.5", "备注\t\"引号\""}));
}

TEST_F(LedgerWindowTest, submit_dateTextFollowsTheClock) {
    Window *w = openLedger();
    setClockForTesting([] { return localMoment(9, 0, 0); });
    submit({"a", "", "", ""});
    setClockForTesting([] { return localMoment(0, 0, 0); });
    submit({"b", "", "", ""});
    EXPECT_EQ(utf8(grid(w)->cellText(1, 0)), "2019年1月25日9时");
    EXPECT_EQ(utf8(grid(w)->cellText(2, 0)), "2019年1月25日");
    EXPECT_EQ(utf8(grid(w)->cellText(1, 4)), "0");
}

TEST_F(LedgerWindowTest, addButton_opensTheFormModally) {
    Window *w = openLedger();
    bool formWasModal = false;
    QTimer::singleShot(0, [&] {
        Window *form = openWindow(WindowId::LedgerEntry);
        ASSERT_NE(form, nullptr);
        formWasModal = form->isModal();
        EXPECT_EQ(utf8(form->caption()), "添加账本");
        EXPECT_EQ(form->size(), QSize(518, 187));
        EXPECT_TRUE(form->text("编辑框2").empty()); // fields start empty
        form->setText("编辑框2", "0.3");
        form->setText("编辑框3", "0.1");
        form->click("按钮1");
    });
    w->click("按钮1"); // returns when the form closes
    EXPECT_TRUE(formWasModal);
    ASSERT_EQ(grid(w)->rowCount(), 2);
    EXPECT_EQ(utf8(grid(w)->cellText(1, 4)), "0.2");
}

TEST_F(LedgerWindowTest, f1Key_opensTheEntryForm) {
    Window *w = openLedger();
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    bool opened = false;
    QTimer::singleShot(0, [&] {
        opened = openWindow(WindowId::LedgerEntry) != nullptr;
        closeWindow(WindowId::LedgerEntry);
    });
    QTest::keyClick(w, Qt::Key_F1);
    EXPECT_TRUE(opened);
}

TEST_F(LedgerWindowTest, closingTheFormWithoutSubmitAddsNothing) {
    Window *w = openLedger();
    QTimer::singleShot(0, [] { closeWindow(WindowId::LedgerEntry); });
    w->click("按钮1");
    EXPECT_EQ(grid(w)->rowCount(), 1);
    EXPECT_FALSE(QFile::exists(ledgerFilePath()));
}

TEST_F(LedgerWindowTest, totals_truncateTheRunningSum) {
    Window *w = openLedger();
    w->setText("编辑框1", "7");
    w->setText("编辑框2", "8");
    w->click("按钮3");
    w->click("按钮4");
    EXPECT_EQ(w->text("编辑框1"), "7"); // header only: boxes unchanged
    EXPECT_EQ(w->text("编辑框2"), "8");

    submit({"a", "19.9", "-19.6", ""}); // profit 39.5
    submit({"b", "19.9", "23.4", ""});  // profit -3.5
    submit({"c", "10", "10", ""});      // profit 0
    w->click("按钮3");
    w->click("按钮4");
    EXPECT_EQ(w->text("编辑框1"), "48");
    EXPECT_EQ(w->text("编辑框2"), "35");

    // The menu items run the same totals.
    w->setText("编辑框1", "");
    auto *menu = w->findChild<QMenu *>(QStringLiteral("菜单"));
    menu->actions().at(2)->trigger();
    EXPECT_EQ(w->text("编辑框1"), "48");
}

TEST_F(LedgerWindowTest, deleteRow2OfFour_keepsOthersAndTheFileAgrees) {
    Window *w = openLedger();
    for (const char *goods : {"一", "二", "三", "四"})
        submit({goods, "1", "0", ""});
    seams.messages.clear();
    LedgerGrid *g = grid(w);
    g->setCurrentCell(2, 3);
    w->click("按钮2");
    ASSERT_EQ(seams.messageTextsUtf8(), std::vector<std::string>{"删除成功"});
    EXPECT_EQ(utf8(seams.messages[0].title), "信息：");
    ASSERT_EQ(g->rowCount(), 4);
    const std::vector<std::string> expected{"一", "三", "四"};
    for (int r = 1; r <= 3; ++r)
        EXPECT_EQ(utf8(g->cellText(r, 1)), expected[r - 1]);

    const LedgerLoadResult file = loadLedgerFile(ledgerFilePath());
    ASSERT_TRUE(file.content.has_value());
    EXPECT_EQ(*file.content, g->content());
}

TEST_F(LedgerWindowTest, deleteHeaderRowOrNothing_removesNothingButSaves) {
    Window *w = openLedger();
    submit({"一", "1", "0", ""});
    seams.messages.clear();
    LedgerGrid *g = grid(w);
    g->setCurrentCell(0, 0);
    w->click("按钮2");
    EXPECT_EQ(g->rowCount(), 2);
    EXPECT_EQ(rowUtf8(g, 0), kHeader);
    EXPECT_TRUE(seams.messages.empty());

    QFile::remove(ledgerFilePath());
    g->setCurrentCell(-1, -1);
    g->clearSelection();
    auto *menu = w->findChild<QMenu *>(QStringLiteral("菜单"));
    menu->actions().at(1)->trigger(); // 删除记录
    EXPECT_EQ(g->rowCount(), 2);
    EXPECT_TRUE(seams.messages.empty());
    EXPECT_TRUE(QFile::exists(ledgerFilePath())); // the ledger is still written
}

TEST_F(LedgerWindowTest, changedHeaderInFile_isRewrittenOnCreation) {
    LedgerContent c;
    c.rows = 2;
    c.columns = 6;
    c.widths = {10, 10, 61, 62, 63, 64};
    c.cells = {"x", "x", "x", "x", "x", "x", "d", "g", "1", "2", "1", "n"};
    ASSERT_TRUE(saveLedgerFile(ledgerFilePath(), c));
    LedgerGrid *g = grid(openLedger());
    EXPECT_EQ(rowUtf8(g, 0), kHeader);
    EXPECT_EQ(rowUtf8(g, 1), (std::vector<std::string>{"d", "g", "1", "2", "1", "n"}));
    EXPECT_EQ(g->columnWidth(0), 180);
    EXPECT_EQ(g->columnWidth(1), 150);
    EXPECT_EQ(g->columnWidth(2), 61); // the other widths come from the file
    EXPECT_EQ(g->columnWidth(5), 64);
}

TEST_F(LedgerWindowTest, corruptFile_keepsHeaderRowAndMovesFileAside) {
    const QString path = ledgerFilePath();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("ORBISEL-LEDGER 1\nrows 3\ncolumns 6\nwidths 1 2");
    }
    Window *w = openLedger();
    EXPECT_EQ(grid(w)->rowCount(), 1);
    EXPECT_EQ(rowUtf8(grid(w), 0), kHeader);
    const QStringList aside = QFileInfo(path).dir().entryList({QStringLiteral("temp.txt.damaged-*")});
    ASSERT_EQ(aside.size(), 1);

    submit({"new", "1", "0", ""});
    EXPECT_TRUE(loadLedgerFile(path).content.has_value());
    EXPECT_EQ(QFileInfo(path).dir().entryList({QStringLiteral("temp.txt.damaged-*")}), aside); // still kept
}

TEST_F(LedgerWindowTest, failedSave_isReportedInsteadOfSuccess) {
    Window *w = openLedger();
    ASSERT_TRUE(QDir().mkpath(ledgerFilePath())); // a folder where the file belongs
    submit({"a", "1", "0", ""});
    ASSERT_EQ(seams.messages.size(), 1u);
    EXPECT_NE(utf8(seams.messages[0].text).find("账本保存失败"), std::string::npos);
    EXPECT_EQ(grid(w)->rowCount(), 2); // the entry stays in the grid
    EXPECT_EQ(openWindow(WindowId::LedgerEntry), nullptr);
}

// Reads the texts of the first worksheet as rows of strings.
// The local file an opened address names (a percent-encoded file address).
QString openedFile(const Text &address) {
    return QUrl::fromEncoded(QByteArray::fromStdString(address)).toLocalFile();
}

QJsonArray readWorkbook(const QString &path) {
    QProcess python;
    python.start(
        QStringLiteral("/usr/bin/python3"),
        {QStringLiteral("-c"),
         // Control characters are stored as _xHHHH_ escapes, which spreadsheet programs decode.
         QStringLiteral("import json, re, sys, openpyxl\n"
                        "ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]\n"
                        "text = lambda v: re.sub('_x([0-9A-F]{4})_', lambda m: chr(int(m.group(1), 16)),"
                        " v or '')\n"
                        "print(json.dumps([[text(c.value) for c in row]"
                        " for row in ws.iter_rows(min_row=1, max_row=ws.max_row, max_col=6)]))"),
         path});
    python.waitForFinished(-1);
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
}

TEST_F(LedgerWindowTest, export_writesSnapshotOfWholeGridAndOpensIt) {
    Window *w = openLedger();
    submit({"连衣裙", "100", "60.5", "第一\t条"});
    submit({"T恤 \"特价\"", "１２元", "", "line\r\nbreak"});
    seams.messages.clear();
    LedgerGrid *g = grid(w);
    const LedgerContent before = g->content();

    w->click("按钮5");
    g->setCellText(1, 1, "changed after the press"); // the export works on its snapshot
    g->removeRow(2);
    waitForLedgerExports();
    QCoreApplication::processEvents();

    ASSERT_EQ(seams.messageTextsUtf8(), std::vector<std::string>{"已经导出"});
    ASSERT_EQ(seams.openedAddresses.size(), 1u);
    const QString file = openedFile(seams.openedAddresses[0]);
    EXPECT_TRUE(file.endsWith(QStringLiteral(".xlsx")));
    const QJsonArray rows = readWorkbook(file);
    ASSERT_EQ(rows.size(), 3); // a1..f3
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 6; ++c)
            EXPECT_EQ(rows[r].toArray()[c].toString().toStdString(), utf8(before.cell(r, c)))
                << r << "," << c;
    EXPECT_EQ(test::xlsxLayout(file.toStdString()).substr(0, 9), "A2 A1:F3 "); // header frozen, filter

    // Every press writes a new workbook of its own.
    w->click("按钮5");
    w->click("按钮5");
    waitForLedgerExports();
    QCoreApplication::processEvents();
    ASSERT_EQ(seams.openedAddresses.size(), 3u);
    EXPECT_NE(seams.openedAddresses[1], seams.openedAddresses[2]);
    EXPECT_NE(seams.openedAddresses[0], seams.openedAddresses[1]);
    QDir(QFileInfo(file).absolutePath()).removeRecursively();
    for (size_t i = 1; i < 3; ++i)
        QDir(QFileInfo(openedFile(seams.openedAddresses[i])).absolutePath()).removeRecursively();
}

TEST_F(LedgerWindowTest, export_underTemporaryFolderGbkCannotSpell_opensThatWorkbook) {
    QTemporaryDir base;
    const QString temp = base.filePath(QStringLiteral("jörg 결과😀"));
    ASSERT_TRUE(QDir().mkpath(temp));
    const QByteArray savedTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(temp));
    Window *w = openLedger();
    submit({"连衣裙", "100", "60.5", ""});
    w->click("按钮5");
    waitForLedgerExports();
    QCoreApplication::processEvents();
    if (savedTemp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", savedTemp);
    ASSERT_EQ(seams.openedAddresses.size(), 1u);
    const QString file = openedFile(seams.openedAddresses[0]);
    EXPECT_TRUE(file.startsWith(temp + QLatin1Char('/'))) << file.toStdString();
    EXPECT_EQ(readWorkbook(file).size(), 2);
}

TEST_F(LedgerWindowTest, export_withoutSpreadsheetApplication_reportsExcelFailure) {
    // The real probe, run on the export thread, against XDG folders without any handler.
    setSpreadsheetHandlerProbe({});
    QTemporaryDir xdg;
    for (const char *name : {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS"})
        qputenv(name, xdg.filePath(QString::fromLatin1(name)).toLocal8Bit());
    Window *w = openLedger();
    w->click("按钮5");
    waitForLedgerExports();
    QCoreApplication::processEvents();
    EXPECT_EQ(seams.messageTextsUtf8(),
              std::vector<std::string>{"Excel 程序创建失败！可能没有安装Excel2000"});
    EXPECT_EQ(utf8(seams.messages[0].title), "信息：");
    EXPECT_TRUE(seams.openedAddresses.empty());
}

TEST_F(LedgerWindowTest, rightButtonOverGrid_popsMenuBesideCursor) {
    Window *w = openLedger();
    w->show();
    LedgerGrid *g = grid(w);
    QWidget *viewport = g->viewport();
    const QPoint local(40, 20);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(local), QPointF(viewport->mapToGlobal(local)),
                      Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &press);
    auto *menu = w->findChild<QMenu *>(QStringLiteral("菜单"));
    ASSERT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->pos(), viewport->mapToGlobal(local) + QPoint(3, 3));
    menu->hide();
}

TEST_F(LedgerWindowTest, helpButton_opensSupportChatLink) {
    Window *w = openLedger();
    w->click("按钮7");
    ASSERT_EQ(seams.openedAddresses.size(), 1u);
    EXPECT_EQ(seams.openedAddresses[0], config::kSupportChatLink);
}

} // namespace
} // namespace orbisel
