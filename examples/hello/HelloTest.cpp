// The test of hello.bpl, on the test kit: the program runs in-process on a scratch database
// made of the program's own tables and hello.sql. A plain program: it prints what failed and
// exits with 1, so it runs under CTest as it is (any test framework would do as well).

#include "TestKit.h"

#include <QTextStream>

#include <cstdio>

namespace {

const QString Guest = QString::fromUtf8("Гости/Смирнов Алексей Петрович");

void Check(bool Condition, const QString& What)
{
    if (!Condition)
        throw TestKit::EFailure(What);
}

// A guest's greeting is edited on its form and saved through the question that leaving it asks.
void EditAGuestAndSaveItThroughTheQuestion(TestKit::TProgramSession& Session)
{
    Check(Session.Captions(QString::fromUtf8("Гости")).size() == 3, QString::fromUtf8("три гостя в списке"));
    Session.Select(Guest);
    Check(Session.Text(QString::fromUtf8("PRIVETSTVIE")) == QString::fromUtf8("Добрый день"), QString::fromUtf8("приветствие гостя на форме"));

    Session.Type(QString::fromUtf8("PRIVETSTVIE"), QString::fromUtf8("Доброе утро"));
    Session.Dialogs().QueueMessageAnswer(mrYes);
    Session.Select(QString::fromUtf8("Гости"));

    Check(Session.Dialogs().Messages() == std::vector<QString>{QString::fromUtf8("Объект изменен. Сохранить изменения?")},
          QString::fromUtf8("вопрос о сохранении"));
    Check(Session.QueryValue(QString::fromUtf8("select PRIVETSTVIE from GOSTI where ID = 1")).toString() == QString::fromUtf8("Доброе утро"),
          QString::fromUtf8("приветствие сохранено в базе"));
}

} // namespace

int main()
{
    try {
        TestKit::TOptions options;
        options.Packages = {QString::fromUtf8("hello.bpl")};
        options.SqlFiles = {QString::fromUtf8(HELLO_SCHEMA)};
        options.Postgres = qEnvironmentVariable("VELNOR_TEST_PG");
        TestKit::TProgramSession session(options);
        EditAGuestAndSaveItThroughTheQuestion(session);
        // The package took back all it registered.
        session.Disconnect();
    } catch (const Exception& failure) {
        std::fprintf(stderr, "hello_test: %s\n", qUtf8Printable(failure.Message()));
        return 1;
    }
    std::puts("hello_test: passed");
    return 0;
}
