#include "ExcelExportSteps.h"

#include "Env.h"

#include <QDir>
#include <QFileInfo>

namespace ExcelExportSteps {

QString OutputPath(const QString& Directory, const QString& FileName)
{
    // Only the file-name part of FileName counts, whichever separator it was written with.
    QString name = FileName;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString directory = Directory.isEmpty() ? QDir::homePath() : Directory;
    return directory + QLatin1Char('/') + QFileInfo(name).fileName() + QStringLiteral(".xls");
}

TOleVariant StartWithNewWorkbook()
{
    TOleVariant excel = CreateOleObject(QStringLiteral("Excel.Application"));
    excel.Call(QStringLiteral("WorkBooks")).Call(QStringLiteral("Add"));
    excel.Get(QStringLiteral("Sheets"), 1).Call(QStringLiteral("Select"));
    return excel;
}

TOleVariant StartWithTemplate(const QString& TemplateName)
{
    TOleVariant excel = CreateOleObject(QStringLiteral("Excel.Application"));
    QString name = TemplateName;
    excel.Call(QStringLiteral("WorkBooks")).Call(QStringLiteral("Open"), TOleVariant::ByRef(name));
    excel.Get(QStringLiteral("Sheets"), 1).Call(QStringLiteral("Select"));
    return excel;
}

void PutCell(const TOleVariant& Excel, int Row, int Column, const TOleVariant& Value)
{
    Excel.Get(QStringLiteral("Sheets"), 1).Get(QStringLiteral("Cells"), Row, Column).Put(QStringLiteral("Value"), Value);
}

void SaveAndClose(const TOleVariant& Excel, const QString& Path)
{
    Excel.Call(QStringLiteral("WorkBooks")).Get(QStringLiteral("Item"), 1).Call(QStringLiteral("SaveAs"), Path);
    Excel.Call(QStringLiteral("WorkBooks")).Call(QStringLiteral("Close"));
}

void ShowProcessed(int Processed, int Count)
{
    if (Processed % 20 == 0)
        Env::ShowProgress(QStringLiteral("Обработано %1 записей из %2...").arg(Processed).arg(Count));
}

bool EndExport(bool Written)
{
    if (Written)
        Env::ShowProgress(QString());
    return Written;
}

} // namespace ExcelExportSteps
