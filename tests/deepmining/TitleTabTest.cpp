#include "deepmining/TitleTab.h"

#include "core/inputs/WordLists.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace orbisel::deepmining {
namespace {

core::ResultRow row(const char *word, const char *seed, long long occurrences) {
    core::ResultRow r;
    r.word = word;
    r.seed = seed;
    r.occurrences = occurrences;
    return r;
}

// The tab over a stored run of two seeds. Without popularity sums the 热度 follow the answers
// holding each word: 连衣裙女装 100, 连衣裙夏季 50, 碎花连衣裙 25 (最美连衣裙 holds a banned word).
class TitleTabTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The user data folder (of the test mode of QStandardPaths) lies under HOME.
        m_oldHome = qgetenv("HOME");
        qputenv("HOME", m_dir.path().toUtf8());
        std::filesystem::create_directories(std::filesystem::path(core::userBannedWordsPath()).parent_path());
        auto opened = core::RunStore::open(m_dir.filePath("mining.sqlite").toStdString());
        ASSERT_TRUE(opened.ok());
        m_store = std::move(opened).value();
        core::DeepRunOptions options;
        options.seeds = {"连衣裙", "半身裙"};
        m_run = m_store->createRun(options).value();
        core::StoreCommit commit;
        const core::ResultRow rows[] = {row("连衣裙女装", "连衣裙", 4), row("半身裙长款", "半身裙", 1),
                                        row("连衣裙夏季", "连衣裙", 2), row("最美连衣裙", "连衣裙", 4),
                                        row("碎花连衣裙", "连衣裙", 1)};
        for (std::size_t i = 0; i < std::size(rows); ++i)
            commit.rows.emplace_back(i, rows[i]);
        ASSERT_TRUE(m_store->commit(m_run, commit).ok());
        m_tab.showRun(m_store.get(), m_run);
        m_tab.show();
    }
    void TearDown() override { qputenv("HOME", m_oldHome); }

    template <class W> W *child(const char *name) {
        W *widget = m_tab.findChild<W *>(QString::fromUtf8(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QString text(const char *label) { return child<QLabel>(label)->text(); }
    bool red(const char *label) {
        return child<QLabel>(label)->palette().color(QPalette::WindowText) == QColor(0xC0, 0x00, 0x00);
    }
    // Presses 生成标题 and waits for the titles or the reason why none.
    bool compose() {
        QSignalSpy finished(&m_tab, &TitleTab::composeFinished);
        child<QPushButton>("生成标题")->click();
        return finished.wait(20000);
    }
    // Types the title into the emptied edit box a character at a time.
    void type(const QString &title) {
        auto *edit = child<QLineEdit>("编辑标题");
        edit->clear();
        for (const QChar c : title)
            edit->insert(QString(c));
    }

    QTemporaryDir m_dir;
    QByteArray m_oldHome;
    std::unique_ptr<core::RunStore> m_store;
    long long m_run = 0;
    TitleTab m_tab;
};

TEST_F(TitleTabTest, composesTheSeedsTitlesWithTheirRootWordsAndCopiesOne) {
    auto *seeds = child<QListWidget>("标题种子词");
    ASSERT_EQ(seeds->count(), 2);
    EXPECT_EQ(seeds->currentItem()->text(), QStringLiteral("连衣裙"));
    ASSERT_TRUE(compose());
    EXPECT_FALSE(m_tab.isComposing());

    auto *titles = child<QTableWidget>("标题表");
    ASSERT_GE(titles->rowCount(), 1) << text("标题状态").toUtf8().toStdString();
    const QString first = titles->item(0, 0)->text();
    EXPECT_TRUE(first.startsWith(QStringLiteral("连衣裙"))) << first.toStdString();
    for (const QString &part : {QStringLiteral("女装"), QStringLiteral("夏季"), QStringLiteral("碎花")})
        EXPECT_TRUE(first.contains(part)) << first.toStdString();
    EXPECT_FALSE(first.contains(QStringLiteral("最")));
    EXPECT_EQ(titles->item(0, 1)->text().toInt(), first.size() * 2);
    EXPECT_EQ(titles->item(0, 3)->text(), QStringLiteral("175.0"));
    EXPECT_EQ(titles->item(0, 4)->text(), QStringLiteral("3"));

    // The checklist: root words by value, a mark under each title holding them.
    auto *checklist = child<QTableWidget>("词根核对");
    ASSERT_GE(checklist->rowCount(), 4);
    EXPECT_EQ(checklist->columnCount(), 2 + titles->rowCount());
    const QString expectedRoots[] = {QStringLiteral("连衣裙"), QStringLiteral("女装"), QStringLiteral("夏季"),
                                     QStringLiteral("碎花")};
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(checklist->item(r, 0)->text(), expectedRoots[r]);
        EXPECT_EQ(checklist->item(r, 2)->text(), QStringLiteral("✓")) << r;
    }
    EXPECT_EQ(checklist->item(1, 1)->text(), QStringLiteral("100.0"));

    // The chosen title is in the edit box; 复制 puts it on the clipboard.
    EXPECT_EQ(child<QLineEdit>("编辑标题")->text(), first);
    child<QPushButton>("复制")->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), first);
    if (titles->rowCount() > 1) {
        titles->setCurrentCell(1, 0);
        EXPECT_EQ(child<QLineEdit>("编辑标题")->text(), titles->item(1, 0)->text());
    }
}

TEST_F(TitleTabTest, editingUpdatesTheFiguresAndTurnsTheCountRedWithTheReason) {
    ASSERT_TRUE(compose());
    type(QStringLiteral("连衣裙女装"));
    EXPECT_EQ(text("标题字节"), QStringLiteral("10 / 60 字节"));
    EXPECT_EQ(text("标题价值"), QStringLiteral("5 字 · 价值 100.0 · 覆盖 1 个词"));
    type(QStringLiteral("连衣裙女装夏季"));
    EXPECT_EQ(text("标题价值"), QStringLiteral("7 字 · 价值 150.0 · 覆盖 2 个词"));
    EXPECT_FALSE(red("标题字节"));
    EXPECT_EQ(text("标题问题"), QString());

    const struct {
        QString title;
        QString avoid;
        int limit;
        QString reason;
    } cases[] = {
        {QStringLiteral("最美连衣裙女装"), {}, 60, QStringLiteral("含禁用词“最”")},
        {QStringLiteral("连衣裙女装夏季"), QStringLiteral("夏季"), 60, QStringLiteral("含避开词“夏季”")},
        {QStringLiteral("连衣裙女装夏季"), {}, 12, QStringLiteral("超过 12 字节上限")},
        {QString(31, QChar(0x88D9)), {}, 60, QStringLiteral("超过 60 字节上限")},
    };
    for (const auto &c : cases) {
        child<QLineEdit>("避开词")->setText(c.avoid);
        child<QSpinBox>("字节上限")->setValue(c.limit);
        type(c.title);
        EXPECT_TRUE(red("标题字节")) << c.reason.toStdString();
        EXPECT_TRUE(text("标题问题").contains(c.reason)) << text("标题问题").toStdString();
    }
    // An avoided word's run words are no longer covered; cleared, the count is black again.
    child<QSpinBox>("字节上限")->setValue(60);
    child<QLineEdit>("避开词")->setText(QStringLiteral("夏季"));
    type(QStringLiteral("连衣裙女装"));
    EXPECT_EQ(text("标题价值"), QStringLiteral("5 字 · 价值 100.0 · 覆盖 1 个词"));
    EXPECT_FALSE(red("标题字节"));
    EXPECT_EQ(text("标题问题"), QString());
}

TEST_F(TitleTabTest, refusedRequestsAndWordListsAreSaidInPlainWords) {
    const struct {
        QString must;
        QString avoid;
        int limit;
        QString status;
    } cases[] = {
        {{}, {}, 4, QStringLiteral("必含词“连衣裙”占 6 字节，超过上限 4 字节。")},
        {QStringLiteral("韩都衣舍"), QStringLiteral("韩都"), 60,
         QStringLiteral("必含词“韩都衣舍”含避开词“韩都”")},
        {QStringLiteral("最好"), {}, 60, QStringLiteral("必含词“最好”含禁用词")},
    };
    for (const auto &c : cases) {
        child<QLineEdit>("必含词")->setText(c.must);
        child<QLineEdit>("避开词")->setText(c.avoid);
        child<QSpinBox>("字节上限")->setValue(c.limit);
        ASSERT_TRUE(compose());
        EXPECT_TRUE(text("标题状态").contains(c.status)) << text("标题状态").toStdString();
        EXPECT_EQ(child<QTableWidget>("标题表")->rowCount(), 0);
    }

    // A banned.txt that is no word list is named with its line (read again for a newly shown run).
    std::ofstream(core::userBannedWordsPath(), std::ios::binary) << "绝版\n坏\x01词\n";
    m_tab.showRun(m_store.get(), m_run);
    child<QLineEdit>("必含词")->clear();
    ASSERT_TRUE(compose());
    EXPECT_TRUE(text("标题状态").contains(QStringLiteral("禁用词表"))) << text("标题状态").toStdString();
    EXPECT_TRUE(text("标题状态").contains(QStringLiteral("第 2 行"))) << text("标题状态").toStdString();
}

} // namespace
} // namespace orbisel::deepmining
