#pragma once
// Bulk insertion of rows into one table, the fastest way each engine offers:
// SQLite runs one prepared statement per row; PostgreSQL gets multi-row
// "insert ... values (...), (...)" statements, because a round trip per row is about
// fifty times slower there. Run it inside a transaction.

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <memory>

namespace RowWriter {

class TRowWriter {
public:
    virtual ~TRowWriter() = default;
    // One row, its values in the order of the columns given to Create.
    virtual void Add(const QVariantList& Values) = 0;
    // Writes what is still buffered; call it before the transaction is committed.
    virtual void Finish() = 0;
};

// Raises EDatabaseError (naming the table and the driver's message) when a write fails.
std::unique_ptr<TRowWriter> Create(const QSqlDatabase& Connection, const QString& Table, const QStringList& Columns);

// Runs one statement; raises EDatabaseError with the statement and the driver's message.
void Exec(const QSqlDatabase& Connection, const QString& Statement);

} // namespace RowWriter
