#include "core/analytics/AnalyticsTable.h"

#include <charconv>
#include <cmath>

namespace orbisel::core {
namespace {

struct HeaderName {
    std::string_view header;
    AnalyticsFigure figure;
};
constexpr HeaderName kHeaderNames[] = {
    {"搜索人气", AnalyticsFigure::SearchPopularity},
    {"全网搜索人气", AnalyticsFigure::SearchPopularity},
    {"搜索热度", AnalyticsFigure::SearchHeat},
    {"全网搜索热度", AnalyticsFigure::SearchHeat},
    {"点击率", AnalyticsFigure::ClickRate},
    {"全网点击率", AnalyticsFigure::ClickRate},
    {"点击人气", AnalyticsFigure::ClickPopularity},
    {"交易指数", AnalyticsFigure::TradeIndex},
    {"支付转化率", AnalyticsFigure::ConversionRate},
    {"全网下单转化率", AnalyticsFigure::ConversionRate},
    {"在线商品数", AnalyticsFigure::ItemCount},
    {"全网商品数", AnalyticsFigure::ItemCount},
    {"商城点击占比", AnalyticsFigure::MallClickShare},
    {"直通车参考价", AnalyticsFigure::ExpressPrice},
    {"直通车平均点击单价", AnalyticsFigure::ExpressPrice},
};

constexpr std::string_view kFullWidthSpace = "\xE3\x80\x80";
constexpr std::string_view kFullWidthPercent = "\xEF\xBC\x85";

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The digits of a number with thousands separators, or nothing when a comma is out of place.
std::optional<std::string> withoutSeparators(std::string_view t) {
    std::string out;
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
        out += t[i++];
    std::size_t group = 0; // digits since the last comma (or the start)
    bool comma = false;
    for (; i < t.size() && (isDigit(t[i]) || t[i] == ','); ++i) {
        if (t[i] == ',') {
            if (group == 0 || group > 3 || (comma && group != 3))
                return std::nullopt;
            comma = true;
            group = 0;
            continue;
        }
        out += t[i];
        ++group;
    }
    if (comma && group != 3)
        return std::nullopt;
    if (comma && i < t.size() && t[i] != '.')
        return std::nullopt; // no exponent after separators
    out.append(t.substr(i));
    return out;
}

int daysInMonth(int year, int month) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// Whether a valid date YYYY-MM-DD starts at i, not inside a longer run of digits.
bool dateAt(std::string_view text, std::size_t i) {
    if (i + 10 > text.size() || (i > 0 && isDigit(text[i - 1])) ||
        (i + 10 < text.size() && isDigit(text[i + 10])))
        return false;
    const std::string_view d = text.substr(i, 10);
    for (std::size_t k : {0, 1, 2, 3, 5, 6, 8, 9})
        if (!isDigit(d[k]))
            return false;
    if (d[4] != '-' || d[7] != '-')
        return false;
    const int year = std::stoi(std::string(d.substr(0, 4)));
    const int month = (d[5] - '0') * 10 + (d[6] - '0');
    const int day = (d[8] - '0') * 10 + (d[9] - '0');
    return month >= 1 && month <= 12 && day >= 1 && day <= daysInMonth(year, month);
}

} // namespace

std::string_view analyticsFigureName(AnalyticsFigure figure) {
    switch (figure) {
    case AnalyticsFigure::SearchPopularity:
        return "搜索人气";
    case AnalyticsFigure::SearchHeat:
        return "搜索热度";
    case AnalyticsFigure::ClickRate:
        return "点击率";
    case AnalyticsFigure::ClickPopularity:
        return "点击人气";
    case AnalyticsFigure::TradeIndex:
        return "交易指数";
    case AnalyticsFigure::ConversionRate:
        return "转化率";
    case AnalyticsFigure::ItemCount:
        return "官方商品数";
    case AnalyticsFigure::MallClickShare:
        return "商城点击占比";
    case AnalyticsFigure::ExpressPrice:
        return "直通车价";
    }
    return {};
}

std::optional<AnalyticsFigure> analyticsFigureOfHeader(std::string_view header) {
    for (const HeaderName &name : kHeaderNames)
        if (name.header == header)
            return name.figure;
    return std::nullopt;
}

bool isAnalyticsWordHeader(std::string_view header) {
    return header == "搜索词" || header == "关键词";
}

std::string describe(const AnalyticsError &error) {
    const std::string &d = error.detail;
    switch (error.kind) {
    case AnalyticsErrorKind::CannotRead:
        return "cannot read the file" + (d.empty() ? "" : ": " + d);
    case AnalyticsErrorKind::UnknownFormat:
        return "not an .xls, .xlsx or .csv file" + (d.empty() ? "" : " (" + d + ")");
    case AnalyticsErrorKind::Damaged:
        return "damaged file" + (d.empty() ? "" : ": " + d);
    case AnalyticsErrorKind::EntryTooLarge:
        return d + " is larger than 256 MB";
    case AnalyticsErrorKind::CompressionTooHigh:
        return "zip entry " + d + " is compressed more than 200 : 1";
    case AnalyticsErrorKind::TooManyRows:
        return "the sheet has more than 1,048,576 rows";
    case AnalyticsErrorKind::DocumentType:
        return "XML part " + d + " has a document type declaration, which is not read";
    case AnalyticsErrorKind::NoHeader:
        return "no header row (搜索词 or 关键词 and a figure column) in the first 10 rows";
    }
    return "unknown error";
}

std::string_view trimCellText(std::string_view t) {
    for (;;) {
        if (!t.empty() && (t.front() == ' ' || t.front() == '\t' || t.front() == '\r' || t.front() == '\n'))
            t.remove_prefix(1);
        else if (t.starts_with(kFullWidthSpace))
            t.remove_prefix(kFullWidthSpace.size());
        else
            break;
    }
    for (;;) {
        if (!t.empty() && (t.back() == ' ' || t.back() == '\t' || t.back() == '\r' || t.back() == '\n'))
            t.remove_suffix(1);
        else if (t.ends_with(kFullWidthSpace))
            t.remove_suffix(kFullWidthSpace.size());
        else
            break;
    }
    return t;
}

FigureText parseFigureText(std::string_view text) {
    std::string_view t = trimCellText(text);
    if (t.empty() || t == "-")
        return {FigureTextKind::Blank};
    if (t.ends_with('%'))
        t = trimCellText(t.substr(0, t.size() - 1));
    else if (t.ends_with(kFullWidthPercent))
        t = trimCellText(t.substr(0, t.size() - kFullWidthPercent.size()));
    const std::optional<std::string> digits = withoutSeparators(t);
    if (!digits || digits->empty())
        return {};
    std::string_view number = *digits;
    if (number.front() == '+')
        number.remove_prefix(1);
    // At least one digit before the fraction or exponent ("." and "e5" are no numbers).
    const std::size_t start = number.starts_with('-') ? 1 : 0;
    if (start >= number.size() ||
        !(isDigit(number[start]) ||
          (number[start] == '.' && start + 1 < number.size() && isDigit(number[start + 1]))))
        return {};
    double value = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec != std::errc() || end != number.data() + number.size() || !std::isfinite(value))
        return {};
    return {FigureTextKind::Number, value};
}

std::optional<AnalyticsPeriod> periodInText(std::string_view text) {
    std::optional<std::string> first;
    for (std::size_t i = 0; i + 10 <= text.size(); ++i) {
        if (!dateAt(text, i))
            continue;
        std::string date(text.substr(i, 10));
        if (first)
            return AnalyticsPeriod{*first, date};
        first = std::move(date);
        i += 9;
    }
    return std::nullopt;
}

std::optional<AnalyticsPeriod> periodInFileName(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    for (std::size_t i = 0; i + 21 <= name.size(); ++i)
        if (name[i + 10] == '_' && dateAt(name, i) && dateAt(name, i + 11))
            return AnalyticsPeriod{std::string(name.substr(i, 10)), std::string(name.substr(i + 11, 10))};
    return std::nullopt;
}

} // namespace orbisel::core
