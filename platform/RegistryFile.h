#pragma once
// The per-user registry store: one text file in registry-export format
//
//   [HKEY_CURRENT_USER\Software\Velnor07]
//   "LastUser"="Иванов"
//   "AutoConnect"=dword:00000001
//
// parsed into an ordered list of keys with their values. Strings escape "\" and the quote
// as \\ and \", line breaks as \n and \r (so a value can never split a line). Key paths are
// written below the hive root with "\" between the names; paths and value names ignore
// letter case. A key exists when it has a section or when a section lies below it.
//
// TRegistryFile re-reads the file whenever it changed and applies every change atomically:
// under an exclusive lock on a lock file beside it, it re-reads the current file, applies
// just this change, writes a temporary file, flushes it to disk and renames it over the
// original. A file that cannot be parsed raises ERegistryException naming the file and the
// line, and is never overwritten.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <optional>
#include <vector>

struct TRegistryValue {
    enum class TKind { String, Integer };
    QString Name;               // empty for the key's default value
    TKind Kind = TKind::String;
    QString Text;               // the string of a string value
    qint32 Integer = 0;         // the number of an integer value
};

struct TRegistryKeyData {
    QString Path;               // below the hive root; empty for the root itself
    std::vector<TRegistryValue> Values;
};

class TRegistryDocument {
public:
    // Raises ERegistryException with FileName and the line number when Text is malformed.
    static TRegistryDocument Parse(const QByteArray& Content, const QString& FileName);
    QString Format() const;

    bool KeyExists(const QString& Path) const;
    // Names of the direct subkeys, in the order their sections first appear.
    QStringList SubKeyNames(const QString& Path) const;
    // Null when the key has no section of its own (missing, or only implied by a subkey).
    const TRegistryKeyData* FindKey(const QString& Path) const;
    // Adds a section for the key unless it has one; returns it.
    TRegistryKeyData& ProvideKey(const QString& Path);
    // Removes the key with all its subkeys; false when it did not exist.
    bool DeleteKey(const QString& Path);

    const TRegistryValue* FindValue(const QString& Path, const QString& Name) const;
    // Replaces the value of that name or appends it; the key must have a section.
    void SetValue(const QString& Path, const TRegistryValue& Value);
    bool DeleteValue(const QString& Path, const QString& Name);

    // Splits a path at "\" (empty names dropped) and joins the names again.
    static QString NormalizePath(const QString& Path);
    static bool SamePath(const QString& A, const QString& B);

private:
    TRegistryKeyData* FindKeyData(const QString& Path);

    std::vector<TRegistryKeyData> FKeys;
};

class TRegistryFile {
public:
    explicit TRegistryFile(QString FileName);

    const QString& FileName() const { return FFileName; }
    // The file's current state (empty when the file does not exist yet).
    const TRegistryDocument& Document();
    // Applies Change to the current state and stores the result atomically. When Change
    // raises, nothing is written.
    void Update(const std::function<void(TRegistryDocument&)>& Change);

private:
    struct TFileIdentity {
        bool Exists = false;
        quint64 Device = 0, Inode = 0, Size = 0;
        qint64 ModifiedSec = 0, ModifiedNsec = 0, ChangedSec = 0, ChangedNsec = 0;
        bool operator==(const TFileIdentity&) const = default;
    };

    void Reload();
    void WriteReplacement(const TRegistryDocument& Document);
    [[noreturn]] void RaiseIoError(const QString& Action) const;

    QString FFileName;
    std::optional<TFileIdentity> FLoadedIdentity;
    TRegistryDocument FDocument;
};
