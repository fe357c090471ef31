#include "pager_commands.h"

#include "file_commands.h"
#include "form1.h"
#include "table_file.h"
#include "window_menus.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTimer>

void PagerCommands::pager_command(int mode) {
    // A second command arriving while one runs (keys queued during the
    // transfer) must not start a transfer inside the first one.
    if (form_.pager_running_) return;
    form_.finish_start(); // a key pressed before the board steps ran
    form_.pager_running_ = true;
    form_.timer_->stop();
    form_.transfer_mode = mode;
    // A read replaces the image: unsaved changes are saved or dropped first.
    if (form_.take_focused_entry() && (mode != 0 || form_.may_discard_changes()) && form_.board_.show_transfer) {
        form_.note_changes();
        form_.transfer_running_ = true;
        form_.board_.show_transfer(form_.transfer_mode);
        form_.transfer_running_ = false;
        // A write stamps its checksum and marker into the image: the
        // transfer's bytes, not a change of the user's.
        if (mode != 0) form_.document().absorb(form_.image_);
        form_.files_->update_title();
    }
    form_.pager_running_ = false;
    if (!form_.shut_down_) form_.timer_->start();
}

void PagerCommands::job_station_command() {
    if (form_.pager_running_) return;
    form_.finish_start();
    form_.pager_running_ = true;
    form_.timer_->stop();
    if (form_.take_focused_entry() && form_.board_.job_station) form_.board_.job_station();
    form_.pager_running_ = false;
    if (!form_.shut_down_) form_.timer_->start();
}

QString PagerCommands::first_capcode_text() const {
    auto* box = form_.ctl<QLineEdit>(QStringLiteral("txtAddr"), 0);
    return box ? box->text() : QString();
}

int PagerCommands::first_pair_length_index() const {
    auto* list = form_.ctl<QComboBox>(QStringLiteral("cboCapLen"), 0);
    return list ? list->currentIndex() : 0;
}

void PagerCommands::set_first_capcode(const QString& text) {
    if (auto* box = form_.ctl<QLineEdit>(QStringLiteral("txtAddr"), 0)) box->setText(text);
    form_.call("txt_to_tbl", 0);
    form_.call("read_dftaddr");
    // The receiver listens in the frame of its capcode: the frame map follows
    // the raised capcode as it follows a typed one.
    form_.call("set_frame");
    form_.keep_write_mode_locks();
}

// The image is the receiver's now, not the file's: the title says so and Save
// asks for a name.
void PagerCommands::image_was_read() {
    form_.refill_from_image();
    form_.document().reset(form_.image_, Document::Origin::Receiver, QString());
    form_.tbl_path.clear();
    form_.files_->update_title();
    form_.menus_->update_edit_actions();
}

QString PagerCommands::production_file() {
    if (form_.document().origin() == Document::Origin::File) return form_.document().save_path();
    // No table file open: the station keeps its capcodes in one the user names.
    if (!form_.files_->save_document(true)) return QString();
    return form_.document().save_path();
}

bool PagerCommands::save_production_file(QString& error) {
    form_.note_changes();
    const QString path = form_.document().save_path();
    const qrt58::SaveResult result = qrt58::save_table_file(path, form_.image_);
    if (!result.ok) {
        error = result.error;
        return false;
    }
    // The stamp and the raised capcode are the station's, not an undo step.
    form_.document().absorb(form_.image_);
    form_.document().saved(form_.image_, path);
    form_.files_->update_title();
    form_.menus_->update_edit_actions();
    return true;
}
