#include "OrderTemplate.h"

#include "Exceptions.h"

#include <QFile>

#include <xlsxwriter.h>

namespace OrderTemplate {

namespace {

const int TableColumns = 4;
const int TableRows = 30;

lxw_format* NewFormat(lxw_workbook* Workbook, bool Bold, uint8_t Border)
{
    lxw_format* format = workbook_add_format(Workbook);
    if (Bold)
        format_set_bold(format);
    format_set_border(format, Border);
    return format;
}

void WriteOrderSheet(lxw_workbook* Workbook)
{
    lxw_worksheet* sheet = workbook_add_worksheet(Workbook, "Заказ");
    lxw_format* heading = NewFormat(Workbook, true, LXW_BORDER_NONE);
    format_set_font_size(heading, 14);
    format_set_align(heading, LXW_ALIGN_CENTER);
    worksheet_merge_range(sheet, 0, 1, 0, TableColumns, "Торговый дом «Велнор» — бланк заказа", heading);
    worksheet_write_string(sheet, 1, 1, "Москва, ул. Складская, 7; тел. (495) 123-45-67", nullptr);
    worksheet_set_column(sheet, 0, 0, 3, nullptr);
    worksheet_set_column(sheet, 1, 1, 42, nullptr);
    worksheet_set_column(sheet, 2, TableColumns, 14, nullptr);
    // The export writes the titles into row 3 and the lines below: those cells are framed.
    lxw_format* title = NewFormat(Workbook, true, LXW_BORDER_MEDIUM);
    format_set_bg_color(title, 0xDDEBF7);
    lxw_format* cell = NewFormat(Workbook, false, LXW_BORDER_THIN);
    for (lxw_col_t column = 1; column <= TableColumns; ++column) {
        worksheet_write_blank(sheet, 2, column, title);
        for (lxw_row_t row = 3; row < 3 + TableRows; ++row)
            worksheet_write_blank(sheet, row, column, cell);
    }
}

void WriteDetailsSheet(lxw_workbook* Workbook)
{
    lxw_worksheet* sheet = workbook_add_worksheet(Workbook, "Реквизиты");
    const char* details[][2] = {{"Продавец", "ООО «Торговый дом „Велнор“»"}, {"ИНН", "7701234567"}, {"КПП", "770101001"},
                                {"Банк", "ПАО «Банк»"}, {"Р/с", "40702810000000000001"}};
    worksheet_set_column(sheet, 0, 0, 14, nullptr);
    worksheet_set_column(sheet, 1, 1, 40, nullptr);
    lxw_row_t row = 0;
    for (const auto& [name, value] : details) {
        worksheet_write_string(sheet, row, 0, name, nullptr);
        worksheet_write_string(sheet, row, 1, value, nullptr);
        ++row;
    }
}

} // namespace

void Write(const QString& Path)
{
    lxw_workbook* workbook = workbook_new(QFile::encodeName(Path).constData());
    if (!workbook)
        throw EInOutError(QStringLiteral("Не удалось создать шаблон %1").arg(Path));
    WriteOrderSheet(workbook);
    WriteDetailsSheet(workbook);
    const lxw_error error = workbook_close(workbook);
    if (error != LXW_NO_ERROR)
        throw EInOutError(QStringLiteral("Не удалось записать шаблон %1: %2").arg(Path, QString::fromUtf8(lxw_strerror(error))));
}

} // namespace OrderTemplate
