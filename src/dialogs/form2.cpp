#include "form2.h"

#include "ui_seams.h"

#include "board.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSysInfo>
#include <QTimer>
#include <algorithm>
#include <utility>

using namespace qrt58;

namespace {
const QString kAutoCaption = QStringLiteral(" 1st capcode : ");
const QString kSearching = QStringLiteral("Searching for the board...");
// Dialog heights: status and bar only; with the capcode line and the buttons.
constexpr int kWidth = 360, kHeightBar = 76, kHeightButtons = 150, kHeightStation = 252;
// The bar repaints at most this often during a transfer: every repaint is time
// the bus waits for.
constexpr qint64 kBarRepaintMs = 250;

// Marks the dialog busy for the length of a transfer: no closing meanwhile.
struct BusyScope {
    explicit BusyScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyScope() { flag_ = false; }
    bool& flag_;
};
} // namespace

Form2::Form2(EepromBus& link, TransferHost& host, int transfer_mode, QWidget* parent)
    : QDialog(parent), link_(link), host_(host), transfer_mode_(transfer_mode), engine_(link, *this) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Pager Program"));
    setModal(true);
    setFixedSize(kWidth, kHeightBar);

    Label1 = new QLabel(kSearching, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(16, 12, 328, 20);

    PB1 = new QProgressBar(this);
    PB1->setObjectName(QStringLiteral("PB1"));
    PB1->setGeometry(16, 40, 328, 22);
    PB1->setRange(0, 100);
    PB1->setValue(0);
    PB1->setTextVisible(true);
    PB1->setFormat(QStringLiteral("%p%"));

    lblAuto1 = new QLabel(kAutoCaption, this);
    lblAuto1->setObjectName(QStringLiteral("lblAuto1"));
    lblAuto1->setGeometry(16, 72, 328, 20);
    lblAuto1->setVisible(false);

    cmdWrite = new QPushButton(QStringLiteral("Write"), this);
    cmdWrite->setObjectName(QStringLiteral("cmdWrite"));
    cmdWrite->setGeometry(80, 104, 90, 28);
    cmdWrite->setVisible(false);
    connect(cmdWrite, &QPushButton::clicked, this, [this] { cmdWrite_Click(); });

    cmdExit = new QPushButton(QStringLiteral("Exit"), this);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    cmdExit->setGeometry(190, 104, 90, 28);
    cmdExit->setVisible(false);
    connect(cmdExit, &QPushButton::clicked, this, [this] { cmdExit_Click(); });

    lblStation = new QLabel(this);
    lblStation->setObjectName(QStringLiteral("lblStation"));
    lblStation->setGeometry(16, 140, 328, 76);
    lblStation->setWordWrap(true);
    lblStation->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblStation->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblStation->setVisible(false);

    chkNoRegistry = new QCheckBox(QStringLiteral("Without the registry (returned receivers, on purpose)"), this);
    chkNoRegistry->setObjectName(QStringLiteral("chkNoRegistry"));
    chkNoRegistry->setGeometry(16, 220, 328, 22);
    chkNoRegistry->setToolTip(QStringLiteral("Capcodes are then neither checked against nor recorded in the "
                                             "production registry."));
    // The keys write: Space must never tick the box by accident.
    chkNoRegistry->setFocusPolicy(Qt::NoFocus);
    chkNoRegistry->setVisible(false);
    connect(chkNoRegistry, &QCheckBox::toggled, this, [this] { show_station_line(); });
}

void Form2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!activated_) QTimer::singleShot(0, this, [this] { form_activate(); });
}

void Form2::form_activate() {
    if (activated_) return;
    activated_ = true;
    {
        BusyScope busy(busy_);
        board_found_ = engine_.find_board();
        if (!board_found_) {
            // nothing to do: the search has shown its message
        } else if (transfer_mode_ == 0) {
            if (engine_.eep_readall(host_.image())) host_.image_was_read();
            link_.bus_stop();
        } else if (transfer_mode_ == 2) {
            engine_.verify(host_.image());
            link_.bus_stop();
        } else if (host_.modify_mode()) {
            message(QStringLiteral("Modify Mode can not write! Please check!"), MessageKind::Warning);
        } else {
            if (host_.auto_increment_first() && !production_log_.writable()) {
                // A station that cannot record its receivers programs none
                // (a log that is a folder, a device or not writable).
                message(production_log_.error(), MessageKind::Warning);
            } else if (host_.auto_increment_first()) {
                if (open_station()) {
                    // The station shows the capcode the next Write programs.
                    lblAuto1->setText(kAutoCaption + host_.first_capcode_text());
                    Label1->clear();
                    lblAuto1->setVisible(true);
                    cmdWrite->setVisible(true);
                    cmdExit->setVisible(true);
                    // The keys write; the buttons take no focus, so that Space
                    // never presses Exit by accident.
                    cmdWrite->setFocusPolicy(Qt::NoFocus);
                    cmdExit->setFocusPolicy(Qt::NoFocus);
                    lblStation->setVisible(true);
                    chkNoRegistry->setVisible(run_->uses_registry());
                    setFixedSize(kWidth, kHeightStation);
                    show_station_line();
                    return; // stays open for the user
                }
                // no file to keep the capcodes in: nothing is programmed
            } else {
                engine_.write_and_verify(host_.image());
            }
        }
    }
    show_results_if_kept();
    close_dialog();
}

void Form2::cmdWrite_Click() {
    if (busy_) return;
    {
        BusyScope busy(busy_);
        cmdWrite->setEnabled(false);
        cmdExit->setEnabled(false);
        const QString capcode = host_.first_capcode_text();
        lblAuto1->setText(kAutoCaption + capcode);
        // The receiver's capcode is claimed in the registry first: one that
        // any path has programmed (or holds) is refused, and nothing is written.
        const bool registered = station_ && run_ && !chkNoRegistry->isChecked();
        if (registered && !run_->claim(host_.image())) {
            message(run_->error(), MessageKind::Warning);
            last_result_ = capcode + QStringLiteral(" refused (taken in the registry)");
            cmdWrite->setEnabled(true);
            cmdExit->setEnabled(true);
            show_station_line();
            return;
        }
        engine_.tbl_writeall(host_.image());
        link_.bus_stop();
        const bool written = !engine_.abort_flag();
        if (written) engine_.verify(host_.image());
        link_.bus_stop();
        const bool verified = written && !engine_.abort_flag();
        // A receiver whose memory is lost (the simulated one's file could not
        // be saved) did not get what was written: no success, no raise.
        const bool kept = show_results_if_kept();
        const ProductionResult result = qrt58::cycle_result(written && (kept || !verified), verified);
        log_receiver(capcode, result);
        last_result_ = capcode + QLatin1Char(' ') + QString::fromLatin1(production_result_text(result));
        if (registered && !run_->record(host_.image(), registry_result(result))) {
            // A result the registry does not hold: no further receiver.
            message(run_->error(), MessageKind::Error);
            end_run();
        }
        if (verified && kept && !run_ended_) {
            ++receivers_done_;
            if (host_.auto_increment_first()) set_capcode(0);
            // The raised capcode goes into the file at once: a station closed
            // (or a program ended) now never programs this capcode again.
            QString error;
            if (!run_ended_ && !host_.save_production_file(error)) {
                // The receiver has the capcode, the file still holds it: the
                // run stops before the next receiver would get it as well.
                message(capcode_not_recorded(capcode, host_.first_capcode_text(), host_.production_file(), error) +
                            QStringLiteral(". The run has stopped."),
                        MessageKind::Error);
                end_run();
            }
        }
        // After the limit message the run is over: another press would program
        // the next receiver with the same capcode.
        cmdWrite->setEnabled(!run_ended_);
        cmdExit->setEnabled(true);
        lblAuto1->setText(kAutoCaption + host_.first_capcode_text());
        set_progress_position(0);
        Label1->setText(QString());
        link_.board_idle();
        show_station_line();
    }
}

bool Form2::open_station() {
    const QString file = host_.production_file();
    if (file.isEmpty()) return false; // no file named: nothing is programmed
    ProductionRunOptions options;
    QString error;
    options.registry = resolve_registry_location(QString(), *open_board_settings(), &error);
    if (!options.registry) {
        message(error, MessageKind::Error);
        return false;
    }
    options.host = QSysInfo::machineHostName();
    options.station = options.host;
    options.board = board_label_;
    options.file = file;
    // The file is the station's for the whole run, and the registry records
    // its receivers: a second station or run on the file is refused here. A
    // file that is not there yet is made first, so that it can be locked.
    const bool made = !QFileInfo::exists(file);
    if (made && !host_.save_production_file(error)) {
        message(error, MessageKind::Error);
        return false;
    }
    run_ = std::make_unique<ProductionRun>(options);
    if (!run_->open()) {
        message(run_->error(), MessageKind::Error);
        run_.reset();
        return false;
    }
    // Before the first receiver: the file takes the raised capcode.
    if (!made && !host_.save_production_file(error)) {
        message(error, MessageKind::Error);
        run_.reset();
        return false;
    }
    station_ = true;
    return true;
}

void Form2::end_run() {
    run_ended_ = true;
    if (run_ && !run_->close()) message(run_->error(), MessageKind::Warning);
}

void Form2::show_station_line() {
    if (!station_) return;
    QString text = QStringLiteral("Receivers done: %1").arg(receivers_done_);
    if (!last_result_.isEmpty()) text += QStringLiteral("; last: ") + last_result_;
    text += QLatin1Char('\n');
    if (run_ended_) text += QStringLiteral("The run has ended.");
    else text += QStringLiteral("Next capcode: %1 (Space or Enter writes it)").arg(host_.first_capcode_text());
    text += QStringLiteral("\nLog: ") + QDir::toNativeSeparators(production_log_.path());
    if (run_ && run_->uses_registry())
        text += QStringLiteral("\nRegistry: ") + (chkNoRegistry->isChecked()
                                                      ? QStringLiteral("not used for the next receivers")
                                                      : run_->options().registry->text());
    else text += QStringLiteral("\nRegistry: not used");
    lblStation->setText(text);
}

void Form2::keyPressEvent(QKeyEvent* event) {
    const int k = event->key();
    if (station_ && (k == Qt::Key_Space || k == Qt::Key_Return || k == Qt::Key_Enter)) {
        // A held key does not program receiver after receiver.
        if (!event->isAutoRepeat() && cmdWrite->isEnabled()) cmdWrite_Click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void Form2::cmdExit_Click() { close_dialog(); }

bool Form2::show_results_if_kept() {
    if (std::exchange(verify_failed_, false)) show_verify_error();
    QString why;
    const bool kept = link_.keep_memory(&why);
    const QStringList results = std::exchange(held_results_, {});
    if (!kept) {
        message_boxes().show(this, why, MessageIcon::Warning);
        return false;
    }
    // The station reports each receiver on its line, not in a box to click away.
    if (!station_)
        for (const QString& text : results) message_boxes().show(this, text, MessageIcon::None);
    return true;
}

// "Verify Error!" and, on a second line, what differs, read back from the
// receiver now that the transfer is over.
void Form2::show_verify_error() {
    const bool was_busy = std::exchange(busy_, true); // no closing during the read
    PagerTable got;
    QString detail = QStringLiteral("(the receiver could not be read back to show what differs)");
    if (read_receiver(link_, got)) detail = verify_report_detail(compare_with_receiver(host_.image(), got));
    link_.board_idle();
    busy_ = was_busy;
    message_boxes().show(this, QStringLiteral("Verify Error!\n") + detail, MessageIcon::None);
}

void Form2::set_capcode(int index) {
    (void)index; // the production station raises box 0 only
    const bool long_capcode = host_.first_pair_length_index() == 1;
    const CapcodeIncrement step = next_first_capcode(host_.first_capcode_text(), long_capcode);
    if (step.result == CapcodeIncrement::Result::Next) {
        host_.set_first_capcode(QString::number(step.next));
    } else {
        log_receiver(host_.first_capcode_text(), qrt58::ProductionResult::Limit);
        message(step.message, MessageKind::Warning);
        end_run();
    }
}

void Form2::log_receiver(const QString& capcode, qrt58::ProductionResult result) {
    if (!production_log_.append(capcode, result)) message(production_log_.error(), MessageKind::Warning);
}

void Form2::close_dialog() { done(QDialog::Accepted); }

void Form2::closeEvent(QCloseEvent* event) {
    if (busy_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void Form2::reject() {
    if (!busy_) QDialog::reject();
}

void Form2::done(int result) {
    if (busy_) return;
    if (!unloaded_) {
        unloaded_ = true;
        link_.board_idle(); // Form_Unload
        // The station's run ends with the dialog: the file and the registry are let go.
        if (run_ && !run_->close()) message(run_->error(), MessageKind::Warning);
    }
    QDialog::done(result);
}

// ---- the view ------------------------------------------------------------------

void Form2::set_status(const QString& text) { Label1->setText(text); }

void Form2::set_progress_max(int max) {
    PB1->setMaximum(std::max(1, max));
    set_progress_position(position_);
}

void Form2::set_progress_position(int position) {
    position_ = position;
    // Positions may pass the maximum by up to 16: shown as a full bar. The bar
    // repaints itself at once on every change, so during the bus work it is
    // moved only every kBarRepaintMs, and always to its start and its end.
    const int shown = std::clamp(position, 0, PB1->maximum());
    if (busy_ && shown != 0 && shown != PB1->maximum() && bar_clock_.isValid() && bar_clock_.elapsed() < kBarRepaintMs)
        return;
    bar_clock_.start();
    PB1->setValue(shown);
}

void Form2::set_progress_colour(std::uint32_t colour) {
    colour_ = colour;
    QPalette pal = PB1->palette();
    if (colour & 0x80000000u) {
        pal.setColor(QPalette::Highlight, QApplication::palette().color(QPalette::Highlight));
    } else {
        pal.setColor(QPalette::Highlight,
                     QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                            static_cast<int>((colour >> 16) & 0xFF)));
    }
    PB1->setPalette(pal);
}

void Form2::message(const QString& text, MessageKind kind) {
    // A result ("Verify Success!") waits until the receiver has kept what the
    // transfer did (show_results_if_kept).
    if (busy_ && kind == MessageKind::Info) {
        held_results_.append(text);
        return;
    }
    // A failed verify is shown with what differs once the bus is free.
    if (busy_ && kind == MessageKind::Error && text == QLatin1String("Verify Error!")) {
        verify_failed_ = true;
        return;
    }
    message_boxes().show(this, text, kind == MessageKind::Warning ? MessageIcon::Warning : MessageIcon::None);
}

void Form2::process_events() { QCoreApplication::processEvents(); }
