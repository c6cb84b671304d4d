#include "DemoSetup.h"

#include "Exceptions.h"
#include "OrderTemplate.h"
#include "Registry.h"
#include "RowWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>

#include <filesystem>
#include <functional>
#include <optional>
#include <system_error>

namespace DemoSetup {

namespace {

const QString StagedSuffix = QStringLiteral(".new");
const QString RegistryRoot = QStringLiteral("Software\\Velnor07");
const QString ApplicationTitle = QStringLiteral("Торговый дом «Велнор» (демонстрация)");

// Reads a libpq connection string: key = value pairs separated by blanks.
class TConnectionStringReader {
public:
    explicit TConnectionStringReader(const QString& Text) : FText(Text) {}

    // The next pair, or nothing at the end of the text.
    std::optional<std::pair<QString, QString>> Next()
    {
        SkipBlanks();
        if (AtEnd())
            return std::nullopt;
        QString key;
        while (!AtEnd() && !Current().isSpace() && Current() != u'=')
            key.append(Take());
        SkipBlanks();
        if (key.isEmpty() || AtEnd() || Take() != u'=')
            throw EConvertError(QStringLiteral("Строка подключения к PostgreSQL не в виде ключ=значение: %1").arg(FText));
        SkipBlanks();
        return std::make_pair(key, !AtEnd() && Current() == u'\'' ? QuotedValue() : PlainValue());
    }

private:
    bool AtEnd() const { return FPosition >= FText.size(); }
    QChar Current() const { return FText[FPosition]; }
    QChar Take() { return FText[FPosition++]; }
    void SkipBlanks()
    {
        while (!AtEnd() && Current().isSpace())
            ++FPosition;
    }
    // A backslash keeps the character after it.
    QChar TakeEscaped()
    {
        const QChar c = Take();
        return c == u'\\' && !AtEnd() ? Take() : c;
    }
    QString PlainValue()
    {
        QString value;
        while (!AtEnd() && !Current().isSpace())
            value.append(TakeEscaped());
        return value;
    }
    QString QuotedValue()
    {
        Take();
        QString value;
        while (!AtEnd() && Current() != u'\'')
            value.append(TakeEscaped());
        if (AtEnd())
            throw EConvertError(QStringLiteral("Незакрытая кавычка в строке подключения к PostgreSQL: %1").arg(FText));
        Take();
        return value;
    }

    QString FText;
    qsizetype FPosition = 0;
};

// A value as libpq reads it back: quoted when it is empty or holds blanks, quotes or backslashes.
QString ConnectionValue(const QString& Value)
{
    static const QRegularExpression plain(QStringLiteral("^[^\\s'\\\\]+$"));
    if (plain.match(Value).hasMatch())
        return Value;
    QString escaped = Value;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

QString ShellQuoted(const QString& Text)
{
    static const QRegularExpression safe(QStringLiteral("^[A-Za-z0-9_./:@%+=,-]+$"));
    if (safe.match(Text).hasMatch())
        return Text;
    QString quoted = Text;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// A Qt SQL connection of its own, removed again when it goes out of scope.
class TConnection {
public:
    explicit TConnection(const QString& Driver) : FName(QStringLiteral("velprovision")), FDatabase(QSqlDatabase::addDatabase(Driver, FName)) {}
    ~TConnection()
    {
        FDatabase.close();
        FDatabase = QSqlDatabase();
        QSqlDatabase::removeDatabase(FName);
    }
    QSqlDatabase& Database() { return FDatabase; }

private:
    QString FName;
    QSqlDatabase FDatabase;
};

void RenameOver(const QString& From, const QString& To)
{
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(From).toStdString(), QFile::encodeName(To).toStdString(), error);
    if (error)
        throw EInOutError(QStringLiteral("Не удалось переименовать %1 в %2: %3").arg(From, To, QString::fromStdString(error.message())));
}

// Files written under a temporary name beside their target and put in place together at the
// end; those not put in place are removed.
class TStagedFiles {
public:
    ~TStagedFiles()
    {
        for (const QString& target : FTargets)
            QFile::remove(Staged(target));
    }
    QString Add(const QString& Target)
    {
        FTargets.append(Target);
        QFile::remove(Staged(Target));
        return Staged(Target);
    }
    void Commit()
    {
        for (const QString& target : FTargets)
            RenameOver(Staged(target), target);
        FTargets.clear();
    }

private:
    static QString Staged(const QString& Target) { return Target + StagedSuffix; }
    QStringList FTargets;
};

// Points the registry at another file while it lives.
class TRegistryFileOverride {
public:
    explicit TRegistryFileOverride(const QString& FileName)
        : FHadValue(qEnvironmentVariableIsSet(Variable)), FOldValue(qgetenv(Variable))
    {
        qputenv(Variable, QFile::encodeName(FileName));
    }
    ~TRegistryFileOverride()
    {
        if (FHadValue)
            qputenv(Variable, FOldValue);
        else
            qunsetenv(Variable);
    }

private:
    static constexpr const char* Variable = "VELNOR_REGISTRY";
    bool FHadValue;
    QByteArray FOldValue;
};

QString MakeDirectory(const QString& Dir)
{
    if (Dir.isEmpty())
        throw EInOutError(QStringLiteral("Не задан каталог (--dir)"));
    const QString path = QDir(Dir).absolutePath();
    if (!QDir().mkpath(path))
        throw EInOutError(QStringLiteral("Не удалось создать каталог %1").arg(path));
    return path;
}

void ProvisionSQLite(const QString& Dir, const TFill& Fill)
{
    const QString target = Dir + QLatin1Char('/') + DatabaseFile;
    TStagedFiles staged;
    const QString file = staged.Add(target);
    // A journal left by an interrupted run would be rolled back into the new file.
    QFile::remove(file + QStringLiteral("-journal"));
    {
        TConnection connection(QStringLiteral("QSQLITE"));
        connection.Database().setDatabaseName(file);
        if (!connection.Database().open())
            throw EInOutError(QStringLiteral("Не удалось создать базу данных %1: %2").arg(file, connection.Database().lastError().text()));
        try {
            // The file is put in place only when complete, so there is nothing to protect
            // against a crash while it is being filled.
            RowWriter::Exec(connection.Database(), QStringLiteral("pragma synchronous = off"));
            Fill(connection.Database());
        } catch (const Exception& error) {
            throw EDatabaseError(QStringLiteral("Не удалось создать базу данных %1: %2").arg(file, error.Message()));
        }
    }
    staged.Commit();
}

} // namespace

void WithPostgres(const TPostgresTarget& Target, const TFill& Fill)
{
    TConnection connection(QStringLiteral("QPSQL"));
    QSqlDatabase& database = connection.Database();
    database.setHostName(Target.Host);
    if (!Target.Port.isEmpty())
        database.setPort(Target.Port.toInt());
    database.setDatabaseName(Target.Database);
    database.setConnectOptions(Target.Options);
    if (!database.open())
        throw EDatabaseError(QStringLiteral("Не удалось подключиться к PostgreSQL: %1").arg(database.lastError().text()));
    Fill(database);
}

namespace {

QStringList AliasLines(const std::optional<TPostgresTarget>& Postgres)
{
    QStringList lines = {QLatin1Char('[') + AliasName + QLatin1Char(']')};
    if (!Postgres) {
        // Relative to the alias file, so the directory can be moved as a whole.
        lines << QStringLiteral("Driver=SQLITE") << QStringLiteral("Database=") + DatabaseFile;
        return lines;
    }
    lines << QStringLiteral("Driver=POSTGRESQL") << QStringLiteral("Host=") + Postgres->Host
          << QStringLiteral("Port=") + Postgres->Port << QStringLiteral("Database=") + Postgres->Database
          << QStringLiteral("Options=") + Postgres->Options;
    return lines;
}

void WriteAliasFile(const QString& FileName, const QStringList& Lines)
{
    QSaveFile file(FileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        throw EInOutError(QStringLiteral("Не удалось записать %1: %2").arg(FileName, file.errorString()));
    file.write((Lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    if (!file.commit())
        throw EInOutError(QStringLiteral("Не удалось записать %1: %2").arg(FileName, file.errorString()));
}

void WriteRegistryFile(const QString& FileName, const QString& Dir, const QString& PackagesPath)
{
    const QString applicationKey = QLatin1Char('\\') + RegistryRoot + QLatin1Char('\\') + DemoSchema::DemoUserName();
    TRegistryFileOverride override(FileName);
    TRegistry registry;
    registry.OpenKey(QLatin1Char('\\') + RegistryRoot, true);
    registry.WriteInteger(QStringLiteral("AutoConnect"), 1);
    registry.WriteString(QStringLiteral("LastUser"), DemoSchema::DemoUserName());
    registry.OpenKey(applicationKey, true);
    registry.WriteString(QStringLiteral("ApplicationTitle"), ApplicationTitle);
    registry.WriteString(QStringLiteral("Alias"), AliasName);
    registry.WriteString(QStringLiteral("PackagesPath"), PackagesPath);
    registry.WriteInteger(QStringLiteral("ConnectNeeded"), 0);
    registry.WriteString(QStringLiteral("ApplicationPath"), Dir);
    // Where the spreadsheet exports go, and the order form's template.
    registry.OpenKey(applicationKey + QStringLiteral("\\ZayavkaReportDialog"), true);
    registry.WriteString(QStringLiteral("ReportPath"), Dir + QLatin1Char('/') + ReportsDirectory);
    registry.WriteString(QStringLiteral("OrderTemplate"), Dir + QLatin1Char('/') + OrderTemplate::FileName);
    registry.CloseKey();
    QFile::remove(FileName + QStringLiteral(".lock"));
}

} // namespace

TPostgresTarget ParsePostgres(const QString& ConnectionString)
{
    TPostgresTarget target;
    QStringList options;
    TConnectionStringReader reader(ConnectionString);
    while (auto pair = reader.Next()) {
        const auto& [key, value] = *pair;
        if (value.contains(QLatin1Char(';')))
            throw EConvertError(QStringLiteral("Значение %1 содержит «;», его нельзя записать в псевдоним").arg(key));
        if (key == QLatin1String("host"))
            target.Host = value;
        else if (key == QLatin1String("port"))
            target.Port = value;
        else if (key == QLatin1String("dbname"))
            target.Database = value;
        else
            options.append(key + QLatin1Char('=') + ConnectionValue(value));
    }
    if (!target.Port.isEmpty()) {
        bool numeric = false;
        target.Port.toInt(&numeric);
        if (!numeric)
            throw EConvertError(QStringLiteral("Порт PostgreSQL не число: %1").arg(target.Port));
    }
    if (target.Database.isEmpty())
        throw EConvertError(QStringLiteral("В строке подключения к PostgreSQL нет dbname"));
    target.Options = options.join(QLatin1Char(';'));
    return target;
}

QString DefaultPackagesPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/packages");
}

QStringList Run(const TSettings& Settings)
{
    std::optional<TPostgresTarget> postgres;
    if (!Settings.Postgres.isEmpty())
        postgres = ParsePostgres(Settings.Postgres);
    const QString dir = MakeDirectory(Settings.Dir);
    const QStringList packages = (Settings.Sample ? DemoSchema::PackageFiles() : QStringList()) + Settings.ExtraPackages;
    const TFill fill = [&](const QSqlDatabase& Connection) {
        if (Settings.Sample)
            DemoSchema::Provision(Connection, Settings.Rows, packages, Settings.SqlFiles);
        else
            DemoSchema::ProvisionProgramTables(Connection, packages, Settings.SqlFiles);
    };
    if (postgres)
        WithPostgres(*postgres, fill);
    else
        ProvisionSQLite(dir, fill);

    MakeDirectory(dir + QLatin1Char('/') + ReportsDirectory);
    const QString aliasFile = dir + QLatin1Char('/') + AliasFile;
    const QString registryFile = dir + QLatin1Char('/') + RegistryFile;
    TStagedFiles staged;
    OrderTemplate::Write(staged.Add(dir + QLatin1Char('/') + OrderTemplate::FileName));
    WriteAliasFile(staged.Add(aliasFile), AliasLines(postgres));
    const QString packagesPath = Settings.PackagesPath.isEmpty() ? DefaultPackagesPath() : QDir(Settings.PackagesPath).absolutePath();
    WriteRegistryFile(staged.Add(registryFile), dir, packagesPath);
    staged.Commit();
    return {QStringLiteral("export VELNOR_REGISTRY=") + ShellQuoted(registryFile),
            QStringLiteral("export VELNOR_ALIASES=") + ShellQuoted(aliasFile)};
}

} // namespace DemoSetup
