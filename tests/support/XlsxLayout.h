#pragma once

#include <cstdio>
#include <string>

namespace orbisel::test {

// What a shell command writes to its standard output.
inline std::string commandOutput(const std::string &command) {
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

// The layout of a workbook's first sheet, read by openpyxl: the frozen cell, the
// autofilter range and the width of each column that has one, whole units
// ("A2 A1:C3 9 15 60"); "error" when the file cannot be read.
inline std::string xlsxLayout(const std::string &path) {
    return commandOutput(
        "/usr/bin/python3 -c 'import sys, openpyxl\n"
        "ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]\n"
        "widths = [str(int(d.width)) for k, d in sorted(ws.column_dimensions.items(),"
        " key=lambda i: openpyxl.utils.column_index_from_string(i[0])) if d.customWidth]\n"
        "print(\" \".join([str(ws.freeze_panes), str(ws.auto_filter.ref)] + widths), end=\"\")' '" +
        path + "' 2>/dev/null || printf error");
}

} // namespace orbisel::test
