#include "AliasFile.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringView>

namespace AliasFile {

QString TAlias::Key(const char* Name) const
{
    const auto found = Keys.find(QString::fromLatin1(Name));
    return found == Keys.end() ? QString() : found->second;
}

std::vector<TAlias> Parse(const QByteArray& Content)
{
    std::vector<TAlias> aliases;
    // UTF-8 unless a byte-order mark says otherwise; the mark itself is skipped.
    QStringDecoder decoder(QStringConverter::encodingForData(Content).value_or(QStringConverter::Utf8));
    const QString text = decoder(Content);
    for (QStringView rawLine : QStringView(text).split(u'\n')) {
        const QStringView line = rawLine.trimmed();
        if (line.startsWith(u'[') && line.endsWith(u']') && line.size() >= 2)
            aliases.push_back({line.mid(1, line.size() - 2).trimmed().toString(), {}});
        else if (!aliases.empty() && line.contains(u'=') && !line.startsWith(u';')) {
            const qsizetype equals = line.indexOf(u'=');
            aliases.back().Keys[line.left(equals).trimmed().toString().toLower()] = line.mid(equals + 1).trimmed().toString();
        }
    }
    return aliases;
}

std::vector<TAlias> Read(const QString& FileName)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return Parse(file.readAll());
}

} // namespace AliasFile
