#include "Db.h"

#include "Exceptions.h"
#include "StringList.h"

#include <QSqlError>
#include <QSqlField>

#include <mutex>

#include <malloc.h>

VEL_IMPLEMENT_CLASS(TValueHolder)
VEL_IMPLEMENT_CLASS(TField)
VEL_IMPLEMENT_CLASS(TParam)
VEL_IMPLEMENT_CLASS(TDataSet)
VEL_IMPLEMENT_CLASS(TDataSource)

namespace {

[[noreturn]] void RaiseNotConvertible(const QVariant& Value, const char* Kind)
{
    throw EConvertError(QStringLiteral("'%1' не является %2").arg(Value.toString(), QString::fromUtf8(Kind)));
}

template <class T, class Convert>
T Converted(const QVariant& Value, const char* Kind, Convert Conversion)
{
    if (Value.isNull())
        return T();
    bool ok = false;
    const T result = Conversion(Value, &ok);
    if (!ok)
        RaiseNotConvertible(Value, Kind);
    return result;
}

TFieldType FieldTypeOf(QMetaType Type)
{
    switch (Type.id()) {
    case QMetaType::QString: return ftString;
    case QMetaType::Short:
    case QMetaType::UShort: return ftSmallint;
    case QMetaType::Int:
    case QMetaType::UInt: return ftInteger;
    case QMetaType::LongLong:
    case QMetaType::ULongLong: return ftLargeint;
    case QMetaType::Bool: return ftBoolean;
    case QMetaType::Float:
    case QMetaType::Double: return ftFloat;
    case QMetaType::QDate: return ftDate;
    case QMetaType::QTime: return ftTime;
    case QMetaType::QDateTime: return ftDateTime;
    case QMetaType::QByteArray: return ftBlob;
    default: return ftUnknown;
    }
}

bool IsEditState(TDataSetState State)
{
    return State == dsEdit || State == dsInsert;
}

bool ValueMatches(const QVariant& Value, const QVariant& Key, TLocateOptions Options)
{
    if (Value.isNull() || Key.isNull())
        return Value.isNull() && Key.isNull();
    if (Options & (loCaseInsensitive | loPartialKey)) {
        const Qt::CaseSensitivity sensitivity = (Options & loCaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
        const QString text = Value.toString();
        const QString key = Key.toString();
        return (Options & loPartialKey) ? text.startsWith(key, sensitivity) : text.compare(key, sensitivity) == 0;
    }
    if (QVariant::compare(Value, Key) == QPartialOrdering::Equivalent)
        return true;
    return Value.toString() == Key.toString();
}

// Datasets keep the rows they have read. Freed memory stays in the heap for the next big
// result set instead of going back to the system at once: otherwise every large query faults
// all of its pages in afresh, which costs about as much as reading the rows.
void KeepFreedMemoryForReuse()
{
    static std::once_flag tuned;
    std::call_once(tuned, [] {
        mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
        mallopt(M_TOP_PAD, 64 * 1024 * 1024);
    });
}

} // namespace

// ---------------------------------------------------------------------------------------
// TValueHolder

// A null number reads as an empty text, not as "0" (drivers type their null values).
QString TValueHolder::AsString() const
{
    const QVariant value = Value();
    return value.isNull() ? QString() : value.toString();
}

qint32 TValueHolder::AsInteger() const
{
    return Converted<qint32>(Value(), "целым числом", [](const QVariant& v, bool* ok) { return v.toInt(ok); });
}

qint64 TValueHolder::AsLargeInt() const
{
    return Converted<qint64>(Value(), "целым числом", [](const QVariant& v, bool* ok) { return v.toLongLong(ok); });
}

double TValueHolder::AsFloat() const
{
    return Converted<double>(Value(), "числом", [](const QVariant& v, bool* ok) { return v.toDouble(ok); });
}

bool TValueHolder::AsBoolean() const
{
    return Value().toBool();
}

QDateTime TValueHolder::AsDateTime() const
{
    return Converted<QDateTime>(Value(), "датой и временем", [](const QVariant& v, bool* ok) {
        QDateTime result = v.toDateTime();
        *ok = result.isValid();
        return result;
    });
}

// ---------------------------------------------------------------------------------------
// TField, TParam, TParams

TField::TField(TDataSet* DataSet, int Index, const QString& FieldName, TFieldType DataType)
    : FDataSet(DataSet), FIndex(Index), FFieldName(FieldName), FDataType(DataType)
{
}

QVariant TField::Value() const
{
    return FDataSet->FieldValue(FIndex);
}

void TField::SetValue(const QVariant& Value)
{
    FDataSet->SetFieldValue(FIndex, Value);
}

void TParam::SetValue(const QVariant& Value)
{
    FValue = Value;
    FBound = true;
}

TParam* TParams::FindParam(const QString& Name) const
{
    for (const auto& param : FItems)
        if (TStringList::SameText(param->Name(), Name))
            return param.get();
    return nullptr;
}

TParam* TParams::ParamByName(const QString& Name) const
{
    TParam* param = FindParam(Name);
    if (!param)
        throw EDatabaseError(QStringLiteral("Параметр '%1' не найден").arg(Name));
    return param;
}

void TParams::Assign(const QStringList& Names)
{
    std::vector<std::unique_ptr<TParam>> items;
    for (const QString& name : Names) {
        auto kept = std::find_if(FItems.begin(), FItems.end(),
                                 [&](const auto& param) { return param && TStringList::SameText(param->Name(), name); });
        items.push_back(kept != FItems.end() ? std::move(*kept) : std::make_unique<TParam>(name));
    }
    FItems = std::move(items);
}

// ---------------------------------------------------------------------------------------
// TDataSet: opening and closing

TDataSet::TDataSet(TComponent* AOwner, TDatabaseProvider& Databases)
    : TComponent(AOwner), FDatabases(&Databases)
{
}

TDataSet::~TDataSet()
{
    Close();
    DetachDatabase();
    FDataLinks.Tell(deDataSetDestroying);
}

void TDataSet::SetDatabaseName(const QString& Name)
{
    CheckInactive();
    DetachDatabase();
    FDatabaseName = Name;
}

void TDataSet::CheckInactive() const
{
    if (Active())
        throw EDatabaseError(QStringLiteral("Операция невозможна: набор данных открыт"));
}

void TDataSet::CheckActive() const
{
    if (!Active())
        throw EDatabaseError(QStringLiteral("Операция невозможна: набор данных закрыт"));
}

TDatabase* TDataSet::AttachDatabase()
{
    if (!FDatabase)
        FDatabase = FDatabases->Attach(FDatabaseName, this);
    return FDatabase;
}

void TDataSet::DetachDatabase()
{
    if (FDatabase) {
        FDatabases->Detach(FDatabase, this);
        FDatabase = nullptr;
    }
}

void TDataSet::ReleaseIdleDatabase()
{
    if (!Active() && !KeepsDatabase())
        DetachDatabase();
}

void TDataSet::Open()
{
    if (Active())
        return;
    KeepFreedMemoryForReuse();
    try {
        FCursor = OpenCursor(AttachDatabase());
        if (!FCursor->isSelect())
            throw EDatabaseError(QStringLiteral("Запрос не возвращает набор данных"));
        CreateFields(FCursor->record());
    } catch (...) {
        FCursor.reset();
        DestroyFields();
        ReleaseIdleDatabase();
        throw;
    }
    FState = dsBrowse;
    FCurrent = HasRow(0) ? 0 : -1;
    FBof = true;
    FEof = FCurrent < 0;
    NotifyControls(deLayoutChange);
}

void TDataSet::Close()
{
    if (!Active())
        return;
    FState = dsInactive;
    FEditBuffer.clear();
    FModified.clear();
    FCursor.reset();
    FRows.clear();
    FCurrent = -1;
    FBof = FEof = true;
    DestroyFields();
    ReleaseIdleDatabase();
    NotifyControls(deLayoutChange);
}

void TDataSet::SetActive(bool Value)
{
    if (Value)
        Open();
    else
        Close();
}

void TDataSet::DatabaseClosing()
{
    Close();
    DetachDatabase();
}

void TDataSet::CreateFields(const QSqlRecord& Record)
{
    DestroyFields();
    for (int i = 0; i < Record.count(); ++i)
        FFields.push_back(std::make_unique<TField>(this, i, Record.fieldName(i), FieldTypeOf(Record.field(i).metaType())));
}

void TDataSet::DestroyFields()
{
    FFields.clear();
}

// ---------------------------------------------------------------------------------------
// TDataSet: the row cache and navigation

bool TDataSet::FetchRow()
{
    if (!FCursor)
        return false;
    if (!FCursor->next()) {
        const QSqlError error = FCursor->lastError();
        FCursor.reset();
        if (error.isValid())
            throw EDatabaseError(error.text());
        return false;
    }
    const int count = FieldCount();
    for (int i = 0; i < count; ++i)
        FRows.push_back(FCursor->value(i));
    return true;
}

bool TDataSet::HasRow(int Row)
{
    while (Row >= CachedRows())
        if (!FetchRow())
            return false;
    return Row >= 0;
}

void TDataSet::FetchAll()
{
    while (FetchRow()) {
    }
}

void TDataSet::FetchRecords(int Count)
{
    for (int i = 0; i < Count && FetchRow(); ++i) {
    }
}

QVariant TDataSet::RecordValue(int Row, int Field) const
{
    if (Row < 0 || Row >= CachedRows() || Field < 0 || Field >= FieldCount())
        return QVariant();
    return FRows[static_cast<size_t>(Row) * FFields.size() + Field];
}

void TDataSet::First()
{
    CheckActive();
    CheckBrowseMode();
    FCurrent = HasRow(0) ? 0 : -1;
    FBof = true;
    FEof = FCurrent < 0;
    NotifyControls(deDataSetScroll);
}

void TDataSet::Next()
{
    CheckActive();
    CheckBrowseMode();
    if (FCurrent >= 0 && HasRow(FCurrent + 1)) {
        ++FCurrent;
        FBof = false;
        NotifyControls(deDataSetScroll);
    } else {
        FEof = true;
    }
}

void TDataSet::Prior()
{
    CheckActive();
    CheckBrowseMode();
    if (FCurrent > 0) {
        --FCurrent;
        FEof = false;
        NotifyControls(deDataSetScroll);
    } else {
        FBof = true;
    }
}

void TDataSet::Last()
{
    CheckActive();
    CheckBrowseMode();
    FetchAll();
    FCurrent = CachedRows() - 1;
    FEof = true;
    FBof = FCurrent < 0;
    NotifyControls(deDataSetScroll);
}

int TDataSet::RecordCount()
{
    CheckActive();
    FetchAll();
    return CachedRows();
}

int TDataSet::RecNo() const
{
    return Active() ? FCurrent + 1 : 0;
}

void TDataSet::SetRecNo(int Value)
{
    CheckActive();
    CheckBrowseMode();
    const int row = std::max(Value, 1) - 1;
    FCurrent = HasRow(row) ? row : CachedRows() - 1;
    FBof = FCurrent <= 0;
    FEof = FCurrent < 0;
    NotifyControls(deDataSetScroll);
}

bool TDataSet::IsEmpty()
{
    return !Active() || (FState != dsInsert && !HasRow(0));
}

// ---------------------------------------------------------------------------------------
// TDataSet: fields

TField* TDataSet::Fields(int Index) const
{
    if (Index < 0 || Index >= FieldCount())
        throw EDatabaseError(QStringLiteral("Индекс поля вне допустимого диапазона (%1)").arg(Index));
    return FFields[Index].get();
}

TField* TDataSet::FindField(const QString& FieldName) const
{
    // Names usually come as the driver spells them: an exact comparison is much cheaper
    // than one that ignores letter case, and rows are often read field by field by name.
    for (const auto& field : FFields)
        if (field->FieldName() == FieldName)
            return field.get();
    for (const auto& field : FFields)
        if (field->FieldName().compare(FieldName, Qt::CaseInsensitive) == 0)
            return field.get();
    return nullptr;
}

TField* TDataSet::FieldByName(const QString& FieldName) const
{
    TField* field = FindField(FieldName);
    if (!field)
        throw EDatabaseError(QStringLiteral("Поле '%1' не найдено").arg(FieldName));
    return field;
}

void TDataSet::GetFieldNames(TStringList* List) const
{
    List->Clear();
    for (const auto& field : FFields)
        List->Add(field->FieldName());
}

QVariant TDataSet::FieldValue(int Index) const
{
    if (IsEditState(FState))
        return FEditBuffer[Index];
    if (FCurrent < 0)
        return QVariant();
    return FRows[static_cast<size_t>(FCurrent) * FFields.size() + Index];
}

void TDataSet::SetFieldValue(int Index, const QVariant& Value)
{
    CheckEditing();
    FEditBuffer[Index] = Value;
    FModified[Index] = true;
}

std::vector<QVariant> TDataSet::CurrentRow() const
{
    std::vector<QVariant> row;
    for (int i = 0; i < FieldCount(); ++i)
        row.push_back(FRows[static_cast<size_t>(FCurrent) * FFields.size() + i]);
    return row;
}

// ---------------------------------------------------------------------------------------
// TDataSet: locate

bool TDataSet::Locate(const QString& KeyFields, const QVariant& KeyValues, TLocateOptions Options)
{
    CheckActive();
    CheckBrowseMode();
    std::vector<TField*> fields;
    for (const QString& name : KeyFields.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        fields.push_back(FieldByName(name.trimmed()));
    const bool oneValue = fields.size() == 1 && KeyValues.metaType().id() != QMetaType::QVariantList;
    const QVariantList values = oneValue ? QVariantList{KeyValues} : KeyValues.toList();
    if (fields.empty() || values.size() != static_cast<qsizetype>(fields.size()))
        throw EDatabaseError(QStringLiteral("Число ключевых значений не совпадает с числом ключевых полей"));
    for (int row = 0; HasRow(row); ++row)
        if (RowMatches(row, fields, values, Options)) {
            FCurrent = row;
            FBof = FEof = false;
            NotifyControls(deDataSetScroll);
            return true;
        }
    return false;
}

bool TDataSet::RowMatches(int Row, const std::vector<TField*>& KeyFields, const QVariantList& Values,
                          TLocateOptions Options) const
{
    const size_t base = static_cast<size_t>(Row) * FFields.size();
    for (size_t i = 0; i < KeyFields.size(); ++i)
        if (!ValueMatches(FRows[base + KeyFields[i]->Index()], Values[static_cast<qsizetype>(i)], Options))
            return false;
    return true;
}

// ---------------------------------------------------------------------------------------
// TDataSet: editing

void TDataSet::CheckEditing() const
{
    if (!IsEditState(FState))
        throw EDatabaseError(QStringLiteral("Набор данных не находится в режиме редактирования или вставки"));
}

// Leaves an edit before the cursor moves: a modified row is posted, an untouched one dropped.
void TDataSet::CheckBrowseMode()
{
    if (!IsEditState(FState))
        return;
    if (std::find(FModified.begin(), FModified.end(), true) != FModified.end())
        Post();
    else
        Cancel();
}

void TDataSet::StartEdit(TDataSetState State, std::vector<QVariant> Buffer)
{
    FEditBuffer = std::move(Buffer);
    FModified.assign(FFields.size(), false);
    FState = State;
}

void TDataSet::Edit()
{
    CheckActive();
    if (IsEditState(FState))
        return;
    if (!HasRow(0)) {
        Insert();
        return;
    }
    StartEdit(dsEdit, CurrentRow());
}

void TDataSet::InsertAt(int Position)
{
    FInsertPosition = Position;
    StartEdit(dsInsert, std::vector<QVariant>(FFields.size()));
}

void TDataSet::Insert()
{
    CheckActive();
    CheckBrowseMode();
    InsertAt(std::max(FCurrent, 0));
}

void TDataSet::Append()
{
    CheckActive();
    CheckBrowseMode();
    FetchAll();
    InsertAt(CachedRows());
}

void TDataSet::Post()
{
    CheckActive();
    if (FState == dsEdit)
        PostEdit();
    else if (FState == dsInsert)
        PostInsert();
}

void TDataSet::PostEdit()
{
    if (std::find(FModified.begin(), FModified.end(), true) != FModified.end()) {
        const std::vector<QVariant> stored = WriteRow(CurrentRow(), FEditBuffer, FModified);
        for (int i = 0; i < FieldCount(); ++i)
            FRows[static_cast<size_t>(FCurrent) * FFields.size() + i] = stored[i];
    }
    FinishEdit();
}

void TDataSet::PostInsert()
{
    const std::vector<QVariant> stored = WriteRow({}, FEditBuffer, FModified);
    FRows.insert(FRows.begin() + static_cast<ptrdiff_t>(FInsertPosition) * FieldCount(), stored.begin(), stored.end());
    FCurrent = FInsertPosition;
    FinishEdit();
}

void TDataSet::FinishEdit()
{
    FEditBuffer.clear();
    FModified.clear();
    FState = dsBrowse;
    FBof = FEof = false;
    NotifyControls(deDataSetChange);
}

void TDataSet::Cancel()
{
    if (IsEditState(FState)) {
        FinishEdit();
        FBof = FEof = FCurrent < 0;
    }
}

void TDataSet::Delete()
{
    CheckActive();
    if (FState == dsInsert) {
        Cancel();
        return;
    }
    Cancel();
    if (FCurrent < 0)
        throw EDatabaseError(QStringLiteral("Операция невозможна: набор данных пуст"));
    DeleteRow(CurrentRow());
    const auto begin = FRows.begin() + static_cast<ptrdiff_t>(FCurrent) * FieldCount();
    FRows.erase(begin, begin + FieldCount());
    if (!HasRow(FCurrent))
        FCurrent = CachedRows() - 1;
    FBof = FEof = FCurrent < 0;
    NotifyControls(deDataSetChange);
}

std::vector<QVariant> TDataSet::WriteRow(const std::vector<QVariant>&, const std::vector<QVariant>&,
                                         const std::vector<bool>&)
{
    throw EDatabaseError(QStringLiteral("Набор данных только для чтения"));
}

void TDataSet::DeleteRow(const std::vector<QVariant>&)
{
    throw EDatabaseError(QStringLiteral("Набор данных только для чтения"));
}

void TDataSet::EnableControls()
{
    if (FDisableCount == 0)
        return;
    if (--FDisableCount == 0 && FChangedWhileDisabled) {
        FChangedWhileDisabled = false;
        NotifyControls(deDataSetChange);
    }
}

void TDataSet::NotifyControls(TDataEvent Event)
{
    if (FDataLinks.Empty())
        return;
    if (ControlsDisabled()) {
        FChangedWhileDisabled = true;
        return;
    }
    FDataLinks.Tell(Event);
}

// ---------------------------------------------------------------------------------------
// TDataLinks

void TDataLinks::Add(TDataLink* Link)
{
    if (std::find(FLinks.begin(), FLinks.end(), Link) == FLinks.end())
        FLinks.push_back(Link);
}

void TDataLinks::Tell(TDataEvent Event) const
{
    const std::vector<TDataLink*> links = FLinks;
    for (TDataLink* link : links)
        link->DataEvent(Event);
}

// ---------------------------------------------------------------------------------------
// TDataSource

TDataSource::TDataSource(TComponent* AOwner)
    : TComponent(AOwner)
{
}

TDataSource::~TDataSource()
{
    SetDataSet(nullptr);
    FClients.Tell(deDataSetDestroying);
}

void TDataSource::SetDataSet(TDataSet* DataSet)
{
    if (DataSet == FDataSet)
        return;
    if (FDataSet)
        FDataSet->RemoveDataLink(this);
    FDataSet = DataSet;
    if (FDataSet)
        FDataSet->AddDataLink(this);
    FClients.Tell(deLayoutChange);
}

// A dataset going away leaves its controls empty, not dangling.
void TDataSource::DataEvent(TDataEvent Event)
{
    if (Event == deDataSetDestroying) {
        FDataSet = nullptr;
        Event = deLayoutChange;
    }
    FClients.Tell(Event);
}
