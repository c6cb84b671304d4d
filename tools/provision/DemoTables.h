#pragma once
// The table definitions of the demo database and the statements that create them on
// SQLite or PostgreSQL.

#include "RowWriter.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace DemoTables {

enum class TType {
    Key,        // the primary key ID: 64 bits
    Reference,  // the ID of a row of another table: 64 bits
    Integer,
    Text,
    Money,      // roubles with kopecks
    Date
};

struct TColumn {
    QString Name;
    TType Type;
};

struct TTable {
    QString Name;
    std::vector<TColumn> Columns;   // ID first
    bool Entity;                    // an entity table: has the journals X_N and X_D
    QStringList Indexed;            // columns looked up or sorted by in the navigator
};

// System tables first, then the entity tables.
const std::vector<TTable>& Tables();
// Raises ERangeError for a name that is not a demo table.
const TTable& Table(const QString& Name);

QStringList ColumnNames(const TTable& Table);
// The names of the table and of its journals.
QStringList StoredNames(const TTable& Table);
// "create table" for the table and its journals, in the dialect of Connection's driver.
QStringList CreateStatements(const TTable& Table, const QSqlDatabase& Connection);
// The indexes, created once the rows are in.
QStringList IndexStatements(const TTable& Table);

// Inserts rows into the named table, all columns in their defined order.
std::unique_ptr<RowWriter::TRowWriter> Writer(const QSqlDatabase& Connection, const QString& Table);

} // namespace DemoTables
