#include "mining/GbkText.h"

#include <cstring>

namespace orbisel::listtext {

std::vector<std::string_view> splitCrlf(std::string_view text) {
    std::vector<std::string_view> pieces;
    const auto *s = reinterpret_cast<const unsigned char *>(text.data());
    const size_t n = text.size();
    size_t start = 0;
    size_t i = 0;
    while (i < n) {
        if (s[i] == '\r' && i + 1 < n && s[i + 1] == '\n') {
            pieces.emplace_back(text.data() + start, i - start);
            i += 2;
            start = i;
        } else {
            i += charLength(s[i]);
        }
    }
    if (start < n)
        pieces.emplace_back(text.data() + start, n - start);
    return pieces;
}

size_t find(std::string_view text, std::string_view needle) {
    if (needle.empty())
        return text.empty() ? std::string_view::npos : 0;
    const auto *s = reinterpret_cast<const unsigned char *>(text.data());
    const size_t n = text.size();
    const size_t m = needle.size();
    for (size_t p = 0; p + m <= n; p += charLength(s[p]))
        if (s[p] == static_cast<unsigned char>(needle[0]) && std::memcmp(s + p, needle.data(), m) == 0)
            return p;
    return std::string_view::npos;
}

Text asciiLower(std::string_view text) {
    Text out(text);
    for (size_t i = 0; i < out.size();) {
        const auto b = static_cast<unsigned char>(out[i]);
        if (b >= 'A' && b <= 'Z')
            out[i] = static_cast<char>(b - 'A' + 'a');
        i += charLength(b);
    }
    return out;
}

} // namespace orbisel::listtext
