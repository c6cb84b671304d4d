#include "RowWriter.h"

#include "Exceptions.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>

namespace RowWriter {

namespace {

// Rows per multi-row statement: large enough to save round trips, small enough to keep the
// statement text a few hundred kilobytes.
constexpr int RowsPerStatement = 1000;

[[noreturn]] void RaiseError(const QString& Table, const QSqlError& Error)
{
    throw EDatabaseError(QStringLiteral("Ошибка записи в таблицу %1: %2").arg(Table, Error.text()));
}

QString InsertHead(const QString& Table, const QStringList& Columns)
{
    return QStringLiteral("insert into %1 (%2) values ").arg(Table, Columns.join(QLatin1Char(',')));
}

class TPreparedWriter : public TRowWriter {
public:
    TPreparedWriter(const QSqlDatabase& Connection, const QString& Table, const QStringList& Columns)
        : FTable(Table), FStatement(Connection)
    {
        QStringList marks;
        for (qsizetype i = 0; i < Columns.size(); ++i)
            marks.append(QStringLiteral("?"));
        if (!FStatement.prepare(InsertHead(Table, Columns) + QLatin1Char('(') + marks.join(QLatin1Char(',')) + QLatin1Char(')')))
            RaiseError(FTable, FStatement.lastError());
    }

    void Add(const QVariantList& Values) override
    {
        for (qsizetype i = 0; i < Values.size(); ++i)
            FStatement.bindValue(int(i), Values[i]);
        if (!FStatement.exec())
            RaiseError(FTable, FStatement.lastError());
    }

    void Finish() override {}

private:
    QString FTable;
    QSqlQuery FStatement;
};

class TMultiRowWriter : public TRowWriter {
public:
    TMultiRowWriter(const QSqlDatabase& Connection, const QString& Table, const QStringList& Columns)
        : FConnection(Connection), FTable(Table), FHead(InsertHead(Table, Columns))
    {
    }

    void Add(const QVariantList& Values) override
    {
        FRows.append(QLatin1Char('(') + Literals(Values) + QLatin1Char(')'));
        if (FRows.size() >= RowsPerStatement)
            Flush();
    }

    void Finish() override { Flush(); }

private:
    // The values as SQL literals, quoted and escaped by the driver.
    QString Literals(const QVariantList& Values) const
    {
        QStringList literals;
        for (const QVariant& value : Values) {
            QSqlField field(QString(), value.metaType());
            field.setValue(value);
            literals.append(FConnection.driver()->formatValue(field));
        }
        return literals.join(QLatin1Char(','));
    }

    void Flush()
    {
        if (FRows.isEmpty())
            return;
        QSqlQuery statement(FConnection);
        if (!statement.exec(FHead + FRows.join(QLatin1Char(','))))
            RaiseError(FTable, statement.lastError());
        FRows.clear();
    }

    QSqlDatabase FConnection;
    QString FTable;
    QString FHead;
    QStringList FRows;
};

} // namespace

std::unique_ptr<TRowWriter> Create(const QSqlDatabase& Connection, const QString& Table, const QStringList& Columns)
{
    if (Connection.driverName() == QLatin1String("QSQLITE"))
        return std::make_unique<TPreparedWriter>(Connection, Table, Columns);
    return std::make_unique<TMultiRowWriter>(Connection, Table, Columns);
}

void Exec(const QSqlDatabase& Connection, const QString& Statement)
{
    QSqlQuery query(Connection);
    if (!query.exec(Statement))
        throw EDatabaseError(QStringLiteral("%1: %2").arg(Statement, query.lastError().text()));
}

} // namespace RowWriter
