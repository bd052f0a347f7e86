#include "json/JsonDocument.h"

#include "tests/support/FileContents.h"
#include "web/Encoding.h"

#include "json/ScriptEngine.h"
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>

namespace orbisel {
namespace {

Text gbk(std::string_view utf8) {
    return utf8ToGbk(utf8);
}

std::string joined(const TextArray &items) {
    std::string out;
    for (const Text &item : items)
        out += (out.empty() ? "" : "|") + item;
    return out;
}

constexpr std::string_view kSample = R"({"a":1,"b":["x","y"]})";

// Reads on one parsed document, each written as text so that one table holds them all.
struct ReadCase {
    const char *name;
    std::string_view json;
    std::function<std::string(const JsonDocument &)> read;
    std::string expected;
};

std::string str(int value) {
    return std::to_string(value);
}
std::string str(JsonKind kind) {
    return std::to_string(static_cast<int>(kind));
}

const ReadCase kReadCases[] = {
    {"countOfEmptyArray", "[]", [](const JsonDocument &d) { return str(d.count()); }, "0"},
    {"typeOfEmptyArray", "[]", [](const JsonDocument &d) { return str(d.typeOf()); }, "5"},
    {"memberNames", kSample,
     [](const JsonDocument &d) {
         TextArray names{"stale"};
         const int n = d.memberNames(names);
         return str(n) + ":" + joined(names);
     },
     "2:a|b"},
    {"countOfRoot", kSample, [](const JsonDocument &d) { return str(d.count()); }, "2"},
    {"countOfArrayMember", kSample, [](const JsonDocument &d) { return str(d.count("b")); }, "2"},
    {"numberAsText", kSample, [](const JsonDocument &d) { return d.getText("a"); }, "1"},
    {"elementAsText", kSample, [](const JsonDocument &d) { return d.getText("b[1]"); }, "y"},
    {"elementAsJson", kSample, [](const JsonDocument &d) { return d.getText("b[1]", true); }, "\"y\""},
    {"typeOfNumber", kSample, [](const JsonDocument &d) { return str(d.typeOf("a")); }, "2"},
    {"typeOfArray", kSample, [](const JsonDocument &d) { return str(d.typeOf("b")); }, "5"},
    {"typeOfRootObject", kSample, [](const JsonDocument &d) { return str(d.typeOf()); }, "4"},
    {"absentMemberText", kSample, [](const JsonDocument &d) { return d.getText("x"); }, ""},
    {"absentMemberHas", kSample, [](const JsonDocument &d) { return str(d.has("x")); }, "0"},
    {"absentMemberType", kSample, [](const JsonDocument &d) { return str(d.typeOf("x")); }, "0"},
    {"absentMemberCountsMinusTwo", kSample, [](const JsonDocument &d) { return str(d.count("x")); }, "-2"},
    {"throughAbsentMemberText", kSample, [](const JsonDocument &d) { return d.getText("x.y"); }, ""},
    {"throughAbsentMemberType", kSample, [](const JsonDocument &d) { return str(d.typeOf("x.y")); }, "-1"},
    {"throughAbsentMemberCount", kSample, [](const JsonDocument &d) { return str(d.count("x.y")); }, "0"},
    {"emptyPathTextFails", kSample, [](const JsonDocument &d) { return d.getText(""); }, ""},
    {"emptyPathObjectHoldsNothing", kSample, [](const JsonDocument &d) { return d.getObject("").toText(); },
     ""},
    {"bracketPathTextUsesNoJoiner", R"(["p","q"])", [](const JsonDocument &d) { return d.getText("[0]"); },
     "p"},
    {"bracketPathTypeFails", R"(["p","q"])", [](const JsonDocument &d) { return str(d.typeOf("[0]")); },
     "-1"},
    {"bracketPathCount", R"([["p","q","r"]])", [](const JsonDocument &d) { return str(d.count("[0]")); },
     "3"},
    {"nullMemberAsJson", R"({"n":null})", [](const JsonDocument &d) { return d.getText("n", true); }, "null"},
    {"nullMemberAsText", R"({"n":null})", [](const JsonDocument &d) { return d.getText("n"); }, ""},
    {"fractionKeepsDigits", R"({"n":0.1})", [](const JsonDocument &d) { return d.getText("n"); }, "0.1"},
    {"wholeDoubleWithoutPoint", R"({"n":3.0})", [](const JsonDocument &d) { return d.getText("n"); }, "3"},
    {"longNumberInExponentForm", R"({"n":12345678901234567})",
     [](const JsonDocument &d) { return d.getText("n"); }, "1.234567890123e+16"},
    {"numericStringStaysText", R"({"n":"007"})", [](const JsonDocument &d) { return d.getText("n"); }, "007"},
    {"getNumberOfNumericString", R"({"n":"12.5"})",
     [](const JsonDocument &d) { return std::to_string(d.getNumber("n")); }, "12.500000"},
    {"getJsonOfObject", R"({"o":{"k":[1,"2"]}})", [](const JsonDocument &d) { return d.getJson("o"); },
     R"({"k":[1,"2"]})"},
    {"elementTextWithPath", kSample, [](const JsonDocument &d) { return d.getElementText(0, "b"); }, "x"},
    {"elementJsonOfRootArray", R"([{"k":1}])",
     [](const JsonDocument &d) { return d.getElementText(0, "", true); }, R"({"k":1})"},
    {"elementObject", kSample, [](const JsonDocument &d) { return d.getElementObject(1, "b").toText(); },
     "\"y\""},
    {"stringCountsItsCharacters", R"({"s":"abc"})", [](const JsonDocument &d) { return str(d.count("s")); },
     "3"},
};

class JsonReads : public testing::TestWithParam<ReadCase> {};

TEST_P(JsonReads, giveTheDocumentedResult) {
    JsonDocument document;
    ASSERT_TRUE(document.parse(GetParam().json));
    EXPECT_EQ(GetParam().read(document), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(EdgeCases, JsonReads, testing::ValuesIn(kReadCases),
                         [](const testing::TestParamInfo<ReadCase> &info) {
                             return std::string(info.param.name);
                         });

TEST(JsonDocument, newDocument_holdsEmptyObject) {
    JsonDocument document;
    EXPECT_EQ(document.toText(), "{}");
    EXPECT_EQ(document.typeOf(), JsonKind::Object);
}

TEST(JsonDocument, parseResult_followsTheValue) {
    JsonDocument document;
    EXPECT_FALSE(document.parse(""));
    EXPECT_EQ(document.toText(), ""); // undefined
    EXPECT_FALSE(document.parse("null"));
    EXPECT_EQ(document.toText(), "null");
    EXPECT_TRUE(document.parse("[]"));
    EXPECT_TRUE(document.parse(" 0 "));
    EXPECT_TRUE(document.parse("false"));
}

TEST(JsonDocument, parse_startsFromScratch) {
    JsonDocument document;
    document.setText("old", "1");
    ASSERT_EQ(document.getText("old"), "1");
    ASSERT_TRUE(document.parse(R"({"new":2})"));
    EXPECT_EQ(document.getText("old"), "");
    EXPECT_FALSE(document.has("old"));
    EXPECT_EQ(document.toText(), R"({"new":2})");
}

TEST(JsonDocument, invalidJson_failsAndLeavesNull) {
    JsonDocument document;
    ASSERT_TRUE(document.parse(R"({"a":1})"));
    EXPECT_FALSE(document.parse(R"({"a":1)"));
    EXPECT_EQ(document.toText(), "null");
    EXPECT_EQ(document.getText("a"), "");
    EXPECT_EQ(document.getNumber("a"), 0);
    EXPECT_EQ(document.count("a"), 0);
    EXPECT_FALSE(document.has("a"));
}

TEST(JsonDocument, push_createsArrayThenAppends) {
    JsonDocument document;
    document.push("a", "list");
    EXPECT_EQ(document.toText(), R"({"list":["a"]})");
    document.push("1", "list", true);
    EXPECT_EQ(document.toText(), R"({"list":["a",1]})");
    document.setText("s", "text");
    document.push("b", "s"); // a non-array member is replaced by a new array
    EXPECT_EQ(document.getText("s", true), R"(["b"])");
}

TEST(JsonDocument, textValuesThatWouldBreakTheirQuotes_writeNothing) {
    JsonDocument document;
    document.setText("a", "x");
    for (std::string_view value : {"it's", "back\\slash", "two\nlines"}) {
        document.setText("a", value);
        document.push(value, "list");
        document.setElement(0, value);
        EXPECT_EQ(document.toText(), R"({"a":"x"})") << value;
    }
    document.setRoot("it's");
    EXPECT_EQ(document.toText(), R"({"a":"x"})");
}

TEST(JsonDocument, writes_changeTheValue) {
    JsonDocument document;
    document.setText("t", gbk("长款"));
    document.setNumber("n", 0.1);
    document.setJson("o", R"({"k":[1,2]})");
    document.setText("e", "", true);
    document.setText("j", "[true]", true);
    EXPECT_EQ(document.getText("t"), gbk("长款"));
    EXPECT_EQ(document.toText(), gbk(R"({"t":"长款","n":0.1,"o":{"k":[1,2]},"e":{},"j":[true]})"));

    document.reset(JsonKind::Array);
    EXPECT_EQ(document.toText(), "[]");
    document.setElement(1, "v");
    document.setElement(0, "{\"k\":2}", true);
    EXPECT_EQ(document.toText(), R"([{"k":2},"v"])");
    document.removeElement(0);
    EXPECT_EQ(document.toText(), R"(["v"])");
    document.reset(static_cast<JsonKind>(3));
    EXPECT_EQ(document.toText(), R"(["v"])");
    document.setRoot("7", true);
    EXPECT_EQ(document.typeOf(), JsonKind::Number);
    document.setRoot("s");
    EXPECT_EQ(document.toText(), "\"s\"");
    document.clear();
    EXPECT_EQ(document.toText(), "{}");
    document.reset(JsonKind::Missing);
    EXPECT_EQ(document.toText(), "{}");
}

TEST(JsonDocument, removeAt_usesOnlyTheFirstBracketPair) {
    JsonDocument document;
    ASSERT_TRUE(document.parse(R"({"list":[1,2,3],"a":[{"b":[7,8,9]},{"b":[]}]})"));
    document.removeAt("list[1]");
    EXPECT_EQ(document.toText(), R"({"list":[1,3],"a":[{"b":[7,8,9]},{"b":[]}]})");
    document.removeAt("a[1].b[2]");
    EXPECT_EQ(document.toText(), R"({"list":[1,3],"a":[{"b":[7,8,9]}]})");
    document.removeAt("list"); // no bracket: nothing
    EXPECT_EQ(document.count("list"), 2);
}

TEST(JsonDocument, copy_sharesTheValueUntilItsOwnerParses) {
    JsonDocument source;
    ASSERT_TRUE(source.parse(R"({"a":{"k":1}})"));
    JsonDocument copy = source;
    JsonDocument assigned;
    assigned = source;
    const JsonDocument independent = source.getObject("a");

    source.setNumber("a.k", 2);
    EXPECT_EQ(copy.getText("a.k"), "2");
    EXPECT_EQ(assigned.getText("a.k"), "2");
    EXPECT_EQ(independent.toText(), R"({"k":1})");

    JsonDocument element = source.getElementObject(0, "list");
    element.setText("z", "1");
    EXPECT_FALSE(source.has("z"));

    ASSERT_TRUE(source.parse("[5]"));
    EXPECT_EQ(copy.toText(), R"({"a":{"k":2}})") << "a copy keeps the engine it shared";
    EXPECT_EQ(source.toText(), "[5]");
}

TEST(JsonDocument, memberNames_listsOwnMembersInOrder) {
    JsonDocument document;
    ASSERT_TRUE(document.parse(gbk(R"({"a,b":1,"c":2,"颜色":3,"xtoJSONString":4})")));
    TextArray names;
    // Names are joined with commas inside the engine: a comma splits a name in two, a name ending
    // in an inherited method's name loses that ending.
    EXPECT_EQ(document.memberNames(names), 5);
    EXPECT_EQ(joined(names), gbk("a|b|c|颜色|x"));

    ASSERT_TRUE(document.parse(R"({"o":{"k":1},"arr":[4,5,6]})"));
    EXPECT_EQ(document.memberNames(names, "arr"), 3);
    EXPECT_EQ(joined(names), "0|1|2");
    EXPECT_EQ(document.memberNames(names, "missing"), 0);
    EXPECT_TRUE(names.empty());
}

TEST(JsonDocument, parse_neverRunsTheText) {
    JsonDocument document;
    const char *scripts[] = {
        "(function(){for(;;);})()",
        R"({"a":1}, get__count = function(){ return 99 })",
        R"(JSON.stringify = function(){ return "x" })",
        R"({"a":1})); for(;;); ((1)",
        R"({a:1})", // a script literal, not JSON
    };
    for (const char *script : scripts) {
        EXPECT_FALSE(document.parse(script)) << script;
        EXPECT_EQ(document.toText(), "null") << script;
    }
    ASSERT_TRUE(document.parse(R"({"a":[1,2,3]})"));
    EXPECT_EQ(document.count("a"), 3);

    // A JSON string is data, not a script to evaluate again.
    ASSERT_TRUE(document.parse(R"("for(;;);")"));
    EXPECT_EQ(document.typeOf(), JsonKind::String);
    // Line separators are valid inside JSON strings.
    ASSERT_TRUE(document.parse("{\"s\":\"a\xE2\x80\xA8z\"}"));
    EXPECT_EQ(document.count("s"), 3);
}

TEST(JsonDocument, pathsAndJsonValues_cannotInjectScript) {
    JsonDocument document;
    ASSERT_TRUE(document.parse(R"({"a":[1,2]})"));
    EXPECT_EQ(document.count("a;for(;;);a"), 0);
    EXPECT_EQ(document.typeOf("a){for(;;);}if(a"), JsonKind::Other);
    EXPECT_EQ(document.getText("a=5"), "");
    EXPECT_FALSE(document.has("a/*"));
    document.push("*/;for(;;);//", "a/*"); // a comment in the path would uncover the value
    document.setText("a['", "x");          // an open quote would pair with the script's quotes
    document.setJson("b", "(function(){for(;;);})()");
    document.setText("c", "(function(){for(;;);})()", true);
    document.push("(function(){for(;;);})()", "a", true);
    document.setRoot("(function(){for(;;);})()", true);
    document.setElement(0, "(function(){for(;;);})()", true);
    EXPECT_EQ(document.toText(), R"({"a":[1,2]})");

    // Quoted member names stay usable.
    ASSERT_TRUE(document.parse(R"({"a b":{"c;d":"v"}})"));
    EXPECT_EQ(document.getText("['a b']['c;d']"), "v");
    EXPECT_EQ(document.getText(R"(["a b"]["c;d"])"), "v");
}

TEST(JsonDocument, deepOrHugeInput_failsCleanly) {
    JsonDocument document;
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    EXPECT_FALSE(document.parse(deep));
    EXPECT_EQ(document.count(), -2); // the value is null

    const std::string nested = std::string(900, '[') + std::string(900, ']');
    ASSERT_TRUE(document.parse(nested));
    EXPECT_EQ(document.typeOf(), JsonKind::Array);
    EXPECT_EQ(document.getObject("[0]").count(), 1);

    const std::string path = std::string(100000, '[') + "0" + std::string(100000, ']');
    EXPECT_EQ(document.getText(path), "");

    std::string wide = "[";
    for (int i = 0; i < 200000; ++i)
        wide += "1,";
    wide += "1]";
    ASSERT_TRUE(document.parse(wide));
    EXPECT_EQ(document.count(), 200001);
}

TEST(ScriptEngine, memoryCap_failsTheCallAndKeepsTheEngineUsable) {
    // Each empty array costs the engine far more than its three bytes of text.
    std::string wide = "[";
    while (wide.size() < (1u << 20))
        wide += "[],";
    wide += "[]]";
    const auto engine = detail::ScriptEngine::create("var n=0", 4u << 20);
    ASSERT_TRUE(engine);
    const auto parsed =
        engine->call("(function(s){return JSON.parse(s).length})", wide, detail::ScriptEngine::As::Number);
    EXPECT_FALSE(parsed.ok);
    const auto after = engine->eval("n+1", detail::ScriptEngine::As::Number);
    EXPECT_TRUE(after.ok);
    EXPECT_EQ(after.number, 1);

    EXPECT_FALSE(detail::ScriptEngine::create("var n=0", 1024)) << "a heap that cannot start";
    EXPECT_FALSE(detail::ScriptEngine::create("syntax error here", 4u << 20));
}

using test::readFile;

TEST(JsonDocument, suggestionAnswer_readsLikeTheMiningRun) {
    const std::string body = readFile(ORBISEL_JSON_TEST_DATA "/pc_suggest.json");
    ASSERT_FALSE(body.empty());
    JsonDocument document;
    ASSERT_TRUE(document.parse(utf8ToGbk(body)));

    const int n = document.count("result");
    ASSERT_EQ(n, 5);
    TextArray words;
    for (int i = 0; i < n; ++i)
        words.push_back(document.getText("result[" + std::to_string(i) + "][0]"));
    EXPECT_EQ(joined(words), gbk("连衣裙<b>女</b>|连衣裙夏|连衣裙 长款|连衣裙2024新款爆款|连衣裙, 碎花"));

    // Arrow titles of suggestion 1 (index "1"), as the run collects them group by group.
    TextArray titles;
    const int groups = document.count("magic");
    ASSERT_EQ(groups, 3);
    for (int k = 0; k < groups; ++k) {
        const std::string group = "magic[" + std::to_string(k) + "]";
        if (document.getText(group + ".index") != "1")
            continue;
        const int rows = document.count(group + ".data");
        for (int l = 0; l < rows; ++l) {
            const std::string row = group + ".data[" + std::to_string(l) + "]";
            const int entries = document.count(row);
            for (int q = 0; q < entries; ++q)
                titles.push_back(document.getText(row + "[" + std::to_string(q) + "].title"));
        }
    }
    EXPECT_EQ(joined(titles), gbk("长款|短款|雪纺|真丝|蕾丝|显瘦"));
    EXPECT_EQ(document.typeOf("magic[0].index"), JsonKind::String);
    EXPECT_EQ(document.count("magic[5].data"), 0); // past the last group
    EXPECT_EQ(document.count("magic[1].data[0]"), 1);

    // An answer without magic: no arrow groups.
    ASSERT_TRUE(document.parse(R"({"result":[["a","1"]]})"));
    EXPECT_LT(document.count("magic"), 1);
}

TEST(JsonDocument, relatedBlock_readsWords) {
    JsonDocument document;
    ASSERT_TRUE(document.parse(gbk(
        R"({"status":"show","data":{"words":[{"text":"连衣裙女夏","isHighlight":false,"href":"/search?q=a"},{"text":"碎花裙","isHighlight":true,"href":"/search?q=b"}]}})")));
    ASSERT_EQ(document.count("data.words"), 2);
    EXPECT_EQ(document.getText("data.words[1].text"), gbk("碎花裙"));
    EXPECT_EQ(document.getText("data.words[1].isHighlight"), "true");
}

} // namespace
} // namespace orbisel
