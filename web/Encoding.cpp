#include "web/Encoding.h"

#include "web/TextRules.h"

#include <cerrno>
#include <iconv.h>

namespace orbisel {
namespace {

enum class Source { Utf8, Gbk, Utf16le };

// Bytes of an input sequence that iconv refused, counted so that one "?"
// stands for one broken or unrepresentable character and no valid byte after
// it is swallowed.
std::size_t rejectedLength(Source source, const unsigned char *p, std::size_t left) {
    switch (source) {
    case Source::Utf8: {
        unsigned char lead = p[0];
        std::size_t want = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        std::size_t n = 1;
        while (n < want && n < left && (p[n] & 0xC0) == 0x80)
            ++n;
        return n;
    }
    case Source::Gbk: {
        // A lead byte takes its follower only when that is a valid trail byte.
        bool lead = isGbkLeadByte(p[0]);
        bool trail = left >= 2 && p[1] >= 0x40 && p[1] <= 0xFE && p[1] != 0x7F;
        return lead && trail ? 2 : 1;
    }
    case Source::Utf16le: {
        if (left < 2)
            return left;
        unsigned unit = p[0] | (p[1] << 8);
        // A high surrogate with a valid low surrogate is one (unrepresentable) character.
        if (unit >= 0xD800 && unit <= 0xDBFF && left >= 4) {
            unsigned next = p[2] | (p[3] << 8);
            if (next >= 0xDC00 && next <= 0xDFFF)
                return 4;
        }
        return 2;
    }
    }
    return 1;
}

Text convert(std::string_view in, const char *from, const char *to, Source source,
             std::string_view question) {
    Text out;
    if (in.empty())
        return out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return out;
    out.reserve(in.size() + in.size() / 2 + 16);
    char *src = const_cast<char *>(in.data());
    std::size_t srcLeft = in.size();
    char buf[4096];
    while (srcLeft > 0) {
        char *dst = buf;
        std::size_t dstLeft = sizeof buf;
        std::size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buf, dst);
        if (rc != static_cast<std::size_t>(-1) || errno == E2BIG)
            continue;
        // EILSEQ: invalid or unrepresentable; EINVAL: truncated sequence at the end.
        out.append(question);
        std::size_t skip = rejectedLength(source, reinterpret_cast<const unsigned char *>(src), srcLeft);
        src += skip;
        srcLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    char *dst = buf;
    std::size_t dstLeft = sizeof buf;
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    out.append(buf, dst);
    iconv_close(cd);
    return out;
}

const char *iconvName(int codePage) {
    switch (codePage) {
    case kCodePageGbk:
        return "CP936";
    case kCodePageUtf8:
        return "UTF-8";
    default:
        return nullptr;
    }
}

constexpr std::string_view kQuestionUtf16{"?\0", 2};

} // namespace

Text gbkToUtf8(std::string_view gbk) {
    return convert(gbk, "CP936", "UTF-8", Source::Gbk, "?");
}

Text utf8ToGbk(std::string_view utf8) {
    return convert(utf8, "UTF-8", "CP936", Source::Utf8, "?");
}

Bytes toUtf16(std::string_view text, int codePage) {
    const char *name = iconvName(codePage);
    if (!name)
        return {};
    text = text.substr(0, text.find('\0'));
    Bytes out = convert(text, name, "UTF-16LE", codePage == kCodePageGbk ? Source::Gbk : Source::Utf8,
                        kQuestionUtf16);
    out.append(2, '\0');
    return out;
}

Text fromUtf16(std::string_view utf16, int codePage) {
    const char *name = iconvName(codePage);
    if (!name)
        return {};
    std::size_t units = utf16.size() / 2;
    for (std::size_t i = 0; i < units; ++i) {
        if (utf16[2 * i] == '\0' && utf16[2 * i + 1] == '\0') {
            units = i;
            break;
        }
    }
    return convert(utf16.substr(0, units * 2), "UTF-16LE", name, Source::Utf16le, "?");
}

} // namespace orbisel
