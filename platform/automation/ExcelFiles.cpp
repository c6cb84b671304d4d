#include "ExcelFiles.h"

#include "AutomationObjects.h"
#include "FileReplacement.h"
#include "WorkbookReader.h"

#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <xlsxwriter.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace ExcelFiles {

namespace {

constexpr int MaxRows = 1048576;
constexpr int MaxColumns = 16384;
constexpr qsizetype MaxTextLength = 32767;

[[noreturn]] void RaiseSaveError(const QString& Path, const QString& Reason)
{
    throw EOleError(QStringLiteral("Не удалось сохранить книгу «%1»: %2").arg(Path, Reason));
}

bool IsEmpty(const TCellValue& Value)
{
    return std::holds_alternative<std::monostate>(Value);
}

// "B3" for row 3, column 2.
QString CellName(int Row, int Column)
{
    QString letters;
    for (int rest = Column; rest > 0; rest = (rest - 1) / 26)
        letters.prepend(QChar(u'A' + (rest - 1) % 26));
    return letters + QString::number(Row);
}

[[noreturn]] void RaiseDamagedSheet(const QString& Reason)
{
    throw EOleError(QStringLiteral("лист повреждён: %1").arg(Reason));
}

bool IsColumnLetter(QChar C)
{
    return (C >= u'A' && C <= u'Z') || (C >= u'a' && C <= u'z');
}

// The column of a cell name such as "AB12"; raises EOleError for a name without column
// letters or beyond the sheet's last column.
int ColumnOf(QStringView Name)
{
    int column = 0;
    for (qsizetype i = 0; i < Name.size() && IsColumnLetter(Name[i]) && column <= MaxColumns; ++i)
        column = column * 26 + (Name[i].toUpper().unicode() - u'A' + 1);
    if (column < 1 || column > MaxColumns)
        RaiseDamagedSheet(QStringLiteral("ячейка «%1» вне листа").arg(Name.toString()));
    return column;
}

// The number of a row as its r attribute gives it; raises EOleError outside the sheet.
int RowOf(QStringView Number)
{
    bool valid = false;
    const int row = Number.toInt(&valid);
    if (!valid || row < 1 || row > MaxRows)
        RaiseDamagedSheet(QStringLiteral("строка «%1» вне листа").arg(Number.toString()));
    return row;
}

// The local part of a qualified XML name ("x:row" -> "row").
QStringView LocalName(QStringView QualifiedName)
{
    const qsizetype colon = QualifiedName.indexOf(u':');
    return colon < 0 ? QualifiedName : QualifiedName.mid(colon + 1);
}

// XML cannot carry most control characters: they are written as spreadsheet escapes (_x0001_).
QString XmlSafeText(const QString& Text)
{
    QString safe;
    safe.reserve(Text.size());
    for (QChar c : Text) {
        if (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r')
            safe += QStringLiteral("_x%1_").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            safe += c;
    }
    return safe;
}

// A file written beside its target and renamed over it when complete, so a failed save never
// leaves half a workbook where a good one was. A report the user made read-only is refused, a
// link is written at its target and the report keeps its permission bits.
class TTargetFile {
public:
    explicit TTargetFile(const QString& Path)
        : FPath(Path), FTarget(FileReplacement::TargetOf(Path))
    {
        if (QFileInfo::exists(FTarget) && !FileReplacement::Writable(FTarget))
            RaiseSaveError(FPath, QStringLiteral("файл доступен только для чтения"));
        FTemporary = FileReplacement::CreateBeside(FTarget);
        if (FTemporary.isEmpty())
            RaiseSaveError(FPath, QString::fromLocal8Bit(std::strerror(errno)));
    }
    TTargetFile(const TTargetFile&) = delete;
    TTargetFile& operator=(const TTargetFile&) = delete;
    ~TTargetFile()
    {
        if (!FTemporary.isEmpty())
            QFile::remove(FTemporary);
    }

    QString TemporaryPath() const { return FTemporary; }

    void Commit()
    {
        if (!FileReplacement::Replace(FTemporary, FTarget))
            RaiseSaveError(FPath, QString::fromLocal8Bit(std::strerror(errno)));
        FTemporary.clear();
    }

private:
    QString FPath;
    QString FTarget;
    QString FTemporary;
};

} // namespace

// ---------------------------------------------------------------------------------------
// TCellStore

void TCellStore::CheckCell(int Row, int Column)
{
    if (Row < 1 || Row > MaxRows || Column < 1 || Column > MaxColumns)
        throw EOleError(QStringLiteral("Ячейка (%1, %2) вне пределов листа").arg(Row).arg(Column));
}

void TCellStore::Put(int Row, int Column, TCellValue Value)
{
    CheckCell(Row, Column);
    if (const auto* text = std::get_if<QString>(&Value); text && text->size() > MaxTextLength)
        throw EOleError(QStringLiteral("Текст длиннее %1 знаков не помещается в ячейку").arg(MaxTextLength));
    if (const auto* number = std::get_if<double>(&Value); number && !std::isfinite(*number))
        throw EOleError(QStringLiteral("Значение не является конечным числом"));
    if (static_cast<size_t>(Row) > FRows.size()) {
        if (IsEmpty(Value))
            return;
        FRows.resize(static_cast<size_t>(Row));
    }
    std::vector<TCellValue>& cells = FRows[static_cast<size_t>(Row) - 1];
    if (static_cast<size_t>(Column) > cells.size()) {
        if (IsEmpty(Value))
            return;
        cells.resize(static_cast<size_t>(Column));
    }
    cells[static_cast<size_t>(Column) - 1] = std::move(Value);
}

// ---------------------------------------------------------------------------------------
// New workbooks

void WriteNewWorkbook(const TCellStore& Cells, const QString& Path)
{
    TTargetFile target(Path);
    // The cells come in row order, so the sheet can be streamed instead of kept twice.
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* workbook = workbook_new_opt(QFile::encodeName(target.TemporaryPath()).constData(), &options);
    if (!workbook)
        RaiseSaveError(Path, QStringLiteral("не удалось создать книгу"));
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Лист1");
    for (int row = 1; row <= Cells.RowCount(); ++row) {
        const std::vector<TCellValue>& cells = Cells.Cells(row);
        for (size_t column = 0; column < cells.size(); ++column) {
            const TCellValue& value = cells[column];
            const auto r = static_cast<lxw_row_t>(row - 1);
            const auto c = static_cast<lxw_col_t>(column);
            if (const auto* text = std::get_if<QString>(&value))
                worksheet_write_string(sheet, r, c, text->toUtf8().constData(), nullptr);
            else if (const auto* integer = std::get_if<qint32>(&value))
                worksheet_write_number(sheet, r, c, *integer, nullptr);
            else if (const auto* number = std::get_if<double>(&value))
                worksheet_write_number(sheet, r, c, *number, nullptr);
        }
    }
    const lxw_error error = workbook_close(workbook);
    if (error != LXW_NO_ERROR)
        RaiseSaveError(Path, QString::fromUtf8(lxw_strerror(error)));
    target.Commit();
}

// ---------------------------------------------------------------------------------------
// Merging cells into the sheet data of a template's sheet

namespace {

// Copies the sheet XML token by token (namespace processing off, so every prefix and
// declaration stays as written) and merges the cells into its rows, in row and column order.
class TSheetMerger {
public:
    TSheetMerger(const QByteArray& SheetXml, const TCellStore& Cells, QByteArray* Output)
        : FReader(SheetXml), FWriter(Output), FCells(Cells)
    {
        FReader.setNamespaceProcessing(false);
    }

    void Run()
    {
        while (ReadToken()) {
            if (IsStart(u"col"))
                NoteColumnStyle();
            if (IsStart(u"sheetData")) {
                const QStringView name = FReader.qualifiedName();
                FPrefix = name.left(name.indexOf(u':') + 1).toString();
                CopyToken();
                MergeSheetData();
                FFoundSheetData = true;
                continue;
            }
            CopyToken();
        }
        if (!FFoundSheetData && FCells.RowCount() > 0)
            throw EOleError(QStringLiteral("первый лист книги не содержит ячеек"));
    }

private:
    struct TColumnStyle {
        int Min;
        int Max;
        QString Style;
    };

    bool ReadToken()
    {
        if (FReader.atEnd())
            return false;
        FReader.readNext();
        if (FReader.hasError())
            RaiseDamagedSheet(FReader.errorString());
        return true;
    }

    // Copies the token at the reader as it was written, prefixes included (the writer's own
    // copy drops them when namespaces are not processed).
    void CopyToken()
    {
        switch (FReader.tokenType()) {
        case QXmlStreamReader::StartDocument:
            // A sheet without an XML declaration gets none (the reader reports an empty version).
            if (FReader.documentVersion().isEmpty())
                break;
            if (FReader.isStandaloneDocument())
                FWriter.writeStartDocument(FReader.documentVersion().toString(), true);
            else
                FWriter.writeStartDocument(FReader.documentVersion().toString());
            break;
        case QXmlStreamReader::EndDocument: FWriter.writeEndDocument(); break;
        case QXmlStreamReader::StartElement:
            FWriter.writeStartElement(FReader.qualifiedName().toString());
            CopyAttributes();
            break;
        case QXmlStreamReader::EndElement: FWriter.writeEndElement(); break;
        case QXmlStreamReader::Characters:
            if (FReader.isCDATA())
                FWriter.writeCDATA(FReader.text().toString());
            else
                FWriter.writeCharacters(FReader.text().toString());
            break;
        case QXmlStreamReader::Comment: FWriter.writeComment(FReader.text().toString()); break;
        case QXmlStreamReader::DTD: FWriter.writeDTD(FReader.text().toString()); break;
        case QXmlStreamReader::EntityReference: FWriter.writeEntityReference(FReader.name().toString()); break;
        case QXmlStreamReader::ProcessingInstruction:
            FWriter.writeProcessingInstruction(FReader.processingInstructionTarget().toString(),
                                               FReader.processingInstructionData().toString());
            break;
        default: break;
        }
    }

    // The namespace declarations and attributes of the element at the reader, but those named
    // in Skipped.
    void CopyAttributes(const QStringList& Skipped = {})
    {
        for (const QXmlStreamNamespaceDeclaration& declaration : FReader.namespaceDeclarations())
            FWriter.writeAttribute(declaration.prefix().isEmpty() ? QStringLiteral("xmlns") : QStringLiteral("xmlns:") + declaration.prefix().toString(),
                                   declaration.namespaceUri().toString());
        for (const QXmlStreamAttribute& attribute : FReader.attributes())
            if (!Skipped.contains(attribute.qualifiedName()))
                FWriter.writeAttribute(attribute.qualifiedName().toString(), attribute.value().toString());
    }

    bool IsStart(QStringView Name) const
    {
        return FReader.isStartElement() && LocalName(FReader.qualifiedName()) == Name;
    }
    bool IsEnd(QStringView Name) const { return FReader.isEndElement() && LocalName(FReader.qualifiedName()) == Name; }

    void NoteColumnStyle()
    {
        const QXmlStreamAttributes attributes = FReader.attributes();
        if (attributes.hasAttribute(QStringLiteral("style")))
            FColumnStyles.push_back({attributes.value(QStringLiteral("min")).toInt(), attributes.value(QStringLiteral("max")).toInt(),
                                     attributes.value(QStringLiteral("style")).toString()});
    }

    QString ColumnStyle(int Column) const
    {
        for (const TColumnStyle& style : FColumnStyles)
            if (Column >= style.Min && Column <= style.Max)
                return style.Style;
        return QString();
    }

    QString Name(const char* LocalName) const { return FPrefix + QLatin1String(LocalName); }

    void MergeSheetData()
    {
        int previousRow = 0;
        while (ReadToken()) {
            if (IsStart(u"row")) {
                const QStringView number = FReader.attributes().value(QStringLiteral("r"));
                const int row = number.isEmpty() ? previousRow + 1 : RowOf(number);
                if (row > MaxRows)
                    RaiseDamagedSheet(QStringLiteral("строк больше, чем на листе"));
                WriteRowsBefore(row);
                MergeRow(row);
                previousRow = row;
            } else if (IsEnd(u"sheetData")) {
                WriteRowsBefore(INT_MAX);
                CopyToken();
                return;
            } else {
                CopyToken();
            }
        }
    }

    const std::vector<TCellValue>* CellsOf(int Row) const
    {
        return Row >= 1 && Row <= FCells.RowCount() ? &FCells.Cells(Row) : nullptr;
    }

    static bool HasCells(const std::vector<TCellValue>* Cells)
    {
        return Cells && std::any_of(Cells->begin(), Cells->end(), [](const TCellValue& value) { return !IsEmpty(value); });
    }

    // The rows that hold cells and come before row Limit, as new rows.
    void WriteRowsBefore(int Limit)
    {
        for (; FNextRow < Limit && FNextRow <= FCells.RowCount(); ++FNextRow) {
            const std::vector<TCellValue>* cells = CellsOf(FNextRow);
            if (!HasCells(cells))
                continue;
            FWriter.writeStartElement(Name("row"));
            FWriter.writeAttribute(QStringLiteral("r"), QString::number(FNextRow));
            for (size_t column = 1; column <= cells->size(); ++column)
                WriteCell(FNextRow, static_cast<int>(column), ColumnStyle(static_cast<int>(column)));
            FWriter.writeEndElement();
        }
    }

    // An existing row: its cells, with ours put in place of or between them.
    void MergeRow(int Row)
    {
        const std::vector<TCellValue>* cells = CellsOf(Row);
        const bool merging = HasCells(cells);
        FNextRow = std::max(FNextRow, Row + 1);
        const QXmlStreamAttributes attributes = FReader.attributes();
        const QString rowStyle = attributes.value(QStringLiteral("customFormat")) == u"1" ? attributes.value(QStringLiteral("s")).toString() : QString();
        FWriter.writeStartElement(FReader.qualifiedName().toString());
        // The row's number as it was read (an empty r is numbered after the row before), once.
        FWriter.writeAttribute(QStringLiteral("r"), QString::number(Row));
        // The span of columns is a hint the added cells would make wrong.
        CopyAttributes(merging ? QStringList{QStringLiteral("r"), QStringLiteral("spans")} : QStringList{QStringLiteral("r")});
        int nextColumn = 1;
        int previousColumn = 0;
        while (ReadToken()) {
            if (IsStart(u"c")) {
                const QStringView name = FReader.attributes().value(QStringLiteral("r"));
                const int column = name.isEmpty() ? previousColumn + 1 : ColumnOf(name);
                if (column > MaxColumns)
                    RaiseDamagedSheet(QStringLiteral("ячеек в строке больше, чем столбцов на листе"));
                previousColumn = column;
                nextColumn = WriteCellsBefore(Row, cells, nextColumn, column, rowStyle);
                if (HoldsValue(cells, column)) {
                    WriteCell(Row, column, FReader.attributes().value(QStringLiteral("s")).toString());
                    FReader.skipCurrentElement();
                    nextColumn = column + 1;
                } else {
                    CopyCell(Row, column, name.isEmpty());
                }
            } else if (IsEnd(u"row")) {
                WriteCellsBefore(Row, cells, nextColumn, INT_MAX, rowStyle);
                FWriter.writeEndElement();
                return;
            } else {
                CopyToken();
            }
        }
    }

    static bool HoldsValue(const std::vector<TCellValue>* Cells, int Column)
    {
        return Cells && static_cast<size_t>(Column) <= Cells->size() && !IsEmpty((*Cells)[static_cast<size_t>(Column) - 1]);
    }

    // Our cells of Row from column From up to (not including) Limit; returns the next column.
    int WriteCellsBefore(int Row, const std::vector<TCellValue>* Cells, int From, int Limit, const QString& RowStyle)
    {
        if (!Cells)
            return From;
        int column = From;
        for (; column < Limit && static_cast<size_t>(column) <= Cells->size(); ++column)
            if (HoldsValue(Cells, column)) {
                const QString columnStyle = ColumnStyle(column);
                WriteCell(Row, column, RowStyle.isEmpty() ? columnStyle : RowStyle);
            }
        return column;
    }

    void WriteCell(int Row, int Column, const QString& Style)
    {
        const TCellValue& value = FCells.Cells(Row)[static_cast<size_t>(Column) - 1];
        if (IsEmpty(value))
            return;
        FWriter.writeStartElement(Name("c"));
        FWriter.writeAttribute(QStringLiteral("r"), CellName(Row, Column));
        if (!Style.isEmpty())
            FWriter.writeAttribute(QStringLiteral("s"), Style);
        if (const auto* text = std::get_if<QString>(&value)) {
            FWriter.writeAttribute(QStringLiteral("t"), QStringLiteral("inlineStr"));
            FWriter.writeStartElement(Name("is"));
            FWriter.writeStartElement(Name("t"));
            if (!text->isEmpty() && (text->front().isSpace() || text->back().isSpace()))
                FWriter.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
            FWriter.writeCharacters(XmlSafeText(*text));
            FWriter.writeEndElement();
            FWriter.writeEndElement();
        } else if (const auto* integer = std::get_if<qint32>(&value)) {
            FWriter.writeTextElement(Name("v"), QString::number(*integer));
        } else if (const auto* number = std::get_if<double>(&value)) {
            FWriter.writeTextElement(Name("v"), QString::number(*number, 'g', 17));
        }
        FWriter.writeEndElement();
    }

    // Copies the cell at the reader with everything in it, numbering it when it was not (its
    // r missing or empty).
    void CopyCell(int Row, int Column, bool Unnumbered)
    {
        FWriter.writeStartElement(FReader.qualifiedName().toString());
        if (Unnumbered)
            FWriter.writeAttribute(QStringLiteral("r"), CellName(Row, Column));
        CopyAttributes(Unnumbered ? QStringList{QStringLiteral("r")} : QStringList());
        for (int depth = 1; depth > 0 && ReadToken();) {
            if (FReader.isStartElement())
                ++depth;
            else if (FReader.isEndElement())
                --depth;
            CopyToken();
        }
    }

    QXmlStreamReader FReader;
    QXmlStreamWriter FWriter;
    const TCellStore& FCells;
    QString FPrefix;
    std::vector<TColumnStyle> FColumnStyles;
    int FNextRow = 1;
    bool FFoundSheetData = false;
};

} // namespace

QByteArray MergeCells(const QByteArray& SheetXml, const TCellStore& Cells)
{
    QByteArray merged;
    merged.reserve(SheetXml.size() + 64);
    TSheetMerger(SheetXml, Cells, &merged).Run();
    return merged;
}

// ---------------------------------------------------------------------------------------
// Templates

TWorkbookTemplate::TWorkbookTemplate(const QString& FileName)
    : FFileName(FileName)
{
    WorkbookReader::TWorkbookFile workbook = WorkbookReader::Read(FileName);
    FBytes = std::move(workbook.Bytes);
    FSheetEntry = std::move(workbook.SheetEntry);
    FSheetXml = std::move(workbook.SheetXml);
    // The sheet is read through once now, so that a damaged one is refused on opening.
    try {
        MergeCells(FSheetXml, TCellStore());
    } catch (const EOleError& error) {
        WorkbookReader::RaiseNotAWorkbook(FileName, error.Message());
    }
}

void TWorkbookTemplate::Write(const TCellStore& Cells, const QString& Path) const
{
    QByteArray sheet;
    try {
        sheet = MergeCells(FSheetXml, Cells);
    } catch (const EOleError& error) {
        RaiseSaveError(Path, error.Message());
    }
    TTargetFile target(Path);
    QFile copy(target.TemporaryPath());
    if (!copy.open(QIODevice::WriteOnly | QIODevice::Truncate) || copy.write(FBytes) != FBytes.size() || !copy.flush())
        RaiseSaveError(Path, copy.errorString());
    copy.close();
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(target.TemporaryPath()).constData(), 0, &error);
    if (!archive)
        RaiseSaveError(Path, QStringLiteral("ошибка архива %1").arg(error));
    const zip_int64_t index = zip_name_locate(archive, FSheetEntry.toUtf8().constData(), 0);
    zip_source_t* source = zip_source_buffer(archive, sheet.constData(), static_cast<zip_uint64_t>(sheet.size()), 0);
    if (index < 0 || !source || zip_file_replace(archive, static_cast<zip_uint64_t>(index), source, 0) < 0) {
        const QString reason = QString::fromUtf8(zip_strerror(archive));
        zip_source_free(source);
        zip_discard(archive);
        RaiseSaveError(Path, reason);
    }
    if (zip_close(archive) != 0) {
        const QString reason = QString::fromUtf8(zip_strerror(archive));
        zip_discard(archive);
        RaiseSaveError(Path, reason);
    }
    target.Commit();
}

} // namespace ExcelFiles
