#include "web/UrlCookies.h"

#include "web/Encoding.h"
#include "web/TextRules.h"

#include <climits>

namespace orbisel {

Text urlHost(std::string_view url, bool keepPort) {
    Text u = toLowerAscii(url);
    if (!endsWithText(u, "/"))
        u += '/';
    Text host;
    if (startsWithText(u, "https://")) {
        host = textBetween(u, "https://", "/");
    } else {
        if (!containsText(u, "http://"))
            u.insert(0, "http://");
        host = textBetween(u, "http://", "/");
    }
    if (keepPort)
        return host;
    const std::size_t colon = findText(host, ":");
    return colon ? host.substr(0, colon - 1) : host;
}

int urlPort(std::string_view url) {
    const Text h = urlHost(url, true);
    const std::size_t colon = h.rfind(':');
    if (colon != Text::npos) {
        long long port = 0;
        for (std::size_t i = colon + 1; i < h.size() && h[i] >= '0' && h[i] <= '9'; ++i)
            port = std::min<long long>(port * 10 + (h[i] - '0'), INT_MAX);
        return static_cast<int>(port);
    }
    return equalsIgnoreCaseAscii(url.substr(0, 5), "https") ? 443 : 80;
}

Text urlPath(std::string_view url) {
    const Text h = urlHost(url, false);
    std::size_t from = findText(url, h, 1, true);
    if (from == 0)
        from = 1;
    const std::size_t slash = findText(url, "/", from);
    return slash ? Text(url.substr(slash - 1)) : Text("/");
}

Text percentEncode(std::string_view bytes, bool (*keep)(unsigned char)) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    Text out;
    out.reserve(bytes.size() * 3);
    for (unsigned char c : bytes) {
        if (keep(c)) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

Text urlEncode(std::string_view text, bool keepUnreserved, bool asUtf8) {
    if (text.empty())
        return {};
    const Text bytes = asUtf8 ? gbkToUtf8(text) : Text(text);
    if (!keepUnreserved)
        return percentEncode(bytes, [](unsigned char) { return false; });
    return percentEncode(bytes, [](unsigned char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' ||
               c == '.';
    });
}

Text mergeCookies(Text &sent, std::string_view received) {
    auto withoutSpaces = [](std::string_view text) {
        return replaceText(replaceText(text, " ", ""), "\xA1\xA1", "");
    };
    const TextArray a = splitText(withoutSpaces(sent), ";");
    TextArray b = splitText(withoutSpaces(received), ";");
    for (const Text &item : a) {
        if (!hasCookieName(b, cookieName(item)))
            b.push_back(item);
    }
    Text r;
    for (const Text &item : b) {
        if (!endsWithText(item, "=deleted"))
            r += item + "; ";
    }
    if (r.size() >= 2)
        r.resize(r.size() - 2);
    r = dedupeItems(r, "; ");
    sent = r;
    return r;
}

Text cookieName(std::string_view item) {
    const std::size_t eq = findText(item, "=");
    return trimGbkSpaces(eq ? item.substr(0, eq - 1) : item);
}

bool hasCookieName(const TextArray &items, std::string_view name) {
    for (const Text &item : items) {
        if (cookieName(item) == name)
            return true;
    }
    return false;
}

Text dedupeItems(std::string_view text, std::string_view delimiter) {
    TextArray kept;
    for (Text &item : splitText(text, delimiter)) {
        if (indexOfText(kept, item) == -1)
            kept.push_back(std::move(item));
    }
    Text out;
    for (const Text &item : kept) {
        out += item;
        out += delimiter;
    }
    out.resize(out.size() >= delimiter.size() ? out.size() - delimiter.size() : 0);
    return out;
}

int indexOfText(const TextArray &items, std::string_view text) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i] == text)
            return static_cast<int>(i + 1);
    }
    return -1;
}

} // namespace orbisel
