#include "ledger/LedgerWindows.h"

#include "app/Program.h"
#include "app/Window.h"
#include "ledger/LedgerExport.h"
#include "ledger/LedgerFile.h"
#include "ledger/LedgerGrid.h"
#include "ledger/LedgerRules.h"
#include "orbisel/config.h"
#include "web/Clock.h"
#include "web/Gbk.h"
#include "web/Numbers.h"

#include <QCoreApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>

namespace orbisel {
namespace {

// The menu bar sits above the window's controls, which are moved down by its height.
constexpr int kMenuBarHeight = 24;

LedgerGrid *ledgerGrid(Window *window) {
    return window ? window->widgetAs<LedgerGrid>("高级表格1") : nullptr;
}

// Saves the grid to the ledger file; a failure is told to the user.
bool saveLedger(LedgerGrid *grid) {
    const QString path = ledgerFilePath();
    if (saveLedgerFile(path, grid->content()))
        return true;
    messageBox(gbk("账本保存失败，记录没有写入文件：") + toGbk(QDir::toNativeSeparators(path)));
    return false;
}

void openEntryForm() {
    loadWindow(WindowId::LedgerEntry, true);
}

void deleteEntry(Window *window) {
    LedgerGrid *grid = ledgerGrid(window);
    const int row = grid->currentEntryRow();
    // Row 0 is the header row; removing it would let the next window creation write
    // the header texts over the first entry.
    if (row > 0) {
        grid->removeRow(row);
        messageBox(gbk("删除成功"));
    }
    saveLedger(grid);
}

void columnTotal(Window *window, int column, const std::string &target) {
    if (const auto total = ledgerColumnTotal(ledgerGrid(window)->entryColumn(column)))
        window->setText(target, formatNumber(*total));
}

void createLedger(Window *window) {
    LedgerGrid *grid = ledgerGrid(window);
    const LedgerLoadResult loaded = loadLedgerFile(ledgerFilePath());
    if (loaded.content)
        grid->setContent(*loaded.content);
    if (grid->rowCount() < 1)
        grid->setRowCount(1);
    if (grid->columnCount() < kLedgerColumns)
        grid->setColumnCount(kLedgerColumns);
    for (int c = 0; c < kLedgerColumns; ++c)
        grid->setCellText(0, c, ledgerHeaderTexts()[static_cast<size_t>(c)]);
    grid->setColumnWidth(0, 180);
    grid->setColumnWidth(1, 150);
}

WindowLayout ledgerWindowLayout() {
    const int top = kMenuBarHeight;
    WindowLayout layout{.caption = std::string("Orbisel----记账本------------------有问题联系QQ") +
                                   config::kSupportQq + std::string(20, ' '),
                        .width = 939,
                        .height = 541};
    layout.controls = {
        {.name = "菜单",
         .kind = ControlKind::Custom,
         .x = 0,
         .y = 0,
         .w = 939,
         .h = top,
         .make = [](QWidget *parent) -> QWidget * { return new QMenuBar(parent); }},
        {.name = "高级表格1",
         .kind = ControlKind::Custom,
         .x = 0,
         .y = top,
         .w = 936,
         .h = 416,
         .make = [](QWidget *parent) -> QWidget * {
             auto *g = new LedgerGrid(parent);
             g->setRowCount(1);
             g->setColumnCount(kLedgerColumns);
             return g;
         }},
        {.name = "标签1",
         .kind = ControlKind::Label,
         .x = 0,
         .y = 418 + top,
         .w = 48,
         .h = 24,
         .text = "营业额"},
        {.name = "编辑框1", .kind = ControlKind::Edit, .x = 48, .y = 416 + top, .w = 104, .h = 32},
        {.name = "标签2",
         .kind = ControlKind::Label,
         .x = 155,
         .y = 420 + top,
         .w = 32,
         .h = 24,
         .text = "利润"},
        {.name = "编辑框2", .kind = ControlKind::Edit, .x = 191, .y = 418 + top, .w = 104, .h = 32},
        {.name = "按钮3",
         .kind = ControlKind::Button,
         .x = 48,
         .y = 456 + top,
         .w = 72,
         .h = 32,
         .text = "营业额合计"},
        {.name = "按钮4",
         .kind = ControlKind::Button,
         .x = 208,
         .y = 456 + top,
         .w = 72,
         .h = 32,
         .text = "计算利润"},
        {.name = "按钮6",
         .kind = ControlKind::Button,
         .x = 312,
         .y = 456 + top,
         .w = 80,
         .h = 32,
         .text = "快速计算",
         .shown = false},
        {.name = "按钮1",
         .kind = ControlKind::Button,
         .x = 432,
         .y = 424 + top,
         .w = 72,
         .h = 32,
         .text = "添加 F1"},
        {.name = "按钮2",
         .kind = ControlKind::Button,
         .x = 536,
         .y = 424 + top,
         .w = 80,
         .h = 32,
         .text = "删除"},
        {.name = "按钮5",
         .kind = ControlKind::Button,
         .x = 656,
         .y = 426 + top,
         .w = 88,
         .h = 32,
         .text = "导出"},
        {.name = "按钮7",
         .kind = ControlKind::Button,
         .x = 816,
         .y = 424 + top,
         .w = 80,
         .h = 32,
         .text = "帮助1"},
        {.name = "按钮8",
         .kind = ControlKind::Button,
         .x = 816,
         .y = 456 + top,
         .w = 80,
         .h = 32,
         .text = "帮助2",
         .shown = false},
    };
    return layout;
}

Window *createLedgerWindow() {
    auto *window = new Window(WindowId::Ledger, ledgerWindowLayout());
    LedgerGrid *grid = ledgerGrid(window);

    auto *bar = window->widgetAs<QMenuBar>("菜单");
    QMenu *menu = bar->addMenu(QStringLiteral("菜单"));
    menu->setObjectName(QStringLiteral("菜单"));
    QAction *add = menu->addAction(QStringLiteral("添加记录"));
    add->setShortcut(QKeySequence(Qt::Key_F1));
    add->setShortcutContext(Qt::WindowShortcut);
    QAction *remove = menu->addAction(QStringLiteral("删除记录"));
    QAction *sales = menu->addAction(QStringLiteral("合计"));
    QAction *profit = menu->addAction(QStringLiteral("利润"));
    // The shortcut must work while the menu is closed, so the window carries the action too.
    window->addAction(add);

    QObject::connect(add, &QAction::triggered, window, [] { openEntryForm(); });
    QObject::connect(remove, &QAction::triggered, window, [window] { deleteEntry(window); });
    QObject::connect(sales, &QAction::triggered, window, [window] { window->click("按钮3"); });
    QObject::connect(profit, &QAction::triggered, window, [window] { window->click("按钮4"); });
    QObject::connect(grid, &LedgerGrid::rightButtonPressed, menu,
                     [menu](QPoint at) { menu->popup(at + QPoint(3, 3)); });

    window->onCreated([window] { createLedger(window); });
    window->onClick("按钮1", [] { openEntryForm(); });
    window->onClick("按钮2", [window] { deleteEntry(window); });
    window->onClick("按钮3", [window] { columnTotal(window, kLedgerPriceColumn, "编辑框1"); });
    window->onClick("按钮4", [window] { columnTotal(window, kLedgerProfitColumn, "编辑框2"); });
    window->onClick("按钮5", [grid] { startLedgerExport(grid->content()); });
    window->onClick("按钮7", [] { openAddress(gbk(config::kSupportChatLink)); });
    return window;
}

WindowLayout entryFormLayout() {
    WindowLayout layout{.caption = "添加账本", .width = 518, .height = 187};
    layout.controls = {
        {.name = "标签1",
         .kind = ControlKind::Label,
         .x = 24,
         .y = 16,
         .w = 64,
         .h = 24,
         .text = "商品名称："},
        {.name = "编辑框1", .kind = ControlKind::Edit, .x = 99, .y = 11, .w = 120, .h = 32},
        {.name = "标签2",
         .kind = ControlKind::Label,
         .x = 24,
         .y = 56,
         .w = 64,
         .h = 24,
         .text = "商品价格："},
        {.name = "编辑框2", .kind = ControlKind::Edit, .x = 99, .y = 48, .w = 120, .h = 32},
        {.name = "标签3",
         .kind = ControlKind::Label,
         .x = 256,
         .y = 16,
         .w = 64,
         .h = 24,
         .text = "产品进价："},
        {.name = "编辑框3", .kind = ControlKind::Edit, .x = 320, .y = 12, .w = 120, .h = 32},
        {.name = "标签4", .kind = ControlKind::Label, .x = 256, .y = 56, .w = 64, .h = 24, .text = "备注："},
        {.name = "编辑框4", .kind = ControlKind::Edit, .x = 320, .y = 52, .w = 120, .h = 32},
        {.name = "按钮1", .kind = ControlKind::Button, .x = 96, .y = 104, .w = 120, .h = 32, .text = "提交"},
    };
    return layout;
}

void submitEntry(Window *form) {
    LedgerGrid *grid = ledgerGrid(openWindow(WindowId::Ledger));
    if (!grid) {
        closeWindow(form);
        return;
    }
    const int row = grid->appendRow();
    grid->setCellText(row, kLedgerDateColumn, ledgerDateText(now()));
    grid->setCellText(row, kLedgerGoodsColumn, form->text("编辑框1"));
    grid->setCellText(row, kLedgerCostColumn, form->text("编辑框3"));
    grid->setCellText(row, kLedgerPriceColumn, form->text("编辑框2"));
    grid->setCellText(row, kLedgerProfitColumn,
                      ledgerProfitText(form->text("编辑框2"), form->text("编辑框3")));
    grid->setCellText(row, kLedgerNoteColumn, form->text("编辑框4"));
    // Saved before the confirmation, so the entry is on disk once the user is told
    // it was added; a failed save is reported instead.
    if (saveLedger(grid))
        messageBox(gbk("已经添加"), kMbOk, gbk("爆单提醒"));
    closeWindow(form);
}

Window *createEntryForm() {
    auto *form = new Window(WindowId::LedgerEntry, entryFormLayout());
    form->onClick("按钮1", [form] { submitEntry(form); });
    return form;
}

} // namespace

void registerLedgerWindows() {
    registerWindow(WindowId::Ledger, createLedgerWindow);
    registerWindow(WindowId::LedgerEntry, createEntryForm);
    // Export threads reach back to the application: it must outlive them.
    static const bool waitsAtQuit =
        qApp && QObject::connect(qApp, &QCoreApplication::aboutToQuit, [] { waitForLedgerExports(); });
    (void)waitsAtQuit;
}

} // namespace orbisel
