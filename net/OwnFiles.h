#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <sys/types.h>

// The files the program keeps for itself (its HTTP cache, the zone file)
// live where anyone who can write the user's cache folder can plant
// something in their place: a link pointing at the user's own files, a
// named pipe that blocks whoever opens it, a device. These calls never
// follow a link at the name they are given, never open anything but a
// regular file, and never wait on what they find.
//
// A folder is a descriptor opened on it (or AT_FDCWD for names that are
// whole paths); names are relative to it.
namespace OwnFiles {

// "a symbolic link", "a named pipe", "a socket", "a device", "a folder", or
// "a regular file": what `mode` (from lstat) says stands there.
QString kindOf(mode_t mode);

// Opens the regular file `name` in `folder` with `flags` (O_RDONLY,
// O_RDWR...), never following a link and never waiting on a pipe. -1 when
// nothing stands there (errno ENOENT) or something else does: then
// `*other` tells what (it is left empty when nothing stands there).
int openRegular(int folder, const QByteArray& name, int flags, QString* other);

// Removes whatever stands at `name` in `folder` without following it: a
// link goes, never what it points at; a folder goes with all it holds, as
// deep as `depth` folders (nothing is removed from a deeper one).
bool remove(int folder, const QByteArray& name, int depth = 16);

// Reads at most `maxBytes` of the regular file at `path`; none when it is
// missing, too large or no regular file (`*problem` says why, empty when
// nothing stands there).
std::optional<QByteArray> read(const QString& path, qint64 maxBytes, QString* problem);

// Replaces the file at `path` with `bytes` as a whole: written beside it
// and renamed over it, so a reader sees the old file or the new one, and a
// link at `path` is replaced, never written through.
bool write(const QString& path, const QByteArray& bytes, QString* problem);

} // namespace OwnFiles
