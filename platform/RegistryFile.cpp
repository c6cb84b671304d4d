#include "RegistryFile.h"

#include "Exceptions.h"
#include "StringList.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString HiveName = QStringLiteral("HKEY_CURRENT_USER");
const QString IntegerPrefix = QStringLiteral("dword:");

// A malformed line; Parse adds the file name and the line number.
struct TSyntaxError {
    QString Reason;
};

QStringList PathNames(const QString& Path)
{
    return Path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

// Whether the names of Path begin with all the names of Prefix.
bool PathStartsWith(const QStringList& Path, const QStringList& Prefix)
{
    if (Path.size() < Prefix.size())
        return false;
    for (qsizetype i = 0; i < Prefix.size(); ++i)
        if (!TStringList::SameText(Path[i], Prefix[i]))
            return false;
    return true;
}

QString Escape(const QString& Text)
{
    QString result;
    result.reserve(Text.size() + 2);
    for (const QChar c : Text) {
        switch (c.unicode()) {
        case '\\': result += QLatin1String("\\\\"); break;
        case '"': result += QLatin1String("\\\""); break;
        case '\n': result += QLatin1String("\\n"); break;
        case '\r': result += QLatin1String("\\r"); break;
        default: result += c;
        }
    }
    return result;
}

QChar Unescape(QChar Escaped)
{
    switch (Escaped.unicode()) {
    case '\\': return QLatin1Char('\\');
    case '"': return QLatin1Char('"');
    case 'n': return QLatin1Char('\n');
    case 'r': return QLatin1Char('\r');
    default: throw TSyntaxError{QStringLiteral("недопустимая последовательность \\%1").arg(Escaped)};
    }
}

// Reads the quoted string whose opening quote is at Pos; Pos ends after the closing quote.
QString ReadQuoted(const QString& Line, qsizetype& Pos)
{
    QString result;
    for (++Pos; Pos < Line.size(); ++Pos) {
        const QChar c = Line[Pos];
        if (c == QLatin1Char('"')) {
            ++Pos;
            return result;
        }
        if (c != QLatin1Char('\\'))
            result += c;
        else if (++Pos < Line.size())
            result += Unescape(Line[Pos]);
    }
    throw TSyntaxError{QStringLiteral("нет закрывающей кавычки")};
}

qint32 ParseInteger(const QString& Digits)
{
    const bool wellFormed = Digits.size() == 8
        && std::all_of(Digits.begin(), Digits.end(), [](QChar c) { return c.unicode() < 128 && isxdigit(c.unicode()); });
    if (!wellFormed)
        throw TSyntaxError{QStringLiteral("число должно состоять из 8 шестнадцатеричных цифр")};
    return static_cast<qint32>(Digits.toUInt(nullptr, 16));
}

void ParseData(const QString& Data, TRegistryValue& Value)
{
    if (Data.startsWith(QLatin1Char('"'))) {
        qsizetype pos = 0;
        Value.Text = ReadQuoted(Data, pos);
        if (pos != Data.size())
            throw TSyntaxError{QStringLiteral("лишние символы после строки")};
    } else if (Data.startsWith(IntegerPrefix, Qt::CaseInsensitive)) {
        Value.Kind = TRegistryValue::TKind::Integer;
        Value.Integer = ParseInteger(Data.mid(IntegerPrefix.size()));
    } else {
        throw TSyntaxError{QStringLiteral("неизвестный тип значения")};
    }
}

TRegistryValue ParseValueLine(const QString& Line)
{
    TRegistryValue value;
    qsizetype pos = 0;
    if (Line.startsWith(QLatin1Char('@')))
        pos = 1;
    else if (Line.startsWith(QLatin1Char('"')))
        value.Name = ReadQuoted(Line, pos);
    else
        throw TSyntaxError{QStringLiteral("ожидался раздел в квадратных скобках или имя значения в кавычках")};
    if (pos >= Line.size() || Line[pos] != QLatin1Char('='))
        throw TSyntaxError{QStringLiteral("после имени значения ожидался знак =")};
    ParseData(Line.mid(pos + 1), value);
    return value;
}

QString ParseSectionPath(const QString& Line)
{
    const QString section = Line.mid(1, Line.size() - 2);
    if (TStringList::SameText(section, HiveName))
        return QString();
    if (!section.startsWith(HiveName + QLatin1Char('\\'), Qt::CaseInsensitive))
        throw TSyntaxError{QStringLiteral("раздел вне %1").arg(HiveName)};
    const QString path = section.mid(HiveName.size() + 1);
    if (path.split(QLatin1Char('\\')).contains(QString()))
        throw TSyntaxError{QStringLiteral("пустое имя раздела")};
    return path;
}

QString DecodeLine(QByteArray Bytes)
{
    if (Bytes.endsWith('\r'))
        Bytes.chop(1);
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString line = decoder.decode(Bytes);
    if (decoder.hasError())
        throw TSyntaxError{QStringLiteral("текст не в кодировке UTF-8")};
    return line.trimmed();
}

QString FormatValue(const TRegistryValue& Value)
{
    const QString name = Value.Name.isEmpty() ? QStringLiteral("@") : QLatin1Char('"') + Escape(Value.Name) + QLatin1Char('"');
    if (Value.Kind == TRegistryValue::TKind::Integer)
        return name + QLatin1Char('=') + IntegerPrefix
            + QStringLiteral("%1").arg(static_cast<quint32>(Value.Integer), 8, 16, QLatin1Char('0'));
    return name + QStringLiteral("=\"") + Escape(Value.Text) + QLatin1Char('"');
}

QString SectionName(const QString& Path)
{
    return Path.isEmpty() ? HiveName : HiveName + QLatin1Char('\\') + Path;
}


QByteArray NativePath(const QString& Path)
{
    return QFile::encodeName(Path);
}

// Holds an open file descriptor and closes it.
class TDescriptor {
public:
    explicit TDescriptor(int Fd) : FFd(Fd) {}
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;
    ~TDescriptor()
    {
        if (FFd >= 0)
            ::close(FFd);
    }
    int Fd() const { return FFd; }
    bool Valid() const { return FFd >= 0; }
    // Closes now and reports whether the close succeeded.
    bool Close()
    {
        const int fd = FFd;
        FFd = -1;
        return ::close(fd) == 0;
    }

private:
    int FFd;
};

bool WriteAll(int Fd, const QByteArray& Bytes)
{
    const char* data = Bytes.constData();
    qsizetype left = Bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(Fd, data, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        left -= written;
    }
    return true;
}

bool ReadAll(int Fd, QByteArray& Bytes)
{
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(Fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        Bytes.append(buffer, got);
    }
}

bool LockExclusive(int Fd)
{
    while (::flock(Fd, LOCK_EX) != 0)
        if (errno != EINTR)
            return false;
    return true;
}

void SyncDirectory(const QString& Directory)
{
    TDescriptor dir(::open(NativePath(Directory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Valid())
        ::fsync(dir.Fd());
}

} // namespace

TRegistryDocument TRegistryDocument::Parse(const QByteArray& Content, const QString& FileName)
{
    TRegistryDocument document;
    const QByteArray bom("\xEF\xBB\xBF");
    const QList<QByteArray> lines = (Content.startsWith(bom) ? Content.mid(bom.size()) : Content).split('\n');
    QString currentPath;
    bool inSection = false;
    for (qsizetype number = 0; number < lines.size(); ++number) {
        try {
            const QString line = DecodeLine(lines[number]);
            if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
                continue;
            if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
                currentPath = ParseSectionPath(line);
                document.ProvideKey(currentPath);
                inSection = true;
            } else if (!inSection) {
                throw TSyntaxError{QStringLiteral("значение вне раздела")};
            } else {
                document.SetValue(currentPath, ParseValueLine(line));
            }
        } catch (const TSyntaxError& error) {
            throw ERegistryException(QStringLiteral("Файл реестра %1 повреждён: строка %2: %3")
                                         .arg(FileName)
                                         .arg(number + 1)
                                         .arg(error.Reason));
        }
    }
    return document;
}

QString TRegistryDocument::Format() const
{
    QString text;
    for (const TRegistryKeyData& key : FKeys) {
        text += QLatin1Char('[') + SectionName(key.Path) + QStringLiteral("]\n");
        for (const TRegistryValue& value : key.Values)
            text += FormatValue(value) + QLatin1Char('\n');
        text += QLatin1Char('\n');
    }
    return text;
}

QString TRegistryDocument::NormalizePath(const QString& Path)
{
    return PathNames(Path).join(QLatin1Char('\\'));
}

bool TRegistryDocument::SamePath(const QString& A, const QString& B)
{
    const QStringList a = PathNames(A);
    const QStringList b = PathNames(B);
    return a.size() == b.size() && PathStartsWith(a, b);
}

bool TRegistryDocument::KeyExists(const QString& Path) const
{
    const QStringList wanted = PathNames(Path);
    return std::any_of(FKeys.begin(), FKeys.end(),
                       [&](const TRegistryKeyData& key) { return PathStartsWith(PathNames(key.Path), wanted); });
}

QStringList TRegistryDocument::SubKeyNames(const QString& Path) const
{
    const QStringList parent = PathNames(Path);
    QStringList names;
    for (const TRegistryKeyData& key : FKeys) {
        const QStringList path = PathNames(key.Path);
        if (path.size() <= parent.size() || !PathStartsWith(path, parent))
            continue;
        const QString& name = path[parent.size()];
        const bool known = std::any_of(names.begin(), names.end(), [&](const QString& n) { return TStringList::SameText(n, name); });
        if (!known)
            names.append(name);
    }
    return names;
}

const TRegistryKeyData* TRegistryDocument::FindKey(const QString& Path) const
{
    auto found = std::find_if(FKeys.begin(), FKeys.end(), [&](const TRegistryKeyData& key) { return SamePath(key.Path, Path); });
    return found == FKeys.end() ? nullptr : &*found;
}

TRegistryKeyData* TRegistryDocument::FindKeyData(const QString& Path)
{
    return const_cast<TRegistryKeyData*>(std::as_const(*this).FindKey(Path));
}

TRegistryKeyData& TRegistryDocument::ProvideKey(const QString& Path)
{
    if (TRegistryKeyData* key = FindKeyData(Path))
        return *key;
    FKeys.push_back(TRegistryKeyData{NormalizePath(Path), {}});
    return FKeys.back();
}

bool TRegistryDocument::DeleteKey(const QString& Path)
{
    const QStringList doomed = PathNames(Path);
    auto isDoomed = [&](const TRegistryKeyData& key) { return PathStartsWith(PathNames(key.Path), doomed); };
    const auto first = std::find_if(FKeys.begin(), FKeys.end(), isDoomed);
    if (first == FKeys.end())
        return false;
    const auto position = first - FKeys.begin();
    std::erase_if(FKeys, isDoomed);
    // The parent stays even when it was known only through the deleted key.
    const QString parent = doomed.mid(0, doomed.size() - 1).join(QLatin1Char('\\'));
    if (!parent.isEmpty() && !KeyExists(parent))
        FKeys.insert(FKeys.begin() + position, TRegistryKeyData{parent, {}});
    return true;
}

const TRegistryValue* TRegistryDocument::FindValue(const QString& Path, const QString& Name) const
{
    const TRegistryKeyData* key = FindKey(Path);
    if (!key)
        return nullptr;
    auto found = std::find_if(key->Values.begin(), key->Values.end(),
                              [&](const TRegistryValue& value) { return TStringList::SameText(value.Name, Name); });
    return found == key->Values.end() ? nullptr : &*found;
}

void TRegistryDocument::SetValue(const QString& Path, const TRegistryValue& Value)
{
    TRegistryKeyData& key = ProvideKey(Path);
    auto found = std::find_if(key.Values.begin(), key.Values.end(),
                              [&](const TRegistryValue& value) { return TStringList::SameText(value.Name, Value.Name); });
    if (found == key.Values.end()) {
        key.Values.push_back(Value);
        return;
    }
    // The stored name keeps its letter case.
    found->Kind = Value.Kind;
    found->Text = Value.Text;
    found->Integer = Value.Integer;
}

bool TRegistryDocument::DeleteValue(const QString& Path, const QString& Name)
{
    TRegistryKeyData* key = FindKeyData(Path);
    return key && std::erase_if(key->Values, [&](const TRegistryValue& value) { return TStringList::SameText(value.Name, Name); }) > 0;
}

TRegistryFile::TRegistryFile(QString FileName)
    : FFileName(std::move(FileName))
{
}

const TRegistryDocument& TRegistryFile::Document()
{
    Reload();
    return FDocument;
}

void TRegistryFile::Reload()
{
    TDescriptor file(::open(NativePath(FFileName).constData(), O_RDONLY | O_CLOEXEC));
    if (!file.Valid()) {
        if (errno != ENOENT)
            RaiseIoError(QStringLiteral("открытие"));
        FDocument = TRegistryDocument();
        FLoadedIdentity = TFileIdentity();
        return;
    }
    struct stat info {};
    if (::fstat(file.Fd(), &info) != 0)
        RaiseIoError(QStringLiteral("чтение"));
    const TFileIdentity identity{true, info.st_dev, info.st_ino, static_cast<quint64>(info.st_size),
                                 info.st_mtim.tv_sec, info.st_mtim.tv_nsec, info.st_ctim.tv_sec, info.st_ctim.tv_nsec};
    if (FLoadedIdentity == identity)
        return;
    QByteArray content;
    if (!ReadAll(file.Fd(), content))
        RaiseIoError(QStringLiteral("чтение"));
    FLoadedIdentity.reset();
    FDocument = TRegistryDocument::Parse(content, FFileName);
    FLoadedIdentity = identity;
}

void TRegistryFile::Update(const std::function<void(TRegistryDocument&)>& Change)
{
    const QString directory = QFileInfo(FFileName).absolutePath();
    if (!QDir().mkpath(directory))
        throw ERegistryException(QStringLiteral("Не удаётся создать каталог файла реестра %1").arg(directory));
    TDescriptor lock(::open(NativePath(FFileName + QStringLiteral(".lock")).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!lock.Valid() || !LockExclusive(lock.Fd()))
        RaiseIoError(QStringLiteral("блокировка"));
    Reload();
    TRegistryDocument changed = FDocument;
    Change(changed);
    WriteReplacement(changed);
    SyncDirectory(directory);
    // Read back under the lock: the cache then matches the file just written.
    Reload();
}

void TRegistryFile::WriteReplacement(const TRegistryDocument& Document)
{
    const QString temporary = FFileName + QStringLiteral(".tmp");
    TDescriptor file(::open(NativePath(temporary).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!file.Valid())
        RaiseIoError(QStringLiteral("создание временного файла"));
    struct stat original {};
    if (::stat(NativePath(FFileName).constData(), &original) == 0)
        ::fchmod(file.Fd(), original.st_mode & 07777);
    if (!WriteAll(file.Fd(), Document.Format().toUtf8()) || ::fsync(file.Fd()) != 0 || !file.Close())
        RaiseIoError(QStringLiteral("запись"));
    if (::rename(NativePath(temporary).constData(), NativePath(FFileName).constData()) != 0)
        RaiseIoError(QStringLiteral("замена"));
}

void TRegistryFile::RaiseIoError(const QString& Action) const
{
    const QString reason = QString::fromLocal8Bit(std::strerror(errno));
    throw ERegistryException(QStringLiteral("Ошибка файла реестра %1 (%2): %3").arg(FFileName, Action, reason));
}
