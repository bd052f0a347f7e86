#include "mining/KeywordLists.h"

#include "core/base/UserData.h"
#include "core/base/Utf8.h"
#include "mining/SubstringIndex.h"
#include "orbisel/config.h"
#include "web/Encoding.h"
#include "web/TextRules.h"

#include <QFile>
#include <algorithm>
#include <cstring>
#include <optional>
#include <unordered_map>

// The resource initialiser of a static library must be called by name.
static void initKeywordListResources() {
    Q_INIT_RESOURCE(KeywordLists);
}

namespace orbisel {

namespace {

constexpr std::string_view kCrlf = "\r\n";

const Text &headerLine() {
    static const Text header = utf8ToGbk("关键词") + "\r\n";
    return header;
}

QByteArray readResource(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace

// ---- Lists ------------------------------------------------------------------------

Text builtInKeywordList(KeywordList list) {
    initKeywordListResources();
    const QByteArray bytes =
        readResource(list == KeywordList::Top ? QStringLiteral(":/orbisel/lists/top.txt")
                                              : QStringLiteral(":/orbisel/lists/potential.txt"));
    return Text(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QString userKeywordListPath(KeywordList list) {
    return QString::fromStdString(core::userDataFile(list == KeywordList::Top ? "top.csv" : "potential.csv"));
}

Text loadKeywordList(KeywordList list) {
    QFile user(userKeywordListPath(list));
    if (user.exists() && user.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = user.readAll();
        Text converted =
            keywordListFromCsv(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
        if (!converted.empty())
            return converted;
    }
    return builtInKeywordList(list);
}

const Text &topKeywordList() {
    static const Text list = loadKeywordList(KeywordList::Top);
    return list;
}

const Text &potentialKeywordList() {
    static const Text list = loadKeywordList(KeywordList::Potential);
    return list;
}

Text keywordListFromCsv(std::string_view csv) {
    if (csv.starts_with("\xEF\xBB\xBF"))
        csv.remove_prefix(3);
    const Text bytes = core::isWellFormedUtf8(csv) ? utf8ToGbk(csv) : Text(csv);
    const char *s = bytes.data();
    const size_t n = bytes.size();

    // CSV delimiters are ASCII below 0x40, so they never occur as GBK trail bytes.
    Text out = headerLine();
    bool headerRow = true;
    bool any = false;
    size_t i = 0;
    while (i < n) {
        Text first;
        for (int field = 0;; ++field) {
            Text value;
            if (s[i] == '"') {
                ++i;
                while (i < n) {
                    if (s[i] == '"') {
                        if (i + 1 < n && s[i + 1] == '"') {
                            value += '"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    value += s[i++];
                }
            }
            while (i < n && s[i] != ',' && s[i] != '\r' && s[i] != '\n')
                value += s[i++];
            if (field == 0)
                first = std::move(value);
            if (i < n && s[i] == ',') {
                ++i;
                if (i < n)
                    continue;
            }
            break;
        }
        if (i < n && s[i] == '\r')
            ++i;
        if (i < n && s[i] == '\n')
            ++i;
        if (headerRow) {
            headerRow = false;
            continue;
        }
        // A keyword quoted over several lines stays on one line.
        for (char &c : first)
            if (c == '\r' || c == '\n')
                c = ' ';
        if (first.empty())
            continue;
        out += first;
        out += kCrlf;
        any = true;
    }
    return any ? out : Text();
}

// ---- Filter -------------------------------------------------------------------------

namespace {

// Whether a character starts at byte p: a byte outside the lead range always
// ends a character, and lead-range bytes after it pair up.
bool atCharBoundary(const unsigned char *s, size_t p) {
    size_t run = 0;
    while (run < p && isGbkLeadByte(s[p - run - 1]))
        ++run;
    return run % 2 == 0;
}

// Whether the line break CRLF starts at d (the split cuts only there).
bool lineBreakAt(const unsigned char *s, size_t size, size_t d) {
    return d + 1 < size && s[d] == '\r' && s[d + 1] == '\n' && atCharBoundary(s, d);
}

} // namespace

Text listFilter(std::string_view seedText, std::string_view listText) {
    Text result;
    const std::vector<std::string_view> seeds = splitTextViews(seedText, kCrlf);
    const char *base = listText.data();
    const auto *s = reinterpret_cast<const unsigned char *>(base);
    const size_t size = listText.size();

    for (std::string_view seed : seeds) {
        if (seed.empty()) {
            for (std::string_view entry : splitTextViews(listText, kCrlf))
                if (!entry.empty()) {
                    result += entry;
                    result += kCrlf;
                }
            continue;
        }
        // Byte matches over the whole list; one counts when it starts on a
        // character boundary and lies inside one entry. Entry bounds are found
        // around the match only, so the list is never split as a whole.
        const size_t m = seed.size();
        const bool seedHasCr = seed.find('\r') != std::string_view::npos;
        size_t pos = 0;
        while (pos + m <= size) {
            const void *hit = memmem(base + pos, size - pos, seed.data(), m);
            if (!hit)
                break;
            const size_t at = static_cast<size_t>(static_cast<const char *>(hit) - base);
            pos = at + 1;
            if (!atCharBoundary(s, at) || (at > 0 && lineBreakAt(s, size, at - 1)))
                continue;
            if (lineBreakAt(s, size, at + m - 1))
                continue; // the match runs into the line break
            bool crossesBreak = false;
            if (seedHasCr)
                for (size_t d = at; d + 1 < at + m && !crossesBreak; ++d)
                    crossesBreak = lineBreakAt(s, size, d);
            if (crossesBreak)
                continue;
            size_t start = at;
            while (start >= 2 && !lineBreakAt(s, size, start - 2))
                --start;
            if (start == 1)
                start = 0;
            size_t end = at + m;
            for (;;) {
                const void *cr = std::memchr(base + end, '\r', size - end);
                if (!cr) {
                    end = size;
                    break;
                }
                end = static_cast<size_t>(static_cast<const char *>(cr) - base);
                if (lineBreakAt(s, size, end))
                    break;
                ++end;
            }
            result.append(base + start, end - start);
            result += kCrlf;
            pos = end;
        }
    }
    return result;
}

// ---- Dedupe --------------------------------------------------------------------------

Text removeDuplicates(std::string_view text) {
    Text out;
    out.reserve(text.size() + kCrlf.size());
    SubstringIndex kept(text.size());
    for (std::string_view line : splitTextViews(text, kCrlf)) {
        if (kept.containsIgnoringCase(line))
            continue;
        const size_t from = out.size();
        out += line;
        out += kCrlf;
        kept.append(std::string_view(out).substr(from));
    }
    return out;
}

namespace {

// Text as typed in a GBK-compatible form that loses nothing: GBK where GBK has the
// character, otherwise two byte pairs no GBK text contains (a lead byte with a
// follower 0x20..0x3F), the high ten bits of the code point (leads 0x81..0xA2)
// before the low ten (leads 0xC0..0xDF). The GBK rules that step over double-byte
// characters treat each pair as one character, and neither pair can match inside
// another character.
constexpr unsigned char kPairFollower = 0x20;
constexpr unsigned char kHighPairLead = 0x81;
constexpr unsigned char kLowPairLead = 0xC0;

void appendPair(Text &out, unsigned char lead, unsigned value) {
    out += static_cast<char>(lead + value / 32);
    out += static_cast<char>(kPairFollower + value % 32);
}

bool isPairFollower(unsigned char b) {
    return b >= kPairFollower && b < kPairFollower + 32;
}

QString qstringFromGbk(std::string_view gbk) {
    const Text utf8 = gbkToUtf8(gbk);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// GBK bytes of UTF-8 text, or nothing when GBK cannot give back every character.
std::optional<Text> exactGbk(const std::string &utf8) {
    Text converted = utf8ToGbk(utf8);
    if (gbkToUtf8(converted) != utf8)
        return std::nullopt;
    return converted;
}

Text losslessGbk(const QString &text) {
    if (std::optional<Text> whole = exactGbk(text.toStdString()))
        return *whole;
    Text out;
    out.reserve(static_cast<size_t>(text.size()) * 2);
    std::unordered_map<char32_t, Text> known;
    for (const char32_t c : text.toUcs4()) {
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        auto [it, added] = known.try_emplace(c);
        if (added) {
            if (std::optional<Text> one = exactGbk(QString::fromUcs4(&c, 1).toStdString())) {
                it->second = std::move(*one);
            } else {
                appendPair(it->second, kHighPairLead, c >> 10);
                appendPair(it->second, kLowPairLead, c & 0x3FF);
            }
        }
        out += it->second;
    }
    return out;
}

QString fromLosslessGbk(std::string_view bytes) {
    QString out;
    size_t run = 0; // start of the plain GBK bytes not yet converted
    char32_t high = 0;
    for (size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (!isGbkLeadByte(lead) || i + 1 == bytes.size()) {
            ++i;
            continue;
        }
        const auto follower = static_cast<unsigned char>(bytes[i + 1]);
        if (!isPairFollower(follower) || (lead >= kHighPairLead + 34 && lead < kLowPairLead) ||
            lead >= kLowPairLead + 32) {
            i += 2;
            continue;
        }
        out += qstringFromGbk(bytes.substr(run, i - run));
        const unsigned value =
            (lead - (lead < kLowPairLead ? kHighPairLead : kLowPairLead)) * 32u + (follower - kPairFollower);
        if (lead < kLowPairLead) {
            high = value;
        } else {
            const char32_t c = (high << 10) | value;
            out += QString::fromUcs4(&c, 1);
        }
        i += 2;
        run = i;
    }
    return out + qstringFromGbk(bytes.substr(run));
}

} // namespace

QString removeTypedDuplicates(const QString &text) {
    return fromLosslessGbk(removeDuplicates(losslessGbk(text)));
}

// ---- Downloads -------------------------------------------------------------------------

Text listDownloadAddress(ListDownload file) {
    const char *path = "";
    switch (file) {
    case ListDownload::PotentialPc:
        path = "/tpsservice/a6eb13130e21e429c693c112ef03cf11.csv?spm=a21cz.8094367.889680.1.36c23d0aQimfIi"
               "&file=a6eb13130e21e429c693c112ef03cf11.csv";
        break;
    case ListDownload::PotentialMobile:
        path = "/tpsservice/a709c89ec53fb8904381da8592155f04.csv?spm=a21cz.8094367.889680.2.36c23d0aQimfIi"
               "&file=a709c89ec53fb8904381da8592155f04.csv";
        break;
    case ListDownload::TopPc:
        path = "/tpsservice/60bd0ac989cc2d5d51712406c1ff5964.xlsx?spm=a21cz.8094367.889680.3.36c23d0aQimfIi"
               "&file=60bd0ac989cc2d5d51712406c1ff5964.xlsx";
        break;
    case ListDownload::TopMobile:
        path = "/tpsservice/2a7b4483371013373e295b51dc4a66ce.xlsx?spm=a21cz.8094367.889680.4.36c23d0aQimfIi"
               "&file=2a7b4483371013373e295b51dc4a66ce.xlsx";
        break;
    }
    return Text("https://") + config::kFilesHost + path;
}

} // namespace orbisel
