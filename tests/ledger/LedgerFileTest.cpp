#include "ledger/LedgerFile.h"

#include "web/Encoding.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace orbisel {
namespace {

LedgerContent awkwardLedger() {
    LedgerContent c;
    c.rows = 4;
    c.columns = 6;
    c.widths = {180, 150, 0, 77, 100, 1000};
    c.cells = {
        utf8ToGbk("日期"),
        utf8ToGbk("所购商品"),
        utf8ToGbk("本钱"),
        utf8ToGbk("出售价格"),
        utf8ToGbk("商品利润"),
        utf8ToGbk("备注"),
        "tab\there",
        "line\r\nbreak\nand\rreturn",
        "'single' \"double\"",
        "",
        "12:3\n",
        "end 0000\n",
        "\x81\x40\xfe\xfe",
        std::string(3, ' '),
        utf8ToGbk("　全角　"),
        "\\",
        ":",
        "\n",
        std::string(70000, 'x'),
        "",
        "",
        "",
        "",
        utf8ToGbk("最后一格"),
    };
    return c;
}

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

TEST(LedgerFile, saveThenLoadRestoresEverythingExactly) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/temp.txt")); // the folder is created
    const LedgerContent original = awkwardLedger();
    ASSERT_TRUE(saveLedgerFile(path, original));
    const LedgerLoadResult loaded = loadLedgerFile(path);
    ASSERT_EQ(loaded.status, LedgerLoadResult::Status::Loaded);
    EXPECT_EQ(*loaded.content, original);

    LedgerContent empty;
    ASSERT_TRUE(saveLedgerFile(path, empty));
    EXPECT_EQ(*loadLedgerFile(path).content, empty);
}

TEST(LedgerFile, everyTruncationAndEveryFlippedByteIsRejected) {
    LedgerContent small;
    small.rows = 2;
    small.columns = 2;
    small.widths = {10, 20};
    small.cells = {"a", "b\n", "", utf8ToGbk("利")};
    const QByteArray bytes = encodeLedger(small);
    ASSERT_TRUE(decodeLedger(bytes).has_value());
    for (qsizetype n = 0; n < bytes.size(); ++n)
        EXPECT_FALSE(decodeLedger(bytes.left(n)).has_value()) << "prefix " << n;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        QByteArray damaged = bytes;
        damaged[i] = static_cast<char>(damaged[i] ^ 0x01);
        EXPECT_FALSE(decodeLedger(damaged).has_value()) << "byte " << i;
    }
    EXPECT_FALSE(decodeLedger(bytes + "x").has_value());
}

TEST(LedgerFile, absurdCountsAreRejectedWithoutAllocating) {
    const QByteArray inputs[] = {
        "ORBISEL-LEDGER 1\nrows 999999999999999999999\ncolumns 6\n",
        "ORBISEL-LEDGER 1\nrows 2000000000\ncolumns 2000000000\nwidths 1 1\n",
        "ORBISEL-LEDGER 1\nrows 1\ncolumns 1\nwidths 5\n99999999999:abc\nend ",
        "ORBISEL-LEDGER 1\nrows -1\ncolumns 6\n",
        "ORBISEL-LEDGER 1\nrows 01\ncolumns 1\nwidths 1\n0:\n",
        "",
        "\xff\xfe garbage",
    };
    for (const QByteArray &in : inputs)
        EXPECT_FALSE(decodeLedger(in).has_value()) << in.left(40).toStdString();
}

TEST(LedgerFile, damagedFileIsMovedAsideUnchanged) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("temp.txt"));
    QByteArray bytes = encodeLedger(awkwardLedger());
    bytes.chop(10);
    writeAll(path, bytes);

    const LedgerLoadResult loaded = loadLedgerFile(path);
    EXPECT_EQ(loaded.status, LedgerLoadResult::Status::Damaged);
    EXPECT_FALSE(loaded.content.has_value());
    EXPECT_FALSE(QFile::exists(path));
    ASSERT_TRUE(loaded.movedTo.startsWith(path + QStringLiteral(".damaged-")))
        << loaded.movedTo.toStdString();
    EXPECT_EQ(readAll(loaded.movedTo), bytes);

    // A second damaged file at the same second gets a name of its own.
    writeAll(path, "junk");
    const LedgerLoadResult again = loadLedgerFile(path);
    EXPECT_NE(again.movedTo, loaded.movedTo);
    EXPECT_EQ(readAll(again.movedTo), "junk");
    EXPECT_EQ(readAll(loaded.movedTo), bytes);
}

TEST(LedgerFile, missingFileIsNotDamaged) {
    QTemporaryDir dir;
    const LedgerLoadResult loaded = loadLedgerFile(dir.filePath(QStringLiteral("temp.txt")));
    EXPECT_EQ(loaded.status, LedgerLoadResult::Status::Missing);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

TEST(LedgerFile, failedSaveReportsFalseAndKeepsTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("temp.txt"));
    ASSERT_TRUE(saveLedgerFile(path, awkwardLedger()));
    const QByteArray before = readAll(path);

    // The parent "folder" is a file: nothing can be written below it.
    const QString blocked = dir.filePath(QStringLiteral("temp.txt/inner.txt"));
    EXPECT_FALSE(saveLedgerFile(blocked, awkwardLedger()));
    // The target is a folder: the rename over it fails.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.txt")));
    EXPECT_FALSE(saveLedgerFile(dir.filePath(QStringLiteral("folder.txt")), awkwardLedger()));
    EXPECT_EQ(readAll(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(),
              2); // no temporaries left
}

} // namespace
} // namespace orbisel
