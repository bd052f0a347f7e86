#include "core/store/RunOptionsJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace orbisel::core {
namespace {

QJsonArray toJson(const std::vector<std::string> &list) {
    QJsonArray array;
    for (const std::string &s : list)
        array.append(QString::fromStdString(s));
    return array;
}

std::vector<std::string> fromJson(const QJsonValue &value) {
    std::vector<std::string> list;
    for (const QJsonValue &v : value.toArray())
        list.push_back(v.toString().toStdString());
    return list;
}

const char *paceName(Pacing pace) {
    return pace == Pacing::Fixed ? "fixed" : "adaptive";
}

// Runs stored before the pace was kept were paced fixed; resumed, they stay so.
Pacing paceFromJson(const QJsonValue &value) {
    return value.toString() == QLatin1String("adaptive") ? Pacing::Adaptive : Pacing::Fixed;
}

} // namespace

std::string optionsJson(const DeepRunOptions &o) {
    QJsonObject json;
    json["seeds"] = toJson(o.seeds);
    json["expansions"] = o.expansions;
    json["modifiers"] = toJson(o.modifiers);
    json["sources"] = o.sources;
    json["depth"] = o.depth;
    json["concurrency"] = o.concurrency;
    json["pace"] = paceName(o.pace);
    json["intervalMs"] = o.intervalMs;
    json["minIntervalMs"] = o.minIntervalMs;
    json["backoffMs"] = o.backoffMs;
    json["maxQueries"] = o.maxQueries;
    json["cacheHours"] = o.cacheHours;
    json["include"] = toJson(o.include);
    json["exclude"] = toJson(o.exclude);
    json["minChars"] = o.minChars;
    json["maxChars"] = o.maxChars;
    json["name"] = QString::fromStdString(o.name);
    return QJsonDocument(json).toJson(QJsonDocument::Compact).toStdString();
}

std::optional<DeepRunOptions> optionsFromJson(const std::string &text) {
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text));
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject json = document.object();
    DeepRunOptions o;
    o.seeds = fromJson(json["seeds"]);
    o.expansions = static_cast<ExpansionSet>(json["expansions"].toInt(o.expansions));
    o.modifiers = fromJson(json["modifiers"]);
    o.sources = static_cast<DeepSourceSet>(json["sources"].toInt(o.sources));
    o.depth = json["depth"].toInt(o.depth);
    o.concurrency = json["concurrency"].toInt(o.concurrency);
    o.pace = paceFromJson(json["pace"]);
    o.intervalMs = json["intervalMs"].toInt(o.intervalMs);
    o.minIntervalMs = json["minIntervalMs"].toInt(o.minIntervalMs);
    o.backoffMs = json["backoffMs"].toInt(o.backoffMs);
    o.maxQueries = json["maxQueries"].toInt(o.maxQueries);
    o.cacheHours = json["cacheHours"].toInt(o.cacheHours);
    o.include = fromJson(json["include"]);
    o.exclude = fromJson(json["exclude"]);
    o.minChars = json["minChars"].toInt(o.minChars);
    o.maxChars = json["maxChars"].toInt(o.maxChars);
    o.name = json["name"].toString().toStdString();
    return o;
}

} // namespace orbisel::core
