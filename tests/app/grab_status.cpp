// Writes pictures of the window's status bar with each kind of board, and of
// the production station between two receivers, to a folder (default /tmp),
// for looking at them by eye: grab_status [folder]
#include "board.h"
#include "board_link.h"
#include "clock.h"
#include "default_image.h"
#include "editors.h"
#include "form1.h"
#include "form2.h"
#include "sim_board.h"
#include "table_file.h"
#include "ui_seams.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QRadioButton>
#include <QStatusBar>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp");
    qrt58::ScopedTestSeams seams; // no box waits for a click
    QTemporaryDir scratch;

    // A machine with a CP2112 adapter at /dev/i2c-3 (its name as sysfs gives it).
    QDir(scratch.path()).mkpath(QStringLiteral("dev"));
    QDir(scratch.path()).mkpath(QStringLiteral("sys/class/i2c-dev/i2c-3"));
    QFile(scratch.filePath(QStringLiteral("dev/i2c-3"))).open(QIODevice::WriteOnly);
    QFile name(scratch.filePath(QStringLiteral("sys/class/i2c-dev/i2c-3/name")));
    if (name.open(QIODevice::WriteOnly)) name.write("CP2112 SMBus Bridge on hidraw0\n");
    name.close();

    struct Shot {
        const char* file;
        const char* board;
        const char* state;
        bool notice;
    };
    const Shot shots[] = {
        {"status-sim.png", "sim", "answered", true},
        {"status-ppdev.png", "ppdev:/dev/parport0", "not responding", false},
        {"status-i2c.png", "i2c:/dev/i2c-3", "answered", false},
    };
    for (const Shot& s : shots) {
        Form1 w;
        qrt58::editors::attach_editors(w);
        w.app_path = scratch.path();
        w.data_path = scratch.filePath(QStringLiteral("data"));
        w.form_load();
        const auto board = qrt58::Board::create(*qrt58::parse_board_choice(QString::fromLatin1(s.board)));
        w.set_board_status(board->description(false, scratch.path()) + QStringLiteral(" \u2014 ") +
                           QString::fromLatin1(s.state));
        if (s.notice) w.show_no_board_choice();
        w.show();
        QApplication::processEvents();
        w.grab().save(folder + '/' + QString::fromLatin1(s.file));
        w.statusBar()->grab().save(folder + QStringLiteral("/bar-") + QString::fromLatin1(s.file));
    }

    // The production station after two receivers, waiting for the third.
    qrt58::SteadyClock clock;
    qrt58::SimBoard sim(clock, scratch.filePath(QStringLiteral("eeprom.bin")));
    sim.initialize();
    qrt58::BoardLink link(sim, clock);
    link.set_driver_ready(true);
    link.set_line_delay_us(10);
    Form1 w;
    qrt58::editors::attach_editors(w);
    w.app_path = scratch.path();
    w.data_path = scratch.filePath(QStringLiteral("data"));
    w.form_load();
    const QString run = scratch.filePath(QStringLiteral("run.tbl"));
    qrt58::save_table_file(run, w.image());
    seams.dialogs->answers = {run};
    w.mnuLBFF_Click();
    w.ctl<QRadioButton>(QStringLiteral("WriteOpt"))->click();
    w.autoIncrementFirst = true;
    w.show();
    Form2 station(link, w, 1, &w);
    station.show();
    station.form_activate();
    station.cmdWrite_Click();
    station.cmdWrite_Click();
    QApplication::processEvents();
    station.grab().save(folder + QStringLiteral("/station.png"));
    return 0;
}
