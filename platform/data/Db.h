#pragma once
// Datasets and their fields.
//
// A dataset reads the rows of one statement through a forward-only cursor into a flat row
// cache, lazily, as its current row moves forward: Next costs one fetch, while First, Prior,
// Locate and RecordCount work from the cache (RecordCount fetches the rest). Fields read and
// write the current row. Edits are buffered until Post, which hands them to the concrete
// dataset to write back; only then does the cache take the new values.

#include "Component.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QVariant>

#include <deque>
#include <memory>
#include <vector>

class TDataSet;
class TDatabase;
class TStringList;

enum TFieldType {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftLargeint,
    ftBoolean,
    ftFloat,
    ftDate,
    ftTime,
    ftDateTime,
    ftBlob,
};

enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

// What a dataset tells the controls attached to it: its fields changed (opened, closed),
// its rows changed (edited, inserted, deleted, or any change while controls were disabled),
// its current row moved (rows may have been read on the way), or it is being destroyed.
enum TDataEvent { deLayoutChange, deDataSetChange, deDataSetScroll, deDataSetDestroying };

// A control's tie to a dataset: told of every change while the dataset's controls are
// enabled; a change made while they are disabled is told once, when they are enabled again.
// A client of a data source is told deDataSetDestroying when the source itself goes away.
class TDataLink {
public:
    virtual ~TDataLink() = default;
    virtual void DataEvent(TDataEvent Event) = 0;
};

// The links attached to a dataset or a data source, each once. Telling them an event goes
// over a copy, so a link may detach itself (or another) while it is told.
class TDataLinks {
public:
    void Add(TDataLink* Link);
    void Remove(TDataLink* Link) { std::erase(FLinks, Link); }
    bool Empty() const { return FLinks.empty(); }
    void Tell(TDataEvent Event) const;

private:
    std::vector<TDataLink*> FLinks;
};

// Options of Locate, as a set of flags.
enum TLocateOption : int {
    loCaseInsensitive = 1 << 0,
    loPartialKey = 1 << 1,
};
using TLocateOptions = int;

// Typed access to a value held as a QVariant: the common ground of fields and parameters.
// A null value reads as an empty text, zero, false or an invalid date; a value that does not
// convert raises EConvertError.
class TValueHolder : public TObject {
    VEL_DECLARE_CLASS(TValueHolder, TObject)
public:

    virtual QVariant Value() const = 0;
    virtual void SetValue(const QVariant& Value) = 0;

    bool IsNull() const { return Value().isNull(); }
    void Clear() { SetValue(QVariant()); }
    QString AsString() const;
    qint32 AsInteger() const;
    qint64 AsLargeInt() const;
    double AsFloat() const;
    bool AsBoolean() const;
    QDateTime AsDateTime() const;
    void SetAsString(const QString& Value) { SetValue(Value); }
    void SetAsInteger(qint32 Value) { SetValue(Value); }
    void SetAsLargeInt(qint64 Value) { SetValue(Value); }
    void SetAsFloat(double Value) { SetValue(Value); }
    void SetAsBoolean(bool Value) { SetValue(Value); }
    void SetAsDateTime(const QDateTime& Value) { SetValue(Value); }
};

// One column of a dataset; reads and writes the dataset's current row.
class TField : public TValueHolder {
    VEL_DECLARE_CLASS(TField, TValueHolder)
public:
    TField(TDataSet* DataSet, int Index, const QString& FieldName, TFieldType DataType);

    const QString& FieldName() const { return FFieldName; }
    TFieldType DataType() const { return FDataType; }
    int Index() const { return FIndex; }
    TDataSet* DataSet() const { return FDataSet; }

    QVariant Value() const override;
    // Only in the edit and insert states; raises EDatabaseError otherwise.
    void SetValue(const QVariant& Value) override;

private:
    TDataSet* FDataSet;
    int FIndex;
    QString FFieldName;
    TFieldType FDataType;
};

// A named parameter of a statement (":NAME" in the SQL text).
class TParam : public TValueHolder {
    VEL_DECLARE_CLASS(TParam, TValueHolder)
public:
    explicit TParam(const QString& Name) : FName(Name) {}

    const QString& Name() const { return FName; }
    QVariant Value() const override { return FValue; }
    void SetValue(const QVariant& Value) override;
    // Whether a value (null included) was assigned since the parameter appeared.
    bool Bound() const { return FBound; }

private:
    QString FName;
    QVariant FValue;
    bool FBound = false;
};

// The parameters of a statement, one per distinct name, in order of first appearance.
class TParams {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    TParam* Items(int Index) const { return FItems.at(Index).get(); }
    TParam* FindParam(const QString& Name) const;
    // Raises EDatabaseError when there is no parameter of that name.
    TParam* ParamByName(const QString& Name) const;
    // Makes the list hold exactly Names, keeping the values of names it already held.
    void Assign(const QStringList& Names);

private:
    std::vector<std::unique_ptr<TParam>> FItems;
};

// Where a dataset finds its connection: the database of its database name, opened, to which
// the dataset stays attached as a client until it detaches, so that closing the connection
// closes the dataset first. The session provides the query and table datasets with theirs.
class TDatabaseProvider {
public:
    virtual TDatabase* Attach(const QString& DatabaseName, TDataSet* Client) = 0;
    virtual void Detach(TDatabase* Database, TDataSet* Client) = 0;

protected:
    ~TDatabaseProvider() = default;
};

class TDataSet : public TComponent {
    VEL_DECLARE_CLASS(TDataSet, TComponent)
public:
    TDataSet(TComponent* AOwner, TDatabaseProvider& Databases);
    ~TDataSet() override;

    const QString& DatabaseName() const { return FDatabaseName; }
    // Only while the dataset is closed.
    void SetDatabaseName(const QString& Name);

    void Open();
    // Discards an unposted edit.
    void Close();
    bool Active() const { return FState != dsInactive; }
    void SetActive(bool Value);
    TDataSetState State() const { return FState; }

    void First();
    void Next();
    void Prior();
    void Last();
    bool Eof() const { return FEof; }
    bool Bof() const { return FBof; }
    // All rows (fetches the rest of the cursor).
    int RecordCount();
    // The current row's position, counted from 1; 0 when there is none.
    int RecNo() const;
    // Moves to row Value (from 1), reading up to it; a row past the end moves to the last.
    void SetRecNo(int Value);
    bool IsEmpty();

    int FieldCount() const { return static_cast<int>(FFields.size()); }
    TField* Fields(int Index) const;
    TField* FindField(const QString& FieldName) const;
    // Letter case is ignored; raises EDatabaseError when there is no such field.
    TField* FieldByName(const QString& FieldName) const;
    void GetFieldNames(TStringList* List) const;

    // KeyFields: field names separated by ";"; KeyValues: one value, or a QVariantList with
    // one value per key field. Moves to the first matching row and returns true, or leaves
    // the current row and returns false.
    bool Locate(const QString& KeyFields, const QVariant& KeyValues, TLocateOptions Options);

    void Edit();
    void Append();
    void Insert();
    void Post();
    void Cancel();
    void Delete();

    // Attached controls are not told of changes until as many EnableControls have run.
    void DisableControls() { ++FDisableCount; }
    void EnableControls();
    bool ControlsDisabled() const { return FDisableCount > 0; }
    void AddDataLink(TDataLink* Link) { FDataLinks.Add(Link); }
    void RemoveDataLink(TDataLink* Link) { FDataLinks.Remove(Link); }

    // The rows read so far, for controls that show rows without moving the current row:
    // their number, whether the cursor is read to its end, reading Count more, and a value
    // of row Row (from 0; null outside the rows read).
    int FetchedRecordCount() const { return CachedRows(); }
    bool AllRecordsFetched() const { return !FCursor; }
    void FetchRecords(int Count);
    QVariant RecordValue(int Row, int Field) const;

    // The value of a field in the current row (or in the edit buffer while editing).
    QVariant FieldValue(int Index) const;
    void SetFieldValue(int Index, const QVariant& Value);

    // Reads the rest of the cursor into the cache and lets it go, so that the connection
    // may run another statement.
    void FetchAll();
    // The connection closes: the dataset closes and lets go of everything it holds there.
    virtual void DatabaseClosing();

protected:
    // Runs the dataset's statement on the connection and returns the executed cursor.
    virtual std::shared_ptr<QSqlQuery> OpenCursor(TDatabase* Database) = 0;
    // Writes an edited row (Old: the values read; New: the buffer, Modified: flags per
    // field) or a new row (Old empty) back; returns the row as stored.
    virtual std::vector<QVariant> WriteRow(const std::vector<QVariant>& Old, const std::vector<QVariant>& New,
                                           const std::vector<bool>& Modified);
    virtual void DeleteRow(const std::vector<QVariant>& Row);
    // The connection this dataset is opened on (finds and opens it when needed).
    TDatabase* AttachDatabase();
    void DetachDatabase();
    // Lets go of the connection unless the dataset is open or keeps it.
    void ReleaseIdleDatabase();
    // Whether the dataset stays attached to its connection while it is closed.
    virtual bool KeepsDatabase() const { return false; }
    TDatabase* Database() const { return FDatabase; }
    void CheckInactive() const;
    void CheckActive() const;

private:
    int CachedRows() const { return FFields.empty() ? 0 : static_cast<int>(FRows.size() / FFields.size()); }
    bool FetchRow();
    // Whether row Row (from 0) exists, fetching up to it.
    bool HasRow(int Row);
    void CreateFields(const QSqlRecord& Record);
    void DestroyFields();
    std::vector<QVariant> CurrentRow() const;
    // A value as the cache holds it (texts kept in the text store) and back.
    void CheckBrowseMode();
    void CheckEditing() const;
    void StartEdit(TDataSetState State, std::vector<QVariant> Buffer);
    void InsertAt(int Position);
    void PostEdit();
    void PostInsert();
    void FinishEdit();
    bool RowMatches(int Row, const std::vector<TField*>& KeyFields, const QVariantList& Values,
                    TLocateOptions Options) const;
    // Tells the attached controls, or remembers the change while they are disabled.
    void NotifyControls(TDataEvent Event);

    TDatabaseProvider* FDatabases;
    QString FDatabaseName;
    TDatabase* FDatabase = nullptr;
    TDataSetState FState = dsInactive;
    std::vector<std::unique_ptr<TField>> FFields;
    std::shared_ptr<QSqlQuery> FCursor;
    std::deque<QVariant> FRows;
    int FCurrent = -1;
    bool FEof = true;
    bool FBof = true;
    std::vector<QVariant> FEditBuffer;
    std::vector<bool> FModified;
    int FInsertPosition = 0;
    int FDisableCount = 0;
    bool FChangedWhileDisabled = false;
    TDataLinks FDataLinks;
};

// The tie between a dataset and the data-aware controls showing it: controls attach to the
// source, the source to the dataset, which may change or go away while the controls stay.
class TDataSource : public TComponent, private TDataLink {
    VEL_DECLARE_CLASS(TDataSource, TComponent)
public:
    explicit TDataSource(TComponent* AOwner = nullptr);
    ~TDataSource() override;

    TDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* DataSet);
    void AddClient(TDataLink* Link) { FClients.Add(Link); }
    void RemoveClient(TDataLink* Link) { FClients.Remove(Link); }

private:
    void DataEvent(TDataEvent Event) override;

    TDataSet* FDataSet = nullptr;
    TDataLinks FClients;
};
