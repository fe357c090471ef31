// Form2 "Pager Program": the transfer dialog. Runs the operation chosen by the
// main window's transfer_mode (0 read, 1 write, 2 verify) when it is first shown
// and closes itself, except for Write with "1st Capcode Auto Increase", where it
// stays open as a production station: each press of cmdWrite writes, verifies and
// raises the first capcode.
//
// Use from the main window:
//   Form2 dialog(board.bus(), host, transfer_mode, this);
//   dialog.exec();
#pragma once

#include "eeprom_bus.h"
#include "production_log.h"
#include "production_run.h"
#include "transfer.h"
#include "transfer_host.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QStringList>
#include <memory>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

class Form2 : public QDialog, private qrt58::TransferView {
    Q_OBJECT
public:
    Form2(qrt58::EepromBus& link, TransferHost& host, int transfer_mode, QWidget* parent = nullptr);

    // The board as the production registry records it (as --board names it).
    // The station's registry is the one chosen in the settings (Options >
    // Registry...), else the default; its name is the host name.
    void set_board_label(const QString& label) { board_label_ = label; }

    // Form_Activate: runs the chosen operation. Called once when the dialog is
    // first shown; tests call it directly.
    void form_activate();
    void cmdWrite_Click();
    void cmdExit_Click();
    // Raises the capcode in box `index` (always 0) by one, or shows the limit
    // message and ends the production run (Write stays disabled).
    void set_capcode(int index);

    bool abort_flag() const { return engine_.abort_flag(); }
    // The progress as the engine set it (the bar itself stops at its maximum).
    int progress_position() const { return position_; }
    std::uint32_t progress_colour() const { return colour_; }
    bool closed() const { return unloaded_; }
    // Closing always ends with board_idle (Form_Unload); refused mid-transfer.
    void done(int result) override;

    QLabel* Label1;
    QProgressBar* PB1;
    QLabel* lblAuto1;
    QPushButton* cmdWrite;
    QPushButton* cmdExit;
    // The production station's line: receivers done, the last result, the
    // next capcode and the log file.
    QLabel* lblStation;
    // Ticked: the next receivers go without the registry (returned receivers
    // re-programmed on purpose); their capcodes are neither checked nor recorded.
    QCheckBox* chkNoRegistry;

    bool station() const { return station_; }
    // Whether the board answered the dialog's search.
    bool board_found() const { return board_found_; }
    int receivers_done() const { return receivers_done_; }

protected:
    void showEvent(QShowEvent* event) override;
    // At the station, Space or Enter writes the next receiver.
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    // One line of the production log per receiver (and for the limit).
    void log_receiver(const QString& capcode, qrt58::ProductionResult result);
    void set_status(const QString& text) override;
    void set_progress_max(int max) override;
    void set_progress_position(int position) override;
    void set_progress_colour(std::uint32_t colour) override;
    void message(const QString& text, qrt58::MessageKind kind) override;
    void process_events() override;

    void close_dialog();
    // Opens the production station: the table file that keeps the raised
    // capcode is known and writable. False when it is not (said so).
    bool open_station();
    void show_station_line();
    // The run is over: Write stays disabled, the file and the registry are let go.
    void end_run();
    // Makes the receiver keep what the transfer did, then shows the results
    // held back meanwhile; shows why instead when it cannot. True when kept.
    bool show_results_if_kept();
    void show_verify_error();

    qrt58::EepromBus& link_;
    TransferHost& host_;
    int transfer_mode_;
    qrt58::TransferEngine engine_;
    bool activated_ = false;
    bool busy_ = false;
    bool unloaded_ = false;
    bool run_ended_ = false; // the first capcode cannot be raised any further
    bool station_ = false;   // the production station is open
    bool board_found_ = false;
    bool verify_failed_ = false; // "Verify Error!" held until the transfer is over
    int receivers_done_ = 0;
    QString last_result_; // "1234567 ok" of the last receiver
    qrt58::ProductionLog production_log_{qrt58::ProductionLog::default_path()};
    QString board_label_ = QStringLiteral("the window's board");
    std::unique_ptr<qrt58::ProductionRun> run_; // the station's lock on its file and its registry run
    int position_ = 0;
    std::uint32_t colour_ = 0;
    QElapsedTimer bar_clock_;  // since the bar last moved
    QStringList held_results_; // results of the running transfer, not shown yet
};
