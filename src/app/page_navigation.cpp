#include "page_navigation.h"

#include "form1.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

void PageNavigation::select_page(int page) {
    if (page < 0 || page >= 5) return;
    const auto page_widget = [this](int i) {
        return form_.control(QString::fromLatin1(Form1::kPageNames[static_cast<std::size_t>(i)]));
    };
    const auto show_in_front = [&](int i) {
        for (int b = 0; b < 5; ++b)
            if (QWidget* button =
                    form_.control(QString::fromLatin1(Form1::kTabButtonNames[static_cast<std::size_t>(b)])))
                button->setVisible(b != i);
        if (QWidget* back = form_.control(QStringLiteral("picTabBack"))) back->raise();
        if (QWidget* p = page_widget(i)) {
            p->show();
            p->raise();
        }
    };
    show_in_front(page);
    if (QWidget* p = page_widget(page)) p->setFocus(Qt::OtherFocusReason);
    // The focus leaving an entry box runs its check; a box that refuses its
    // value takes the focus back, and its page then stays in front.
    if (QWidget* focused = QApplication::focusWidget()) {
        for (int i = 0; i < 5; ++i) {
            QWidget* p = page_widget(i);
            if (i != page && p && p->isAncestorOf(focused)) {
                page = i;
                show_in_front(page);
                break;
            }
        }
    }
    current_page_ = page;
    // A page behind is hidden, not only covered: Tab and the arrow keys do not
    // reach its controls.
    for (int i = 0; i < 5; ++i)
        if (QWidget* p = page_widget(i); p && i != page) p->hide();
}

// Ctrl+Tab / Ctrl+PgDown the next page, Ctrl+Shift+Tab / Ctrl+PgUp the one
// before (round the end), Alt+1..Alt+5 a page by number.
bool PageNavigation::page_key(const QKeyEvent* key) {
    const Qt::KeyboardModifiers mods =
        key->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier);
    const int k = key->key();
    int page = -1;
    if (mods == Qt::ControlModifier && (k == Qt::Key_Tab || k == Qt::Key_PageDown)) page = current_page_ + 1;
    else if ((mods == (Qt::ControlModifier | Qt::ShiftModifier) && (k == Qt::Key_Tab || k == Qt::Key_Backtab)) ||
             (mods == Qt::ControlModifier && (k == Qt::Key_PageUp || k == Qt::Key_Backtab)))
        page = current_page_ + 4;
    else if (mods == Qt::AltModifier && k >= Qt::Key_1 && k <= Qt::Key_5) page = k - Qt::Key_1;
    else return false;
    select_page(page % 5);
    return true;
}

// A list changes with the wheel only while it has the focus; over the capcode
// rows the wheel scrolls the rows, one row per notch.
bool PageNavigation::wheel(QWidget* target, QWheelEvent* event) {
    auto* list = qobject_cast<QComboBox*>(target);
    if (list && list->hasFocus()) return false;
    QWidget* rows = form_.control(QStringLiteral("Picture2"));
    auto* bar = form_.ctl<QScrollBar>(QStringLiteral("VScroll1"));
    if (rows && bar && (target == rows || rows->isAncestorOf(target))) {
        wheel_rest_ += event->angleDelta().y();
        const int notches = wheel_rest_ / 120;
        wheel_rest_ -= notches * 120;
        const int row = std::max(1, static_cast<int>(std::lround(form_.cap_row_pitch)));
        if (notches != 0) bar->setValue(bar->value() - notches * row);
        event->accept();
        return true;
    }
    return list != nullptr; // a list without the focus lets the wheel pass by
}
