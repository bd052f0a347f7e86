#pragma once

#include "core/competition/SearchPage.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The figures of one word's first results page and its listings, one row per organic item.
namespace orbisel::core {

// detail_url on the advertising click host (click.simba.taobao.com, with or without a scheme).
bool isAdvertisingUrl(std::string_view url);
// p4p set, or a detail_url on the advertising click host.
bool isAdvertised(const PageItem &item);

// An item that is not advertised, the first in page order with its nid.
struct OrganicItem {
    std::size_t index = 0;                   // into SearchPage::items
    std::optional<long long> monthlySales;   // 月销: allOldBiz30Day, else the view_sales count
};
std::vector<OrganicItem> organicItems(const SearchPage &page);

struct WordFigures {
    std::string keyword;
    std::optional<long long> listings;        // 在线商品数: totalCount, else totalHits
    long long organicItems = 0;               // 首页商品
    long long advertisedItems = 0;            // 广告数, distinct nid
    std::optional<long long> priceP25Cents;   // 价格P25
    std::optional<long long> priceMedianCents; // 中位价
    std::optional<long long> priceP75Cents;   // 价格P75
    std::optional<double> tmallShare;         // 天猫占比, percent to one decimal
    std::optional<long long> monthlySales;    // 首页月销 (empty only when the sum overflows)
    std::optional<long long> salesAmount;     // 首页销售额, whole yuan (half up)
    long long shops = 0;                      // 店铺数, distinct user_id
    std::optional<double> topThreeShopShare;  // 前三店铺占比, percent to one decimal
    std::optional<long long> brands;          // 品牌数, when the page has a 品牌 group
    std::optional<double> blueOceanRaw;       // 首页月销 / log10(在线商品数 + 10), unscaled
};

WordFigures wordFigures(std::string keyword, const SearchPage &page);

// The p-th percentile (0 < p < 1 in quarters: 0.25, 0.5, 0.75 and the like) of sorted
// prices in cents, linear between ranks at position (n - 1) * p, rounded half up to a cent.
std::optional<long long> percentileCents(const std::vector<long long> &sortedCents, int quarters);

// 蓝海指数 of a table: each raw value over the largest, times 100, to one decimal.
// Empty stays empty; when the largest is 0 every present value is 0.
std::vector<std::optional<double>> scaleBlueOcean(const std::vector<std::optional<double>> &raw);

// The word table's headers and one row's cells (empty figures as "").
const std::vector<std::string> &wordFigureHeaders();
std::vector<std::string> wordFigureCells(const WordFigures &figures, std::optional<double> blueOceanScaled);

struct ListingRow {
    std::string keyword;                   // 关键词
    long long rank = 0;                    // 排名, 1-based among organic items
    std::string title;                     // 标题
    std::optional<long long> priceCents;   // 价格
    std::optional<long long> monthlySales; // 月销
    std::string salesText;                 // 付款人数, view_sales as shown
    std::string shop;                      // 店铺
    bool tmall = false;                    // 天猫
    std::string location;                  // 地区
    std::string nid;                       // 商品ID

    bool operator==(const ListingRow &) const = default;
};

std::vector<ListingRow> listingRows(const std::string &keyword, const SearchPage &page);

const std::vector<std::string> &listingHeaders();
std::vector<std::string> listingCells(const ListingRow &row);

// Cell texts: cents with two decimals ("39.90"), a value with one decimal ("33.3").
std::string centsText(long long cents);
std::string oneDecimalText(double value);

} // namespace orbisel::core
