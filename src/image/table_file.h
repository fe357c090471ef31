// Table files (*.tbl): the raw 2048-byte image with "QRT58 " at 0x7E0.
#pragma once

#include "pager_table.h"

#include <QString>

namespace qrt58 {

enum class LoadStatus { Ok, Unreadable, WrongSignature };

struct LoadResult {
    LoadStatus status = LoadStatus::Unreadable;
    QString error; // readable reason for Unreadable
};

// Reads up to the first 2048 bytes of the regular file `path` (missing bytes read
// as 0; a folder, device or pipe is Unreadable) and, only when bytes
// 0x7E0-0x7E5 read "QRT58 ", replaces `image` with them.
LoadResult load_table_file(const QString& path, PagerTable& image);

// The same check on a byte buffer; returns false for a wrong signature.
bool image_from_bytes(const QByteArray& bytes, PagerTable& image);
bool has_signature(const PagerTable& image);

struct SaveResult {
    bool ok = false;
    QString error;
};

// Writes the 2048 image bytes atomically: on any failure the old file stays as it
// was. Only a regular file (or a new one) is written; see write_file_checked.
SaveResult save_table_file(const QString& path, const PagerTable& image);

} // namespace qrt58
