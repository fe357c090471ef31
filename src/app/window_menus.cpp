#include "window_menus.h"

#include "file_commands.h"
#include "form1.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>

#include <functional>
#include <vector>

void WindowMenus::build_menus() {
    struct Item {
        const char* caption;
        const char* name;
        QList<QKeySequence> keys;
        std::function<void()> handler;
    };
    auto add_menu = [this](const char* caption, const char* name, const std::vector<Item>& items) {
        // The first letter of each title opens its menu with Alt.
        QMenu* menu = form_.menuBar()->addMenu(QLatin1Char('&') + QString::fromLatin1(caption));
        menu->setObjectName(QString::fromLatin1(name));
        for (const Item& it : items) {
            QAction* a = nullptr;
            if (!it.caption) {
                a = menu->addSeparator();
            } else if (!it.handler) {
                // A submenu (File > Open Recent), filled as it opens.
                QMenu* sub = menu->addMenu(QString::fromLatin1(it.caption));
                sub->setObjectName(QString::fromLatin1(it.name) + QStringLiteral("Menu"));
                form_.files_->set_recent_menu(sub);
                QObject::connect(sub, &QMenu::aboutToShow, &form_, [this] { form_.files_->rebuild_recent_menu(); });
                a = sub->menuAction();
            } else {
                a = menu->addAction(QString::fromLatin1(it.caption));
                a->setShortcuts(it.keys);
                a->setShortcutContext(Qt::WindowShortcut);
                auto handler = it.handler;
                QObject::connect(a, &QAction::triggered, &form_, [handler] { handler(); });
            }
            a->setObjectName(QString::fromLatin1(it.name));
            a->setProperty("Tag", QString());
            form_.actions_.push_back(a);
        }
    };
    add_menu("File", "mnuFile",
             {{"Open", "mnuLBFF", {QKeySequence(Qt::CTRL | Qt::Key_O)}, [this] { form_.mnuLBFF_Click(); }},
              {"Open Recent", "mnuRecent", {}, {}},
              {"Save", "mnuSBTF", {QKeySequence(Qt::CTRL | Qt::Key_S)}, [this] { form_.mnuSBTF_Click(); }},
              {"Save As...",
               "mnuSA",
               {QKeySequence(Qt::CTRL | Qt::Key_A), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
               [this] { form_.mnuSA_Click(); }},
              {nullptr, "mnudash", {}, {}},
              {"Exit", "mnuExit", {QKeySequence(Qt::CTRL | Qt::Key_E), QKeySequence(Qt::CTRL | Qt::Key_Q)}, [this] {
                   form_.mnuExit_Click();
               }}});
    add_menu("Edit", "mnuEdit",
             {{"Undo", "mnuUndo", {QKeySequence(Qt::CTRL | Qt::Key_Z)}, [this] { form_.undo(); }},
              {"Redo",
               "mnuRedo",
               {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
               [this] { form_.redo(); }}});
    add_menu("Pager", "mnuPager",
             {{"Read", "mnuEntire", {QKeySequence(Qt::Key_F3)}, [this] { form_.pager_command(0); }},
              {"Write", "mnuEB", {QKeySequence(Qt::Key_F4)}, [this] { form_.pager_command(1); }},
              {"Verfy", "mnuEB1", {QKeySequence(Qt::Key_F9)}, [this] { form_.pager_command(2); }},
              {nullptr, "mnuJobDash", {}, {}},
              {"Job Station...", "mnuJob", {}, [this] { form_.job_station_command(); }}});
    add_menu("Options", "mnuOptions",
             {{"Line Delay...",
               "mnuLineDelay",
               {},
               [this] {
                   if (form_.board_.edit_line_delay) form_.board_.edit_line_delay();
               }},
              {"Board...",
               "mnuBoard",
               {},
               [this] {
                   if (form_.board_.choose_board) form_.board_.choose_board();
               }},
              {"Registry...", "mnuRegistry", {}, [this] {
                   if (form_.board_.choose_registry) form_.board_.choose_registry();
               }}});
    add_menu("Help", "mnuHelp", {{"About", "mnuAbout", {}, [this] { form_.mnuAbout_Click(); }}});
    form_.files_->rebuild_recent_menu();
    form_.menus_->update_edit_actions();
    // F10 opens the menu bar, as on the usual Linux desktops.
    auto* f10 = new QAction(&form_);
    f10->setObjectName(QStringLiteral("menuBarKey"));
    f10->setShortcut(QKeySequence(Qt::Key_F10));
    f10->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(f10, &QAction::triggered, &form_, [this] {
        if (!form_.menuBar()->actions().isEmpty()) {
            form_.menuBar()->setFocus(Qt::ShortcutFocusReason);
            form_.menuBar()->setActiveAction(form_.menuBar()->actions().first());
        }
    });
    form_.addAction(f10);
}

void WindowMenus::update_edit_actions() {
    // Nothing is edited in Write mode, nor taken back.
    const bool editing = !form_.write_mode();
    const Document& doc = form_.document();
    // Named for their steps: "Undo Capcode 3" (an "&" of a name is shown).
    const auto text = [](const char* verb, QString label) {
        if (label.isEmpty()) return QString::fromLatin1(verb);
        return QString::fromLatin1(verb) + QLatin1Char(' ') + label.replace(QLatin1Char('&'), QStringLiteral("&&"));
    };
    for (QAction* a : form_.actions_) {
        if (a->objectName() == QLatin1String("mnuUndo")) {
            a->setEnabled(editing && doc.can_undo());
            a->setText(text("Undo", doc.undo_label()));
        } else if (a->objectName() == QLatin1String("mnuRedo")) {
            a->setEnabled(editing && doc.can_redo());
            a->setText(text("Redo", doc.redo_label()));
        }
    }
}

bool WindowMenus::is_menu_shortcut(const QKeyEvent* key) const {
    const QKeySequence seq(key->keyCombination());
    for (QAction* a : form_.actions_)
        if (a->shortcuts().contains(seq)) return true;
    return false;
}

bool WindowMenus::takes_key(QWidget* target, const QKeyEvent* key) const {
    // The menu keys win over a text box's own use of them, except Ctrl+A,
    // which selects all in an editable box, and the undo keys while the
    // box has typing of its own to undo.
    if (auto* edit = qobject_cast<QLineEdit*>(target); edit && !edit->isReadOnly()) {
        if (key->matches(QKeySequence::SelectAll)) return false;
        if (key->matches(QKeySequence::Undo) && edit->isUndoAvailable()) return false;
        if (key->matches(QKeySequence::Redo) && edit->isRedoAvailable()) return false;
    }
    return is_menu_shortcut(key);
}
