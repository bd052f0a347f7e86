#include "ledger/LedgerNumbers.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace orbisel {
namespace {

// Maps full-width ASCII look-alikes and the full-width space to ASCII; other
// double-byte characters are kept whole so a trail byte is never read as ASCII.
std::string narrowFullWidth(const Text &text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x81 || i + 1 >= text.size()) {
            out.push_back(text[i]);
            continue;
        }
        const auto trail = static_cast<unsigned char>(text[i + 1]);
        if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE)
            out.push_back(static_cast<char>(trail & 0x7F));
        else if (lead == 0xA1 && trail == 0xA1)
            out.push_back(' ');
        else
            out.append(text, i, 2);
        ++i;
    }
    return out;
}

bool isCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

double ledgerTextToNumber(const Text &text) {
    const std::string s = narrowFullWidth(text);
    size_t i = 0;
    while (i < s.size() && isCSpace(s[i]))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    // Only a decimal number counts: atof's hexadecimal, "inf" and "nan" forms do not.
    const bool startsNumber =
        i < s.size() && (isDigit(s[i]) || (s[i] == '.' && i + 1 < s.size() && isDigit(s[i + 1])));
    if (!startsNumber)
        return 0.0;
    double value = 0.0;
    const char *first = s.data() + i;
    const auto [end, ec] = std::from_chars(first, s.data() + s.size(), value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        // strtod gives HUGE_VAL on overflow and a value near 0 on underflow.
        size_t e = i;
        while (e < s.size() && (isDigit(s[e]) || s[e] == '.'))
            ++e;
        bool overflow = true;
        if (e < s.size() && (s[e] == 'e' || s[e] == 'E'))
            overflow = !(e + 1 < s.size() && s[e + 1] == '-');
        value = overflow ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (ec != std::errc()) {
        return 0.0;
    }
    (void)end;
    return negative ? -value : value;
}

Text ledgerDoubleText(double value) {
    char buf[64];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 13);
    if (ec != std::errc())
        return "0";
    return Text(buf, end);
}

Text ledgerIntegerText(long long value) {
    char buf[32];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    (void)ec;
    return Text(buf, end);
}

} // namespace orbisel
