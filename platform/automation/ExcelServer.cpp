#include "ExcelServer.h"

#include "ExcelFiles.h"

#include <optional>
#include <vector>

namespace ExcelServer {

namespace {

using ExcelFiles::TCellStore;
using ExcelFiles::TCellValue;
using ExcelFiles::TWorkbookTemplate;

bool Is(const QString& Name, QLatin1String Expected)
{
    return Name.compare(Expected, Qt::CaseInsensitive) == 0;
}

[[noreturn]] void RaiseIndexOutOfRange()
{
    throw EOleError(QStringLiteral("Индекс вне диапазона"));
}

class TWorkbook;

// One cell of a sheet: takes its value.
class TCell : public TAutomationObject {
public:
    TCell(TCellStore* Cells, int Row, int Column) : FCells(Cells), FRow(Row), FColumn(Column) {}

    TOleVariant Invoke(const QString& Name, TInvokeKind Kind, TOleArguments Arguments) override
    {
        if (!Is(Name, QLatin1String("Value")) || Kind != TInvokeKind::PropertyPut)
            UnknownName(Name);
        CheckArgumentCount(Name, Arguments, 1);
        FCells->Put(FRow, FColumn, CellValue(Arguments[0]));
        return TOleVariant();
    }

private:
    static TCellValue CellValue(const TOleVariant& Value)
    {
        if (Value.IsString())
            return Value.AsString();
        if (Value.IsInteger())
            return Value.AsInteger();
        if (Value.IsDouble())
            return Value.AsDouble();
        if (Value.IsEmpty())
            return std::monostate();
        throw EOleError(QStringLiteral("Ячейка принимает только строку, целое число или число"));
    }

    TCellStore* FCells;
    int FRow;
    int FColumn;
};

// The one sheet whose cells are written: the first of its workbook.
class TSheet : public TAutomationObject {
public:
    explicit TSheet(TCellStore* Cells) : FCells(Cells) {}

    TOleVariant Invoke(const QString& Name, TInvokeKind Kind, TOleArguments Arguments) override
    {
        if (Is(Name, QLatin1String("Cells")) && Kind == TInvokeKind::PropertyGet) {
            CheckArgumentCount(Name, Arguments, 2);
            const int row = Arguments[0].AsInteger();
            const int column = Arguments[1].AsInteger();
            TCellStore::CheckCell(row, column);
            return TOleVariant(std::make_shared<TCell>(FCells, row, column));
        }
        if (Is(Name, QLatin1String("Select")) && Kind == TInvokeKind::Method) {
            CheckArgumentCount(Name, Arguments, 0);
            return TOleVariant();
        }
        UnknownName(Name);
    }

private:
    TCellStore* FCells;
};

// A workbook: new, or opened from a template; its first sheet takes the cells.
class TWorkbook : public TAutomationObject {
public:
    explicit TWorkbook(std::optional<TWorkbookTemplate> Template)
        : FTemplate(std::move(Template)), FSheet(std::make_shared<TSheet>(&FCells))
    {
    }

    TOleVariant Invoke(const QString& Name, TInvokeKind Kind, TOleArguments Arguments) override
    {
        if (Is(Name, QLatin1String("SaveAs")) && Kind == TInvokeKind::Method) {
            if (Arguments.empty())
                WrongArguments(Name);
            SaveAs(Arguments[0].AsString());
            return TOleVariant();
        }
        if (Is(Name, QLatin1String("Sheets")) && Kind == TInvokeKind::PropertyGet)
            return Sheets(Name, Arguments);
        UnknownName(Name);
    }

    TOleVariant Sheets(const QString& Name, TOleArguments Arguments) const
    {
        CheckArgumentCount(Name, Arguments, 1);
        if (Arguments[0].AsInteger() != 1)
            RaiseIndexOutOfRange();
        return TOleVariant(std::static_pointer_cast<TAutomationObject>(FSheet));
    }

private:
    void SaveAs(const QString& Path) const
    {
        if (FTemplate)
            FTemplate->Write(FCells, Path);
        else
            ExcelFiles::WriteNewWorkbook(FCells, Path);
    }

    std::optional<TWorkbookTemplate> FTemplate;
    TCellStore FCells;
    std::shared_ptr<TSheet> FSheet;
};

// The open workbooks, the last one opened being the active one.
class TWorkbooks : public TAutomationObject {
public:
    TOleVariant Invoke(const QString& Name, TInvokeKind Kind, TOleArguments Arguments) override
    {
        if (Kind == TInvokeKind::Method && Is(Name, QLatin1String("Add"))) {
            CheckArgumentCount(Name, Arguments, 0);
            return Opened(std::nullopt);
        }
        if (Kind == TInvokeKind::Method && Is(Name, QLatin1String("Open"))) {
            if (Arguments.empty())
                WrongArguments(Name);
            return Opened(TWorkbookTemplate(Arguments[0].AsString()));
        }
        if (Kind == TInvokeKind::PropertyGet && Is(Name, QLatin1String("Item"))) {
            CheckArgumentCount(Name, Arguments, 1);
            const int index = Arguments[0].AsInteger();
            if (index < 1 || index > static_cast<int>(FItems.size()))
                RaiseIndexOutOfRange();
            return TOleVariant(std::static_pointer_cast<TAutomationObject>(FItems[static_cast<size_t>(index) - 1]));
        }
        if (Kind == TInvokeKind::Method && Is(Name, QLatin1String("Close"))) {
            CheckArgumentCount(Name, Arguments, 0);
            FItems.clear();
            return TOleVariant();
        }
        UnknownName(Name);
    }

    TWorkbook* Active() const
    {
        if (FItems.empty())
            throw EOleError(QStringLiteral("Нет открытой книги"));
        return FItems.back().get();
    }

    void Clear() { FItems.clear(); }

private:
    TOleVariant Opened(std::optional<TWorkbookTemplate> Template)
    {
        FItems.push_back(std::make_shared<TWorkbook>(std::move(Template)));
        return TOleVariant(std::static_pointer_cast<TAutomationObject>(FItems.back()));
    }

    std::vector<std::shared_ptr<TWorkbook>> FItems;
};

class TApplication : public TAutomationObject {
public:
    TOleVariant Invoke(const QString& Name, TInvokeKind Kind, TOleArguments Arguments) override
    {
        if (Is(Name, QLatin1String("Sheets")) && Kind == TInvokeKind::PropertyGet)
            return FWorkbooks->Active()->Sheets(Name, Arguments);
        if (Is(Name, QLatin1String("WorkBooks")) && Kind != TInvokeKind::PropertyPut) {
            CheckArgumentCount(Name, Arguments, 0);
            return TOleVariant(std::static_pointer_cast<TAutomationObject>(FWorkbooks));
        }
        if (Is(Name, QLatin1String("Quit")) && Kind == TInvokeKind::Method) {
            FWorkbooks->Clear();
            return TOleVariant();
        }
        UnknownName(Name);
    }

private:
    std::shared_ptr<TWorkbooks> FWorkbooks = std::make_shared<TWorkbooks>();
};

} // namespace

std::shared_ptr<TAutomationObject> NewApplication()
{
    return std::make_shared<TApplication>();
}

} // namespace ExcelServer
