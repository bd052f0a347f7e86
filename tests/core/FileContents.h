#pragma once

#include <cstdio>
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
    const std::string command = "/usr/bin/python3 -c 'import sys,zipfile; "
                                "sys.stdout.buffer.write(zipfile.ZipFile(sys.argv[1]).read(sys.argv[2]))' '" +
                                zip + "' '" + member + "'";
    std::string out;
    if (FILE *pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t got;
        while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            out.append(buffer, got);
        pclose(pipe);
    }
    return out;
}

} // namespace orbisel::core
