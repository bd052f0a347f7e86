#include "mining/ResultExport.h"

#include "app/FileDialogs.h"
#include "app/GlobalState.h"
#include "tests/support/ProgramSeams.h"
#include "tests/support/XlsxLayout.h"
#include "web/Encoding.h"
#include "web/Gbk.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace orbisel;
using orbisel::test::ProgramSeams;

namespace {

Text G(const char *utf8) {
    return utf8ToGbk(utf8);
}

// ---- Files -----------------------------------------------------------------

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class ExportFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        seedLog = {G("女装"), "a,b", "B"};
        harvest = HarvestArrays{TextArray{G("女装|女装,夏"), "a,b|w"},
                                {},
                                TextArray{G("女装|说\"好\""), "B|line\r\nbreak"},
                                TextArray{G("女装| 空格 ")},
                                TextArray{"B|x|y"}};
    }
    QString path(const char *name) const { return dir.filePath(QString::fromUtf8(name)); }

    QTemporaryDir dir;
    TextArray seedLog;
    HarvestArrays harvest;
    ProgramSeams seams;
};

// Rows of the first sheet as compact JSON, read by openpyxl.
std::string readXlsx(const QString &path) {
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import json,sys,openpyxl\n"
                                 "ws=openpyxl.load_workbook(open(sys.argv[1],'rb')).worksheets[0]\n"
                                 "print(json.dumps([[c if c is not None else '' for c in r]"
                                 " for r in ws.iter_rows(values_only=True)]))\n"),
                  path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        ADD_FAILURE() << python.readAllStandardError().toStdString();
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput())
        .toJson(QJsonDocument::Compact)
        .toStdString();
}

// A carriage return is stored as Excel's escape _x000D_, which openpyxl leaves as is.
TEST_F(ExportFileTest, xlsx_readBackWithSameCellsAsUtf8Text) {
    const QString file = path("结果.xlsx");
    ASSERT_TRUE(exportResults(file, seedLog, harvest));
    const std::string expected = QJsonDocument::fromJson(R"([
        ["关键词", "搜索结果", "类别"],
        ["女装", "女装,夏", "PC下拉词"],
        ["女装", "说\"好\"", "无线下拉词"],
        ["女装", " 空格 ", "长尾词"],
        ["B", "line_x000D_\nbreak", "无线下拉词"],
        ["B", "y", "你是不是想找"]
    ])")
                                     .toJson(QJsonDocument::Compact)
                                     .toStdString();
    EXPECT_EQ(readXlsx(file), expected);
    EXPECT_EQ(test::xlsxLayout(file.toStdString()),
              "A2 A1:C6 9 12 13"); // 搜索结果, line\r\nbreak, 你是不是想找
    EXPECT_TRUE(seams.messages.empty());
}

// Marketplace words are untrusted: a spreadsheet must not evaluate them.
TEST_F(ExportFileTest, formulaLikeWords_csvShowsThemAsTextXlsxStoresThemAsText) {
    harvest = HarvestArrays{TextArray{"B|=1+2", "B|-3", "B|@A1"}, {}, {}, {}, TextArray{"B|\tx"}};
    const QString csv = path("f.csv");
    ASSERT_TRUE(exportResults(csv, seedLog, harvest));
    EXPECT_EQ(readAll(csv), QByteArray("\xEF\xBB\xBF关键词,搜索结果,类别\r\n"
                                       "B,\"'=1+2\",PC下拉词\r\n"
                                       "B,\"'-3\",PC下拉词\r\n"
                                       "B,\"'@A1\",PC下拉词\r\n"
                                       "B,\"'\tx\",你是不是想找\r\n"));
    const QString xlsx = path("f.xlsx");
    ASSERT_TRUE(exportResults(xlsx, seedLog, harvest));
    EXPECT_EQ(readXlsx(xlsx),
              R"([["关键词","搜索结果","类别"],["B","=1+2","PC下拉词"],["B","-3","PC下拉词"],)"
              R"(["B","@A1","PC下拉词"],["B","\tx","你是不是想找"]])");
}

TEST_F(ExportFileTest, csv_utf8WithBomAndQuotedFields) {
    const QString file = path("结果.csv");
    ASSERT_TRUE(exportResults(file, seedLog, harvest));
    const QByteArray expected = "\xEF\xBB\xBF"
                                "关键词,搜索结果,类别\r\n"
                                "女装,\"女装,夏\",PC下拉词\r\n"
                                "女装,\"说\"\"好\"\"\",无线下拉词\r\n"
                                "女装, 空格 ,长尾词\r\n"
                                "B,\"line\r\nbreak\",无线下拉词\r\n"
                                "B,y,你是不是想找\r\n";
    EXPECT_EQ(readAll(file), expected);
}

TEST_F(ExportFileTest, noRun_headerRowOnly) {
    const QString file = path("empty.csv");
    ASSERT_TRUE(exportResults(file, {}, harvest));
    EXPECT_EQ(readAll(file), QByteArray("\xEF\xBB\xBF关键词,搜索结果,类别\r\n"));
}

// ".csv" anywhere, letter case significant, chooses CSV; everything else is a workbook.
TEST_F(ExportFileTest, fileTypeFollowsLowerCaseCsvInName) {
    const struct {
        const char *name;
        bool csv;
    } cases[] = {{"r.csv", true}, {"r.CSV", false}, {"r.xlsx", false}, {"r.csv.xlsx", true}, {"r", false}};
    for (const auto &c : cases) {
        const QString file = path(c.name);
        ASSERT_TRUE(exportResults(file, seedLog, harvest)) << c.name;
        const QByteArray bytes = readAll(file);
        EXPECT_EQ(bytes.startsWith("\xEF\xBB\xBF"), c.csv) << c.name;
        EXPECT_EQ(bytes.startsWith("PK"), !c.csv) << c.name;
    }
    EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(readXlsx(path("r.CSV")))).array().size(), 6);
}

TEST_F(ExportFileTest, replacesExistingFile) {
    for (const char *name : {"old.csv", "old.xlsx"}) {
        const QString file = path(name);
        QFile existing(file);
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
        existing.write("previous export");
        existing.close();
        ASSERT_TRUE(exportResults(file, seedLog, harvest));
        EXPECT_FALSE(readAll(file).contains("previous export")) << name;
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2); // no temporary left
}

// A write that fails (a file size limit below the size of any workbook) leaves the existing file as it
// was, leaves no temporary file and tells the user.
TEST_F(ExportFileTest, failedWrite_keepsExistingFileAndShowsMessage) {
    HarvestArrays big;
    for (int i = 0; i < 20000; ++i)
        big[0].push_back(G("女装|连衣裙女装") + std::to_string(i));
    for (const char *name : {"keep.csv", "keep.xlsx"}) {
        const QString file = path(name);
        QFile existing(file);
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
        existing.write("previous export");
        existing.close();

        rlimit saved{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = 2048;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
        const bool written = exportResults(file, {G("女装")}, big);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        EXPECT_FALSE(written) << name;
        EXPECT_EQ(readAll(file), QByteArray("previous export")) << name;
        ASSERT_EQ(seams.messages.size(), 1u) << name;
        EXPECT_EQ(seams.messages.back().text, G("导出失败：无法写入文件\n") + toGbk(file));
        seams.messages.clear();
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST_F(ExportFileTest, missingFolder_showsMessage) {
    for (const char *name : {"missing/r.csv", "missing/r.xlsx"}) {
        EXPECT_FALSE(exportResults(path(name), seedLog, harvest)) << name;
        EXPECT_FALSE(QFile::exists(path(name)));
    }
    EXPECT_EQ(seams.messages.size(), 2u);
}

TEST_F(ExportFileTest, exportsLatestRunFromGlobalState) {
    globalState().seedLog = seedLog;
    globalState().harvest = harvest;
    const QString file = path("run.csv");
    EXPECT_TRUE(exportResults(file));
    resetGlobalState();
    EXPECT_TRUE(readAll(file).endsWith("B,y,你是不是想找\r\n"));
}

// ---- Dialog ----------------------------------------------------------------

class DialogAnswers {
public:
    DialogAnswers() {
        setSaveFileDialogHandler([this](const SaveDialogRequest &r) {
            requests.push_back(r);
            std::optional<QString> answer = answers.empty() ? std::nullopt : answers.front();
            if (!answers.empty())
                answers.erase(answers.begin());
            return answer;
        });
    }
    ~DialogAnswers() { setSaveFileDialogHandler({}); }
    std::vector<std::optional<QString>> answers;
    std::vector<SaveDialogRequest> requests;
};

TEST_F(ExportFileTest, dialog_settingsAndRememberedName) {
    DialogAnswers dialog;
    const QString first = path("first.xlsx");
    dialog.answers = {first, std::nullopt, QString()};
    QString lastName;
    exportButtonClicked(lastName);
    exportButtonClicked(lastName); // cancelled
    exportButtonClicked(lastName); // empty name

    ASSERT_EQ(dialog.requests.size(), 3u);
    const SaveDialogRequest &r = dialog.requests[0];
    EXPECT_EQ(r.title, G("保存文件"));
    EXPECT_EQ(r.filter, G("Excel文档(*.xlsx)|*.xlsx|Excel文档(*.CSV)|*.csv"));
    EXPECT_EQ(r.defaultExtension, "xlsx");
    EXPECT_EQ(r.initialPath, QString());
    EXPECT_EQ(dialog.requests[1].initialPath, first);
    EXPECT_EQ(dialog.requests[2].initialPath, first);
    EXPECT_EQ(lastName, first);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"first.xlsx"});
}

// Names GBK cannot spell reach the file system unchanged, from the dialog to the file.
TEST_F(ExportFileTest, namesOutsideGbk_writeExactlyTheChosenFile) {
    const char *const names[] = {"jörg.csv", "결과.xlsx", "导出😀.csv", "jörg 결과/😀.xlsx"};
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("jörg 결과")));
    DialogAnswers dialog;
    globalState().seedLog = seedLog;
    globalState().harvest = harvest;
    QString lastPath;
    for (const char *name : names) {
        const QString file = path(name);
        dialog.answers = {file, std::nullopt};
        exportButtonClicked(lastPath);
        EXPECT_EQ(lastPath, file);
        const QByteArray bytes = readAll(file);
        EXPECT_TRUE(bytes.startsWith(file.endsWith(QLatin1String(".csv")) ? "\xEF\xBB\xBF" : "PK")) << name;
        exportButtonClicked(lastPath); // offers the same file again
        EXPECT_EQ(dialog.requests.back().initialPath, file);
    }
    resetGlobalState();
    EXPECT_TRUE(seams.messages.empty());
    const QDir::Filters all = QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot;
    QStringList entries = QDir(dir.path()).entryList(all);
    entries.sort();
    EXPECT_EQ(entries, (QStringList{QStringLiteral("jörg 결과"), QStringLiteral("jörg.csv"),
                                    QStringLiteral("导出😀.csv"), QStringLiteral("결과.xlsx")}));
    EXPECT_EQ(QDir(path("jörg 결과")).entryList(all), QStringList{QStringLiteral("😀.xlsx")});
}

TEST_F(ExportFileTest, dialogCancelled_nothingWrittenNoMessage) {
    DialogAnswers dialog;
    globalState().seedLog = seedLog;
    QString lastName = path("before.csv");
    exportButtonClicked(lastName);
    resetGlobalState();
    EXPECT_EQ(dialog.requests.size(), 1u);
    EXPECT_EQ(lastName, path("before.csv"));
    EXPECT_TRUE(QDir(dir.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    EXPECT_TRUE(seams.messages.empty());
}

TEST(SaveDialogFilter, windowsFilterBecomesQtNameFilters) {
    EXPECT_EQ(qtNameFilters(G("Excel文档(*.xlsx)|*.xlsx|Excel文档(*.CSV)|*.csv")),
              (QStringList{QStringLiteral("Excel文档(*.xlsx)"), QStringLiteral("Excel文档(*.CSV) (*.csv)")}));
}

TEST(SaveDialogFilter, bareNameTakesTheChosenFiltersSuffix) {
    const QString xlsx = QStringLiteral("xlsx");
    EXPECT_EQ(suffixForFilter(QStringLiteral("Excel文档(*.CSV) (*.csv)"), xlsx), QStringLiteral("csv"));
    EXPECT_EQ(suffixForFilter(QStringLiteral("Excel文档(*.xlsx)"), xlsx), QStringLiteral("xlsx"));
    EXPECT_EQ(suffixForFilter(QStringLiteral("所有文件"), xlsx), xlsx);
}

} // namespace
