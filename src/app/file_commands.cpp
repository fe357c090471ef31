#include "file_commands.h"

#include "form1.h"
#include "table_file.h"
#include "ui_seams.h"
#include "window_menus.h"

#include <QAction>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>

namespace {

const QString kTableFilter = QStringLiteral("Table files (*.tbl)");
const QString kFolderKey = QStringLiteral("files/last_folder");
const QString kRecentKey = QStringLiteral("files/recent");
constexpr int kRecentCount = 8;

// What File > Open Recent shows for entry i: the file name, and where two
// entries share it, its folder too (the home folder written "~"). A "&" of a
// name is shown, not taken as an access key.
QString recent_entry_text(const QStringList& files, int i) {
    const QFileInfo info(files[i]);
    QString text = info.fileName();
    const bool shared = std::count_if(files.begin(), files.end(), [&](const QString& other) {
                            return QFileInfo(other).fileName() == info.fileName();
                        }) > 1;
    if (shared) {
        QString folder = QDir::toNativeSeparators(info.absolutePath());
        const QString home = QDir::toNativeSeparators(QDir::homePath());
        if (home.size() > 1 && (folder == home || folder.startsWith(home + QDir::separator())))
            folder = QLatin1Char('~') + folder.mid(home.size());
        text += QStringLiteral(" (") + folder + QLatin1Char(')');
    }
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace

void FileCommands::open_start_file() {
    // The user's own default table, else the one installed beside the program.
    // Save writes the user's, as the program folder is not the user's to write.
    // A folder (or anything but a file) of that name is no default table.
    const QString user_default = form_.data_path + QStringLiteral("/default.tbl");
    const QString program_default = form_.app_path + QStringLiteral("/default.tbl");
    const QString found = QFileInfo(user_default).isFile()      ? user_default
                          : QFileInfo(program_default).isFile() ? program_default
                                                                : QString();
    doc_.reset(form_.image_, Document::Origin::Default, user_default);
    form_.tbl_path = user_default;
    bool opened = false;
    bool start_file_missing = false;
    if (!form_.start_file.isEmpty()) {
        // The file named on the command line instead of the default table;
        // the Open dialog starts in its folder.
        last_folder_ = QFileInfo(form_.start_file).absolutePath();
        if (QFileInfo(form_.start_file).isFile()) {
            opened = load_file(form_.start_file, Document::Origin::File);
        } else {
            form_.messages().info(&form_, QStringLiteral("This file is not exit!"));
            // A name that does not exist yet is the file the user means to
            // make: it becomes the document (the default table's content in
            // it), so that Save creates it and never writes the default table.
            start_file_missing = !QFileInfo::exists(form_.start_file);
        }
    }
    if (!opened && !found.isEmpty()) {
        form_.tbl_path = found;
        form_.use_tbl_path = true;
        open();
        form_.use_tbl_path = false;
    }
    if (start_file_missing) doc_.reset(form_.image_, Document::Origin::File, form_.start_file, form_.start_file);
    form_.tbl_path = doc_.save_path();
    update_title();
    form_.menus_->update_edit_actions();
}

void FileCommands::watch_controls() { labels_.watch(form_.controls_); }

void FileCommands::watch_event(QObject* watched, const QEvent* event) {
    labels_.event(watched, event);
    switch (event->type()) {
    case QEvent::KeyRelease:
    case QEvent::MouseButtonRelease:
    case QEvent::FocusOut:
    case QEvent::Wheel:
        // A user action may have committed a change to the image.
        schedule_change_check();
        break;
    default: break;
    }
}

void FileCommands::update_title() {
    QString title = QStringLiteral("Norvale ") + QString::fromStdString(qrt58::ver_str);
    QString shown;
    if (doc_.origin() == Document::Origin::Receiver) shown = QStringLiteral("read from the receiver");
    else if (!doc_.shown_path().isEmpty()) shown = QDir::toNativeSeparators(doc_.shown_path());
    if (!shown.isEmpty()) title += QStringLiteral(" - [") + shown + QLatin1Char(']');
    form_.setWindowTitle(title + QStringLiteral("[*]"));
    form_.setWindowModified(doc_.modified());
}

void FileCommands::schedule_change_check() {
    if (change_check_scheduled_ || !form_.loaded_) return;
    change_check_scheduled_ = true;
    QTimer::singleShot(0, &form_, [this] {
        change_check_scheduled_ = false;
        note_changes();
    });
}

void FileCommands::note_changes() {
    // During a transfer the image takes the write stamp (checksum and marker)
    // and the station's raised capcode: the transfer's bytes, which the
    // command absorbs when it ends, not a change of the user's.
    if (form_.refilling_ || !form_.loaded_ || form_.transfer_running_) return;
    if (form_.image_ == doc_.current()) {
        labels_.no_change();
        return;
    }
    doc_.commit(form_.image_, labels_.take_label());
    update_title();
    form_.menus_->update_edit_actions();
}

bool FileCommands::may_discard_changes() {
    if (!form_.take_focused_entry()) return false;
    note_changes();
    if (!doc_.modified()) return true;
    switch (form_.messages().ask_save_discard_cancel(&form_, QStringLiteral("Save changes to ") + doc_.display_name() +
                                                                 QLatin1Char('?'))) {
    case qrt58::SaveAnswer::Save: return save_document(doc_.save_path().isEmpty());
    case qrt58::SaveAnswer::Discard: return true;
    case qrt58::SaveAnswer::Cancel: break;
    }
    return false;
}

void FileCommands::undo() { step(true); }

void FileCommands::redo() { step(false); }

// One step back (Undo) or forward (Redo). The box being edited is taken first
// (a refused entry stops here); nothing is taken back in Write mode.
void FileCommands::step(bool back) {
    if (form_.write_mode() || !form_.take_focused_entry()) return;
    note_changes();
    if (!(back ? doc_.can_undo() : doc_.can_redo())) return;
    form_.image_ = back ? doc_.undo() : doc_.redo();
    form_.refill_from_image();
    doc_.absorb(form_.image_);
    update_title();
    form_.menus_->update_edit_actions();
}

bool FileCommands::load_file(const QString& path, Document::Origin origin) {
    qrt58::PagerTable loaded = form_.image_;
    const qrt58::LoadResult result = qrt58::load_table_file(path, loaded);
    if (result.status == qrt58::LoadStatus::WrongSignature) {
        form_.messages().info(&form_, QStringLiteral("The [") + path +
                                          QStringLiteral("] is not correct format, the file will discard !"));
        return false;
    }
    if (result.status != qrt58::LoadStatus::Ok) {
        form_.messages().error(&form_, result.error);
        return false;
    }
    form_.image_ = loaded;
    form_.refill_from_image();
    const QString user_default = form_.data_path + QStringLiteral("/default.tbl");
    doc_.reset(form_.image_, origin, origin == Document::Origin::Default ? user_default : path, path);
    form_.tbl_path = doc_.save_path();
    if (origin == Document::Origin::File) add_recent(path);
    update_title();
    form_.menus_->update_edit_actions();
    return true;
}

void FileCommands::open() {
    if (form_.use_tbl_path) {
        load_file(form_.tbl_path, Document::Origin::Default);
        return;
    }
    if (!may_discard_changes()) return;
    const QString path =
        qrt58::file_dialogs().open_file(&form_, dialog_folder(), kTableFilter + QStringLiteral(";;All files (*)"));
    if (path.isEmpty()) return;
    remember_folder(path);
    if (!QFileInfo::exists(path)) {
        form_.messages().info(&form_, QStringLiteral("This file is not exit!"));
        return;
    }
    load_file(path, Document::Origin::File);
}

void FileCommands::open_recent(const QString& path) {
    if (!may_discard_changes()) return;
    if (!QFileInfo(path).isFile()) {
        form_.messages().info(&form_, QStringLiteral("This file is not exit!"));
        recent_files(); // drops it from the list
        rebuild_recent_menu();
        return;
    }
    load_file(path, Document::Origin::File);
}

bool FileCommands::save_to(const QString& path) {
    // The user's data folder may not exist yet before the first save.
    if (QFileInfo(path).absolutePath() == QFileInfo(form_.data_path).absoluteFilePath()) QDir().mkpath(form_.data_path);
    const qrt58::SaveResult result = qrt58::save_table_file(path, form_.image_);
    if (!result.ok) {
        form_.messages().error(&form_, result.error);
        return false;
    }
    const bool was_default = doc_.origin() == Document::Origin::Default && path == doc_.save_path();
    doc_.saved(form_.image_, path);
    form_.tbl_path = path;
    add_recent(path);
    update_title();
    form_.menus_->update_edit_actions();
    if (was_default)
        form_.show_status(QStringLiteral("Saved the default table %1; it is loaded at the next start")
                              .arg(QDir::toNativeSeparators(path)));
    else form_.show_status(QStringLiteral("Saved %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

bool FileCommands::save_document(bool ask_name) {
    // A value typed but not yet confirmed is stored (or refused) first, so
    // that the file holds what the window shows.
    if (!form_.take_focused_entry()) return false;
    note_changes();
    if (!ask_name) return save_to(form_.tbl_path);
    QString path = qrt58::file_dialogs().save_file(&form_, dialog_folder(), kTableFilter);
    if (path.isEmpty()) return false;
    // A name without a suffix is a table file.
    if (QFileInfo(path).suffix().isEmpty() && !path.endsWith(QLatin1Char('.'))) path += QStringLiteral(".tbl");
    remember_folder(path);
    if (QFileInfo::exists(path) &&
        !form_.messages().ask_yes_no(&form_,
                                     QStringLiteral("This file is arealy exist ! \nAre you sure overwrite this file?")))
        return false;
    return save_to(path);
}

void FileCommands::save_as() { save_document(!form_.use_tbl_path); }

QStringList FileCommands::recent_files() const {
    QStringList stored = form_.settings_ ? form_.settings_->value(kRecentKey).toStringList() : recent_;
    QStringList kept;
    for (const QString& path : stored)
        if (QFileInfo(path).isFile() && !kept.contains(path)) kept << path;
    if (kept != stored) {
        if (form_.settings_) form_.settings_->setValue(kRecentKey, kept);
        else recent_ = kept;
    }
    return kept;
}

void FileCommands::add_recent(const QString& path) {
    QStringList list = recent_files();
    const QString full = QFileInfo(path).absoluteFilePath();
    list.removeAll(full);
    list.prepend(full);
    while (list.size() > kRecentCount) list.removeLast();
    if (form_.settings_) form_.settings_->setValue(kRecentKey, list);
    else recent_ = list;
    rebuild_recent_menu();
}

void FileCommands::rebuild_recent_menu() {
    if (!recent_menu_) return;
    recent_menu_->clear();
    const QStringList files = recent_files();
    for (int i = 0; i < files.size(); ++i) {
        const QString path = files[i];
        QAction* a = recent_menu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(recent_entry_text(files, i)));
        a->setToolTip(QDir::toNativeSeparators(path));
        a->setData(path);
        QObject::connect(a, &QAction::triggered, &form_, [this, path] { open_recent(path); });
    }
    if (files.isEmpty()) recent_menu_->addAction(QStringLiteral("(none)"))->setEnabled(false);
}

QString FileCommands::dialog_folder() const {
    QString folder = last_folder_;
    if (folder.isEmpty() && form_.settings_) folder = form_.settings_->value(kFolderKey).toString();
    if (!folder.isEmpty() && QFileInfo(folder).isDir()) return folder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

void FileCommands::remember_folder(const QString& file_path) {
    last_folder_ = QFileInfo(file_path).absolutePath();
    if (form_.settings_) form_.settings_->setValue(kFolderKey, last_folder_);
}

void FileCommands::save() {
    // After a read from the receiver there is no file to write to: Save asks.
    save_document(doc_.save_path().isEmpty());
}
