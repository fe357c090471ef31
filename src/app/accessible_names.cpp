#include "accessible_names.h"

#include "accessible_interfaces.h"
#include "form1.h"
#include "prompts.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace qrt58::ui {

namespace {

// A control of a capcode slot: control index = slot + offset. `label` names
// the caption beside it on the page (same index as the slot), if any.
struct RowName {
    const char* control;
    int offset;
    const char* label;
    const char* name; // %1: the number the row shows
};
constexpr RowName kRowNames[] = {
    {"txtAddr", 0, "Label1", "Capcode %1"},
    {"Text1", 0, nullptr, "Capcode %1 mark"},
    {"chkCtl", 10, nullptr, "Capcode %1 enabled"},
    {"cboCtl", 7, "Label2", "Capcode %1 type"},
    {"chkCtl", 50, nullptr, "Capcode %1 priority"},
    {"chkCtl", 70, nullptr, "Capcode %1 manual"},
    {"cboMailAlert", 0, "lblAlert", "Capcode %1 mail drop alert"},
    {"chkSource", 33, nullptr, "Source prompt of capcode %1 enabled"},
    {"txtPrompt", 33, nullptr, "Source prompt of capcode %1"},
    {"cboMusicType", 0, "lblCapMsc", "Music type of capcode %1"},
    {"txtUser", 0, nullptr, "Melody of capcode %1"},
};

// Controls whose caption is not the label before them (or that have none).
struct FixedName {
    const char* control; // objectName
    const char* label;   // objectName of its caption, or nullptr
    const char* name;
};
constexpr FixedName kFixedNames[] = {
    {"cboDft", nullptr, "Frequency range"},
    {"txtFreq", nullptr, "Frequency"},
    {"VScroll1", nullptr, "Capcode rows"},
    {"cboTone", nullptr, "Default tone"},
    {"cboLamp", nullptr, "Direct show lamp time"},
    {"txtPrompt_0", "lblPrompt_0", "Prompt Power Up Logo"},
    {"cbologo", nullptr, "Logo font"},
    {"Slider1", "lblSlider", "Contrast"},
    {"txtPrompt_49", nullptr, "Source prompt of group calls"},
    {"chkSource_49", nullptr, "Source prompt of group calls enabled"},
};

bool is_container(const QWidget* w) {
    return qobject_cast<const QGroupBox*>(w) ||
           (qobject_cast<const QFrame*>(w) && !qobject_cast<const QLabel*>(w) && !w->inherits("QAbstractScrollArea"));
}

// A caption as a name: the text a label shows, without a closing colon.
QString caption_name(const QLabel* label) {
    QString text = label->text().simplified();
    if (text.endsWith(QLatin1Char(':'))) text.chop(1);
    return text;
}

void tie(QLabel* label, QWidget* control, const QString& name) {
    if (label) label->setBuddy(control);
    control->setAccessibleName(name);
}

} // namespace

void name_capcode_row(Form1& form, int slot, int shown) {
    const QString number = QString::number(shown);
    for (const RowName& row : kRowNames) {
        QWidget* w = form.control(QString::fromLatin1(row.control), slot + row.offset);
        if (!w) continue;
        QLabel* label = row.label ? form.ctl<QLabel>(QString::fromLatin1(row.label), slot) : nullptr;
        tie(label, w, QString::fromLatin1(row.name).arg(number));
    }
    // The length list of a pair stands on its first row, a fixed "Short" on its second.
    const QString length = slot % 2 == 0 ? QStringLiteral("cboCapLen") : QStringLiteral("cboCapSht");
    if (QWidget* w = form.control(length, slot / 2))
        w->setAccessibleName(QStringLiteral("Capcode %1 length").arg(number));
}

void name_controls(Form1& form) {
    const std::vector<QWidget*>& controls = form.controls();

    // Reading order: the window's control order, a container read where its
    // first control stands (its frame comes first in the tables, its rows later).
    for (int i = static_cast<int>(controls.size()) - 1; i >= 0; --i) {
        QWidget* w = controls[static_cast<std::size_t>(i)];
        if (is_container(w)) {
            if (!w->property("readingOrder").isValid()) w->setProperty("readingOrder", i);
            continue;
        }
        w->setProperty("readingOrder", i);
        for (QWidget* up = w->parentWidget(); up && up != form.centralWidget(); up = up->parentWidget())
            up->setProperty("readingOrder", i);
    }

    // A box or list right after its caption in the same container is named by it.
    for (std::size_t i = 1; i < controls.size(); ++i) {
        QWidget* w = controls[i];
        auto* label = qobject_cast<QLabel*>(controls[i - 1]);
        if (!label || label->parentWidget() != w->parentWidget()) continue;
        if (qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w)) tie(label, w, caption_name(label));
    }
    // The prompt boxes: "Prompt" and their caption.
    for (const PromptSlot& p : prompt_slots()) {
        auto* box = form.ctl<QLineEdit>(QStringLiteral("txtPrompt"), p.index);
        auto* label = form.ctl<QLabel>(QStringLiteral("lblPrompt"), p.index);
        if (box && label && p.index != 0) tie(label, box, QStringLiteral("Prompt ") + caption_name(label));
    }
    // Buttons that show one letter are named by their tool tip ("Align Left").
    for (QWidget* w : controls)
        if (auto* b = qobject_cast<QPushButton*>(w); b && b->text().size() <= 1 && !b->toolTip().isEmpty())
            b->setAccessibleName(b->toolTip());
    for (const FixedName& f : kFixedNames) {
        QWidget* w = form.control(QString::fromLatin1(f.control));
        if (!w) continue;
        tie(f.label ? form.ctl<QLabel>(QString::fromLatin1(f.label)) : nullptr, w, QString::fromLatin1(f.name));
    }
    for (int s = 0; s < 16; ++s) name_capcode_row(form, s, s + 1);
}

} // namespace qrt58::ui
