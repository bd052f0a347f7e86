#include "core/Seeds.h"

#include "web/Encoding.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <unordered_set>

namespace orbisel::core {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kFullWidthSpace = "\xE3\x80\x80";

bool isAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view trimSeed(std::string_view text) {
    while (true) {
        if (!text.empty() && isAsciiSpace(text.front()))
            text.remove_prefix(1);
        else if (text.starts_with(kFullWidthSpace))
            text.remove_prefix(kFullWidthSpace.size());
        else
            break;
    }
    while (true) {
        if (!text.empty() && isAsciiSpace(text.back()))
            text.remove_suffix(1);
        else if (text.ends_with(kFullWidthSpace))
            text.remove_suffix(kFullWidthSpace.size());
        else
            break;
    }
    return text;
}

class SeedList {
public:
    void add(std::string_view raw) {
        const std::string_view seed = trimSeed(raw);
        if (!seed.empty() && m_seen.emplace(seed).second)
            m_seeds.emplace_back(seed);
    }
    std::vector<std::string> take() { return std::move(m_seeds); }

private:
    std::vector<std::string> m_seeds;
    std::unordered_set<std::string> m_seen;
};

} // namespace

bool isValidUtf8(std::string_view bytes) {
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *end = p + bytes.size();
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int length = 0;
        unsigned char low = 0x80, high = 0xBF; // range of the second byte
        if (c >= 0xC2 && c <= 0xDF)
            length = 2;
        else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            if (c == 0xE0)
                low = 0xA0;
            else if (c == 0xED)
                high = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            if (c == 0xF0)
                low = 0x90;
            else if (c == 0xF4)
                high = 0x8F;
        } else
            return false;
        if (end - p < length || p[1] < low || p[1] > high)
            return false;
        for (int i = 2; i < length; ++i)
            if ((p[i] & 0xC0) != 0x80)
                return false;
        p += length;
    }
    return true;
}

std::vector<std::string> parseSeeds(std::string_view bytes) {
    if (bytes.starts_with(kBom))
        bytes.remove_prefix(kBom.size());
    std::string converted;
    if (!isValidUtf8(bytes)) {
        converted = gbkToUtf8(bytes);
        bytes = converted;
    }
    SeedList seeds;
    while (!bytes.empty()) {
        const std::size_t newline = bytes.find('\n');
        seeds.add(bytes.substr(0, newline));
        if (newline == std::string_view::npos)
            break;
        bytes.remove_prefix(newline + 1);
    }
    return seeds.take();
}

std::vector<std::string> distinctSeeds(const std::vector<std::string> &raw) {
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
    std::vector<std::string> seeds = parseSeeds(content);
    if (seeds.empty())
        return Failure{SeedsError{SeedsErrorKind::NoSeeds, path}};
    return seeds;
}

} // namespace orbisel::core
