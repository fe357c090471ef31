#include "safe_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace qrt58 {

namespace {

FileResult failed(const char* what, const QString& path, const QString& reason) {
    return {false, QStringLiteral("%1 %2: %3").arg(QLatin1String(what), path, reason), reason};
}

} // namespace

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
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) return failed("Cannot save", path, file.errorString());
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

} // namespace qrt58
