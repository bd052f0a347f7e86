// Reading a word's first results page: a 200 KB page (44 items with long titles and URLs,
// navigation groups, trace data) is to be read in under 5 ms; the word's figures and
// listings, and brand lookups of a table's words, follow.
#include "core/competition/BrandList.h"
#include "core/competition/PageFigures.h"
#include "core/competition/SearchPage.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using namespace orbisel::core;

constexpr int kItems = 44;

std::string quoted(const std::string &text) {
    return "\"" + text + "\"";
}

std::string brandEntry(int i) {
    static const char *const names[] = {"南方黑芝麻", "智力", "五谷磨房", "老金磨方", "燕之坊", "方家铺子"};
    std::string entry = names[i % 6] + std::to_string(i);
    return i % 3 == 0 ? "BRAND" + std::to_string(i) + " FOODS/" + entry : entry;
}

std::string item(int i) {
    const std::string nid = std::to_string(640000000000LL + i * 7919);
    const std::string title = "南方黑芝麻糊无糖精早餐冲饮即食学生营养代餐粉中老年人高钙芝麻粉 " + std::to_string(i) +
                              " 号 买2送1 礼盒装 600g 罐装 官方旗舰店正品 新品上市 黑芝麻核桃粉";
    const std::string query = "?id=" + nid + "&ns=1&abbucket=7&spm=a230r.1.14.1." + std::to_string(i) +
                              "&utparam=%7B%22x_hestia_source%22%3A%228%22%2C%22x_mt%22%3A0%2C%22x_object_id%22%3A" +
                              nid + "%2C%22x_pos%22%3A" + std::to_string(i) + "%2C%22x_pvid%22%3A%228f2c%22%7D";
    const bool ad = i % 11 == 3;
    const std::string url = ad ? "//click.simba.taobao.com/cc_im?p=%BA%DA%D6%A5%C2%E9%BA%FD&s=1902312021&k=" +
                                     std::to_string(i) + "&e=" + std::string(180, 'Q')
                               : "//detail.tmall.com/item.htm" + query;
    std::string o = "{";
    if (ad)
        o += "\"p4p\":1,\"p4pSameHeight\":true,";
    o += "\"i2iTags\":{\"samestyle\":{\"url\":\"\"},\"similar\":{\"url\":\"/search?type=similar&app=i2i&rec_type=1&uniqpid=-" +
         nid + "&nid=" + nid + "\"}},";
    o += "\"nid\":" + quoted(nid) + ",\"category\":\"50050372\",\"pid\":\"-" + nid + "\",";
    o += "\"title\":" + quoted("<span class=H>黑芝麻糊</span>" + title) + ",\"raw_title\":" + quoted(title) + ",";
    o += "\"pic_url\":\"//g-search1.alicdn.com/img/bao/uploaded/i4/i2/2200" + nid +
         "/O1CN01abcdefghij_!!0-item_pic.jpg\",";
    o += "\"detail_url\":" + quoted(url) + ",";
    o += "\"view_price\":" + quoted(std::to_string(19 + i % 40) + "." + std::to_string(10 + i % 90)) + ",";
    o += "\"view_fee\":\"0.00\",\"item_loc\":\"广西 南宁\",";
    o += "\"view_sales\":" + quoted(i % 4 == 0 ? std::to_string(i) + ".2万+人付款" : std::to_string(100 * i) + "+人付款") + ",";
    o += "\"comment_count\":" + quoted(std::to_string(1000 + i * 37)) + ",";
    o += "\"user_id\":" + quoted(std::to_string(2200000000LL + i % 17)) + ",\"nick\":" +
         quoted("南方黑芝麻官方旗舰店" + std::to_string(i % 17)) + ",";
    o += "\"shopcard\":{\"levelClasses\":[{\"levelClass\":\"icon-supple-level-jinguan\"}],\"isTmall\":" +
         std::string(i % 2 ? "true" : "false") +
         ",\"delivery\":[481,1,2418],\"description\":[483,1,2529],\"service\":[482,1,2456],\"encryptedUserId\":\"UvGxbMG\"},";
    o += "\"icon\":[";
    for (const char *icon : {"tianmao", "baoyou", "jinpai", "xinpin"})
        o += std::string(icon[0] == 't' ? "" : ",") + "{\"title\":\"尚天猫，就购了 " + icon +
             "\",\"dom_class\":\"icon-service-" + icon +
             "\",\"position\":\"1\",\"show_type\":\"0\",\"icon_category\":\"baobei\",\"outer_text\":\"0\","
             "\"html\":\"\",\"icon_key\":\"icon-service-" + icon +
             "\",\"trace\":\"srpservice\",\"traceIdx\":0,\"innerText\":\"天猫宝贝\",\"url\":\"//www.tmall.com/\"}";
    o += "],";
    o += "\"comment_url\":" + quoted("//detail.tmall.com/item.htm" + query + "&on_comment=1") + ",";
    o += "\"shopLink\":\"//store.taobao.com/shop/view_shop.htm?user_number_id=2200000000\",\"risk\":\"\"}";
    return o;
}

std::string realisticPage() {
    std::string auctions;
    std::string nids;
    std::string sales;
    for (int i = 0; i < kItems; ++i) {
        auctions += (i ? "," : "") + item(i);
        if (i % 11 != 3) {
            nids += std::string(nids.empty() ? "" : ",") + quoted(std::to_string(640000000000LL + i * 7919));
            sales += std::string(sales.empty() ? "" : ",") + quoted(std::to_string(500 + i * 13));
        }
    }
    std::string brands;
    for (int i = 0; i < 36; ++i)
        brands += std::string(i ? "," : "") + "{\"text\":" + quoted(brandEntry(i)) + ",\"value\":\"20000:" +
                  std::to_string(3000 + i) + "\",\"trace\":\"navBrand\",\"isChecked\":false}";
    std::string groups;
    for (const char *group : {"分类", "口味", "包装", "净含量", "产地", "适用人群", "保质期", "包装种类"}) {
        groups += ",{\"type\":\"prop\",\"text\":" + quoted(group) + ",\"forceShowMore\":false,\"sub\":[";
        for (int i = 0; i < 20; ++i)
            groups += std::string(i ? "," : "") + "{\"text\":" + quoted(std::string(group) + "选项" + std::to_string(i)) +
                      ",\"value\":\"122216431:" + std::to_string(i) + "\",\"key\":\"ppath\",\"trace\":\"navProp\"}";
        groups += "]}";
    }
    std::string page = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>黑芝麻糊_淘宝搜索</title>"
                       "<link rel=\"stylesheet\" href=\"//g.alicdn.com/tb/mtb/1.0.0/search.css\"></head><body>"
                       "<div id=\"J_SiteNav\"></div><script>\n    g_page_config = {\"pageName\":\"mainsrp\",\"mods\":{"
                       "\"itemlist\":{\"status\":\"show\",\"data\":{\"postFeeText\":\"运费\",\"trace\":\"msrp_auction\","
                       "\"auctions\":[" +
                       auctions +
                       "],\"recommendAuctions\":[],\"isSameStyleView\":false,\"sellers\":[],\"query\":\"黑芝麻糊\"}},"
                       "\"pager\":{\"status\":\"show\",\"data\":{\"pageSize\":44,\"totalPage\":100,\"currentPage\":1,"
                       "\"totalCount\":1523000}},"
                       "\"nav\":{\"status\":\"show\",\"data\":{\"breadcrumbs\":{\"baobei\":{\"text\":\"宝贝\"}},\"common\":["
                       "{\"type\":\"brand\",\"text\":\"品牌\",\"forceShowMore\":false,\"sub\":[" +
                       brands + "]}" + groups +
                       "],\"adv\":[{\"type\":\"prop\",\"text\":\"是否含糖\",\"sub\":[{\"text\":\"无糖\",\"value\":\"1\"}]}]}},"
                       "\"related\":{\"status\":\"show\",\"data\":{\"words\":[{\"text\":\"黑芝麻糊无糖\",\"isHighlight\":false,"
                       "\"href\":\"/search?q=黑芝麻糊无糖\"}]}},\"tab\":{\"status\":\"show\",\"data\":{\"tabs\":[]}}},"
                       "\"mainInfo\":{\"currentUrl\":\"https://s.taobao.com/search?q=黑芝麻糊\",\"traceInfo\":{\"pvStat\":\"\","
                       "\"traceData\":{\"allNids\":[" +
                       nids + "],\"allOldBiz30Day\":[" + sales + "],\"totalHits\":\"1523000\",\"query\":\"黑芝麻糊\"}}}};\n"
                       "    g_srp_loadCss();\n    g_srp_init();\n</script>";
    // The page's remaining markup and scripts, up to about 200 KB.
    while (page.size() < 200 * 1024)
        page += "<script src=\"//g.alicdn.com/tb/tsrp/1.73.12/p/search/index.js?v=" + std::to_string(page.size()) +
                "\"></script><div class=\"m-footer\"><a href=\"//www.taobao.com/about/\">关于淘宝</a></div>\n";
    return page + "</body></html>";
}

const std::string &page() {
    static const std::string text = realisticPage();
    return text;
}

void BM_ReadTwoHundredKilobytePage(benchmark::State &state) {
    std::size_t items = 0;
    for (auto _ : state) {
        const SearchPageResult read = readSearchPage(page());
        if (!read.ok()) {
            state.SkipWithError(describe(read.error()).c_str());
            return;
        }
        items = read->items.size();
        benchmark::DoNotOptimize(items);
    }
    if (items != kItems)
        state.SkipWithError("not every item was read");
    state.counters["page_kb"] = static_cast<double>(page().size()) / 1024.0;
    state.counters["config_kb"] = static_cast<double>(findPageConfig(page()).json.size()) / 1024.0;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page().size()));
}
BENCHMARK(BM_ReadTwoHundredKilobytePage)->Unit(benchmark::kMillisecond);

void BM_FiguresAndListingsOfAPage(benchmark::State &state) {
    const SearchPageResult read = readSearchPage(page());
    if (!read.ok()) {
        state.SkipWithError(describe(read.error()).c_str());
        return;
    }
    for (auto _ : state) {
        WordFigures figures = wordFigures("黑芝麻糊", read.value());
        const std::vector<ListingRow> rows = listingRows("黑芝麻糊", read.value());
        benchmark::DoNotOptimize(figures.monthlySales);
        benchmark::DoNotOptimize(rows.data());
    }
}
BENCHMARK(BM_FiguresAndListingsOfAPage)->Unit(benchmark::kMicrosecond);

// The brands of 100 words' pages (3,600 entries), looked up in 1,000 words.
void BM_BrandInThousandWords(benchmark::State &state) {
    std::vector<std::string> entries;
    for (int i = 0; i < 3600; ++i)
        entries.push_back(brandEntry(i));
    const BrandList brands(entries);
    std::vector<std::string> words;
    for (int i = 0; i < 1000; ++i)
        words.push_back(i % 5 == 0 ? "brand" + std::to_string(i * 3) + " foods 黑芝麻糊" : "黑芝麻糊无糖早餐" + std::to_string(i));
    for (auto _ : state) {
        int flagged = 0;
        for (const std::string &word : words)
            flagged += brands.brandIn(word).has_value();
        benchmark::DoNotOptimize(flagged);
    }
    state.counters["brands"] = static_cast<double>(brands.size());
}
BENCHMARK(BM_BrandInThousandWords)->Unit(benchmark::kMillisecond);

} // namespace
