// The main window as the transfer dialog's host, on the simulated board.
#include "../board/sim_rig.h"

#include "default_image.h"
#include "editors.h"
#include "form1.h"
#include "form2.h"
#include "table_file.h"
#include "ui_seams.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

namespace {

class TransferWiring : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<Form1>();
        qrt58::editors::attach_editors(*form);
        form->app_path = folder.path();
        Form1::BoardHooks hooks;
        // As qrt58prog does, but running the dialog's operation without exec().
        hooks.show_transfer = [this](int mode) {
            Form2 dialog(rig.link, *form, mode, form.get());
            dialog.form_activate();
        };
        form->set_board_hooks(hooks);
        form->form_load();
        ASSERT_TRUE(rig.find());
        seams.boxes->clear();
    }
    qrt58::PagerTable eeprom() const {
        qrt58::PagerTable t;
        t.bytes = rig.sim_mem();
        return t;
    }

    qrt58::ScopedTestSeams seams;
    QTemporaryDir folder;
    qrt58::test::SimRig rig;
    std::unique_ptr<Form1> form;
};

TEST_F(TransferWiring, WriteNeedsWriteModeThenReadRefillsTheWindow) {
    form->image()[0x3B7] = 'W';
    form->pager_command(1); // Modify mode: refused by the dialog
    EXPECT_EQ(seams.boxes->texts(), QStringList{QStringLiteral("Modify Mode can not write! Please check!")});
    EXPECT_NE(eeprom()[0x3B7], 'W');

    seams.boxes->clear();
    form->ctl<QRadioButton>(QStringLiteral("WriteOpt"))->click();
    form->pager_command(1);
    EXPECT_TRUE(seams.boxes->texts().contains(QStringLiteral("Verify Success!")))
        << seams.boxes->texts().join('|').toStdString();
    const qrt58::PagerTable written = eeprom();
    EXPECT_EQ(written[0x3B7], 'W');

    // A different image in the window; Read brings the receiver's back and the
    // controls show it (range list, frequency, password).
    form->ctl<QRadioButton>(QStringLiteral("ModifyOpt"))->click();
    form->image() = qrt58::build_default_image();
    qrt58::apply_range_preset(form->image(), 2);
    seams.boxes->clear();
    form->pager_command(0);
    EXPECT_EQ(form->image(), written);
    EXPECT_EQ(form->ctl<QComboBox>(QStringLiteral("cboDft"))->currentIndex(), 0);
    EXPECT_EQ(form->ctl<QLineEdit>(QStringLiteral("txtFreq"))->text(), QStringLiteral("1530000"));
    EXPECT_EQ(form->ctl<QLineEdit>(QStringLiteral("txtPass1"))->text().left(1), QStringLiteral("W"));
    EXPECT_FALSE(form->suppressClick);
}

TEST_F(TransferWiring, HostAnswersFromTheWindow) {
    EXPECT_TRUE(form->modify_mode());
    form->ctl<QRadioButton>(QStringLiteral("WriteOpt"))->click();
    EXPECT_FALSE(form->modify_mode());
    EXPECT_FALSE(form->auto_increment_first());
    form->autoIncrementFirst = true;
    EXPECT_TRUE(form->auto_increment_first());
    EXPECT_EQ(form->first_pair_length_index(), form->ctl<QComboBox>(QStringLiteral("cboCapLen"), 0)->currentIndex());
    std::vector<std::string> calls;
    form->set_procedure("txt_to_tbl", [&](int slot) { calls.push_back("txt_to_tbl " + std::to_string(slot)); });
    form->set_procedure("read_dftaddr", [&] { calls.push_back("read_dftaddr"); });
    form->set_procedure("set_frame", [&] { calls.push_back("set_frame"); });
    form->set_first_capcode(QStringLiteral("1234568"));
    EXPECT_EQ(form->first_capcode_text(), QStringLiteral("1234568"));
    EXPECT_EQ(calls, (std::vector<std::string>{"txt_to_tbl 0", "read_dftaddr", "set_frame"}));
}

TEST_F(TransferWiring, OptionsMenuOpensTheLineDelaySetting) {
    int opened = 0;
    Form1::BoardHooks hooks;
    hooks.edit_line_delay = [&] { ++opened; };
    form->set_board_hooks(hooks);
    QAction* item = form->findChild<QAction*>(QStringLiteral("mnuLineDelay"));
    ASSERT_NE(item, nullptr);
    item->trigger();
    EXPECT_EQ(opened, 1);
}

TEST_F(TransferWiring, OptionsMenuOpensTheBoardChoice) {
    int opened = 0;
    Form1::BoardHooks hooks;
    hooks.choose_board = [&] { ++opened; };
    form->set_board_hooks(hooks);
    QAction* item = form->findChild<QAction*>(QStringLiteral("mnuBoard"));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), QStringLiteral("Board..."));
    item->trigger();
    EXPECT_EQ(opened, 1);
}

TEST_F(TransferWiring, MenusOpenTheJobStationAndTheRegistryChoice) {
    int jobs = 0, registries = 0;
    Form1::BoardHooks hooks;
    auto* timer = form->findChild<QTimer*>(QStringLiteral("Timer1"));
    ASSERT_NE(timer, nullptr);
    ASSERT_TRUE(timer->isActive());
    // The station drives the window's board from its workers: no keep-alive meanwhile.
    hooks.job_station = [&] { jobs += timer->isActive() ? 100 : 1; };
    hooks.choose_registry = [&] { ++registries; };
    form->set_board_hooks(hooks);
    QAction* job = form->findChild<QAction*>(QStringLiteral("mnuJob"));
    QAction* registry = form->findChild<QAction*>(QStringLiteral("mnuRegistry"));
    ASSERT_NE(job, nullptr);
    ASSERT_NE(registry, nullptr);
    EXPECT_EQ(job->text(), QStringLiteral("Job Station..."));
    EXPECT_EQ(registry->text(), QStringLiteral("Registry..."));
    job->trigger();
    registry->trigger();
    EXPECT_EQ(jobs, 1);
    EXPECT_EQ(registries, 1);
    EXPECT_TRUE(timer->isActive());
}

TEST_F(TransferWiring, RejectedFrequencyCancelsTheCommandOnce) {
    int opened = 0;
    Form1::BoardHooks hooks;
    hooks.show_transfer = [&](int) { ++opened; };
    form->set_board_hooks(hooks);
    form->show();
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));

    auto* freq = form->ctl<QLineEdit>(QStringLiteral("txtFreq"));
    freq->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(freq, QStringLiteral("1290000"));
    seams.boxes->clear();
    form->pager_command(0);
    EXPECT_EQ(opened, 0);
    ASSERT_EQ(seams.boxes->entries.size(), 1u);
    EXPECT_TRUE(seams.boxes->entries[0].text.startsWith(QStringLiteral("Frequency setting error(")));
    EXPECT_TRUE(freq->hasFocus());
    EXPECT_FALSE(form->entryErrorPending);

    QTest::keyClicks(freq, QStringLiteral("1530000"));
    form->pager_command(0);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(seams.boxes->entries.size(), 1u);
    form->hide();
}

} // namespace

namespace {

class WindowCommands : public TransferWiring {
protected:
    void show() {
        form->show();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
};

TEST_F(WindowCommands, APagerCommandArrivingDuringOneDoesNotRunInsideIt) {
    int opened = 0, nested = 0, depth = 0;
    bool timer_ran = false;
    Form1::BoardHooks hooks;
    hooks.keep_alive = [&] { timer_ran = depth > 0 || timer_ran; };
    hooks.show_transfer = [&](int) {
        ++opened;
        ++depth;
        if (depth > 1) ++nested;
        // A key press queued while the dialog runs (F4 again, the space bar in
        // Write mode) reaches the window while the transfer lets events run.
        form->pager_command(1);
        QTest::qWait(120); // longer than two ticks of the keep-alive timer
        --depth;
    };
    form->set_board_hooks(hooks);
    show();
    form->pager_command(0);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(nested, 0);
    EXPECT_FALSE(timer_ran) << "the keep-alive timer ran while the dialog was open";
    form->pager_command(2); // and the next command runs normally
    EXPECT_EQ(opened, 2);
    form->hide();
}

TEST_F(WindowCommands, SaveTakesTheTypedValueFirstAndARefusedOneCancelsIt) {
    show();
    const QString file = folder.filePath(QStringLiteral("saved.tbl"));
    auto* freq = form->ctl<QLineEdit>(QStringLiteral("txtFreq"));
    freq->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(freq, QStringLiteral("1370000"));
    seams.dialogs->answers = {file};
    form->mnuSA_Click(); // Ctrl+A while the box still has the focus
    qrt58::PagerTable saved;
    ASSERT_EQ(qrt58::load_table_file(file, saved).status, qrt58::LoadStatus::Ok);
    EXPECT_EQ(saved.get_u32(0xF4), 1370000u);

    // An out-of-range value: its message, the focus back in the box, no save.
    const QByteArray before = [&] {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    freq->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(freq, QStringLiteral("1290000"));
    seams.boxes->clear();
    form->mnuSBTF_Click(); // File > Save onto the same file
    ASSERT_EQ(seams.boxes->entries.size(), 1u);
    EXPECT_TRUE(seams.boxes->entries[0].text.startsWith(QStringLiteral("Frequency setting error(")));
    EXPECT_TRUE(freq->hasFocus());
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    form->hide();
}

TEST(WindowStartUp, AFolderNamedDefaultTblIsNoDefaultFile) {
    qrt58::ScopedTestSeams seams;
    QTemporaryDir folder;
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("default.tbl")));
    Form1 form;
    qrt58::editors::attach_editors(form);
    form.app_path = folder.path();
    form.form_load();
    EXPECT_TRUE(seams.boxes->entries.empty()) << seams.boxes->texts().join('|').toStdString();
    EXPECT_EQ(form.image(), qrt58::build_default_image());
}

} // namespace
