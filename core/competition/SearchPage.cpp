#include "core/competition/SearchPage.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <cmath>

namespace orbisel::core {
namespace {

constexpr std::string_view kConfigName = "g_page_config";
// Larger figures are no counts or prices of a results page; reading them would overflow.
constexpr double kMaxFigure = 1e15;
constexpr std::size_t kMaxIntegerDigits = 12;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isIdentifierChar(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$';
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// A decimal number at the start of `text`: digits, "," between digits, an optional
// fraction. Fraction digits past the fourth are read but not kept.
struct Decimal {
    long long integer = 0;
    long long fraction = 0;
    int fractionDigits = 0;
    std::size_t length = 0;
};

std::optional<Decimal> decimalAt(std::string_view text) {
    Decimal d;
    std::size_t i = 0;
    std::size_t digits = 0;
    while (i < text.size()) {
        if (isDigit(text[i])) {
            if (++digits > kMaxIntegerDigits)
                return std::nullopt;
            d.integer = d.integer * 10 + (text[i] - '0');
            ++i;
        } else if (text[i] == ',' && digits > 0 && i + 1 < text.size() && isDigit(text[i + 1])) {
            ++i;
        } else {
            break;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i + 1 < text.size() && text[i] == '.' && isDigit(text[i + 1])) {
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            if (d.fractionDigits < 4) {
                d.fraction = d.fraction * 10 + (text[i] - '0');
                ++d.fractionDigits;
            }
            ++i;
        }
    }
    d.length = i;
    return d;
}

long long powerOfTen(int n) {
    long long p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

// The decimal times `unit`, rounded half up.
long long scaled(const Decimal &d, long long unit) {
    const long long denominator = powerOfTen(d.fractionDigits);
    return d.integer * unit + (d.fraction * unit * 2 + denominator) / (denominator * 2);
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string numberText(double v) {
    if (std::isfinite(v) && v == std::trunc(v) && std::fabs(v) < kMaxFigure)
        return std::to_string(static_cast<long long>(v));
    return QString::number(v, 'g', 17).toStdString();
}

// A value read as text: a string as given, a number as its digits.
std::string textOf(const QJsonValue &value) {
    if (value.isString())
        return value.toString().toStdString();
    if (value.isDouble())
        return numberText(value.toDouble());
    if (value.isBool())
        return value.toBool() ? "true" : "false";
    return {};
}

std::string trimmedTextOf(const QJsonValue &value) {
    return std::string(trimmed(textOf(value)));
}

// A count given as a number or as a text that is one decimal number ("12,345").
std::optional<long long> countOfText(std::string_view text) {
    text = trimmed(text);
    const std::optional<Decimal> d = decimalAt(text);
    if (!d || d->length != text.size())
        return std::nullopt;
    return scaled(*d, 1);
}

std::optional<long long> countOf(const QJsonValue &value) {
    if (value.isDouble()) {
        const double v = value.toDouble();
        if (!std::isfinite(v) || v < 0 || v > kMaxFigure)
            return std::nullopt;
        return std::llround(v);
    }
    if (value.isString())
        return countOfText(value.toString().toStdString());
    return std::nullopt;
}

std::optional<long long> priceOf(const QJsonValue &value) {
    if (value.isDouble()) {
        const double v = value.toDouble();
        if (!std::isfinite(v) || v < 0 || v > kMaxFigure / 100)
            return std::nullopt;
        return std::llround(v * 100);
    }
    if (value.isString())
        return priceCentsInText(value.toString().toStdString());
    return std::nullopt;
}

// true, "true" or 1 (also "1").
bool flagOf(const QJsonValue &value) {
    if (value.isBool())
        return value.toBool();
    if (value.isDouble())
        return value.toDouble() == 1;
    if (value.isString()) {
        const QString text = value.toString().trimmed();
        return text == QLatin1String("1") || text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
    }
    return false;
}

QJsonValue at(const QJsonValue &value, std::initializer_list<const char *> path) {
    QJsonValue v = value;
    for (const char *key : path)
        v = v.toObject().value(QLatin1String(key));
    return v;
}

// An array, or a text of comma-separated entries, as its entries.
QJsonArray entriesOf(const QJsonValue &value) {
    if (value.isArray())
        return value.toArray();
    QJsonArray entries;
    if (value.isString()) {
        const QStringList parts = value.toString().split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (const QString &part : parts)
            entries.append(part.trimmed());
    }
    return entries;
}

PageItem itemOf(const QJsonObject &item) {
    PageItem p;
    p.nid = trimmedTextOf(item.value(QLatin1String("nid")));
    p.title = textOf(item.value(QLatin1String("raw_title")));
    p.priceCents = priceOf(item.value(QLatin1String("view_price")));
    p.salesText = textOf(item.value(QLatin1String("view_sales")));
    p.shop = textOf(item.value(QLatin1String("nick")));
    p.shopId = trimmedTextOf(item.value(QLatin1String("user_id")));
    p.location = textOf(item.value(QLatin1String("item_loc")));
    p.comments = countOf(item.value(QLatin1String("comment_count")));
    p.tmall = flagOf(at(item.value(QLatin1String("shopcard")), {"isTmall"}));
    p.detailUrl = trimmedTextOf(item.value(QLatin1String("detail_url")));
    p.p4p = flagOf(item.value(QLatin1String("p4p")));
    return p;
}

PageTrace traceOf(const QJsonValue &trace) {
    PageTrace t;
    for (const QJsonValue &nid : entriesOf(trace.toObject().value(QLatin1String("allNids"))))
        t.allNids.push_back(trimmedTextOf(nid));
    for (const QJsonValue &sales : entriesOf(trace.toObject().value(QLatin1String("allOldBiz30Day"))))
        t.allOldBiz30Day.push_back(countOf(sales));
    t.totalHits = countOf(trace.toObject().value(QLatin1String("totalHits")));
    return t;
}

// The entries of the first navigation group named 品牌, common groups before advanced ones.
std::optional<std::vector<std::string>> brandsOf(const QJsonValue &nav) {
    for (const char *kind : {"common", "adv"}) {
        for (const QJsonValue &group : nav.toObject().value(QLatin1String(kind)).toArray()) {
            if (trimmedTextOf(group.toObject().value(QLatin1String("text"))) != "品牌")
                continue;
            std::vector<std::string> entries;
            for (const QJsonValue &sub : group.toObject().value(QLatin1String("sub")).toArray()) {
                std::string text = trimmedTextOf(sub.toObject().value(QLatin1String("text")));
                if (!text.empty())
                    entries.push_back(std::move(text));
            }
            return entries;
        }
    }
    return std::nullopt;
}

} // namespace

std::string describe(const SearchPageError &error) {
    switch (error.kind) {
    case SearchPageErrorKind::TooLarge:
        return "the page is larger than 8 MB";
    case SearchPageErrorKind::NoPageConfig:
        return "the page has no g_page_config: a verification or login page, not search results";
    case SearchPageErrorKind::NotJson:
        return error.detail.empty() ? "the page's g_page_config is not JSON"
                                    : "the page's g_page_config is not JSON: " + error.detail;
    }
    return "unknown page error";
}

PageConfigText findPageConfig(std::string_view html) {
    for (std::size_t at = html.find(kConfigName); at != std::string_view::npos;
         at = html.find(kConfigName, at + 1)) {
        if (at > 0 && isIdentifierChar(html[at - 1]))
            continue;
        std::size_t i = at + kConfigName.size();
        while (i < html.size() && isSpace(html[i]))
            ++i;
        if (i >= html.size() || html[i] != '=')
            continue;
        ++i;
        while (i < html.size() && isSpace(html[i]))
            ++i;
        if (i >= html.size() || html[i] != '{')
            continue;
        const std::size_t begin = i;
        std::size_t depth = 0;
        bool inString = false;
        for (; i < html.size(); ++i) {
            const char c = html[i];
            if (inString) {
                if (c == '\\')
                    ++i;
                else if (c == '"')
                    inString = false;
            } else if (c == '"') {
                inString = true;
            } else if (c == '{') {
                ++depth;
            } else if (c == '}' && --depth == 0) {
                return {html.substr(begin, i + 1 - begin), true, true};
            }
        }
        return {html.substr(begin), true, false};
    }
    return {};
}

std::optional<long long> salesInText(std::string_view text) {
    std::size_t first = 0;
    while (first < text.size() && !isDigit(text[first]))
        ++first;
    const std::optional<Decimal> d = decimalAt(text.substr(first));
    if (!d)
        return std::nullopt;
    std::string_view rest = text.substr(first + d->length);
    while (!rest.empty() && isSpace(rest.front()))
        rest.remove_prefix(1);
    long long unit = 1;
    if (rest.starts_with("万"))
        unit = 10000;
    else if (rest.starts_with("千"))
        unit = 1000;
    return scaled(*d, unit);
}

std::optional<long long> priceCentsInText(std::string_view text) {
    std::size_t first = 0;
    while (first < text.size() && !isDigit(text[first]))
        ++first;
    const std::optional<Decimal> d = decimalAt(text.substr(first));
    if (!d)
        return std::nullopt;
    // Cents from the first two fraction digits, the third rounding half up.
    Decimal cents = *d;
    while (cents.fractionDigits > 3) {
        cents.fraction /= 10;
        --cents.fractionDigits;
    }
    return scaled(cents, 100);
}

SearchPageResult readSearchPage(std::string_view html) {
    if (html.size() > kMaxSearchPageBytes)
        return Failure{SearchPageError{SearchPageErrorKind::TooLarge, {}}};
    const PageConfigText config = findPageConfig(html);
    if (!config.found)
        return Failure{SearchPageError{SearchPageErrorKind::NoPageConfig, {}}};
    if (!config.closed)
        return Failure{SearchPageError{SearchPageErrorKind::NotJson, "the object does not end"}};
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray::fromRawData(config.json.data(), static_cast<qsizetype>(config.json.size())), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return Failure{SearchPageError{SearchPageErrorKind::NotJson,
                                       error.errorString().toStdString() + " at offset " +
                                           std::to_string(error.offset)}};

    const QJsonValue root(document.object());
    SearchPage page;
    const QJsonValue mods = root.toObject().value(QLatin1String("mods"));
    const QJsonArray auctions = at(mods, {"itemlist", "data", "auctions"}).toArray();
    page.items.reserve(static_cast<std::size_t>(auctions.size()));
    for (const QJsonValue &item : auctions) {
        if (item.isObject())
            page.items.push_back(itemOf(item.toObject()));
    }
    page.trace = traceOf(at(root, {"mainInfo", "traceInfo", "traceData"}));
    page.totalCount = countOf(at(mods, {"pager", "data", "totalCount"}));
    page.brandEntries = brandsOf(at(mods, {"nav", "data"}));
    return page;
}

} // namespace orbisel::core
