#include "core/ResultWriters.h"

#include "web/SaveFile.h"

#include <array>
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

void appendNumber(std::string &out, long long value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

void appendCsvField(std::string &out, std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += text;
        return;
    }
    out += '"';
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

void appendCsvRow(std::string &out, const ResultRow &row) {
    appendCsvField(out, row.word);
    out += ',';
    appendCsvField(out, row.seed);
    out += ',';
    out += sourcesText(row.sources);
    out += ',';
    if (row.listings)
        appendNumber(out, *row.listings);
    out += ',';
    appendNumber(out, row.depth);
    out += ',';
    appendCsvField(out, row.parent);
    out += ',';
    appendNumber(out, row.occurrences);
    out += "\r\n";
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

void appendJsonRow(std::string &out, const ResultRow &row) {
    const auto key = [&out](std::size_t column) {
        out += column == 0 ? "{" : ",";
        appendJsonString(out, kResultColumns[column]);
        out += ':';
    };
    key(0);
    appendJsonString(out, row.word);
    key(1);
    appendJsonString(out, row.seed);
    key(2);
    appendJsonString(out, sourcesText(row.sources));
    key(3);
    if (row.listings)
        appendNumber(out, *row.listings);
    else
        out += "null";
    key(4);
    appendNumber(out, row.depth);
    key(5);
    appendJsonString(out, row.parent);
    key(6);
    appendNumber(out, row.occurrences);
    out += "}\n";
}

// Text formats: rows are formatted into a buffer passed on to the file in large pieces.
Result<void, WriteError> writeText(const std::string &path, const RowSource &rows, OutputFormat format) {
    bool rowsRead = true;
    const bool saved = streamFileAtomically(path, [&](const FileSink &sink) {
        std::string buffer;
        buffer.reserve(kFlushBytes + 4096);
        if (format == OutputFormat::Csv) {
            buffer += "\xEF\xBB\xBF";
            for (std::size_t i = 0; i < std::size(kResultColumns); ++i) {
                buffer += i ? "," : "";
                buffer += kResultColumns[i];
            }
            buffer += "\r\n";
        }
        bool written = true;
        rowsRead = rows([&](const ResultRow &row) {
            if (format == OutputFormat::Csv)
                appendCsvRow(buffer, row);
            else
                appendJsonRow(buffer, row);
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

Result<void, WriteError> writeXlsx(const std::string &path, const RowSource &rows) {
    bool rowsRead = true;
    bool tooManyRows = false;
    const bool replaced = replaceWithWorkbook(path, [&](lxw_worksheet *sheet) {
        bool ok = true;
        for (lxw_col_t column = 0; ok && column < std::size(kResultColumns); ++column)
            ok = worksheet_write_string(sheet, 0, column, std::string(kResultColumns[column]).c_str(),
                                        nullptr) == LXW_NO_ERROR;
        lxw_row_t line = 1;
        std::string depth;
        std::string occurrences;
        const auto text = [&](lxw_col_t column, const std::string &value) {
            return worksheet_write_string(sheet, line, column, value.c_str(), nullptr) == LXW_NO_ERROR;
        };
        if (ok)
            rowsRead = rows([&](const ResultRow &row) {
                if (line >= LXW_ROW_MAX) {
                    tooManyRows = true;
                    return ok = false;
                }
                depth.clear();
                appendNumber(depth, row.depth);
                occurrences.clear();
                appendNumber(occurrences, row.occurrences);
                ok = text(0, row.word) && text(1, row.seed) && text(2, sourcesText(row.sources)) &&
                     (!row.listings ||
                      worksheet_write_number(sheet, line, 3, static_cast<double>(*row.listings), nullptr) ==
                          LXW_NO_ERROR) &&
                     text(4, depth) && text(5, row.parent) && text(6, occurrences);
                ++line;
                return ok;
            });
        return ok && rowsRead;
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

Result<void, WriteError> writeResults(const std::string &path, const RowSource &rows) {
    const std::optional<OutputFormat> format = outputFormatFor(path);
    if (!format)
        return Failure{WriteError{WriteErrorKind::UnknownFormat, path}};
    if (*format == OutputFormat::Xlsx)
        return writeXlsx(path, rows);
    return writeText(path, rows, *format);
}

} // namespace orbisel::core
