// velprovision: prepares a ready-to-run demo of the sample application in a directory and
// prints the environment lines that point the program at it.

#include "DemoSetup.h"
#include "Exceptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

void PrintError(const QString& Message)
{
    std::fprintf(stderr, "velprovision: %s\n", Message.toLocal8Bit().constData());
}

// Fills Settings from the command line; false (with the reason in Error) when it is wrong.
bool ReadArguments(QCommandLineParser& Parser, DemoSetup::TSettings& Settings, QString& Error)
{
    const QCommandLineOption dir(QStringLiteral("dir"), QStringLiteral("Directory of the demo (created if needed)."), QStringLiteral("DIR"));
    const QCommandLineOption rows(QStringLiteral("rows"), QStringLiteral("Number of clients and of orders."), QStringLiteral("N"),
                                  QString::number(DemoSchema::DefaultRows));
    const QCommandLineOption packages(QStringLiteral("packages-path"), QStringLiteral("Folder of the plug-in packages."), QStringLiteral("PATH"));
    const QCommandLineOption extra(QStringLiteral("package"),
                                   QStringLiteral("A package file of the packages folder that every user loads after the sample "
                                                  "packages (repeatable)."),
                                   QStringLiteral("FILE"));
    const QCommandLineOption postgres(QStringLiteral("postgres"),
                                      QStringLiteral("Provision into this PostgreSQL database instead of a SQLite file: "
                                                     "\"host=... port=... dbname=... user=... password=...\"."),
                                      QStringLiteral("CONNECTION"));
    const QCommandLineOption sql(QStringLiteral("sql"),
                                 QStringLiteral("An SQL file run after the program's own tables (repeatable): the tables, rows and "
                                                "navigation schema (CLASS, NAVIGATSIA) of your own packages; statements end with \";\"."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption noSample(QStringLiteral("no-sample"),
                                      QStringLiteral("Only the program's own tables (users, packages, classes, navigation): no sample "
                                                     "application, for a demo of your own packages (--package, --sql)."));
    Parser.setApplicationDescription(QStringLiteral("Prepares a ready-to-run demo of velnor07 in a directory."));
    Parser.addHelpOption();
    Parser.addOptions({dir, rows, packages, extra, postgres, sql, noSample});
    Parser.process(*QCoreApplication::instance());

    if (!Parser.isSet(dir)) {
        Error = QStringLiteral("--dir is required");
        return false;
    }
    bool numeric = false;
    Settings.Rows = Parser.value(rows).toInt(&numeric);
    if (!numeric || Settings.Rows <= 0) {
        Error = QStringLiteral("--rows must be a positive number: ") + Parser.value(rows);
        return false;
    }
    Settings.Dir = Parser.value(dir);
    Settings.PackagesPath = Parser.value(packages);
    Settings.Postgres = Parser.value(postgres);
    Settings.ExtraPackages = Parser.values(extra);
    Settings.SqlFiles = Parser.values(sql);
    Settings.Sample = !Parser.isSet(noSample);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    DemoSetup::TSettings settings;
    QString error;
    if (!ReadArguments(parser, settings, error)) {
        PrintError(error);
        std::fputs(parser.helpText().toLocal8Bit().constData(), stderr);
        return 2;
    }
    try {
        for (const QString& line : DemoSetup::Run(settings))
            std::printf("%s\n", line.toLocal8Bit().constData());
    } catch (const Exception& failure) {
        PrintError(failure.Message());
        return 1;
    }
    return 0;
}
