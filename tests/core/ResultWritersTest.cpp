#include "core/files/ResultWriters.h"

#include "tests/support/FileContents.h"
#include "tests/support/XlsxLayout.h"

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace orbisel::core {
namespace {

using test::readFile;
using test::zipMember;

std::vector<ResultRow> sampleRows() {
    ResultRow plain{"连衣裙a", "连衣裙", sourceBit(DeepSource::Pc) | sourceBit(DeepSource::Mobile),
                    1234,      1,        "连衣裙a",
                    2,         1.5};
    ResultRow awkward{
        "say \"hi\", 1\nx\\y\t", "连衣裙", sourceBit(DeepSource::Related), std::nullopt, 2, "连衣裙a", 1};
    return {plain, awkward};
}

// The first sample row's sum is half the largest (热度 50); its 机会 ratio
// 1.5 / log10(1244) is 16.16 % of the largest, 3.0 / log10(10).
ValueScale sampleScale() {
    ValueScale scale;
    scale.add(1.5, 1234);
    scale.add(3.0, 0);
    return scale;
}

RowSource rowsOf(const std::vector<ResultRow> &rows) {
    return [rows](const RowVisitor &visit) {
        for (const ResultRow &row : rows)
            if (!visit(row))
                break;
        return true;
    };
}

class ResultWritersTest : public ::testing::Test {
protected:
    std::string path(const std::string &name) const { return m_dir.path().toStdString() + "/" + name; }
    QTemporaryDir m_dir;
};

TEST_F(ResultWritersTest, sourcesText_inSourceOrder) {
    EXPECT_EQ(sourcesText(0), "");
    const DeepSourceSet three =
        sourceBit(DeepSource::Related) | sourceBit(DeepSource::Pc) | sourceBit(DeepSource::LongTail);
    EXPECT_EQ(sourcesText(three), "pc|longtail|related");
    EXPECT_EQ(sourceLabelsText(three), "PC下拉词、长尾词、你是不是想找");
    EXPECT_EQ(sourcesText(0x1F), "pc|arrow|mobile|longtail|related");
    EXPECT_EQ(sourceLabelsText(sourceBit(DeepSource::Arrow)), "箭头词");
}

TEST_F(ResultWritersTest, formatFollowsTheExtension) {
    EXPECT_EQ(outputFormatFor("a/b.CSV"), OutputFormat::Csv);
    EXPECT_EQ(outputFormatFor("结果.xlsx"), OutputFormat::Xlsx);
    EXPECT_EQ(outputFormatFor("x.jsonl"), OutputFormat::Jsonl);
    EXPECT_EQ(outputFormatFor("x.json"), std::nullopt);
    EXPECT_EQ(outputFormatFor("csv"), std::nullopt);
}

TEST_F(ResultWritersTest, csv_bomCrlfAndQuoting) {
    ASSERT_TRUE(writeResults(path("r.csv"), sampleScale(), rowsOf(sampleRows())).ok());
    EXPECT_EQ(readFile(path("r.csv")),
              "\xEF\xBB\xBF关键词,种子词,来源,商品数,层级,父词,出现次数,热度,机会\r\n"
              "连衣裙a,连衣裙,pc|mobile,1234,1,连衣裙a,2,50,16.2\r\n"
              "\"say \"\"hi\"\", 1\nx\\y\t\",连衣裙,related,,2,连衣裙a,1,,\r\n");
}

TEST_F(ResultWritersTest, jsonl_oneObjectPerRowWithEscapes) {
    ASSERT_TRUE(writeResults(path("r.jsonl"), sampleScale(), rowsOf(sampleRows())).ok());
    EXPECT_EQ(
        readFile(path("r.jsonl")),
        "{\"关键词\":\"连衣裙a\",\"种子词\":\"连衣裙\",\"来源\":\"pc|mobile\",\"商品数\":1234,"
        "\"层级\":1,\"父词\":\"连衣裙a\",\"出现次数\":2,\"热度\":50,\"机会\":16.2}\n"
        "{\"关键词\":\"say \\\"hi\\\", 1\\u000ax\\\\y\\u0009\",\"种子词\":\"连衣裙\",\"来源\":\"related\","
        "\"商品数\":null,\"层级\":2,\"父词\":\"连衣裙a\",\"出现次数\":1,\"热度\":null,\"机会\":null}\n");
}

TEST_F(ResultWritersTest, xlsx_textCellsAndListingsAsNumbers) {
    ASSERT_TRUE(writeResults(path("r.xlsx"), sampleScale(), rowsOf(sampleRows())).ok());
    const std::string sheet = zipMember(path("r.xlsx"), "xl/worksheets/sheet1.xml");
    ASSERT_FALSE(sheet.empty());
    EXPECT_NE(sheet.find("<c r=\"A1\" t=\"inlineStr\"><is><t>关键词</t>"), std::string::npos);
    EXPECT_NE(sheet.find("<c r=\"C2\" t=\"inlineStr\"><is><t>PC下拉词、无线下拉词</t>"), std::string::npos);
    EXPECT_NE(sheet.find("<c r=\"D2\"><v>1234</v></c>"), std::string::npos);
    EXPECT_NE(sheet.find("<c r=\"E2\" t=\"inlineStr\"><is><t>1</t>"), std::string::npos);
    EXPECT_EQ(sheet.find("r=\"D3\""), std::string::npos); // no listing count: no cell
    EXPECT_NE(sheet.find("<c r=\"G3\" t=\"inlineStr\"><is><t>1</t>"), std::string::npos);
    // Widths: the awkward word (16 + 1), 来源's two names (20 + 1), the other headers (+ 3 for the filter).
    EXPECT_EQ(test::xlsxLayout(path("r.xlsx")), "A2 A1:I3 17 9 21 9 7 8 11 7 7");
    EXPECT_NE(sheet.find("<c r=\"H2\"><v>50</v></c>"), std::string::npos);
    EXPECT_NE(sheet.find("<c r=\"I2\"><v>16.2</v></c>"), std::string::npos);
    EXPECT_EQ(sheet.find("r=\"H3\""), std::string::npos); // no sum: no 热度 cell
}

// Tables other than results: decimals and empty cells in every format.
TEST_F(ResultWritersTest, table_decimalsAndEmptyCellsInEveryFormat) {
    const TableColumn columns[] = {
        {"词", ColumnKind::Text}, {"热度", ColumnKind::Number}, {"变化", ColumnKind::Number}};
    const CellSource rows = [](const CellVisitor &visit) {
        const TableCell first[] = {std::string_view("a,b"), 12.5, -3LL};
        const TableCell second[] = {std::string_view("c"), 100.0, TableCell()};
        return visit(first) && visit(second);
    };
    ASSERT_TRUE(writeTable(path("t.csv"), columns, rows).ok());
    EXPECT_EQ(readFile(path("t.csv")), "\xEF\xBB\xBF词,热度,变化\r\n\"a,b\",12.5,-3\r\nc,100,\r\n");
    ASSERT_TRUE(writeTable(path("t.jsonl"), columns, rows).ok());
    EXPECT_EQ(readFile(path("t.jsonl")), "{\"词\":\"a,b\",\"热度\":12.5,\"变化\":-3}\n"
                                         "{\"词\":\"c\",\"热度\":100,\"变化\":null}\n");
    ASSERT_TRUE(writeTable(path("t.xlsx"), columns, rows).ok());
    const std::string sheet = zipMember(path("t.xlsx"), "xl/worksheets/sheet1.xml");
    EXPECT_NE(sheet.find("<c r=\"B2\"><v>12.5</v></c>"), std::string::npos);
    EXPECT_NE(sheet.find("<c r=\"C2\"><v>-3</v></c>"), std::string::npos);
    EXPECT_EQ(sheet.find("r=\"C3\""), std::string::npos);
}

// A spreadsheet must not evaluate text from the marketplace; numbers stay numbers.
TEST_F(ResultWritersTest, table_formulaLikeTextStaysText) {
    const TableColumn columns[] = {{"词", ColumnKind::Text}, {"变化", ColumnKind::Number}};
    const CellSource rows = [](const CellVisitor &visit) {
        const TableCell first[] = {std::string_view("=SUM(A1)"), -3LL};
        const TableCell second[] = {std::string_view("-3"), -2.5};
        const TableCell third[] = {std::string_view("@x,y"), TableCell()};
        return visit(first) && visit(second) && visit(third);
    };
    ASSERT_TRUE(writeTable(path("t.csv"), columns, rows).ok());
    EXPECT_EQ(readFile(path("t.csv")),
              "\xEF\xBB\xBF词,变化\r\n\"'=SUM(A1)\",-3\r\n\"'-3\",-2.5\r\n\"'@x,y\",\r\n");
    ASSERT_TRUE(writeTable(path("t.jsonl"), columns, rows).ok());
    EXPECT_EQ(readFile(path("t.jsonl")), "{\"词\":\"=SUM(A1)\",\"变化\":-3}\n{\"词\":\"-3\",\"变化\":-2.5}\n"
                                         "{\"词\":\"@x,y\",\"变化\":null}\n");
    ASSERT_TRUE(writeTable(path("t.xlsx"), columns, rows).ok());
    const std::string sheet = zipMember(path("t.xlsx"), "xl/worksheets/sheet1.xml");
    EXPECT_NE(sheet.find("<c r=\"A2\" t=\"inlineStr\"><is><t>=SUM(A1)</t>"), std::string::npos);
}

TEST_F(ResultWritersTest, failedRows_leaveTheOldFileAndNoTemporaryOne) {
    const RowSource failing = [](const RowVisitor &visit) {
        visit(sampleRows()[0]);
        return false;
    };
    for (const std::string name : {"old.csv", "old.xlsx", "old.jsonl"}) {
        std::ofstream(path(name)) << "old";
        const auto written = writeResults(path(name), sampleScale(), failing);
        ASSERT_FALSE(written.ok()) << name;
        EXPECT_EQ(written.error().kind, WriteErrorKind::ReadFailed) << name;
        EXPECT_EQ(readFile(path(name)), "old") << name;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir.path().toStdString()),
                            std::filesystem::directory_iterator()),
              3);
}

TEST_F(ResultWritersTest, checkOutputWritable_beforeARun) {
    std::filesystem::create_directory(path("folder.csv"));
    const std::pair<std::string, std::optional<WriteErrorKind>> cases[] = {
        {path("new.csv"), std::nullopt},
        {path("new.txt"), WriteErrorKind::UnknownFormat},
        {path("missing/new.csv"), WriteErrorKind::FolderNotWritable},
        {path("folder.csv"), WriteErrorKind::FolderNotWritable},
        {"/proc/new.csv", WriteErrorKind::FolderNotWritable},
    };
    for (const auto &[target, kind] : cases) {
        const auto checked = checkOutputWritable(target);
        EXPECT_EQ(checked.ok(), !kind) << target;
        if (kind && !checked.ok()) {
            EXPECT_EQ(checked.error().kind, *kind) << target;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(path("new.csv")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir.path().toStdString()),
                            std::filesystem::directory_iterator()),
              1);
}

} // namespace
} // namespace orbisel::core
