#include "safe_file.h"

#include "file_lock.h"
#include <csignal>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qrt58 {

namespace {

FileResult failed(const char* what, const QString& path, const QString& reason) {
    return {false, QStringLiteral("%1 %2: %3").arg(QLatin1String(what), path, reason), reason};
}

// A file rewritten in place is read whole first (to put it back on failure);
// anything this large is no file of ours.
constexpr qint64 kMaxInPlaceBytes = 1 << 20;

// Writes `size` bytes at `offset`, going on after a short write (the next
// call then names the error). 0 or the errno; `done` counts what reached the
// file.
int pwrite_all(int fd, const char* data, qint64 size, qint64 offset, qint64& done) {
    done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, data + done, static_cast<size_t>(size - done), offset + done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return EIO;
        done += n;
    }
    return 0;
}

int pread_all(int fd, char* data, qint64 size) {
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, data + done, static_cast<size_t>(size - done), done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return EIO; // the file got shorter meanwhile
        done += n;
    }
    return 0;
}

// The path a save of `path` ends up at: a symbolic link's target, with the
// folder's own links resolved where it exists.
QString resolved_path(const QString& path) {
    const QFileInfo info(path);
    const QFileInfo target(info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath());
    const QString folder = QFileInfo(target.absolutePath()).canonicalFilePath();
    return (folder.isEmpty() ? target.absolutePath() : folder) + '/' + target.fileName();
}

} // namespace

QString system_reason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

QString not_a_regular_file(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() || info.isFile()) return QString();
    return info.isDir() ? QStringLiteral("it is a folder") : QStringLiteral("it is not a regular file");
}

FileResult read_regular_file(const QString& path, qint64 max_bytes, QByteArray& bytes) {
    const QString why = not_a_regular_file(path);
    if (!why.isEmpty()) return failed("Cannot open", path, why);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return failed("Cannot open", path, file.errorString());
    QByteArray got = file.read(max_bytes);
    if (file.error() != QFileDevice::NoError) return failed("Cannot read", path, file.errorString());
    bytes = got;
    return {true, QString(), QString()};
}

FileResult write_file_checked(const QString& path, const QByteArray& bytes) {
    // A device node or a pipe would be replaced by a regular file by the
    // rename (or written to directly): neither is what the user meant.
    const QString why = not_a_regular_file(path);
    if (!why.isEmpty()) return failed("Cannot save", path, why);
    // A file a run of ours holds locked stays locked with its new content.
    bool locked_ok = false;
    QString locked_error, locked_reason;
    if (detail::save_locked_file(path, bytes, locked_ok, locked_error, locked_reason))
        return {locked_ok, locked_error, locked_reason};
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        // The folder takes no temporary file. A file that exists and may be
        // written is rewritten in place, in a way that puts the old content
        // back when a write fails (never truncated first).
        if (!QFileInfo(path).isFile()) return failed("Cannot save", path, file.errorString());
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (fd < 0) return failed("Cannot save", path, system_reason(errno));
        const FileResult r = rewrite_open_file(fd, path, bytes);
        ::close(fd);
        return r;
    }
    // write() only fills the file's buffer; a write that fails while the buffer
    // goes to disk (a full disk, a size limit) shows only in flush(), and
    // commit() would otherwise put the short file in place of the old one.
    const qint64 written = file.write(bytes);
    if (written != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting(); // the old file stays; the temporary one is removed
        return failed("Cannot save", path,
                      QStringLiteral("not all %1 bytes could be written (%2)").arg(bytes.size()).arg(reason));
    }
    if (!file.commit()) return failed("Cannot save", path, file.errorString());
    return {true, QString(), QString()};
}

FileResult rewrite_open_file(int fd, const QString& path, const QByteArray& bytes) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return failed("Cannot save", path, system_reason(errno));
    if (!S_ISREG(st.st_mode)) return failed("Cannot save", path, QStringLiteral("it is not a regular file"));
    if (st.st_size > kMaxInPlaceBytes)
        return failed("Cannot save", path, QStringLiteral("it is too large to be rewritten in place"));
    QByteArray old(static_cast<qsizetype>(st.st_size), '\0');
    if (const int error = pread_all(fd, old.data(), old.size()))
        return failed("Cannot save", path,
                      QStringLiteral("cannot read the old content to keep it: %1").arg(system_reason(error)));
    qint64 reached = 0;
    int error = pwrite_all(fd, bytes.constData(), bytes.size(), 0, reached);
    if (error == 0 && bytes.size() < old.size() && ::ftruncate(fd, bytes.size()) != 0) error = errno;
    if (error == 0 && ::fdatasync(fd) != 0) error = errno;
    if (error == 0) return {true, QString(), QString()};

    // Put back what was overwritten (at most the bytes that reached the file,
    // or all of them when the sync failed) and the old length.
    const qint64 back = std::min<qint64>(old.size(), reached == bytes.size() ? old.size() : reached);
    qint64 restored = 0;
    int restore_error = pwrite_all(fd, old.constData(), back, 0, restored);
    if (restore_error == 0 && ::ftruncate(fd, old.size()) != 0) restore_error = errno;
    if (restore_error == 0 && ::fdatasync(fd) != 0) restore_error = errno;
    QString reason = system_reason(error);
    if (restore_error != 0)
        reason +=
            QStringLiteral("; the old content could not be put back either (%1)").arg(system_reason(restore_error));
    return failed("Cannot save", path, reason);
}

QString cannot_save_reason(const QString& path) {
    if (const QString why = not_a_regular_file(path); !why.isEmpty()) return why;
    const QString target = resolved_path(path);
    const QString folder = QFileInfo(target).absolutePath();
    if (!QFileInfo(folder).isDir()) return QStringLiteral("the folder %1 does not exist").arg(folder);
    QTemporaryFile probe(folder + QStringLiteral("/.qrt58-XXXXXX"));
    if (probe.open()) return QString(); // removed again when the probe goes
    if (!QFileInfo::exists(target)) return probe.errorString();
    const int fd =
        ::open(QFile::encodeName(target).constData(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return system_reason(errno);
    ::close(fd);
    return QString();
}

bool same_file(const QString& a, const QString& b) {
    struct stat sa {
    }, sb{};
    const bool a_exists = ::stat(QFile::encodeName(a).constData(), &sa) == 0;
    const bool b_exists = ::stat(QFile::encodeName(b).constData(), &sb) == 0;
    if (a_exists && b_exists) return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    if (a_exists != b_exists) return false;
    return resolved_path(a) == resolved_path(b);
}

void ignore_file_size_signal() { ::signal(SIGXFSZ, SIG_IGN); }

QString files_in_conflict(const NamedFiles& files) {
    for (std::size_t i = 0; i < files.size(); ++i)
        for (std::size_t j = i + 1; j < files.size(); ++j)
            if (same_file(files[i].second, files[j].second))
                return QStringLiteral("%1 %2 is %3 %4; give each its own file")
                    .arg(files[j].first, files[j].second, files[i].first, files[i].second);
    return QString();
}

} // namespace qrt58
