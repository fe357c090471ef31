#include "table_file.h"

#include "safe_file.h"

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
    QByteArray bytes;
    const FileResult read = read_regular_file(path, kImageSize, bytes);
    if (!read.ok) return {LoadStatus::Unreadable, read.error};
    if (!image_from_bytes(bytes, image)) return {LoadStatus::WrongSignature, QString()};
    return {LoadStatus::Ok, QString()};
}

SaveResult save_table_file(const QString& path, const PagerTable& image) {
    const FileResult r = write_file_checked(path, QByteArray(reinterpret_cast<const char*>(image.data()), kImageSize));
    return {r.ok, r.error};
}

} // namespace qrt58
