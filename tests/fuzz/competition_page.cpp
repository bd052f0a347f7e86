// libFuzzer target: a search results page through the page reader, the word's figures, its
// listings and the brand list. Aborts when a figure breaks its bounds: more organic items
// and advertisements than listed items, percentiles out of order, shares outside 0..100, a
// listing row per organic item, or a page brand that the list built from it does not find.
#include "core/competition/BrandList.h"
#include "core/competition/PageFigures.h"
#include "core/competition/SearchPage.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

using namespace orbisel::core;

void require(bool condition) {
    if (!condition)
        std::abort();
}

bool isShare(const std::optional<double> &share) {
    return !share || (*share >= 0 && *share <= 100);
}

void checkFigures(const SearchPage &page) {
    const WordFigures f = wordFigures("w", page);
    const auto items = static_cast<long long>(page.items.size());
    require(f.organicItems >= 0 && f.advertisedItems >= 0 && f.organicItems + f.advertisedItems <= items);
    require(f.shops <= f.organicItems);
    require(f.priceP25Cents.has_value() == f.priceMedianCents.has_value() &&
            f.priceMedianCents.has_value() == f.priceP75Cents.has_value());
    if (f.priceP25Cents)
        require(*f.priceP25Cents <= *f.priceMedianCents && *f.priceMedianCents <= *f.priceP75Cents);
    require(isShare(f.tmallShare) && isShare(f.topThreeShopShare));
    require(f.tmallShare.has_value() == (f.organicItems > 0));
    require(!f.monthlySales || *f.monthlySales >= 0);
    require(!f.salesAmount || *f.salesAmount >= 0);
    require(!f.blueOceanRaw || (std::isfinite(*f.blueOceanRaw) && *f.blueOceanRaw >= 0));
    for (const std::optional<double> &scaled : scaleBlueOcean({f.blueOceanRaw, 1.0}))
        require(isShare(scaled));
    require(wordFigureCells(f, std::nullopt).size() == wordFigureHeaders().size());

    const std::vector<ListingRow> rows = listingRows("w", page);
    require(static_cast<long long>(rows.size()) == f.organicItems);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        require(rows[i].rank == static_cast<long long>(i) + 1);
        require(!rows[i].monthlySales || *rows[i].monthlySales >= 0);
        require(listingCells(rows[i]).size() == listingHeaders().size());
    }
}

void checkBrands(const std::vector<std::string> &entries) {
    const BrandList brands(entries);
    require(brands.size() <= entries.size());
    for (const std::string &entry : entries) {
        for (const std::string &alias : brandAliases(entry)) {
            const std::optional<BrandMatch> match = brands.brandIn(alias);
            require(match && containsAlias(alias, match->alias));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string_view html(reinterpret_cast<const char *>(data), size);
    const std::optional<long long> sales = salesInText(html);
    const std::optional<long long> cents = priceCentsInText(html);
    require((!sales || *sales >= 0) && (!cents || *cents >= 0));

    const SearchPageResult read = readSearchPage(html);
    if (!read.ok()) {
        require(!describe(read.error()).empty());
        require((read.error().kind == SearchPageErrorKind::NoPageConfig) != findPageConfig(html).found);
        return 0;
    }
    checkFigures(read.value());
    if (read->brandEntries)
        checkBrands(*read->brandEntries);
    return 0;
}
