#include "core/competition/PageFigures.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <unordered_map>
#include <unordered_set>

namespace orbisel::core {
namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (lower(text[i]) != prefix[i])
            return false;
    }
    return true;
}

std::optional<long long> added(std::optional<long long> a, long long b) {
    long long sum = 0;
    if (!a || __builtin_add_overflow(*a, b, &sum))
        return std::nullopt;
    return sum;
}

// numerator / denominator * scale, rounded half up (all non-negative, denominator > 0).
long long roundedRatio(long long numerator, long long denominator, long long scale) {
    const __int128 n = static_cast<__int128>(numerator) * scale * 2 + denominator;
    return static_cast<long long>(n / (static_cast<__int128>(denominator) * 2));
}

double tenthsOf(long long numerator, long long denominator) {
    return static_cast<double>(roundedRatio(numerator, denominator, 1000)) / 10.0;
}

std::string integerText(long long v) {
    return std::to_string(v);
}

std::string optionalText(const std::optional<long long> &v, const std::function<std::string(long long)> &text) {
    return v ? text(*v) : std::string();
}

} // namespace

bool isAdvertisingUrl(std::string_view url) {
    while (!url.empty() && (url.front() == ' ' || url.front() == '\t'))
        url.remove_prefix(1);
    if (startsWithNoCase(url, "https:"))
        url.remove_prefix(6);
    else if (startsWithNoCase(url, "http:"))
        url.remove_prefix(5);
    if (!url.starts_with("//"))
        return false;
    url.remove_prefix(2);
    const std::string_view host = url.substr(0, url.find_first_of("/?#:"));
    constexpr std::string_view clickHost = "click.simba.taobao.com";
    return host.size() == clickHost.size() && startsWithNoCase(host, clickHost);
}

bool isAdvertised(const PageItem &item) {
    return item.p4p || isAdvertisingUrl(item.detailUrl);
}

std::vector<OrganicItem> organicItems(const SearchPage &page) {
    std::unordered_map<std::string_view, std::size_t> traced; // nid -> first position in allNids
    for (std::size_t i = 0; i < page.trace.allNids.size(); ++i) {
        if (!page.trace.allNids[i].empty())
            traced.emplace(page.trace.allNids[i], i);
    }
    std::vector<OrganicItem> organic;
    std::unordered_set<std::string_view> seen;
    for (std::size_t i = 0; i < page.items.size(); ++i) {
        const PageItem &item = page.items[i];
        if (isAdvertised(item) || (!item.nid.empty() && !seen.insert(item.nid).second))
            continue;
        OrganicItem o{i, std::nullopt};
        const auto found = traced.find(item.nid);
        if (found != traced.end() && found->second < page.trace.allOldBiz30Day.size())
            o.monthlySales = page.trace.allOldBiz30Day[found->second];
        if (!o.monthlySales)
            o.monthlySales = salesInText(item.salesText);
        organic.push_back(o);
    }
    return organic;
}

std::optional<long long> percentileCents(const std::vector<long long> &sortedCents, int quarters) {
    if (sortedCents.empty() || quarters < 0 || quarters > 4)
        return std::nullopt;
    // Position (n - 1) * quarters / 4: rank k and a remainder in quarters.
    const std::size_t steps = (sortedCents.size() - 1) * static_cast<std::size_t>(quarters);
    const std::size_t k = steps / 4;
    const long long remainder = static_cast<long long>(steps % 4);
    long long quarterCents = sortedCents[k] * 4;
    if (remainder > 0)
        quarterCents += remainder * (sortedCents[k + 1] - sortedCents[k]);
    return (quarterCents + 2) / 4;
}

WordFigures wordFigures(std::string keyword, const SearchPage &page) {
    WordFigures f;
    f.keyword = std::move(keyword);
    f.listings = page.totalCount ? page.totalCount : page.trace.totalHits;

    std::unordered_set<std::string_view> advertised;
    for (const PageItem &item : page.items) {
        if (isAdvertised(item) && (item.nid.empty() || advertised.insert(item.nid).second))
            ++f.advertisedItems;
    }

    const std::vector<OrganicItem> organic = organicItems(page);
    f.organicItems = static_cast<long long>(organic.size());
    std::vector<long long> prices;
    long long tmall = 0;
    std::optional<long long> monthly = 0;
    std::optional<long long> amountCents = 0;
    std::unordered_map<std::string_view, long long> shopSales;
    for (const OrganicItem &o : organic) {
        const PageItem &item = page.items[o.index];
        if (item.priceCents)
            prices.push_back(*item.priceCents);
        if (item.tmall)
            ++tmall;
        const long long sales = o.monthlySales.value_or(0);
        monthly = added(monthly, sales);
        long long cents = 0;
        if (item.priceCents && __builtin_mul_overflow(*item.priceCents, sales, &cents))
            amountCents = std::nullopt;
        else
            amountCents = added(amountCents, cents);
        if (!item.shopId.empty()) {
            long long &shop = shopSales[item.shopId];
            shop = added(shop, sales).value_or(shop);
        }
    }
    std::sort(prices.begin(), prices.end());
    f.priceP25Cents = percentileCents(prices, 1);
    f.priceMedianCents = percentileCents(prices, 2);
    f.priceP75Cents = percentileCents(prices, 3);
    if (!organic.empty())
        f.tmallShare = tenthsOf(tmall, f.organicItems);
    f.monthlySales = monthly;
    if (amountCents)
        f.salesAmount = (*amountCents) / 100 + ((*amountCents) % 100 >= 50 ? 1 : 0);
    f.shops = static_cast<long long>(shopSales.size());
    if (monthly && *monthly > 0) {
        std::vector<long long> totals;
        for (const auto &[shop, sales] : shopSales)
            totals.push_back(sales);
        std::sort(totals.begin(), totals.end(), std::greater<>());
        long long top = 0;
        for (std::size_t i = 0; i < totals.size() && i < 3; ++i)
            top += totals[i];
        f.topThreeShopShare = tenthsOf(std::min(top, *monthly), *monthly);
    }
    if (page.brandEntries)
        f.brands = static_cast<long long>(page.brandEntries->size());
    if (f.listings && monthly)
        f.blueOceanRaw = static_cast<double>(*monthly) / std::log10(static_cast<double>(*f.listings) + 10.0);
    return f;
}

std::vector<std::optional<double>> scaleBlueOcean(const std::vector<std::optional<double>> &raw) {
    double largest = 0;
    for (const std::optional<double> &v : raw) {
        if (v && std::isfinite(*v))
            largest = std::max(largest, *v);
    }
    std::vector<std::optional<double>> scaled;
    scaled.reserve(raw.size());
    for (const std::optional<double> &v : raw) {
        if (!v || !std::isfinite(*v))
            scaled.emplace_back();
        else if (largest <= 0)
            scaled.emplace_back(0.0);
        else
            scaled.emplace_back(std::round(std::max(*v, 0.0) / largest * 1000.0) / 10.0);
    }
    return scaled;
}

const std::vector<std::string> &wordFigureHeaders() {
    static const std::vector<std::string> headers = {
        "关键词", "在线商品数", "首页商品", "广告数", "价格P25", "中位价", "价格P75", "天猫占比",
        "首页月销", "首页销售额", "店铺数", "前三店铺占比", "品牌数", "蓝海指数"};
    return headers;
}

std::vector<std::string> wordFigureCells(const WordFigures &f, std::optional<double> blueOceanScaled) {
    const auto decimal = [](const std::optional<double> &v) { return v ? oneDecimalText(*v) : std::string(); };
    return {f.keyword,
            optionalText(f.listings, integerText),
            integerText(f.organicItems),
            integerText(f.advertisedItems),
            optionalText(f.priceP25Cents, centsText),
            optionalText(f.priceMedianCents, centsText),
            optionalText(f.priceP75Cents, centsText),
            decimal(f.tmallShare),
            optionalText(f.monthlySales, integerText),
            optionalText(f.salesAmount, integerText),
            integerText(f.shops),
            decimal(f.topThreeShopShare),
            optionalText(f.brands, integerText),
            decimal(blueOceanScaled)};
}

std::vector<ListingRow> listingRows(const std::string &keyword, const SearchPage &page) {
    std::vector<ListingRow> rows;
    for (const OrganicItem &o : organicItems(page)) {
        const PageItem &item = page.items[o.index];
        rows.push_back({keyword, static_cast<long long>(rows.size()) + 1, item.title, item.priceCents,
                        o.monthlySales, item.salesText, item.shop, item.tmall, item.location, item.nid});
    }
    return rows;
}

const std::vector<std::string> &listingHeaders() {
    static const std::vector<std::string> headers = {"关键词", "排名", "标题", "价格", "月销",
                                                      "付款人数", "店铺", "天猫", "地区", "商品ID"};
    return headers;
}

std::vector<std::string> listingCells(const ListingRow &row) {
    return {row.keyword,
            integerText(row.rank),
            row.title,
            optionalText(row.priceCents, centsText),
            optionalText(row.monthlySales, integerText),
            row.salesText,
            row.shop,
            row.tmall ? "是" : "否",
            row.location,
            row.nid};
}

std::string centsText(long long cents) {
    const bool negative = cents < 0;
    const unsigned long long magnitude =
        negative ? 0ull - static_cast<unsigned long long>(cents) : static_cast<unsigned long long>(cents);
    const unsigned long long fraction = magnitude % 100;
    // Appended piece by piece: GCC 12 at -O3 misreads "-" + std::string as overlapping copies.
    std::string text = negative ? "-" : "";
    text += std::to_string(magnitude / 100);
    text += fraction < 10 ? ".0" : ".";
    text += std::to_string(fraction);
    return text;
}

std::string oneDecimalText(double value) {
    const long long tenths = std::llround(value * 10.0);
    const bool negative = tenths < 0;
    const unsigned long long magnitude =
        negative ? 0ull - static_cast<unsigned long long>(tenths) : static_cast<unsigned long long>(tenths);
    std::string text = negative ? "-" : "";
    text += std::to_string(magnitude / 10);
    text += '.';
    text += std::to_string(magnitude % 10);
    return text;
}

} // namespace orbisel::core
