#include "table_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace qrt58 {

bool has_signature(const PagerTable& image) {
    for (int i = 0; i < kSignatureCompareLength; ++i)
        if (image[kSignatureAddress + i] != static_cast<std::uint8_t>(ver_str[static_cast<std::size_t>(i)]))
            return false;
    return true;
}

bool image_from_bytes(const QByteArray& bytes, PagerTable& image) {
    PagerTable buffer; // zero-filled: a short file leaves the rest 0
    const int n = std::min<int>(static_cast<int>(bytes.size()), kImageSize);
    for (int i = 0; i < n; ++i) buffer[i] = static_cast<std::uint8_t>(bytes[i]);
    if (!has_signature(buffer)) return false;
    image = buffer;
    return true;
}

LoadResult load_table_file(const QString& path, PagerTable& image) {
    // Only a regular file is a table: a folder or a device is refused, and a
    // pipe is never opened (opening or reading it would wait for a writer).
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        const QString why = info.isDir() ? QStringLiteral("it is a folder")
                                         : QStringLiteral("it is not a regular file");
        return {LoadStatus::Unreadable, QStringLiteral("Cannot open %1: %2").arg(path, why)};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {LoadStatus::Unreadable, QStringLiteral("Cannot open %1: %2").arg(path, file.errorString())};
    const QByteArray bytes = file.read(kImageSize);
    if (file.error() != QFileDevice::NoError)
        return {LoadStatus::Unreadable, QStringLiteral("Cannot read %1: %2").arg(path, file.errorString())};
    if (!image_from_bytes(bytes, image)) return {LoadStatus::WrongSignature, QString()};
    return {LoadStatus::Ok, QString()};
}

SaveResult save_table_file(const QString& path, const PagerTable& image) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {false, QStringLiteral("Cannot save %1: %2").arg(path, file.errorString())};
    // write() only fills the file's buffer; a write that fails while the buffer
    // goes to disk (a full disk, a size limit) shows only in flush(), and
    // commit() would otherwise put the short file in place of the old one.
    const qint64 written = file.write(reinterpret_cast<const char*>(image.data()), kImageSize);
    if (written != kImageSize || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting(); // the old file stays; the temporary one is removed
        return {false, QStringLiteral("Cannot save %1: not all %2 bytes could be written (%3)")
                           .arg(path)
                           .arg(kImageSize)
                           .arg(reason)};
    }
    if (!file.commit())
        return {false, QStringLiteral("Cannot save %1: %2").arg(path, file.errorString())};
    return {true, QString()};
}

} // namespace qrt58
