#pragma once
// The per-user registry store: one text file in registry-export format (RegistryDocument.h).
//
// TRegistryFile shares one parsed document per file among all its objects in the process
// and parses the file again only when it changed on disk. Every change is applied
// atomically: under an exclusive lock on a lock file beside it, the current file is read
// again (and parsed only when its bytes differ from the shared document's), just this change
// is applied, a temporary file is written and flushed and renamed over the original. A
// file that is a symbolic link is changed at its target; a file without write permission is
// read-only. A file that cannot be parsed raises ERegistryException naming the file and the
// line, and is never overwritten.

#include "RegistryDocument.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>

class TRegistryFile {
public:
    explicit TRegistryFile(QString FileName);

    const QString& FileName() const { return FFileName; }
    // The file's current state (empty when the file does not exist yet). Valid until the
    // next call of Document or Update on this object.
    const TRegistryDocument& Document();
    // Applies Change to the current state and stores the result atomically. When Change
    // raises, nothing is written.
    void Update(const std::function<void(TRegistryDocument&)>& Change);

    struct TFileIdentity {
        bool Exists = false;
        quint64 Device = 0, Inode = 0, Size = 0;
        qint64 ModifiedSec = 0, ModifiedNsec = 0, ChangedSec = 0, ChangedNsec = 0;
        bool operator==(const TFileIdentity&) const = default;
    };
    // A parsed file with the bytes it was parsed from and the identity they were read under.
    struct TSnapshot {
        TFileIdentity Identity;
        QByteArray Content;
        std::shared_ptr<const TRegistryDocument> Document;
    };

private:
    // Reads the file again unless it is unchanged; Locked: the caller holds the write lock,
    // and the bytes are compared even when the file looks unchanged.
    void Reload(bool Locked);
    void WriteReplacement(const QString& Target, const QByteArray& Content);
    [[noreturn]] void RaiseIoError(const QString& Action) const;

    QString FFileName;
    std::shared_ptr<const TSnapshot> FSnapshot;
};
