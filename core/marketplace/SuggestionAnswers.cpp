#include "core/marketplace/SuggestionAnswers.h"

#include "web/Encoding.h"
#include "web/Numbers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <cmath>

namespace orbisel::core {
namespace {

// Whether a control character stands unescaped inside a string: JSON forbids
// it (as the keyword window's reader does), Qt's reader lets it through.
bool hasRawControlInString(std::string_view json) {
    bool inString = false;
    for (std::size_t i = 0; i < json.size(); ++i) {
        const auto c = static_cast<unsigned char>(json[i]);
        if (!inString)
            inString = c == '"';
        else if (c == '\\')
            ++i;
        else if (c == '"')
            inString = false;
        else if (c < 0x20)
            return true;
    }
    return false;
}

std::optional<QJsonValue> parse(std::string_view json) {
    if (hasRawControlInString(json))
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray::fromRawData(json.data(), static_cast<qsizetype>(json.size())), &error);
    if (error.error != QJsonParseError::NoError || document.isNull())
        return std::nullopt;
    if (document.isArray())
        return QJsonValue(document.array());
    return QJsonValue(document.object());
}

std::string numberText(double v) {
    if (std::isfinite(v) && v == std::trunc(v) && std::fabs(v) < 1e15)
        return std::to_string(static_cast<long long>(v));
    return QString::number(v, 'g', 17).toStdString();
}

// A value read as text, as a script's string conversion gives it; "" when missing.
std::string textOf(const QJsonValue &value) {
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString().toStdString();
    case QJsonValue::Double:
        return numberText(value.toDouble());
    case QJsonValue::Bool:
        return value.toBool() ? "true" : "false";
    case QJsonValue::Null:
        return "null";
    default:
        return {};
    }
}

std::optional<long long> listingsOf(const QJsonValue &value) {
    if (value.isDouble() && std::isfinite(value.toDouble()) && value.toDouble() >= 0)
        return std::llround(value.toDouble());
    if (!value.isString())
        return std::nullopt;
    const std::string text = value.toString().trimmed().toStdString();
    if (text.empty() || text.size() > 18)
        return std::nullopt;
    long long n = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

void removeAll(std::string &text, std::string_view what, bool ignoreCase) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        bool match = i + what.size() <= text.size();
        for (std::size_t k = 0; match && k < what.size(); ++k) {
            char a = text[i + k];
            char b = what[k];
            if (ignoreCase && a >= 'A' && a <= 'Z')
                a = static_cast<char>(a - 'A' + 'a');
            match = a == b;
        }
        if (match) {
            i += what.size();
        } else {
            out.push_back(text[i]);
            ++i;
        }
    }
    text = std::move(out);
}

std::vector<FoundWord> wordsOf(const QJsonValue &root, bool removeSpaces) {
    std::vector<FoundWord> words;
    const QJsonValue result = root.toObject().value(QStringLiteral("result"));
    if (!result.isArray())
        return words;
    const QJsonArray entries = result.toArray();
    words.reserve(static_cast<std::size_t>(entries.size()));
    for (const QJsonValue &entry : entries) {
        const QJsonArray pair = entry.toArray();
        words.push_back({cleanSuggestion(textOf(pair.at(0)), removeSpaces), listingsOf(pair.at(1))});
    }
    return words;
}

double indexNumber(const QJsonValue &value) {
    if (value.isDouble())
        return value.toDouble();
    return textToNumber(utf8ToGbk(textOf(value)));
}

} // namespace

std::string cleanSuggestion(std::string_view text, bool removeSpaces) {
    std::string out(text);
    removeAll(out, "<b>", true);
    removeAll(out, "</b>", true);
    if (removeSpaces)
        removeAll(out, " ", false);
    return out;
}

std::optional<std::vector<FoundWord>> suggestionWords(std::string_view answer, bool removeSpaces) {
    if (answer.empty())
        return std::nullopt;
    const std::optional<QJsonValue> root = parse(answer);
    if (!root)
        return std::nullopt;
    return wordsOf(*root, removeSpaces);
}

std::optional<PcAnswer> readPcAnswer(std::string_view answer) {
    if (answer.empty())
        return std::nullopt;
    const std::optional<QJsonValue> root = parse(answer);
    if (!root)
        return std::nullopt;
    PcAnswer pc;
    pc.suggestions = wordsOf(*root, true);
    pc.arrows.resize(pc.suggestions.size());
    const QJsonValue magic = root->toObject().value(QStringLiteral("magic"));
    if (!magic.isArray())
        return pc;
    const QJsonArray groups = magic.toArray();
    for (std::size_t i = 0; i < pc.suggestions.size(); ++i) {
        for (const QJsonValue &group : groups) {
            const QJsonObject g = group.toObject();
            if (std::fabs(indexNumber(g.value(QStringLiteral("index"))) - static_cast<double>(i + 1)) >
                0.0000001)
                continue;
            const QJsonValue data = g.value(QStringLiteral("data"));
            if (!data.isArray())
                continue;
            for (const QJsonValue &row : data.toArray()) {
                for (const QJsonValue &entry : row.toArray())
                    pc.arrows[i].push_back(pc.suggestions[i].word +
                                           textOf(entry.toObject().value(QStringLiteral("title"))));
            }
        }
    }
    return pc;
}

std::optional<std::vector<std::string>> relatedWords(std::string_view page) {
    constexpr std::string_view left = "related\":";
    constexpr std::string_view right = ",\"tab\"";
    const std::size_t begin = page.find(left);
    if (begin == std::string_view::npos)
        return std::nullopt;
    const std::size_t from = begin + left.size();
    const std::size_t end = page.find(right, from);
    if (end == std::string_view::npos || end == from)
        return std::nullopt;
    const std::optional<QJsonValue> root = parse(page.substr(from, end - from));
    if (!root)
        return std::nullopt;
    std::vector<std::string> words;
    const QJsonValue list =
        root->toObject().value(QStringLiteral("data")).toObject().value(QStringLiteral("words"));
    for (const QJsonValue &word : list.toArray())
        words.push_back(textOf(word.toObject().value(QStringLiteral("text"))));
    return words;
}

} // namespace orbisel::core
