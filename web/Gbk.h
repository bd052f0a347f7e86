#pragma once

#include "web/Text.h"

#include <QString>
#include <string_view>

namespace orbisel {

// The edge between the program's GBK texts and Qt's strings.
QString fromGbk(std::string_view gbk);
Text toGbk(const QString &text);
// Source literals are UTF-8; this gives their GBK text.
Text gbk(std::string_view utf8);

} // namespace orbisel
