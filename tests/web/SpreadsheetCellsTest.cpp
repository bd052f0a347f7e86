#include "tests/support/XlsxLayout.h"
#include "web/CsvField.h"
#include "web/TableSheet.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <xlsxwriter.h>

namespace orbisel {
namespace {

TEST(CsvField, quotesWhatNeedsItAndKeepsFormulasText) {
    const struct {
        std::string_view text, field;
    } cases[] = {
        {"连衣裙", "连衣裙"},
        {"", ""},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"line\r\nbreak", "\"line\r\nbreak\""},
        {"a=b", "a=b"}, // only the first character counts
        {"=1+2", "\"'=1+2\""},
        {"+86 138", "\"'+86 138\""},
        {"-3", "\"'-3\""},
        {"@SUM(A1)", "\"'@SUM(A1)\""},
        {"\tx", "\"'\tx\""},
        {"\rx", "\"'\rx\""},
        {"=HYPERLINK(\"x\",\"y\")", "\"'=HYPERLINK(\"\"x\"\",\"\"y\"\")\""},
        {"＝1", "＝1"}, // a full-width sign is no formula
    };
    for (const auto &c : cases) {
        std::string out = "x,";
        appendCsvField(out, c.text);
        EXPECT_EQ(out, "x," + std::string(c.field)) << c.text;
    }
}

TEST(TableSheet, displayWidthCountsWideCharactersTwice) {
    const struct {
        std::string_view text;
        int width;
    } cases[] = {
        {"", 0},     {"abc 12", 6}, {"连衣裙", 6}, {"T恤", 3},      {"，（）", 6},
        {"한글", 4}, {"ｶ", 1},      {"é", 1},      {"\xFF\xE4", 2}, {"\xF0\xA0\x80\x80", 2},
    };
    for (const auto &c : cases)
        EXPECT_EQ(displayWidth(c.text), c.width) << c.text;
}

// A constant-memory workbook: the layout follows the rows.
TEST(TableSheet, freezesTheHeaderFiltersTheTableAndFitsTheColumns) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("t.xlsx").toStdString();
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook *workbook = workbook_new_opt(path.c_str(), &options);
    ASSERT_NE(workbook, nullptr);
    TableSheet sheet(workbook_add_worksheet(workbook, nullptr));
    const std::string longText(200, 'x');
    bool ok = sheet.text(0, 0, "关键词") && sheet.text(0, 1, "商品数") && sheet.text(0, 2, "说明") &&
              sheet.text(0, 3, "层级");
    ok = ok && sheet.text(1, 0, "连衣裙女装夏季") && sheet.number(1, 1, 1234567890) &&
         sheet.text(1, 2, longText) && sheet.text(1, 3, "1");
    ok = ok && sheet.text(2, 0, "abc") && sheet.number(2, 1, 5) && sheet.text(2, 3, "2");
    EXPECT_TRUE(ok);
    EXPECT_TRUE(sheet.finish());
    ASSERT_EQ(workbook_close(workbook), LXW_NO_ERROR);
    // 关键词: its widest cell, 14 + 1; 商品数: ten digits + 1; 说明: capped; 层级: the header, 4 + 3.
    EXPECT_EQ(test::xlsxLayout(path), "A2 A1:D3 15 11 60 7");
}

} // namespace
} // namespace orbisel
