#include "core/analytics/AnalyticsFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace orbisel::core {
namespace {

constexpr std::string_view kOle2Magic = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

} // namespace

AnalyticsFormat analyticsFormatOf(std::string_view firstBytes) {
    if (firstBytes.starts_with(kOle2Magic))
        return AnalyticsFormat::Xls;
    if (firstBytes.starts_with("PK\x03\x04") || firstBytes.starts_with("PK\x05\x06"))
        return AnalyticsFormat::Xlsx;
    return AnalyticsFormat::Text;
}

AnalyticsResult readAnalyticsFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Failure{AnalyticsError{AnalyticsErrorKind::CannotRead, std::strerror(errno)}};
    char head[8] = {};
    in.read(head, sizeof head);
    const std::string_view first(head, static_cast<std::size_t>(in.gcount()));
    const AnalyticsFormat format = analyticsFormatOf(first);
    if (format == AnalyticsFormat::Xls)
        return readAnalyticsXls(path, path);

    in.clear();
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0)
        return Failure{AnalyticsError{AnalyticsErrorKind::CannotRead, "the file size is unknown"}};
    if (static_cast<unsigned long long>(size) > kMaxEntryBytes)
        return Failure{AnalyticsError{AnalyticsErrorKind::EntryTooLarge, "the file"}};
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.seekg(0);
    if (!in.read(bytes.data(), size))
        return Failure{AnalyticsError{AnalyticsErrorKind::CannotRead, "read failed"}};
    return format == AnalyticsFormat::Xlsx ? readAnalyticsXlsx(bytes, path) : readAnalyticsCsv(bytes, path);
}

} // namespace orbisel::core
