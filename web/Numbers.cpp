#include "web/Numbers.h"

#include "web/TextRules.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace orbisel {

// to_chars gives the printf forms without depending on the process locale.
Text formatNumber(long long value) {
    char buf[32];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    return ec == std::errc() ? Text(buf, end) : Text("0");
}

Text formatNumber(int value) {
    return formatNumber(static_cast<long long>(value));
}

Text formatNumber(double value) {
    char buf[64];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 13);
    return ec == std::errc() ? Text(buf, end) : Text("0");
}

double textToNumber(std::string_view text) {
    Text s;
    s.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        std::size_t len = gbkCharLength(text, i);
        const auto lead = static_cast<unsigned char>(text[i]);
        const auto trail = len == 2 ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (len == 2 && lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE)
            s.push_back(static_cast<char>(trail & 0x7F));
        else if (len == 2 && lead == 0xA1 && trail == 0xA1)
            s.push_back(' ');
        else
            s.append(text.substr(i, len));
        i += len;
    }
    std::size_t i = 0;
    auto isDigit = [&](std::size_t k) { return k < s.size() && s[k] >= '0' && s[k] <= '9'; };
    while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    const std::size_t begin = i;
    std::size_t digits = 0;
    while (isDigit(i))
        ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (isDigit(i))
            ++i, ++digits;
    }
    if (digits == 0)
        return 0.0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t k = i + 1;
        if (k < s.size() && (s[k] == '+' || s[k] == '-'))
            ++k;
        if (isDigit(k)) {
            while (isDigit(k))
                ++k;
            i = k;
        }
    }
    double value = 0.0;
    const std::string_view number(s.data() + begin, i - begin);
    if (std::from_chars(number.data(), number.data() + number.size(), value).ec ==
        std::errc::result_out_of_range) {
        // Out of range: atof gives HUGE_VAL for an overflow and 0 for an underflow.
        const bool underflow =
            number.find("e-") != std::string_view::npos || number.find("E-") != std::string_view::npos;
        value = underflow ? 0.0 : HUGE_VAL;
    }
    return negative ? -value : value;
}

} // namespace orbisel
