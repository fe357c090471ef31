// Reading and writing the program's own files safely: only regular files are
// read or replaced, reads are bounded, and a save is checked to its last byte.
#pragma once

#include <QByteArray>
#include <QString>

namespace qrt58 {

struct FileResult {
    bool ok = false;
    QString error;  // names the file and the reason when not ok
    QString reason; // the reason alone
};

// Why `path` cannot be used as a file of ours: a folder, a device, a pipe or a
// socket (a symbolic link counts as what it points to). Empty when `path` is
// a regular file or does not exist.
QString not_a_regular_file(const QString& path);

// Reads at most `max_bytes` from the regular file `path` (never opens anything
// else, so a pipe cannot block and a device cannot flood the memory).
FileResult read_regular_file(const QString& path, qint64 max_bytes, QByteArray& bytes);

// Replaces the regular file `path` (or creates it) with `bytes`: written to a
// temporary file beside it and renamed over it, so a failure keeps the old
// file. Where the folder allows no temporary file but the file itself may be
// written, the file is written in place. Every write and the flush are
// checked; something that is not a regular file is never replaced.
FileResult write_file_checked(const QString& path, const QByteArray& bytes);

} // namespace qrt58
