// Form2 on the simulated board with a fake main window.
#include "sim_rig.h"

#include "board.h"
#include "capcode.h"
#include "default_image.h"
#include "form2.h"
#include "line_delay_dialog.h"
#include "registry_location.h"
#include "table_file.h"
#include "transfer.h"
#include "ui_seams.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "../support/file_size_limit.h"
#include "fake_transfer_host.h"

using namespace qrt58;
using qrt58::test::FakeHost;
using qrt58::test::SimRig;

namespace {

struct Form2Rig : ::testing::Test {
    void SetUp() override {
        boxes = seams.boxes;
        host.file = files.filePath("run.tbl");
        // Settings of the test's own, with a production registry of its own.
        qputenv("QRT58_SETTINGS", files.filePath("settings.ini").toLocal8Bit());
        store_registry_text(*open_board_settings(), QStringLiteral("sqlite:") + files.filePath("registry.sqlite"));
    }
    void TearDown() override { qunsetenv("QRT58_SETTINGS"); }
    std::unique_ptr<Form2> dialog(int mode) { return std::make_unique<Form2>(rig.link, host, mode); }
    QStringList messages() const { return boxes->texts(); }
    std::uint32_t eeprom_first_word() const { return (rig.mem(0xB1) << 16) | (rig.mem(0xB2) << 8) | rig.mem(0xB3); }
    std::string eeprom_first_capcode() const {
        PagerTable t;
        t.bytes = rig.sim_mem();
        return decode_capcode(capcode_word(t, 0), capcode_word(t, 1), host.length_index == 1).text;
    }

    ScopedTestSeams seams;
    RecordingMessageBoxes* boxes = nullptr;
    QTemporaryDir files;
    SimRig rig;
    FakeHost host;
};

} // namespace

TEST_F(Form2Rig, ControlsAndCaption) {
    auto d = dialog(0);
    EXPECT_EQ(d->windowTitle(), "Pager Program");
    EXPECT_EQ(d->findChild<QProgressBar*>("PB1"), d->PB1);
    EXPECT_EQ(d->findChild<QLabel*>("lblAuto1")->text(), " 1st capcode : ");
    EXPECT_EQ(d->findChild<QPushButton*>("cmdWrite")->text(), "Write");
    EXPECT_EQ(d->findChild<QPushButton*>("cmdExit")->text(), "Exit");
    EXPECT_TRUE(d->cmdWrite->isHidden());
    EXPECT_TRUE(d->cmdExit->isHidden());
}

TEST_F(Form2Rig, ReadReplacesTheImageRefreshesTheWindowAndCloses) {
    rig.sim.eeprom().memory[0x3B7] = 'Z';
    rig.sim.eeprom().memory[0x7A0] = 0x55;
    auto d = dialog(0);
    d->form_activate();
    EXPECT_EQ(messages(), QStringList{"Read success!"});
    EXPECT_EQ(host.img.bytes, rig.sim_mem());
    EXPECT_EQ(host.reads, 1);
    EXPECT_TRUE(d->closed());
    // The last position, 2031, is past the maximum 2015: a full bar.
    EXPECT_EQ(d->progress_position(), 2031);
    EXPECT_EQ(d->PB1->maximum(), 2015);
    EXPECT_EQ(d->PB1->value(), 2015);
    EXPECT_EQ(d->progress_colour(), kPurple);
    EXPECT_EQ(d->Label1->text(), "Reading Now.......");
}

TEST_F(Form2Rig, ReadWithABadChecksumLeavesImageAndWindowAlone) {
    rig.sim.eeprom().memory[0x200] ^= 0xFF;
    const PagerTable before = host.img;
    auto d = dialog(0);
    d->form_activate();
    EXPECT_EQ(messages(), QStringList{"CheckSum Error!"});
    EXPECT_EQ(host.img, before);
    EXPECT_EQ(host.reads, 0);
    EXPECT_TRUE(d->closed());
}

TEST_F(Form2Rig, WriteInModifyModeIsRefusedAfterTheBoardSearchAlone) {
    host.modify = true;
    const auto before = rig.sim_mem();
    auto d = dialog(1);
    d->form_activate();
    EXPECT_EQ(messages(), QStringList{"Modify Mode can not write! Please check!"});
    EXPECT_EQ(boxes->entries[0].icon, MessageIcon::Warning);
    EXPECT_EQ(rig.sim.eeprom().control_bytes, 0); // nothing addressed the EEPROM
    EXPECT_EQ(rig.sim.eeprom().data_bytes, 0);
    EXPECT_EQ(rig.sim_mem(), before);
    EXPECT_NE(host.img[kWriteMarkerAddress], 1); // nor was the image stamped
    EXPECT_TRUE(d->closed());
}

TEST_F(Form2Rig, WriteVerifiesAndCloses) {
    host.img[0x3B8] = 'W';
    auto d = dialog(1);
    d->form_activate();
    EXPECT_EQ(messages(), QStringList{"Verify Success!"});
    EXPECT_EQ(rig.sim_mem(), host.img.bytes);
    EXPECT_TRUE(checksum_matches(host.img));
    EXPECT_TRUE(d->closed());
    EXPECT_TRUE(d->lblAuto1->isHidden());
}

TEST_F(Form2Rig, NoSuccessUntilTheReceiverFileIsSaved) {
    // The simulated receiver's memory file cannot be saved (a full disk): the
    // window says why instead of "Verify Success!", the file keeps what it
    // held, and nothing changes it later (the keep-alive, the board's stop).
    QTemporaryDir dir;
    const QString path = dir.filePath("receiver.bin");
    VirtualClock clock;
    SimBoard sim(clock, path);
    ASSERT_TRUE(sim.initialize().ok);
    BoardLink link(sim, clock);
    link.set_driver_ready(true);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    host.img[0x3B8] = 'W';
    host.auto_increment = false;
    Form2 d(link, host, 1);
    qrt58::test::with_file_size_limit(1024, [&] {
        d.form_activate();
        return 0;
    });
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].startsWith("Cannot save the simulated EEPROM file " + path))
        << messages()[0].toStdString();
    EXPECT_TRUE(d.closed());
    link.idle_tick();
    link.idle_tick();
    sim.shutdown();
    file.seek(0);
    EXPECT_EQ(file.readAll(), before);

    // The production station: the receiver is not counted and the capcode stays.
    boxes->clear();
    QFile::remove(ProductionLog::default_path()); // small enough for the full disk below
    SimBoard station_sim(clock, path);
    ASSERT_TRUE(station_sim.initialize().ok);
    BoardLink station_link(station_sim, clock);
    station_link.set_driver_ready(true);
    host.auto_increment = true;
    host.set_first_capcode("1000");
    Form2 station(station_link, host, 1);
    station.form_activate();
    // The registry's own file would not grow under the limit either.
    station.chkNoRegistry->setChecked(true);
    qrt58::test::with_file_size_limit(1024, [&] {
        station.cmdWrite_Click();
        return 0;
    });
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].contains(path));
    EXPECT_EQ(host.box0, "0001000");
    EXPECT_EQ(station.receivers_done(), 0);
    station.cmdWrite_Click();        // the disk has room again
    EXPECT_EQ(messages().size(), 1); // the station reports on its line
    EXPECT_EQ(station.receivers_done(), 1);
    EXPECT_EQ(host.box0, "0001001");
}

TEST_F(Form2Rig, WriteErrorsSkipVerify) {
    rig.sim.eeprom().no_ack_from_data_byte = 100;
    auto d = dialog(1);
    d->form_activate();
    EXPECT_EQ(messages(), QStringList{"Write error!"});
    EXPECT_TRUE(d->abort_flag());

    boxes->clear();
    SimRig busy;
    busy.sim.eeprom().busy_forever_after_write = true;
    Form2 d2(busy.link, host, 1);
    d2.form_activate();
    EXPECT_EQ(messages(), QStringList{"Write error!"});
}

TEST_F(Form2Rig, NoBoardShowsTheSearchMessageAndCloses) {
    rig.sim.no_board = true;
    auto d = dialog(2);
    d->form_activate();
    EXPECT_EQ(messages(), QStringList{"The Board is not responding!"});
    EXPECT_EQ(boxes->entries[0].icon, MessageIcon::Warning);
    EXPECT_TRUE(d->closed());
}

TEST_F(Form2Rig, VerifyRunsWhenTheDialogIsShown) {
    host.img.bytes = rig.sim_mem();
    Form2 d(rig.link, host, 2);
    QTimer::singleShot(10000, &d, [&] { d.done(QDialog::Rejected); }); // safety net
    d.exec();
    EXPECT_EQ(messages(), QStringList{"Verify Success!"});
    EXPECT_TRUE(d.closed());
}

TEST_F(Form2Rig, TenDigitProductionRunStopsAtTheLimit) {
    host.auto_increment = true;
    host.length_index = 1;
    host.set_first_capcode("4290999999");
    auto d = dialog(1);
    d->form_activate();
    EXPECT_FALSE(d->closed());
    EXPECT_TRUE(d->lblAuto1->isVisibleTo(d.get()));
    EXPECT_TRUE(d->cmdWrite->isVisibleTo(d.get()));
    EXPECT_TRUE(messages().isEmpty());

    // From the start the line shows the capcode the next Write programs.
    EXPECT_EQ(d->lblAuto1->text(), " 1st capcode : 4290999999");
    d->cmdWrite_Click();
    EXPECT_TRUE(messages().isEmpty()); // the station line reports it
    EXPECT_EQ(d->lblAuto1->text(), " 1st capcode : 4291000000");
    EXPECT_EQ(eeprom_first_capcode(), "4290999999");
    EXPECT_EQ(host.box0, "4291000000");
    EXPECT_TRUE(d->cmdWrite->isEnabled());
    EXPECT_EQ(d->PB1->value(), 0);
    EXPECT_EQ(d->Label1->text(), "");

    boxes->clear();
    d->cmdWrite_Click();
    EXPECT_EQ(messages(), (QStringList{"Capcode 1 > 4291000000 so can not be increase!"}));
    EXPECT_EQ(eeprom_first_capcode(), "4291000000");
    EXPECT_EQ(host.box0, "4291000000");

    d->cmdExit_Click();
    EXPECT_TRUE(d->closed());
}

TEST_F(Form2Rig, ShortProductionRunEndsAt2031614) {
    host.auto_increment = true;
    host.set_first_capcode("2031613");
    auto d = dialog(1);
    d->form_activate();
    d->cmdWrite_Click();
    EXPECT_EQ(host.box0, "2031614");
    boxes->clear();
    d->cmdWrite_Click();
    EXPECT_EQ(messages(), (QStringList{"Capcode 1 > 2031614 so can not be increase!"}));
    EXPECT_EQ(eeprom_first_capcode(), "2031614");

    // A failed cycle does not raise the capcode.
    host.set_first_capcode("1000");
    rig.sim.eeprom().no_ack_from_data_byte = 0;
    boxes->clear();
    d->cmdWrite_Click();
    EXPECT_EQ(messages(), QStringList{"Write error!"});
    EXPECT_EQ(host.box0, "0001000");
}

TEST_F(Form2Rig, ProductionStationLogsEachReceiver) {
    const QString log = ProductionLog::default_path();
    QFile::remove(log);
    host.auto_increment = true;
    host.set_first_capcode("2031613");
    auto d = dialog(1);
    d->form_activate();
    d->cmdWrite_Click();
    d->cmdWrite_Click(); // 2031614 cannot be raised: the run ends
    host.set_first_capcode("1000");
    rig.sim.eeprom().no_ack_from_data_byte = 0;
    d->cmdWrite_Click();
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << log.toStdString();
    QStringList results;
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts))
        results << line.section(',', 1); // after the time
    EXPECT_EQ(results, (QStringList{"2031613,ok", "2031614,ok", "2031614,limit", "0001000,write error"}));
    EXPECT_FALSE(messages().contains(QStringLiteral("cannot write the production log"), Qt::CaseInsensitive));
}

TEST_F(Form2Rig, AStationThatCannotKeepItsLogProgramsNothing) {
    const QString log = ProductionLog::default_path();
    QFile::remove(log);
    ASSERT_TRUE(QDir().mkpath(log)); // a folder where the log belongs
    host.auto_increment = true;
    auto d = dialog(1);
    d->form_activate();
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].contains("cannot write the production log " + log)) << messages()[0].toStdString();
    EXPECT_TRUE(d->closed());
    EXPECT_EQ(rig.sim.eeprom().data_bytes, 0);
    QDir(log).removeRecursively();
}

TEST_F(Form2Rig, ProductionRunEndsWhereTheNextCapcodeCannotBeStored) {
    // A "Long" pair still holding a short capcode (as right after the switch):
    // 2031615 lies in the gap before the long ranges and cannot be stored, so
    // the run must end at 2031614 instead of writing it to every receiver.
    host.auto_increment = true;
    host.length_index = 1;
    host.set_first_capcode("2031613");
    auto d = dialog(1);
    d->form_activate();
    d->cmdWrite_Click();
    EXPECT_TRUE(messages().isEmpty()); // the station line reports it
    EXPECT_EQ(host.box0.toULongLong(), 2031614u);
    EXPECT_TRUE(d->cmdWrite->isEnabled());
    boxes->clear();
    d->cmdWrite_Click();
    EXPECT_EQ(messages(), (QStringList{"Capcode 1 > 2031614 so can not be increase!"}));
    EXPECT_FALSE(d->cmdWrite->isEnabled()); // no second receiver with the same capcode
    EXPECT_TRUE(d->cmdExit->isEnabled());

    // A box without a number (an undecodable record) ends the run the same way.
    auto again = dialog(1);
    again->form_activate();
    again->chkNoRegistry->setChecked(true); // 2031614 is programmed: the registry would refuse it first
    host.box0 = "??????????";
    boxes->clear();
    again->cmdWrite_Click();
    EXPECT_EQ(messages(), (QStringList{"Capcode 1 > 4291000000 so can not be increase!"}));
    EXPECT_FALSE(again->cmdWrite->isEnabled());
}

TEST_F(Form2Rig, TheStationKeepsEveryRaisedCapcodeInTheFileAndTakesSpaceAndEnter) {
    const QString log = ProductionLog::default_path();
    QFile::remove(log);
    host.auto_increment = true;
    host.set_first_capcode("1000");
    auto d = dialog(1);
    d->show();
    d->form_activate();
    ASSERT_TRUE(d->station());
    EXPECT_EQ(host.saves, 1); // the file was checked writable before the first receiver
    EXPECT_TRUE(d->lblStation->text().contains("Next capcode: 0001000"));
    EXPECT_TRUE(d->lblStation->text().contains(log));

    const auto file_capcode = [&] {
        PagerTable t;
        EXPECT_EQ(load_table_file(host.file, t).status, LoadStatus::Ok);
        return decode_capcode(capcode_word(t, 0), capcode_word(t, 1), false).text;
    };
    // Space, Enter and the button each program one receiver; a held key no more.
    QTest::keyClick(d.get(), Qt::Key_Space);
    EXPECT_EQ(eeprom_first_capcode(), "0001000");
    EXPECT_EQ(file_capcode(), "0001001");
    QTest::keyClick(d.get(), Qt::Key_Return);
    EXPECT_EQ(file_capcode(), "0001002");
    QKeyEvent held(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QString(" "), true);
    QApplication::sendEvent(d.get(), &held);
    EXPECT_EQ(file_capcode(), "0001002");
    d->cmdWrite_Click();
    EXPECT_EQ(eeprom_first_capcode(), "0001002");
    EXPECT_EQ(file_capcode(), "0001003");
    EXPECT_TRUE(messages().isEmpty()) << messages().join('|').toStdString();
    EXPECT_EQ(d->receivers_done(), 3);
    EXPECT_TRUE(d->lblStation->text().contains("Receivers done: 3; last: 0001002 ok"));
    EXPECT_TRUE(d->lblStation->text().contains("Next capcode: 0001003"));

    // Closing between receivers: the file and the log hold every receiver.
    d->close();
    EXPECT_TRUE(d->closed());
    EXPECT_EQ(file_capcode(), "0001003");
    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()).count(",ok"), 3);

    // A file that cannot be saved: said so before any receiver, and nothing
    // is programmed; no file named at all (Save As cancelled): nothing either.
    const auto before = rig.sim_mem();
    host.file = files.filePath("no/such/folder/run.tbl");
    boxes->clear();
    auto refused = dialog(1);
    refused->form_activate();
    EXPECT_TRUE(refused->closed());
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].contains("no/such/folder"));
    host.file.clear();
    boxes->clear();
    auto cancelled = dialog(1);
    cancelled->form_activate();
    EXPECT_TRUE(cancelled->closed());
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_EQ(rig.sim_mem(), before);
}

TEST_F(Form2Rig, TheRegistryRefusesTheLastCapcodeAgainAndAFailedSaveStopsTheRun) {
    // A run ends at the short limit after programming 2031614; opened again on
    // the same file, the station refuses 2031614 before anything is written.
    host.auto_increment = true;
    host.set_first_capcode("2031613");
    auto first = dialog(1);
    first->set_board_label(QStringLiteral("sim:bench"));
    first->form_activate();
    first->cmdWrite_Click();
    first->cmdWrite_Click();
    ASSERT_EQ(messages(), (QStringList{"Capcode 1 > 2031614 so can not be increase!"}));
    first->cmdExit_Click();
    boxes->clear();
    auto again = dialog(1);
    again->form_activate();
    ASSERT_TRUE(again->station());
    const int written = rig.sim.eeprom().data_bytes;
    again->cmdWrite_Click();
    ASSERT_EQ(messages().size(), 1);
    const QString refusal = messages()[0];
    for (const QString& part :
         {QStringLiteral("Capcode 1 2031614 was programmed ok on "), QStringLiteral(" UTC at station "),
          QStringLiteral("on board sim:bench"), QStringLiteral("nothing was written"),
          QStringLiteral("qrt58cli registry release --scrapped 2031614")})
        EXPECT_TRUE(refusal.contains(part)) << refusal.toStdString();
    EXPECT_EQ(rig.sim.eeprom().data_bytes, written);
    EXPECT_EQ(again->receivers_done(), 0);
    again->cmdExit_Click();

    // The file does not take the raised capcode: the message names the
    // capcode in the receiver and the file that still holds it; the run stops.
    boxes->clear();
    host.set_first_capcode("1000");
    auto station = dialog(1);
    station->form_activate();
    ASSERT_TRUE(station->station()) << messages().join('|').toStdString();
    host.save_refused = QStringLiteral("Permission denied");
    station->cmdWrite_Click();
    ASSERT_EQ(messages().size(), 1);
    const QString said = messages()[0];
    for (const QString& part : {QStringLiteral("capcode 1 0001000"), QStringLiteral("next capcode 0001001"),
                                QStringLiteral("Permission denied"), host.file + QStringLiteral(" still holds 0001000"),
                                QStringLiteral("The run has stopped")})
        EXPECT_TRUE(said.contains(part)) << said.toStdString();
    EXPECT_FALSE(station->cmdWrite->isEnabled());
    const int after_one = rig.sim.eeprom().data_bytes;
    QTest::keyClick(station.get(), Qt::Key_Space);
    EXPECT_EQ(rig.sim.eeprom().data_bytes, after_one) << "no second receiver";
}

TEST_F(Form2Rig, VerifyAcceptsTheReceiverAsWrittenAndAsRead) {
    // The receiver holds the image as Write stamps it; the image itself has
    // neither checksum nor write marker (a file saved before the write).
    PagerTable stamped = stamped_for_write(host.img);
    ASSERT_NE(stamped, host.img);
    std::copy(stamped.bytes.begin(), stamped.bytes.end(), rig.sim.eeprom().memory.begin());
    dialog(2)->form_activate();
    EXPECT_EQ(messages(), QStringList{"Verify Success!"});

    // Any other difference is still an error, the checksum bytes included.
    for (int address : {0x3E0, 0x7FE, 0x7FF, 0x100, 0x000}) {
        SCOPED_TRACE(address);
        std::copy(stamped.bytes.begin(), stamped.bytes.end(), rig.sim.eeprom().memory.begin());
        rig.sim.eeprom().memory[static_cast<std::size_t>(address)] ^= 0x40;
        boxes->clear();
        dialog(2)->form_activate();
        // The message keeps its text; a second line names the first difference.
        const auto hex = [](int v, int width) { return QString::number(v, 16).rightJustified(width, '0').toUpper(); };
        EXPECT_EQ(messages(),
                  QStringList{QStringLiteral("Verify Error!\n1 byte differs, first at 0x%1: file 0x%2, "
                                             "receiver 0x%3")
                                  .arg(hex(address, 4), hex(stamped[address], 2), hex(stamped[address] ^ 0x40, 2))});
    }
    // The receiver holding the image exactly (read into the file) matches too.
    std::copy(host.img.bytes.begin(), host.img.bytes.end(), rig.sim.eeprom().memory.begin());
    boxes->clear();
    dialog(2)->form_activate();
    EXPECT_EQ(messages(), QStringList{"Verify Success!"});
    EXPECT_EQ(host.img, build_default_image()); // verify never changes the image
}

TEST(LineDelayDialog, KeepsTheValueInRangeAndRemembersIt) {
    SimRig rig;
    QTemporaryDir dir;
    QSettings settings(dir.filePath("s.ini"), QSettings::IniFormat);
    LineDelayDialog d(rig.link.line_delay_us());
    EXPECT_EQ(d.value(), 25);
    d.spin->setValue(5);
    EXPECT_EQ(d.value(), 10);
    d.spin->setValue(250);
    apply_line_delay(rig.link, settings, d.value());
    EXPECT_EQ(rig.link.line_delay_us(), 250);
    EXPECT_EQ(load_board_settings(settings).line_delay_us, 250);
}

// ---- the dialog as the user sees it ---------------------------------------------------

// The lowest visible child ends close to the dialog's bottom edge.
int spare_below(const QDialog& d) {
    int bottom = 0;
    for (QWidget* w : d.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (w->isVisibleTo(&d)) bottom = std::max(bottom, w->geometry().bottom());
    return d.height() - bottom;
}

TEST_F(Form2Rig, TheSearchTextShowsWhileTheBoardIsSearched) {
    auto d = dialog(0);
    EXPECT_EQ(d->Label1->text(), "Searching for the board...");
    QStringList seen;
    rig.link.set_event_pump([&] {
        if (seen.isEmpty() || seen.back() != d->Label1->text()) seen << d->Label1->text();
    });
    d->form_activate();
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_EQ(seen.front(), "Searching for the board...");
    EXPECT_EQ(messages(), QStringList{"Read success!"});
    EXPECT_EQ(d->Label1->text(), "Reading Now.......");
}

TEST_F(Form2Rig, TheDialogHasNoEmptyLowerPartAndTheBarShowsAPercentage) {
    auto d = dialog(1);
    d->form_activate(); // write and verify
    EXPECT_GE(spare_below(*d), 4);
    EXPECT_LE(spare_below(*d), 16);
    EXPECT_TRUE(d->PB1->isTextVisible());
    EXPECT_EQ(d->PB1->text(), "100%");

    host.auto_increment = true;
    auto station = dialog(1);
    station->form_activate();
    ASSERT_TRUE(station->cmdWrite->isVisibleTo(station.get()));
    EXPECT_GE(spare_below(*station), 4);
    EXPECT_LE(spare_below(*station), 20);
    EXPECT_GT(station->height(), d->height());
}

TEST_F(Form2Rig, EscapeAndCloseWaitForTheTransferButEndAnIdleStation) {
    host.auto_increment = true;
    auto d = dialog(1);
    d->show();
    d->form_activate();
    ASSERT_FALSE(d->closed());
    EXPECT_EQ(d->lblAuto1->text(), " 1st capcode : " + host.box0);
    // Queued while the write runs: both reach the dialog in the middle of it.
    QCoreApplication::postEvent(d.get(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    QCoreApplication::postEvent(d.get(), new QCloseEvent);
    d->cmdWrite_Click();
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_FALSE(d->closed());
    QTest::keyClick(d.get(), Qt::Key_Escape);
    EXPECT_TRUE(d->closed());

    auto second = dialog(1);
    second->show();
    second->form_activate();
    ASSERT_FALSE(second->closed());
    second->close(); // the window's close button
    EXPECT_TRUE(second->closed());
}

TEST_F(Form2Rig, TheBarRepaintsSeldomDuringTheBusWork) {
    auto d = dialog(1);
    int moves = 0;
    QObject::connect(d->PB1, &QProgressBar::valueChanged, [&] { ++moves; });
    d->form_activate();
    EXPECT_EQ(messages(), QStringList{"Verify Success!"});
    // 128 page starts in the write and 128 blocks in the verify: a virtual
    // clock takes no real time, so only the starts and the ends show.
    EXPECT_LE(moves, 8);
    EXPECT_EQ(d->PB1->value(), d->PB1->maximum());
}

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The production log and the simulated EEPROM go to a data folder of this
    // run's own, never the user's.
    QTemporaryDir data_home;
    qputenv("XDG_DATA_HOME", data_home.path().toLocal8Bit());
    // Qt wants a private runtime folder and warns on every start without one
    // (CTest lists the tests by starting the program).
    QTemporaryDir runtime_dir;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) qputenv("XDG_RUNTIME_DIR", runtime_dir.path().toLocal8Bit());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
