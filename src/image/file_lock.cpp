#include "file_lock.h"

#include "safe_file.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

namespace qrt58 {

// The locks this process holds, so that a save of a locked file keeps its lock.
struct HeldLocks {
    static std::mutex& mutex() {
        static std::mutex m;
        return m;
    }
    static std::vector<FileLock*>& list() {
        static std::vector<FileLock*> l;
        return l;
    }
    // The lock on the file `st` describes (mutex held).
    static FileLock* find(const struct stat& st) {
        for (FileLock* lock : list())
            if (lock->dev_ == st.st_dev && lock->ino_ == st.st_ino) return lock;
        return nullptr;
    }
    // The lock now holds the file open on `fd` (the new content of its name).
    static void move_to(FileLock& lock, int fd, const struct stat& st) {
        ::close(lock.fd_); // the old content: no longer the file's
        lock.fd_ = fd;
        lock.dev_ = st.st_dev;
        lock.ino_ = st.st_ino;
    }
    static int fd(const FileLock& lock) { return lock.fd_; }
};

qint64 flock_holder(const struct stat& st) {
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly)) return 0;
    const QByteArray id = QByteArray::number(major(st.st_dev), 16).rightJustified(2, '0') + ':' +
                          QByteArray::number(minor(st.st_dev), 16).rightJustified(2, '0') + ':' +
                          QByteArray::number(static_cast<qulonglong>(st.st_ino));
    for (const QByteArray& line : locks.readAll().split('\n')) {
        // "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF"; "->" marks a waiter.
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() >= 6 && f[1] != "->" && f[5] == id) return f[4].toLongLong();
    }
    return 0;
}

QString process_text(qint64 pid) {
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    QString name;
    if (comm.open(QIODevice::ReadOnly)) name = QString::fromLocal8Bit(comm.readAll()).trimmed();
    return name.isEmpty() ? QStringLiteral("process %1").arg(pid) : QStringLiteral("%1, process %2").arg(name).arg(pid);
}

FileLock::FileLock(QString path, int fd, dev_t dev, ino_t ino) : path_(std::move(path)), fd_(fd), dev_(dev), ino_(ino) {
    std::lock_guard<std::mutex> guard(HeldLocks::mutex());
    HeldLocks::list().push_back(this);
}

FileLock::~FileLock() {
    {
        std::lock_guard<std::mutex> guard(HeldLocks::mutex());
        auto& list = HeldLocks::list();
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    ::close(fd_); // releases the lock
}

std::unique_ptr<FileLock> FileLock::acquire(const QString& path, QString& error) {
    const QByteArray name = QFile::encodeName(path);
    if (const QString why = not_a_regular_file(path); !why.isEmpty()) {
        error = QStringLiteral("Cannot lock %1: %2").arg(path, why);
        return nullptr;
    }
    // A run that holds the file replaces it on every save; the lock taken on a
    // content that has just lost the name is taken again on the new one.
    for (int attempt = 0; attempt < 20; ++attempt) {
        const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (fd < 0) {
            error = QStringLiteral("Cannot lock %1: %2").arg(path, system_reason(errno));
            return nullptr;
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            error = QStringLiteral("Cannot lock %1: it is not a regular file").arg(path);
            return nullptr;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int why = errno;
            ::close(fd);
            if (why != EWOULDBLOCK) {
                error = QStringLiteral("Cannot lock %1: %2").arg(path, system_reason(why));
                return nullptr;
            }
            const qint64 holder = flock_holder(st);
            error = QStringLiteral("%1 is in use by another production run%2; one run at a time raises its "
                                   "capcode")
                        .arg(path, holder > 0 ? QStringLiteral(" (%1)").arg(process_text(holder)) : QString());
            return nullptr;
        }
        struct stat now {};
        if (::stat(name.constData(), &now) == 0 && now.st_dev == st.st_dev && now.st_ino == st.st_ino)
            return std::unique_ptr<FileLock>(new FileLock(path, fd, st.st_dev, st.st_ino));
        ::close(fd);
    }
    error = QStringLiteral("Cannot lock %1: it is replaced all the time").arg(path);
    return nullptr;
}

namespace detail {

bool save_locked_file(const QString& path, const QByteArray& bytes, bool& ok, QString& error, QString& reason) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return false;
    std::lock_guard<std::mutex> guard(HeldLocks::mutex());
    FileLock* lock = HeldLocks::find(st);
    if (!lock) return false;
    const auto failed = [&](const QString& why) {
        ok = false;
        reason = why;
        error = QStringLiteral("Cannot save %1: %2").arg(path, why);
        return true;
    };
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        // The folder takes no temporary file: the locked file itself is
        // rewritten in place (its inode, and so the lock, stay).
        const FileResult r = rewrite_open_file(HeldLocks::fd(*lock), path, bytes);
        ok = r.ok;
        error = r.error;
        reason = r.reason;
        return true;
    }
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return failed(QStringLiteral("not all %1 bytes could be written (%2)").arg(bytes.size()).arg(why));
    }
    // The new content is locked before the rename gives it the name: no
    // other run can take the file in between.
    const int fd = ::fcntl(file.handle(), F_DUPFD_CLOEXEC, 0);
    struct stat fresh {};
    if (fd < 0 || ::fstat(fd, &fresh) != 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const QString why = system_reason(errno);
        if (fd >= 0) ::close(fd);
        file.cancelWriting();
        return failed(QStringLiteral("cannot lock the new content (%1)").arg(why));
    }
    if (!file.commit()) {
        const QString why = file.errorString();
        ::close(fd);
        return failed(why);
    }
    HeldLocks::move_to(*lock, fd, fresh);
    ok = true;
    error.clear();
    reason.clear();
    return true;
}

} // namespace detail
} // namespace qrt58
