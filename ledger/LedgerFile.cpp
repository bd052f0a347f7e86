#include "ledger/LedgerFile.h"

#include "orbisel/config.h"
#include "web/Clock.h"
#include "web/SaveFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <ctime>

namespace orbisel {
namespace {

constexpr char kMagic[] = "ORBISEL-LEDGER 1\n";
constexpr int kMaxWidth = 1000000;

QByteArray checksum(const QByteArray &bytes, qsizetype length) {
    return QCryptographicHash::hash(QByteArrayView(bytes.constData(), length), QCryptographicHash::Sha1)
        .toHex();
}

// A strict reader: every read either matches exactly or fails the whole decode.
class Reader {
public:
    explicit Reader(const QByteArray &bytes) : m_bytes(bytes) {}

    qsizetype position() const { return m_pos; }
    qsizetype remaining() const { return m_bytes.size() - m_pos; }

    bool literal(QByteArrayView text) {
        if (remaining() < text.size() || QByteArrayView(m_bytes.constData() + m_pos, text.size()) != text)
            return false;
        m_pos += text.size();
        return true;
    }

    // Unsigned decimal without sign or leading zeros (a lone "0" is fine), at most `max`.
    std::optional<long long> number(long long max) {
        const qsizetype start = m_pos;
        long long value = 0;
        while (m_pos < m_bytes.size() && m_bytes[m_pos] >= '0' && m_bytes[m_pos] <= '9') {
            value = value * 10 + (m_bytes[m_pos] - '0');
            if (value > max)
                return std::nullopt;
            ++m_pos;
        }
        const qsizetype digits = m_pos - start;
        if (digits == 0 || (digits > 1 && m_bytes[start] == '0'))
            return std::nullopt;
        return value;
    }

    std::optional<Text> bytes(long long count) {
        if (count > remaining())
            return std::nullopt;
        Text out(m_bytes.constData() + m_pos, static_cast<size_t>(count));
        m_pos += count;
        return out;
    }

private:
    const QByteArray &m_bytes;
    qsizetype m_pos = 0;
};

QString damagedName(const QString &path) {
    const std::time_t t = std::chrono::system_clock::to_time_t(now());
    std::tm local{};
    localtime_r(&t, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const QString base = path + QStringLiteral(".damaged-") + QString::fromLatin1(stamp);
    QString candidate = base;
    for (int i = 1; QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink(); ++i)
        candidate = base + QLatin1Char('-') + QString::number(i);
    return candidate;
}

} // namespace

QByteArray encodeLedger(const LedgerContent &content) {
    QByteArray out(kMagic);
    out += "rows " + QByteArray::number(content.rows) + '\n';
    out += "columns " + QByteArray::number(content.columns) + '\n';
    out += "widths";
    for (int c = 0; c < content.columns; ++c)
        out += ' ' + QByteArray::number(c < static_cast<int>(content.widths.size()) ? content.widths[c] : 0);
    out += '\n';
    const size_t cellCount = static_cast<size_t>(content.rows) * static_cast<size_t>(content.columns);
    for (size_t i = 0; i < cellCount; ++i) {
        const Text empty;
        const Text &cell = i < content.cells.size() ? content.cells[i] : empty;
        out += QByteArray::number(static_cast<qulonglong>(cell.size())) + ':';
        out.append(cell.data(), static_cast<qsizetype>(cell.size()));
        out += '\n';
    }
    out += "end " + checksum(out, out.size()) + '\n';
    return out;
}

std::optional<LedgerContent> decodeLedger(const QByteArray &bytes) {
    Reader in(bytes);
    LedgerContent content;
    if (!in.literal(kMagic) || !in.literal("rows "))
        return std::nullopt;
    // Every cell takes at least three bytes ("0:" and LF), which bounds the counts
    // by the file size before anything is allocated.
    const long long limit = bytes.size();
    auto rows = in.number(limit);
    if (!rows || !in.literal("\ncolumns "))
        return std::nullopt;
    auto columns = in.number(limit);
    if (!columns || !in.literal("\nwidths"))
        return std::nullopt;
    if (*rows > 0 && *columns > 0 && *rows * *columns > limit / 3)
        return std::nullopt;
    if (*columns > limit / 2) // each width takes at least two bytes
        return std::nullopt;
    content.rows = static_cast<int>(*rows);
    content.columns = static_cast<int>(*columns);
    for (long long c = 0; c < *columns; ++c) {
        if (!in.literal(" "))
            return std::nullopt;
        auto width = in.number(kMaxWidth);
        if (!width)
            return std::nullopt;
        content.widths.push_back(static_cast<int>(*width));
    }
    if (!in.literal("\n"))
        return std::nullopt;
    const long long cellCount = *rows * *columns;
    content.cells.reserve(static_cast<size_t>(cellCount));
    for (long long i = 0; i < cellCount; ++i) {
        auto length = in.number(in.remaining());
        if (!length || !in.literal(":"))
            return std::nullopt;
        auto text = in.bytes(*length);
        if (!text || !in.literal("\n"))
            return std::nullopt;
        content.cells.push_back(std::move(*text));
    }
    const qsizetype checked = in.position();
    if (!in.literal("end ") || !in.literal(checksum(bytes, checked)) || !in.literal("\n") ||
        in.remaining() != 0)
        return std::nullopt;
    return content;
}

QString ledgerFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/temp.txt");
}

bool saveLedgerFile(const QString &path, const LedgerContent &content) {
    const QByteArray bytes = encodeLedger(content);
    return saveFileAtomically(path.toStdString(),
                              std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

LedgerLoadResult loadLedgerFile(const QString &path) {
    LedgerLoadResult result;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return result; // Missing
    QFile file(path);
    if (info.isFile() && info.size() <= config::kLedgerMaxFileBytes && file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = file.readAll();
        file.close();
        if (auto content = decodeLedger(bytes)) {
            result.status = LedgerLoadResult::Status::Loaded;
            result.content = std::move(content);
            return result;
        }
    }
    result.status = LedgerLoadResult::Status::Damaged;
    const QString aside = damagedName(path);
    if (QFile::rename(path, aside))
        result.movedTo = aside;
    return result;
}

} // namespace orbisel
