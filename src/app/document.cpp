#include "document.h"

#include <QFileInfo>

void Document::reset(const qrt58::PagerTable& image, Origin origin, const QString& save_path,
                     const QString& shown_path) {
    current_ = clean_ = image;
    undo_.clear();
    redo_.clear();
    origin_ = origin;
    save_path_ = save_path;
    shown_path_ = shown_path;
}

bool Document::commit(const qrt58::PagerTable& image, const QString& label) {
    if (image == current_) return false;
    undo_.push_back({current_, label});
    if (undo_.size() > kMaxUndo) undo_.erase(undo_.begin());
    redo_.clear();
    current_ = image;
    return true;
}

void Document::absorb(const qrt58::PagerTable& image) {
    const bool was_clean = !modified();
    current_ = image;
    if (was_clean) clean_ = image;
}

void Document::saved(const qrt58::PagerTable& image, const QString& path) {
    commit(image);
    clean_ = current_;
    origin_ = Origin::File;
    save_path_ = shown_path_ = path;
}

const qrt58::PagerTable& Document::undo() {
    if (undo_.empty()) return current_;
    redo_.push_back({current_, undo_.back().label});
    current_ = undo_.back().image;
    undo_.pop_back();
    return current_;
}

const qrt58::PagerTable& Document::redo() {
    if (redo_.empty()) return current_;
    undo_.push_back({current_, redo_.back().label});
    current_ = redo_.back().image;
    redo_.pop_back();
    return current_;
}

QString Document::display_name() const {
    if (origin_ == Origin::Receiver) return QStringLiteral("the image read from the receiver");
    const QString path = save_path_.isEmpty() ? shown_path_ : save_path_;
    return QFileInfo(path).fileName();
}
