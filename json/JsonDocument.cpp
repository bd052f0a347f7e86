#include "json/JsonDocument.h"

#include "orbisel/config.h"
#include "web/Encoding.h"
#include "web/Numbers.h"

#include "json/ScriptEngine.h"
#include <climits>
#include <cmath>

namespace orbisel {
namespace {

using detail::ScriptEngine;

// Loaded into every engine: the member counter (it starts at -2 for the two enumerable methods
// added to Object.prototype below), the toJSON additions for engines whose Date lacks toJSON, a
// JSON object where the engine has none, and the toJSONString/parseJSON methods.
constexpr std::string_view kEngineScript =
    "function get__count(c){var i=-2;for(v in c)i++;return i}"
    "var JSON;if(!JSON){JSON={}}"
    "(function(){'use strict';"
    "function f(n){return n<10?'0'+n:n}"
    "if(typeof Date.prototype.toJSON!=='function'){"
    "Date.prototype.toJSON=function(){return isFinite(this.valueOf())?this.getUTCFullYear()+'-'+"
    "f(this.getUTCMonth()+1)+'-'+f(this.getUTCDate())+'T'+f(this.getUTCHours())+':'+"
    "f(this.getUTCMinutes())+':'+f(this.getUTCSeconds())+'Z':null};"
    "String.prototype.toJSON=Number.prototype.toJSON=Boolean.prototype.toJSON="
    "function(){return this.valueOf()}}"
    "if(typeof Object.prototype.toJSONString!=='function'){"
    "Object.prototype.toJSONString=function(filter){return JSON.stringify(this,filter)};"
    "Object.prototype.parseJSON=function(filter){return JSON.parse(this,filter)}}"
    "}());";

bool isAscii(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// ASCII reads the same in GBK and UTF-8; only other texts go through the converter.
std::string toEngine(std::string_view gbk) {
    return isAscii(gbk) ? std::string(gbk) : gbkToUtf8(gbk);
}
Text fromEngine(std::string_view utf8) {
    return isAscii(utf8) ? Text(utf8) : utf8ToGbk(utf8);
}

bool isLineSeparator(std::string_view utf8, std::size_t i) {
    // U+2028 and U+2029 end a line in script source.
    return i + 2 < utf8.size() && static_cast<unsigned char>(utf8[i]) == 0xE2 &&
           static_cast<unsigned char>(utf8[i + 1]) == 0x80 &&
           (static_cast<unsigned char>(utf8[i + 2]) == 0xA8 ||
            static_cast<unsigned char>(utf8[i + 2]) == 0xA9);
}

// A path is pasted into script text, so it must stay a member expression: names, digits, dots,
// brackets and closed string literals. Anything that could end the expression, open a block,
// call, assign or comment out the rest of the script makes the operation fail, as a path that
// does not evaluate would.
bool isMemberPath(std::string_view utf8) {
    char quote = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c == '\r' || c == '\n' || isLineSeparator(utf8, i))
            return false;
        if (quote) {
            if (c == '\\')
                ++i;
            else if (c == quote)
                quote = 0;
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = static_cast<char>(c);
            continue;
        }
        const bool allowed = c >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                             (c >= '0' && c <= '9') || c == '_' || c == '$' || c == '.' || c == '[' ||
                             c == ']' || c == ' ' || c == '-' || c == '+';
        if (!allowed)
            return false;
    }
    return quote == 0;
}

// A text value goes between single quotes unescaped; a value that would end or break the
// literal is not written.
bool fitsInQuotes(std::string_view utf8) {
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (c == '\'' || c == '\\' || c == '\r' || c == '\n' || isLineSeparator(utf8, i))
            return false;
    }
    return true;
}

bool isBlank(std::string_view text) {
    return text.find_first_not_of(" \t\r\n\v\f") == std::string_view::npos;
}

std::string joiner(std::string_view path) {
    return !path.empty() && path.front() == '[' ? "" : ".";
}

int truncateToInt(double value) {
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (value <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(value);
}

// Leading decimal number of a text (optional spaces and sign, then digits); 0 without digits.
int leadingInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX)
            value = INT_MAX;
    }
    return static_cast<int>(negative ? -value : value);
}

void eraseAll(std::string &text, std::string_view piece) {
    std::string out;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(piece, from)) != std::string::npos; from = at + piece.size())
        out.append(text, from, at - from);
    out.append(text, from);
    text = std::move(out);
}

} // namespace

JsonDocument::JsonDocument() : name_("da") {
    init();
}
JsonDocument::~JsonDocument() = default;
JsonDocument::JsonDocument(const JsonDocument &) = default;
JsonDocument &JsonDocument::operator=(const JsonDocument &) = default;

void JsonDocument::init() {
    engine_ = ScriptEngine::create(kEngineScript, static_cast<std::size_t>(config::kJsonHeapLimitBytes));
    if (engine_)
        run("var " + name_ + "={}");
}

std::string JsonDocument::evalUtf8(const std::string &script) const {
    if (!engine_)
        return {};
    return engine_->eval(script, ScriptEngine::As::Text).text;
}

Text JsonDocument::evalText(const std::string &script) const {
    return fromEngine(evalUtf8(script));
}

double JsonDocument::evalNumber(const std::string &script) const {
    return engine_ ? engine_->eval(script, ScriptEngine::As::Number).number : 0;
}

bool JsonDocument::evalBoolean(const std::string &script) const {
    return engine_ && engine_->eval(script, ScriptEngine::As::Boolean).boolean;
}

void JsonDocument::run(const std::string &script) const {
    if (engine_)
        engine_->eval(script, ScriptEngine::As::Nothing);
}

// Runs `statement` with the value of the JSON text in the local variable $json. The text is read
// by the engine's JSON.parse, never evaluated; a text that is not JSON changes nothing.
void JsonDocument::runWithJson(const std::string &statement, std::string_view jsonUtf8) const {
    if (engine_)
        engine_->call("(function($text){var $json=JSON.parse($text);" + statement + "})", jsonUtf8,
                      ScriptEngine::As::Nothing);
}

std::string JsonDocument::target(std::string_view pathUtf8) const {
    return pathUtf8.empty() ? name_ : name_ + "." + std::string(pathUtf8);
}

bool JsonDocument::parse(std::string_view json) {
    return parseUtf8(toEngine(json));
}

bool JsonDocument::parseUtf8(std::string_view json) {
    if (engine_) {
        engine_.reset();
        init();
    }
    if (!engine_)
        return false;
    run("var " + name_ + "=null");
    if (isBlank(json))
        run(name_ + "=void 0"); // like evaluating an empty argument list: undefined
    else
        runWithJson(name_ + "=$json", json);
    return evalBoolean("null !=" + name_);
}

Text JsonDocument::toText() const {
    return evalText("JSON.stringify(" + name_ + ")");
}

void JsonDocument::setText(std::string_view path, std::string_view value, bool asJson) {
    const std::string p = toEngine(path);
    if (!isMemberPath(p))
        return;
    if (asJson) {
        runWithJson(name_ + "." + p + "=$json", value.empty() ? std::string("{}") : toEngine(value));
        return;
    }
    const std::string v = toEngine(value);
    if (fitsInQuotes(v))
        run(name_ + "." + p + "='" + v + "'");
}

void JsonDocument::setJson(std::string_view path, std::string_view json) {
    const std::string p = toEngine(path);
    if (!isMemberPath(p))
        return;
    const std::string j = toEngine(json);
    if (isBlank(j))
        run(name_ + "." + p + "=void 0");
    else
        runWithJson(name_ + "." + p + "=$json", j);
}

void JsonDocument::setNumber(std::string_view path, double value) {
    const std::string p = toEngine(path);
    if (isMemberPath(p))
        run(name_ + "." + p + "=" + formatNumber(value));
}

double JsonDocument::getNumber(std::string_view path) const {
    const std::string p = toEngine(path);
    return isMemberPath(p) ? evalNumber(name_ + "." + p) : 0;
}

Text JsonDocument::getJson(std::string_view path) const {
    const std::string p = toEngine(path);
    return isMemberPath(p) ? evalText("JSON.stringify(" + name_ + "." + p + ")") : Text();
}

Text JsonDocument::getText(std::string_view path, bool asJson) const {
    const std::string p = toEngine(path);
    if (!engine_ || !isMemberPath(p))
        return {};
    if (asJson)
        return evalText("JSON.stringify(" + name_ + joiner(p) + p + ")");
    if (typeOf(path) == JsonKind::Number)
        return formatNumber(getNumber(path));
    return evalText(name_ + joiner(p) + p);
}

JsonDocument JsonDocument::getObject(std::string_view path) const {
    JsonDocument document;
    const std::string p = toEngine(path);
    document.parseUtf8(isMemberPath(p) ? evalUtf8("JSON.stringify(" + name_ + joiner(p) + p + ")") : "");
    return document;
}

int JsonDocument::count(std::string_view path) const {
    const std::string p = toEngine(path);
    if (!isMemberPath(p))
        return 0;
    const std::string counted = p.empty() ? name_ : name_ + joiner(p) + p;
    return truncateToInt(evalNumber("get__count(" + counted + ")"));
}

void JsonDocument::push(std::string_view value, std::string_view path, bool asJson) {
    const std::string p = toEngine(path);
    if (!isMemberPath(p))
        return;
    const std::string t = target(p);
    const std::string makeArray =
        "if (Object.prototype.toString.call(" + t + ") != '[object Array]') { " + t + "=new Array();} ";
    const std::string v = toEngine(value);
    if (!asJson) {
        if (fitsInQuotes(v))
            run(makeArray + t + ".push('" + v + "')");
    } else if (isBlank(v)) {
        run(makeArray + t + ".push()");
    } else {
        runWithJson(makeArray + t + ".push($json)", v);
    }
}

JsonDocument JsonDocument::getElementObject(int index, std::string_view path) const {
    JsonDocument document;
    const std::string p = toEngine(path);
    document.parseUtf8(
        isMemberPath(p) ? evalUtf8("JSON.stringify(" + target(p) + "[" + formatNumber(index) + "])") : "");
    return document;
}

Text JsonDocument::getElementText(int index, std::string_view path, bool asJson) const {
    const std::string p = toEngine(path);
    if (!isMemberPath(p))
        return {};
    const std::string element = target(p) + "[" + formatNumber(index) + "]";
    return evalText(asJson ? "JSON.stringify(" + element + ")" : element);
}

void JsonDocument::setElement(int index, std::string_view value, bool asJson) {
    const std::string v = toEngine(value);
    const std::string element = name_ + "[" + formatNumber(index) + "]=";
    if (!asJson) {
        if (fitsInQuotes(v))
            run(element + "'" + v + "'");
    } else if (!isBlank(v)) {
        runWithJson(element + "$json", v);
    }
}

void JsonDocument::removeElement(int index) {
    run(name_ + ".splice(" + formatNumber(index) + ",1)");
}

void JsonDocument::removeAt(std::string_view path) {
    const std::string p = toEngine(path);
    const std::size_t open = p.find('[');
    const std::string base = open == std::string::npos ? std::string() : p.substr(0, open);
    std::string indexText;
    if (open != std::string::npos) {
        const std::size_t close = p.find(']', open + 1);
        if (close != std::string::npos)
            indexText = p.substr(open + 1, close - open - 1);
    }
    const int index = leadingInteger(indexText);
    // An empty base gives the script "da." everywhere below, which never evaluates.
    if (base.empty() || !isMemberPath(base) || !engine_)
        return;

    JsonDocument temporary;
    temporary.parseUtf8(evalUtf8("JSON.stringify(" + name_ + joiner(base) + base + ")"));
    temporary.removeElement(index);
    const std::string json = temporary.evalUtf8("JSON.stringify(" + temporary.name_ + ")");
    if (isBlank(json))
        run(name_ + "." + base + "=void 0");
    else
        runWithJson(name_ + "." + base + "=$json", json);
}

void JsonDocument::reset(JsonKind kind) {
    switch (kind) {
    case JsonKind::Missing:
    case JsonKind::Object:
        run("var " + name_ + "={}");
        break;
    case JsonKind::Array:
        run("var " + name_ + "=new Array()");
        break;
    default:
        break;
    }
}

void JsonDocument::setRoot(std::string_view value, bool asJson) {
    const std::string v = toEngine(value);
    if (!asJson) {
        if (fitsInQuotes(v))
            run(name_ + "='" + v + "'");
    } else if (!isBlank(v)) {
        runWithJson(name_ + "=$json", v);
    }
}

bool JsonDocument::has(std::string_view path) const {
    const std::string p = toEngine(path);
    return isMemberPath(p) && evalBoolean(name_ + "." + p + " !=null");
}

int JsonDocument::memberNames(TextArray &names, std::string_view path) const {
    names.clear();
    const std::string p = toEngine(path);
    std::string list;
    if (isMemberPath(p)) {
        list = evalUtf8("var ary=''; for (var key in " + target(p) + ") {ary=ary+ key+','; }");
        if (engine_)
            engine_->eval("ary=null", ScriptEngine::As::Nothing);
    }
    eraseAll(list, "toJSONString,");
    eraseAll(list, "parseJSON,");
    std::size_t from = 0;
    while (from < list.size()) {
        const std::size_t comma = list.find(',', from);
        if (comma == std::string::npos) {
            names.push_back(fromEngine(std::string_view(list).substr(from)));
            break;
        }
        names.push_back(fromEngine(std::string_view(list).substr(from, comma - from)));
        from = comma + 1;
    }
    return static_cast<int>(names.size());
}

JsonKind JsonDocument::typeOf(std::string_view path) const {
    const std::string p = toEngine(path);
    if (!isMemberPath(p))
        return JsonKind::Other;
    const std::string t = target(p);
    if (evalBoolean(t + "==null"))
        return JsonKind::Missing;
    const std::string type = evalUtf8("typeof (" + t + ")");
    if (type == "string")
        return JsonKind::String;
    if (type == "object")
        return evalUtf8("JSON.stringify(" + t + ")").starts_with('[') ? JsonKind::Array : JsonKind::Object;
    if (type == "number")
        return JsonKind::Number;
    if (type == "boolean")
        return JsonKind::Boolean;
    return JsonKind::Other;
}

void JsonDocument::clear() {
    run(name_ + "={}");
}

} // namespace orbisel
