// The document behind the window: the modified mark, the save question on
// close, Exit, Open and Read, Read making the receiver's image the document,
// undo and redo across pages, boxes left without typing, the file commands and
// the window's production station keeping each raised capcode in its file.
#include "../board/sim_rig.h"

#include "capcode.h"
#include "default_image.h"
#include "document.h"
#include "editors.h"
#include "field_tag.h"
#include "form1.h"
#include "form2.h"
#include "frm_about.h"
#include "production_log.h"
#include "table_file.h"
#include "transfer.h"
#include "ui_seams.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <random>

namespace {

using qrt58::PagerTable;
using qrt58::SaveAnswer;

// Random commits, undos, redos, saves and absorbs against a plain model: a
// list of states, the position in it and the saved state.
TEST(DocumentHistory, FollowsAModelThroughRandomSequences) {
    std::mt19937 rng(18);
    for (int run = 0; run < 40; ++run) {
        Document doc;
        PagerTable start = qrt58::build_default_image();
        doc.reset(start, Document::Origin::File, "a.tbl", "a.tbl");
        std::vector<PagerTable> states{start};
        std::size_t at = 0;
        PagerTable clean = start;
        for (int step = 0; step < 60; ++step) {
            switch (rng() % 5) {
            case 0:
            case 1: { // a committed change (or none: the same image)
                PagerTable next = states[at];
                if (rng() % 4) next[static_cast<int>(rng() % 2048)] ^= static_cast<std::uint8_t>(1 + rng() % 255);
                const bool changed = next != states[at];
                EXPECT_EQ(doc.commit(next), changed);
                if (changed) {
                    states.resize(at + 1);
                    states.push_back(next);
                    ++at;
                }
                break;
            }
            case 2:
                EXPECT_EQ(doc.can_undo(), at > 0);
                if (at > 0) --at;
                EXPECT_EQ(doc.undo(), states[at]);
                break;
            case 3:
                EXPECT_EQ(doc.can_redo(), at + 1 < states.size());
                if (at + 1 < states.size()) ++at;
                EXPECT_EQ(doc.redo(), states[at]);
                break;
            case 4:
                doc.saved(states[at], "b.tbl");
                clean = states[at];
                EXPECT_EQ(doc.save_path(), QStringLiteral("b.tbl"));
                break;
            }
            EXPECT_EQ(doc.current(), states[at]);
            EXPECT_EQ(doc.modified(), states[at] != clean);
        }
    }
    // Absorbing a transfer's bytes keeps a saved document saved and adds no step.
    Document doc;
    PagerTable image = qrt58::build_default_image();
    doc.reset(image, Document::Origin::File, "a.tbl", "a.tbl");
    doc.absorb(qrt58::stamped_for_write(image));
    EXPECT_FALSE(doc.modified());
    EXPECT_FALSE(doc.can_undo());
    EXPECT_EQ(doc.display_name(), QStringLiteral("a.tbl"));
    doc.reset(image, Document::Origin::Receiver, QString());
    EXPECT_EQ(doc.display_name(), QStringLiteral("the image read from the receiver"));
}

class DocumentWindow : public ::testing::Test {
protected:
    void SetUp() override {
        settings = std::make_unique<QSettings>(folder.filePath("settings.ini"), QSettings::IniFormat);
        make();
    }
    void make(const QString& start_file = QString()) {
        form = std::make_unique<Form1>();
        qrt58::editors::attach_editors(*form);
        form->app_path = folder.path();
        form->data_path = folder.filePath("data");
        form->start_file = start_file;
        form->set_settings(settings.get());
        Form1::BoardHooks hooks;
        hooks.show_transfer = [this](int mode) {
            Form2 dialog(rig.link, *form, mode, form.get());
            dialog.form_activate();
            if (station) station(dialog);
        };
        form->set_board_hooks(hooks);
        form->form_load();
        form->show();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        ASSERT_TRUE(rig.find());
        seams.boxes->clear();
    }
    QString file(const QString& name) const { return folder.filePath(name); }
    // A file holding the default image, opened.
    void open_new(const QString& name) {
        ASSERT_TRUE(qrt58::save_table_file(file(name), qrt58::build_default_image()).ok);
        seams.dialogs->answers = {file(name)};
        form->mnuLBFF_Click();
        ASSERT_EQ(form->document().save_path(), file(name));
        seams.boxes->clear();
    }
    // A change through a control, as the user makes it: a click on a check box.
    QCheckBox* click_box(int page, int nth = 0) {
        form->select_page(page);
        QWidget* page_widget = form->control(QString::fromLatin1(Form1::kPageNames[static_cast<std::size_t>(page)]));
        int seen = 0;
        for (QWidget* w : form->controls()) {
            auto* box = qobject_cast<QCheckBox*>(w);
            if (!box || !page_widget->isAncestorOf(box) || !box->isVisibleTo(page_widget) || !box->isEnabled() ||
                box->property("ctlName").toString() != QLatin1String("chkCtl") ||
                !qrt58::parse_field_tag(box->property("Tag").toString().toStdString()))
                continue;
            if (seen++ < nth) continue;
            QTest::mouseClick(box, Qt::LeftButton);
            QApplication::processEvents(); // the change check after the click
            return box;
        }
        ADD_FAILURE() << "no check box on page " << page;
        return nullptr;
    }
    PagerTable eeprom() const {
        PagerTable t;
        t.bytes = rig.sim_mem();
        return t;
    }
    PagerTable on_disk(const QString& name) const {
        PagerTable t;
        EXPECT_EQ(qrt58::load_table_file(file(name), t).status, qrt58::LoadStatus::Ok);
        return t;
    }

    QTemporaryDir folder;
    qrt58::ScopedTestSeams seams;
    std::unique_ptr<QSettings> settings;
    qrt58::test::SimRig rig;
    std::unique_ptr<Form1> form;
    std::function<void(Form2&)> station;
};

TEST_F(DocumentWindow, TheMarkAndTheSaveQuestionOnCloseExitOpenAndRead) {
    enum class Action { Close, Exit, Open, Read };
    for (Action action : {Action::Close, Action::Exit, Action::Open, Action::Read}) {
        for (SaveAnswer answer : {SaveAnswer::Cancel, SaveAnswer::Discard, SaveAnswer::Save}) {
            SCOPED_TRACE(static_cast<int>(action) * 10 + static_cast<int>(answer));
            make();
            open_new("a.tbl");
            EXPECT_FALSE(form->isWindowModified());
            EXPECT_TRUE(form->windowTitle().endsWith(QStringLiteral("[*]")));
            click_box(0);
            EXPECT_TRUE(form->isWindowModified());
            const PagerTable edited = form->image();
            // The receiver holds something else, another file waits to be opened.
            PagerTable other = qrt58::build_default_image();
            other[0x3B7] = 'R';
            std::copy(other.bytes.begin(), other.bytes.end(), rig.sim.eeprom().memory.begin());
            std::copy(other.bytes.begin(), other.bytes.end(), rig.sim.eeprom().memory.begin());
            const PagerTable receiver = qrt58::stamped_for_write(other);
            std::copy(receiver.bytes.begin(), receiver.bytes.end(), rig.sim.eeprom().memory.begin());
            ASSERT_TRUE(qrt58::save_table_file(file("b.tbl"), other).ok);

            seams.boxes->save_answers = {answer};
            seams.dialogs->answers = {file("b.tbl")};
            bool closed = false;
            switch (action) {
            case Action::Close: closed = form->close(); break;
            case Action::Exit:
                form->mnuExit_Click();
                closed = !form->isVisible();
                break;
            case Action::Open: form->mnuLBFF_Click(); break;
            case Action::Read: form->pager_command(0); break;
            }
            ASSERT_FALSE(seams.boxes->entries.empty());
            EXPECT_EQ(seams.boxes->entries[0].text, QStringLiteral("Save changes to a.tbl?"));
            EXPECT_TRUE(seams.boxes->entries[0].question);
            const bool went_on = answer != SaveAnswer::Cancel;
            EXPECT_EQ(on_disk("a.tbl") == edited, answer == SaveAnswer::Save);
            if (action == Action::Close || action == Action::Exit) {
                EXPECT_EQ(closed, went_on);
                if (!went_on) {
                    EXPECT_EQ(form->image(), edited);
                }
            } else if (!went_on) {
                EXPECT_EQ(form->image(), edited);
                EXPECT_TRUE(form->isWindowModified());
                EXPECT_EQ(seams.dialogs->answers.size(), 1u); // no file dialog either
            } else {
                EXPECT_EQ(form->image()[0x3B7], 'R');
                EXPECT_FALSE(form->isWindowModified());
                EXPECT_FALSE(form->document().can_undo()); // a new history
            }
            form->hide();
        }
    }
}

TEST_F(DocumentWindow, AfterAReadSaveAsksForANameAndNeverWritesTheOldFile) {
    open_new("a.tbl");
    PagerTable other = qrt58::build_default_image();
    other[0x3B7] = 'R';
    const PagerTable receiver = qrt58::stamped_for_write(other);
    std::copy(receiver.bytes.begin(), receiver.bytes.end(), rig.sim.eeprom().memory.begin());
    form->pager_command(0);
    ASSERT_EQ(seams.boxes->texts(), QStringList{QStringLiteral("Read success!")});
    seams.boxes->clear();
    ASSERT_EQ(form->image()[0x3B7], 'R');
    EXPECT_TRUE(form->windowTitle().contains(QStringLiteral("[read from the receiver]")));
    EXPECT_TRUE(form->document().save_path().isEmpty());

    // Ctrl+S asks for a name; cancelled, nothing is written.
    QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(on_disk("a.tbl"), qrt58::build_default_image());
    EXPECT_TRUE(form->windowTitle().contains(QStringLiteral("[read from the receiver]")));
    // Named without a suffix: the table suffix is added.
    seams.dialogs->answers = {file("receiver")};
    form->mnuSBTF_Click();
    EXPECT_EQ(on_disk("receiver.tbl")[0x3B7], 'R');
    EXPECT_EQ(on_disk("a.tbl"), qrt58::build_default_image());
    EXPECT_EQ(form->document().save_path(), file("receiver.tbl"));
    EXPECT_TRUE(form->windowTitle().contains(file("receiver.tbl")));
    EXPECT_TRUE(seams.boxes->entries.empty());
}

TEST_F(DocumentWindow, UndoAndRedoStepThroughChangesOnTwoPages) {
    open_new("a.tbl");
    const PagerTable original = form->image();
    QCheckBox* first = click_box(0);
    const PagerTable after_first = form->image();
    QCheckBox* second = click_box(1);
    const PagerTable after_second = form->image();
    ASSERT_NE(original, after_first);
    ASSERT_NE(after_first, after_second);
    const bool first_state = first->isChecked(), second_state = second->isChecked();

    QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(form->image(), after_first);
    EXPECT_EQ(second->isChecked(), !second_state); // the controls follow the image
    QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(form->image(), original);
    EXPECT_EQ(first->isChecked(), !first_state);
    EXPECT_FALSE(form->isWindowModified());                      // back at the saved state
    QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier); // nothing more to undo
    EXPECT_EQ(form->image(), original);

    QTest::keyClick(form.get(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(form->image(), after_first);
    QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(form->image(), after_second);
    EXPECT_EQ(second->isChecked(), second_state);
    EXPECT_TRUE(form->isWindowModified());

    // A new change after an undo ends the redo.
    form->undo();
    click_box(0, 1);
    auto* redo = form->findChild<QAction*>(QStringLiteral("mnuRedo"));
    ASSERT_NE(redo, nullptr);
    EXPECT_FALSE(redo->isEnabled());
    EXPECT_TRUE(seams.boxes->entries.empty());
}

TEST_F(DocumentWindow, TabbingThroughTheFirstPageChangesAndAsksNothing) {
    form->select_page(0);
    const PagerTable before = form->image();
    std::map<QWidget*, QString> texts;
    for (QWidget* w : form->controls())
        if (auto* box = qobject_cast<QLineEdit*>(w)) texts[box] = box->text();
    auto* freq = form->ctl<QLineEdit>(QStringLiteral("txtFreq"));
    freq->setFocus(Qt::TabFocusReason);
    std::set<QWidget*> visited;
    for (int i = 0; i < 120; ++i) {
        QWidget* now = QApplication::focusWidget();
        ASSERT_NE(now, nullptr);
        visited.insert(now);
        QTest::keyClick(now, Qt::Key_Tab);
    }
    EXPECT_TRUE(seams.boxes->entries.empty()) << seams.boxes->texts().join('|').toStdString();
    EXPECT_EQ(form->image(), before);
    for (const auto& [box, text] : texts)
        EXPECT_EQ(static_cast<QLineEdit*>(box)->text(), text) << box->objectName().toStdString();
    int boxes_visited = 0;
    for (QWidget* w : visited) boxes_visited += qobject_cast<QLineEdit*>(w) != nullptr;
    EXPECT_GE(boxes_visited, 3); // the frequency, capcode and password boxes
    EXPECT_FALSE(form->isWindowModified());

    // What the user types is still checked, with the same message.
    freq->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(freq, QStringLiteral("1"));
    QTest::keyClick(freq, Qt::Key_Tab);
    EXPECT_EQ(seams.boxes->entries.size(), 1u);
}

TEST_F(DocumentWindow, SuffixFilterRecentFilesStartFileDefaultTableAndIcons) {
    // File > Save with no file opened writes the default table and says so.
    click_box(0);
    form->mnuSBTF_Click();
    EXPECT_TRUE(QFileInfo(file("data/default.tbl")).isFile());
    EXPECT_TRUE(form->status_text().contains(QStringLiteral("default table")));
    EXPECT_FALSE(form->isWindowModified());

    seams.dialogs->answers = {file("named")};
    form->mnuSA_Click();
    EXPECT_TRUE(QFileInfo(file("named.tbl")).isFile());
    seams.dialogs->answers = {};
    form->mnuLBFF_Click();
    EXPECT_EQ(seams.dialogs->last_filter, QStringLiteral("Table files (*.tbl);;All files (*)"));

    // Eight recent files, newest first; a missing one is dropped.
    for (int i = 0; i < 9; ++i) {
        seams.dialogs->answers = {file(QStringLiteral("r%1.tbl").arg(i))};
        form->mnuSA_Click();
    }
    QStringList recent = form->recent_files();
    ASSERT_EQ(recent.size(), 8);
    EXPECT_EQ(recent.first(), file("r8.tbl"));
    EXPECT_FALSE(recent.contains(file("named.tbl")));
    QFile::remove(file("r7.tbl"));
    recent = form->recent_files();
    EXPECT_EQ(recent.size(), 7);
    EXPECT_FALSE(recent.contains(file("r7.tbl")));
    auto* menu = form->findChild<QMenu*>(QStringLiteral("mnuRecentMenu"));
    ASSERT_NE(menu, nullptr);
    emit menu->aboutToShow();
    EXPECT_EQ(menu->actions().size(), 7);
    form->open_recent(file("r3.tbl"));
    EXPECT_EQ(form->document().save_path(), file("r3.tbl"));
    EXPECT_EQ(form->recent_files().first(), file("r3.tbl"));

    // qrt58prog FILE opens it instead of the default table.
    PagerTable marked = qrt58::build_default_image();
    marked[0x3B7] = 'F';
    ASSERT_TRUE(qrt58::save_table_file(file("start.tbl"), marked).ok);
    make(file("start.tbl"));
    EXPECT_EQ(form->image()[0x3B7], 'F');
    EXPECT_EQ(form->document().save_path(), file("start.tbl"));
    EXPECT_FALSE(form->windowIcon().isNull());
    frmAbout about;
    EXPECT_FALSE(form->windowIcon().pixmap(32).isNull());
    // Drawn from the SVG (the SVG icon engine), at any size: the display's
    // green, the dark capcode marks on it, transparent corners.
    for (int size : {64, 256}) {
        const QImage picture = form->windowIcon().pixmap(size).toImage();
        ASSERT_EQ(picture.width(), size);
        const auto at = [&](int x, int y) { return picture.pixelColor(x * size / 64, y * size / 64); };
        EXPECT_GT(at(40, 22).green(), 200) << size;
        EXPECT_LT(at(40, 22).blue(), at(40, 22).green()) << size;
        EXPECT_LT(at(15, 27).green(), 100) << size;
        EXPECT_EQ(at(1, 1).alpha(), 0) << size;
    }
}

TEST_F(DocumentWindow, AMissingStartFileIsTheDocumentAndTheDefaultTableIsLeftAlone) {
    // A site default in the data folder, and a file named that does not exist yet.
    QDir().mkpath(file("data"));
    PagerTable site = qrt58::build_default_image();
    site[0x3B7] = 'S';
    ASSERT_TRUE(qrt58::save_table_file(file("data/default.tbl"), site).ok);
    QDir().mkpath(file("orders"));
    const QString missing = file("orders/missing.tbl");
    const auto start = [&](const QString& path) {
        seams.boxes->clear();
        form = std::make_unique<Form1>();
        qrt58::editors::attach_editors(*form);
        form->app_path = folder.path();
        form->data_path = file("data");
        form->start_file = path;
        form->set_settings(settings.get());
        form->form_load();
        form->show();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    };
    start(missing);
    EXPECT_EQ(seams.boxes->texts(), QStringList{QStringLiteral("This file is not exit!")});
    seams.boxes->clear();
    EXPECT_EQ(form->document().save_path(), missing);
    EXPECT_TRUE(form->windowTitle().contains(missing));
    EXPECT_EQ(form->image()[0x3B7], 'S'); // the default table's content, in the new file
    // The Open dialog starts where the file was named.
    seams.dialogs->answers = {QString()};
    form->mnuLBFF_Click();
    EXPECT_EQ(seams.dialogs->last_start_folder, file("orders"));
    // Ctrl+S creates the file; the default table keeps its bytes.
    click_box(0);
    QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(on_disk("orders/missing.tbl"), form->image());
    EXPECT_EQ(on_disk("data/default.tbl"), site);
    EXPECT_FALSE(form->isWindowModified());
    EXPECT_TRUE(seams.boxes->entries.empty()) << seams.boxes->texts().join('|').toStdString();

    // A name that is a folder is no document: the default table is.
    start(file("orders"));
    EXPECT_EQ(seams.boxes->texts(), QStringList{QStringLiteral("This file is not exit!")});
    EXPECT_EQ(form->document().origin(), Document::Origin::Default);
    EXPECT_EQ(form->image()[0x3B7], 'S');
}

TEST_F(DocumentWindow, NoUndoInWriteModeAndTheWriteStampIsNoStep) {
    open_new("a.tbl");
    auto* undo = form->findChild<QAction*>(QStringLiteral("mnuUndo"));
    auto* redo = form->findChild<QAction*>(QStringLiteral("mnuRedo"));
    ASSERT_TRUE(undo && redo);
    const PagerTable original = form->image();
    click_box(0);
    const PagerTable changed = form->image();
    click_box(1);
    form->undo(); // one step to redo as well
    ASSERT_EQ(form->image(), changed);
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_TRUE(redo->isEnabled());
    form->ctl<QRadioButton>(QStringLiteral("WriteOpt"))->click();
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());
    QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(form->image(), changed);

    // Write, with the change check running while the dialog is open (the
    // release of the key that started it arrives meanwhile).
    station = [&](Form2&) {
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QApplication::sendEvent(form.get(), &release);
        QApplication::processEvents();
    };
    form->pager_command(1);
    ASSERT_EQ(seams.boxes->texts(), QStringList{QStringLiteral("Verify Success!")});
    const PagerTable stamped = form->image();
    ASSERT_EQ(stamped, qrt58::stamped_for_write(changed));
    QApplication::processEvents();
    form->ctl<QRadioButton>(QStringLiteral("ModifyOpt"))->click();
    EXPECT_TRUE(undo->isEnabled());
    // The first Undo takes back the user's change, not the stamp.
    form->undo();
    EXPECT_EQ(form->image(), original);
    EXPECT_FALSE(form->document().can_undo());
    form->redo();
    EXPECT_EQ(form->image(), stamped);
}

TEST_F(DocumentWindow, RecentFilesOfOneNameShowTheirFolders) {
    for (const char* sub : {"north", "south", "a&b"}) QDir().mkpath(file(sub));
    for (const QString& name : {file("north/order.tbl"), file("south/order.tbl"), file("a&b/only.tbl")}) {
        seams.dialogs->answers = {name};
        form->mnuSA_Click();
    }
    auto* menu = form->findChild<QMenu*>(QStringLiteral("mnuRecentMenu"));
    ASSERT_NE(menu, nullptr);
    emit menu->aboutToShow();
    QStringList texts;
    for (QAction* a : menu->actions()) texts << a->text();
    ASSERT_EQ(texts.size(), 3);
    EXPECT_EQ(texts[0], QStringLiteral("&1 only.tbl"));
    EXPECT_TRUE(texts[1].startsWith(QStringLiteral("&2 order.tbl (")));
    EXPECT_TRUE(texts[1].contains(QDir::toNativeSeparators(file("south")).section('/', -2)));
    EXPECT_TRUE(texts[2].contains(QStringLiteral("north)")));
    EXPECT_NE(texts[1].mid(3), texts[2].mid(3));
}

TEST_F(DocumentWindow, StatusNoticesStopShortOfTheBoardLabel) {
    form->set_board_status(QStringLiteral("Simulated receiver %1 \u2014 answered").arg(file("sim-eeprom.bin")));
    const QString notice = QStringLiteral("Saved the default table %1; it is loaded at the next start")
                               .arg(file("a/rather/long/folder/name/to/show/default.tbl"));
    form->show_status(notice);
    QApplication::processEvents();
    auto* label = form->findChild<QLabel*>(QStringLiteral("lblNotice"));
    auto* board = form->findChild<QLabel*>(QStringLiteral("lblBoardStatus"));
    ASSERT_TRUE(label && board);
    EXPECT_EQ(form->status_text(), notice);
    EXPECT_LE(label->geometry().right(), board->geometry().left());
    EXPECT_TRUE(board->width() >= board->sizeHint().width()); // the board's text is whole
    EXPECT_EQ(label->toolTip(), notice);
    // A short notice is not cut and needs no tool tip.
    form->show_status(QStringLiteral("Saved"));
    EXPECT_TRUE(label->toolTip().isEmpty());
}

TEST_F(DocumentWindow, TheStationKeepsTheRaisedCapcodeInTheOpenFile) {
    open_new("run.tbl");
    form->ctl<QRadioButton>(QStringLiteral("WriteOpt"))->click();
    form->autoIncrementFirst = true;
    const QString first = form->first_capcode_text();
    int presses = 0;
    station = [&](Form2& d) {
        ASSERT_TRUE(d.station());
        for (int i = 0; i < presses; ++i) d.cmdWrite_Click();
        d.close(); // between receivers
    };
    const auto file_capcode = [&](const QString& name) {
        const PagerTable t = on_disk(name);
        return QString::fromStdString(
            qrt58::decode_capcode(qrt58::capcode_word(t, 0), qrt58::capcode_word(t, 1), false).text);
    };
    presses = 2;
    form->pager_command(1);
    const qulonglong start = first.toULongLong();
    EXPECT_EQ(file_capcode("run.tbl").toULongLong(), start + 2);
    EXPECT_EQ(form->first_capcode_text().toULongLong(), start + 2);
    EXPECT_FALSE(form->isWindowModified());
    EXPECT_TRUE(seams.boxes->entries.empty()) << seams.boxes->texts().join('|').toStdString();

    // No file open (a read from the receiver): the station asks for one.
    form->ctl<QRadioButton>(QStringLiteral("ModifyOpt"))->click();
    station = nullptr;
    form->pager_command(0);
    ASSERT_TRUE(form->document().save_path().isEmpty());
    form->ctl<QRadioButton>(QStringLiteral("WriteOpt"))->click();
    station = [&](Form2& d) {
        ASSERT_TRUE(d.station());
        d.cmdWrite_Click();
        d.close();
    };
    const qulonglong read_start = form->first_capcode_text().toULongLong();
    seams.dialogs->answers = {file("named-run")};
    form->pager_command(1);
    EXPECT_EQ(form->document().save_path(), file("named-run.tbl"));
    // The receiver read back holds the capcode programmed last: the registry
    // refuses it for the next receiver, and the file keeps it.
    EXPECT_EQ(read_start, start + 1);
    EXPECT_EQ(file_capcode("named-run.tbl").toULongLong(), read_start);
    EXPECT_TRUE(seams.boxes->texts().join('|').contains(QStringLiteral("was programmed ok on")))
        << seams.boxes->texts().join('|').toStdString();

    // Raised past it, the station programs the next receiver.
    form->ctl<QRadioButton>(QStringLiteral("ModifyOpt"))->click();
    form->set_first_capcode(QString::number(read_start + 1));
    form->ctl<QRadioButton>(QStringLiteral("WriteOpt"))->click();
    form->pager_command(1);
    EXPECT_EQ(file_capcode("named-run.tbl").toULongLong(), read_start + 2);
}

} // namespace
