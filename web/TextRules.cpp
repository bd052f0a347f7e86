#include "web/TextRules.h"

namespace orbisel {
namespace {

constexpr std::string_view kQuoteMarker = "#\xD2\xFD\xBA\xC5"; // "#引号"

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool matchesAt(std::string_view text, std::size_t i, std::string_view what, bool ignoreCase) {
    if (text.size() - i < what.size())
        return false;
    if (!ignoreCase)
        return text.compare(i, what.size(), what) == 0;
    // Case folding applies to ASCII letters outside double-byte characters only.
    for (std::size_t k = 0; k < what.size();) {
        std::size_t len = gbkCharLength(what, k);
        if (len == 2) {
            if (text[i + k] != what[k] || text[i + k + 1] != what[k + 1])
                return false;
        } else if (lowerAscii(text[i + k]) != lowerAscii(what[k])) {
            return false;
        }
        k += len;
    }
    return true;
}

} // namespace

std::size_t gbkCharLength(std::string_view text, std::size_t i) {
    return (isGbkLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
}

std::size_t findText(std::string_view text, std::string_view what, std::size_t start, bool ignoreCase) {
    if (what.empty() || start < 1 || start > text.size())
        return 0;
    for (std::size_t i = start - 1; i < text.size(); i += gbkCharLength(text, i)) {
        if (matchesAt(text, i, what, ignoreCase))
            return i + 1;
    }
    return 0;
}

bool containsText(std::string_view text, std::string_view what, bool ignoreCase) {
    return findText(text, what, 1, ignoreCase) != 0;
}

bool startsWithText(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool endsWithText(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

Text toLowerAscii(std::string_view text) {
    Text out(text);
    for (std::size_t i = 0; i < out.size();) {
        std::size_t len = gbkCharLength(out, i);
        if (len == 1)
            out[i] = lowerAscii(out[i]);
        i += len;
    }
    return out;
}

bool equalsIgnoreCaseAscii(std::string_view a, std::string_view b) {
    return a.size() == b.size() && matchesAt(a, 0, b, true);
}

Text trimGbkSpaces(std::string_view text) {
    std::size_t begin = 0, end = 0; // [begin, end) after trimming
    bool seenContent = false;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t len = gbkCharLength(text, i);
        bool space = (len == 1 && text[i] == ' ') || (len == 2 && text[i] == '\xA1' && text[i + 1] == '\xA1');
        if (!space) {
            if (!seenContent)
                begin = i;
            seenContent = true;
            end = i + len;
        }
        i += len;
    }
    return seenContent ? Text(text.substr(begin, end - begin)) : Text();
}

std::vector<std::string_view> splitTextViews(std::string_view text, std::string_view delimiter) {
    std::vector<std::string_view> items;
    if (text.empty())
        return items;
    if (delimiter.empty()) {
        items.push_back(text);
        return items;
    }
    std::size_t from = 1;
    for (;;) {
        std::size_t at = findText(text, delimiter, from);
        if (at == 0)
            break;
        items.push_back(text.substr(from - 1, at - from));
        from = at + delimiter.size();
    }
    if (from <= text.size())
        items.push_back(text.substr(from - 1));
    // A text ending with the delimiter leaves no trailing empty item.
    return items;
}

TextArray splitText(std::string_view text, std::string_view delimiter) {
    const std::vector<std::string_view> views = splitTextViews(text, delimiter);
    return TextArray(views.begin(), views.end());
}

Text replaceText(std::string_view text, std::string_view find, std::string_view replacement,
                 std::size_t start, std::optional<long long> count, bool ignoreCase) {
    if (start < 1)
        start = 1;
    if (find.empty() || start > text.size() || (count && *count <= 0))
        return Text(text);
    Text out(text.substr(0, start - 1));
    std::size_t from = start;
    long long done = 0;
    while (!count || done < *count) {
        std::size_t at = findText(text, find, from, ignoreCase);
        if (at == 0)
            break;
        out.append(text.substr(from - 1, at - from));
        out.append(replacement);
        from = at + find.size();
        ++done;
        if (from > text.size())
            break;
    }
    if (from <= text.size())
        out.append(text.substr(from - 1));
    return out;
}

Text textBetween(std::string_view text, std::string_view left, std::string_view right, std::size_t start,
                 bool ignoreCase) {
    const Text l = replaceText(left, kQuoteMarker, "\"");
    const Text r = replaceText(right, kQuoteMarker, "\"");
    std::size_t f = findText(text, l, start, ignoreCase);
    if (f == 0)
        return {};
    f += l.size();
    std::size_t g = findText(text, r, f, ignoreCase);
    if (g == 0)
        return {};
    return Text(text.substr(f - 1, g - f));
}

Text multiReplace(std::string_view text, const std::vector<ReplacePair> &pairs,
                  std::optional<long long> count, std::size_t start, bool caseSensitive) {
    if (pairs.empty() || pairs.size() > 5)
        return Text(text);
    if (start == 0)
        start = 1;
    Text current(text);
    for (const ReplacePair &pair : pairs)
        current = replaceText(current, pair.find, pair.replacement, start, count, !caseSensitive);
    return current;
}

} // namespace orbisel
