// parse followed by ten getText calls, on the two kinds of marketplace answers the mining run reads.
#include "web/Encoding.h"

#include "json/JsonDocument.h"
#include <benchmark/benchmark.h>
#include <string>
#include <vector>

namespace {

using orbisel::JsonDocument;
using orbisel::Text;

const char *const kWords[] = {"连衣裙", "女夏", "雪纺", "长款",   "碎花", "显瘦",   "气质",
                              "法式",   "复古", "新款", "小个子", "收腰", "中长款", "度假",
                              "仙女",   "宽松", "高腰", "V领",    "方领", "泡泡袖"};

std::string word(int i) {
    return std::string(kWords[i % 20]) + kWords[(i * 7 + 3) % 20];
}

// A PC suggestion answer of about 3 KB: ten suggestions and arrow groups for some of them.
Text suggestionAnswer() {
    std::string json = "{\"result\":[";
    for (int i = 0; i < 10; ++i)
        json += (i ? "," : "") + std::string("[\"连衣裙<b>") + word(i) + "</b>\",\"" +
                std::to_string(912345 - i * 40321) + "\"]";
    json += "],\"magic\":[";
    int group = 0;
    for (int index : {1, 2, 3, 4, 5, 7, 8, 10}) {
        json += (group++ ? "," : "") + std::string("{\"index\":\"") + std::to_string(index) +
                "\",\"type\":\"tag_group\",\"data\":[";
        for (int row = 0; row < 3; ++row) {
            json += row ? ",[" : "[";
            for (int q = 0; q < 4; ++q)
                json += (q ? "," : "") + std::string("{\"title\":\"") + word(index * 9 + row * 3 + q) + "\"" +
                        (q == 1 ? ",\"type\":\"hot\"" : "") + "}";
            json += "]";
        }
        json += "]}";
    }
    json += "]}";
    return orbisel::utf8ToGbk(json);
}

// A search-page configuration block of about 60 KB: an item list and the related words module.
Text searchPageBlock() {
    std::string json =
        "{\"pageName\":\"mainsrp\",\"mods\":{\"itemlist\":{\"status\":\"show\",\"data\":{\"auctions\":[";
    for (int i = 0; i < 53; ++i) {
        const std::string n = std::to_string(600000000000 + i * 7919);
        json += (i ? "," : "") + std::string("{\"p4p\":false,\"nid\":\"") + n +
                "\",\"category\":\"50010850\"," + "\"pid\":\"\",\"title\":\"<span class=H>连衣裙</span>" +
                word(i) + word(i + 5) + "2024夏季新款\"," + "\"raw_title\":\"连衣裙" + word(i) + word(i + 5) +
                "\"," + "\"pic_url\":\"//g-search1.alicdn.com/img/bao/uploaded/i4/i1/" + n +
                "/O1CN01abcdefgh_!!0-item_pic.jpg\"," +
                "\"detail_url\":\"//detail.tmall.com/item.htm?id=" + n + "&ns=1&abbucket=11\"," +
                "\"view_price\":\"" + std::to_string(59 + i * 3) + ".00\",\"view_fee\":\"0.00\"," +
                "\"item_loc\":\"浙江 杭州\",\"view_sales\":\"" + std::to_string(1000 + i * 37) + "人付款\"," +
                "\"comment_count\":\"" + std::to_string(300 + i * 11) + "\",\"user_id\":\"" +
                std::to_string(2200000 + i) + "\",\"nick\":\"" + word(i * 3) +
                "旗舰店\",\"shopcard\":{\"levelClasses\":[{\"levelClass\":\"icon-supple-level-jinguan\"}]," +
                "\"isTmall\":true,\"delivery\":[480,1,1421],\"description\":[482,1,1813],\"service\":[481,1,"
                "1592]}," +
                "\"icon\":[{\"title\":\"尚天猫，就购了\",\"dom_class\":\"icon-service-tianmao\",\"position\":"
                "\"1\"," +
                "\"show_type\":\"0\",\"icon_category\":\"baobei\",\"outer_text\":\"0\",\"html\":\"\",\"icon_"
                "key\":\"icon-service-tianmao\"," +
                "\"trace\":\"srpservice\",\"traceIdx\":0,\"innerText\":\"天猫宝贝\",\"url\":\"//"
                "www.tmall.com/\"}]," +
                "\"comment_url\":\"//detail.tmall.com/item.htm?id=" + n +
                "&on_comment=1\",\"shopLink\":\"//store.taobao.com/shop/view_shop.htm?user_number_id=" +
                std::to_string(2200000 + i) + "\"}";
    }
    json += "]}},\"related\":{\"status\":\"show\",\"data\":{\"words\":[";
    for (int i = 0; i < 20; ++i)
        json += (i ? "," : "") + std::string("{\"text\":\"连衣裙") + word(i + 11) +
                "\",\"isHighlight\":" + (i % 4 ? "false" : "true") +
                ",\"href\":\"/search?q=" + std::to_string(i) + "&suggest=related\"}";
    json += "]}},\"tab\":{\"status\":\"show\",\"data\":{\"tabs\":[{\"text\":\"全部\",\"isActive\":true}]}}}}";
    return orbisel::utf8ToGbk(json);
}

void parseAndRead(benchmark::State &state, const Text &json, const std::vector<std::string> &paths) {
    for (auto _ : state) {
        JsonDocument document;
        benchmark::DoNotOptimize(document.parse(json));
        for (const std::string &path : paths)
            benchmark::DoNotOptimize(document.getText(path));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * json.size()));
    state.counters["json_bytes"] = static_cast<double>(json.size());
}

void BM_SuggestionAnswer(benchmark::State &state) {
    static const Text json = suggestionAnswer();
    std::vector<std::string> paths;
    for (int i = 0; i < 7; ++i)
        paths.push_back("result[" + std::to_string(i) + "][0]");
    paths.push_back("magic[0].index");
    paths.push_back("magic[0].data[1][2].title");
    paths.push_back("magic[3].data[0][0].title");
    parseAndRead(state, json, paths);
}
BENCHMARK(BM_SuggestionAnswer)->Unit(benchmark::kMicrosecond);

void BM_SearchPageBlock(benchmark::State &state) {
    static const Text json = searchPageBlock();
    std::vector<std::string> paths;
    for (int i = 0; i < 8; ++i)
        paths.push_back("mods.related.data.words[" + std::to_string(i) + "].text");
    paths.push_back("mods.itemlist.data.auctions[3].raw_title");
    paths.push_back("mods.itemlist.data.auctions[40].view_price");
    parseAndRead(state, json, paths);
}
BENCHMARK(BM_SearchPageBlock)->Unit(benchmark::kMicrosecond);

} // namespace

namespace {

// The fixed cost inside both figures above: one engine with its start script.
void BM_NewDocument(benchmark::State &state) {
    for (auto _ : state) {
        JsonDocument document;
        benchmark::DoNotOptimize(document);
    }
}
BENCHMARK(BM_NewDocument)->Unit(benchmark::kMicrosecond);

} // namespace
