// The two places where the programmer asks the user something: message boxes and
// file dialogs. Windows talk to these interfaces; tests install recorders that keep
// every text and answer from a script, so no test ever waits on a modal box.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

class QWidget;

namespace qrt58 {

enum class MessageIcon { None, Information, Warning, Error, Question };
// The answer to "Save changes to FILE?".
enum class SaveAnswer { Save, Discard, Cancel };

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // A box with an OK button. The title is always the application title "QRT58".
    virtual void show(QWidget* parent, const QString& text, MessageIcon icon) = 0;
    // A Yes/No question; true for Yes.
    virtual bool ask_yes_no(QWidget* parent, const QString& text) = 0;
    // A question with the buttons Save, Discard and Cancel (Save the default).
    virtual SaveAnswer ask_save_discard_cancel(QWidget* parent, const QString& text) = 0;

    void info(QWidget* parent, const QString& text) { show(parent, text, MessageIcon::None); }
    void warning(QWidget* parent, const QString& text) { show(parent, text, MessageIcon::Warning); }
    void error(QWidget* parent, const QString& text) { show(parent, text, MessageIcon::Error); }
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // Empty result: cancelled.
    virtual QString open_file(QWidget* parent, const QString& start_folder, const QString& filter) = 0;
    virtual QString save_file(QWidget* parent, const QString& start_folder, const QString& filter) = 0;
};

// The process-wide seams. Defaults are the real QMessageBox / QFileDialog ones.
MessageBoxes& message_boxes();
FileDialogs& file_dialogs();
void install_message_boxes(std::unique_ptr<MessageBoxes> boxes);
void install_file_dialogs(std::unique_ptr<FileDialogs> dialogs);

// Test double: records every box and answers questions from a script (default Yes).
class RecordingMessageBoxes : public MessageBoxes {
public:
    struct Entry {
        QString text;
        MessageIcon icon;
        bool question;
    };
    void show(QWidget* parent, const QString& text, MessageIcon icon) override;
    bool ask_yes_no(QWidget* parent, const QString& text) override;
    // Answers from save_answers; Discard when the script is empty.
    SaveAnswer ask_save_discard_cancel(QWidget* parent, const QString& text) override;

    std::vector<Entry> entries;
    std::deque<bool> answers;
    std::deque<SaveAnswer> save_answers;
    QStringList texts() const;
    void clear() { entries.clear(); }
};

// Test double: answers from a script; an empty answer (or an empty script) cancels.
class ScriptedFileDialogs : public FileDialogs {
public:
    QString open_file(QWidget* parent, const QString& start_folder, const QString& filter) override;
    QString save_file(QWidget* parent, const QString& start_folder, const QString& filter) override;

    std::deque<QString> answers;
    QString last_start_folder;
    QString last_filter;
};

// Installs recorders for the lifetime of the object and restores the real seams.
struct ScopedTestSeams {
    ScopedTestSeams();
    ~ScopedTestSeams();
    RecordingMessageBoxes* boxes;
    ScriptedFileDialogs* dialogs;
};

} // namespace qrt58
