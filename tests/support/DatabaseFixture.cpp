#include "DatabaseFixture.h"

#include "Exceptions.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

#include <map>

void PrintTo(const QString& Text, std::ostream* Stream)
{
    *Stream << '"' << Text.toStdString() << '"';
}

namespace TestSupport {

namespace {

int TestCounter = 0;

// The key=value pairs of a libpq connection string.
std::map<QString, QString> ConnectionParts()
{
    std::map<QString, QString> parts;
    for (const QString& part : PostgresConnection().split(QLatin1Char(' '), Qt::SkipEmptyParts))
        parts[part.section(QLatin1Char('='), 0, 0)] = part.section(QLatin1Char('='), 1);
    return parts;
}

// Runs one statement on the server outside any schema of a test.
void ExecOnServer(const QString& SQL)
{
    const QString name = QStringLiteral("velnor-test-admin");
    QString error;
    {
        auto parts = ConnectionParts();
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(parts[QStringLiteral("host")]);
        db.setPort(parts[QStringLiteral("port")].toInt());
        db.setDatabaseName(parts[QStringLiteral("dbname")]);
        db.setUserName(parts[QStringLiteral("user")]);
        if (!db.open())
            error = db.lastError().text();
        else if (QSqlQuery query(db); !query.exec(QStringLiteral("set client_min_messages = warning; ") + SQL))
            error = query.lastError().text();
    }
    QSqlDatabase::removeDatabase(name);
    if (!error.isEmpty())
        throw EDatabaseError(error);
}

// The alias file as sections: name and the lines below it.
using TSections = std::vector<std::pair<QString, QStringList>>;

TSections ReadSections()
{
    TSections sections;
    QFile file(AliasFile());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return sections;
    QTextStream stream(&file);
    while (!stream.atEnd()) {
        const QString line = stream.readLine();
        if (line.startsWith(QLatin1Char('[')))
            sections.push_back({line.mid(1, line.indexOf(QLatin1Char(']')) - 1), {}});
        else if (!sections.empty() && !line.trimmed().isEmpty())
            sections.back().second.append(line);
    }
    return sections;
}

void WriteSections(const TSections& Sections)
{
    QFile file(AliasFile());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        throw EInOutError(file.errorString());
    QTextStream stream(&file);
    for (const auto& [name, lines] : Sections) {
        stream << '[' << name << "]\n";
        for (const QString& line : lines)
            stream << line << '\n';
    }
}

} // namespace

std::string BackendName(const testing::TestParamInfo<TBackend>& Info)
{
    return Info.param == TBackend::SQLite ? "SQLite" : "PostgreSQL";
}

void PrintTo(TBackend Backend, std::ostream* Stream)
{
    *Stream << (Backend == TBackend::SQLite ? "SQLite" : "PostgreSQL");
}

void WriteAlias(const QString& Name, const std::vector<std::pair<QString, QString>>& Keys)
{
    TSections sections = ReadSections();
    QStringList lines;
    for (const auto& [key, value] : Keys)
        lines.append(key + QLatin1Char('=') + value);
    auto found = std::find_if(sections.begin(), sections.end(), [&](const auto& s) { return s.first == Name; });
    if (found != sections.end())
        found->second = lines;
    else
        sections.push_back({Name, lines});
    WriteSections(sections);
}

void TDatabaseTest::SetUp()
{
    ++TestCounter;
    if (Backend() == TBackend::PostgreSQL) {
        if (PostgresConnection().isEmpty())
            GTEST_SKIP() << "VELNOR_TEST_PG is not set: no PostgreSQL server to test against";
        CreatePostgresSchema();
    } else {
        CreateSQLiteDatabase();
    }
    FDatabase = std::make_unique<TDatabase>();
    FDatabase->SetDatabaseName(AliasName());
    FDatabase->SetAliasName(AliasName());
    FDatabase->SetLoginPrompt(false);
    if (Backend() == TBackend::PostgreSQL)
        FDatabase->Params()->Add(QStringLiteral("USER NAME=") + ConnectionParts()[QStringLiteral("user")]);
    FDatabase->Open();
}

void TDatabaseTest::CreateSQLiteDatabase()
{
    FSQLiteFile = TempDir() + QStringLiteral("/test-%1.sqlite").arg(TestCounter);
    QFile::remove(FSQLiteFile);
    // An empty file is an empty database; a missing one is not opened.
    QFile(FSQLiteFile).open(QIODevice::WriteOnly);
    WriteAlias(AliasName(), {{QStringLiteral("Driver"), QStringLiteral("SQLITE")}, {QStringLiteral("Database"), FSQLiteFile}});
}

void TDatabaseTest::CreatePostgresSchema()
{
    FSchema = QStringLiteral("velnor_t%1_%2").arg(QCoreApplication::applicationPid()).arg(TestCounter);
    ExecOnServer(QStringLiteral("create schema %1").arg(FSchema));
    auto parts = ConnectionParts();
    // The login also goes into the options, so that connections the session opens for the
    // bare alias name reach the server as the same user.
    const QString options = QStringLiteral("user=%1;options=-csearch_path=%2").arg(parts[QStringLiteral("user")], FSchema);
    WriteAlias(AliasName(), {{QStringLiteral("Driver"), QStringLiteral("POSTGRESQL")},
                             {QStringLiteral("Database"), parts[QStringLiteral("dbname")]},
                             {QStringLiteral("Host"), parts[QStringLiteral("host")]},
                             {QStringLiteral("Port"), parts[QStringLiteral("port")]},
                             {QStringLiteral("Options"), options}});
}

void TDatabaseTest::TearDown()
{
    FDatabase.reset();
    Session().DropConnections();
    if (!FSchema.isEmpty())
        ExecOnServer(QStringLiteral("drop schema if exists %1 cascade").arg(FSchema));
    if (!FSQLiteFile.isEmpty())
        QFile::remove(FSQLiteFile);
}

void TDatabaseTest::ExecSQL(const QString& SQL)
{
    QSqlQuery statement = FDatabase->NewStatement();
    if (!statement.exec(SQL))
        throw EDatabaseError(statement.lastError().text());
}

void TDatabaseTest::ExecSQL(const QStringList& Statements)
{
    for (const QString& statement : Statements)
        ExecSQL(statement);
}

QVariant TDatabaseTest::QueryValue(const QString& SQL)
{
    QSqlQuery statement = FDatabase->NewStatement();
    if (!statement.exec(SQL))
        throw EDatabaseError(statement.lastError().text());
    return statement.next() ? statement.value(0) : QVariant();
}

} // namespace TestSupport
