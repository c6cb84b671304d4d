#include "DemoTables.h"

#include "Exceptions.h"

namespace DemoTables {

namespace {

const QString NewJournal = QStringLiteral("_N");
const QString DeletedJournal = QStringLiteral("_D");

TColumn KeyColumn() { return {QStringLiteral("ID"), TType::Key}; }
TColumn NameColumn() { return {QStringLiteral("NAZVANIE"), TType::Text}; }
TColumn Column(const char* Name, TType Type) { return {QString::fromLatin1(Name), Type}; }

TTable SystemTable(const char* Name, std::vector<TColumn> Columns)
{
    return {QString::fromLatin1(Name), std::move(Columns), false, {}};
}

// ID and NAZVANIE, then the table's own columns.
TTable EntityTable(const char* Name, std::vector<TColumn> Own, QStringList References)
{
    std::vector<TColumn> columns = {KeyColumn(), NameColumn()};
    columns.insert(columns.end(), Own.begin(), Own.end());
    References.prepend(QStringLiteral("NAZVANIE"));
    return {QString::fromLatin1(Name), std::move(columns), true, References};
}

std::vector<TTable> Definitions()
{
    using enum TType;
    return {
        SystemTable("POLZOVATEL", {KeyColumn(), NameColumn(), Column("FIO", Text)}),
        SystemTable("modul", {KeyColumn(), Column("STROKA", Text), Column("POLZ_ID", Integer), Column("ORDER_NO", Integer)}),
        SystemTable("CLASS", {KeyColumn(), NameColumn(), Column("STROKA", Text), Column("TIP_CLASS_ID", Integer)}),
        SystemTable("NAVIGATSIA", {KeyColumn(), Column("CLASS_ID", Reference), Column("CLASS_ID_POTOMOK", Reference),
                                   Column("TIP_NAV_ID", Integer), Column("PARAMETR", Text), Column("CONTEXT", Text),
                                   Column("POLZ_ID", Integer)}),
        SystemTable("KLYUCHI", {KeyColumn(), NameColumn(), Column("ZNACHENIE", Reference)}),
        EntityTable("KLIENTY", {Column("GOROD", Text), Column("TELEFON", Text), Column("INN", Text), Column("DATA_REG", Date)}, {}),
        EntityTable("POSTAVSHCHIKI", {Column("GOROD", Text), Column("TELEFON", Text)}, {}),
        EntityTable("TOVARY", {Column("EDINICA", Text), Column("CENA", Money), Column("POSTAVSHCHIK_ID", Reference)},
                    {QStringLiteral("POSTAVSHCHIK_ID")}),
        EntityTable("SKLADY", {Column("GOROD", Text), Column("ADRES", Text)}, {}),
        EntityTable("OSTATKI", {Column("SKLAD_ID", Reference), Column("TOVAR_ID", Reference), Column("KOLICHESTVO", Integer)},
                    {QStringLiteral("SKLAD_ID")}),
        EntityTable("ZAKAZY", {Column("KLIENT_ID", Reference), Column("DATA", Date), Column("STATUS", Text), Column("SUMMA", Money)},
                    {QStringLiteral("KLIENT_ID"), QStringLiteral("STATUS")}),
        EntityTable("STROKI_ZAKAZA", {Column("ZAKAZ_ID", Reference), Column("TOVAR_ID", Reference),
                                      Column("KOLICHESTVO", Integer), Column("CENA", Money)},
                    {QStringLiteral("ZAKAZ_ID")}),
    };
}

QString TypeText(TType Type, bool PostgreSQL)
{
    switch (Type) {
    case TType::Key:
        // On SQLite an "integer primary key" is the 64-bit row id itself.
        return PostgreSQL ? QStringLiteral("bigint primary key") : QStringLiteral("integer primary key");
    case TType::Reference:
        return PostgreSQL ? QStringLiteral("bigint") : QStringLiteral("integer");
    case TType::Integer:
        return QStringLiteral("integer");
    case TType::Text:
        return QStringLiteral("varchar(250)");
    case TType::Money:
        return QStringLiteral("numeric(14,2)");
    case TType::Date:
        return QStringLiteral("date");
    }
    return {};
}

QString CreateStatement(const QString& Name, const std::vector<TColumn>& Columns, bool PostgreSQL)
{
    QStringList columns;
    for (const TColumn& column : Columns)
        columns.append(column.Name + QLatin1Char(' ') + TypeText(column.Type, PostgreSQL));
    return QStringLiteral("create table %1 (%2)").arg(Name, columns.join(QStringLiteral(", ")));
}

} // namespace

const std::vector<TTable>& Tables()
{
    static const std::vector<TTable> tables = Definitions();
    return tables;
}

const TTable& Table(const QString& Name)
{
    for (const TTable& table : Tables())
        if (table.Name == Name)
            return table;
    throw ERangeError(QStringLiteral("Нет таблицы %1").arg(Name));
}

QStringList ColumnNames(const TTable& Table)
{
    QStringList names;
    for (const TColumn& column : Table.Columns)
        names.append(column.Name);
    return names;
}

QStringList StoredNames(const TTable& Table)
{
    if (!Table.Entity)
        return {Table.Name};
    return {Table.Name, Table.Name + NewJournal, Table.Name + DeletedJournal};
}

QStringList CreateStatements(const TTable& Table, const QSqlDatabase& Connection)
{
    const bool postgres = Connection.driverName() == QLatin1String("QPSQL");
    QStringList statements = {CreateStatement(Table.Name, Table.Columns, postgres)};
    if (Table.Entity)
        for (const QString& journal : {Table.Name + NewJournal, Table.Name + DeletedJournal})
            statements.append(CreateStatement(journal, {KeyColumn()}, postgres));
    return statements;
}

QStringList IndexStatements(const TTable& Table)
{
    QStringList statements;
    for (const QString& column : Table.Indexed)
        statements.append(QStringLiteral("create index %1_%2 on %1 (%2)").arg(Table.Name, column));
    return statements;
}

std::unique_ptr<RowWriter::TRowWriter> Writer(const QSqlDatabase& Connection, const QString& Table)
{
    return RowWriter::Create(Connection, Table, ColumnNames(DemoTables::Table(Table)));
}

} // namespace DemoTables
