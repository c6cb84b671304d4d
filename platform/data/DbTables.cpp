#include "DbTables.h"

#include "AliasFile.h"
#include "Exceptions.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlIndex>

#include <algorithm>

VEL_IMPLEMENT_CLASS(TSession)
VEL_IMPLEMENT_CLASS(TDatabase)
VEL_IMPLEMENT_CLASS(TQuery)
VEL_IMPLEMENT_CLASS(TTable)

namespace {

using AliasFile::TAlias;

std::vector<TAlias> ReadAliasFile()
{
    return AliasFile::Read(TSession::AliasFileName());
}

TAlias FindAlias(const QString& AliasName)
{
    for (const TAlias& alias : ReadAliasFile())
        if (TStringList::SameText(alias.Name, AliasName))
            return alias;
    throw EDatabaseError(QStringLiteral("Псевдоним '%1' не найден").arg(AliasName));
}

QString QtDriverOf(const QString& DriverName)
{
    if (DriverName == QLatin1String("SQLITE"))
        return QStringLiteral("QSQLITE");
    if (DriverName == QLatin1String("POSTGRESQL"))
        return QStringLiteral("QPSQL");
    throw EDatabaseError(QStringLiteral("Драйвер '%1' не поддерживается").arg(DriverName));
}

// A relative SQLite file is looked up beside the alias file.
QString DatabasePath(const QString& DriverName, const QString& Database)
{
    if (DriverName != QLatin1String("SQLITE") || Database.isEmpty() || Database.startsWith(QLatin1Char(':'))
        || QDir::isAbsolutePath(Database))
        return Database;
    return QFileInfo(TSession::AliasFileName()).dir().absoluteFilePath(Database);
}

// Whether Path names an SQLite file that is not there (opening it would create an empty
// database in its place); an empty name and ":memory:" are the driver's own databases.
bool MissingSQLiteFile(const QString& DriverName, const QString& Path)
{
    return DriverName == QLatin1String("SQLITE") && !Path.isEmpty() && !Path.startsWith(QLatin1Char(':')) && !QFileInfo::exists(Path);
}

QString NewConnectionName()
{
    static int counter = 0;
    return QStringLiteral("velnor07-%1").arg(++counter);
}

[[noreturn]] void RaiseDriverError(const QSqlError& Error)
{
    throw EDatabaseError(Error.text());
}

bool IsNameChar(QChar C)
{
    return C.isLetterOrNumber() || C == QLatin1Char('_');
}

// The SQL text with every ":NAME" outside quotes and comments replaced by a positional "?",
// and the names in order of appearance. "::" (a type cast) is kept.
struct TParsedSQL {
    QString Text;
    QStringList Names;
};

TParsedSQL ParseParameters(const QString& SQL)
{
    TParsedSQL parsed;
    QChar quote;
    bool comment = false;
    for (qsizetype i = 0; i < SQL.size(); ++i) {
        const QChar c = SQL[i];
        const QChar next = i + 1 < SQL.size() ? SQL[i + 1] : QChar();
        if (comment) {
            comment = c != QLatin1Char('\n');
        } else if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
        } else if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
            comment = true;
        } else if (c == QLatin1Char(':') && next == QLatin1Char(':')) {
            parsed.Text += QLatin1String("::");
            ++i;
            continue;
        } else if (c == QLatin1Char(':') && (next.isLetter() || next == QLatin1Char('_'))) {
            qsizetype end = i + 1;
            while (end < SQL.size() && IsNameChar(SQL[end]))
                ++end;
            parsed.Names.append(SQL.mid(i + 1, end - i - 1));
            parsed.Text += QLatin1Char('?');
            i = end - 1;
            continue;
        }
        parsed.Text += c;
    }
    return parsed;
}

QStringList DistinctNames(const QStringList& Names)
{
    QStringList distinct;
    for (const QString& name : Names)
        if (std::none_of(distinct.begin(), distinct.end(), [&](const QString& d) { return TStringList::SameText(d, name); }))
            distinct.append(name);
    return distinct;
}

} // namespace

QString RecordChangedMessage()
{
    return QStringLiteral("Запись не найдена: она изменена или удалена другим пользователем");
}

// ---------------------------------------------------------------------------------------
// TSession

TSession::TSession()
{
    // Makes Qt's registry of connections outlive the session, which closes its own at exit.
    QSqlDatabase::connectionNames();
}

TSession::~TSession()
{
    DestroyComponents();
    for (TDatabase* database : FDatabases)
        database->FSession = nullptr;
}

TSession& Session()
{
    static TSession session;
    return session;
}

QString TSession::AliasFileName()
{
    const QString file = qEnvironmentVariable("VELNOR_ALIASES");
    if (!file.isEmpty())
        return file;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/velnor07/aliases.ini");
}

void TSession::GetAliasNames(TStringList* List) const
{
    List->Clear();
    for (const TAlias& alias : ReadAliasFile())
        List->Add(alias.Name);
}

QString TSession::GetAliasDriverName(const QString& AliasName) const
{
    return FindAlias(AliasName).Key("driver").toUpper();
}

TDatabase* TSession::FindDatabase(const QString& DatabaseName) const
{
    for (TDatabase* database : FDatabases)
        if (TStringList::SameText(database->DatabaseName(), DatabaseName))
            return database;
    return nullptr;
}

TDatabase* TSession::OpenDatabase(const QString& DatabaseName)
{
    if (DatabaseName.isEmpty())
        throw EDatabaseError(QStringLiteral("Не задано имя базы данных"));
    if (TDatabase* database = FindDatabase(DatabaseName)) {
        database->Open();
        return database;
    }
    FindAlias(DatabaseName);
    auto database = std::make_unique<TDatabase>(this);
    database->SetDatabaseName(DatabaseName);
    database->SetAliasName(DatabaseName);
    database->Open();
    return database.release();
}

void TSession::DropConnections()
{
    DestroyComponents();
}

void TSession::RemoveDatabase(TDatabase* Database)
{
    FDatabases.erase(std::remove(FDatabases.begin(), FDatabases.end(), Database), FDatabases.end());
}

// ---------------------------------------------------------------------------------------
// TDatabase

TDatabase::TDatabase(TComponent* AOwner)
    : TComponent(AOwner), FSession(&Session())
{
    FSession->AddDatabase(this);
}

TDatabase::~TDatabase()
{
    Close();
    if (FSession)
        FSession->RemoveDatabase(this);
}

void TDatabase::CheckDisconnected() const
{
    if (Connected())
        throw EDatabaseError(QStringLiteral("Операция невозможна: база данных '%1' подключена").arg(FDatabaseName));
}

void TDatabase::SetDatabaseName(const QString& Name)
{
    CheckDisconnected();
    FDatabaseName = Name;
}

void TDatabase::SetAliasName(const QString& Name)
{
    CheckDisconnected();
    FAliasName = Name;
}

QString TDatabase::DriverName() const
{
    return Session().GetAliasDriverName(ConnectedAlias());
}

// Without an alias name, the database name names the alias.
QString TDatabase::ConnectedAlias() const
{
    return FAliasName.isEmpty() ? FDatabaseName : FAliasName;
}

void TDatabase::SetConnected(bool Value)
{
    if (Value)
        Open();
    else
        Close();
}

void TDatabase::Open()
{
    if (Connected())
        return;
    if (FDatabaseName.isEmpty())
        throw EDatabaseError(QStringLiteral("Не задано имя базы данных"));
    TDatabase* namesake = Session().FindDatabase(FDatabaseName);
    if (namesake != this && namesake && namesake->Connected())
        throw EDatabaseError(QStringLiteral("Повторяющееся имя базы данных '%1'").arg(FDatabaseName));
    FConnection = AddConnection(ConnectedAlias());
}

QSqlDatabase TDatabase::AddConnection(const QString& AliasName)
{
    const TAlias alias = FindAlias(AliasName);
    const QString driver = alias.Key("driver").toUpper();
    const QString qtDriver = QtDriverOf(driver);
    const QString path = DatabasePath(driver, alias.Key("database"));
    if (MissingSQLiteFile(driver, path))
        throw EDatabaseError(QStringLiteral("Файл базы данных %1 не найден").arg(path));
    const QString name = NewConnectionName();
    QSqlError error;
    {
        QSqlDatabase connection = QSqlDatabase::addDatabase(qtDriver, name);
        if (connection.isValid()) {
            connection.setDatabaseName(path);
            connection.setHostName(alias.Key("host"));
            if (!alias.Key("port").isEmpty())
                connection.setPort(alias.Key("port").toInt());
            connection.setConnectOptions(alias.Key("options"));
            connection.setUserName(FParams.Values(QStringLiteral("USER NAME")));
            connection.setPassword(FParams.Values(QStringLiteral("PASSWORD")));
            if (connection.open()) {
                FConnectionName = name;
                return connection;
            }
        }
        error = connection.lastError();
    }
    QSqlDatabase::removeDatabase(name);
    RaiseDriverError(error);
}

void TDatabase::Close()
{
    const std::vector<TDataSet*> clients = FClients;
    for (auto it = clients.rbegin(); it != clients.rend(); ++it)
        (*it)->DatabaseClosing();
    FClients.clear();
    if (FConnectionName.isEmpty())
        return;
    FConnection.close();
    FConnection = QSqlDatabase();
    QSqlDatabase::removeDatabase(FConnectionName);
    FConnectionName.clear();
}

void TDatabase::FinishPendingCursors()
{
    for (TDataSet* client : FClients)
        client->FetchAll();
}

QSqlQuery TDatabase::NewStatement()
{
    if (!Connected())
        throw EDatabaseError(QStringLiteral("База данных '%1' не подключена").arg(FDatabaseName));
    FinishPendingCursors();
    return QSqlQuery(FConnection);
}

void TDatabase::AddClient(TDataSet* DataSet)
{
    FClients.push_back(DataSet);
}

void TDatabase::RemoveClient(TDataSet* DataSet)
{
    FClients.erase(std::remove(FClients.begin(), FClients.end(), DataSet), FClients.end());
}

// ---------------------------------------------------------------------------------------
// The session's databases, where the query and table datasets find their connections

namespace {

class TSessionDatabases final : public TDatabaseProvider {
public:
    TDatabase* Attach(const QString& DatabaseName, TDataSet* Client) override
    {
        TDatabase* database = Session().OpenDatabase(DatabaseName);
        database->AddClient(Client);
        return database;
    }

    void Detach(TDatabase* Database, TDataSet* Client) override { Database->RemoveClient(Client); }
};

constinit TSessionDatabases TheSessionDatabases;

} // namespace

TDatabaseProvider& SessionDatabases()
{
    return TheSessionDatabases;
}

// ---------------------------------------------------------------------------------------
// TQuery

TQuery::TQuery(TComponent* AOwner)
    : TDataSet(AOwner, TheSessionDatabases)
{
}

TQuery::~TQuery()
{
    Close();
    UnPrepare();
}

void TQuery::ParseSQL()
{
    const QString text = FSQL.ToQStringList().join(QLatin1Char('\n'));
    if (text == FParsedText && !FExecutableText.isNull())
        return;
    TParsedSQL parsed = ParseParameters(text);
    FParsedText = text;
    FExecutableText = parsed.Text;
    FParamOrder = parsed.Names;
    FParams.Assign(DistinctNames(parsed.Names));
}

TParams* TQuery::Params()
{
    ParseSQL();
    return &FParams;
}

TParam* TQuery::ParamByName(const QString& Name)
{
    return Params()->ParamByName(Name);
}

void TQuery::Prepare()
{
    ParseSQL();
    if (Prepared() && FPreparedText == FExecutableText)
        return;
    UnPrepare();
    auto statement = std::make_shared<QSqlQuery>(AttachDatabase()->NewStatement());
    statement->setForwardOnly(true);
    if (!statement->prepare(FExecutableText)) {
        const QSqlError error = statement->lastError();
        statement.reset();
        ReleaseIdleDatabase();
        RaiseDriverError(error);
    }
    FPrepared = std::move(statement);
    FPreparedText = FExecutableText;
}

void TQuery::UnPrepare()
{
    FPrepared.reset();
    FPreparedText.clear();
    ReleaseIdleDatabase();
}

void TQuery::DatabaseClosing()
{
    FPrepared.reset();
    FPreparedText.clear();
    TDataSet::DatabaseClosing();
}

bool TQuery::ExecPrepared(QSqlQuery& Statement)
{
    for (int i = 0; i < FParamOrder.size(); ++i) {
        const TParam* param = FParams.FindParam(FParamOrder[i]);
        if (!param->Bound())
            throw EDatabaseError(QStringLiteral("Нет значения параметра '%1'").arg(param->Name()));
        Statement.bindValue(i, param->Value());
    }
    return Statement.exec();
}

std::shared_ptr<QSqlQuery> TQuery::ExecutedStatement(TDatabase* Database)
{
    ParseSQL();
    if (Prepared() && FPreparedText != FExecutableText)
        UnPrepare();
    std::shared_ptr<QSqlQuery> statement;
    bool done = false;
    if (Prepared()) {
        Database->FinishPendingCursors();
        statement = FPrepared;
        done = ExecPrepared(*statement);
    } else {
        statement = std::make_shared<QSqlQuery>(Database->NewStatement());
        statement->setForwardOnly(true);
        if (FParamOrder.isEmpty())
            done = statement->exec(FExecutableText);
        else
            done = statement->prepare(FExecutableText) && ExecPrepared(*statement);
    }
    if (!done)
        RaiseDriverError(statement->lastError());
    return statement;
}

std::shared_ptr<QSqlQuery> TQuery::OpenCursor(TDatabase* Database)
{
    if (UpdateTableName().isEmpty())
        return ExecutedStatement(Database);
    // Asked before the statement runs: the driver's own catalogue query would cut it short.
    Database->FinishPendingCursors();
    const QStringList keyNames = FWriter.KeyNames(Database);
    std::shared_ptr<QSqlQuery> statement = ExecutedStatement(Database);
    FWriter.ResolveKeyFields(keyNames, statement->record());
    return statement;
}

void TQuery::SetUpdateTableName(const QString& Name)
{
    CheckInactive();
    FWriter.SetTableName(Name);
}

std::vector<QVariant> TQuery::WriteRow(const std::vector<QVariant>& Old, const std::vector<QVariant>& New,
                                       const std::vector<bool>& Modified)
{
    if (UpdateTableName().isEmpty())
        return TDataSet::WriteRow(Old, New, Modified);
    return FWriter.Write(Database(), *this, Old, New, Modified);
}

void TQuery::DeleteRow(const std::vector<QVariant>& Row)
{
    if (UpdateTableName().isEmpty())
        TDataSet::DeleteRow(Row);
    else
        FWriter.Delete(Database(), *this, Row);
}

void TQuery::ExecSQL()
{
    try {
        FRowsAffected = ExecutedStatement(AttachDatabase())->numRowsAffected();
    } catch (...) {
        ReleaseIdleDatabase();
        throw;
    }
    ReleaseIdleDatabase();
}

// ---------------------------------------------------------------------------------------
// TTable

TTable::TTable(TComponent* AOwner)
    : TDataSet(AOwner, TheSessionDatabases)
{
}

void TTable::SetTableName(const QString& Name)
{
    CheckInactive();
    FWriter.SetTableName(Name);
}

std::shared_ptr<QSqlQuery> TTable::OpenCursor(TDatabase* Database)
{
    if (TableName().isEmpty())
        throw EDatabaseError(QStringLiteral("Не задано имя таблицы"));
    auto statement = std::make_shared<QSqlQuery>(Database->NewStatement());
    // Asked before the cursor runs: the driver's own catalogue query would cut it short.
    const QStringList keyNames = FWriter.KeyNames(Database);
    statement->setForwardOnly(true);
    if (!statement->exec(QStringLiteral("select * from ") + TableName()))
        RaiseDriverError(statement->lastError());
    FWriter.ResolveKeyFields(keyNames, statement->record());
    return statement;
}

std::vector<QVariant> TTable::WriteRow(const std::vector<QVariant>& Old, const std::vector<QVariant>& New,
                                       const std::vector<bool>& Modified)
{
    return FWriter.Write(Database(), *this, Old, New, Modified);
}

void TTable::DeleteRow(const std::vector<QVariant>& Row)
{
    FWriter.Delete(Database(), *this, Row);
}

// ---------------------------------------------------------------------------------------
// TTableWriter

namespace {

const int MSecsPerDay = 24 * 60 * 60 * 1000;

// Qt reads PostgreSQL times and timestamps to the millisecond; the server keeps microseconds.
bool ReadToTheMillisecond(TFieldType Type, bool PostgreSQL)
{
    return PostgreSQL && (Type == ftTime || Type == ftDateTime);
}

// The value Step milliseconds away; a time of day stays within its day.
QVariant MillisecondsAway(const QVariant& Value, int Step)
{
    if (Value.metaType().id() == QMetaType::QDateTime)
        return Value.toDateTime().addMSecs(Step);
    const int msecs = Value.toTime().msecsSinceStartOfDay() + Step;
    return QTime::fromMSecsSinceStartOfDay(std::clamp(msecs, 0, MSecsPerDay - 1));
}

// One write-back statement of a dataset's row as it is built: the texts name the dataset's
// columns, and the values bound to the markers are collected in the order of the markers.
class TWriteStatement {
public:
    TWriteStatement(TDatabase* Database, const TDataSet& DataSet)
        : FDatabase(Database), FDataSet(DataSet),
          FPostgreSQL(Database->Connection().driverName() == QLatin1String("QPSQL"))
    {
    }

    QString Column(int Index) const
    {
        return FDatabase->Connection().driver()->escapeIdentifier(FDataSet.Fields(Index)->FieldName(), QSqlDriver::FieldName);
    }

    // All columns of the dataset, for "returning".
    QString AllColumns() const
    {
        QStringList names;
        for (int i = 0; i < FDataSet.FieldCount(); ++i)
            names.append(Column(i));
        return names.join(QStringLiteral(", "));
    }

    // "A = ?": an assignment, or the condition on a key column.
    QString Equals(int Index, const QVariant& Value)
    {
        FValues.push_back(Value);
        return Column(Index) + QStringLiteral(" = ?");
    }

    // The condition that the column still holds Value, NULL included.
    QString StillHolds(int Index, const QVariant& Value)
    {
        if (!Value.isNull() && ReadToTheMillisecond(FDataSet.Fields(Index)->DataType(), FPostgreSQL)) {
            FValues.push_back(MillisecondsAway(Value, -1));
            FValues.push_back(MillisecondsAway(Value, 1));
            return Column(Index) + QStringLiteral(" between ? and ?");
        }
        FValues.push_back(Value);
        if (!FPostgreSQL)
            return Column(Index) + QStringLiteral(" is ?");
        // A numeric column may hold more digits, and a real one fewer, than the double read
        // from its text: compare the double that text reads as, the value this workstation has.
        if (FDataSet.Fields(Index)->DataType() == ftFloat)
            return Column(Index) + QStringLiteral("::text::float8 is not distinct from ?");
        return Column(Index) + QStringLiteral(" is not distinct from ?");
    }

    // A marker per value, for an insert.
    QString Markers(const std::vector<QVariant>& Values)
    {
        FValues.insert(FValues.end(), Values.begin(), Values.end());
        return QStringList(static_cast<qsizetype>(Values.size()), QStringLiteral("?")).join(QStringLiteral(", "));
    }

    QSqlQuery Run(const QString& Text) const
    {
        QSqlQuery statement = FDatabase->NewStatement();
        if (!statement.prepare(Text))
            RaiseDriverError(statement.lastError());
        for (size_t i = 0; i < FValues.size(); ++i)
            statement.bindValue(static_cast<int>(i), FValues[i]);
        if (!statement.exec())
            RaiseDriverError(statement.lastError());
        return statement;
    }

    // The row an insert or update returned; none means the row read is gone or changed.
    // The statement is read to its end: SQLite commits its change only then, and a commit
    // that fails (the file locked by another connection) is reported there, not as success.
    std::vector<QVariant> ReturnedRow(const QString& Text) const
    {
        QSqlQuery statement = Run(Text);
        const bool found = statement.next();
        std::vector<QVariant> row;
        for (int i = 0; found && i < FDataSet.FieldCount(); ++i)
            row.push_back(statement.value(i));
        while (statement.next()) {
        }
        if (statement.lastError().isValid())
            RaiseDriverError(statement.lastError());
        if (!found)
            throw EDatabaseError(RecordChangedMessage());
        return row;
    }

private:
    TDatabase* FDatabase;
    const TDataSet& FDataSet;
    bool FPostgreSQL;
    std::vector<QVariant> FValues;
};

bool IsKey(const std::vector<int>& Keys, int Index)
{
    return std::find(Keys.begin(), Keys.end(), Index) != Keys.end();
}

} // namespace

void TTableWriter::SetTableName(const QString& Name)
{
    FTableName = Name;
    FKeyNames.clear();
    FKeyFields.clear();
}

QStringList TTableWriter::KeyNames(TDatabase* Database)
{
    if (!FKeyNames.isEmpty() && FKeysDatabase == Database->DatabaseName())
        return FKeyNames;
    FKeyNames.clear();
    FKeysDatabase = Database->DatabaseName();
    // PostgreSQL keeps unquoted names in lower case: asked that way first, it answers at once.
    const bool postgres = Database->Connection().driverName() == QLatin1String("QPSQL");
    QSqlIndex index = Database->Connection().primaryIndex(postgres ? FTableName.toLower() : FTableName);
    if (index.isEmpty())
        index = Database->Connection().primaryIndex(postgres ? FTableName : FTableName.toLower());
    for (int i = 0; i < index.count(); ++i)
        FKeyNames.append(index.fieldName(i));
    if (FKeyNames.isEmpty())
        return {QStringLiteral("ID")};
    return FKeyNames;
}

void TTableWriter::ResolveKeyFields(const QStringList& Names, const QSqlRecord& Record)
{
    FKeyFields.clear();
    for (const QString& name : Names)
        for (int i = 0; i < Record.count(); ++i)
            if (TStringList::SameText(Record.fieldName(i), name))
                FKeyFields.push_back(i);
    if (static_cast<qsizetype>(FKeyFields.size()) != Names.size())
        FKeyFields.clear();
}

const std::vector<int>& TTableWriter::CheckedKeyFields() const
{
    if (FKeyFields.empty())
        throw EDatabaseError(QStringLiteral("У таблицы %1 нет первичного ключа").arg(FTableName));
    return FKeyFields;
}

std::vector<QVariant> TTableWriter::Write(TDatabase* Database, const TDataSet& DataSet, const std::vector<QVariant>& Old,
                                          const std::vector<QVariant>& New, const std::vector<bool>& Modified) const
{
    TWriteStatement statement(Database, DataSet);
    std::vector<int> changed;
    for (size_t i = 0; i < Modified.size(); ++i)
        if (Modified[i])
            changed.push_back(static_cast<int>(i));
    if (Old.empty()) {
        if (changed.empty())
            return statement.ReturnedRow(QStringLiteral("insert into %1 default values returning %2").arg(FTableName, statement.AllColumns()));
        QStringList names;
        std::vector<QVariant> values;
        for (int index : changed) {
            names.append(statement.Column(index));
            values.push_back(New[index]);
        }
        const QString markers = statement.Markers(values);
        return statement.ReturnedRow(QStringLiteral("insert into %1 (%2) values (%3) returning %4")
                                         .arg(FTableName, names.join(QStringLiteral(", ")), markers, statement.AllColumns()));
    }
    const std::vector<int>& keys = CheckedKeyFields();
    QStringList assignments;
    for (int index : changed)
        assignments.append(statement.Equals(index, New[index]));
    QStringList conditions;
    for (int key : keys)
        conditions.append(statement.Equals(key, Old[key]));
    for (int index : changed)
        if (!IsKey(keys, index))
            conditions.append(statement.StillHolds(index, Old[index]));
    return statement.ReturnedRow(QStringLiteral("update %1 set %2 where %3 returning %4")
                                     .arg(FTableName, assignments.join(QStringLiteral(", ")),
                                          conditions.join(QStringLiteral(" and ")), statement.AllColumns()));
}

void TTableWriter::Delete(TDatabase* Database, const TDataSet& DataSet, const std::vector<QVariant>& Row) const
{
    TWriteStatement statement(Database, DataSet);
    const std::vector<int>& keys = CheckedKeyFields();
    QStringList conditions;
    for (int key : keys)
        conditions.append(statement.Equals(key, Row[key]));
    for (int i = 0; i < DataSet.FieldCount(); ++i)
        if (!IsKey(keys, i))
            conditions.append(statement.StillHolds(i, Row[i]));
    if (statement.Run(QStringLiteral("delete from %1 where %2").arg(FTableName, conditions.join(QStringLiteral(" and ")))).numRowsAffected() == 0)
        throw EDatabaseError(RecordChangedMessage());
}
