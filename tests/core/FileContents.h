#pragma once

#include "tests/support/XlsxLayout.h"

#include <fstream>
#include <sstream>
#include <string>

namespace orbisel::core {

inline std::string readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// One member of a zip file, through Python's zipfile module.
inline std::string zipMember(const std::string &zip, const std::string &member) {
    return test::commandOutput("/usr/bin/python3 -c 'import sys,zipfile; "
                               "sys.stdout.buffer.write(zipfile.ZipFile(sys.argv[1]).read(sys.argv[2]))' '" +
                               zip + "' '" + member + "'");
}

} // namespace orbisel::core
