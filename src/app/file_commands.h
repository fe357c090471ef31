// The window's file commands: the document (where the image came from, unsaved
// changes, undo steps named for what they changed), the table file opened at
// start, File > Open, Save, Save As and Open Recent, the folder of the file
// dialogs, the title, and the save question before the image is dropped.
#pragma once

#include "change_labels.h"
#include "document.h"

#include <QString>
#include <QStringList>

class Form1;
class QEvent;
class QMenu;
class QObject;

class FileCommands {
public:
    explicit FileCommands(Form1& form) : form_(form) {}

    Document& document() { return doc_; }
    const Document& document() const { return doc_; }

    // Start-up: the file named on the command line, else the user's default
    // table, else the one beside the program, else the default image as it is.
    void open_start_file();
    // The events of the window's filter: a user action may have committed a
    // change, and tells which control the user edited.
    void watch_event(QObject* watched, const QEvent* event);
    // Watches the user's edits of the window's controls (after they are built).
    void watch_controls();
    void schedule_change_check();
    void note_changes();
    bool may_discard_changes();
    void undo();
    void redo();

    void open();    // File > Open (the default table while use_tbl_path is set)
    void save();    // File > Save
    void save_as(); // File > Save As...
    bool save_document(bool ask_name);
    void open_recent(const QString& path);
    QStringList recent_files() const;
    void set_recent_menu(QMenu* menu) { recent_menu_ = menu; }
    void rebuild_recent_menu();
    QString dialog_folder() const;
    void update_title();

private:
    void step(bool back);
    // Loads a table file (messages on failure); the document starts anew.
    bool load_file(const QString& path, Document::Origin origin);
    // Writes the image to `path` and makes it the document's file.
    bool save_to(const QString& path);
    void add_recent(const QString& path);
    void remember_folder(const QString& file_path);

    Form1& form_;
    Document doc_;
    ChangeLabels labels_;
    bool change_check_scheduled_ = false;
    QMenu* recent_menu_ = nullptr;
    mutable QStringList recent_; // without settings: this run only
    QString last_folder_;
};
