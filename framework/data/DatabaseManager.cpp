#include "DatabaseManager.h"

#include "Dialogs.h"
#include "Env.h"
#include "Exceptions.h"
#include "UnitLifetime.h"

#include <QDate>
#include <QFile>
#include <QLocale>
#include <QTime>

namespace DatabaseManager {

VEL_IMPLEMENT_CLASS(TDatabaseInfo)
VEL_IMPLEMENT_CLASS(TNavQuery)
VEL_IMPLEMENT_CLASS(TNavTable)

TStringList* Databases = nullptr;
bool LogSQL = false;

namespace {

[[noreturn]] void RaiseInOutError(const QFile& File)
{
    throw EInOutError(QStringLiteral("Ошибка ввода-вывода (%1): %2").arg(File.fileName(), File.errorString()));
}

// Appends one record to the SQL log: short date, blank, long time, blank, message, with no
// line break of its own. Opening for appending creates a missing file and never truncates
// an existing one.
void WriteSQLLog(const QString& Message)
{
    QFile file(Env::ProgramFile(QStringLiteral("log_txt")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        RaiseInOutError(file);
    const QLocale locale;
    const QString date = locale.toString(QDate::currentDate(), QLocale::ShortFormat);
    const QString time = locale.toString(QTime::currentTime(), QLocale::LongFormat);
    const QByteArray record = (date + QLatin1Char(' ') + time + QLatin1Char(' ') + Message).toUtf8();
    if (file.write(record) != record.size() || !file.flush())
        RaiseInOutError(file);
    file.close();
}

// Logs Record, runs Operation, and turns its failure into a log record and a message box.
template <class TOperation>
void RunLogged(const QString& Record, TOperation Operation)
{
    if (LogSQL)
        WriteSQLLog(Record);
    try {
        Operation();
    } catch (...) {
        const QString message = ExceptionMessage(std::current_exception());
        if (LogSQL)
            WriteSQLLog(message);
        ShowMessage(QStringLiteral("Ошибка в запросе: ") + message);
    }
}

QString DatabaseRecord(const TDataSet* DataSet, const QString& Text)
{
    return QLatin1Char('(') + DataSet->DatabaseName() + QLatin1Char(')') + Text;
}

// Takes a dataset out of whichever database's list holds it (found by identity, so that a
// dataset whose database name changed after it was listed cannot stay listed once freed).
void Unlist(const TDataSet* DataSet, TStringList* TDatabaseInfo::*List)
{
    if (!Databases)
        return;
    for (int i = 0; i < Databases->Count(); ++i) {
        TStringList* list = Databases->ObjectAs<TDatabaseInfo>(i)->*List;
        const int index = list->IndexOfObject(DataSet);
        if (index >= 0) {
            list->Delete(index);
            return;
        }
    }
}

void FreeListed(TStringList* List)
{
    for (int i = List->Count() - 1; i >= 0; --i)
        if (i < List->Count())
            delete List->Objects(i);
}

TDatabaseInfo* InfoOf(const TDatabase* db)
{
    const int index = Databases->IndexOf(db->DatabaseName());
    return index < 0 ? nullptr : Databases->ObjectAs<TDatabaseInfo>(index);
}

// A new dataset for a registered database, owned by Env::FormOwner and listed with it;
// Setup runs before the database name is set.
template <class TDataSetClass, class TSetup>
TDataSetClass* NewListed(TDatabase* db, TStringList* TDatabaseInfo::*List, TSetup Setup)
{
    TDatabaseInfo* info = InfoOf(db);
    if (!info)
        return nullptr;
    auto* dataSet = new TDataSetClass(Env::FormOwner);
    Setup(dataSet);
    dataSet->SetDatabaseName(db->DatabaseName());
    (info->*List)->AddObject(QString(), dataSet);
    return dataSet;
}

void InitializeUnit()
{
    Databases = new TStringList;
    LogSQL = true;
}

void FinalizeUnit()
{
    delete Databases;
    Databases = nullptr;
}

TUnitLifetime Lifetime(InitializeUnit, FinalizeUnit);

} // namespace

// ---------------------------------------------------------------------------------------

TDatabaseInfo::TDatabaseInfo(TDatabase* Database)
    : QueryList(new TStringList), TableList(new TStringList), RegisteredDatabase(Database)
{
}

TDatabaseInfo::~TDatabaseInfo()
{
    FreeListed(QueryList);
    FreeListed(TableList);
    delete QueryList;
    delete TableList;
}

TNavQuery::TNavQuery(TComponent* AOwner)
    : TQuery(AOwner)
{
}

TNavQuery::~TNavQuery()
{
    Unlist(this, &TDatabaseInfo::QueryList);
}

void TNavQuery::Open()
{
    RunLogged(DatabaseRecord(this, SQL()->Text()), [this] { TQuery::Open(); });
}

void TNavQuery::ExecSQL()
{
    RunLogged(DatabaseRecord(this, SQL()->Text()), [this] { TQuery::ExecSQL(); });
}

TNavTable::TNavTable(TComponent* AOwner)
    : TTable(AOwner)
{
}

TNavTable::~TNavTable()
{
    Unlist(this, &TDatabaseInfo::TableList);
}

void TNavTable::Open()
{
    RunLogged(DatabaseRecord(this, TableName()), [this] { TTable::Open(); });
}

// ---------------------------------------------------------------------------------------

void RegisterDatabase(TDatabase* db)
{
    if (Databases->IndexOf(db->DatabaseName()) < 0)
        Databases->AddObject(db->DatabaseName(), new TDatabaseInfo(db));
}

void UnregisterDatabase(TDatabase* db)
{
    try {
        // A null database is reported like any other failure, never dereferenced.
        if (!db)
            throw Exception(QStringLiteral("База данных не задана"));
        const int index = Databases->IndexOf(db->DatabaseName());
        if (index < 0)
            return;
        TObject* info = Databases->Objects(index);
        Databases->Delete(index);
        delete info;
    } catch (...) {
        ShowMessage(ExceptionMessage(std::current_exception()));
    }
}

TNavQuery* GetQuery(TDatabase* db)
{
    return NewListed<TNavQuery>(db, &TDatabaseInfo::QueryList, [](TNavQuery*) {});
}

TNavQuery* GetQueryWithSQL(TDatabase* db, TStringList* SQL)
{
    return NewListed<TNavQuery>(db, &TDatabaseInfo::QueryList, [SQL](TNavQuery* query) { query->SQL()->AddStrings(*SQL); });
}

TNavQuery* GetQueryWithSQL_TEXT(TDatabase* db, const QString& SQL)
{
    return NewListed<TNavQuery>(db, &TDatabaseInfo::QueryList, [&SQL](TNavQuery* query) { query->SQL()->SetText(SQL); });
}

TNavTable* GetTable(TDatabase* db)
{
    return NewListed<TNavTable>(db, &TDatabaseInfo::TableList, [](TNavTable*) {});
}

TNavTable* GetTableWithName(TDatabase* db, const QString& TableName)
{
    return NewListed<TNavTable>(db, &TDatabaseInfo::TableList, [&TableName](TNavTable* table) { table->SetTableName(TableName); });
}

void Initialize()
{
    Lifetime.Initialize();
}

void Finalize()
{
    Lifetime.Finalize();
}

} // namespace DatabaseManager
