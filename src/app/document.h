// The document behind the main window: where the image came from and where
// File > Save puts it, whether it holds unsaved changes, and the undo history.
//
// The window reports every committed change by handing its image to commit()
// (it compares the image with the last state after each user action, so no
// editor has to report anything); Undo and Redo hand back whole images, which
// the window shows by refilling its controls.
#pragma once

#include "pager_table.h"

#include <QString>
#include <cstddef>
#include <vector>

class Document {
public:
    // Where the image came from, which decides where Save writes.
    enum class Origin {
        Default,  // start-up: Save writes the default table into the data folder
        File,     // a table file opened or saved
        Receiver, // read from a receiver: Save asks for a file name
    };
    // Steps kept for Undo (2 KB each).
    static constexpr std::size_t kMaxUndo = 500;

    // A new history: after start-up, Open and a read from the receiver.
    // `save_path` is where Save writes (empty: ask), `shown_path` the path the
    // title shows (empty: none).
    void reset(const qrt58::PagerTable& image, Origin origin, const QString& save_path,
               const QString& shown_path = QString());
    // Records `image` as the next step when it differs from the current state;
    // `label` says what the step changed ("Capcode 3"), for the Edit menu.
    // True when it did (a new step; Redo is no longer possible).
    bool commit(const qrt58::PagerTable& image, const QString& label = QString());
    // Takes `image` as the current state without an undo step; a document
    // without unsaved changes stays so (a transfer's own bytes, a refill's
    // repairs).
    void absorb(const qrt58::PagerTable& image);
    // The image was written to `path`.
    void saved(const qrt58::PagerTable& image, const QString& path);

    bool modified() const { return current_ != clean_; }
    bool can_undo() const { return !undo_.empty(); }
    bool can_redo() const { return !redo_.empty(); }
    // The state before the last step (after undo(): the one undone); the
    // current state when there is nothing to undo (redo).
    const qrt58::PagerTable& undo();
    const qrt58::PagerTable& redo();
    // What the step Undo (Redo) would take back (do again); empty when it
    // is not known or there is none.
    QString undo_label() const { return undo_.empty() ? QString() : undo_.back().label; }
    QString redo_label() const { return redo_.empty() ? QString() : redo_.back().label; }

    const qrt58::PagerTable& current() const { return current_; }
    Origin origin() const { return origin_; }
    const QString& save_path() const { return save_path_; }
    const QString& shown_path() const { return shown_path_; }
    // What the title and the save question call the document: the file name,
    // or "the image read from the receiver".
    QString display_name() const;

private:
    // A state kept for Undo or Redo and the label of the step between it and
    // the current state.
    struct Step {
        qrt58::PagerTable image;
        QString label;
    };
    qrt58::PagerTable current_{};
    qrt58::PagerTable clean_{};
    std::vector<Step> undo_;
    std::vector<Step> redo_;
    Origin origin_ = Origin::Default;
    QString save_path_;
    QString shown_path_;
};
