#pragma once
// The text format of the per-user registry store: registry-export format
//
//   Windows Registry Editor Version 5.00
//
//   ; a comment
//   [HKEY_CURRENT_USER\Software\Velnor07]
//   "LastUser"="Иванов"
//   "AutoConnect"=dword:00000001
//
// parsed into an ordered list of keys with their values. The header line may also be
// "REGEDIT4" or missing; the text may be UTF-8 (with or without a byte-order mark) or
// UTF-16 little-endian with its byte-order mark, with LF or CR LF line ends. Strings escape
// "\" and the quote as \\ and \", line breaks as \n and \r (so a value can never split a
// line). Key paths are written below the hive root with "\" between the names; paths and
// value names ignore letter case. A key exists when it has a section or when a section
// lies below it. Comment lines (";") stay with the section or value they precede. A
// rewritten file starts with the header line and keeps its encoding.
//
// Lookups of keys and values go through hash indexes, so parsing a file of n keys takes
// time in proportion to n.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <mutex>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

struct TRegistryValue {
    enum class TKind { String, Integer };
    QString Name;               // empty for the key's default value
    TKind Kind = TKind::String;
    QString Text;               // the string of a string value
    qint32 Integer = 0;         // the number of an integer value
    QStringList Comments = {};  // the comment lines before the value's line
};

struct TRegistryKeyData {
    QString Path;               // below the hive root; empty for the root itself
    std::vector<TRegistryValue> Values;
    QStringList Comments = {};  // the comment lines before the section's line
};

class TRegistryDocument {
public:

    // Raises ERegistryException with FileName and the line number when Text is malformed.
    static TRegistryDocument Parse(const QByteArray& Content, const QString& FileName);
    QString Format() const;
    // The formatted text in the encoding the parsed file had (UTF-8 for a new one).
    QByteArray Bytes() const;

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
    // Hashing and equality of names and paths without regard to letter case.
    struct TFoldedHash {
        size_t operator()(const QString& Text) const noexcept;
    };
    struct TFoldedEqual {
        bool operator()(const QString& A, const QString& B) const noexcept;
    };
    using TFoldedIndex = std::unordered_map<QString, qsizetype, TFoldedHash, TFoldedEqual>;
    using TFoldedSet = std::unordered_set<QString, TFoldedHash, TFoldedEqual>;
    // The keys that exist only through a section below them, made when first asked for
    // (documents are shared between threads, hence the lock); a copy starts without.
    struct TImpliedKeys {
        TImpliedKeys() = default;
        TImpliedKeys(const TImpliedKeys&) {}
        TImpliedKeys& operator=(const TImpliedKeys&)
        {
            Keys.reset();
            return *this;
        }
        std::mutex Mutex;
        std::optional<TFoldedSet> Keys;
    };

    TRegistryKeyData* FindKeyData(const QString& Path);
    // The index of the key's section in FKeys (Path normalised), or -1.
    qsizetype KeyIndex(const QString& Path) const;
    qsizetype ProvideKeyIndex(const QString& Path);
    qsizetype ValueIndex(qsizetype Key, const QString& Name) const;
    void SetValueAt(qsizetype Key, TRegistryValue Value);
    void IndexValues(qsizetype Key);
    void Reindex();
    bool Implied(const QString& Path) const;

    std::vector<TRegistryKeyData> FKeys;
    TFoldedIndex FKeyIndex;                             // normalised path -> index in FKeys
    std::unordered_map<qsizetype, TFoldedIndex> FValueIndexes; // of the keys with many values
    mutable TImpliedKeys FImplied;
    QStringList FTrailingComments;                      // comment lines after the last value
    bool FUtf16 = false;                                // stored as UTF-16 rather than UTF-8
};
