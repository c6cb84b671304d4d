#pragma once
// The registry of databases in use and the logged query and table datasets every package
// obtains from it. Each dataset made by a factory is owned by Env::FormOwner and listed with
// its database, so that unregistering the database frees what is left of them. Opening or
// executing such a dataset writes the statement to the SQL log (log_txt beside the program,
// or in the user's state folder when the program's folder is not writable: Env::ProgramFile)
// while LogSQL is on, and a failure is logged and shown, never raised.

#include "DbTables.h"
#include "StringList.h"

namespace DatabaseManager {

class TDatabaseInfo : public TObject {
    VEL_DECLARE_CLASS(TDatabaseInfo, TObject)
public:
    explicit TDatabaseInfo(TDatabase* Database);
    // Frees the datasets still listed, the last first.
    ~TDatabaseInfo() override;

    TStringList* QueryList;
    TStringList* TableList;
    TDatabase* RegisteredDatabase;
};

class TNavQuery : public TQuery {
    VEL_DECLARE_CLASS(TNavQuery, TQuery)
public:
    explicit TNavQuery(TComponent* AOwner = nullptr);
    // Leaves its database's list.
    ~TNavQuery() override;

    virtual void Open();
    virtual void ExecSQL();
};

class TNavTable : public TTable {
    VEL_DECLARE_CLASS(TNavTable, TTable)
public:
    explicit TNavTable(TComponent* AOwner = nullptr);
    ~TNavTable() override;

    virtual void Open();
};

// Database name -> TDatabaseInfo.
extern TStringList* Databases;
extern bool LogSQL;

void RegisterDatabase(TDatabase* db);
void UnregisterDatabase(TDatabase* db);

// Null when db's database name is not registered.
TNavQuery* GetQuery(TDatabase* db);
TNavQuery* GetQueryWithSQL(TDatabase* db, TStringList* SQL);
TNavQuery* GetQueryWithSQL_TEXT(TDatabase* db, const QString& SQL);
TNavTable* GetTable(TDatabase* db);
TNavTable* GetTableWithName(TDatabase* db, const QString& TableName);

void Initialize();
void Finalize();

} // namespace DatabaseManager
