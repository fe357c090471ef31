#include "change_labels.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>

#include <algorithm>

namespace {

// The control a widget belongs to: itself or the closest container of it that
// is a control of the window (a list's popup belongs to its list).
QWidget* control_of(QObject* watched) {
    for (auto* w = qobject_cast<QWidget*>(watched); w; w = w->parentWidget())
        if (w->property("ctlName").isValid()) return w;
    return nullptr;
}

// Controls whose edits come as their own signals; any other control (the
// slider, a list box) counts as edited on a key or mouse press.
bool has_edit_signal(const QWidget* w) {
    return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QAbstractButton*>(w);
}

} // namespace

void ChangeLabels::watch(const std::vector<QWidget*>& controls) {
    for (QWidget* w : controls) {
        if (auto* box = qobject_cast<QLineEdit*>(w))
            QObject::connect(box, &QLineEdit::textEdited, box, [this, box] { edited(box); });
        else if (auto* list = qobject_cast<QComboBox*>(w))
            QObject::connect(list, &QComboBox::activated, list, [this, list] { edited(list); });
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            QObject::connect(button, &QAbstractButton::clicked, button, [this, button] { edited(button); });
    }
}

void ChangeLabels::event(QObject* watched, const QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease: break;
    default: return;
    }
    QWidget* control = control_of(watched);
    if (control && !has_edit_signal(control)) edited(control);
}

void ChangeLabels::edited(QWidget* control) {
    if (std::find(edited_.begin(), edited_.end(), control) == edited_.end()) edited_.emplace_back(control);
}

QString ChangeLabels::take_label() {
    QString label;
    for (const QPointer<QWidget>& w : edited_)
        if (w) {
            label = label_of(w);
            break;
        }
    edited_.clear();
    return label;
}

void ChangeLabels::no_change() {
    edited_.erase(
        std::remove_if(edited_.begin(), edited_.end(), [](const QPointer<QWidget>& w) { return !w || !w->hasFocus(); }),
        edited_.end());
}

QString ChangeLabels::label_of(const QWidget* control) {
    if (!control) return QString();
    QString label = control->accessibleName();
    if (label.isEmpty()) {
        auto* button = qobject_cast<const QAbstractButton*>(control);
        if (!button) return QString();
        // The caption without its access-key mark ("&&" is a shown "&").
        label = button->text();
        label.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
        label.remove(QLatin1Char('&'));
        label.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    }
    // The arrow some prompt captions end in ("NO PAGES ------->") is no part
    // of the name.
    label = label.simplified();
    while (!label.isEmpty() && QStringLiteral(" ->:").contains(label.back())) label.chop(1);
    return label;
}
