#include "TestKitPrivate.h"

#include "ApplicationSystemChooseForm.h"
#include "DemoSetup.h"
#include "EClasses.h"
#include "Env.h"
#include "Program.h"
#include "PropertyPages.h"
#include "Registry.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <dlfcn.h>

namespace TestKit {

namespace {

const QString ApplicationKey = QStringLiteral("Software\\Velnor07\\") + DemoSchema::DemoUserName();

// A QApplication for a test program that made none; it lives until the program ends.
void EnsureApplication()
{
    if (QCoreApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "velnor-package-test";
    static char* argv[] = {name, nullptr};
    // Never freed (a QApplication must not be destroyed after main() returns), but held, so
    // that a leak checker sees it reachable.
    static QApplication* application = new QApplication(argc, argv);
    application->setQuitOnLastWindowClosed(false);
}

// The package folder of the installation: beside the kit's own library.
QString InstalledPackageFolder()
{
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&InstalledPackageFolder), &info) || !info.dli_fname)
        return QString();
    return QFileInfo(QFile::decodeName(info.dli_fname)).absolutePath() + QStringLiteral("/packages");
}

QString FindPackage(const QString& Name)
{
    if (Name.contains(QLatin1Char('/'))) {
        if (QFileInfo(Name).isFile())
            return QFileInfo(Name).absoluteFilePath();
        throw EFailure(QStringLiteral("Нет файла пакета %1").arg(Name));
    }
    QStringList folders = qEnvironmentVariable("VELNOR_PACKAGE_PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    folders.append(InstalledPackageFolder());
    for (const QString& folder : folders)
        if (QFileInfo(folder + QLatin1Char('/') + Name).isFile())
            return QFileInfo(folder + QLatin1Char('/') + Name).absoluteFilePath();
    throw EFailure(QStringLiteral("Пакет %1 не найден в %2").arg(Name, folders.join(QStringLiteral(", "))));
}

// The session's package folder: a link to each package file, so that every package loads
// from one folder as the module loader expects. Returns the file names in load order.
QStringList LinkPackages(const QStringList& Packages, const QString& Folder)
{
    QDir().mkpath(Folder);
    QStringList names;
    for (const QString& package : Packages) {
        const QString path = FindPackage(package);
        const QString name = QFileInfo(path).fileName();
        if (!QFile::link(path, Folder + QLatin1Char('/') + name))
            throw EFailure(QStringLiteral("Не удалось поместить пакет %1 в %2").arg(path, Folder));
        names.append(name);
    }
    return names;
}

void ExecOn(const QSqlDatabase& Connection, const QString& SQL)
{
    QSqlQuery query(Connection);
    if (!query.exec(SQL))
        throw EFailure(QStringLiteral("%1: %2").arg(SQL, query.lastError().text()));
}

// Every entry of the registries packages fill, by registry.
TSnapshot TakeSnapshot()
{
    TSnapshot snapshot;
    const std::pair<const char*, TStringList*> registries[] = {
        {"Env::ClassNames", Env::ClassNames},       {"Env::Navigators", Env::Navigators},
        {"Env::Services", Env::Services},           {"Env::Classificators", Env::Classificators},
        {"Env::Modules", Env::Modules},             {"PropertyPages::Pages", PropertyPages::Pages},
    };
    for (const auto& [name, list] : registries) {
        QStringList& entries = snapshot.Registries[QString::fromLatin1(name)];
        for (int i = 0; list && i < list->Count(); ++i)
            entries.append(list->Strings(i));
    }
    snapshot.Entities = EClasses::TEntity::LiveCount();
    return snapshot;
}

// What After has that Before had not, one line per registry, and the entities left.
QStringList Differences(const TSnapshot& Before, const TSnapshot& After)
{
    QStringList lines;
    for (const auto& [registry, entries] : After.Registries) {
        QStringList added = entries;
        for (const QString& entry : Before.Registries.at(registry))
            added.removeOne(entry);
        if (!added.isEmpty())
            lines.append(QStringLiteral("%1 осталось: %2").arg(registry, added.join(QStringLiteral(", "))));
    }
    if (After.Entities > Before.Entities)
        lines.append(QStringLiteral("осталось сущностей (TEntity): %1").arg(After.Entities - Before.Entities));
    return lines;
}

QString ShownMessages(const TScriptedDialogHost& Dialogs)
{
    QStringList texts;
    for (const QString& text : Dialogs.Messages())
        texts.append(QStringLiteral("«%1»").arg(text));
    return texts.isEmpty() ? QStringLiteral("сообщений не было") : QStringLiteral("сообщения: ") + texts.join(QStringLiteral(", "));
}

} // namespace

TEnvironmentOverride::TEnvironmentOverride(const char* Name, const QString& Value)
    : FName(Name), FHadValue(qEnvironmentVariableIsSet(Name)), FOldValue(qgetenv(Name))
{
    qputenv(Name, QFile::encodeName(Value));
}

TEnvironmentOverride::~TEnvironmentOverride()
{
    if (FHadValue)
        qputenv(FName, FOldValue);
    else
        qunsetenv(FName);
}

void QueueChooserAnswer(TScriptedDialogHost& Dialogs, const QString& Title)
{
    Dialogs.QueueModalAnswer([Title](TForm* Form) {
        auto* chooser = static_cast<ApplicationSystemChooseForm::TApplicationSystemChooseFrm*>(Form);
        if (!Title.isEmpty())
            chooser->ComboBox1->SetItemIndex(chooser->ComboBox1->Items().indexOf(Title));
        chooser->Button1->Click();
        return chooser->ModalResult();
    });
}

mainform::TForm1* MainWindow()
{
    if (!mainform::Form1)
        throw EFailure(QStringLiteral("Программа не запущена"));
    return mainform::Form1;
}

void RequireSession()
{
    if (!MainWindow()->SessionRunning())
        throw EFailure(QStringLiteral("Сеанс не запущен"));
}

namespace {

// Provisions the scratch database into the session's folder and points the program at it.
void Provision(TProgramSession::TState& State, const TOptions& Options)
{
    DemoSetup::TSettings settings;
    settings.Dir = State.Dir.path();
    settings.Sample = Options.SampleRows > 0;
    if (settings.Sample)
        settings.Rows = Options.SampleRows;
    settings.PackagesPath = State.Dir.path() + QStringLiteral("/packages");
    // The sample packages come from the installation, listed by the provisioning itself.
    const QStringList sample = settings.Sample ? DemoSchema::PackageFiles() : QStringList();
    settings.ExtraPackages = LinkPackages(sample + Options.Packages, settings.PackagesPath).mid(sample.size());
    settings.SqlFiles = Options.SqlFiles;
    if (!Options.Postgres.isEmpty()) {
        static int sessions = 0;
        State.Postgres = Options.Postgres;
        State.PostgresSchema = QStringLiteral("velkit_%1_%2").arg(QCoreApplication::applicationPid()).arg(++sessions);
        DemoSetup::WithPostgres(DemoSetup::ParsePostgres(Options.Postgres), [&](const QSqlDatabase& Connection) {
            ExecOn(Connection, QStringLiteral("create schema ") + State.PostgresSchema);
        });
        settings.Postgres = Options.Postgres + QStringLiteral(" options=-csearch_path=") + State.PostgresSchema;
    }
    DemoSetup::Run(settings);
    State.Overrides.push_back(std::make_unique<TEnvironmentOverride>("VELNOR_REGISTRY", settings.Dir + QLatin1Char('/') + DemoSetup::RegistryFile));
    State.Overrides.push_back(std::make_unique<TEnvironmentOverride>("VELNOR_ALIASES", settings.Dir + QLatin1Char('/') + DemoSetup::AliasFile));
    // The kit connects by itself, once the forms are there.
    TRegistry registry;
    registry.OpenKey(QStringLiteral("Software\\Velnor07"), false);
    registry.WriteInteger(QStringLiteral("AutoConnect"), 0);
}

// Connects as a person does: «Подключение...», and the application chosen in the chooser.
void Connect(TScriptedDialogHost& Dialogs)
{
    mainform::TForm1* window = MainWindow();
    window->show();
    QApplication::setActiveWindow(window);
    QueueChooserAnswer(Dialogs);
    window->ConnectItem->Click();
    if (!window->SessionRunning())
        throw EFailure(QStringLiteral("Сеанс не начался; ") + ShownMessages(Dialogs));
}

// Runs SQL on the session's connection.
QSqlQuery Execute(const QString& SQL)
{
    RequireSession();
    QSqlQuery statement = MainWindow()->Database1->NewStatement();
    if (!statement.exec(SQL))
        throw EFailure(QStringLiteral("%1: %2").arg(SQL, statement.lastError().text()));
    return statement;
}

} // namespace

TProgramSession::TState::~TState()
{
    if (ProgramStarted) {
        try {
            if (mainform::Form1 && mainform::Form1->SessionRunning())
                mainform::Form1->DisconnectItem->Click();
        } catch (...) {
            // The end goes on: the units are finalised whatever the stop ran into.
        }
        Env::SetLeftoverObserver({});
        Program::Finish();
        SetDialogHost(PreviousHost);
    }
    Session().DropConnections();
    if (PostgresSchema.isEmpty())
        return;
    try {
        DemoSetup::WithPostgres(DemoSetup::ParsePostgres(Postgres), [&](const QSqlDatabase& Connection) {
            ExecOn(Connection, QStringLiteral("set client_min_messages = warning"));
            ExecOn(Connection, QStringLiteral("drop schema if exists %1 cascade").arg(PostgresSchema));
        });
    } catch (...) {
        // A schema left on a test server is no reason to fail the test.
    }
}

TProgramSession::TProgramSession(const TOptions& Options) : F(std::make_unique<TState>())
{
    if (!F->Dir.isValid())
        throw EFailure(QStringLiteral("Не удалось создать временный каталог: ") + F->Dir.errorString());
    // Keeps Qt from warning about a missing runtime folder.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        F->Overrides.push_back(std::make_unique<TEnvironmentOverride>("XDG_RUNTIME_DIR", F->Dir.path()));
    EnsureApplication();
    try {
        Provision(*F, Options);
    } catch (const EFailure&) {
        throw;
    } catch (const Exception& error) {
        // A wrong SQL file, an unreachable server: the message names the file and line, or the server.
        throw EFailure(error.Message());
    }
    F->PreviousHost = &DialogHost();
    SetDialogHost(&F->Dialogs);
    F->ProgramStarted = true;
    Program::Start();
    F->Before = TakeSnapshot();
    Env::SetLeftoverObserver([State = F.get()](const QString& Report) { State->Leftovers.append(Report); });
    Connect(F->Dialogs);
}

TProgramSession::~TProgramSession() = default;

bool TProgramSession::Connected() const
{
    return mainform::Form1 && mainform::Form1->SessionRunning();
}

void TProgramSession::Disconnect()
{
    RequireSession();
    MainWindow()->DisconnectItem->Click();
    if (Connected())
        throw EFailure(QStringLiteral("Сеанс не остановился; ") + ShownMessages(F->Dialogs));
    QStringList faults = F->Leftovers + Differences(F->Before, TakeSnapshot());
    F->Leftovers.clear();
    if (!faults.isEmpty())
        throw EFailure(QStringLiteral("После отключения:\n") + faults.join(QLatin1Char('\n')));
}

TScriptedDialogHost& TProgramSession::Dialogs()
{
    return F->Dialogs;
}

QVariant TProgramSession::QueryValue(const QString& SQL)
{
    QSqlQuery statement = Execute(SQL);
    return statement.next() ? statement.value(0) : QVariant();
}

void TProgramSession::ExecSQL(const QString& SQL)
{
    Execute(SQL);
}

} // namespace TestKit
