#include "core/files/TableWriter.h"

#include "web/CsvField.h"
#include "web/SaveFile.h"
#include "web/TableSheet.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <xlsxwriter.h>

namespace orbisel::core {

namespace {

constexpr std::size_t kFlushBytes = 1 << 20;

bool endsWithNoCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size())
        return false;
    text.remove_prefix(text.size() - suffix.size());
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix[i])
            return false;
    }
    return true;
}

template <class Number> void appendNumber(std::string &out, Number value) {
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

// Numbers of a cell as text; nothing for empty and text cells.
void appendNumberCell(std::string &out, const TableCell &cell) {
    if (const auto *whole = std::get_if<long long>(&cell))
        appendNumber(out, *whole);
    else if (const auto *decimal = std::get_if<double>(&cell))
        appendNumber(out, *decimal);
}

void appendJsonString(std::string &out, std::string_view text) {
    out += '"';
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            static constexpr char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[u >> 4];
            out += kHex[u & 15];
        } else
            out += c;
    }
    out += '"';
}

void appendCsvRow(std::string &out, std::span<const TableCell> cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i)
            out += ',';
        if (const auto *text = std::get_if<std::string_view>(&cells[i]))
            appendCsvField(out, *text);
        else
            appendNumberCell(out, cells[i]);
    }
    out += "\r\n";
}

void appendJsonRow(std::string &out, std::span<const TableColumn> columns, std::span<const TableCell> cells) {
    for (std::size_t i = 0; i < cells.size() && i < columns.size(); ++i) {
        out += i == 0 ? "{" : ",";
        appendJsonString(out, columns[i].name);
        out += ':';
        if (const auto *text = std::get_if<std::string_view>(&cells[i]))
            appendJsonString(out, *text);
        else if (std::holds_alternative<std::monostate>(cells[i]))
            out += "null";
        else
            appendNumberCell(out, cells[i]);
    }
    out += columns.empty() ? "{}\n" : "}\n";
}

// Text formats: rows are formatted into a buffer passed on to the file in large pieces.
Result<void, WriteError> writeText(const std::string &path, std::span<const TableColumn> columns,
                                   const CellSource &rows, OutputFormat format) {
    bool rowsRead = true;
    const bool saved = streamFileAtomically(path, [&](const FileSink &sink) {
        std::string buffer;
        buffer.reserve(kFlushBytes + 4096);
        if (format == OutputFormat::Csv) {
            buffer += "\xEF\xBB\xBF";
            for (std::size_t i = 0; i < columns.size(); ++i) {
                buffer += i ? "," : "";
                appendCsvField(buffer, columns[i].name);
            }
            buffer += "\r\n";
        }
        bool written = true;
        rowsRead = rows([&](std::span<const TableCell> cells) {
            if (format == OutputFormat::Csv)
                appendCsvRow(buffer, cells);
            else
                appendJsonRow(buffer, columns, cells);
            if (buffer.size() >= kFlushBytes) {
                written = sink(buffer);
                buffer.clear();
            }
            return written;
        });
        return rowsRead && written && sink(buffer);
    });
    if (saved)
        return {};
    if (!rowsRead)
        return Failure{WriteError{WriteErrorKind::ReadFailed, path}};
    return Failure{WriteError{WriteErrorKind::WriteFailed, path}};
}

bool writeXlsxCell(TableSheet &sheet, lxw_row_t line, lxw_col_t column, ColumnKind kind,
                   const TableCell &cell, std::string &scratch) {
    if (std::holds_alternative<std::monostate>(cell))
        return true;
    if (const auto *text = std::get_if<std::string_view>(&cell))
        return sheet.text(line, column, *text);
    if (kind == ColumnKind::Number) {
        const double value = std::holds_alternative<double>(cell)
                                 ? std::get<double>(cell)
                                 : static_cast<double>(std::get<long long>(cell));
        return sheet.number(line, column, value);
    }
    scratch.clear();
    appendNumberCell(scratch, cell);
    return sheet.text(line, column, scratch);
}

Result<void, WriteError> writeXlsx(const std::string &path, std::span<const TableColumn> columns,
                                   const CellSource &rows) {
    bool rowsRead = true;
    bool tooManyRows = false;
    const bool replaced = replaceWithWorkbook(path, [&](lxw_worksheet *worksheet) {
        TableSheet sheet(worksheet);
        bool ok = true;
        for (lxw_col_t column = 0; ok && column < columns.size(); ++column)
            ok = sheet.text(0, column, columns[column].name);
        lxw_row_t line = 1;
        std::string scratch;
        if (ok)
            rowsRead = rows([&](std::span<const TableCell> cells) {
                if (line >= LXW_ROW_MAX) {
                    tooManyRows = true;
                    return ok = false;
                }
                for (lxw_col_t column = 0; ok && column < cells.size() && column < columns.size(); ++column)
                    ok = writeXlsxCell(sheet, line, column, columns[column].kind, cells[column], scratch);
                ++line;
                return ok;
            });
        return ok && rowsRead && sheet.finish();
    });
    if (replaced)
        return {};
    if (tooManyRows)
        return Failure{WriteError{WriteErrorKind::TooManyRows, path}};
    if (!rowsRead)
        return Failure{WriteError{WriteErrorKind::ReadFailed, path}};
    return Failure{WriteError{WriteErrorKind::WriteFailed, path}};
}

} // namespace

std::optional<OutputFormat> outputFormatFor(std::string_view path) {
    if (endsWithNoCase(path, ".csv"))
        return OutputFormat::Csv;
    if (endsWithNoCase(path, ".xlsx"))
        return OutputFormat::Xlsx;
    if (endsWithNoCase(path, ".jsonl"))
        return OutputFormat::Jsonl;
    return std::nullopt;
}

Result<void, WriteError> checkOutputWritable(const std::string &path) {
    if (!outputFormatFor(path))
        return Failure{WriteError{WriteErrorKind::UnknownFormat, path}};
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path target = fs::absolute(fs::path(path), error);
    if (error)
        return Failure{WriteError{WriteErrorKind::FolderNotWritable, path}};
    if (fs::is_directory(target, error))
        return Failure{WriteError{WriteErrorKind::FolderNotWritable, path + ": is a folder"}};
    const fs::path folder = target.parent_path();
    if (!fs::is_directory(folder, error))
        return Failure{WriteError{WriteErrorKind::FolderNotWritable, folder.string() + ": no such folder"}};
    // Creating a file is the only sure test (permissions, read-only mounts, quotas).
    std::string probe = (folder / ".orbisel-probe-XXXXXX").string();
    const int fd = mkstemp(probe.data());
    if (fd < 0)
        return Failure{
            WriteError{WriteErrorKind::FolderNotWritable, folder.string() + ": " + std::strerror(errno)}};
    ::close(fd);
    ::unlink(probe.c_str());
    return {};
}

bool replaceWithWorkbook(const std::string &path, const WorksheetFill &fill, const WorkbookClose &close) {
    return replaceFileAtomically(path, [&](const std::string &tempPath) {
        std::string folder = tempPath.substr(0, tempPath.rfind('/'));
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        options.tmpdir = folder.data();
        lxw_workbook *workbook = workbook_new_opt(tempPath.c_str(), &options);
        if (!workbook)
            return false;
        lxw_worksheet *sheet = workbook_add_worksheet(workbook, nullptr);
        const bool filled = sheet && fill(sheet);
        const bool closed = close([workbook] { return workbook_close(workbook) == LXW_NO_ERROR; });
        return filled && closed;
    });
}

Result<void, WriteError> writeTable(const std::string &path, std::span<const TableColumn> columns,
                                    const CellSource &rows) {
    const std::optional<OutputFormat> format = outputFormatFor(path);
    if (!format)
        return Failure{WriteError{WriteErrorKind::UnknownFormat, path}};
    if (*format == OutputFormat::Xlsx)
        return writeXlsx(path, columns, rows);
    return writeText(path, columns, rows, *format);
}

} // namespace orbisel::core
