#pragma once

#include "core/base/Result.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The marketplace's first search results page, read from the `g_page_config = {...};`
// object of its HTML: the listed items, the trace data, the listing counts and the
// 品牌 navigation group. Fields missing or of another type are left empty.
namespace orbisel::core {

// One entry of `mods.itemlist.data.auctions`, field names as the marketplace writes them.
struct PageItem {
    std::string nid;                     // item id (a number becomes its digits)
    std::string title;                   // raw_title
    std::optional<long long> priceCents; // view_price, the first number of a range "200-600"
    std::string salesText;               // view_sales as shown ("1.2万+人付款"), may be empty
    std::string shop;                    // nick
    std::string shopId;                  // user_id
    std::string location;                // item_loc
    std::optional<long long> comments;   // comment_count
    bool tmall = false;                  // shopcard.isTmall is true, "true" or 1
    std::string detailUrl;               // detail_url
    bool p4p = false;                    // p4p is 1, "1" or true

    bool operator==(const PageItem &) const = default;
};

// `mainInfo.traceInfo.traceData`: the non-advertised items' ids and 30-day sales, same order.
struct PageTrace {
    std::vector<std::string> allNids;
    std::vector<std::optional<long long>> allOldBiz30Day; // an entry that is no count is empty
    std::optional<long long> totalHits;

    bool operator==(const PageTrace &) const = default;
};

struct SearchPage {
    std::vector<PageItem> items; // page order, advertisements included
    PageTrace trace;
    std::optional<long long> totalCount;                  // mods.pager.data.totalCount
    std::optional<std::vector<std::string>> brandEntries; // sub[].text of the 品牌 group, if the page has one
};

enum class SearchPageErrorKind {
    TooLarge,     // over kMaxSearchPageBytes
    NoPageConfig, // no `g_page_config = {`: the marketplace's verification or login page
    NotJson,      // the object does not end or is not JSON
};
struct SearchPageError {
    SearchPageErrorKind kind = SearchPageErrorKind::NotJson;
    std::string detail; // the JSON reader's reason, when there is one
};

// Short English text of the error, for one line that names the word.
std::string describe(const SearchPageError &error);

using SearchPageResult = Result<SearchPage, SearchPageError>;

inline constexpr std::size_t kMaxSearchPageBytes = 8u * 1024 * 1024;

// Reads a results page (UTF-8 HTML).
SearchPageResult readSearchPage(std::string_view html);

// The text of the `g_page_config` object: from its `{` to the matching `}`, braces inside
// strings and escaped quotes not counted. Empty when there is no such assignment; the
// object's start with no matching end gives the rest of the page and `closed` false.
struct PageConfigText {
    std::string_view json;
    bool found = false;
    bool closed = false;
};
PageConfigText findPageConfig(std::string_view html);

// The count in a view_sales text: its first number, 万 multiplying by 10,000 and 千 by
// 1,000 ("1.2万+人付款" is 12000, "月销 500" is 500, "已售 2000+" is 2000); "+" marks a
// lower bound and is ignored. Nothing when the text holds no number.
std::optional<long long> salesInText(std::string_view text);

// A price text's first decimal number in cents ("39.90" is 3990, "200-600" is 20000),
// rounded half up at the third decimal.
std::optional<long long> priceCentsInText(std::string_view text);

} // namespace orbisel::core
