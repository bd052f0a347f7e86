#include "core/analytics/AnalyticsFile.h"
#include "core/analytics/SheetRows.h"
#include "core/analytics/ZipEntries.h"

#include <QXmlStreamReader>
#include <algorithm>
#include <charconv>
#include <cstring>
#include <functional>
#include <memory>
#include <set>

namespace orbisel::core {
namespace {

AnalyticsError damaged(std::string detail) {
    return {AnalyticsErrorKind::Damaged, std::move(detail)};
}

// ---- XML parts, parsed as they inflate --------------------------------------------------

enum class Step { Go, Stop, Fail };

// A part's tokens handed to `token` one by one. A document type declaration is
// refused before anything it declares could be used.
class XmlPart {
public:
    using TokenHandler = std::function<Step(QXmlStreamReader &)>;

    static Result<void, AnalyticsError> parse(ZipEntries &zip, const std::string &name,
                                              const TokenHandler &token,
                                              std::optional<AnalyticsError> &failure) {
        XmlPart part{name, token, failure};
        Result<void, AnalyticsError> read =
            zip.read(name, [&](std::string_view chunk) { return part.feed(chunk); });
        if (failure)
            return Failure{*failure};
        if (!read)
            return read;
        if (!part.m_stopped && !part.m_ended)
            return Failure{damaged("XML part " + name + " ends early")};
        return {};
    }

private:
    XmlPart(const std::string &name, const TokenHandler &token, std::optional<AnalyticsError> &failure)
        : m_name(name), m_token(token), m_failure(failure) {}

    bool feed(std::string_view chunk) {
        m_xml.addData(QByteArray(chunk.data(), static_cast<qsizetype>(chunk.size())));
        while (!m_ended) {
            const QXmlStreamReader::TokenType type = m_xml.readNext();
            if (type == QXmlStreamReader::Invalid) {
                if (m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError)
                    return true;
                m_failure =
                    damaged("XML part " + m_name + " is malformed: " + m_xml.errorString().toStdString());
                return false;
            }
            if (type == QXmlStreamReader::DTD) {
                m_failure = AnalyticsError{AnalyticsErrorKind::DocumentType, m_name};
                return false;
            }
            if (type == QXmlStreamReader::EndDocument) {
                m_ended = true;
                break;
            }
            const Step step = m_token(m_xml);
            if (step == Step::Fail)
                return false;
            if (step == Step::Stop) {
                m_stopped = true;
                return false;
            }
        }
        return true;
    }

    const std::string &m_name;
    const TokenHandler &m_token;
    std::optional<AnalyticsError> &m_failure;
    QXmlStreamReader m_xml;
    bool m_ended = false;
    bool m_stopped = false;
};

bool isStart(const QXmlStreamReader &xml, QStringView name) {
    return xml.tokenType() == QXmlStreamReader::StartElement && xml.name() == name;
}
bool isEnd(const QXmlStreamReader &xml, QStringView name) {
    return xml.tokenType() == QXmlStreamReader::EndElement && xml.name() == name;
}

// A number of ASCII digits (and sign, point, exponent) without a copy on the heap.
template <class T> std::optional<T> number(QStringView text) {
    text = text.trimmed();
    char ascii[64];
    if (text.isEmpty() || text.size() > qsizetype(sizeof ascii))
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].unicode() >= 0x80)
            return std::nullopt;
        ascii[i] = static_cast<char>(text[i].unicode());
    }
    const char *end = ascii + text.size();
    T value{};
    const auto [stop, ec] = std::from_chars(ascii, end, value);
    if (ec != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

// ---- Workbook, relationships, shared strings, styles -----------------------------------

struct Relationship {
    QString id;
    QString type;
    QString target;
};

// "worksheets/sheet1.xml" is relative to xl/, "/xl/worksheets/sheet1.xml" absolute.
std::string partName(const QString &target) {
    const std::string t = target.toStdString();
    return t.starts_with('/') ? t.substr(1) : "xl/" + t;
}

// Shared strings kept as one text and the offsets of their ends.
class SharedStrings {
public:
    static constexpr std::size_t kMaxCount = 16 * 1024 * 1024;

    bool add(const QString &text) {
        if (m_ends.size() >= kMaxCount)
            return false;
        m_text += text.toStdString();
        m_ends.push_back(m_text.size());
        return true;
    }
    std::size_t size() const { return m_ends.size(); }
    std::string_view at(std::size_t i) const {
        const std::size_t begin = i == 0 ? 0 : m_ends[i - 1];
        return std::string_view(m_text).substr(begin, m_ends[i] - begin);
    }

private:
    std::string m_text;
    std::vector<std::size_t> m_ends;
};

// Text of <t> elements outside phonetic runs (<rPh>), as in <si> and <is>.
class RunText {
public:
    void token(const QXmlStreamReader &xml) {
        if (isStart(xml, u"rPh"))
            ++m_phonetic;
        else if (isEnd(xml, u"rPh"))
            --m_phonetic;
        else if (isStart(xml, u"t"))
            m_inText = m_phonetic == 0;
        else if (isEnd(xml, u"t"))
            m_inText = false;
        else if (m_inText && xml.tokenType() == QXmlStreamReader::Characters)
            m_text += xml.text();
    }
    QString take() {
        m_inText = false;
        m_phonetic = 0;
        return std::exchange(m_text, QString());
    }

private:
    QString m_text;
    int m_phonetic = 0;
    bool m_inText = false;
};

// Whether a number format code shows percents: a "%" outside quotes and escapes.
bool isPercentFormat(QStringView code) {
    bool quoted = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && c == u'\\')
            ++i;
        else if (!quoted && c == u'%')
            return true;
    }
    return false;
}

// The value shown for a percent-formatted cell, as its text form would give it:
// 0.1234 becomes 12.34, not 12.340000000000002.
double percentValue(double fraction) {
    char buffer[64];
    const auto written =
        std::to_chars(buffer, buffer + sizeof buffer, fraction * 100, std::chars_format::general, 15);
    double value = fraction * 100;
    std::from_chars(buffer, written.ptr, value);
    return value;
}

// "B12" gives column 1 (0-based); nothing when the reference holds no column letters.
std::optional<std::size_t> columnOf(QStringView reference) {
    std::size_t column = 0;
    qsizetype i = 0;
    for (; i < reference.size() && reference[i] >= u'A' && reference[i] <= u'Z'; ++i) {
        column = column * 26 + static_cast<std::size_t>(reference[i].unicode() - u'A' + 1);
        if (column > kMaxSheetColumns)
            return kMaxSheetColumns;
    }
    if (i == 0)
        return std::nullopt;
    return column - 1;
}

// ---- The worksheet ---------------------------------------------------------------------

class SheetReader {
public:
    SheetReader(SheetRows &rows, const SharedStrings &strings, const std::vector<bool> &percentStyles,
                std::optional<AnalyticsError> &failure)
        : m_rows(rows), m_strings(strings), m_percent(percentStyles), m_failure(failure) {}

    Step token(QXmlStreamReader &xml) {
        if (m_inCell) {
            if (isEnd(xml, u"c"))
                return endCell();
            if (isStart(xml, u"v"))
                m_inValue = true;
            else if (isEnd(xml, u"v"))
                m_inValue = false;
            else if (isStart(xml, u"is"))
                m_inline = true;
            else if (isEnd(xml, u"is"))
                m_inline = false;
            else if (m_inline)
                m_inlineText.token(xml);
            else if (m_inValue && xml.tokenType() == QXmlStreamReader::Characters)
                m_value += xml.text();
            return Step::Go;
        }
        if (isStart(xml, u"sheetData"))
            m_inData = true;
        else if (isEnd(xml, u"sheetData"))
            m_inData = false;
        else if (m_inData && isStart(xml, u"row"))
            return startRow(xml);
        else if (m_inRow && isStart(xml, u"c"))
            return startCell(xml);
        else if (m_inRow && isEnd(xml, u"row"))
            return endRow();
        return Step::Go;
    }

private:
    Step fail(AnalyticsError error) {
        m_failure = std::move(error);
        return Step::Fail;
    }

    Step startRow(const QXmlStreamReader &xml) {
        const QXmlStreamAttributes attributes = xml.attributes(); // owns what the view shows
        const QStringView r = attributes.value(QLatin1String("r"));
        const std::optional<long long> number =
            r.isEmpty() ? std::optional(m_lastRow + 1) : ::orbisel::core::number<long long>(r);
        if (!number || *number <= m_lastRow)
            return fail(damaged("worksheet rows are out of order"));
        if (*number > kMaxSheetRows)
            return fail(AnalyticsError{AnalyticsErrorKind::TooManyRows, {}});
        m_row = *number;
        m_inRow = true;
        m_cells.clear();
        m_column = -1;
        return Step::Go;
    }

    Step startCell(const QXmlStreamReader &xml) {
        const QXmlStreamAttributes attributes = xml.attributes();
        const QStringView r = attributes.value(QLatin1String("r"));
        const std::optional<std::size_t> column =
            r.isEmpty() ? std::optional<std::size_t>(m_column + 1) : columnOf(r);
        if (!column || *column >= kMaxSheetColumns)
            return fail(damaged("a cell reference is out of range"));
        m_cellColumn = *column;
        m_column = static_cast<long long>(*column);
        const QStringView type = attributes.value(QLatin1String("t"));
        m_type = type.isEmpty() || type == u"n" ? CellType::Number
                 : type == u"s"                 ? CellType::Shared
                 : type == u"inlineStr"         ? CellType::Inline
                                                : CellType::Other;
        const std::optional<int> style = number<int>(attributes.value(QLatin1String("s")));
        m_percentCell = style && *style >= 0 && static_cast<std::size_t>(*style) < m_percent.size() &&
                        m_percent[static_cast<std::size_t>(*style)];
        m_inCell = true;
        m_inValue = m_inline = false;
        m_value.clear();
        m_inlineText.take();
        return Step::Go;
    }

    Step endCell() {
        m_inCell = false;
        if (m_cellColumn >= m_rows.columnsWanted())
            return Step::Go;
        SheetCell cell;
        if (m_type == CellType::Shared) {
            const std::optional<std::size_t> index = number<std::size_t>(m_value);
            if (!index || *index >= m_strings.size())
                return fail(damaged("a cell names a shared string that does not exist"));
            cell.text = std::string(m_strings.at(*index));
        } else if (m_type == CellType::Inline) {
            cell.text = m_inlineText.take().toStdString();
        } else if (m_type == CellType::Number) {
            if (const std::optional<double> value = number<double>(m_value)) {
                cell.kind = SheetCell::Kind::Number;
                cell.number = m_percentCell ? percentValue(*value) : *value;
            } else {
                cell.text = m_value.toStdString();
            }
        } else {
            cell.text = m_value.toStdString();
        }
        if (cell.kind != SheetCell::Kind::Number && !cell.text.empty())
            cell.kind = SheetCell::Kind::Text;
        if (m_cellColumn >= m_cells.size())
            m_cells.resize(m_cellColumn + 1);
        m_cells[m_cellColumn] = std::move(cell);
        return Step::Go;
    }

    Step endRow() {
        m_inRow = false;
        m_lastRow = m_row;
        m_rows.add(m_row, m_cells);
        return m_rows.wantsMore() ? Step::Go : Step::Stop;
    }

    SheetRows &m_rows;
    const SharedStrings &m_strings;
    const std::vector<bool> &m_percent;
    std::optional<AnalyticsError> &m_failure;
    std::vector<SheetCell> m_cells;
    long long m_lastRow = 0;
    long long m_row = 0;
    long long m_column = -1;
    std::size_t m_cellColumn = 0;
    enum class CellType { Number, Shared, Inline, Other }; // Other: str, b, e, d, kept as text
    CellType m_type = CellType::Number;
    QString m_value;
    RunText m_inlineText;
    bool m_inData = false;
    bool m_inRow = false;
    bool m_inCell = false;
    bool m_inValue = false;
    bool m_inline = false;
    bool m_percentCell = false;
};

} // namespace

AnalyticsResult readAnalyticsXlsx(std::string_view bytes, std::string_view fileName) {
    ZipEntries zip(bytes);
    if (!zip.opened())
        return Failure{damaged("not a readable zip archive")};
    if (!zip.has("xl/workbook.xml"))
        return Failure{
            AnalyticsError{AnalyticsErrorKind::UnknownFormat, "a zip archive without xl/workbook.xml"}};
    std::optional<AnalyticsError> failure;

    // The first sheet of the workbook, by its relationship id.
    QString sheetId;
    Result<void, AnalyticsError> parsed = XmlPart::parse(
        zip, "xl/workbook.xml",
        [&](QXmlStreamReader &xml) {
            if (!isStart(xml, u"sheet"))
                return Step::Go;
            for (const QXmlStreamAttribute &attribute : xml.attributes())
                if (attribute.name() == u"id" && !attribute.namespaceUri().isEmpty())
                    sheetId = attribute.value().toString();
            return Step::Stop;
        },
        failure);
    if (!parsed)
        return Failure{parsed.error()};
    if (sheetId.isEmpty())
        return Failure{damaged("the workbook lists no worksheet")};

    std::vector<Relationship> relationships;
    parsed = XmlPart::parse(
        zip, "xl/_rels/workbook.xml.rels",
        [&](QXmlStreamReader &xml) {
            if (isStart(xml, u"Relationship")) {
                const QXmlStreamAttributes a = xml.attributes();
                relationships.push_back({a.value(QLatin1String("Id")).toString(),
                                         a.value(QLatin1String("Type")).toString(),
                                         a.value(QLatin1String("Target")).toString()});
            }
            return Step::Go;
        },
        failure);
    if (!parsed)
        return Failure{parsed.error()};
    auto target = [&](auto matches) -> std::optional<std::string> {
        for (const Relationship &r : relationships)
            if (matches(r) && !r.target.isEmpty())
                return partName(r.target);
        return std::nullopt;
    };
    const std::optional<std::string> sheetPart =
        target([&](const Relationship &r) { return r.id == sheetId; });
    if (!sheetPart)
        return Failure{damaged("the workbook's first worksheet has no part")};

    SharedStrings strings;
    const std::string stringsPart = target([](const Relationship &r) {
                                        return r.type.endsWith(u"/sharedStrings");
                                    }).value_or("xl/sharedStrings.xml");
    if (zip.has(stringsPart)) {
        RunText text;
        bool inItem = false;
        parsed = XmlPart::parse(
            zip, stringsPart,
            [&](QXmlStreamReader &xml) {
                if (isStart(xml, u"si")) {
                    inItem = true;
                    text.take();
                } else if (isEnd(xml, u"si")) {
                    inItem = false;
                    if (!strings.add(text.take())) {
                        failure = damaged("more shared strings than a workbook may hold");
                        return Step::Fail;
                    }
                } else if (inItem) {
                    text.token(xml);
                }
                return Step::Go;
            },
            failure);
        if (!parsed)
            return Failure{parsed.error()};
    }

    // Cell formats (cellXfs) whose number format shows percents: built-in 9 and 10, or a custom code.
    std::vector<bool> percentStyles;
    const std::string stylesPart =
        target([](const Relationship &r) { return r.type.endsWith(u"/styles"); }).value_or("xl/styles.xml");
    if (zip.has(stylesPart)) {
        std::set<int> percentFormats{9, 10};
        std::vector<int> formats;
        bool inFormats = false;
        bool inCellFormats = false;
        parsed = XmlPart::parse(
            zip, stylesPart,
            [&](QXmlStreamReader &xml) {
                if (isStart(xml, u"numFmts") || isEnd(xml, u"numFmts")) {
                    inFormats = xml.isStartElement();
                } else if (isStart(xml, u"cellXfs") || isEnd(xml, u"cellXfs")) {
                    inCellFormats = xml.isStartElement();
                } else if (inFormats && isStart(xml, u"numFmt")) {
                    const std::optional<int> id =
                        number<int>(xml.attributes().value(QLatin1String("numFmtId")));
                    if (id && isPercentFormat(xml.attributes().value(QLatin1String("formatCode"))))
                        percentFormats.insert(*id);
                } else if (inCellFormats && isStart(xml, u"xf") && formats.size() < kMaxSheetColumns * 4) {
                    formats.push_back(
                        number<int>(xml.attributes().value(QLatin1String("numFmtId"))).value_or(0));
                }
                return Step::Go;
            },
            failure);
        if (!parsed)
            return Failure{parsed.error()};
        for (const int format : formats)
            percentStyles.push_back(percentFormats.contains(format));
    }

    SheetRows rows(fileName);
    SheetReader sheet(rows, strings, percentStyles, failure);
    parsed = XmlPart::parse(
        zip, *sheetPart, [&](QXmlStreamReader &xml) { return sheet.token(xml); }, failure);
    if (!parsed)
        return Failure{parsed.error()};
    return rows.finish();
}

} // namespace orbisel::core
