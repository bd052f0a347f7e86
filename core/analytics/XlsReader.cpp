#include "core/analytics/AnalyticsFile.h"
#include "core/analytics/SheetRows.h"

#include <freexl.h>

#include <memory>

namespace orbisel::core {
namespace {

AnalyticsError damaged(const std::string &what, int code) {
    return {AnalyticsErrorKind::Damaged, what + " (freexl error " + std::to_string(code) + ")"};
}

struct XlsClose {
    void operator()(const void *handle) const { freexl_close(handle); }
};

} // namespace

AnalyticsResult readAnalyticsXls(const std::string &path, std::string_view fileName) {
    const void *opened = nullptr;
    const int rc = freexl_open(path.c_str(), &opened);
    const std::unique_ptr<const void, XlsClose> handle(opened);
    if (rc == FREEXL_FILE_NOT_FOUND)
        return Failure{AnalyticsError{AnalyticsErrorKind::CannotRead, path}};
    if (rc != FREEXL_OK)
        return Failure{damaged("not a readable .xls workbook", rc)};
    unsigned int info = 0;
    if (freexl_get_info(opened, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK && info == FREEXL_BIFF_OBFUSCATED)
        return Failure{AnalyticsError{AnalyticsErrorKind::Damaged, "the workbook is password-protected"}};
    if (freexl_get_info(opened, FREEXL_BIFF_SHEET_COUNT, &info) != FREEXL_OK || info == 0)
        return Failure{AnalyticsError{AnalyticsErrorKind::Damaged, "a workbook without worksheets"}};
    if (const int sel = freexl_select_active_worksheet(opened, 0); sel != FREEXL_OK)
        return Failure{damaged("the first worksheet cannot be read", sel)};
    unsigned int rowCount = 0;
    unsigned short columnCount = 0;
    if (const int dim = freexl_worksheet_dimensions(opened, &rowCount, &columnCount); dim != FREEXL_OK)
        return Failure{damaged("the first worksheet cannot be read", dim)};
    if (rowCount > kMaxSheetRows)
        return Failure{AnalyticsError{AnalyticsErrorKind::TooManyRows, {}}};

    SheetRows rows(fileName);
    std::vector<SheetCell> cells;
    for (unsigned int r = 0; r < rowCount && rows.wantsMore(); ++r) {
        const std::size_t width = std::min<std::size_t>(columnCount, rows.columnsWanted());
        cells.assign(width, SheetCell{});
        for (std::size_t c = 0; c < width; ++c) {
            FreeXL_CellValue value;
            if (const int got = freexl_get_cell_value(opened, r, static_cast<unsigned short>(c), &value);
                got != FREEXL_OK)
                return Failure{damaged("a cell cannot be read", got)};
            SheetCell &cell = cells[c];
            switch (value.type) {
            case FREEXL_CELL_INT:
                cell.kind = SheetCell::Kind::Number;
                cell.number = value.value.int_value;
                break;
            case FREEXL_CELL_DOUBLE:
                cell.kind = SheetCell::Kind::Number;
                cell.number = value.value.double_value;
                break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME:
                if (value.value.text_value && *value.value.text_value) {
                    cell.kind = SheetCell::Kind::Text;
                    cell.text = value.value.text_value;
                }
                break;
            default:
                break;
            }
        }
        rows.add(static_cast<long long>(r) + 1, cells);
    }
    return rows.finish();
}

} // namespace orbisel::core
