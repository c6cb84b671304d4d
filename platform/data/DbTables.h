#pragma once
// The database session, connections, and the query and table datasets over Qt SQL.
//
// Aliases come from the alias file: $VELNOR_ALIASES, else $XDG_CONFIG_HOME/velnor07/aliases.ini,
// else ~/.config/velnor07/aliases.ini. Each INI section is one alias with the keys Driver
// (SQLITE or POSTGRESQL, any letter case), Database, Host, Port and Options (connect options
// of the driver, separated by ";"). A relative SQLite Database path is relative to the alias
// file's folder.
//
// Datasets find their connection by DatabaseName: a TDatabase of that name, else the alias of
// that name, for which the session opens a connection of its own.

#include "Db.h"
#include "StringList.h"

#include <QSqlDatabase>
#include <QString>

#include <memory>
#include <vector>

class TDatabase;

class TSession : public TComponent {
    VEL_DECLARE_CLASS(TSession, TComponent)
public:
    TSession();
    ~TSession() override;

    QString SessionName() const { return QStringLiteral("Default"); }
    // The alias file in use.
    static QString AliasFileName();
    void GetAliasNames(TStringList* List) const;
    // The Driver of the alias in capitals; raises EDatabaseError for an unknown alias.
    QString GetAliasDriverName(const QString& AliasName) const;
    // The connection datasets of that database name use, opened (see above).
    TDatabase* OpenDatabase(const QString& DatabaseName);
    // The first TDatabase of that database name, or null.
    TDatabase* FindDatabase(const QString& DatabaseName) const;
    // Closes and frees the connections the session opened for bare alias names.
    void DropConnections();

private:
    friend class TDatabase;
    void AddDatabase(TDatabase* Database) { FDatabases.push_back(Database); }
    void RemoveDatabase(TDatabase* Database);

    std::vector<TDatabase*> FDatabases;
};

// The one session of the program.
TSession& Session();

class TDatabase : public TComponent {
    VEL_DECLARE_CLASS(TDatabase, TComponent)
public:
    explicit TDatabase(TComponent* AOwner = nullptr);
    ~TDatabase() override;

    const QString& DatabaseName() const { return FDatabaseName; }
    void SetDatabaseName(const QString& Name);
    const QString& AliasName() const { return FAliasName; }
    void SetAliasName(const QString& Name);
    // "NAME=value" entries; "USER NAME" and "PASSWORD" are the login given to the server.
    TStringList* Params() { return &FParams; }
    // Kept for compatibility: no login dialog is ever shown.
    bool LoginPrompt() const { return FLoginPrompt; }
    void SetLoginPrompt(bool Value) { FLoginPrompt = Value; }
    const QString& SessionName() const { return FSessionName; }
    void SetSessionName(const QString& Name) { FSessionName = Name; }

    // Raises EDatabaseError with the driver's message when the connection fails.
    void Open();
    // Closes every dataset on the connection first.
    void Close();
    bool Connected() const { return FConnection.isOpen(); }
    void SetConnected(bool Value);
    // The driver of the alias in capitals (SQLITE, POSTGRESQL).
    QString DriverName() const;

    // A statement on the connection. Datasets still reading from it are read to their end
    // first, so the new statement cannot disturb them.
    QSqlQuery NewStatement();
    // Reads every dataset on the connection to its end.
    void FinishPendingCursors();
    QSqlDatabase Connection() const { return FConnection; }

    // Datasets attached to the connection (opened or prepared on it).
    void AddClient(TDataSet* DataSet);
    void RemoveClient(TDataSet* DataSet);

private:
    friend class TSession;
    void CheckDisconnected() const;
    QString ConnectedAlias() const;
    QSqlDatabase AddConnection(const QString& AliasName);

    TSession* FSession;
    QString FDatabaseName;
    QString FAliasName;
    TStringList FParams;
    bool FLoginPrompt = true;
    QString FSessionName = QStringLiteral("Default");
    QString FConnectionName;
    QSqlDatabase FConnection;
    std::vector<TDataSet*> FClients;
};

// The message of a write whose row another user changed or deleted since it was read.
QString RecordChangedMessage();

// The session's databases, by name: what the query and table datasets attach to. A dataset
// class derived straight from TDataSet hands it to TDataSet's constructor to do the same.
TDatabaseProvider& SessionDatabases();

// Writes the edits of a dataset back to one table by the table's primary key (its column ID
// when the connection knows of none). An update sets the changed columns only, and a row
// written is read back as stored. Other workstations may have changed the row since it was
// read, so an update also requires that each changed column still holds the value read, and
// a delete that every column still holds it (NULL matching NULL: "is not distinct from" on
// PostgreSQL, "is" on SQLite). When no row matches, nothing is written and EDatabaseError
// "record changed by another user" is raised; the dataset keeps its edit. Times and
// timestamps, which Qt reads from PostgreSQL in milliseconds while the server keeps
// microseconds, match within the millisecond read.
class TTableWriter {
public:
    const QString& TableName() const { return FTableName; }
    void SetTableName(const QString& Name);
    // Finds the key among the columns of the dataset's statement. Asks the connection for
    // the primary key once per table; call it before the statement runs, since the driver's
    // catalogue query would cut the statement's cursor short.
    QStringList KeyNames(TDatabase* Database);
    void ResolveKeyFields(const QStringList& Names, const QSqlRecord& Record);

    // Writes a new row (Old empty) or an edited one of DataSet, opened on Database; returns
    // the row as stored, in the dataset's columns.
    std::vector<QVariant> Write(TDatabase* Database, const TDataSet& DataSet, const std::vector<QVariant>& Old,
                                const std::vector<QVariant>& New, const std::vector<bool>& Modified) const;
    void Delete(TDatabase* Database, const TDataSet& DataSet, const std::vector<QVariant>& Row) const;

private:
    const std::vector<int>& CheckedKeyFields() const;

    QString FTableName;
    QStringList FKeyNames;
    QString FKeysDatabase;
    std::vector<int> FKeyFields;
};

class TQuery : public TDataSet {
    VEL_DECLARE_CLASS(TQuery, TDataSet)
public:
    explicit TQuery(TComponent* AOwner = nullptr);
    ~TQuery() override;

    // The statement, one line per entry; lines are joined for execution.
    TStringList* SQL() { return &FSQL; }
    // The named parameters of the current SQL text (":NAME"), in order of first appearance.
    TParams* Params();
    TParam* ParamByName(const QString& Name);

    // Prepares the statement on its connection; raises EDatabaseError with the driver's message.
    void Prepare();
    void UnPrepare();
    bool Prepared() const { return FPrepared != nullptr; }
    // Runs a statement that returns no rows.
    void ExecSQL();
    // Rows changed by the last ExecSQL.
    int RowsAffected() const { return FRowsAffected; }
    // The table that edits of the query's rows are written back to, as a table's are (see
    // TTableWriter); the query's columns must be columns of that table, its key among them.
    // Without one, the query's rows are read only. Only while the query is closed.
    const QString& UpdateTableName() const { return FWriter.TableName(); }
    void SetUpdateTableName(const QString& Name);

    void DatabaseClosing() override;

protected:
    std::shared_ptr<QSqlQuery> OpenCursor(TDatabase* Database) override;
    bool KeepsDatabase() const override { return Prepared(); }
    std::vector<QVariant> WriteRow(const std::vector<QVariant>& Old, const std::vector<QVariant>& New,
                                   const std::vector<bool>& Modified) override;
    void DeleteRow(const std::vector<QVariant>& Row) override;

private:
    void ParseSQL();
    std::shared_ptr<QSqlQuery> ExecutedStatement(TDatabase* Database);
    bool ExecPrepared(QSqlQuery& Statement);

    TStringList FSQL;
    TParams FParams;
    QString FParsedText;
    QString FExecutableText;
    QStringList FParamOrder;
    std::shared_ptr<QSqlQuery> FPrepared;
    QString FPreparedText;
    int FRowsAffected = 0;
    TTableWriter FWriter;
};

class TTable : public TDataSet {
    VEL_DECLARE_CLASS(TTable, TDataSet)
public:
    explicit TTable(TComponent* AOwner = nullptr);

    const QString& TableName() const { return FWriter.TableName(); }
    // Only while the table is closed.
    void SetTableName(const QString& Name);

protected:
    std::shared_ptr<QSqlQuery> OpenCursor(TDatabase* Database) override;
    std::vector<QVariant> WriteRow(const std::vector<QVariant>& Old, const std::vector<QVariant>& New,
                                   const std::vector<bool>& Modified) override;
    void DeleteRow(const std::vector<QVariant>& Row) override;

private:
    TTableWriter FWriter;
};
