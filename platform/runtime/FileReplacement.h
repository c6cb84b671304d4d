#pragma once
// Replacing a file people keep (a registry file, a report) without ever leaving it half
// written or changing what it is: the new contents go into a file beside the one they
// replace, are flushed to disk and then renamed over it.
//
// A path that is a symbolic link is replaced at the link's target, so the link stays a link.
// An existing file without any write permission bit, or one the user may not write, is
// read-only and must not be replaced. A replacement keeps the permission bits of the file it
// replaces; a new file gets those the umask leaves of rw-rw-rw-, like any file the user makes.

#include <QString>

namespace FileReplacement {

// The file Path leads to: the end of its chain of links, or Path itself when it is no link.
QString TargetOf(const QString& Path);

// Whether the existing file at Path may be replaced: it has a write permission bit (even a
// user who may write anything keeps a file marked read-only unchanged) and the user may
// write it.
bool Writable(const QString& Path);

// Creates an empty file with a unique name beside Target, with the permission bits its
// replacement of Target should have. The name, or an empty string with errno set.
QString CreateBeside(const QString& Target);

// Flushes Temporary to disk and renames it over Target. False with errno set.
bool Replace(const QString& Temporary, const QString& Target);

} // namespace FileReplacement
