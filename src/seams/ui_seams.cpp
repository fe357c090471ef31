#include "ui_seams.h"

#include <QFileDialog>
#include <QMessageBox>

namespace qrt58 {
namespace {

const QString kTitle = QStringLiteral("QRT58");

class QtMessageBoxes : public MessageBoxes {
public:
    void show(QWidget* parent, const QString& text, MessageIcon icon) override {
        QMessageBox::Icon i = QMessageBox::NoIcon;
        switch (icon) {
        case MessageIcon::Information: i = QMessageBox::Information; break;
        case MessageIcon::Warning: i = QMessageBox::Warning; break;
        case MessageIcon::Error: i = QMessageBox::Critical; break;
        case MessageIcon::Question: i = QMessageBox::Question; break;
        case MessageIcon::None: break;
        }
        QMessageBox box(i, kTitle, text, QMessageBox::Ok, parent);
        box.exec();
    }
    bool ask_yes_no(QWidget* parent, const QString& text) override {
        return QMessageBox::question(parent, kTitle, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    }
    SaveAnswer ask_save_discard_cancel(QWidget* parent, const QString& text) override {
        QMessageBox box(QMessageBox::Warning, kTitle, text,
                        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
        box.setDefaultButton(QMessageBox::Save);
        box.setEscapeButton(QMessageBox::Cancel);
        switch (box.exec()) {
        case QMessageBox::Save: return SaveAnswer::Save;
        case QMessageBox::Discard: return SaveAnswer::Discard;
        default: return SaveAnswer::Cancel;
        }
    }
};

class QtFileDialogs : public FileDialogs {
public:
    QString open_file(QWidget* parent, const QString& start_folder, const QString& filter) override {
        return QFileDialog::getOpenFileName(parent, QString(), start_folder, filter);
    }
    QString save_file(QWidget* parent, const QString& start_folder, const QString& filter) override {
        // The caller asks its own overwrite question.
        return QFileDialog::getSaveFileName(parent, QString(), start_folder, filter, nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    }
};

std::unique_ptr<MessageBoxes>& boxes_slot() {
    static std::unique_ptr<MessageBoxes> slot = std::make_unique<QtMessageBoxes>();
    return slot;
}
std::unique_ptr<FileDialogs>& dialogs_slot() {
    static std::unique_ptr<FileDialogs> slot = std::make_unique<QtFileDialogs>();
    return slot;
}

} // namespace

MessageBoxes& message_boxes() { return *boxes_slot(); }
FileDialogs& file_dialogs() { return *dialogs_slot(); }
void install_message_boxes(std::unique_ptr<MessageBoxes> boxes) {
    boxes_slot() = boxes ? std::move(boxes) : std::make_unique<QtMessageBoxes>();
}
void install_file_dialogs(std::unique_ptr<FileDialogs> dialogs) {
    dialogs_slot() = dialogs ? std::move(dialogs) : std::make_unique<QtFileDialogs>();
}

void RecordingMessageBoxes::show(QWidget*, const QString& text, MessageIcon icon) {
    entries.push_back({text, icon, false});
}
bool RecordingMessageBoxes::ask_yes_no(QWidget*, const QString& text) {
    entries.push_back({text, MessageIcon::Question, true});
    if (answers.empty()) return true;
    const bool a = answers.front();
    answers.pop_front();
    return a;
}
SaveAnswer RecordingMessageBoxes::ask_save_discard_cancel(QWidget*, const QString& text) {
    entries.push_back({text, MessageIcon::Question, true});
    if (save_answers.empty()) return SaveAnswer::Discard;
    const SaveAnswer a = save_answers.front();
    save_answers.pop_front();
    return a;
}
QStringList RecordingMessageBoxes::texts() const {
    QStringList out;
    for (const auto& e : entries) out << e.text;
    return out;
}

static QString next_answer(std::deque<QString>& answers) {
    if (answers.empty()) return {};
    QString a = answers.front();
    answers.pop_front();
    return a;
}
QString ScriptedFileDialogs::open_file(QWidget*, const QString& start_folder, const QString& filter) {
    last_start_folder = start_folder;
    last_filter = filter;
    return next_answer(answers);
}
QString ScriptedFileDialogs::save_file(QWidget*, const QString& start_folder, const QString& filter) {
    last_start_folder = start_folder;
    last_filter = filter;
    return next_answer(answers);
}

ScopedTestSeams::ScopedTestSeams() {
    auto b = std::make_unique<RecordingMessageBoxes>();
    auto d = std::make_unique<ScriptedFileDialogs>();
    boxes = b.get();
    dialogs = d.get();
    install_message_boxes(std::move(b));
    install_file_dialogs(std::move(d));
}
ScopedTestSeams::~ScopedTestSeams() {
    install_message_boxes(nullptr);
    install_file_dialogs(nullptr);
}

} // namespace qrt58
