#include "web/Encoding.h"

#include <cerrno>
#include <iconv.h>

namespace orbisel {
namespace {

// Converts with iconv, replacing each unconvertible input sequence by "?".
// `step` is the number of input bytes skipped for an invalid sequence.
Text convert(std::string_view in, const char *from, const char *to) {
    Text out;
    if (in.empty())
        return out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return out;
    out.reserve(in.size() + in.size() / 2 + 16);
    char *src = const_cast<char *>(in.data());
    size_t srcLeft = in.size();
    char buf[4096];
    while (srcLeft > 0) {
        char *dst = buf;
        size_t dstLeft = sizeof buf;
        size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buf, dst);
        if (rc != static_cast<size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // EILSEQ: invalid or unrepresentable; EINVAL: truncated sequence at the end.
        out.push_back('?');
        size_t skip = 1;
        if (std::string_view(from) == "UTF-8") {
            // Skip a whole UTF-8 sequence when its lead byte announces one.
            unsigned char lead = static_cast<unsigned char>(*src);
            size_t want = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
            skip = 1;
            while (skip < want && skip < srcLeft && (static_cast<unsigned char>(src[skip]) & 0xC0) == 0x80)
                ++skip;
        } else if (static_cast<unsigned char>(*src) >= 0x81 && srcLeft >= 2) {
            skip = 2;
        }
        src += skip;
        srcLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    char *dst = buf;
    size_t dstLeft = sizeof buf;
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    out.append(buf, dst);
    iconv_close(cd);
    return out;
}

} // namespace

Text gbkToUtf8(std::string_view gbk) { return convert(gbk, "CP936", "UTF-8"); }

Text utf8ToGbk(std::string_view utf8) { return convert(utf8, "UTF-8", "CP936"); }

} // namespace orbisel
