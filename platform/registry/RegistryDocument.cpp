#include "RegistryDocument.h"

#include "Exceptions.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <cctype>
#include <mutex>
#include <utility>

namespace {


const QString HiveName = QStringLiteral("HKEY_CURRENT_USER");
const QString HivePrefix = HiveName + QLatin1Char('\\');
const QString IntegerPrefix = QStringLiteral("dword:");
// The two header lines registry exports begin with; we write the first.
const QString Header = QStringLiteral("Windows Registry Editor Version 5.00");
const QString OldHeader = QStringLiteral("REGEDIT4");
const QByteArray Utf8Bom("\xEF\xBB\xBF");
const QByteArray Utf16Bom("\xFF\xFE");

// A malformed line; Parse adds the file name and the line number.
struct TSyntaxError {
    QString Reason;
};

// A copy whose characters are its own. A text written by a package may be one of its
// constants, which goes when the package is unloaded; the document outlives the package.
QString OwnedText(const QString& Text)
{
    return Text.isEmpty() ? QString() : QString(Text.constData(), Text.size());
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
QString ReadQuoted(QStringView Line, qsizetype& Pos)
{
    // Most strings hold no escape: taken in one piece.
    const qsizetype start = Pos + 1;
    const qsizetype quote = Line.indexOf(QLatin1Char('"'), start);
    const qsizetype escape = Line.indexOf(QLatin1Char('\\'), start);
    if (quote >= 0 && (escape < 0 || escape > quote)) {
        Pos = quote + 1;
        return Line.mid(start, quote - start).toString();
    }
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

qint32 ParseInteger(QStringView Digits)
{
    const bool wellFormed = Digits.size() == 8
        && std::all_of(Digits.begin(), Digits.end(), [](QChar c) { return c.unicode() < 128 && isxdigit(c.unicode()); });
    if (!wellFormed)
        throw TSyntaxError{QStringLiteral("число должно состоять из 8 шестнадцатеричных цифр")};
    return static_cast<qint32>(Digits.toUInt(nullptr, 16));
}

void ParseData(QStringView Data, TRegistryValue& Value)
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

TRegistryValue ParseValueLine(QStringView Line)
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

QString ParseSectionPath(QStringView Line)
{
    const QStringView section = Line.mid(1, Line.size() - 2);
    if (section.compare(HiveName, Qt::CaseInsensitive) == 0)
        return QString();
    if (!section.startsWith(HivePrefix, Qt::CaseInsensitive))
        throw TSyntaxError{QStringLiteral("раздел вне %1").arg(HiveName)};
    const QStringView path = section.mid(HiveName.size() + 1);
    if (path.isEmpty() || path.endsWith(QLatin1Char('\\')) || path.contains(QLatin1String("\\\\")))
        throw TSyntaxError{QStringLiteral("пустое имя раздела")};
    return path.toString();
}

bool IsHeader(QStringView Line)
{
    return Line == Header || Line == OldHeader;
}

// The number of the first line of the UTF-8 text Content that is not well-formed.
qsizetype FirstMalformedLine(const QByteArray& Content)
{
    const QList<QByteArray> lines = Content.split('\n');
    for (qsizetype number = 0; number < lines.size(); ++number) {
        QStringDecoder decoder(QStringDecoder::Utf8);
        [[maybe_unused]] const QString line = decoder.decode(lines[number]);
        if (decoder.hasError())
            return number + 1;
    }
    return lines.size();
}

// The text of the file: UTF-16 little-endian after its byte-order mark, else UTF-8.
QString DecodeText(const QByteArray& Content, const QString& FileName, bool& Utf16)
{
    Utf16 = Content.startsWith(Utf16Bom);
    const QByteArray body = Content.mid(Utf16 ? Utf16Bom.size() : Content.startsWith(Utf8Bom) ? Utf8Bom.size() : 0);
    QStringDecoder decoder(Utf16 ? QStringDecoder::Utf16LE : QStringDecoder::Utf8);
    QString text = decoder.decode(body);
    if (!decoder.hasError())
        return text;
    const QString reason = Utf16 ? QStringLiteral("текст не в кодировке UTF-16") : QStringLiteral("текст не в кодировке UTF-8");
    throw ERegistryException(QStringLiteral("Файл реестра %1 повреждён: строка %2: %3")
                                 .arg(FileName)
                                 .arg(Utf16 ? 1 : FirstMalformedLine(body))
                                 .arg(reason));
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

void AppendLines(QString& Text, const QStringList& Lines)
{
    for (const QString& line : Lines)
        Text += line + QLatin1Char('\n');
}

// Whether the normalised Path lies below the normalised Ancestor (every path lies below the
// hive root, the empty path).
bool IsBelow(const QString& Path, const QString& Ancestor)
{
    return Ancestor.isEmpty()
        || (Path.size() > Ancestor.size() && Path[Ancestor.size()] == QLatin1Char('\\')
            && Path.startsWith(Ancestor, Qt::CaseInsensitive));
}

// Keys with at least this many values find them through an index of their own.
const size_t IndexedValueCount = 16;

} // namespace

TRegistryDocument TRegistryDocument::Parse(const QByteArray& Content, const QString& FileName)
{
    TRegistryDocument document;
    const QString text = DecodeText(Content, FileName, document.FUtf16);
    const QStringView all(text);
    // At most one key per "[": no growing of the list and its index on the way.
    const auto sections = static_cast<size_t>(all.count(QLatin1Char('[')));
    document.FKeys.reserve(sections);
    document.FKeyIndex.reserve(sections);
    qsizetype currentKey = -1;
    bool firstLine = true;
    QStringList comments;
    qsizetype number = 0;
    for (qsizetype pos = 0; pos < all.size(); ++number) {
        qsizetype end = all.indexOf(QLatin1Char('\n'), pos);
        if (end < 0)
            end = all.size();
        const QStringView line = all.mid(pos, end - pos).trimmed();
        pos = end + 1;
        if (line.isEmpty())
            continue;
        const bool header = firstLine && IsHeader(line);
        firstLine = false;
        try {
            if (header) {
                continue;
            } else if (line.startsWith(QLatin1Char(';'))) {
                comments.append(line.toString());
            } else if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
                currentKey = document.ProvideKeyIndex(ParseSectionPath(line));
                if (!comments.isEmpty())
                    document.FKeys[currentKey].Comments += std::exchange(comments, QStringList());
            } else if (currentKey < 0) {
                throw TSyntaxError{QStringLiteral("значение вне раздела")};
            } else {
                TRegistryValue value = ParseValueLine(line);
                value.Comments = std::exchange(comments, QStringList());
                document.SetValueAt(currentKey, std::move(value));
            }
        } catch (const TSyntaxError& error) {
            throw ERegistryException(QStringLiteral("Файл реестра %1 повреждён: строка %2: %3")
                                         .arg(FileName)
                                         .arg(number + 1)
                                         .arg(error.Reason));
        }
    }
    document.FTrailingComments = comments;
    return document;
}

QString TRegistryDocument::Format() const
{
    QString text = Header + QStringLiteral("\n\n");
    for (const TRegistryKeyData& key : FKeys) {
        AppendLines(text, key.Comments);
        text += QLatin1Char('[') + SectionName(key.Path) + QStringLiteral("]\n");
        for (const TRegistryValue& value : key.Values) {
            AppendLines(text, value.Comments);
            text += FormatValue(value) + QLatin1Char('\n');
        }
        text += QLatin1Char('\n');
    }
    AppendLines(text, FTrailingComments);
    return text;
}

QByteArray TRegistryDocument::Bytes() const
{
    const QString text = Format();
    if (!FUtf16)
        return text.toUtf8();
    QStringEncoder encoder(QStringEncoder::Utf16LE);
    return Utf16Bom + QByteArray(encoder.encode(text));
}

size_t TRegistryDocument::TFoldedHash::operator()(const QString& Text) const noexcept
{
    size_t hash = 0;
    for (const QChar c : Text) {
        const char16_t unit = c.unicode();
        const char16_t folded = unit < 0x80 ? (unit >= 'A' && unit <= 'Z' ? unit + 32 : unit) : QChar::toCaseFolded(unit);
        hash = hash * 131 + folded;
    }
    return hash;
}

bool TRegistryDocument::TFoldedEqual::operator()(const QString& A, const QString& B) const noexcept
{
    return A.size() == B.size() && A.compare(B, Qt::CaseInsensitive) == 0;
}

QString TRegistryDocument::NormalizePath(const QString& Path)
{
    const bool normal = !Path.startsWith(QLatin1Char('\\')) && !Path.endsWith(QLatin1Char('\\'))
        && !Path.contains(QLatin1String("\\\\"));
    return normal ? Path : Path.split(QLatin1Char('\\'), Qt::SkipEmptyParts).join(QLatin1Char('\\'));
}

bool TRegistryDocument::SamePath(const QString& A, const QString& B)
{
    return TFoldedEqual()(NormalizePath(A), NormalizePath(B));
}

qsizetype TRegistryDocument::KeyIndex(const QString& Path) const
{
    const auto found = FKeyIndex.find(Path);
    return found == FKeyIndex.end() ? -1 : found->second;
}

bool TRegistryDocument::Implied(const QString& Path) const
{
    const std::lock_guard lock(FImplied.Mutex);
    if (!FImplied.Keys) {
        FImplied.Keys.emplace();
        for (const TRegistryKeyData& key : FKeys)
            for (qsizetype i = key.Path.indexOf(QLatin1Char('\\')); i > 0; i = key.Path.indexOf(QLatin1Char('\\'), i + 1))
                FImplied.Keys->insert(key.Path.left(i));
    }
    return FImplied.Keys->contains(Path);
}

bool TRegistryDocument::KeyExists(const QString& Path) const
{
    const QString path = NormalizePath(Path);
    if (path.isEmpty())
        return !FKeys.empty();
    return KeyIndex(path) >= 0 || Implied(path);
}

QStringList TRegistryDocument::SubKeyNames(const QString& Path) const
{
    const QString parent = NormalizePath(Path);
    const qsizetype depth = parent.isEmpty() ? 0 : parent.count(QLatin1Char('\\')) + 1;
    TFoldedSet seen;
    QStringList names;
    for (const TRegistryKeyData& key : FKeys) {
        if (key.Path.isEmpty() || !IsBelow(key.Path, parent))
            continue;
        const QString name = key.Path.section(QLatin1Char('\\'), depth, depth);
        if (seen.insert(name).second)
            names.append(name);
    }
    return names;
}

const TRegistryKeyData* TRegistryDocument::FindKey(const QString& Path) const
{
    const qsizetype index = KeyIndex(NormalizePath(Path));
    return index < 0 ? nullptr : &FKeys[index];
}

TRegistryKeyData* TRegistryDocument::FindKeyData(const QString& Path)
{
    return const_cast<TRegistryKeyData*>(std::as_const(*this).FindKey(Path));
}

TRegistryKeyData& TRegistryDocument::ProvideKey(const QString& Path)
{
    return FKeys[ProvideKeyIndex(Path)];
}

qsizetype TRegistryDocument::ProvideKeyIndex(const QString& Path)
{
    const QString path = NormalizePath(Path);
    if (const auto found = FKeyIndex.find(path); found != FKeyIndex.end())
        return found->second;
    const QString owned = OwnedText(path);
    FKeyIndex.emplace(owned, static_cast<qsizetype>(FKeys.size()));
    FKeys.push_back(TRegistryKeyData{owned, {}});
    FImplied.Keys.reset();
    return static_cast<qsizetype>(FKeys.size() - 1);
}

bool TRegistryDocument::DeleteKey(const QString& Path)
{
    const QString doomed = NormalizePath(Path);
    auto isDoomed = [&](const TRegistryKeyData& Key) { return TFoldedEqual()(Key.Path, doomed) || IsBelow(Key.Path, doomed); };
    const auto first = std::find_if(FKeys.begin(), FKeys.end(), isDoomed);
    if (first == FKeys.end())
        return false;
    const auto position = first - FKeys.begin();
    std::erase_if(FKeys, isDoomed);
    Reindex();
    // The parent stays even when it was known only through the deleted key.
    const QString parent = doomed.section(QLatin1Char('\\'), 0, -2);
    if (!parent.isEmpty() && !KeyExists(parent)) {
        FKeys.insert(FKeys.begin() + position, TRegistryKeyData{parent, {}});
        Reindex();
    }
    return true;
}

void TRegistryDocument::Reindex()
{
    FKeyIndex.clear();
    FValueIndexes.clear();
    FImplied = TImpliedKeys();
    for (size_t i = 0; i < FKeys.size(); ++i) {
        FKeyIndex.emplace(FKeys[i].Path, static_cast<qsizetype>(i));
        IndexValues(static_cast<qsizetype>(i));
    }
}

// Gives a key with many values an index of them (and drops the index of one with few).
void TRegistryDocument::IndexValues(qsizetype Key)
{
    const std::vector<TRegistryValue>& values = FKeys[Key].Values;
    if (values.size() < IndexedValueCount) {
        FValueIndexes.erase(Key);
        return;
    }
    TFoldedIndex& index = FValueIndexes[Key];
    index.clear();
    for (size_t i = 0; i < values.size(); ++i)
        index.emplace(values[i].Name, static_cast<qsizetype>(i));
}

qsizetype TRegistryDocument::ValueIndex(qsizetype Key, const QString& Name) const
{
    if (const auto indexed = FValueIndexes.find(Key); indexed != FValueIndexes.end()) {
        const auto found = indexed->second.find(Name);
        return found == indexed->second.end() ? -1 : found->second;
    }
    const std::vector<TRegistryValue>& values = FKeys[Key].Values;
    const auto found = std::find_if(values.begin(), values.end(),
                                    [&](const TRegistryValue& Value) { return TFoldedEqual()(Value.Name, Name); });
    return found == values.end() ? -1 : found - values.begin();
}

const TRegistryValue* TRegistryDocument::FindValue(const QString& Path, const QString& Name) const
{
    const qsizetype key = KeyIndex(NormalizePath(Path));
    const qsizetype value = key < 0 ? -1 : ValueIndex(key, Name);
    return value < 0 ? nullptr : &FKeys[key].Values[value];
}

void TRegistryDocument::SetValue(const QString& Path, const TRegistryValue& Value)
{
    TRegistryValue owned = Value;
    owned.Name = OwnedText(Value.Name);
    owned.Text = OwnedText(Value.Text);
    SetValueAt(ProvideKeyIndex(Path), std::move(owned));
}

void TRegistryDocument::SetValueAt(qsizetype Key, TRegistryValue Value)
{
    std::vector<TRegistryValue>& values = FKeys[Key].Values;
    const qsizetype index = ValueIndex(Key, Value.Name);
    if (index < 0) {
        values.push_back(std::move(Value));
        if (const auto indexed = FValueIndexes.find(Key); indexed != FValueIndexes.end())
            indexed->second.emplace(values.back().Name, static_cast<qsizetype>(values.size() - 1));
        else if (values.size() == IndexedValueCount)
            IndexValues(Key);
        return;
    }
    // The stored name keeps its letter case, the value its comments.
    TRegistryValue& found = values[index];
    found.Kind = Value.Kind;
    found.Text = std::move(Value.Text);
    found.Integer = Value.Integer;
}

bool TRegistryDocument::DeleteValue(const QString& Path, const QString& Name)
{
    const qsizetype key = KeyIndex(NormalizePath(Path));
    const qsizetype index = key < 0 ? -1 : ValueIndex(key, Name);
    if (index < 0)
        return false;
    std::vector<TRegistryValue>& values = FKeys[key].Values;
    values.erase(values.begin() + index);
    IndexValues(key);
    return true;
}
