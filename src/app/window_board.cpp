#include "window_board.h"

#include "board_dialog.h"
#include "form2.h"
#include "job_dialog.h"
#include "line_delay_dialog.h"
#include "ui_seams.h"

#include <QAction>
#include <QCoreApplication>
#include <QSettings>

namespace qrt58 {

WindowBoard::WindowBoard(Form1& window, QSettings& settings, const BoardOptions& options, ApplySettings apply,
                         Clock* clock)
    : window_(window), settings_(settings), options_(options), apply_(std::move(apply)), clock_(clock) {
    setup_ = resolve_board_settings(options_, settings_);
    board_ = Board::create(setup_, clock_);
    // With no board chosen yet (and none given for this run) the simulated
    // receiver is used, and the status bar says so.
    no_choice_ = !options_.board && !board_choice_made(settings_);
    set_up_bus();
    show_state(QStringLiteral("not searched yet"));
}

WindowBoard::~WindowBoard() { window_.set_board_hooks({}); }

void WindowBoard::set_up_bus() {
    EepromBus& bus = board_->bus();
    bus.set_event_pump([] { QCoreApplication::processEvents(); });
    Form1* window = &window_;
    bus.set_message_sink([window](const QString& text) { message_boxes().warning(window, text); });
    if (auto* item = window_.findChild<QAction*>(QStringLiteral("mnuLineDelay")))
        item->setEnabled(bus.has_line_delay());
}

void WindowBoard::show_state(const QString& state) {
    window_.set_board_status(board_->description() + QStringLiteral(" \u2014 ") + state);
}

void WindowBoard::start_driver() {
    const BoardOpening opened = board_->open();
    // A driver that did not start says why once, in the box of the board
    // search that follows.
    started_ = opened.driver.ok;
    if (!opened.trace_error.isEmpty()) message_boxes().warning(&window_, opened.trace_error);
    // The trace belongs to the first board of the run; a board chosen later has none.
    setup_.trace_vcd.clear();
    show_state(started_ ? QStringLiteral("searching...") : QStringLiteral("not started"));
}

void WindowBoard::board_startup() {
    // A line delay given for this run is kept when the board answered with it.
    const bool found = board_->start_up();
    if (found) remember_line_delay(settings_, options_);
    show_state(!started_ ? QStringLiteral("not started")
               : found   ? QStringLiteral("answered")
                         : QStringLiteral("not responding"));
}

void WindowBoard::stop_driver() {
    const DriverStatus status = board_->stop_driver();
    if (!status.ok) message_boxes().warning(&window_, status.error);
}

void WindowBoard::change_board(const BoardChoice& chosen) {
    if (chosen == setup_.choice) return;
    // The line delay as it is now (Options > Line Delay... may have changed it).
    if (board_->bus().has_line_delay()) setup_.line_delay_us = board_->bus().line_delay_us();
    stop_driver();
    setup_.choice = chosen;
    board_ = Board::create(setup_, clock_);
    set_up_bus();
    start_driver();
    board_startup(); // a board that did not start says why here, once
}

Form1::BoardHooks WindowBoard::hooks() {
    Form1::BoardHooks hooks;
    hooks.start_driver = [this] { start_driver(); };
    hooks.board_startup = [this] { board_startup(); };
    hooks.keep_alive = [this] { board_->bus().idle_tick(); };
    hooks.stop_driver = [this] { stop_driver(); };
    hooks.show_transfer = [this](int mode) {
        Form2 dialog(board_->bus(), window_, mode, &window_);
        dialog.set_board_label(setup_.choice.text());
        dialog.exec();
        show_state(!started_              ? QStringLiteral("not started")
                   : dialog.board_found() ? QStringLiteral("answered")
                                          : QStringLiteral("not responding"));
    };
    hooks.edit_line_delay = [this] { edit_line_delay(&window_, board_->bus(), settings_); };
    hooks.choose_board = [this] {
        // The chosen board is kept in the settings and taken into use at once.
        const std::optional<BoardChoice> chosen = choose_board(&window_, setup_.choice, settings_);
        if (!chosen) return;
        window_.show_status(QString()); // a choice is made now
        change_board(*chosen);
    };
    hooks.job_station = [this] {
        JobDialog dialog(*board_, setup_.choice, settings_, apply_, window_.use_tbl_path ? window_.tbl_path : QString(),
                         &window_);
        dialog.exec();
    };
    hooks.choose_registry = [this] { choose_registry(&window_, settings_); };
    return hooks;
}

} // namespace qrt58
