#include "core/analytics/AnalyticsFile.h"
#include "tests/core/analytics/AnalyticsFiles.h"
#include "web/Encoding.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>

using namespace orbisel::core;
using orbisel::test::readFile;
using orbisel::test::writeBytes;
using orbisel::test::XlsxRow;
using orbisel::test::ZipEntry;
using F = AnalyticsFigure;

namespace orbisel::core {
void PrintTo(const AnalyticsRow &row, std::ostream *out) {
    *out << row.word << " @" << row.sourceRow << " {";
    for (const std::optional<double> &figure : row.figures)
        *out << (figure ? std::to_string(*figure) : "-") << ' ';
    *out << '}';
}
} // namespace orbisel::core

namespace {

class AnalyticsReader : public ::testing::Test {
protected:
    std::string path(const std::string &name) const { return m_dir.filePath(QString::fromStdString(name)).toStdString(); }
    std::string write(const std::string &name, std::string_view bytes) const {
        writeBytes(path(name), bytes);
        return path(name);
    }
    std::string writeZip(const std::string &name, const std::vector<ZipEntry> &entries) const {
        EXPECT_TRUE(orbisel::test::writeZip(path(name), entries));
        return path(name);
    }

private:
    QTemporaryDir m_dir;
};

AnalyticsRow row(std::string word, long long source, std::initializer_list<std::pair<F, double>> figures) {
    AnalyticsRow r{std::move(word), source, {}};
    for (const auto &[figure, value] : figures)
        r.figures[static_cast<std::size_t>(figure)] = value;
    return r;
}

// The table of fixtures/search-words.xls, which the tests also write as .xlsx and .csv.
const std::vector<AnalyticsRow> &expectedRows() {
    static const std::vector<AnalyticsRow> rows = {
        row("连衣裙女", 6,
            {{F::SearchPopularity, 5652}, {F::ClickRate, 12.34}, {F::ConversionRate, 3.5},
             {F::ItemCount, 1234567}, {F::ExpressPrice, 1.23}}),
        row("连衣裙夏", 7, {{F::SearchPopularity, 812}, {F::ClickRate, 0.5}, {F::MallClickShare, 45.6}, {F::ExpressPrice, 0.88}}),
        row("长款 连衣裙", 9,
            {{F::SearchPopularity, 1000}, {F::ConversionRate, 0}, {F::ItemCount, 36}, {F::MallClickShare, 100},
             {F::ExpressPrice, 2}}),
        row("2026", 10, {{F::SearchPopularity, 40}, {F::ClickRate, 1.5}, {F::ExpressPrice, 0.5}}),
    };
    return rows;
}

const std::vector<XlsxRow> &tableAsXlsx() {
    static const std::vector<XlsxRow> rows = {
        {"搜索词排行榜"},
        {"统计时间：2026-11-01 ~ 2026-11-30"},
        {"店铺：示例旗舰店"},
        {},
        {"搜索词", "搜索人气", "点击率", "支付转化率", "在线商品数", "商城点击占比", "直通车参考价", "备注"},
        {"连衣裙女", "5,652.00", "12.34%", "3.5%", "1,234,567", "-", "1.23", "热门"},
        {"连衣裙夏", 812.0, "0.5%", "", "-", "45.60%", "0.88"},
        {"雪纺裙", "1,2,3", "1%", "2%", "10", "1%", "1"},
        {"  长款 连衣裙 ", "1,000", "-", "0%", 36.0, "100%", "2", "x"},
        {2026.0, "40", "1.5%", "-", "", "", "0.5"},
    };
    return rows;
}

const std::string kTableCsv = "搜索词排行榜\r\n"
                              "统计时间：2026-11-01 ~ 2026-11-30\r\n"
                              "店铺：示例旗舰店\r\n"
                              "\r\n"
                              "搜索词,搜索人气,点击率,支付转化率,在线商品数,商城点击占比,直通车参考价,备注\r\n"
                              "连衣裙女,\"5,652.00\",12.34%,3.5%,\"1,234,567\",-,1.23,热门\r\n"
                              "连衣裙夏,812,0.5%,,-,45.60%,0.88\r\n"
                              "雪纺裙,\"1,2,3\",1%,2%,10,1%,1\r\n"
                              "\"  长款 连衣裙 \",\"1,000\",-,0%,36,100%,2,x\r\n"
                              "2026,40,1.5%,-,,,0.5\r\n";

std::string asTabs(std::string csv) {
    std::string out;
    bool quoted = false;
    for (char c : csv) {
        if (c == '"')
            quoted = !quoted;
        else if (c != '\r')
            out += c == ',' && !quoted ? '\t' : c;
    }
    return out;
}

TEST_F(AnalyticsReader, ReadsTheSameTableFromEveryFormatWhateverTheFileIsCalled) {
    const std::string xls = std::string(ORBISEL_ANALYTICS_FIXTURES) + "/search-words.xls";
    const std::string xlsx = path("search-words.xlsx");
    ASSERT_TRUE(orbisel::test::writeXlsx(xlsx, tableAsXlsx()));
    const std::vector<std::pair<std::string, std::string>> files = {
        {"xls", xls},
        {"xlsx", xlsx},
        {"GBK comma csv", write("gbk.csv", orbisel::utf8ToGbk(kTableCsv))},
        {"UTF-8 tab csv with byte-order mark, LF", write("utf8.csv", "\xEF\xBB\xBF" + asTabs(kTableCsv))},
        {"UTF-8 csv without mark", write("plain.txt", kTableCsv)},
        {"xls named .csv", write("xls-inside.csv", readFile(xls))},
        {"xlsx named .xls", write("xlsx-inside.xls", readFile(xlsx))},
    };
    for (const auto &[what, file] : files) {
        SCOPED_TRACE(what);
        const AnalyticsResult read = readAnalyticsFile(file);
        ASSERT_TRUE(read.ok()) << describe(read.error());
        EXPECT_EQ(read->rows, expectedRows());
        EXPECT_EQ(read->refusedRows, std::vector<long long>{8});
        EXPECT_EQ(read->headerRow, 5);
        EXPECT_EQ(read->period, (AnalyticsPeriod{"2026-11-01", "2026-11-30"}));
    }
}

TEST(AnalyticsFigureText, ReadsSeparatorsPercentsAndBlanksAndRefusesTheRest) {
    struct Case {
        std::string_view text;
        FigureTextKind kind;
        double value = 0;
    };
    const Case cases[] = {
        {"5,652.00", FigureTextKind::Number, 5652},
        {"1,234,567", FigureTextKind::Number, 1234567},
        {"12.34%", FigureTextKind::Number, 12.34},
        {" 12 % ", FigureTextKind::Number, 12},
        {"45.6％", FigureTextKind::Number, 45.6},
        {"-3.5", FigureTextKind::Number, -3.5},
        {"+7", FigureTextKind::Number, 7},
        {".5", FigureTextKind::Number, 0.5},
        {"1e3", FigureTextKind::Number, 1000},
        {"\xE3\x80\x80" "42\t", FigureTextKind::Number, 42},
        {"-", FigureTextKind::Blank},
        {"", FigureTextKind::Blank},
        {"  ", FigureTextKind::Blank},
        {"1,23", FigureTextKind::Invalid},
        {"12,3456", FigureTextKind::Invalid},
        {",123", FigureTextKind::Invalid},
        {"1234,567", FigureTextKind::Invalid},
        {"1,000e3", FigureTextKind::Invalid},
        {"12.3.4", FigureTextKind::Invalid},
        {"12%%", FigureTextKind::Invalid},
        {"%", FigureTextKind::Invalid},
        {".", FigureTextKind::Invalid},
        {"--", FigureTextKind::Invalid},
        {"abc", FigureTextKind::Invalid},
        {"12abc", FigureTextKind::Invalid},
        {"0x10", FigureTextKind::Invalid},
        {"inf", FigureTextKind::Invalid},
        {"nan", FigureTextKind::Invalid},
        {"1e999", FigureTextKind::Invalid},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        const FigureText got = parseFigureText(c.text);
        EXPECT_EQ(got.kind, c.kind);
        if (c.kind == FigureTextKind::Number) {
            EXPECT_DOUBLE_EQ(got.value, c.value);
        }
    }
}

TEST_F(AnalyticsReader, EveryHeaderNameGivesItsFigure) {
    const std::pair<std::string, F> names[] = {
        {"搜索人气", F::SearchPopularity}, {"全网搜索人气", F::SearchPopularity}, {"搜索热度", F::SearchHeat},
        {"全网搜索热度", F::SearchHeat},   {"点击率", F::ClickRate},            {"全网点击率", F::ClickRate},
        {"点击人气", F::ClickPopularity},  {"交易指数", F::TradeIndex},         {"支付转化率", F::ConversionRate},
        {"全网下单转化率", F::ConversionRate}, {"在线商品数", F::ItemCount},     {"全网商品数", F::ItemCount},
        {"商城点击占比", F::MallClickShare}, {"直通车参考价", F::ExpressPrice}, {"直通车平均点击单价", F::ExpressPrice},
    };
    for (const auto &[name, figure] : names) {
        SCOPED_TRACE(name);
        const AnalyticsResult read = readAnalyticsFile(write("h.csv", "关键词, " + name + " ,其他\n词,5,x\n"));
        ASSERT_TRUE(read.ok());
        ASSERT_EQ(read->rows.size(), 1u);
        EXPECT_EQ(read->rows[0], row("词", 2, {{figure, 5}}));
    }
}

TEST_F(AnalyticsReader, FindsTheHeaderAmongTheFirstTenRowsOnly) {
    const std::string header = "搜索词,搜索人气\n";
    const std::string notes9(9, '\n');
    struct Case {
        std::string what;
        std::string csv;
        long long headerRow; // 0: no header
    };
    const std::vector<Case> cases = {
        {"in row 10", notes9 + header + "词,1\n", 10},
        {"in row 11", notes9 + "\n" + header + "词,1\n", 0},
        {"a word column without figures is a note", "搜索词,说明\n" + header + "词,1\n", 2},
        {"figures without a word column", "搜索人气,点击率\n词,1\n", 0},
        {"an empty file", "", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const AnalyticsResult read = readAnalyticsFile(write("header.csv", c.csv));
        if (c.headerRow == 0) {
            ASSERT_FALSE(read.ok());
            EXPECT_EQ(read.error().kind, AnalyticsErrorKind::NoHeader);
        } else {
            ASSERT_TRUE(read.ok()) << describe(read.error());
            EXPECT_EQ(read->headerRow, c.headerRow);
            EXPECT_EQ(read->rows, std::vector{row("词", c.headerRow + 1, {{F::SearchPopularity, 1}})});
        }
    }
}

TEST_F(AnalyticsReader, CsvQuotedFieldsHoldDelimitersQuotesAndLineBreaks) {
    const AnalyticsResult read =
        readAnalyticsFile(write("q.csv", "\"搜索词\",\"搜索人气\"\r\n\"连衣\"\"裙\n夏, 新款\",\"1,000\"\r\n词,2"));
    ASSERT_TRUE(read.ok()) << describe(read.error());
    EXPECT_EQ(read->rows, (std::vector{row("连衣\"裙\n夏, 新款", 2, {{F::SearchPopularity, 1000}}),
                                       row("词", 3, {{F::SearchPopularity, 2}})}));
}

TEST_F(AnalyticsReader, PeriodFromTheFileNameElseANoteRow) {
    const std::string table = "统计日期 2026-11-01 至 2026-11-30\n搜索词,搜索热度\n词,1\n";
    struct Case {
        std::string name;
        std::string csv;
        std::optional<AnalyticsPeriod> period;
    };
    const std::vector<Case> cases = {
        {"搜索词_2026-10-01_2026-10-31.csv", table, AnalyticsPeriod{"2026-10-01", "2026-10-31"}},
        {"words.csv", table, AnalyticsPeriod{"2026-11-01", "2026-11-30"}},
        {"words 2026-10-01 2026-10-31.csv", "搜索词,搜索热度\n词,1\n", std::nullopt},
        {"bad_2026-13-01_2026-10-31.csv", "2026-02-30 ~ 2026-03-01 ~ 2026-03-31\n搜索词,搜索热度\n词,1\n",
         AnalyticsPeriod{"2026-03-01", "2026-03-31"}},
        {"after.csv", "搜索词,搜索热度\n2026-11-01 2026-11-30,1\n", std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const AnalyticsResult read = readAnalyticsFile(write(c.name, c.csv));
        ASSERT_TRUE(read.ok()) << describe(read.error());
        EXPECT_EQ(read->period, c.period);
    }
}

TEST_F(AnalyticsReader, XlsxPercentFormattedNumbersReadAsTheirPercent) {
    const std::string file = path("percent.xlsx");
    ASSERT_TRUE(orbisel::test::writeXlsx(file, {{"搜索词", "点击率", "支付转化率", "商城点击占比", "搜索人气"},
                                                {"词", {0.1234, "0.00%"}, {0.5, "0%"}, {0.035, "0.0\"%\""}, {0.25, "0.00"}}}));
    const AnalyticsResult read = readAnalyticsFile(file);
    ASSERT_TRUE(read.ok()) << describe(read.error());
    // "0.0"%"" shows a quoted percent sign: no percent format.
    EXPECT_EQ(read->rows, std::vector{row("词", 2, {{F::ClickRate, 12.34}, {F::ConversionRate, 50},
                                                     {F::MallClickShare, 0.035}, {F::SearchPopularity, 0.25}})});
}

TEST_F(AnalyticsReader, XlsxFirstSheetByRelationshipsWithInlineAndRichStrings) {
    // The workbook lists data.xml first; sheet1.xml, the usual name, is the second sheet.
    const std::string sheet =
        R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)"
        R"(<row r="2"><c r="B2" t="inlineStr"><is><t>关键词</t></is></c><c r="C2" t="s"><v>0</v></c></row>)"
        R"(<row r="3"><c r="B3" t="s"><v>1</v></c><c r="C3" t="str"><v>1,500</v></c></row>)"
        R"(<row r="5"><c r="B5" t="inlineStr"><is><r><t>无</t></r><r><t xml:space="preserve">引用 </t></r></is></c>)"
        R"(<c><v>7</v></c></row>)"
        R"(<row r="6"><c r="B6" t="inlineStr"><is><t>错误</t></is></c><c r="C6" t="e"><v>#DIV/0!</v></c></row>)"
        R"(</sheetData></worksheet>)";
    const std::string strings =
        R"(<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><si><t>交易指数</t></si>)"
        R"(<si><r><t>连衣</t></r><r><rPr><b/></rPr><t>裙</t></r><rPh><t>レン</t></rPh></si></sst>)";
    std::vector<ZipEntry> parts = orbisel::test::workbookParts(
        R"(<worksheet><sheetData><row r="1"><c t="inlineStr"><is><t>搜索词</t></is></c><c t="inlineStr"><is><t>搜索人气</t></is></c></row><row r="2"><c t="inlineStr"><is><t>错</t></is></c><c><v>1</v></c></row></sheetData></worksheet>)",
        strings);
    parts[1].content =
        R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets>)"
        R"(<sheet name="A" sheetId="2" r:id="rId7"/><sheet name="B" sheetId="1" r:id="rId1"/></sheets></workbook>)";
    parts[2].content =
        R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
        R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>)"
        R"(<Relationship Id="rId7" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="/xl/worksheets/data.xml"/>)"
        R"(</Relationships>)";
    parts.push_back({"xl/worksheets/data.xml", sheet});
    const AnalyticsResult read = readAnalyticsFile(writeZip("rels.xlsx", parts));
    ASSERT_TRUE(read.ok()) << describe(read.error());
    EXPECT_EQ(read->headerRow, 2);
    EXPECT_EQ(read->rows, (std::vector{row("连衣裙", 3, {{F::TradeIndex, 1500}}), row("无引用", 5, {{F::TradeIndex, 7}})}));
    EXPECT_EQ(read->refusedRows, std::vector<long long>{6});
}

// A worksheet of `padding` spaces, which deflate squeezes far beyond 200 : 1.
std::string bombSheet(std::size_t padding) {
    return R"(<worksheet><sheetData><row r="1"><c t="inlineStr"><is><t>搜索词</t></is></c></row>)" +
           std::string(padding, ' ') + "</sheetData></worksheet>";
}

// Sets the sizes that the central directory gives the named entry.
void setDirectorySizes(std::string &zip, const std::string &name, std::uint32_t compressed, std::uint32_t uncompressed) {
    for (std::size_t at = zip.find("PK\x01\x02"); at != std::string::npos; at = zip.find("PK\x01\x02", at + 4)) {
        const auto nameLength = static_cast<unsigned char>(zip[at + 28]) | static_cast<unsigned char>(zip[at + 29]) << 8;
        if (zip.compare(at + 46, nameLength, name) != 0)
            continue;
        for (int i = 0; i < 4; ++i) {
            zip[at + 20 + i] = static_cast<char>(compressed >> (8 * i));
            zip[at + 24 + i] = static_cast<char>(uncompressed >> (8 * i));
        }
        return;
    }
    ADD_FAILURE() << "no central directory entry " << name;
}

TEST_F(AnalyticsReader, HostileAndBrokenWorkbooksAreRefusedWithTheirReason) {
    const std::string sheetName = "xl/worksheets/sheet1.xml";
    const std::string bomb = readFile(writeZip("bomb.xlsx", orbisel::test::workbookParts(bombSheet(50'000'000))));

    // The central directory claims 2 MB compressed (more than the archive) and 5 MB inflated.
    std::string lyingBomb = bomb;
    setDirectorySizes(lyingBomb, sheetName, 2'000'000, 5'000'000);

    // A stored 2 MB entry whose directory claims 300 MB (150 : 1).
    std::vector<ZipEntry> large = orbisel::test::workbookParts(bombSheet(2'000'000));
    large[3].stored = true;
    std::string tooLarge = readFile(writeZip("large.xlsx", large));
    setDirectorySizes(tooLarge, sheetName, 2'000'100, 300'000'000);

    const std::string laughs =
        R"(<?xml version="1.0"?><!DOCTYPE sst [<!ENTITY a "aaaaaaaaaa"><!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;">)"
        R"(<!ENTITY c "&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;"><!ENTITY d "&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;">]>)"
        R"(<sst><si><t>&d;&d;&d;&d;</t></si></sst>)";
    const std::string header =
        R"(<row r="1"><c t="inlineStr"><is><t>搜索词</t></is></c><c t="inlineStr"><is><t>搜索人气</t></is></c></row>)";
    std::string good = readFile(writeZip("good.xlsx", orbisel::test::workbookParts(
        "<worksheet><sheetData>" + header + R"(<row r="2"><c t="s"><v>0</v></c></row></sheetData></worksheet>)",
        "<sst><si><t>词</t></si></sst>")));

    struct Case {
        std::string what;
        std::string bytes;
        AnalyticsErrorKind kind;
        std::string named; // in the message
    };
    const std::vector<Case> cases = {
        {"zip bomb", bomb, AnalyticsErrorKind::CompressionTooHigh, sheetName},
        {"bomb under a lying directory", lyingBomb, AnalyticsErrorKind::Damaged, sheetName},
        {"entry over 256 MB", tooLarge, AnalyticsErrorKind::EntryTooLarge, sheetName},
        {"entities in a document type", readFile(writeZip("dtd.xlsx", orbisel::test::workbookParts(
             "<worksheet><sheetData>" + header + "</sheetData></worksheet>", laughs))),
         AnalyticsErrorKind::DocumentType, "xl/sharedStrings.xml"},
        {"a document type in the sheet", readFile(writeZip("dtd2.xlsx", orbisel::test::workbookParts(
             "<!DOCTYPE worksheet SYSTEM \"file:///etc/passwd\"><worksheet/>"))),
         AnalyticsErrorKind::DocumentType, sheetName},
        {"row 1,048,577", readFile(writeZip("rows.xlsx", orbisel::test::workbookParts(
             "<worksheet><sheetData>" + header + R"(<row r="1048577"/></sheetData></worksheet>)"))),
         AnalyticsErrorKind::TooManyRows, "1,048,576"},
        {"rows out of order", readFile(writeZip("order.xlsx", orbisel::test::workbookParts(
             "<worksheet><sheetData><row r=\"3\"/><row r=\"2\"/></sheetData></worksheet>"))),
         AnalyticsErrorKind::Damaged, "order"},
        {"a zip without a workbook", readFile(writeZip("other.zip", {{"word/document.xml", "<document/>"}})),
         AnalyticsErrorKind::UnknownFormat, "workbook"},
        {"missing shared string", readFile(writeZip("sst.xlsx", orbisel::test::workbookParts(
             "<worksheet><sheetData>" + header + R"(<row r="2"><c t="s"><v>3</v></c></row></sheetData></worksheet>)"))),
         AnalyticsErrorKind::Damaged, "shared string"},
        {"malformed sheet", readFile(writeZip("bad.xlsx", orbisel::test::workbookParts("<worksheet><sheetData></worksheet>"))),
         AnalyticsErrorKind::Damaged, sheetName},
        {"cut-off sheet", readFile(writeZip("cut.xlsx", orbisel::test::workbookParts("<worksheet><sheetData>"))),
         AnalyticsErrorKind::Damaged, sheetName},
        {"truncated archive", good.substr(0, good.size() / 2), AnalyticsErrorKind::Damaged, "zip"},
        {"no header", readFile(writeZip("nohead.xlsx", orbisel::test::workbookParts("<worksheet/>"))),
         AnalyticsErrorKind::NoHeader, "header"},
    };
    ASSERT_TRUE(readAnalyticsXlsx(good, "good.xlsx").ok());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const AnalyticsResult read = readAnalyticsFile(write("case.xlsx", c.bytes));
        ASSERT_FALSE(read.ok());
        EXPECT_EQ(read.error().kind, c.kind) << describe(read.error());
        EXPECT_THAT(describe(read.error()), ::testing::HasSubstr(c.named));
    }
}

TEST_F(AnalyticsReader, UnreadableAndForeignFilesAreRefused) {
    struct Case {
        std::string what;
        std::string file;
        AnalyticsErrorKind kind;
    };
    const std::vector<Case> cases = {
        {"missing", path("missing.csv"), AnalyticsErrorKind::CannotRead},
        {"binary", write("a.bin", std::string("\x7F" "ELF\x02\x01\x01\0\0\0", 10)), AnalyticsErrorKind::UnknownFormat},
        {"neither UTF-8 nor GBK", write("b.csv", "搜索词,搜索人气\n\xFF\xFE\n"), AnalyticsErrorKind::UnknownFormat},
        {"a broken compound file", write("c.xls", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") + std::string(600, 'x')),
         AnalyticsErrorKind::Damaged},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const AnalyticsResult read = readAnalyticsFile(c.file);
        ASSERT_FALSE(read.ok());
        EXPECT_EQ(read.error().kind, c.kind) << describe(read.error());
    }
}

} // namespace
