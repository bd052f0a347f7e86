#include "ledger/LedgerRules.h"

#include "web/Encoding.h"
#include "web/Numbers.h"

#include <cmath>
#include <ctime>
#include <limits>
#include <string>

namespace orbisel {
namespace {

Text field(int value, const Text &unit) {
    return formatNumber(value) + unit;
}

long long truncateToInteger(double value) {
    // The clamp keeps an absurd cell (1e400, -1e30) from being undefined behaviour.
    constexpr double kMax = 9.2e18;
    if (value >= kMax)
        return static_cast<long long>(kMax);
    if (value <= -kMax)
        return -static_cast<long long>(kMax);
    return static_cast<long long>(std::trunc(value));
}

} // namespace

const TextArray &ledgerHeaderTexts() {
    static const TextArray texts{utf8ToGbk("日期"),     utf8ToGbk("所购商品"), utf8ToGbk("本钱"),
                                 utf8ToGbk("出售价格"), utf8ToGbk("商品利润"), utf8ToGbk("备注")};
    return texts;
}

Text ledgerDateText(TimePoint moment) {
    static const Text year = utf8ToGbk("年"), month = utf8ToGbk("月"), day = utf8ToGbk("日"),
                      hour = utf8ToGbk("时"), minute = utf8ToGbk("分"), second = utf8ToGbk("秒");
    const std::time_t t = std::chrono::system_clock::to_time_t(moment);
    std::tm local{};
    localtime_r(&t, &local);
    Text out = field(local.tm_year + 1900, year) + field(local.tm_mon + 1, month) + field(local.tm_mday, day);
    if (local.tm_sec != 0)
        out += field(local.tm_hour, hour) + field(local.tm_min, minute) + field(local.tm_sec, second);
    else if (local.tm_min != 0)
        out += field(local.tm_hour, hour) + field(local.tm_min, minute);
    else if (local.tm_hour != 0)
        out += field(local.tm_hour, hour);
    return out;
}

Text ledgerProfitText(const Text &price, const Text &cost) {
    return formatNumber(textToNumber(price) - textToNumber(cost));
}

std::optional<long long> ledgerColumnTotal(const TextArray &cells) {
    if (cells.empty())
        return std::nullopt;
    long long total = 0;
    for (const Text &cell : cells)
        total = truncateToInteger(static_cast<double>(total) + textToNumber(cell));
    return total;
}

} // namespace orbisel
