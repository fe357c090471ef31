#include "melody_editor.h"

#include "box_events.h"
#include "capcode_editor.h"
#include "form1.h"
#include "melody.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTimer>

namespace qrt58::editors {

namespace {

// The text a box showed before a user's change. The box reports the change by
// textEdited and textChanged; whichever comes first, the text before it is the
// last one textChanged reported that differs from the new text.
struct BoxHistory : QObject {
    using QObject::QObject;
    QString previous;
    QString current;
};

bool text_allowed(const QString& text, bool single) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u > 0x7F || !melody_char_allowed(static_cast<char>(u), single)) return false;
    }
    return true;
}

} // namespace

MelodyEditor::MelodyEditor(Form1& form) : QObject(&form), form_(form) {
    for (int s = 0; s < kMelodySlots; ++s) {
        if (auto* list = form.ctl<QComboBox>(QStringLiteral("cboMusicType"), s))
            connect(list, &QComboBox::currentIndexChanged, this, [this, s] { cboMusicType_Click(s); });
        auto* box = form.ctl<QLineEdit>(QStringLiteral("txtUser"), s);
        if (!box) continue;
        box->setMaxLength(kMelodyLength);
        auto* events = BoxEvents::attach(box, this);
        events->got_focus = [this, s] { txtUser_GotFocus(s); };
        events->lost_focus = [this, s] { txtUser_LostFocus(s); };
        events->key_press = [this, s](QKeyEvent* key) {
            const QString text = key->text();
            return txtUser_KeyPress(s, is_enter(key) ? 13 : (text.isEmpty() ? 0 : text.at(0).unicode()));
        };
        auto* history = new BoxHistory(box);
        history->current = box->text();
        connect(box, &QLineEdit::textChanged, history, [history](const QString& text) {
            history->previous = history->current;
            history->current = text;
        });
        connect(box, &QLineEdit::textEdited, this, [this, box, history, s](const QString& text) {
            if (!text_allowed(text, single_tone_mode(form_.image()))) {
                box->setText(history->current == text ? history->previous : history->current);
                refuse_later();
            } else if (!box->hasFocus()) {
                // Dropped on a box that has not got the focus: no LostFocus
                // follows, so the entry is stored now.
                txtUser_LostFocus(s);
            }
        });
    }
    form.add_click_rule(QStringLiteral("chkCtl"), 66, [this] { read_UserMsc(); });

    form.set_procedure("read_music", std::function<void()>([this] { read_music(); }));
    form.set_procedure("read_UserMsc", std::function<void()>([this] { read_UserMsc(); }));
    form.set_procedure("read_SingleMsc", std::function<void()>([this] { read_SingleMsc(); }));
    form.set_procedure("read_MultiMsc", std::function<void()>([this] { read_MultiMsc(); }));
    form.set_procedure("User_Data", std::function<void(int)>([this](int s) { User_Data(s); }));
    form.set_procedure("cboMusicType_Click", std::function<void(int)>([this](int s) { cboMusicType_Click(s); }));
}

void MelodyEditor::refuse_later() {
    // Shown once the box has finished its own change, so that no modal box runs
    // inside the box's editing.
    const QString message = QString::fromLatin1(melody_refusal_message(single_tone_mode(form_.image())));
    QTimer::singleShot(0, this, [this, message] { form_.messages().show(&form_, message, MessageIcon::Information); });
}

// ---------------------------------------------------------------- music type

void MelodyEditor::cboMusicType_Click(int slot) {
    const auto* list = form_.ctl<QComboBox>(QStringLiteral("cboMusicType"), slot);
    if (!list || list->currentIndex() < 0) return;
    const bool user = list->currentIndex() == 0;
    const bool long_first = pair_shows_long(form_, slot);
    store_music_type(form_.image(), slot, list->currentData().toInt(), long_first);
    if (QWidget* box = form_.control(QStringLiteral("txtUser"), slot)) box->setVisible(user);
    if (long_first)
        if (QWidget* box = form_.control(QStringLiteral("txtUser"), slot + 1)) box->setVisible(user);
}

void MelodyEditor::read_music() {
    for (int s = 0; s < kMelodySlots; ++s) {
        const auto index = music_type_index(form_.image(), s);
        // The selection is made without the list's change handler: in a long
        // pair that handler would copy this slot's byte over the next slot's.
        if (auto* list = form_.ctl<QComboBox>(QStringLiteral("cboMusicType"), s)) {
            const QSignalBlocker block(list);
            list->setCurrentIndex(index.value_or(-1));
        }
        // A byte of no item is no "User" type either: the melody box goes.
        if (QWidget* box = form_.control(QStringLiteral("txtUser"), s)) box->setVisible(index == 0);
    }
}

// ---------------------------------------------------------------- user melody

void MelodyEditor::fill_boxes(bool single) {
    for (int s = 0; s < kMelodySlots; ++s)
        if (auto* box = form_.ctl<QLineEdit>(QStringLiteral("txtUser"), s))
            box->setText(
                QString::fromLatin1(single ? single_tone_text(form_.image(), s) : multi_tone_text(form_.image(), s)));
}

void MelodyEditor::read_SingleMsc() { fill_boxes(true); }
void MelodyEditor::read_MultiMsc() { fill_boxes(false); }
void MelodyEditor::read_UserMsc() { fill_boxes(single_tone_mode(form_.image())); }

void MelodyEditor::User_Data(int slot) {
    auto* box = form_.ctl<QLineEdit>(QStringLiteral("txtUser"), slot);
    if (!box) return;
    const std::string padded = store_user_melody(form_.image(), slot, box->text().toLatin1().toStdString());
    box->setText(QString::fromLatin1(padded));
}

void MelodyEditor::txtUser_GotFocus(int slot) {
    if (auto* box = form_.ctl<QLineEdit>(QStringLiteral("txtUser"), slot)) box->clear();
}

bool MelodyEditor::txtUser_KeyPress(int slot, int key) {
    if (key == 13) {
        if (QWidget* box = form_.control(QStringLiteral("txtUser"), slot))
            move_focus_away(box, form_.control(QStringLiteral("picTabBack")));
        return true;
    }
    // Keys that type nothing, control keys (Backspace, the paste key) and Delete pass.
    if (key < 32 || key == 0x7F) return false;
    const bool single = single_tone_mode(form_.image());
    if (key <= 0x7F && melody_char_allowed(static_cast<char>(key), single)) return false;
    form_.messages().show(&form_, QString::fromLatin1(melody_refusal_message(single)), MessageIcon::Information);
    return true;
}

void MelodyEditor::txtUser_LostFocus(int slot) {
    auto* box = form_.ctl<QLineEdit>(QStringLiteral("txtUser"), slot);
    if (!box) return;
    if (box->text().isEmpty()) {
        read_UserMsc(); // nothing typed: every box shows the image again
        return;
    }
    const std::string padded =
        enter_user_melody(form_.image(), slot, box->text().toLatin1().toStdString(), shown_pairs(form_));
    box->setText(QString::fromLatin1(padded));
    // A "Long" pair's second slot shows the same melody.
    if (pair_shows_long(form_, slot))
        if (auto* next = form_.ctl<QLineEdit>(QStringLiteral("txtUser"), slot + 1)) next->setText(box->text());
}

} // namespace qrt58::editors
