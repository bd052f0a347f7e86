#include "ledger/LedgerRules.h"

#include "tests/support/LocalTime.h"
#include "web/Encoding.h"
#include "web/Numbers.h"

#include <gtest/gtest.h>

namespace orbisel {
namespace {

struct ProfitCase {
    const char *price; // UTF-8
    const char *cost;
    const char *profit;
};

TEST(LedgerProfit, followsTextToNumberRuleAndPercentG13) {
    const ProfitCase cases[] = {
        {"100", "60.5", "39.5"},    {"0.3", "0.1", "0.2"},
        {"１００", "60.5", "39.5"}, // full-width digits
        {"１２．５", "０", "12.5"}, // full-width point
        {"　－３", "", "-3"},       // full-width space and minus
        {"12元", "0", "12"},        {"", "", "0"},
        {"元", "5", "-5"},                                        // no leading number
        {"100", "60.50", "39.5"},   {" \t+7.25e1x", "2.5", "70"}, // C white space, sign, exponent
        {".5", "0", "0.5"},         {"0x10", "0", "0"},           // hexadecimal is not decimal
        {"inf", "nan", "0"},        {"1e", "0", "1"},             // an incomplete exponent is not taken
        {"1e999", "0", "inf"},      {"123456789.123456", "0", "123456789.1235"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ledgerProfitText(utf8ToGbk(c.price), utf8ToGbk(c.cost)), c.profit)
            << "price " << c.price << " cost " << c.cost;
}

TEST(LedgerNumbers, numberTextsArePlainDecimal) {
    EXPECT_EQ(formatNumber(-3), "-3");
    EXPECT_EQ(formatNumber(48), "48");
    EXPECT_EQ(formatNumber(1e15), "1e+15");
    EXPECT_EQ(formatNumber(1234567890123.0), "1234567890123");
}

TEST(LedgerDateText, dropsTrailingZeroTimeFields) {
    const struct {
        int h, m, s;
        const char *expected;
    } cases[] = {
        {14, 5, 9, "2019年1月25日14时5分9秒"},
        {14, 5, 0, "2019年1月25日14时5分"},
        {9, 30, 0, "2019年1月25日9时30分"},
        {9, 0, 0, "2019年1月25日9时"},
        {0, 0, 0, "2019年1月25日"},
        {0, 0, 7, "2019年1月25日0时0分7秒"},
        {0, 3, 0, "2019年1月25日0时3分"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(gbkToUtf8(ledgerDateText(test::localTime(2019, 1, 25, c.h, c.m, c.s))), c.expected);
}

TEST(LedgerColumnTotal, truncatesTheRunningSumAfterEveryStep) {
    const struct {
        TextArray cells;
        long long total;
    } cases[] = {
        {{"19.9", "19.9", "10"}, 48},
        {{"39.5", "-3.5"}, 35},
        {{"-3.5"}, -3},
        {{utf8ToGbk("12元"), utf8ToGbk("没有数字"), ""}, 12},
        {{"1e400", "1"}, 9200000000000000000LL}, // absurd values are clamped, not undefined
    };
    for (const auto &c : cases)
        EXPECT_EQ(ledgerColumnTotal(c.cells), c.total);
    EXPECT_FALSE(ledgerColumnTotal({}).has_value());
}

} // namespace
} // namespace orbisel
