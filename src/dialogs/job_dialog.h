// Pager > "Job Station...": the window's production station for a job. The
// operator chooses the base table file, the receivers (a range for capcode 1
// or a CSV file of rows), the job and station names and the boards; Start
// checks every receiver, then programs one receiver on each board (or, with
// "Go on until the job is done", as many as the job has left), each board in a
// worker thread of its own and shown in its own row of the table. Results and
// refusals (with their lines) go to the log below; the registry is the one of
// Options > "Registry...".
#pragma once

#include "board.h"
#include "job_station.h"

#include <QDialog>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSettings;
class QTableWidget;
class QTimer;

namespace qrt58 {

class JobDialog : public QDialog, private StationEvents {
    Q_OBJECT
public:
    // `window_board` (with its choice) is the window's own board: a board
    // named as it is is driven through it. `base` fills the base file box.
    JobDialog(Board& window_board, const BoardChoice& window_choice, QSettings& settings, ApplySettings apply,
              const QString& base, QWidget* parent = nullptr);
    ~JobDialog() override;

    // Start: checks the job and starts the boards (false when refused; the
    // reasons are in the log).
    bool start();
    // Asks the boards to stop after their receivers.
    void stop();
    bool running() const { return worker_.joinable(); }
    // Waits for the boards to finish (tests).
    void wait();

    QLineEdit *txtBase, *txtRange, *txtRows, *txtJob, *txtStation, *txtBoards;
    QRadioButton *optRange, *optRows;
    QCheckBox* chkContinuous;
    QLabel *lblRegistry, *lblSummary;
    QTableWidget* tblBoards;
    QPlainTextEdit* txtLog;
    QPushButton *cmdStart, *cmdStop, *cmdClose;
    // Makes the boards other than the window's, with the window's line delay
    // (tests: boards on a virtual clock).
    std::function<std::unique_ptr<Board>(const BoardSettings&)> make_board = [](const BoardSettings& s) {
        return Board::create(s);
    };

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void result(int board, const QString& line, bool good) override;
    void refresh();
    void show_rows();
    void finished();
    void log(const QString& line);
    // Keeps the fields in the settings, to be offered at the next opening.
    void remember();

    Board& window_board_;
    BoardChoice window_choice_;
    QSettings& settings_;
    ApplySettings apply_;
    QTimer* timer_;
    std::unique_ptr<JobStation> station_;
    std::vector<std::unique_ptr<Board>> owned_;
    std::vector<Board*> boards_;
    QStringList labels_;
    // One table row per board given: its index among the station's boards, or
    // -1 and why it did not start.
    struct Row {
        QString label;
        int station_index = -1;
        QString failure;
    };
    std::vector<Row> rows_;
    std::thread worker_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    std::mutex lines_mutex_;
    std::deque<QString> lines_;
    std::function<void()> saved_pump_;
    std::function<void(const QString&)> saved_sink_;
    bool window_board_used_ = false;
};

// Options > "Registry...": the registry location kept in the settings (empty
// for the default order: the PG* variables, else the SQLite file in the data
// folder). Returns whether it was changed.
class RegistryDialog : public QDialog {
    Q_OBJECT
public:
    RegistryDialog(QSettings& settings, QWidget* parent = nullptr);
    // Keeps the text when it is a registry location (or empty); false with the
    // reason shown under the box otherwise.
    bool keep();

    QLineEdit* txtRegistry;
    QLabel* lblInUse;
    QLabel* lblError;

private:
    void show_in_use();
    QSettings& settings_;
};
bool choose_registry(QWidget* parent, QSettings& settings);

} // namespace qrt58
