#pragma once
// The alias file: an INI text of one section per database alias,
//
//   [DEMO]
//   ; a comment
//   Driver=SQLITE
//   Database=demo.db
//
// read into the aliases in file order, each with its keys in lower case (the last of a key
// wins). Lines that are neither a section, a comment nor "key=value" are passed over, as are
// keys before the first section. The file comes from the user or an administrator, so any
// bytes parse; a file that cannot be read gives no aliases.

#include <QByteArray>
#include <QString>

#include <map>
#include <vector>

namespace AliasFile {

struct TAlias {
    QString Name;
    std::map<QString, QString> Keys;
    // The value of the key (given in lower case), or an empty string.
    QString Key(const char* Name) const;
};

std::vector<TAlias> Parse(const QByteArray& Content);
std::vector<TAlias> Read(const QString& FileName);

} // namespace AliasFile
