#pragma once
// The fixture of every data-access test: each test gets the alias "TESTDB" in the private
// alias file, pointing at a fresh empty database, and an open TDatabase of that name.
// SQLite: a new file in the test program's private directory. PostgreSQL: a new schema on
// the server handed over in VELNOR_TEST_PG, made the connection's search path and dropped
// afterwards; without VELNOR_TEST_PG those cases report themselves skipped.
//
//   class TMyTest : public TestSupport::TDatabaseTest {};
//   TEST_P(TMyTest, Reads) { ExecSQL("create table T (ID integer primary key)"); ... }
//   VELNOR_INSTANTIATE_DATABASE_TEST(TMyTest);

#include "DbTables.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

// Shows texts readably in failed expectations.
void PrintTo(const QString& Text, std::ostream* Stream);

namespace TestSupport {

enum class TBackend { SQLite, PostgreSQL };

std::string BackendName(const testing::TestParamInfo<TBackend>& Info);

// Writes one alias section of the private alias file (replacing a section of that name,
// keeping the others).
void WriteAlias(const QString& Name, const std::vector<std::pair<QString, QString>>& Keys);

class TDatabaseTest : public testing::TestWithParam<TBackend> {
protected:
    static QString AliasName() { return QStringLiteral("TESTDB"); }

    void SetUp() override;
    void TearDown() override;

    TBackend Backend() const { return GetParam(); }
    // Open; its DatabaseName and AliasName are AliasName().
    TDatabase* Database() const { return FDatabase.get(); }
    // Runs setup statements on the test database; raises EDatabaseError with the driver's message.
    void ExecSQL(const QString& SQL);
    void ExecSQL(const QStringList& Statements);
    // The first column of the first row of a query (null when there is no row).
    QVariant QueryValue(const QString& SQL);

private:
    void CreateSQLiteDatabase();
    void CreatePostgresSchema();

    std::unique_ptr<TDatabase> FDatabase;
    QString FSQLiteFile;
    QString FSchema;
};

} // namespace TestSupport

#define VELNOR_INSTANTIATE_DATABASE_TEST(Suite)                                                              \
    INSTANTIATE_TEST_SUITE_P(Backends, Suite,                                                                 \
                             testing::Values(TestSupport::TBackend::SQLite, TestSupport::TBackend::PostgreSQL), \
                             TestSupport::BackendName)
