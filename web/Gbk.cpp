#include "web/Gbk.h"

#include "web/Encoding.h"

namespace orbisel {

QString fromGbk(std::string_view gbk) {
    const Text utf8 = gbkToUtf8(gbk);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

Text toGbk(const QString &text) {
    const QByteArray utf8 = text.toUtf8();
    return utf8ToGbk(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

Text gbk(std::string_view utf8) {
    return utf8ToGbk(utf8);
}

} // namespace orbisel
