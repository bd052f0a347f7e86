#pragma once

#include <minizip/zip.h>
#include <xlsxwriter.h>

#include "tests/support/FileContents.h"

#include <QTemporaryDir>

#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

// Files the analytics tests write: workbooks through libxlsxwriter, raw zip
// archives of hand-written XML parts through minizip.
namespace orbisel::test {

inline void writeBytes(const std::string &path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// One cell of a sheet written by libxlsxwriter: text, or a number with an optional number format.
struct XlsxCell {
    std::string text;
    double number = 0;
    bool isNumber = false;
    const char *format = nullptr;
    XlsxCell(const char *t) : text(t) {}
    XlsxCell(std::string t) : text(std::move(t)) {}
    XlsxCell(double n, const char *f = nullptr) : number(n), isNumber(true), format(f) {}
};
using XlsxRow = std::vector<XlsxCell>;

// Writes rows (index 0 is row 1) into the first sheet; empty rows are left out.
inline bool writeXlsx(const std::string &path, const std::vector<XlsxRow> &rows) {
    lxw_workbook *book = workbook_new(path.c_str());
    if (!book)
        return false;
    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    std::vector<std::pair<std::string, lxw_format *>> formats;
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            const XlsxCell &cell = rows[r][c];
            const auto row = static_cast<lxw_row_t>(r);
            const auto col = static_cast<lxw_col_t>(c);
            if (!cell.isNumber) {
                if (!cell.text.empty())
                    worksheet_write_string(sheet, row, col, cell.text.c_str(), nullptr);
                continue;
            }
            lxw_format *format = nullptr;
            if (cell.format) {
                for (const auto &[code, made] : formats)
                    if (code == cell.format)
                        format = made;
                if (!format) {
                    format = workbook_add_format(book);
                    format_set_num_format(format, cell.format);
                    formats.emplace_back(cell.format, format);
                }
            }
            worksheet_write_number(sheet, row, col, cell.number, format);
        }
    return workbook_close(book) == LXW_NO_ERROR;
}

struct ZipEntry {
    std::string name;
    std::string content;
    bool stored = false; // no compression
};

inline bool writeZip(const std::string &path, const std::vector<ZipEntry> &entries) {
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (!zip)
        return false;
    bool ok = true;
    for (const ZipEntry &entry : entries) {
        ok = ok && zipOpenNewFileInZip64(zip, entry.name.c_str(), nullptr, nullptr, 0, nullptr, 0, nullptr,
                                         entry.stored ? 0 : Z_DEFLATED, entry.stored ? 0 : Z_BEST_COMPRESSION,
                                         entry.content.size() > 0xFFFFFFFFu) == ZIP_OK;
        ok = ok && zipWriteInFileInZip(zip, entry.content.data(), static_cast<unsigned>(entry.content.size())) == ZIP_OK;
        ok = ok && zipCloseFileInZip(zip) == ZIP_OK;
    }
    return zipClose(zip, nullptr) == ZIP_OK && ok;
}

// The parts of a one-sheet workbook around the given worksheet and shared strings.
inline std::vector<ZipEntry> workbookParts(std::string sheet, std::string sharedStrings = {}) {
    std::vector<ZipEntry> parts = {
        {"[Content_Types].xml", R"(<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>)"},
        {"xl/workbook.xml",
         R"(<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="词" sheetId="1" r:id="rId1"/></sheets></workbook>)"},
        {"xl/_rels/workbook.xml.rels",
         R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/></Relationships>)"},
        {"xl/worksheets/sheet1.xml", std::move(sheet)},
    };
    if (!sharedStrings.empty())
        parts.push_back({"xl/sharedStrings.xml", std::move(sharedStrings)});
    return parts;
}

} // namespace orbisel::test
