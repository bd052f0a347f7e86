#include "core/inputs/Seeds.h"

#include "core/base/WordText.h"
#include "web/Encoding.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <unordered_set>

namespace orbisel::core {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

class SeedList {
public:
    void add(std::string_view raw) {
        const std::string_view seed = trimUtf8Spaces(raw);
        if (!seed.empty() && m_seen.emplace(seed).second)
            m_seeds.emplace_back(seed);
    }
    std::vector<std::string> take() { return std::move(m_seeds); }

private:
    std::vector<std::string> m_seeds;
    std::unordered_set<std::string> m_seen;
};

// The lines of the text without their LF or CRLF ends.
std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        if (newline != std::string_view::npos && line.ends_with('\r'))
            line.remove_suffix(1);
        lines.push_back(line);
        if (newline == std::string_view::npos)
            break;
        text.remove_prefix(newline + 1);
    }
    return lines;
}

bool hasControlByte(std::string_view line) {
    return std::any_of(line.begin(), line.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

// The number (from 1) of the first line that is wrong; 0 when none is.
template <class Wrong> long long firstLine(const std::vector<std::string_view> &lines, Wrong wrong) {
    const auto found = std::find_if(lines.begin(), lines.end(), wrong);
    return found == lines.end() ? 0 : static_cast<long long>(found - lines.begin()) + 1;
}

} // namespace

bool isValidGbk(std::string_view bytes) {
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *end = p + bytes.size();
    while (p < end) {
        if (*p < 0x80) {
            ++p;
            continue;
        }
        if (*p == 0x80 || *p == 0xFF || end - p < 2 || p[1] < 0x40 || p[1] == 0x7F || p[1] == 0xFF)
            return false;
        p += 2;
    }
    return true;
}

Result<std::vector<std::string>, SeedsError> parseSeeds(std::string_view bytes) {
    if (bytes.starts_with(kBom))
        bytes.remove_prefix(kBom.size());
    const std::vector<std::string_view> lines = splitLines(bytes);
    if (const long long line = firstLine(lines, hasControlByte))
        return Failure{SeedsError{SeedsErrorKind::ControlByte, {}, line}};
    const bool utf8 = isValidUtf8(bytes);
    if (!utf8 && !isValidGbk(bytes)) {
        // A line readable in neither encoding, else the first line of a file mixing both.
        long long line =
            firstLine(lines, [](std::string_view l) { return !isValidUtf8(l) && !isValidGbk(l); });
        if (!line)
            line = firstLine(lines, [](std::string_view l) { return !isValidUtf8(l); });
        return Failure{SeedsError{SeedsErrorKind::BadEncoding, {}, line}};
    }
    SeedList seeds;
    for (const std::string_view line : lines)
        seeds.add(utf8 ? std::string(line) : gbkToUtf8(line));
    return seeds.take();
}

Result<std::vector<std::string>, SeedsError> distinctSeeds(const std::vector<std::string> &raw) {
    const std::vector<std::string_view> items(raw.begin(), raw.end());
    if (const long long item = firstLine(items, hasControlByte))
        return Failure{SeedsError{SeedsErrorKind::ControlByte, {}, item}};
    if (const long long item =
            firstLine(items, [](std::string_view s) { return !isValidUtf8(s) && !isValidGbk(s); }))
        return Failure{SeedsError{SeedsErrorKind::BadEncoding, {}, item}};
    SeedList seeds;
    for (const std::string &seed : raw)
        seeds.add(isValidUtf8(seed) ? seed : gbkToUtf8(seed));
    return seeds.take();
}

Result<std::vector<std::string>, SeedsError> readSeedsFile(const std::string &path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return Failure{SeedsError{SeedsErrorKind::CannotRead, path + ": " + std::strerror(errno)}};
    std::string content;
    char buffer[65536];
    ssize_t got;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR))
        if (got > 0)
            content.append(buffer, static_cast<std::size_t>(got));
    const int readError = got < 0 ? errno : 0;
    ::close(fd);
    if (readError)
        return Failure{SeedsError{SeedsErrorKind::CannotRead, path + ": " + std::strerror(readError)}};
    auto seeds = parseSeeds(content);
    if (!seeds.ok())
        return Failure{SeedsError{seeds.error().kind, path, seeds.error().line}};
    if (seeds.value().empty())
        return Failure{SeedsError{SeedsErrorKind::NoSeeds, path}};
    return seeds;
}

} // namespace orbisel::core
