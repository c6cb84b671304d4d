#pragma once
// TRegistry: the current user's registry hive, kept in the per-user registry file.
//
// Key paths use "\"; a path without a leading "\" is relative to the open key when one is
// open, else to the hive root. Names ignore letter case. Reads see the file's current
// state; every write is one atomic change of the file (see RegistryFile.h), and writing the
// value a key already holds leaves the file untouched. Writing with no key open, into a key
// opened read-only, into a key that no longer exists or into a read-only file raises
// ERegistryException naming the file.
//
// The file is $VELNOR_REGISTRY, else $XDG_CONFIG_HOME/velnor07/registry.reg, else
// ~/.config/velnor07/registry.reg.

#include "Object.h"
#include "RegistryFile.h"

#include <QString>
#include <QtGlobal>

#include <functional>

class TStringList;

class TRegistry : public TObject {
    VEL_DECLARE_CLASS(TRegistry, TObject)
public:
    TRegistry();

    // Opens the key; a missing key is created when CanCreate, else the result is false.
    bool OpenKey(const QString& Key, bool CanCreate);
    bool OpenKeyReadOnly(const QString& Key);
    void CloseKey();
    bool KeyExists(const QString& Key);
    bool ValueExists(const QString& Name);

    // Empty when the value is missing; an integer value is read as its decimal text.
    QString ReadString(const QString& Name);
    // Raises ERegistryException when the value is missing or is not an integer value.
    qint32 ReadInteger(const QString& Name);
    void WriteString(const QString& Name, const QString& Value);
    void WriteInteger(const QString& Name, qint32 Value);

    // Fill Names (cleared first) with the subkeys, respectively the value names, of the open
    // key (the hive root when none is open), in stored order.
    void GetKeyNames(TStringList* Names);
    void GetValueNames(TStringList* Names);

    // Deletes the key with its subkeys; false when it did not exist. The hive root stays.
    bool DeleteKey(const QString& Key);
    bool DeleteValue(const QString& Name);

    // The open key's path below the hive root; empty when none is open.
    QString CurrentPath() const;
    static QString FileName();

    // Runs Write, a change of a setting the program can do without (a remembered width, a
    // default written back). A registry failure (a read-only file, a full disk) is shown to
    // the user once for the file as it is; the file changed (made writable again, replaced)
    // is told anew. Returns whether Write succeeded.
    static bool WriteSetting(const std::function<void()>& Write);

private:
    QString Resolve(const QString& Key) const;
    bool OpenExisting(const QString& Key, bool ReadOnly);
    // The open key for a change; raises when there is none or it is read-only.
    const QString& WritableKey() const;
    void WriteValue(const TRegistryValue& Value);
    const TRegistryValue* FindValue(const QString& Name);

    TRegistryFile FFile;
    bool FKeyOpen = false;
    bool FReadOnly = false;
    QString FCurrentPath;
};
