// An exclusive lock on one of the program's files for the length of a run: the
// kernel's flock on the open file, so every name of the file (a symbolic or a
// hard link) is refused alike, and the lock goes with the process however it
// ends. A production run holds one on its table file, so that two runs never
// raise the same capcode in it.
//
// Saves of a locked file through write_file_checked (save_table_file) keep the
// lock: the new content is locked before it takes the file's name.
#pragma once

#include <QString>
#include <memory>
#include <sys/types.h>

struct stat;

namespace qrt58 {

class FileLock {
public:
    // Locks the regular file `path`. nullptr with the reason in `error` when
    // it cannot be opened or another run (of this or another process) holds
    // it; the reason then names that process.
    static std::unique_ptr<FileLock> acquire(const QString& path, QString& error);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    const QString& path() const { return path_; }

private:
    FileLock(QString path, int fd, dev_t dev, ino_t ino);
    friend struct HeldLocks;
    QString path_;
    int fd_;
    dev_t dev_;
    ino_t ino_;
};

// The process that holds a flock on the file `st` describes, from
// /proc/locks; 0 when it cannot be told.
qint64 flock_holder(const struct stat& st);
// "qrt58prog, process 1234" (the name from /proc when it can be read).
QString process_text(qint64 pid);

namespace detail {
// For write_file_checked: when this process holds a FileLock on the file at
// `path`, saves `bytes` so that the lock holds the new content, and returns
// true with `ok`/`error` set; false when no lock of ours is on that file.
bool save_locked_file(const QString& path, const QByteArray& bytes, bool& ok, QString& error, QString& reason);
} // namespace detail

} // namespace qrt58
