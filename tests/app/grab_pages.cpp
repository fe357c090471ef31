// Writes a picture of each page of the main window to a folder (default /tmp),
// for looking at the layout by eye: grab_pages [folder] [scale] [write|dialog]
// ("write" switches the window to Write mode first; "dialog" writes pictures of
// the transfer dialog instead: each status it shows, and the production station).
#include "board_link.h"
#include "clock.h"
#include "editors.h"
#include "form1.h"
#include "form2.h"
#include "sim_board.h"
#include "ui_seams.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QRadioButton>
#include <QWidget>

#include <functional>

namespace {

// Calls `fn` whenever `watched` is painted (the progress bar repaints itself
// during the bus work).
class PaintHook : public QObject {
public:
    PaintHook(QObject* watched, std::function<void()> fn) : fn_(std::move(fn)) { watched->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint && !inside_) {
            inside_ = true;
            fn_();
            inside_ = false;
        }
        return false;
    }

private:
    std::function<void()> fn_;
    bool inside_ = false;
};

// Every status text of one transfer, as the dialog shows it while the bus works.
void grab_dialog(Form1& w, qrt58::BoardLink& link, int mode, const QString& folder, const QString& name) {
    Form2 dialog(link, w, mode, &w);
    dialog.show();
    QStringList seen;
    const auto grab_new_status = [&] {
        const QString status = dialog.Label1->text();
        if (seen.contains(status)) return;
        seen << status;
        dialog.grab().save(QStringLiteral("%1/qrt58_%2_%3.png").arg(folder, name).arg(seen.size()));
    };
    grab_new_status(); // the search
    {
        PaintHook hook(dialog.PB1, grab_new_status);
        dialog.form_activate();
    }
    QApplication::processEvents();
    dialog.grab().save(QStringLiteral("%1/qrt58_%2_end.png").arg(folder, name));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp");
    const double scale = argc > 2 ? QString::fromLocal8Bit(argv[2]).toDouble() : 1.0;
    const QString what = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    Form1 w;
    qrt58::editors::attach_editors(w);
    w.app_path = folder;
    w.data_path = folder;
    w.form_load();
    w.show();
    if (what == QLatin1String("write")) {
        if (auto* write = w.ctl<QRadioButton>(QStringLiteral("WriteOpt"))) write->click();
    }
    if (scale != 1.0) w.resize(static_cast<int>(w.width() * scale), static_cast<int>(w.height() * scale));
    if (what == QLatin1String("dialog")) {
        qrt58::ScopedTestSeams seams; // message boxes answer at once
        qrt58::VirtualClock clock;
        qrt58::SimBoard sim(clock);
        sim.initialize();
        qrt58::BoardLink link(sim, clock);
        link.set_driver_ready(true);
        if (auto* write = w.ctl<QRadioButton>(QStringLiteral("WriteOpt"))) write->click();
        grab_dialog(w, link, 1, folder, QStringLiteral("dialog_write"));
        grab_dialog(w, link, 0, folder, QStringLiteral("dialog_read"));
        grab_dialog(w, link, 2, folder, QStringLiteral("dialog_verify"));
        w.autoIncrementFirst = true;
        grab_dialog(w, link, 1, folder, QStringLiteral("dialog_station"));
        return 0;
    }
    for (int i = 0; i < 5; ++i) {
        w.select_page(i);
        QApplication::processEvents();
        const QString file = QStringLiteral("%1/qrt58_page%2.png").arg(folder).arg(i);
        w.grab().save(file);
    }
    return 0;
}
