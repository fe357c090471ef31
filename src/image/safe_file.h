// Reading and writing the program's own files safely: only regular files are
// read or replaced, reads are bounded, and a save is checked to its last byte.
#pragma once

#include <QByteArray>
#include <QString>
#include <utility>
#include <vector>

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
// written, the file is rewritten in place (rewrite_open_file), which puts the
// old content back when a write fails. Every write and the flush are checked;
// something that is not a regular file is never replaced.
FileResult write_file_checked(const QString& path, const QByteArray& bytes);

// Rewrites the open regular file `fd` (named `path` in messages) with `bytes`
// in place: the inode stays the same (links and locks on it keep holding).
// When any write, the truncation or the sync fails, the old content is
// written back and the file cut to its old length, so the file holds either
// the old or the new bytes. The reason names the system's error.
FileResult rewrite_open_file(int fd, const QString& path, const QByteArray& bytes);

// Whether `path` could be saved now, checked without changing anything: a
// regular file or a new name in an existing folder, and the folder takes a
// temporary file or the file itself may be written. Empty when it can, else
// the reason.
QString cannot_save_reason(const QString& path);

// Whether two paths name the same file: by device and inode when both exist
// (symbolic and hard links included), else by the path with its folder's
// links resolved.
bool same_file(const QString& a, const QString& b);

// The files of one run, each with what it is to the run ("the bus trace", path).
using NamedFiles = std::vector<std::pair<QString, QString>>;
// "the bus trace X is the table file Y; give each its own file" for the first
// two of `files` that are one file (same_file: links included); empty when all
// are distinct. Checked before a run opens any of them for writing.
QString files_in_conflict(const NamedFiles& files);

// Lets a write past the process's file-size limit (ulimit -f) fail with EFBIG
// instead of ending the program with SIGXFSZ in the middle of a save: the
// save's own checks then keep the old file and report the failure. Both
// programs call it first thing.
void ignore_file_size_signal();

// The system's text for an errno value.
QString system_reason(int error);

} // namespace qrt58
