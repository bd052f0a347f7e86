#pragma once

#include "tests/support/XlsxLayout.h"

#include <fstream>
#include <sstream>
#include <string>

// The whole content of a file, and of one member of a zip file, for checking what a test wrote.
namespace orbisel::test {

inline std::string readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// One member of a zip file, through Python's zipfile module.
inline std::string zipMember(const std::string &zip, const std::string &member) {
    return commandOutput("/usr/bin/python3 -c 'import sys,zipfile; "
                         "sys.stdout.buffer.write(zipfile.ZipFile(sys.argv[1]).read(sys.argv[2]))' '" +
                         zip + "' '" + member + "'");
}

} // namespace orbisel::test
