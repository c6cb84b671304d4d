#include "Registry.h"

#include "Dialogs.h"
#include "Exceptions.h"
#include "StringList.h"

#include <QDir>
#include <QSet>

#include <sys/stat.h>

VEL_IMPLEMENT_CLASS(TRegistry)

namespace {

QString DisplayPath(const QString& Path)
{
    return QStringLiteral("HKEY_CURRENT_USER\\") + Path;
}

// The registry file as it is now: its name, its inode and the time its inode last changed
// (a chmod or a replacement gives a new state).
QString FileState(const QString& Path)
{
    struct stat info {};
    if (::stat(Path.toLocal8Bit().constData(), &info) != 0)
        return Path;
    return QStringLiteral("%1:%2:%3.%4").arg(Path).arg(info.st_ino).arg(info.st_ctim.tv_sec).arg(info.st_ctim.tv_nsec);
}

} // namespace

TRegistry::TRegistry()
    : FFile(FileName())
{
}

QString TRegistry::FileName()
{
    const QString explicitFile = qEnvironmentVariable("VELNOR_REGISTRY");
    if (!explicitFile.isEmpty())
        return explicitFile;
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty())
        configHome = QDir::homePath() + QStringLiteral("/.config");
    return configHome + QStringLiteral("/velnor07/registry.reg");
}

bool TRegistry::WriteSetting(const std::function<void()>& Write)
{
    // Main thread only, like every dialog.
    static QSet<QString> toldStates;
    try {
        Write();
        return true;
    } catch (const ERegistryException& Error) {
        const QString state = FileState(FileName());
        if (!toldStates.contains(state)) {
            toldStates.insert(state);
            ShowMessage(Error.Message());
        }
        return false;
    }
}

QString TRegistry::Resolve(const QString& Key) const
{
    if (Key.startsWith(QLatin1Char('\\')) || !FKeyOpen)
        return TRegistryDocument::NormalizePath(Key);
    return TRegistryDocument::NormalizePath(FCurrentPath + QLatin1Char('\\') + Key);
}

bool TRegistry::OpenKey(const QString& Key, bool CanCreate)
{
    if (OpenExisting(Key, false))
        return true;
    if (!CanCreate)
        return false;
    const QString path = Resolve(Key);
    FFile.Update([&](TRegistryDocument& Document) { Document.ProvideKey(path); });
    FCurrentPath = path;
    FKeyOpen = true;
    FReadOnly = false;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const QString& Key)
{
    return OpenExisting(Key, true);
}

bool TRegistry::OpenExisting(const QString& Key, bool ReadOnly)
{
    const QString path = Resolve(Key);
    if (!FFile.Document().KeyExists(path))
        return false;
    FCurrentPath = path;
    FKeyOpen = true;
    FReadOnly = ReadOnly;
    return true;
}

void TRegistry::CloseKey()
{
    FKeyOpen = false;
    FReadOnly = false;
    FCurrentPath.clear();
}

QString TRegistry::CurrentPath() const
{
    return FCurrentPath;
}

bool TRegistry::KeyExists(const QString& Key)
{
    return FFile.Document().KeyExists(Resolve(Key));
}

const TRegistryValue* TRegistry::FindValue(const QString& Name)
{
    return FKeyOpen ? FFile.Document().FindValue(FCurrentPath, Name) : nullptr;
}

bool TRegistry::ValueExists(const QString& Name)
{
    return FindValue(Name) != nullptr;
}

QString TRegistry::ReadString(const QString& Name)
{
    const TRegistryValue* value = FindValue(Name);
    if (!value)
        return QString();
    if (value->Kind == TRegistryValue::TKind::Integer)
        return QString::number(value->Integer);
    return value->Text;
}

qint32 TRegistry::ReadInteger(const QString& Name)
{
    const TRegistryValue* value = FindValue(Name);
    if (!value)
        throw ERegistryException(QStringLiteral("Значение \"%1\" отсутствует в разделе реестра %2").arg(Name, DisplayPath(FCurrentPath)));
    if (value->Kind != TRegistryValue::TKind::Integer)
        throw ERegistryException(
            QStringLiteral("Значение \"%1\" в разделе реестра %2 не является целым числом").arg(Name, DisplayPath(FCurrentPath)));
    return value->Integer;
}

const QString& TRegistry::WritableKey() const
{
    if (!FKeyOpen)
        throw ERegistryException(QStringLiteral("Раздел реестра не открыт"));
    if (FReadOnly)
        throw ERegistryException(QStringLiteral("Раздел реестра %1 открыт только для чтения").arg(DisplayPath(FCurrentPath)));
    return FCurrentPath;
}

void TRegistry::WriteValue(const TRegistryValue& Value)
{
    const QString& path = WritableKey();
    // A value that already reads so is not written again: the file stays as it is.
    const TRegistryValue* current = FindValue(Value.Name);
    if (current && current->Kind == Value.Kind && current->Text == Value.Text && current->Integer == Value.Integer)
        return;
    FFile.Update([&](TRegistryDocument& Document) {
        if (!Document.KeyExists(path))
            throw ERegistryException(QStringLiteral("Раздел реестра %1 не существует").arg(DisplayPath(path)));
        Document.SetValue(path, Value);
    });
}

void TRegistry::WriteString(const QString& Name, const QString& Value)
{
    WriteValue(TRegistryValue{Name, TRegistryValue::TKind::String, Value, 0, {}});
}

void TRegistry::WriteInteger(const QString& Name, qint32 Value)
{
    WriteValue(TRegistryValue{Name, TRegistryValue::TKind::Integer, QString(), Value, {}});
}

void TRegistry::GetKeyNames(TStringList* Names)
{
    Names->Clear();
    for (const QString& name : FFile.Document().SubKeyNames(FCurrentPath))
        Names->Add(name);
}

void TRegistry::GetValueNames(TStringList* Names)
{
    Names->Clear();
    const TRegistryKeyData* key = FKeyOpen ? FFile.Document().FindKey(FCurrentPath) : nullptr;
    if (!key)
        return;
    for (const TRegistryValue& value : key->Values)
        Names->Add(value.Name);
}

bool TRegistry::DeleteKey(const QString& Key)
{
    const QString path = Resolve(Key);
    if (path.isEmpty() || !FFile.Document().KeyExists(path))
        return false;
    bool deleted = false;
    FFile.Update([&](TRegistryDocument& Document) { deleted = Document.DeleteKey(path); });
    return deleted;
}

bool TRegistry::DeleteValue(const QString& Name)
{
    const QString& path = WritableKey();
    if (!FFile.Document().FindValue(path, Name))
        return false;
    bool deleted = false;
    FFile.Update([&](TRegistryDocument& Document) { deleted = Document.DeleteValue(path, Name); });
    return deleted;
}
